// Importing comma-separated batch files: saved batches come back with "Passed", changed ones with
// "Failed" and the warning, broken files end the import with a message and no crash.
#include "../support/ScriptedPrompts.h"
#include "BatchVariants.h"
#include "files/BatchImport.h"
#include "files/BatchSheet.h"
#include "files/CsvFile.h"
#include "files/Sheet.h"
#include "files/SheetFile.h"
#include "model/Conversions.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QTemporaryDir &Folder()
{
    static QTemporaryDir dir;
    return dir;
}

// The bytes SaveSheetToFile writes for the batch.
QByteArray Saved(TBatch &batch, const TDeviceInfo &info)
{
    TSheet sheet;
    RecordingStatus status;
    BuildBatchSheet(batch, info, sheet, status);
    const QString file = Folder().filePath(QStringLiteral("saved.CSV"));
    SaveSheetToFile(file, batch.FName, sheet);
    return ReadBytes(file);
}

QByteArray SavedBatch(int count, const QString &firmware, bool bresle, const QString &name = QStringLiteral("Deck A"))
{
    TBatches list;
    return Saved(*AddBatch(list, count, name), Meter(firmware, bresle));
}

// What the import command does with a chosen file: read it into a new sheet, then scan it.
struct Import {
    TBatches List;
    RecordingStatus Status;
    ScriptedPrompts Prompt;
    QList<TBatch *> Announced;
    QString Error;

    explicit Import(const QByteArray &bytes)
    {
        const QString file = Folder().filePath(QStringLiteral("import.CSV"));
        if (!WriteBytes(file, bytes))
            qFatal("cannot write the file to import");
        Error = Raised([&] { Importer().ImportFile(file); });
    }
    explicit Import(TSheet sheet)
    {
        Error = Raised([&] { Importer().ImportBatches(sheet); });
    }

    TBatchImport &Importer()
    {
        FImport.OnBatchAdded = [this](TBatch &b) {
            QVERIFY(!b.FName.isEmpty());
            Announced << &b;
        };
        return FImport;
    }
    const QStringList &Incomplete() const { return FImport.Incomplete(); }

    TBatchImport FImport{List, Status, Prompt};

    TBatch &Batch(int i) const { return *List.GetBatch(i); }
    // Every batch left in the list has its node: removing those removes all the import added.
    bool ListIsAnnounced() const
    {
        if (List.Count() != Announced.size())
            return false;
        for (int i = 0; i < List.Count(); ++i)
            if (List.GetBatch(i) != Announced[i])
                return false;
        return true;
    }
};

const QString NoBatchName = QStringLiteral("A section of the file has no \"Batch name\" row.");

QString FailedWarning(const QString &name)
{
    return QStringLiteral("The batch code check of batch \"%1\" failed.").arg(name);
}

QByteArray ReplaceLine(const QByteArray &bytes, int index, const QByteArray &line)
{
    QList<QByteArray> lines = Lines(bytes);
    lines[index] = line;
    return JoinLines(lines);
}

QByteArray RemoveLines(const QByteArray &bytes, int from, int count)
{
    QList<QByteArray> lines = Lines(bytes);
    lines.remove(from, count);
    return JoinLines(lines);
}

QByteArray InsertLine(const QByteArray &bytes, int before, const QByteArray &line)
{
    QList<QByteArray> lines = Lines(bytes);
    lines.insert(before, line);
    return JoinLines(lines);
}

QChar Changed(QChar c)
{
    if (c.isDigit())
        return QChar('0' + (c.digitValue() + 1) % 10);
    if (c.isLetter())
        return c == QLatin1Char('X') ? QLatin1Char('Y') : QLatin1Char('X');
    return QLatin1Char('x');
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT
private slots:
    void init() { UserLocale::SetCurrent(PointLocale()); }
    void savedBatchPasses_data();
    void savedBatchPasses();
    void everyChangedCharacterFails_data();
    void everyChangedCharacterFails();
    void emptyRowsOutsideTheTableDoNotMatter_data();
    void emptyRowsOutsideTheTableDoNotMatter();
    void checkCodeMissingOrEmpty();
    void combinedFileChecksEachSection();
    void spreadsheetCellsAreRewritten();
    void olderLabelsAreRead();
    void labelsAreComparedExactly();
    void rowsBeforeAnyBatchAreSkipped();
    void incompleteSections_data();
    void incompleteSections();
    void bresleValuesAreTheFiles();
    void brokenFiles_data();
    void brokenFiles();
    void failureKeepsOnlyAnnouncedBatches();
    void emptySheetImportsNothing();
};

