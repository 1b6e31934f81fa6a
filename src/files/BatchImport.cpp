#include "files/BatchImport.h"

#include "files/CRC32.h"
#include "files/CsvFile.h"
#include "files/FileFormat.h"
#include "files/Sheet.h"
#include "files/StatusLine.h"
#include "files/WorkbookFile.h"
#include "model/Batches.h"
#include "model/Conversions.h"
#include "model/DateTime.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "model/Prompts.h"
#include "model/UserLocale.h"

#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <vector>

namespace {

enum class TLabel {
    SerialNumber,
    SoftwareVersion,
    ConfigVersion,
    ServoUsage,
    ReadingsSinceValidation,
    ReadingsSinceService,
    TotalReadings,
    ValidationDate,
    ServiceDate,
    ValidationFluidConductivity,
    ValidationFluidCoefficient,
    DeionizedWater,
    CompensationFactor,
    MaxCleanConductivity,
    SurfaceDensityConversion,
    BatchCheckCode,
    BatchName,
    BatchID,
    BatchCreationDate,
    BatchCreationTime,
    BatchMaxReadings,
    BatchReadingCount,
    ReadingTable,
};

// Labels are compared exactly; older files used the words in the second spellings.
const QHash<QString, TLabel> &Labels()
{
    static const QHash<QString, TLabel> labels = {
        {QStringLiteral("Serial Number"), TLabel::SerialNumber},
        {QStringLiteral("Software Version"), TLabel::SoftwareVersion},
        {QStringLiteral("Config version"), TLabel::ConfigVersion},
        {QStringLiteral("Servo Usage"), TLabel::ServoUsage},
        {QStringLiteral("Readings Since Validation"), TLabel::ReadingsSinceValidation},
        {QStringLiteral("Readings Since Calibration"), TLabel::ReadingsSinceService},
        {QStringLiteral("Readings Since Service"), TLabel::ReadingsSinceService},
        {QStringLiteral("Total Number of readings"), TLabel::TotalReadings},
        {QStringLiteral("Validation Date"), TLabel::ValidationDate},
        {QStringLiteral("Service Date"), TLabel::ServiceDate},
        {QStringLiteral("Calibration Date"), TLabel::ServiceDate},
        {QStringLiteral("Validation Fluid Conductivity "), TLabel::ValidationFluidConductivity},
        {QStringLiteral("Validation Fluid Temp. Coefficient"), TLabel::ValidationFluidCoefficient},
        {QStringLiteral("Conductivity Deionized Water"), TLabel::DeionizedWater},
        {QStringLiteral("Compensation Factor"), TLabel::CompensationFactor},
        {QStringLiteral("Max. Clean Conductivity"), TLabel::MaxCleanConductivity},
        {QStringLiteral("Surface Density Conversion"), TLabel::SurfaceDensityConversion},
        {QStringLiteral("Batch Check Code"), TLabel::BatchCheckCode},
        {QStringLiteral("Batch name"), TLabel::BatchName},
        {QStringLiteral("Batch ID"), TLabel::BatchID},
        {QStringLiteral("Batch creation date"), TLabel::BatchCreationDate},
        {QStringLiteral("Batch creation time"), TLabel::BatchCreationTime},
        {QStringLiteral("Batch maximum # of readings"), TLabel::BatchMaxReadings},
        {QStringLiteral("Batch maximum readings"), TLabel::BatchMaxReadings},
        {QStringLiteral("Batch # of readings"), TLabel::BatchReadingCount},
        {QStringLiteral("Batch number of readings"), TLabel::BatchReadingCount},
        {QStringLiteral("Reading Table:"), TLabel::ReadingTable},
    };
    return labels;
}

constexpr int ValueCol = 4;

class TProgressShown {
public:
    TProgressShown(TStatusLine &status, int maximum)
        : FStatus(status)
    {
        FStatus.ShowProgress(maximum);
    }
    ~TProgressShown() { FStatus.HideProgress(); }
    TProgressShown(const TProgressShown &) = delete;
    TProgressShown &operator=(const TProgressShown &) = delete;

private:
    TStatusLine &FStatus;
};

const QString NoBatchName = QStringLiteral("A section of the file has no \"Batch name\" row.");

// One scan of one sheet. A section runs from its device configuration block (or the first row of it
// that is left) to the end of its batch's reading table; one that ends before, at the next section or
// at the end of the sheet, is incomplete: it is reported, and its batch is not imported.
class TScan {
public:
    TScan(TSheet &sheet, TBatches &batchList, const std::function<void(TBatch &)> &onBatchAdded,
          QStringList &incomplete)
        : FSheet(sheet)
        , FBatchList(batchList)
        , FOnBatchAdded(onBatchAdded)
        , FIncomplete(incomplete)
    {}

