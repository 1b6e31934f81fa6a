#pragma once
// "Print..." and "Export PDF..." of a batch's inspection report, for the batch window and the tree.

#include "model/BatchStatistics.h"

#include <QString>
#include <exception>

class Prompts;
class QWidget;
class TBatch;

enum class TReportOutput { Print, Pdf };

// The check code the report shows: the one its file holds for an imported batch, else the one a save
// of the batch would write.
QString ReportCheckCode(TBatch &batch);

// The warning box of a report that could not be made, with the failure's message.
void WarnReportFailed(Prompts &prompts, const TBatch &batch, const std::exception &e);

// Print: the report in a print preview, from which the user prints it. Pdf: asks for a file name in the
// last save folder, which becomes the chosen file's folder, and writes the report there; never over the
// file the batch was imported from. A failure is shown in a warning box. conventionsNote: how the
// batch's file was read, when that needs saying.
void ReportBatch(TReportOutput output, TBatch &batch, TAcceptanceLimit limit, QWidget *parent, Prompts &prompts,
                 QString &lastSavePath, const QString &conventionsNote = {});