void TestImport::savedBatchPasses_data()
{
    BatchVariants();
}

void TestImport::savedBatchPasses()
{
    QFETCH(QString, firmware);
    QFETCH(bool, bresle);
    QFETCH(int, count);
    QFETCH(bool, comma);
    UserLocale::SetCurrent(comma ? CommaLocale() : PointLocale());
    TBatches original;
    TBatch *batch = AddBatch(original, count);
    const TDeviceInfo meter = Meter(firmware, bresle);
    const QByteArray bytes = Saved(*batch, meter);

    Import in(bytes);
    QCOMPARE(in.Error, QString());
    QVERIFY(in.Prompt.Messages.isEmpty());
    QCOMPARE(in.List.Count(), 1);
    QVERIFY(in.ListIsAnnounced());
    QVERIFY(in.Status.Events.contains(QStringLiteral("<progress %1>").arg(count + 31)));
    QCOMPARE(in.Status.Events.last(), QStringLiteral("<hide progress>"));

    const TBatch &b = in.Batch(0);
    QCOMPARE(b.FCheckResult, quint8(crPassed));
    QVERIFY(b.FImported && b.FSaved && b.FReadingsLoaded);
    QCOMPARE(b.FName, batch->FName);
    QCOMPARE(b.FID, batch->FID);
    QCOMPARE(QDateTimeFromDateTime(b.FCreationDateTime), QDateTimeFromDateTime(batch->FCreationDateTime));
    QCOMPARE(b.FMaxReadings, batch->FMaxReadings);
    QCOMPARE(b.FReadingCount, count);
    QCOMPARE(int(b.Readings().size()), count);
    for (int i = 0; i < count; ++i) {
        const TReading &r = *b.Readings()[i];
        const TReading &o = *batch->Readings()[i];
        QCOMPARE(r.FIndex, o.FIndex);
        QCOMPARE(QDateTimeFromDateTime(r.FDateTime), QDateTimeFromDateTime(o.FDateTime));
        QCOMPARE(r.FConductivity, o.FConductivity);
        QCOMPARE(FormatFixed(r.FTemperature, 1), FormatFixed(o.FTemperature, 1));
        QVERIFY(!r.FFahrenheit);
    }

    const TDeviceInfo &info = b.DeviceInfo();
    QVERIFY(info.Valid);
    QCOMPARE(info.SerialNumber, meter.SerialNumber);
    QCOMPARE(info.SoftwareVersion, meter.SoftwareVersion);
    QCOMPARE(info.IsNewerFirmware(), meter.IsNewerFirmware());
    QCOMPARE(info.ConfigVersion, meter.ConfigVersion);
    QCOMPARE(info.ServoLifeTime, quint16(5040)); // the file holds 1.4 hours
    QCOMPARE(info.ReadingsSinceLastVal, meter.ReadingsSinceLastVal);
    QCOMPARE(info.ReadingsSinceLastService, meter.ReadingsSinceLastService);
    QCOMPARE(info.NrOfReadingsTaken, meter.NrOfReadingsTaken);
    QCOMPARE(info.ValidationDate, meter.ValidationDate);
    QCOMPARE(info.ServiceDate, meter.ServiceDate);
    QCOMPARE(info.G25, meter.IsNewerFirmware() ? 0.0 : meter.G25);
    QCOMPARE(info.DeionizedWater, meter.DeionizedWater);
    QCOMPARE(FormatFixed(info.AutoTempComp * 100, 1), FormatFixed(meter.AutoTempComp * 100, 1));
    QCOMPARE(info.GClean, 10.0f);
    const bool offsetInFile = meter.IsNewerFirmware() && bresle && count > 0;
    QCOMPARE(info.HasBresleOffset, offsetInFile);
    QCOMPARE(info.BresleOffset, offsetInFile ? 12.0 : 0.0);

    // The imported batch and record write the very same file again.
    TBatch &imported = in.Batch(0);
    QCOMPARE(Saved(imported, info), bytes);
}

