// An imported batch is its file's: it shows the file's own figures, keeps the device record of its own
// section, saves back the very rows and code it came with, and its file verifies wherever it was
// written, whatever conventions the verifying machine uses.
#include "../support/ScriptedPrompts.h"
#include "FileFixtures.h"
#include "files/BatchImport.h"
#include "files/BatchSheet.h"
#include "files/CsvFile.h"
#include "files/Sheet.h"
#include "files/WorkbookFile.h"
#include "model/Conversions.h"
#include "model/ReadingTable.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QTemporaryDir &Folder()
{
    static QTemporaryDir dir;
    return dir;
}

TSheet SheetOf(TBatch &batch, const TDeviceInfo &info)
{
    TSheet sheet;
    RecordingStatus status;
    BuildBatchSheet(batch, info, sheet, status);
    return sheet;
}

// The bytes of the batch's file in either form, as the save commands write them.
QByteArray FileBytes(TBatch &batch, const TDeviceInfo &info, bool workbook)
{
    const TSheet sheet = SheetOf(batch, info);
    return workbook ? WorkbookBytes(batch.FName, sheet) : SheetToCsv(sheet);
}

QString WriteFile(const QString &name, const QByteArray &bytes)
{
    const QString file = Folder().filePath(name);
    if (!WriteBytes(file, bytes))
        qFatal("cannot write %s", qPrintable(file));
    return file;
}

struct Imported {
    TBatches List;
    RecordingStatus Status;
    ScriptedPrompts Prompts;
    QString Error;
    QString Note;

    explicit Imported(const QString &file)
    {
        TBatchImport importer(List, Status, Prompts);
        Error = Raised([&] { importer.ImportFile(file); });
        Note = importer.ConventionsNote();
    }
    TBatch &Batch(int i) const { return *List.GetBatch(i); }
    QList<quint8> Results() const
    {
        QList<quint8> r;
        for (int i = 0; i < List.Count(); ++i)
            r << List.GetBatch(i)->FCheckResult;
        return r;
    }
};

// The cells of the reading lines of a comma-separated batch file, in order.
QList<QStringList> ReadingCells(const QByteArray &bytes)
{
    QList<QStringList> rows;
    bool inTable = false;
    for (const QByteArray &line : Lines(bytes)) {
        const QStringList cells = SplitCommaText(QString::fromLatin1(line));
        if (cells.value(0) == QLatin1String("Reading Table:"))
            inTable = true;
        else if (inTable && TryStrToInt(cells.value(0)))
            rows << cells;
    }
    for (QStringList &row : rows)
        while (!row.isEmpty() && row.last().isEmpty())
            row.removeLast();
    return rows;
}

QList<QStringList> ShownCells(TBatch &batch)
{
    QList<QStringList> rows = ReadingTexts(batch, ReadingRows(batch));
    for (QStringList &row : rows)
        while (!row.isEmpty() && row.last().isEmpty())
            row.removeLast();
    return rows;
}

UserLocale Locale(const char *name)
{
    UserLocale l = UserLocale::FromLocale(QLocale(QString::fromLatin1(name)));
    l.Name = QString::fromLatin1(name);
    return l;
}

// A batch whose readings sit where re-deriving them from the file's rounded temperature, or with an
// offset recovered over other batches' lines, would give other figures.
TBatch *AwkwardBatch(TBatches &list, const QString &name, int id, bool fahrenheit)
{
    TBatch *batch = list.AddBatch(id, name, EncodeDateTime(QDate(2026, 7, 31), QTime(10, 15, 7)), 100, 8);
    const int conductivities[] = {318, 788, 1233, 1476, 1617, 905, 40, 2210};
    for (int i = 0; i < 8; ++i) {
        const float t = fahrenheit ? 60.0f + 0.7f * i : 15.56f + 0.75f * i;
        batch->AddReading(i, conductivities[i], EncodeDateTime(QDate(2026, 7, 31), QTime(11, i, 3 * i)), t, false,
                          fahrenheit);
    }
    batch->FReadingsLoaded = true;
    return batch;
}

} // namespace