    // The names of the batches whose check code did not match, in file order.
    QStringList FailedCodes;
    // Every date text of the sheet is what the conventions in force write for the date it reads as.
    bool DatesAsWritten = true;

    // The number of batches imported.
    int Run()
    {
        try {
            for (int row = 0; row < FSheet.RowCount(); ++row) {
                const bool empty = IsEmptyLine(FSheet.RowText(row));
                if (empty && !FInTable)
                    continue;
                if (FInTable)
                    TableRow(row, empty);
                else
                    LabelRow(row);
                Finish();
            }
            EndSection();
        } catch (...) {
            DropBatch();
            throw;
        }
        return FImportedCount;
    }

private:
    // A day number as a spreadsheet stores a date, or a date in the user's format; the cell is
    // rewritten as the date text the writer put there.
    TDateTime ReadDate(int row)
    {
        const QString value = FSheet.Cell(ValueCol, row);
        if (const auto day = TryStrToInt(value)) {
            FSheet.SetCell(ValueCol, row, DateToStr(*day));
            return *day;
        }
        const TDateTime date = StrToDate(value);
        DatesAsWritten = DatesAsWritten && DateToStr(date) == value;
        return date;
    }

    void Rewrite(int row, const QString &text) { FSheet.SetCell(ValueCol, row, text); }

    void LabelRow(int row)
    {
        const auto found = Labels().constFind(FSheet.Cell(0, row));
        if (found == Labels().constEnd())
            return;
        if (*found == TLabel::SerialNumber)
            EndSection();
        FSectionOpen = true;
        const QString value = FSheet.Cell(ValueCol, row);
        switch (*found) {
        case TLabel::SerialNumber:
            // Each section's device block describes the meter of that section's batch.
            FInfo = TDeviceInfo();
            FCrc.Reset();
            FFirstRow = row;
            FInfo.SerialNumber = value;
            break;
        case TLabel::SoftwareVersion:
            FInfo.SetSoftwareVersion(value);
            break;
        case TLabel::ConfigVersion:
            FInfo.SetConfigVersion(value);
            break;
        case TLabel::ServoUsage:
            FInfo.ServoLifeTime = static_cast<quint16>(RoundHalfEven(StrToFloat(value) * 3600.0));
            Rewrite(row, FormatFixed(FInfo.ServoLifeTime / 3600.0, 1));
            break;
        case TLabel::ReadingsSinceValidation:
            FInfo.ReadingsSinceLastVal = static_cast<quint16>(StrToInt(value));
            break;
        case TLabel::ReadingsSinceService:
            FInfo.ReadingsSinceLastService = static_cast<quint16>(StrToInt(value));
            break;
        case TLabel::TotalReadings:
            FInfo.NrOfReadingsTaken = value;
            break;
        case TLabel::ValidationDate:
            FInfo.ValidationDate = ReadDate(row);
            break;
        case TLabel::ServiceDate:
            FInfo.ServiceDate = ReadDate(row);
            break;
        case TLabel::ValidationFluidConductivity:
            FInfo.G25 = StrToInt(value);
            break;
        case TLabel::ValidationFluidCoefficient:
            FInfo.Alpha = StrToFloat(value);
            Rewrite(row, FormatFixed(FInfo.Alpha, 1));
            break;
        case TLabel::DeionizedWater:
            FInfo.DeionizedWater = static_cast<quint8>(StrToInt(value));
            break;
        case TLabel::CompensationFactor:
            FInfo.AutoTempComp = StrToFloat(value) / 100.0;
            Rewrite(row, FormatFixed(FInfo.AutoTempComp * 100.0, 1));
            break;
        case TLabel::MaxCleanConductivity:
            FInfo.GClean = static_cast<float>(StrToInt(value));
            break;
        case TLabel::SurfaceDensityConversion:
            // Only shown: the factor of this run stays in force.
            Rewrite(row, FormatFixed(StrToFloat(value), 1));
            break;
        case TLabel::BatchCheckCode:
            FCodeSeen = true;
            FStoredCode = value.startsWith(QLatin1Char('\'')) ? value.mid(1) : value;
            Rewrite(row, QString());
            break;
        case TLabel::BatchName:
            StartBatch(value);
            break;
        default:
            BatchRow(*found, row, value);
            break;
        }
    }