void TestImport::everyChangedCharacterFails_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("bresle");
    QTest::newRow("older") << OlderFirmware << false;
    QTest::newRow("newer with Bresle") << NewerFirmware << true;
}

// Any character of a value, unit or table cell changed: the batch fails its check, or the file no
// longer converts; it never passes.
void TestImport::everyChangedCharacterFails()
{
    QFETCH(QString, firmware);
    QFETCH(bool, bresle);
    const QString file = Folder().filePath(QStringLiteral("mutated.CSV"));
    QVERIFY(WriteBytes(file, SavedBatch(7, firmware, bresle)));
    TSheet loaded(8, 1);
    RecordingStatus status;
    ReadCsvFile(file, loaded, status);
    QVERIFY(Import(loaded).Batch(0).FCheckResult == crPassed);

    int failedChecks = 0, conversionErrors = 0;
    for (int row = 1; row < loaded.RowCount(); ++row) {
        const bool table = row > 26;
        for (int col = table ? 0 : 4; col < (table ? 9 : 6); ++col) {
            const QString cell = loaded.Cell(col, row);
            for (int i = 0; i < cell.size(); ++i) {
                QString changed = cell;
                changed[i] = Changed(cell[i]);
                TSheet sheet = loaded;
                sheet.SetCell(col, row, changed);
                const Import in(sheet);
                const QString where = QStringLiteral("row %1 col %2: %3").arg(row).arg(col).arg(changed);
                if (!in.Error.isEmpty()) {
                    ++conversionErrors;
                    continue;
                }
                QVERIFY2(in.Batch(0).FCheckResult == crFailed, qPrintable(where));
                QVERIFY2(in.Prompt.Texts() == QStringList{FailedWarning(in.Batch(0).FName)}, qPrintable(where));
                QCOMPARE(in.Prompt.Messages[0].Kind, TMsgKind::Warning);
                QCOMPARE(in.Prompt.Messages[0].Buttons, TMsgButtons::Ok);
                ++failedChecks;
            }
        }
    }
    // Most changes still convert; those that do not (a date's separator, say) end the import.
    QVERIFY2(failedChecks > 4 * conversionErrors,
             qPrintable(QStringLiteral("%1 %2").arg(failedChecks).arg(conversionErrors)));
}

void TestImport::emptyRowsOutsideTheTableDoNotMatter_data()
{
    const QByteArray file = SavedBatch(3, OlderFirmware, false);
    const QByteArray empty(",,,,,,,,");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    QTest::newRow("added in the device block") << InsertLine(InsertLine(file, 4, empty), 9, ",,") << int(crPassed);
    QTest::newRow("added before the batch name") << InsertLine(file, 17, empty) << int(crPassed);
    QTest::newRow("added above the whole section") << InsertLine(file, 0, empty) << int(crPassed);
    QTest::newRow("removed after the check code") << RemoveLines(file, 16, 1) << int(crPassed);
    QTest::newRow("removed before the reading table") << RemoveLines(file, 23, 2) << int(crPassed);
    QTest::newRow("removed after the readings") << RemoveLines(file, 31, 2) << int(crPassed);
    // An empty row inside the table ends it: the readings after it are not covered any more.
    QTest::newRow("added inside the table") << InsertLine(file, 29, empty) << int(crFailed);
}

void TestImport::emptyRowsOutsideTheTableDoNotMatter()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    const Import in(bytes);
    QCOMPARE(in.Error, QString());
    QCOMPARE(in.Batch(0).FCheckResult, quint8(result));
}