class TestFileFigures : public QObject {
    Q_OBJECT
private slots:
    void init() { UserLocale::SetCurrent(Locale("en_GB")); }
    void cleanupTestCase() { UserLocale::SetCurrent(UserLocale()); }
    void fahrenheitMeterShowsTheFilesFigures_data();
    void fahrenheitMeterShowsTheFilesFigures();
    void oneEditedBatchLeavesTheOthersAsTheFileHoldsThem();
    void lineCutShortShowsNoFigureItNeverHeld();
    void resavingGivesTheSameRowsAndCode_data();
    void resavingGivesTheSameRowsAndCode();
    void filesVerifyWhereverTheyWereWritten_data();
    void filesVerifyWhereverTheyWereWritten();
    void datesThatReadBothWaysAreTold();
};

void TestFileFigures::fahrenheitMeterShowsTheFilesFigures_data()
{
    QTest::addColumn<bool>("workbook");
    QTest::newRow("text") << false;
    QTest::newRow("workbook") << true;
}

void TestFileFigures::fahrenheitMeterShowsTheFilesFigures()
{
    // A meter that reports in °F: the file holds °C and °F as the meter's values give them; the
    // import shows exactly those, not figures derived again from the rounded °C text.
    QFETCH(bool, workbook);
    TBatches meter;
    const TDeviceInfo info = Meter(NewerFirmware, true);
    TBatch *batch = AwkwardBatch(meter, QStringLiteral("Deck F"), 4, true);
    const QByteArray csv = FileBytes(*batch, info, false);
    const QString file = WriteFile(workbook ? QStringLiteral("fahrenheit.XLS") : QStringLiteral("fahrenheit.CSV"),
                                   workbook ? FileBytes(*batch, info, true) : csv);
    QVERIFY(csv.contains(",15.6,60.0,")); // 60.0 °F is 15.6 °C, and 15.6 °C would be 60.1 °F
    const Imported in(file);
    QCOMPARE(in.Error, QString());
    QCOMPARE(in.Results(), QList<quint8>{crPassed});
    QCOMPARE(ShownCells(in.Batch(0)), ReadingCells(csv));
}

void TestFileFigures::oneEditedBatchLeavesTheOthersAsTheFileHoldsThem()
{
    // Three batches of meters with Bresle offsets that are no whole numbers; one temperature of
    // "Deck A" is edited. The other two still pass and show their own figures; "Deck A" fails and shows
    // what its file now holds.
    TBatches meter;
    QByteArray sections[3];
    const char *names[] = {"Deck A", "Deck B", "Deck C"};
    const double offsets[] = {7.73, 0.5, 12.4};
    for (int i = 0; i < 3; ++i) {
        TDeviceInfo info = Meter(NewerFirmware, true);
        info.BresleOffset = offsets[i];
        sections[i] = FileBytes(*AwkwardBatch(meter, QString::fromLatin1(names[i]), 1234 + i, false), info, false);
    }
    QList<QByteArray> lines = Lines(sections[0]);
    const auto edited =
        std::find_if(lines.begin(), lines.end(), [](const QByteArray &l) { return l.contains(",16.3,"); }) -
        lines.begin();
    QVERIFY(edited < lines.size());
    lines[edited].replace(",16.3,", ",16.4,");
    sections[0] = JoinLines(lines);
    const QByteArray bytes = sections[0] + CsvSectionSeparator(9) + sections[1] + CsvSectionSeparator(9) + sections[2];
    const Imported in(WriteFile(QStringLiteral("three.CSV"), bytes));
    QCOMPARE(in.Error, QString());
    QCOMPARE(in.Results(), (QList<quint8>{crFailed, crPassed, crPassed}));
    for (int i = 0; i < 3; ++i) {
        TBatch &b = in.Batch(i);
        QCOMPARE(ShownCells(b), ReadingCells(sections[i]));
        // Saved again it is the section it came from, byte for byte, with the code the file holds.
        QCOMPARE(SheetToCsv(SheetOf(b, b.DeviceInfo())), sections[i]);
    }
    QVERIFY(in.Batch(0).FFiguresCode != in.Batch(0).FCheckCode);
    QCOMPARE(in.Batch(1).FFiguresCode, in.Batch(1).FCheckCode);
}

