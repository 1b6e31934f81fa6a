#include "files/SaveCommands.h"

#include "device/Communication.h"
#include "files/BatchFileDialog.h"
#include "files/BatchSheet.h"
#include "files/CsvFile.h"
#include "files/FileFormat.h"
#include "files/FileReplacement.h"
#include "files/Sheet.h"
#include "files/SheetFile.h"
#include "files/StatusLine.h"
#include "files/WorkbookFile.h"
#include "model/BatchSource.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "model/Prompts.h"
#include "xls/XlsWorkbook.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString Cancelled = QStringLiteral("Save cancelled by user.");
const QString Saved = QStringLiteral("Batch saved to file.");

} // namespace

TSaveCommands::TSaveCommands(TdmCommunication &comm, TMeterSource &meter, QString &lastSavePath, TStatusLine &status,
                             Prompts &prompts)
    : FComm(comm)
    , FMeter(meter)
    , FLastSavePath(lastSavePath)
    , FStatus(status)
    , FPrompts(prompts)
{}

QString TSaveCommands::CombinedFileName()
{
    const QDate today = NowQDateTime().date();
    return QStringLiteral("TALVO_BATCHES_%1-%2-%3")
        .arg(today.toString(QStringLiteral("yy")))
        .arg(today.weekNumber())
        .arg(today.dayOfWeek());
}

std::optional<QString> AskSaveFile(Prompts &prompts, QString &lastSavePath, const QString &proposed)
{
    TFileDialog dialog = BatchFileDialog(QStringLiteral("Save Batch to file"), lastSavePath);
    dialog.FileName = proposed;
    dialog.OverwritePrompt = true;
    const std::optional<QString> file = prompts.SaveFile(dialog);
    if (file) {
        const QString folder = QDir::toNativeSeparators(QFileInfo(*file).absolutePath() + QLatin1Char('/'));
        if (folder != lastSavePath)
            lastSavePath = folder;
    }
    return file;
}

std::optional<QString> TSaveCommands::AskFile(const QString &proposed)
{
    const std::optional<QString> file = AskSaveFile(FPrompts, FLastSavePath, proposed);
    if (!file)
        FStatus.ShowStatus(Cancelled);
    return file;
}

void TSaveCommands::EnsureDeviceInfo(TBatch &batch)
{
    // An imported batch keeps its file's record; a meter batch takes the meter's.
    if (batch.FImported)
        return;
    if (!FMeter.DeviceInfo()->Valid)
        FMeter.SetDeviceInfo(std::shared_ptr<TDeviceInfo>(FComm.ReadDeviceInfo()));
    FMeter.Adopt(batch);
}

void TSaveCommands::EnsureReadings(TBatch &batch)
{
    if (batch.FReadingsLoaded)
        return;
    // Readings left by an earlier transfer that failed half-way are read again, not added to.
    batch.ClearReadings();
    FComm.ReadBatchReadings(batch);
}

void TSaveCommands::SaveBatch(TBatch &batch)
{
    SaveOne(batch, false);
}

bool TSaveCommands::SaveOne(TBatch &batch, bool named)
{
    const std::optional<QString> file = AskFile(batch.FName.trimmed());
    if (!file)
        return true;
    try {
        EnsureDeviceInfo(batch);
        EnsureReadings(batch);
        TSheet sheet;
        try {
            BuildBatchSheet(batch, batch.DeviceInfo(), sheet, FStatus);
            // The file carries the batch's creation time before it replaces an earlier one.
            SaveSheetToFile(*file, batch.FName, sheet, batch.FCreationDateTime);
            batch.SetSaved(true);
        } catch (...) {
            FStatus.ClearStatus();
            throw;
        }
        FStatus.ClearStatus();
        FStatus.ShowStatus(Saved);
    } catch (const std::exception &e) {
        FPrompts.Message(TMsgKind::Warning, named ? NotSaved(batch, e) : MessageOf(e), TMsgButtons::Ok);
        return !dynamic_cast<const LinkError *>(&e);
    }
    return true;
}