void TestImport::checkCodeMissingOrEmpty()
{
    const QByteArray file = SavedBatch(3, NewerFirmware, true);
    const Import missing(RemoveLines(file, 15, 1));
    QCOMPARE(missing.Error, QString());
    QCOMPARE(missing.Batch(0).FCheckResult, quint8(crNotAvailable));
    QVERIFY(missing.Prompt.Messages.isEmpty());

    const Import empty(ReplaceLine(file, 15, "\"Batch Check Code\",,,,',,,,"));
    QCOMPARE(empty.Batch(0).FCheckResult, quint8(crFailed));
    QVERIFY(empty.Prompt.Messages.isEmpty());
}

void TestImport::combinedFileChecksEachSection()
{
    const QByteArray second = SavedBatch(5, NewerFirmware, true, QStringLiteral("Second"));
    QByteArray bytes = SavedBatch(3, OlderFirmware, false, QStringLiteral("First")) + CsvSectionSeparator(9) +
                       ReplaceLine(second, 29, Lines(second)[29].replace("900", "901")) + CsvSectionSeparator(9) +
                       SavedBatch(0, NewerFirmware, false, QStringLiteral("Third"));
    const Import in(bytes);
    QCOMPARE(in.Error, QString());
    QCOMPARE(in.List.Count(), 3);
    QVERIFY(in.ListIsAnnounced());
    QCOMPARE(in.Batch(0).FCheckResult, quint8(crPassed));
    QCOMPARE(in.Batch(1).FCheckResult, quint8(crFailed));
    QCOMPARE(in.Batch(2).FCheckResult, quint8(crPassed));
    QCOMPARE(int(in.Batch(0).Readings().size()), 3);
    QCOMPARE(int(in.Batch(1).Readings().size()), 5);
    QCOMPARE(in.Batch(1).Readings()[0]->FConductivity, 901);
    QVERIFY(in.Batch(2).Readings().empty());
    QCOMPARE(in.Prompt.Texts(), QStringList{FailedWarning(QStringLiteral("Second      "))});
    // Each batch keeps the device record of its own section.
    QVERIFY(!in.Batch(0).DeviceInfo().IsNewerFirmware());
    QVERIFY(in.Batch(1).DeviceInfo().IsNewerFirmware() && in.Batch(1).DeviceInfo().HasBresleOffset);
    QVERIFY(in.Batch(2).DeviceInfo().IsNewerFirmware());
}

// A workbook gives numbers, day numbers and fractions of a day back where the writer put texts; the
// scan turns them back into those texts, so the check still passes.
void TestImport::spreadsheetCellsAreRewritten()
{
    const QString file = Folder().filePath(QStringLiteral("book.CSV"));
    QVERIFY(WriteBytes(file, SavedBatch(7, OlderFirmware, false)));
    TSheet sheet(8, 1);
    RecordingStatus status;
    ReadCsvFile(file, sheet, status);
    auto asNumber = [](const QString &text) {
        return QString::number(StrToFloat(text), 'g', 15)
            .replace(QLatin1Char('.'), UserLocale::Current().DecimalSeparator);
    };
    for (int row : {8, 9, 20}) // validation, service and creation dates
        sheet.SetCell(4, row, QString::number(qint64(StrToDate(sheet.Cell(4, row)))));
    sheet.SetCell(4, 21, QString::number(StrToTime(sheet.Cell(4, 21)), 'g', 15));
    for (int row : {4, 11, 13, 15}) // "%.1f" values
        sheet.SetCell(4, row, asNumber(sheet.Cell(4, row)));
    for (int row = 29; row < 36; ++row) {
        const TDateTime day = StrToDate(sheet.Cell(1, row));
        sheet.SetCell(1, row, QString::number(qint64(day)));
        sheet.SetCell(2, row, QString::number(day + StrToTime(sheet.Cell(2, row)), 'g', 15));
        sheet.SetCell(4, row, asNumber(sheet.Cell(4, row)));
        sheet.SetCell(5, row, asNumber(sheet.Cell(5, row)));
    }
    QCOMPARE(sheet.Cell(4, 13), QStringLiteral("2"));
    QCOMPARE(sheet.Cell(4, 29), QStringLiteral("21.4"));
    QVERIFY(!sheet.Cell(2, 29).contains(QLatin1Char(':')));
    const Import in(sheet);
    QCOMPARE(in.Error, QString());
    QCOMPARE(in.Batch(0).FCheckResult, quint8(crPassed));
    QCOMPARE(QDateTimeFromDateTime(in.Batch(0).FCreationDateTime), QDateTime(QDate(2012, 7, 31), QTime(10, 15, 7)));
}

