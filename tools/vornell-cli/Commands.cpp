#include "Commands.h"

#include "CliPrompts.h"
#include "CliStatus.h"
#include "device/Communication.h"
#include "device/MeasurementSettings.h"
#include "files/BatchImport.h"
#include "files/BatchSheet.h"
#include "files/SaveCommands.h"
#include "files/Sheet.h"
#include "link/PortNames.h"
#include "model/BatchSource.h"
#include "model/Conversions.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "model/ReadingTable.h"
#include "model/UserLocale.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <cstdio>
#include <functional>

void Out(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
}

std::optional<QString> TakeOption(QStringList &args, const QString &name)
{
    const qsizetype i = args.indexOf(name);
    if (i < 0)
        return std::nullopt;
    if (i + 1 >= args.size())
        throw UsageError(name + QStringLiteral(" needs a value"));
    const QString value = args.at(i + 1);
    args.remove(i, 2);
    return value;
}

std::optional<QString> TakeSingleOption(QStringList &args, const QString &name)
{
    const auto value = TakeOption(args, name);
    if (value && args.contains(name))
        throw UsageError(name + QStringLiteral(" given more than once"));
    return value;
}

namespace {

bool TakeFlag(QStringList &args, const QString &name)
{
    return args.removeAll(name) > 0;
}

// What is left once the command took its options: exactly `count` arguments, none an option.
void CheckArguments(const QStringList &args, qsizetype count)
{
    for (const QString &arg : args)
        if (arg.startsWith(QLatin1String("--")))
            throw UsageError(QStringLiteral("unknown option ") + arg);
    if (args.size() > count)
        throw UsageError(QStringLiteral("extra argument ") + args.at(count));
    if (args.size() < count)
        throw UsageError(QStringLiteral("missing argument"));
}

void Connect(CliContext &c, bool checkClock = true)
{
    if (!c.Comm.Connected() && !c.Comm.Connect(checkClock))
        throw Error(QStringLiteral("Could not connect to Talvo."));
}

void Err(const QString &line)
{
    std::fprintf(stderr, "%s\n", qPrintable(QString(line).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
}

} // namespace

int PortsCommand(CliContext &c)
{
    CheckArguments(c.Args, 0);
    const TPortMap map = TPortMap::FromEnvironment();
    for (const QString &name : c.Comm.DataLink().GetAvailablePorts())
        Out(name + QLatin1Char('\t') + map.DevicePath(PortNumber(name).value_or(0)));
    return 0;
}

int InfoCommand(CliContext &c)
{
    CheckArguments(c.Args, 0);
    const auto info = c.Comm.ReadDeviceInfo();
    // The labels and value formats of the report's device block.
    TSheet sheet;
    WriteDeviceConfiguration(*info, sheet, c.Status);
    for (int row = 0; row < sheet.RowCount(); ++row) {
        const QString label = sheet.Cell(0, row).trimmed();
        if (label.isEmpty())
            continue;
        QString value = sheet.Cell(4, row);
        if (!sheet.Cell(5, row).isEmpty())
            value += QLatin1Char(' ') + sheet.Cell(5, row);
        Out(label + QStringLiteral(": ") + value);
    }
    return 0;
}

int ListCommand(CliContext &c)
{
    CheckArguments(c.Args, 0);
    TBatches batches;
    // The batches read before a failure are shown too; the failure follows them.
    const auto show = qScopeGuard([&batches] {
        for (int i = 0; i < batches.Count(); ++i) {
            const TBatch *b = batches.GetBatch(i);
            Out(QStringLiteral("%1\t%2\t%3 %4\t%5\t%6")
                    .arg(b->FID)
                    .arg(b->FName.trimmed(), DateToStr(b->FCreationDateTime), TimeToStr(b->FCreationDateTime))
                    .arg(b->FMaxReadings)
                    .arg(b->FReadingCount));
        }
        std::fflush(stdout);
    });
    c.Comm.ReadBatches(batches);
    return 0;
}

int ExportCommand(CliContext &c)
{
    const bool all = TakeFlag(c.Args, QStringLiteral("--all"));
    const bool separate = TakeFlag(c.Args, QStringLiteral("--separate"));
    const QString format = TakeOption(c.Args, QStringLiteral("--format")).value_or(QStringLiteral("CSV")).toUpper();
    QList<int> ids;
    while (const auto id = TakeOption(c.Args, QStringLiteral("--batch")))
        ids << StrToInt(*id);
    CheckArguments(c.Args, 1);
    if (all == !ids.isEmpty())
        throw UsageError(QStringLiteral("either --all or --batch ID"));
    if (format != QLatin1String("CSV") && format != QLatin1String("XLS"))
        throw UsageError(QStringLiteral("--format takes CSV or XLS"));
    const QString target = c.Args.first();

    TMeterSource meter;
    TBatches &batches = meter.Batches();
    c.Comm.ReadBatches(batches);
    QList<TBatch *> chosen;
    for (int i = 0; i < batches.Count(); ++i)
        if (all || ids.contains(batches.GetBatch(i)->FID))
            chosen << batches.GetBatch(i);
    for (int id : ids)
        if (std::none_of(chosen.begin(), chosen.end(), [id](const TBatch *b) { return b->FID == id; }))
            throw Error(QStringLiteral("The batch was not found in the Talvo."));
    if (chosen.isEmpty()) {
        Err(QStringLiteral("The Talvo holds no batch; no file was written."));
        return 0;
    }

    QString lastSavePath;
    TSaveCommands save(c.Comm, meter, lastSavePath, c.Status, c.Prompts);
    if (separate) {
        // The dialog's proposal, the trimmed batch name, in the folder named.
        c.Prompts.SaveFolder = target;
        c.Prompts.SaveExtension = QLatin1Char('.') + format;
        save.SaveAllBatchesSeparately(chosen);
    } else if (chosen.size() == 1) {
        c.Prompts.Files = {target};
        save.SaveBatch(*chosen.first());
    } else {
        c.Prompts.Files = {target};
        save.SaveAllBatchesToOneFile(chosen);
    }
    const bool allSaved = std::all_of(chosen.begin(), chosen.end(), [](const TBatch *b) { return b->FSaved; });
    return c.Prompts.Warnings == 0 && allSaved ? 0 : 2;
}

void CheckFileArguments(const QStringList &args)
{
    CheckArguments(args, args.size());
    if (args.isEmpty())
        throw UsageError(QStringLiteral("missing argument"));
}

int ForEachImportedFile(CliContext &c, const TImportedFileStep &print, QList<TImportedFile> *files)
{
    CheckFileArguments(c.Args);
    int result = 0;
    for (const QString &file : c.Args) {
        TImportedFile fate;
        fate.File = file;
        TBatches batches;
        TBatchImport importer(batches, c.Status, c.Prompts);
        try {
            importer.ImportFile(file);
            fate.Read = true;
        } catch (const std::exception &e) {
            fate.Problem = MessageOf(e);
            Err(file + QStringLiteral(": ") + fate.Problem);
            result = 2;
        }
        if (fate.Read) {
            fate.ConventionsNote = importer.ConventionsNote();
            fate.Incomplete = importer.Incomplete();
            if (!fate.ConventionsNote.isEmpty())
                Err(file + QStringLiteral(": ") + fate.ConventionsNote);
            for (int i = 0; i < batches.Count(); ++i)
                if (batches.GetBatch(i)->FCheckResult != crPassed)
                    result = qMax(result, 1);
            print(file, batches);
            for (const QString &message : fate.Incomplete) {
                Err(file + QStringLiteral(": ") + message);
                result = qMax(result, 1);
            }
        }
        if (files)
            files->append(fate);
    }
    return result;
}

void PrintCheckResults(const QString &file, const TBatches &batches)
{
    for (int i = 0; i < batches.Count(); ++i) {
        const TBatch *b = batches.GetBatch(i);
        Out(QStringLiteral("%1\t%2\t%3").arg(file, b->FName.trimmed(), CheckResultText(b->FCheckResult)));
    }
}

int VerifyCommand(CliContext &c)
{
    return ForEachImportedFile(c, [](const QString &file, TBatches &batches) { PrintCheckResults(file, batches); });
}

int ShowCommand(CliContext &c)
{
    return ForEachImportedFile(c, [](const QString &file, TBatches &batches) {
        for (int i = 0; i < batches.Count(); ++i) {
            TBatch *b = batches.GetBatch(i);
            const TDeviceInfo &info = b->DeviceInfo();
            const QString result = CheckResultText(b->FCheckResult);
            Out(QStringLiteral("%1\t%2\t%3").arg(file, b->FName.trimmed(), result));
            // The header of the batch window, item for item.
            Out(QStringLiteral("Batch ID: %1").arg(b->FID));
            Out(QStringLiteral("Batch Name: ") + b->FName.trimmed());
            Out(QStringLiteral("Creation Date: ") + DateToStr(b->FCreationDateTime));
            Out(QStringLiteral("Creation Time: ") + TimeToStr(b->FCreationDateTime));
            Out(QStringLiteral("Maximum Readings: %1").arg(b->FMaxReadings));
            Out(QStringLiteral("Number of Readings: %1").arg(b->FReadingCount));
            Out(QStringLiteral("Conductivity Deionized Water: %1 µS/cm").arg(info.DeionizedWater));
            Out(QStringLiteral("Compensation Factor: %1 %/°C").arg(FormatFixed(info.AutoTempComp * 100, 1)));
            Out(QStringLiteral("Surface Density Conversion: %1 mg/m² per µS/cm")
                    .arg(FormatFixed(SurfaceDensityFactor, 1)));
            Out(QStringLiteral("Batch Code Check: ") + result);
            // Each reading as its row of the grid, written as the file writes the row: the file's own.
            const TLocaleInForce conventions(b->Conventions());
            TSheet row;
            for (const TReadingRow &reading : ReadingRows(*b)) {
                row.FillRow(0, RowToLine(reading, info));
                Out(row.RowText(0));
            }
        }
    });
}

int ClockCommand(CliContext &c)
{
    const auto set = TakeOption(c.Args, QStringLiteral("--set"));
    CheckArguments(c.Args, 0);
    // Setting the clock, the clock check would only ask to do the same.
    Connect(c, !set);
    if (set) {
        TDateTime when = Now();
        if (*set != QLatin1String("now")) {
            const QDateTime parsed = QDateTime::fromString(*set, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            if (!parsed.isValid())
                throw ConvertError(QStringLiteral("'%1' is not a valid date").arg(*set));
            when = DateTimeFromQDateTime(parsed);
        }
        c.Comm.SetDeviceTime(when);
    }
    Out(QDateTimeFromDateTime(c.Comm.GetDeviceTime()).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    return 0;
}

int SettingsCommand(CliContext &c)
{
    const auto g25 = TakeOption(c.Args, QStringLiteral("--g25"));
    const auto alpha = TakeOption(c.Args, QStringLiteral("--alpha"));
    const auto water = TakeOption(c.Args, QStringLiteral("--water"));
    const auto comp = TakeOption(c.Args, QStringLiteral("--comp"));
    CheckArguments(c.Args, 0);
    const auto info = c.Comm.ReadDeviceInfo();
    const bool fluid = !info->IsNewerFirmware();
    TMeasurementSettings s = ReadMeasurementSettings(c.Comm, fluid);
    if (g25 || alpha || water || comp) {
        if ((g25 || alpha) && !fluid)
            throw Error(QStringLiteral("This Talvo keeps no validation fluid settings."));
        if (g25)
            s.G25 = StrToInt(*g25);
        if (alpha)
            s.Alpha = StrToFloat(*alpha);
        if (water)
            s.DeionizedWater = StrToInt(*water);
        if (comp)
            s.AutoTempComp = StrToFloat(*comp);
        const QString problem = CheckMeasurementSettings(s, fluid);
        if (!problem.isEmpty())
            throw Error(problem);
        WriteMeasurementSettings(c.Comm, s, fluid);
        s = ReadMeasurementSettings(c.Comm, fluid);
    }
    if (fluid) {
        Out(QStringLiteral("Validation Fluid Conductivity: %1 µS/cm").arg(s.G25));
        Out(QStringLiteral("Validation Fluid Temp. Coefficient: %1 %/°C").arg(FormatFixed(s.Alpha, 1)));
    }
    Out(QStringLiteral("Conductivity Deionized Water: %1 µS/cm").arg(s.DeionizedWater));
    Out(QStringLiteral("Compensation Factor: %1 %/°C").arg(FormatFixed(s.AutoTempComp, 1)));
    return 0;
}

int NewBatchCommand(CliContext &c)
{
    CheckArguments(c.Args, 2);
    // The limits of a batch, checked before the meter is asked.
    TBatch check(0);
    check.SetName(c.Args[0]);
    check.SetMaxReadings(StrToInt(c.Args[1]));
    Connect(c);
    qint32 id = 0;
    c.Comm.NewBatch(check.FName, check.FMaxReadings, Now(), id);
    Out(QString::number(id));
    return 0;
}

int DeleteBatchCommand(CliContext &c)
{
    CheckArguments(c.Args, 1);
    c.Comm.DeleteBatch(StrToInt(c.Args[0]));
    return 0;
}