    // The batch is announced once its table is complete; until then it is the scan's alone.
    void StartBatch(const QString &name)
    {
        if (FBatch)
            EndSection(); // the batch before has no table: its section ends here
        FSectionOpen = true;
        TBatch *batch = FBatchList.Add();
        FBatch = batch;
        FBresle = TBresleOffsetRange();
        batch->SetName(name);
        batch->FImported = true;
        batch->FFileConventions = UserLocale::Current();
    }

    // An open section ends before its batch is complete: it is reported and its batch dropped.
    void EndSection()
    {
        if (!FSectionOpen)
            return;
        FIncomplete << (FBatch ? QStringLiteral("The data of batch \"%1\" is incomplete.").arg(FBatch->FName)
                               : NoBatchName);
        DropBatch();
        FSectionOpen = false;
        FInTable = false;
    }

    void DropBatch()
    {
        if (FBatch)
            FBatchList.Delete(FBatch);
        FBatch = nullptr;
    }

    // The rows of a batch's header. Without a batch ("Batch name" row) they have none to go to and are
    // skipped, and so are the rows of the reading table after them.
    void BatchRow(TLabel label, int row, const QString &value)
    {
        if (label == TLabel::ReadingTable)
            FInTable = true;
        if (!FBatch)
            return;
        switch (label) {
        case TLabel::BatchID:
            try {
                FBatch->FID = StrToInt(value);
            } catch (const std::exception &) {
                throw Error(QStringLiteral("Problem while importing Batch"));
            }
            break;
        case TLabel::BatchCreationDate:
            FBatch->FCreationDateTime = ReadDate(row);
            break;
        case TLabel::BatchCreationTime:
            if (const auto fraction = TryStrToFloat(value)) {
                FBatch->FCreationDateTime += *fraction;
                Rewrite(row, TimeToStr(FBatch->FCreationDateTime));
            } else {
                FBatch->FCreationDateTime += StrToTime(value);
            }
            break;
        case TLabel::BatchMaxReadings:
            FBatch->SetMaxReadings(StrToInt(value));
            break;
        case TLabel::BatchReadingCount:
            FBatch->FReadingCount = StrToInt(value);
            break;
        default:
            break;
        }
    }

    void TableRow(int row, bool empty)
    {
        const QString first = FSheet.Cell(0, row);
        const bool noReadings = first == QLatin1String("This Batch has no readings!.");
        if (empty || noReadings) {
            FInTable = false;
            if (!FBatch)
                return;
            FBatch->FReadingsLoaded = true;
            FLastRow = noReadings ? row : row - 1;
            FBatchComplete = true;
        }
        // The header, the unit rows and the "(mg/m²)" row are skipped this way.
        if (!FBatch || !TryStrToInt(first))
            return;
        QStringList fields = FSheet.Row(row);
        auto reading = std::make_unique<TReading>();
        ReadingFromFields(*reading, fields, FInfo, &FBresle);
        for (int col = 0; col < fields.size(); ++col)
            FSheet.SetCell(col, row, fields[col]);
        DatesAsWritten = DatesAsWritten && DateToStr(reading->FDateTime) == fields.value(1);
        TReadingRow shown;
        try {
            shown = FileRowFromFields(*reading, fields);
        } catch (const std::exception &e) {
            throw Error(QStringLiteral("A problem occurred while converting reading from string, message:\r\n") +
                        MessageOf(e));
        }
        FBatch->AddReading(std::move(reading));
        FBatch->FFileRows << shown;
        if (row == FSheet.RowCount() - 1) {
            FLastRow = row;
            FBatchComplete = true;
        }
    }

    void Finish()
    {
        if (!FBatchComplete)
            return;
        FInfo.Valid = true;
        // The batch keeps the record of its own section, its Bresle offset from its own lines.
        auto record = std::make_shared<TDeviceInfo>(FInfo);
        FBresle.Apply(*record);
        FBatch->FDeviceInfo = std::move(record);
        FBatch->FSaved = true;
        FBatch->FReadingsLoaded = true;
        for (int row = FFirstRow; row <= FLastRow; ++row)
            FCrc.AddStrings(FSheet.StoredCells(row));
        FBatch->FFiguresCode = FCrc.CRCText();
        if (FCodeSeen) {
            FBatch->FCheckCode = FStoredCode;
            FBatch->FCheckResult = crFailed;
            if (!FStoredCode.isEmpty()) {
                if (FBatch->FFiguresCode == FStoredCode)
                    FBatch->FCheckResult = crPassed;
                else
                    FailedCodes << FBatch->FName;
            }
        } else {
            FBatch->FCheckResult = crNotAvailable;
        }
        FBatchComplete = false;
        TBatch *batch = FBatch;
        FBatch = nullptr;
        FSectionOpen = false;
        ++FImportedCount;
        if (FOnBatchAdded)
            FOnBatchAdded(*batch);
    }