void TestImport::olderLabelsAreRead()
{
    QByteArray file = SavedBatch(2, OlderFirmware, false);
    file.replace("\"Readings Since Service\",,,,345", "\"Readings Since Calibration\",,,,346");
    file.replace("\"Service Date\",,,,15/11/2011", "\"Calibration Date\",,,,16/11/2011");
    file.replace("\"Batch maximum # of readings\",,,,100", "\"Batch maximum readings\",,,,2");
    file.replace("\"Batch # of readings\",,,,2", "\"Batch number of readings\",,,,5");
    const Import in(file);
    QCOMPARE(in.Error, QString());
    QCOMPARE(in.Batch(0).DeviceInfo().ReadingsSinceLastService, quint16(346));
    QCOMPARE(in.Batch(0).DeviceInfo().ServiceDate, EncodeDate(2011, 11, 16));
    QCOMPARE(in.Batch(0).FMaxReadings, 2);
    QCOMPARE(in.Batch(0).FReadingCount, 5);
    QCOMPARE(in.Batch(0).FCheckResult, quint8(crFailed)); // the texts changed
}

void TestImport::labelsAreComparedExactly()
{
    QByteArray file = SavedBatch(2, OlderFirmware, false);
    file.replace("\"Serial Number\"", "\"serial number\"");
    file.replace("\"Total Number of readings\"", "\"Total Number of readings \"");
    const Import in(file);
    QCOMPARE(in.Error, QString());
    QVERIFY(in.Batch(0).DeviceInfo().SerialNumber.isEmpty());
    QVERIFY(in.Batch(0).DeviceInfo().NrOfReadingsTaken.isEmpty());
    QCOMPARE(in.Batch(0).FCheckResult, quint8(crFailed));
}

// Batch rows and a reading table before any "Batch name" row have no batch to go to: they are skipped,
// and the section they form is reported as incomplete.
void TestImport::rowsBeforeAnyBatchAreSkipped()
{
    const QByteArray orphans = "\"Batch ID\",,,,77,,,,\r\n\"Batch creation date\",,,,01/01/2000,,,,\r\n"
                               "\"Batch maximum # of readings\",,,,5,,,,\r\n\"Batch # of readings\",,,,9,,,,\r\n"
                               "\"Reading Table:\",,,,,,,,\r\n1,31/07/2012,11:00:00,900,21.4,70.5,970,1161,\r\n"
                               ",,,,,,,,\r\n";
    const Import in(orphans + SavedBatch(3, OlderFirmware, false));
    QCOMPARE(in.Error, QString());
    QCOMPARE(in.List.Count(), 1);
    QCOMPARE(in.Batch(0).FID, 3);
    QCOMPARE(in.Batch(0).FReadingCount, 3);
    QCOMPARE(int(in.Batch(0).Readings().size()), 3);
    QCOMPARE(in.Batch(0).FCheckResult, quint8(crPassed));
    QCOMPARE(in.Incomplete(), QStringList{NoBatchName});

    const Import alone(orphans);
    QCOMPARE(alone.Error, QStringLiteral("No batch was found in the file."));
    QCOMPARE(alone.List.Count(), 0);
}

