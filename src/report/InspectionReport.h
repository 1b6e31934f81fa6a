#pragma once
// The inspection report. Each batch starts on a page of its own: a title, the batch and meter
// identity, the settings that derive the figures, the check code and, for an imported batch, its check
// result, the statistics, the chart and the readings table, whose titles repeat on every page. Every
// page ends with the date printed and "Page n of N". Painted on any paged device: a printer, a print
// preview or a PDF writer.

#include "model/BatchStatistics.h"

#include <QList>
#include <QPageLayout>
#include <QString>

class QPagedPaintDevice;
class TBatch;
class TDeviceInfo;

struct TReportBatch {
    TBatch *Batch;     // with its own device record; a reading held in °F is converted for good
    QString CheckCode; // the code its file holds or its save would write; empty when there is none
};

// What a report was made from, listed on its first page: the files read (or the meter), each with a
// note on how it was read, and everything left out with the reason. The report never writes over one
// of its input files.
struct TReportSources {
    struct TInput {
        QString Name; // a file's name as given, or the meter
        QString File; // the file, empty for the meter
        QString Note; // how it was read, when that needs saying
    };
    QList<TInput> Inputs;
    QStringList LeftOut;
};

// A4 portrait with margins of 15 mm.
QPageLayout ReportPageLayout();

// Paints the report on the device's pages as they are set up (a printer may have been given other
// paper). Raises the errors of the readings ("There are no readings") before anything is painted.
// A batch whose check code failed, or that has none, carries a banner saying so on each of its pages.
void PaintInspectionReport(QPagedPaintDevice &device, const QList<TReportBatch> &batches, TAcceptanceLimit limit,
                           const TReportSources &sources = {});

// Whether writing to fileName would write over one of the files: the same file under any name, or
// through a hard or symbolic link.
bool IsSameFile(const QString &fileName, const QString &other);

// Writes the report as a PDF file on the report's page layout. The file is replaced only once the
// report is complete; a target that is one of the sources' files is refused before anything is
// written. Any failure raises "Could not save the report to pdf file." with the file and the reason,
// or the error of the readings.
void SaveInspectionReportPdf(const QString &fileName, const QList<TReportBatch> &batches, TAcceptanceLimit limit,
                             const TReportSources &sources = {});