    TSheet &FSheet;
    TDeviceInfo FInfo;
    TBatches &FBatchList;
    const std::function<void(TBatch &)> FOnBatchAdded;
    QStringList &FIncomplete;

    bool FInTable = false;
    bool FBatchComplete = false;
    bool FCodeSeen = false;
    QString FStoredCode;
    bool FSectionOpen = false;
    TBatch *FBatch = nullptr; // the batch of the open section, once its "Batch name" row was met
    int FImportedCount = 0;
    int FFirstRow = 0;
    int FLastRow = 0;
    TCRC32 FCrc;
    TBresleOffsetRange FBresle; // over the reading lines of the open section's batch
};

void AnnounceFailedCodes(Prompts &prompts, const QStringList &names)
{
    for (const QString &name : names)
        prompts.Message(TMsgKind::Warning, QStringLiteral("The batch code check of batch \"%1\" failed.").arg(name),
                        TMsgButtons::Ok);
}

// One reading of a file with one set of conventions, to see whether they read it and how many of its
// batches their check codes confirm.
struct TTrial {
    UserLocale Conventions;
    bool Read = false;
    int Batches = 0;
    int Passed = 0;
    QList<TDateTime> Dates; // every date the file's batches hold, in order
    bool DatesAsWritten = false;

    // More codes confirmed, then dates written as these conventions write them.
    bool Beats(const TTrial &other) const
    {
        return std::pair(Passed, DatesAsWritten) > std::pair(other.Passed, other.DatesAsWritten);
    }
};

// The file is read with the conventions in force: a workbook's numbers become text with its decimal
// separator; a text file's sheet is the same whatever the conventions and is read once.
TTrial Try(const QString &fileName, const TSheet *text, const UserLocale &conventions, TStatusLine &status)
{
    const TLocaleInForce inForce(conventions);
    TTrial trial;
    trial.Conventions = conventions;
    TSheet sheet(8, 1);
    if (text)
        sheet = *text;
    else
        ReadBatchFile(fileName, sheet, status);
    TBatches batches;
    QStringList incomplete;
    TScan scan(sheet, batches, {}, incomplete);
    try {
        scan.Run();
    } catch (const std::exception &) {
        return trial;
    }
    trial.Read = true;
    trial.DatesAsWritten = scan.DatesAsWritten;
    trial.Batches = batches.Count();
    for (int i = 0; i < batches.Count(); ++i) {
        const TBatch &b = *batches.GetBatch(i);
        trial.Passed += b.FCheckResult == crPassed;
        trial.Dates << b.FCreationDateTime << b.DeviceInfo().ValidationDate << b.DeviceInfo().ServiceDate;
        for (const TReadingRow &row : b.FFileRows)
            trial.Dates << row.DateTime;
    }
    return trial;
}

// The order of day, month and year in a short date format, as the date reader takes it.
QString DateOrder(const UserLocale &conventions)
{
    QString order;
    for (const QChar c : conventions.ShortDateFormat.toLower())
        if ((c == QLatin1Char('d') || c == QLatin1Char('m') || c == QLatin1Char('y')) && !order.contains(c))
            order += c;
    return order;
}

QList<UserLocale> Candidates()
{
    QList<UserLocale> candidates = {UserLocale::Current()};
    for (const UserLocale &common : UserLocale::Common())
        if (std::none_of(candidates.begin(), candidates.end(),
                         [&](const UserLocale &c) { return c.SameConventions(common); }))
            candidates << common;
    return candidates;
}

} // namespace

TBatchImport::TBatchImport(TBatches &batchList, TStatusLine &status, Prompts &prompts)
    : FBatchList(batchList)
    , FStatus(status)
    , FPrompts(prompts)
{}

int TBatchImport::ImportBatches(TSheet &sheet)
{
    const TProgressShown progress(FStatus, sheet.RowCount());
    FIncomplete.clear();
    FConventions = UserLocale::Current();
    TScan scan(sheet, FBatchList, OnBatchAdded, FIncomplete);
    const int count = scan.Run();
    AnnounceFailedCodes(FPrompts, scan.FailedCodes);
    return count;
}