void TestImport::incompleteSections_data()
{
    const QByteArray first = SavedBatch(3, OlderFirmware, false, QStringLiteral("First"));
    const QByteArray second = SavedBatch(2, NewerFirmware, true, QStringLiteral("Second"));
    const QList<QByteArray> lines = Lines(second);
    const QByteArray gap = CsvSectionSeparator(9);
    const QString cut = QStringLiteral("The data of batch \"Second      \" is incomplete.");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("imported");
    QTest::addColumn<QStringList>("incomplete");
    QTest::newRow("cut inside the second device block")
        << first + gap + JoinLines(lines.mid(0, 7)) << QStringList{"First"} << QStringList{NoBatchName};
    QTest::newRow("cut after the second batch header")
        << first + gap + JoinLines(lines.mid(0, 23)) << QStringList{"First"} << QStringList{cut};
    QTest::newRow("cut after the second table's unit rows")
        << first + gap + JoinLines(lines.mid(0, 29)) << QStringList{"First"} << QStringList{cut};
    QByteArray unterminated = first;
    unterminated.replace("\"Batch name\",", "\"Batch name,");
    QTest::newRow("first name label without its closing quote")
        << unterminated + gap + second << QStringList{"Second"} << QStringList{NoBatchName};
    QTest::newRow("a second batch before the first one's table")
        << JoinLines(Lines(first).mid(0, 23)) + second << QStringList{"Second"}
        << QStringList{QStringLiteral("The data of batch \"First       \" is incomplete.")};
    QTest::newRow("a device block without its batch between two batches")
        << first + gap + JoinLines(lines.mid(0, 16)) + gap + second << QStringList{"First", "Second"}
        << QStringList{NoBatchName};
}

// A section that ends before its batch is complete is reported; the complete batches are imported.
void TestImport::incompleteSections()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, imported);
    QFETCH(QStringList, incomplete);
    const Import in(bytes);
    QCOMPARE(in.Error, QString());
    QStringList names;
    for (int i = 0; i < in.List.Count(); ++i) {
        names << in.Batch(i).FName.trimmed();
        QCOMPARE(in.Batch(i).FCheckResult, quint8(crPassed));
    }
    QCOMPARE(names, imported);
    QVERIFY(in.ListIsAnnounced());
    QCOMPARE(in.Incomplete(), incomplete);
    QCOMPARE(in.FImport.IncompleteWarning(), QStringLiteral("Not every batch of the file could be imported:\r\n\r\n") +
                                                 incomplete.join(QStringLiteral("\r\n")));
}

// A newer meter's offset need not be whole: the offset recovered from the file gives every reading
// line back as the file holds it, Bresle values included.
void TestImport::bresleValuesAreTheFiles()
{
    for (const double offset : {12.0, 12.4, 0.5, 7.73}) {
        TBatches original;
        TDeviceInfo meter = Meter(NewerFirmware, true);
        meter.BresleOffset = offset;
        TBatch *batch = AddBatch(original, 40);
        const QByteArray bytes = Saved(*batch, meter);
        const Import in(bytes);
        QCOMPARE(in.Error, QString());
        QCOMPARE(in.Batch(0).FCheckResult, quint8(crPassed));
        QCOMPARE(Saved(in.Batch(0), in.Batch(0).DeviceInfo()), bytes);
    }
    // An edited line that no offset agrees with keeps the offset of the last line.
    const QByteArray bytes = SavedBatch(3, NewerFirmware, true);
    QList<QByteArray> lines = Lines(bytes);
    QByteArray &line = lines[29]; // the first reading; the last one inside the temperature window is row 31
    const qsizetype at = line.lastIndexOf(",\"");
    line = line.left(at) + ",\"" + QByteArray::number(line.mid(at + 2).chopped(1).toInt() + 50) + "\"";
    const Import edited(JoinLines(lines));
    QCOMPARE(edited.Batch(0).FCheckResult, quint8(crFailed));
    QCOMPARE(edited.Batch(0).DeviceInfo().BresleOffset, 12.0);
}