void TestFileFigures::lineCutShortShowsNoFigureItNeverHeld()
{
    // The file ends inside its last reading line, after the surface density: that reading shows no
    // Bresle value, and the others show theirs.
    TBatches meter;
    const QByteArray bytes =
        FileBytes(*AwkwardBatch(meter, QStringLiteral("Cut"), 9, false), Meter(NewerFirmware, true), false);
    QList<QByteArray> lines = Lines(bytes);
    lines.removeLast(); // the empty row after the table
    lines.last() = lines.last().left(lines.last().lastIndexOf(',') + 1);
    const Imported in(WriteFile(QStringLiteral("cut.CSV"), JoinLines(lines)));
    QCOMPARE(in.Error, QString());
    QCOMPARE(in.Results(), QList<quint8>{crFailed});
    const QList<TReadingRow> rows = ReadingRows(in.Batch(0));
    QCOMPARE(rows.size(), 8);
    QCOMPARE(rows.last().Bresle, TFigure());
    const QStringList cut = SplitCommaText(QString::fromLatin1(lines.last()));
    QCOMPARE(rows.last().SurfaceDensity.Text(), cut.value(7));
    QVERIFY(rows.last().SurfaceDensity.Value().has_value());
    QVERIFY(rows.first().Bresle.Value().has_value());
}

void TestFileFigures::resavingGivesTheSameRowsAndCode_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("bresle");
    QTest::addColumn<bool>("workbook");
    QTest::addColumn<bool>("edited");
    for (const bool workbook : {false, true})
        for (const bool edited : {false, true}) {
            const char *form = workbook ? "workbook" : "text";
            const char *state = edited ? "edited" : "intact";
            QTest::addRow("older, %s, %s", form, state) << OlderFirmware << false << workbook << edited;
            QTest::addRow("newer Bresle, %s, %s", form, state) << NewerFirmware << true << workbook << edited;
        }
}

void TestFileFigures::resavingGivesTheSameRowsAndCode()
{
    QFETCH(QString, firmware);
    QFETCH(bool, bresle);
    QFETCH(bool, workbook);
    QFETCH(bool, edited);
    TBatches meter;
    const TDeviceInfo info = Meter(firmware, bresle);
    TBatch *batch = AddBatch(meter, 12);
    TSheet original = SheetOf(*batch, info);
    if (edited) // a figure changed by hand: the code no longer matches, and saving must not hide it
        original.SetCell(7, 30, QStringLiteral("999"));
    const QString file = WriteFile(workbook ? QStringLiteral("resave.XLS") : QStringLiteral("resave.CSV"),
                                   workbook ? WorkbookBytes(batch->FName, original) : SheetToCsv(original));
    const Imported in(file);
    QCOMPARE(in.Error, QString());
    QCOMPARE(in.Results(), QList<quint8>{edited ? crFailed : crPassed});
    TBatch &b = in.Batch(0);
    const TSheet again = SheetOf(b, b.DeviceInfo());
    QCOMPARE(again.Cell(4, 15), original.Cell(4, 15));
    if (!workbook) {
        QCOMPARE(SheetToCsv(again), SheetToCsv(original));
        return;
    }
    // A workbook is compared as the import reads it: both give the same sheet.
    RecordingStatus status;
    TSheet first(8, 1), second(8, 1);
    ReadXlsFile(file, first, status);
    ReadXlsFile(WriteFile(QStringLiteral("resaved.XLS"), WorkbookBytes(b.FName, again)), second, status);
    QCOMPARE(second.RowCount(), first.RowCount());
    for (int row = 0; row < first.RowCount(); ++row)
        QCOMPARE(second.Row(row), first.Row(row));
}

void TestFileFigures::filesVerifyWhereverTheyWereWritten_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("reader");
    QTest::addColumn<bool>("workbook");
    const std::pair<const char *, const char *> pairs[] = {
        {"en_GB", "de_DE"}, {"en_GB", "en_US"}, {"de_DE", "en_GB"}, {"fr_FR", "en_US"}, {"en_US", "nl_NL"}};
    for (const auto &[writer, reader] : pairs)
        for (const bool workbook : {false, true})
            QTest::addRow("%s to %s, %s", writer, reader, workbook ? "workbook" : "text")
                << QString::fromLatin1(writer) << QString::fromLatin1(reader) << workbook;
}