void TBatchImport::ImportFile(const QString &fileName)
{
    // The user's conventions first. A file they do not read, or whose codes they do not all confirm,
    // may have been written with others: those the most codes confirm are taken, and only where a
    // code confirms them; with none confirmed, the first that read the file, whose batches then fail.
    const QList<UserLocale> candidates = Candidates();
    const bool text = ImportFormat(fileName) == TFileFormat::Csv;
    std::optional<TSheet> loaded;
    if (text) {
        loaded.emplace(8, 1);
        ReadBatchFile(fileName, *loaded, FStatus);
    }
    const TSheet *sheetOfText = loaded ? &*loaded : nullptr;
    std::vector<TTrial> trials;
    trials.reserve(static_cast<std::size_t>(candidates.size()));
    trials.push_back(Try(fileName, sheetOfText, candidates.first(), FStatus));
    const TTrial &own = trials.front();
    const bool confirmed = own.Read && own.Passed == own.Batches;
    // A day above 12 reads one way only: with it, no other order of day and month reads the file.
    const bool daysAndMonthsSwap = std::all_of(own.Dates.begin(), own.Dates.end(), [](TDateTime d) {
        const QDate date = DateOf(d);
        return date.day() <= 12 && date.month() <= 12;
    });
    for (qsizetype i = 1; i < candidates.size(); ++i)
        // Conventions the user's confirm are tried only where the dates of a text file could read
        // another way with them.
        if (!confirmed ||
            (text && daysAndMonthsSwap && candidates[i].DecimalSeparator == own.Conventions.DecimalSeparator &&
             DateOrder(candidates[i]) != DateOrder(own.Conventions)))
            trials.push_back(Try(fileName, sheetOfText, candidates[i], FStatus));
    const TTrial *chosen = own.Read ? &own : nullptr;
    for (const TTrial &t : trials)
        if (t.Read && t.Passed > 0 && (!chosen || t.Beats(*chosen)))
            chosen = &t;
    for (const TTrial &t : trials)
        if (!chosen && t.Read)
            chosen = &t;
    FOwnConventions = !chosen || chosen == &own;
    FConventions = chosen ? chosen->Conventions : own.Conventions;
    // A code proves the text, not how to read it: dates that read as well the other way are told.
    // A workbook's dates are day numbers and read one way only.
    FOtherDates.reset();
    if (chosen && text)
        for (const TTrial &t : trials)
            if (&t != chosen && t.Read && !chosen->Beats(t) && t.Dates != chosen->Dates) {
                FOtherDates = t.Conventions;
                break;
            }

    const TLocaleInForce inForce(chosen ? chosen->Conventions : own.Conventions);
    TSheet sheet(8, 1);
    if (loaded)
        sheet = *loaded;
    else
        ReadBatchFile(fileName, sheet, FStatus);
    const int first = FBatchList.Count();
    if (ImportBatches(sheet) == 0)
        throw Error(QStringLiteral("No batch was found in the file."));
    for (int i = first; i < FBatchList.Count(); ++i)
        FBatchList.GetBatch(i)->FSourceFile = fileName;
}

QString TBatchImport::ConventionsNote() const
{
    QStringList lines;
    if (!FOwnConventions)
        lines << QStringLiteral("The file was read with the conventions of %1, not with your own.")
                     .arg(FConventions.Description());
    if (FOtherDates)
        lines << QStringLiteral("Its dates may also be read the other way, as %1 reads them: day and month are "
                                "both 12 or less.")
                     .arg(FOtherDates->Description());
    return lines.join(QStringLiteral("\r\n"));
}

QString TBatchImport::IncompleteWarning() const
{
    if (FIncomplete.isEmpty())
        return QString();
    return QStringLiteral("Not every batch of the file could be imported:\r\n\r\n") +
           FIncomplete.join(QStringLiteral("\r\n"));
}

void ReadBatchFile(const QString &fileName, TSheet &sheet, TStatusLine &status)
{
    if (ImportFormat(fileName) == TFileFormat::Workbook)
        ReadXlsFile(fileName, sheet, status);
    else if (!QFileInfo(fileName).isReadable() && fileName.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive))
        // A workbook that is missing or may not be read says so as a workbook would.
        throw Error(QStringLiteral("Could not read data from xls file. The file %1 cannot be read.")
                        .arg(QFileInfo(fileName).fileName()));
    else
        ReadCsvFile(fileName, sheet, status);
}