void TestImport::brokenFiles_data()
{
    const QByteArray file = SavedBatch(3, OlderFirmware, false);
    const QList<QByteArray> lines = Lines(file);
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");

    QTest::newRow("not a batch file") << QByteArray("Dear inspector,\r\nplease find the results below.\r\n")
                                      << "No batch was found in the file.";
    QByteArray garbage(64 * 1024, '\0');
    QRandomGenerator random(1234);
    for (char &c : garbage)
        c = static_cast<char>(random.bounded(256));
    QTest::newRow("binary garbage") << garbage << "No batch was found in the file.";
    QByteArray zeros = file;
    zeros.replace("900", QByteArray("9\0\xff", 3));
    QTest::newRow("garbage in a reading")
        << zeros
        << QStringLiteral("A problem occurred while converting reading from string, message:\r\n'9%1%2' is not a valid "
                          "integer value")
               .arg(QChar(0), QChar(0xff));
    QTest::newRow("truncated inside a reading")
        << file.left(file.indexOf("2,31/07/2012,11:01") + 12)
        << "A problem occurred while converting reading from string, message:\r\n'' is not a valid time";
    QTest::newRow("truncated inside the device block")
        << JoinLines(lines.mid(0, 7)) << "No batch was found in the file.";
    QTest::newRow("the only batch truncated after its header")
        << JoinLines(lines.mid(0, 23)) << "No batch was found in the file.";
    QTest::newRow("empty file") << QByteArray() << "No batch was found in the file.";
    QTest::newRow("absurdly long line") << file + QByteArray(8 * 1024 * 1024, 'x') + "\r\n"
                                        << "Could not read data from csv file.";
    QTest::newRow("maximum above 100") << ReplaceLine(file, 21, "\"Batch maximum # of readings\",,,,101,,,,")
                                       << "The maximum number off readings has to between 0 and 100.";
    QTest::newRow("more readings than the maximum")
        << ReplaceLine(file, 21, "\"Batch maximum # of readings\",,,,2,,,,") << "Maximum number of readings is reached";
    QTest::newRow("name too long") << ReplaceLine(file, 17, "\"Batch name\",,,,\"Deck A and BC\",,,,")
                                   << "The batch name is to long.";
    QTest::newRow("batch ID not a number")
        << ReplaceLine(file, 18, "\"Batch ID\",,,,three,,,,") << "Problem while importing Batch";
    QTest::newRow("version that is no version")
        << ReplaceLine(file, 1, "\"Software Version\",,,,Vx.y,,,,") << "Error during conversion of version string";
    QTest::newRow("first line with fewer items")
        << ReplaceLine(file, 0, "\"Serial Number\"") << "'' is not a valid floating point value";
}

void TestImport::brokenFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const Import in(bytes);
    QCOMPARE(in.Error, message);
    QVERIFY(in.ListIsAnnounced());
    QCOMPARE(in.Status.Events.last(), in.Error == QLatin1String("Could not read data from csv file.")
                                          ? QStringLiteral("<clear>")
                                          : QStringLiteral("<hide progress>"));
}

// A failure in a later section: the batches imported before it stay in the list, each with its node,
// so that closing all batches removes them.
void TestImport::failureKeepsOnlyAnnouncedBatches()
{
    const QByteArray second = SavedBatch(1, OlderFirmware, false, QStringLiteral("Second"));
    const QByteArray third = SavedBatch(1, OlderFirmware, false, QStringLiteral("Third"));
    const Import in(SavedBatch(2, OlderFirmware, false, QStringLiteral("First")) + CsvSectionSeparator(9) + second +
                    CsvSectionSeparator(9) + ReplaceLine(third, 17, "\"Batch name\",,,,\"Third batch name\",,,,"));
    QCOMPARE(in.Error, QStringLiteral("The batch name is to long."));
    QCOMPARE(in.List.Count(), 2);
    QVERIFY(in.ListIsAnnounced());
    QCOMPARE(in.Batch(1).FName, QStringLiteral("Second      "));
}

void TestImport::emptySheetImportsNothing()
{
    TBatches list;
    RecordingStatus status;
    ScriptedPrompts prompts;
    TSheet sheet(8, 1);
    TBatchImport(list, status, prompts).ImportBatches(sheet);
    QCOMPARE(list.Count(), 0);
    QCOMPARE(status.Events, (QStringList{"<progress 1>", "<hide progress>"}));
}

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
