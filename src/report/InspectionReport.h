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
    TBatch *Batch; // a reading held in °F is converted for good, as the batch window does
    const TDeviceInfo *DeviceInfo;
    QString CheckCode; // the code its file holds or its save would write; empty when there is none
};

// A4 portrait with margins of 15 mm.
QPageLayout ReportPageLayout();

// Paints the report on the device's pages as they are set up (a printer may have been given other
// paper). Raises the errors of the readings ("There are no readings") before anything is painted.
void PaintInspectionReport(QPagedPaintDevice &device, const QList<TReportBatch> &batches, TAcceptanceLimit limit);

// Writes the report as a PDF file on the report's page layout. The file is replaced only once the
// report is complete; any failure raises "Could not save the report to pdf file.", or the error of the
// readings.
void SaveInspectionReportPdf(const QString &fileName, const QList<TReportBatch> &batches, TAcceptanceLimit limit);
