#include "app/ReportCommands.h"

#include "files/BatchSheet.h"
#include "model/Batches.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "model/Prompts.h"
#include "report/InspectionReport.h"

#include <QAction>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

void Preview(const TReportBatch &batch, TAcceptanceLimit limit, const TReportSources &sources, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(ReportPageLayout());
    printer.setDocName(QStringLiteral("Inspection Report ") + batch.Batch->FName.trimmed());
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QStringLiteral("Print Inspection Report"));
    // Large enough to read a page: over the main window, at its size, the page as wide as the view.
    if (parent)
        preview.setGeometry(parent->window()->geometry());
    // Through the dialog's own button, which then shows as the one chosen.
    for (QAction *fit : preview.findChildren<QAction *>())
        if (fit->text() == QLatin1String("Fit width"))
            fit->trigger();
    // A failure inside the preview's painting ends the preview and is shown like any other.
    std::exception_ptr failure;
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [&](QPrinter *p) {
        try {
            PaintInspectionReport(*p, {batch}, limit, sources);
        } catch (...) {
            failure = std::current_exception();
            preview.reject();
        }
    });
    preview.exec();
    if (failure)
        std::rethrow_exception(failure);
}

void Export(const TReportBatch &batch, TAcceptanceLimit limit, const TReportSources &sources, Prompts &prompts,
            QString &lastSavePath)
{
    TFileDialog dialog;
    dialog.Title = QStringLiteral("Export Inspection Report");
    dialog.Filter = QStringLiteral("PDF (*.pdf)|*.pdf");
    dialog.DefaultExt = QStringLiteral("pdf");
    dialog.InitialDir = lastSavePath;
    dialog.FileName = batch.Batch->FName.trimmed();
    dialog.OverwritePrompt = true;
    const std::optional<QString> file = prompts.SaveFile(dialog);
    if (!file)
        return;
    lastSavePath = QFileInfo(*file).absolutePath();
    SaveInspectionReportPdf(*file, {batch}, limit, sources);
}

} // namespace

QString ReportCheckCode(TBatch &batch)
{
    return batch.FImported ? batch.FCheckCode : BatchCheckCode(batch, batch.DeviceInfo());
}

namespace {

// A batch's report is made from its file, or from the meter.
TReportSources SourcesOf(const TBatch &batch, const QString &conventionsNote)
{
    TReportSources sources;
    if (batch.FImported)
        sources.Inputs.append({QFileInfo(batch.FSourceFile).fileName(), batch.FSourceFile, conventionsNote});
    else
        sources.Inputs.append({QStringLiteral("The Talvo meter %1").arg(batch.DeviceInfo().SerialNumber), {}, {}});
    return sources;
}

} // namespace

void WarnReportFailed(Prompts &prompts, const TBatch &batch, const std::exception &e)
{
    prompts.Message(TMsgKind::Warning,
                    QStringLiteral("The report of batch %1 could not be made.\r\nMessage: %2")
                        .arg(batch.FName.trimmed(), MessageOf(e)),
                    TMsgButtons::Ok);
}

void ReportBatch(TReportOutput output, TBatch &batch, TAcceptanceLimit limit, QWidget *parent, Prompts &prompts,
                 QString &lastSavePath, const QString &conventionsNote)
{
    try {
        const TReportBatch report{&batch, ReportCheckCode(batch)};
        const TReportSources sources = SourcesOf(batch, conventionsNote);
        if (output == TReportOutput::Print)
            Preview(report, limit, sources, parent);
        else
            Export(report, limit, sources, prompts, lastSavePath);
    } catch (const std::exception &e) {
        WarnReportFailed(prompts, batch, e);
    }
}
