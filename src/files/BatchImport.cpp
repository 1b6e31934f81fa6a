#include "files/BatchImport.h"

#include "files/CRC32.h"
#include "files/CsvFile.h"
#include "files/FileFormat.h"
#include "files/Sheet.h"
#include "files/StatusLine.h"
#include "files/WorkbookFile.h"
#include "model/Batches.h"
#include "model/Conversions.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "model/Prompts.h"

#include <QHash>

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
    TScan(TSheet &sheet, TDeviceInfo &info, TBatches &batchList, Prompts &prompts,
          const std::function<void(TBatch &)> &onBatchAdded, QStringList &incomplete)
        : FSheet(sheet)
        , FInfo(info)
        , FBatchList(batchList)
        , FPrompts(prompts)
        , FOnBatchAdded(onBatchAdded)
        , FIncomplete(incomplete)
    {}

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
        FBresle.Apply(FInfo);
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
        return StrToDate(value);
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
        batch->SetName(name);
        batch->FImported = true;
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
        FBatch->AddReading(std::move(reading));
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
        FBatch->FSaved = true;
        FBatch->FReadingsLoaded = true;
        if (FCodeSeen) {
            FBatch->FCheckCode = FStoredCode;
            FBatch->FCheckResult = crFailed;
            if (!FStoredCode.isEmpty()) {
                for (int row = FFirstRow; row <= FLastRow; ++row)
                    FCrc.AddStrings(FSheet.StoredCells(row));
                if (FCrc.CRCText() == FStoredCode)
                    FBatch->FCheckResult = crPassed;
                else
                    FPrompts.Message(TMsgKind::Warning,
                                     QStringLiteral("The batch code check of batch \"%1\" failed.").arg(FBatch->FName),
                                     TMsgButtons::Ok);
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
    TDeviceInfo &FInfo;
    TBatches &FBatchList;
    Prompts &FPrompts;
    const std::function<void(TBatch &)> &FOnBatchAdded;
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
    TBresleOffsetRange FBresle; // over every reading line: the import has one device record
};

} // namespace

TBatchImport::TBatchImport(TBatches &batchList, std::shared_ptr<TDeviceInfo> &deviceInfo, TStatusLine &status,
                           Prompts &prompts)
    : FBatchList(batchList)
    , FDeviceInfo(deviceInfo)
    , FStatus(status)
    , FPrompts(prompts)
{}

int TBatchImport::ImportBatches(TSheet &sheet)
{
    const TProgressShown progress(FStatus, sheet.RowCount());
    FDeviceInfo = std::make_shared<TDeviceInfo>();
    FIncomplete.clear();
    return TScan(sheet, *FDeviceInfo, FBatchList, FPrompts, OnBatchAdded, FIncomplete).Run();
}

void TBatchImport::ImportFile(const QString &fileName)
{
    TSheet sheet(8, 1);
    ReadBatchFile(fileName, sheet, FStatus);
    if (ImportBatches(sheet) == 0)
        throw Error(QStringLiteral("No batch was found in the file."));
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
    else
        ReadCsvFile(fileName, sheet, status);
}