void TestFileFigures::filesVerifyWhereverTheyWereWritten()
{
    QFETCH(QString, writer);
    QFETCH(QString, reader);
    QFETCH(bool, workbook);
    UserLocale::SetCurrent(Locale(writer.toLatin1().constData()));
    TBatches meter;
    const TDeviceInfo info = Meter(NewerFirmware, true);
    TBatch *batch = AwkwardBatch(meter, QStringLiteral("Abroad"), 7, false);
    batch->SetCreationDateTime(EncodeDateTime(QDate(2026, 7, 31), QTime(10, 15, 7)));
    TSheet sheet = SheetOf(*batch, info);
    const QByteArray csv = SheetToCsv(sheet);
    const QString suffix = workbook ? QStringLiteral(".XLS") : QStringLiteral(".CSV");
    const QString intact = WriteFile(writer + suffix, workbook ? WorkbookBytes(batch->FName, sheet) : csv);
    sheet.SetCell(4, 3, FormatFixed(1.5, 1)); // the servo hours, edited
    const QString edited = WriteFile(writer + QStringLiteral("-edited") + suffix,
                                     workbook ? WorkbookBytes(batch->FName, sheet) : SheetToCsv(sheet));

    UserLocale::SetCurrent(Locale(reader.toLatin1().constData()));
    const Imported in(intact);
    QCOMPARE(in.Error, QString());
    QCOMPARE(in.Results(), QList<quint8>{crPassed});
    QVERIFY2(in.Note.contains(writer), qPrintable(in.Note));
    QCOMPARE(QDateTimeFromDateTime(in.Batch(0).FCreationDateTime), QDateTimeFromDateTime(batch->FCreationDateTime));
    // Shown, and saved again, with the conventions it was written with.
    QCOMPARE(ShownCells(in.Batch(0)), ReadingCells(csv));
    QCOMPARE(SheetToCsv(SheetOf(in.Batch(0), in.Batch(0).DeviceInfo())), csv);

    const Imported changed(edited);
    QCOMPARE(changed.Error, QString());
    QCOMPARE(changed.Results(), QList<quint8>{crFailed});
}

void TestFileFigures::datesThatReadBothWaysAreTold()
{
    // 12 November or 11 December: the check code proves the text, not the order of day and month. The
    // user's own reading is taken, and the other way is named; a day above 12 settles it.
    // Every date of the file with day and month from 10 to 12, which en_GB and en_US write alike.
    TBatches meter;
    TDeviceInfo info = Meter(OlderFirmware);
    info.ServiceDate = EncodeDate(2011, 11, 10);
    info.ValidationDate = EncodeDate(2012, 10, 12);
    UserLocale::SetCurrent(Locale("en_GB"));
    TBatch *ambiguous = meter.AddBatch(5, QStringLiteral("Early"), EncodeDate(2026, 11, 12), 10, 2);
    for (int i = 0; i < 2; ++i)
        ambiguous->AddReading(i, 900 + i, EncodeDateTime(QDate(2026, 11, 12), QTime(9, i, 0)), 21.4f, false, false);
    const QString file = WriteFile(QStringLiteral("early.CSV"), FileBytes(*ambiguous, info, false));

    UserLocale::SetCurrent(Locale("en_US"));
    const Imported us(file);
    QCOMPARE(us.Results(), QList<quint8>{crPassed});
    QCOMPARE(us.Batch(0).FCreationDateTime, EncodeDate(2026, 12, 11)); // the user's own reading
    QVERIFY2(us.Note.contains(QStringLiteral("other way")), qPrintable(us.Note));

    UserLocale::SetCurrent(Locale("en_GB"));
    const Imported gb(file);
    QCOMPARE(gb.Batch(0).FCreationDateTime, EncodeDate(2026, 11, 12));
    QVERIFY(gb.Note.contains(QStringLiteral("other way")));

    const QString settled =
        WriteFile(QStringLiteral("settled.CSV"), FileBytes(*AddBatch(meter, 2), Meter(OlderFirmware), false));
    UserLocale::SetCurrent(Locale("en_US"));
    const Imported late(settled);
    QCOMPARE(late.Results(), QList<quint8>{crPassed});
    QVERIFY2(!late.Note.contains(QStringLiteral("other way")), qPrintable(late.Note));
    QVERIFY(late.Note.contains(QStringLiteral("en_GB")));
}

QTEST_GUILESS_MAIN(TestFileFigures)
#include "tst_filefigures.moc"