void TSaveCommands::SaveAllBatchesToOneFile(const QList<TBatch *> &batches)
{
    const std::optional<QString> file = AskFile(CombinedFileName());
    if (!file)
        return;
    // An existing file is replaced only by a complete new one, so an empty list leaves it alone.
    if (batches.isEmpty())
        return;
    for (TBatch *batch : batches)
        EnsureDeviceInfo(*batch);
    if (SaveFormat(*file) == TFileFormat::Csv)
        SaveCombinedCsv(*file, batches);
    else
        SaveCombinedWorkbook(*file, batches);
}

QString TSaveCommands::NotSaved(const TBatch &batch, const std::exception &e)
{
    QString text =
        QStringLiteral("The batch ") + batch.FName + QStringLiteral(" could not be saved.\r\nMessage: ") + MessageOf(e);
    if (dynamic_cast<const LinkError *>(&e))
        text += QStringLiteral("\r\nThe batches after it were not read.");
    return text;
}

TSaveCommands::TSection TSaveCommands::WriteSection(TBatch &batch, TSheet &sheet, const std::function<void()> &write)
{
    try {
        EnsureReadings(batch);
        sheet.Clear();
        BuildBatchSheet(batch, batch.DeviceInfo(), sheet, FStatus);
        write();
        FStatus.ClearStatus();
        FStatus.ShowStatus(Saved);
        return TSection::Written;
    } catch (const std::exception &e) {
        FPrompts.Message(TMsgKind::Warning, NotSaved(batch, e), TMsgButtons::Ok);
        return dynamic_cast<const LinkError *>(&e) ? TSection::Stopped : TSection::Failed;
    }
}

void TSaveCommands::SaveCombinedCsv(const QString &file, const QList<TBatch *> &batches)
{
    TFileReplacement out(file);
    if (!out.Create())
        throw Error(QStringLiteral("Could not save data to csv file."));
    QList<TBatch *> written;
    TSheet sheet;
    for (qsizetype i = 0; i < batches.size(); ++i) {
        const TSection section = WriteSection(*batches[i], sheet, [&] {
            const QByteArray text = SheetToCsv(sheet);
            if (out.File().write(text) != text.size())
                throw Error(QStringLiteral("Could not save data to csv file."));
        });
        if (section == TSection::Written)
            written << batches[i];
        // The line to the meter is gone: the batches read so far are saved, no more are tried.
        if (section == TSection::Stopped)
            break;
        if (i + 1 < batches.size())
            out.File().write(CsvSectionSeparator(sheet.ColCount()));
    }
    if (!out.Commit())
        throw Error(QStringLiteral("Could not save data to csv file."));
    // Saved once the file holding them is in place.
    for (TBatch *batch : written)
        batch->SetSaved(true);
}

void TSaveCommands::SaveCombinedWorkbook(const QString &file, const QList<TBatch *> &batches)
{
    XlsWorkbook workbook;
    QList<TBatch *> written;
    TSheet sheet;
    for (qsizetype i = 0; i < batches.size(); ++i) {
        TBatch &batch = *batches[i];
        // A batch that fails leaves its worksheet as far as it was filled.
        const TSection section = WriteSection(
            batch, sheet, [&] { FillWorksheet(workbook, static_cast<int>(i), sheet, batch.FName, false); });
        if (section == TSection::Written)
            written << &batch;
        if (section == TSection::Stopped)
            break;
        if (i + 1 < batches.size())
            workbook.addSheet();
    }
    WriteFileContent(file, workbook.toBytes(), QStringLiteral("Could not save data to xls file."));
    for (TBatch *batch : written)
        batch->SetSaved(true);
}

void TSaveCommands::SaveAllBatchesSeparately(const QList<TBatch *> &batches)
{
    for (TBatch *batch : batches)
        if (!SaveOne(*batch, true))
            break;
}
