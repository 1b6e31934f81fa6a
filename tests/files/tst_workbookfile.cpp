// Batch reports as workbooks: how sheet texts become typed cells, the worksheets' names and page
// headers, the properties file, reading workbooks back into a sheet, and the round trip through
// programs nobody here wrote (xlrd, xlwt, LibreOffice).
#include "BatchVariants.h"
#include "device/Communication.h"
#include "files/BatchImport.h"
#include "files/BatchSheet.h"
#include "files/CsvFile.h"
#include "files/PropertiesSheet.h"
#include "files/SaveCommands.h"
#include "files/Sheet.h"
#include "files/SheetFile.h"
#include "files/WorkbookFile.h"
#include "model/BatchSource.h"
#include "model/Conversions.h"
#include "support/Peers.h"
#include "support/ScriptedPrompts.h"
#include "xls/XlsFormats.h"
#include "xls/XlsWorkbook.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

const QString Scripts = QStringLiteral(XLS_SCRIPTS);
const QString Fixtures = QStringLiteral(FIXTURES);

XlsWorkbook ReadWorkbook(const QString &file)
{
    XlsWorkbook book;
    book.setFileName(file);
    book.read();
    return book;
}

// A batch sheet written to the file through the save path of one batch.
void SaveBatchSheet(TBatch &batch, const TDeviceInfo &info, const QString &file)
{
    TSheet sheet;
    RecordingStatus status;
    BuildBatchSheet(batch, info, sheet, status);
    SaveSheetToFile(file, batch.FName, sheet);
}

// What the import command makes of a file: each batch's name and check result, and the warnings.
struct Verified {
    QStringList Names;
    QList<int> Results;
    QStringList Warnings;
    QString Error;
};

Verified Verify(const QString &file)
{
    Verified v;
    TBatches list;
    RecordingStatus status;
    ScriptedPrompts prompts;
    v.Error = Raised([&] { TBatchImport(list, status, prompts).ImportFile(file); });
    for (int i = 0; i < list.Count(); ++i) {
        v.Names << list.GetBatch(i)->FName;
        v.Results << list.GetBatch(i)->FCheckResult;
    }
    v.Warnings = prompts.Texts();
    return v;
}

TCellConstants Constants()
{
    TCellConstants c{};
    for (int i = 0; i < 24; ++i)
        c[i] = 1.0f + static_cast<float>(i) / 8; // KCell n is entry 4(n-1): 1.00, 1.50, 2.00, ...
    c[TCellConstants::KpropMeter] = 0.875f;      // a half in the last place rounds away from zero
    c[TCellConstants::KpropFactory] = 1.9f;
    return c;
}

} // namespace

class TestWorkbookFile : public QObject {
    Q_OBJECT
private slots:
    void init() { UserLocale::SetCurrent(PointLocale()); }
    void cellKinds_data();
    void cellKinds();
    void batchWorkbookCells();
    void savedBatchPasses_data() { BatchVariants(); }
    void savedBatchPasses();
    void earlyDates();
    void saveFailures();
    void identityCellsAreText();
    void earlierWorkbooksImportAsBefore();
    void worksheetNames();
    void propertiesFile_data();
    void propertiesFile();
    void readsWorksheetsIntoOneSheet();
    void brokenWorkbooks_data();
    void brokenWorkbooks();
    void xlrdReadsOurBatchWorkbook();
    void libreOfficeShowsOurValues();
    void oneBatchPrintsOnOnePage();
    void importsWhatOtherProgramsWrite();
};

void TestWorkbookFile::cellKinds_data()
{
    QTest::addColumn<bool>("comma");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("value");
    const auto row = [](const char *name, bool comma, const QString &text, TCellKind kind, double value = 0) {
        QTest::newRow(name) << comma << text << static_cast<int>(kind) << value;
    };
    row("integer", false, QStringLiteral("1413"), TCellKind::Integer, 1413);
    row("integer, blanks and sign", false, QStringLiteral("  -7"), TCellKind::Integer, -7);
    row("digits with trailing blanks", false, QStringLiteral("1234        "), TCellKind::Decimal, 1234);
    row("one decimal", false, QStringLiteral("20.0"), TCellKind::Decimal, 20);
    row("version-like number", false, QStringLiteral("2.10"), TCellKind::Decimal, 2.1);
    row("exponent", false, QStringLiteral("-1.5E3"), TCellKind::Decimal, -1500);
    row("comma under a point locale", false, QStringLiteral("2,5"), TCellKind::Text);
    row("comma locale decimal", true, QStringLiteral("2,5"), TCellKind::Decimal, 2.5);
    row("point under a comma locale", true, QStringLiteral("2.5"), TCellKind::Text);
    row("date", false, QStringLiteral("31/07/2012"), TCellKind::Date, 41121);
    row("comma locale date", true, QStringLiteral("31.07.2012"), TCellKind::Date, 41121);
    row("time is not taken for a date", false, QStringLiteral("11:01:07"), TCellKind::Time,
        (11 * 3600 + 60 + 7) / 86400.0);
    row("time", false, QStringLiteral("10:15:07"), TCellKind::Time, 0.42716435185185186);
    row("check code", false, QStringLiteral("'8A1C4452"), TCellKind::Text);
    row("firmware version", false, QStringLiteral("V2.06S01"), TCellKind::Text);
    row("sign alone", false, QStringLiteral("-"), TCellKind::Text);
    row("outside the window", false, QStringLiteral("---"), TCellKind::Text);
    row("blank", false, QStringLiteral(" "), TCellKind::Text);
    row("empty", false, QString(), TCellKind::Empty);
}

void TestWorkbookFile::cellKinds()
{
    QFETCH(bool, comma);
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(double, value);
    UserLocale::SetCurrent(comma ? CommaLocale() : PointLocale());
    const TCellContent content = CellKind(text);
    QCOMPARE(static_cast<int>(content.Kind), kind);
    if (content.Kind == TCellKind::Integer)
        QCOMPARE(static_cast<double>(content.Integer), value);
    else if (content.Kind != TCellKind::Text && content.Kind != TCellKind::Empty)
        QCOMPARE(content.Number, value);
}

void TestWorkbookFile::batchWorkbookCells()
{
    QTemporaryDir dir;
    TBatches list;
    TBatch *batch = AddBatch(list, 4);
    const QString file = dir.filePath(QStringLiteral("deck.XLS"));
    SaveBatchSheet(*batch, Meter(QString::fromLatin1(OlderFirmware)), file);

    const XlsWorkbook book = ReadWorkbook(file);
    QCOMPARE(book.sheetCount(), 1);
    const XlsWorksheet &sheet = book.sheet(0);
    QCOMPARE(sheet.name(), QStringLiteral("Deck A      ")); // the batch name with its blanks
    QCOMPARE(sheet.pageHeader(), QStringLiteral("&L&D  &T &C Batch Report: Deck A       &R&P of &N"));
    QCOMPARE(sheet.printSettings(), XlsPrintSettings());
    QCOMPARE(sheet.columnWidth(1), 12); // the dates of the readings
    QCOMPARE(sheet.columnWidth(4), 12); // the dates of the meter and the batch
    QCOMPARE(sheet.columnWidth(2), sheet.defaultColumnWidth());

    const QString dateFormat = XlsFormatFromQt(QStringLiteral("dd/MM/yyyy"));
    const QString timeFormat = XlsFormatFromQt(QStringLiteral("HH:mm:ss"));
    // A number that is whole may come back as an integer cell; both read as the same text.
    auto check = [&](int col, int row, XlsCell::Kind kind, const QString &asText) {
        const XlsCell &cell = sheet.cell(col, row);
        const bool number = kind == XlsCell::Kind::Number && cell.kind == XlsCell::Kind::Integer;
        QVERIFY2(cell.kind == kind || number, qPrintable(QStringLiteral("column %1 row %2").arg(col).arg(row)));
        QCOMPARE(cell.asText(u'.'), asText);
    };
    check(0, 0, XlsCell::Kind::Text, QStringLiteral("Serial Number"));
    check(4, 1, XlsCell::Kind::Text, QStringLiteral("V2.06S01"));
    check(4, 3, XlsCell::Kind::Number, QStringLiteral("1.4"));
    check(4, 4, XlsCell::Kind::Integer, QStringLiteral("12"));
    check(4, 7, XlsCell::Kind::DateTime, QStringLiteral("40969")); // 1 March 2012
    QCOMPARE(sheet.cell(4, 7).format, dateFormat);
    check(4, 10, XlsCell::Kind::Number, QStringLiteral("2")); // 2.0
    QVERIFY(sheet.cell(4, 15).kind == XlsCell::Kind::Text);   // the check code, apostrophe and all
    QVERIFY(sheet.cell(4, 15).text.startsWith(QLatin1Char('\'')));
    check(4, 20, XlsCell::Kind::DateTime, QStringLiteral("0.427164351851852")); // 10:15:07
    QCOMPARE(sheet.cell(4, 20).format, timeFormat);
    // The readings from row 28: the first at 11:00:00, the second outside the temperature window.
    check(1, 28, XlsCell::Kind::DateTime, QStringLiteral("41121"));
    check(2, 28, XlsCell::Kind::DateTime, QStringLiteral("0.458333333333333"));
    check(6, 29, XlsCell::Kind::Text, QStringLiteral("---"));
    check(4, 31, XlsCell::Kind::Number, QStringLiteral("50")); // 50.0 °C

    const Verified v = Verify(file);
    QCOMPARE(v.Error, QString());
    QCOMPARE(v.Results, QList<int>{crPassed});
}

void TestWorkbookFile::savedBatchPasses()
{
    QFETCH(QString, firmware);
    QFETCH(bool, bresle);
    QFETCH(int, count);
    QFETCH(bool, comma);
    UserLocale::SetCurrent(comma ? CommaLocale() : PointLocale());
    QTemporaryDir dir;
    TBatches list;
    TBatch *batch = AddBatch(list, count);
    const QString file = dir.filePath(QStringLiteral("deck.XLS"));
    SaveBatchSheet(*batch, Meter(firmware, bresle), file);
    const Verified v = Verify(file);
    QCOMPARE(v.Error, QString());
    QCOMPARE(v.Names, QStringList{batch->FName});
    QCOMPARE(v.Results, QList<int>{crPassed});
}

void TestWorkbookFile::earlyDates()
{
    // Spreadsheet programs count a 29 February 1900, so a single batch's earlier dates go one lower.
    TSheet sheet(1, 2);
    sheet.SetCell(0, 0, QStringLiteral("01/01/1900"));
    sheet.SetCell(0, 1, QStringLiteral("01/03/1900"));
    for (const bool adjust : {true, false}) {
        XlsWorkbook book;
        FillWorksheet(book, 0, sheet, QStringLiteral("early"), adjust);
        QCOMPARE(book.sheet(0).cell(0, 0).number, adjust ? 1.0 : 2.0);
        QCOMPARE(book.sheet(0).cell(0, 1).number, 61.0);
    }
}

void TestWorkbookFile::saveFailures()
{
    QTemporaryDir dir;
    const QString failed = QStringLiteral("Could not save data to xls file.");
    TSheet sheet(9, 1);
    sheet.SetCell(0, 0, QStringLiteral("Serial Number"));
    QCOMPARE(Raised([&] { SaveSheetToFile(dir.filePath(QStringLiteral("none/x.XLS")), QStringLiteral("x"), sheet); }),
             failed);
    // A cell the format cannot hold: the earlier file stays as it was.
    const QString file = dir.filePath(QStringLiteral("kept.XLS"));
    QVERIFY(WriteBytes(file, "earlier"));
    sheet.SetCell(1, 0, QString(XlsWorksheet::MaxTextLength + 1, QLatin1Char('x')));
    QCOMPARE(Raised([&] { SaveSheetToFile(file, QStringLiteral("x"), sheet); }), failed);
    QCOMPARE(ReadBytes(file), QByteArray("earlier"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.XLS")});
}

void TestWorkbookFile::identityCellsAreText()
{
    // Serial numbers, versions and batch names that look like numbers, dates or times stay text, so
    // that they come back as written and the check passes, alone and in a combined workbook.
    const QStringList names{"10:15", "1e5", "0042", "3.50", "1234", "31/07/2012"};
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    RecordingStatus status;
    TdmCommunication comm(prompts);
    auto info = std::make_shared<TDeviceInfo>(Meter(QString::fromLatin1(NewerFirmware), true));
    info->SerialNumber = QStringLiteral("0012345");
    info->SetSoftwareVersion(QStringLiteral("2.10"));
    info->SetConfigVersion(QStringLiteral("1.50"));
    info->NrOfReadingsTaken = QStringLiteral("000123");
    QString lastSavePath;
    TMeterSource meter;
    meter.SetDeviceInfo(info);
    TSaveCommands save(comm, meter, lastSavePath, status, prompts);
    TBatches list;
    QList<TBatch *> batches;
    for (const QString &name : names)
        batches << AddBatch(list, 2, name, static_cast<int>(batches.size()));
    const QString combined = dir.filePath(QStringLiteral("all.xls"));
    prompts.Files = {combined};
    save.SaveAllBatchesToOneFile(batches);
    QCOMPARE(Verify(combined).Results, QList<int>(names.size(), crPassed));
    for (TBatch *batch : batches) {
        const QString file = dir.filePath(QStringLiteral("one.xls"));
        SaveBatchSheet(*batch, *info, file);
        const Verified v = Verify(file);
        QVERIFY2(v.Results == QList<int>{crPassed}, qPrintable(batch->FName));
        const XlsWorksheet sheet = ReadWorkbook(file).sheet(0);
        for (const auto &[row, text] : {std::pair{0, info->SerialNumber}, std::pair{1, QStringLiteral("2.10")},
                                        std::pair{2, QStringLiteral("1.50")}, std::pair{6, QStringLiteral("000123")},
                                        std::pair{17, batch->FName}}) {
            QCOMPARE(sheet.cell(4, row).kind, XlsCell::Kind::Text);
            QCOMPARE(sheet.cell(4, row).text, text);
        }
    }
    // A program nobody here wrote reads the same texts as the comma-separated file holds.
    const QString python = PeerPython();
    if (python.isEmpty()) {
        qWarning("Python 3 with xlrd is not installed: the cells are not checked with xlrd");
    } else {
        const QString file = dir.filePath(QStringLiteral("one.xls"));
        const QString text = dir.filePath(QStringLiteral("one.csv"));
        SaveBatchSheet(*batches[0], *info, file);
        SaveBatchSheet(*batches[0], *info, text);
        TSheet csv(8, 1);
        ReadCsvFile(text, csv, status);
        QByteArray json;
        QVERIFY(RunPeer(python, {Scripts + QStringLiteral("/xlrd_dump.py"), file}, &json));
        const QJsonArray cells =
            QJsonDocument::fromJson(json).object().value("sheets").toArray().at(0).toObject().value("cells").toArray();
        int checked = 0;
        for (const QJsonValue &c : cells)
            if (c[1].toInt() == 4 && QList<int>{0, 1, 2, 6, 17}.contains(c[0].toInt())) {
                QCOMPARE(c[2].toInt(), 1); // text
                QCOMPARE(c[3].toString(), csv.Cell(4, c[0].toInt() + 1));
                ++checked;
            }
        QCOMPARE(checked, 5);
    }

    // Measured values and counts keep their kinds; so does a total the meter sent in plain digits.
    info->NrOfReadingsTaken = QStringLiteral("4567");
    const QString plain = dir.filePath(QStringLiteral("plain.XLS"));
    SaveBatchSheet(*batches[0], *info, plain);
    const XlsWorksheet sheet = ReadWorkbook(plain).sheet(0);
    QCOMPARE(sheet.cell(4, 6).kind, XlsCell::Kind::Integer);
    QCOMPARE(sheet.cell(4, 18).kind, XlsCell::Kind::Integer); // the batch ID
    QCOMPARE(sheet.cell(4, 19).kind, XlsCell::Kind::DateTime);
    QCOMPARE(Verify(plain).Results, QList<int>{crPassed});
}

// Workbooks written before the names were text cells hold a digits-only name as a number: they
// import as they always did, failing the check with its warning.
void TestWorkbookFile::earlierWorkbooksImportAsBefore()
{
    QTemporaryDir dir;
    TBatches list;
    const QString file = dir.filePath(QStringLiteral("digits.XLS"));
    SaveBatchSheet(*AddBatch(list, 2, QStringLiteral("1234")), Meter(QString::fromLatin1(OlderFirmware)), file);
    XlsWorkbook book = ReadWorkbook(file);
    book.sheet(0).setNumber(4, 17, 1234);
    book.write();
    const Verified v = Verify(file);
    QCOMPARE(v.Names, QStringList{QStringLiteral("1234        ")});
    QCOMPARE(v.Results, QList<int>{crFailed});
    QCOMPARE(v.Warnings, QStringList{QStringLiteral("The batch code check of batch \"1234        \" failed.")});
}

void TestWorkbookFile::worksheetNames()
{
    // Worksheet names must be distinct and free of : \ / ? * [ ]; the cells keep the names as they are.
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    RecordingStatus status;
    TdmCommunication comm(prompts);
    auto info = std::make_shared<TDeviceInfo>(Meter(QString::fromLatin1(NewerFirmware)));
    QString lastSavePath;
    TMeterSource meter;
    meter.SetDeviceInfo(info);
    TSaveCommands save(comm, meter, lastSavePath, status, prompts);
    TBatches list;
    QList<TBatch *> batches{AddBatch(list, 1, QStringLiteral("Hull"), 1), AddBatch(list, 2, QStringLiteral("Hull"), 2),
                            AddBatch(list, 1, QStringLiteral("Tank [3/4]?"), 3),
                            AddBatch(list, 0, QStringLiteral("hull"), 4)};
    const QString file = dir.filePath(QStringLiteral("all.XLS"));
    prompts.Files = {file};
    save.SaveAllBatchesToOneFile(batches);
    QCOMPARE(prompts.Texts(), QStringList());

    const XlsWorkbook book = ReadWorkbook(file);
    QCOMPARE(book.sheetCount(), 4);
    QStringList names;
    for (int i = 0; i < book.sheetCount(); ++i) {
        const QString n = book.sheet(i).name();
        QVERIFY2(n.size() <= 31 && !n.contains(QRegularExpression(QStringLiteral("[:\\\\/?*\\[\\]]"))), qPrintable(n));
        for (const QString &other : names)
            QVERIFY2(n.compare(other, Qt::CaseInsensitive) != 0, qPrintable(n));
        names << n;
        QCOMPARE(book.sheet(i).cell(4, 17).text, batches[i]->FName);
        QCOMPARE(book.sheet(i).pageHeader(),
                 QStringLiteral("&L&D  &T &C Batch Report: ") + batches[i]->FName + QStringLiteral(" &R&P of &N"));
    }
    QCOMPARE(names[0], QStringLiteral("Hull        "));
    QVERIFY(names[1].startsWith(QLatin1String("Hull")) && names[1].endsWith(QLatin1String(" (2)")));
    QVERIFY(names[2].startsWith(QLatin1String("Tank _3_4__")));
    QCOMPARE(Verify(file).Results, (QList<int>{crPassed, crPassed, crPassed, crPassed}));
}

void TestWorkbookFile::propertiesFile_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QStringList>("labels"); // rows 15 to 22
    QTest::addColumn<QStringList>("values");
    const QStringList older{"Kprop meter", "Kprop Factory", "KCell1", "KCell2", "KCell3", "KCell4", "KCell5", "KCell6"};
    const QStringList olderValues{"0.88", "1.90", "1.00", "1.50", "2.00", "2.50", "3.00", "3.50"};
    const QStringList newer{"", "KCell1", "KCell2", "KCell3", "KCell4", "KCell5", "KCell6", ""};
    const QStringList newerValues{"", "1.00", "1.50", "2.00", "2.50", "3.00", "3.50", ""};
    QTest::newRow("older, text") << QString::fromLatin1(OlderFirmware) << ".CSV" << older << olderValues;
    QTest::newRow("older, workbook") << QString::fromLatin1(OlderFirmware) << ".XLS" << older << olderValues;
    QTest::newRow("newer, text") << QString::fromLatin1(NewerFirmware) << ".CSV" << newer << newerValues;
    QTest::newRow("newer, workbook (lower-case .xls)")
        << QString::fromLatin1(NewerFirmware) << ".xls" << newer << newerValues;
}

void TestWorkbookFile::propertiesFile()
{
    QFETCH(QString, firmware);
    QFETCH(QString, ext);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, values);
    QTemporaryDir dir;
    RecordingStatus status;
    TSheet sheet;
    BuildPropertiesSheet(Meter(firmware), Constants(), sheet, status);
    QCOMPARE(status.Events, (QStringList{QStringLiteral("Write device configuration to file."),
                                         QStringLiteral("Write Talvo Properties to file.")}));
    QCOMPARE(sheet.RowCount(), 23);
    const QString file = dir.filePath(QStringLiteral("TV1234_TalvoProperties") + ext);
    SaveSheetToFile(file, QString::fromLatin1(PropertiesTitle), sheet);

    TSheet read(8, 1);
    // The text reader fills the rows after the import sheet's first, empty one; the workbook reader fills
    // that row first.
    const int top = ext == QLatin1String(".CSV") ? 1 : 0;
    if (top == 1) {
        const QList<QByteArray> lines = Lines(ReadBytes(file));
        QCOMPARE(lines.size(), 23);
        for (const QByteArray &line : lines)
            QCOMPARE(line.count(','), 7);
        ReadCsvFile(file, read, status);
    } else {
        const XlsWorkbook book = ReadWorkbook(file);
        QCOMPARE(book.sheet(0).name(), QString::fromLatin1(PropertiesTitle));
        QCOMPARE(book.sheet(0).pageHeader(),
                 QStringLiteral("&L&D  &T &C Batch Report: Talvometer Properties &R&P of &N"));
        ReadXlsFile(file, read, status);
    }
    // A workbook ends at its last used row.
    auto cell = [&](int col, int row) { return row < read.RowCount() ? read.Cell(col, row) : QString(); };
    QCOMPARE(cell(0, top), QStringLiteral("Serial Number"));
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(cell(0, top + 15 + i), labels[i]);
        const QString value = cell(4, top + 15 + i);
        if (values[i].isEmpty())
            QCOMPARE(value, QString());
        else
            QCOMPARE(StrToFloat(value), StrToFloat(values[i])); // a workbook holds 1.90 as the number 1.9
    }
}

void TestWorkbookFile::readsWorksheetsIntoOneSheet()
{
    QTemporaryDir dir;
    XlsWorkbook book;
    book.setFileName(dir.filePath(QStringLiteral("two.XLS")));
    book.sheet(0).setName(QStringLiteral("First"));
    book.sheet(0).setText(0, 0, QStringLiteral("a"));
    book.sheet(0).setNumber(2, 1, 2.5);
    book.sheet(0).setDateTime(10, 1, 41121, QStringLiteral("dd/mm/yyyy"));
    XlsWorksheet &second = book.addSheet();
    second.setName(QStringLiteral("Second"));
    second.setInteger(1, 0, 7);
    book.write();

    TSheet sheet(8, 1);
    RecordingStatus status;
    ReadXlsFile(book.fileName(), sheet, status);
    QCOMPARE(sheet.ColCount(), 11);
    // Each worksheet row goes into the sheet's last row; 4 rows are added between worksheets, so the
    // next worksheet starts in the last of them.
    QCOMPARE(sheet.RowCount(), 2 + 4);
    QCOMPARE(sheet.Row(0).mid(0, 3), (QStringList{"a", "", ""}));
    QCOMPARE(sheet.Cell(2, 1), QStringLiteral("2.5"));
    QCOMPARE(sheet.Cell(10, 1), QStringLiteral("41121"));
    for (int r = 2; r < 5; ++r)
        QVERIFY(IsEmptyLine(sheet.RowText(r)));
    QCOMPARE(sheet.Cell(1, 5), QStringLiteral("7"));
    QCOMPARE(status.Events, (QStringList{"Opening two.XLS", "Reading line 1 from two.XLS sheet First",
                                         "Reading line 2 from two.XLS sheet First",
                                         "Reading line 6 from two.XLS sheet Second", "<clear>"}));

    UserLocale::SetCurrent(CommaLocale());
    TSheet comma(8, 1);
    ReadXlsFile(book.fileName(), comma, status);
    QCOMPARE(comma.Cell(2, 1), QStringLiteral("2,5"));
}

void TestWorkbookFile::brokenWorkbooks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    XlsWorkbook book;
    book.sheet(0).setText(0, 0, QStringLiteral("Serial Number"));
    const QByteArray good = book.toBytes();
    QTest::newRow("no file") << QByteArray();
    QTest::newRow("text file") << QByteArray("\"Serial Number\",,,,TV1234\r\n");
    QTest::newRow("truncated") << good.left(good.size() / 2);
    QByteArray garbled = good;
    for (qsizetype i = 512; i < garbled.size(); i += 7)
        garbled[i] = static_cast<char>(garbled[i] ^ 0x5a);
    QTest::newRow("garbled") << garbled;
}

void TestWorkbookFile::brokenWorkbooks()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("broken.XLS"));
    if (!bytes.isEmpty())
        QVERIFY(WriteBytes(file, bytes));
    TSheet sheet(8, 1);
    RecordingStatus status;
    const QString error = Raised([&] { ReadXlsFile(file, sheet, status); });
    QVERIFY2(error.startsWith(QLatin1String("Could not read data from xls file. ")), qPrintable(error));
    QVERIFY(error.size() > 40); // the reason follows
    QCOMPARE(status.Events.last(), QStringLiteral("<clear>"));
}

void TestWorkbookFile::xlrdReadsOurBatchWorkbook()
{
    const QString python = PeerPython();
    if (python.isEmpty())
        QSKIP("Python 3 with xlrd and xlwt is not installed (scripts/deps installs python3-xlrd and python3-xlwt)");
    QTemporaryDir dir;
    TBatches list;
    TBatch *batch = AddBatch(list, 7);
    const QString file = dir.filePath(QStringLiteral("deck.XLS"));
    SaveBatchSheet(*batch, Meter(QString::fromLatin1(NewerFirmware), true), file);
    QByteArray json;
    QVERIFY(RunPeer(python, {Scripts + QStringLiteral("/xlrd_dump.py"), file}, &json));
    const QJsonObject sheet = QJsonDocument::fromJson(json).object().value("sheets").toArray().at(0).toObject();
    QCOMPARE(sheet.value("name").toString(), batch->FName);
    QCOMPARE(sheet.value("header").toString(), QStringLiteral("&L&D  &T &C Batch Report: Deck A       &R&P of &N"));
    QCOMPARE(sheet.value("colwidths").toObject().value("1").toInt(), 12 * 256);
    QHash<QPair<int, int>, QJsonArray> cells; // (row, column) -> [row, column, type, value, format]
    for (const QJsonValue &c : sheet.value("cells").toArray())
        cells.insert({c[0].toInt(), c[1].toInt()}, c.toArray());
    enum { Text = 1, Number = 2, Date = 3 };
    auto check = [&](int row, int col, int type, const QJsonValue &value) {
        const QJsonArray c = cells.value({row, col});
        QVERIFY2(c.size() == 5, qPrintable(QStringLiteral("row %1 column %2 missing").arg(row).arg(col)));
        QCOMPARE(c[2].toInt(), type);
        QCOMPARE(c[3], value);
    };
    check(0, 0, Text, QStringLiteral("Serial Number"));
    check(3, 4, Number, 1.4);
    check(7, 4, Date, 40969.0);
    QCOMPARE(cells.value({7, 4})[4].toString(), QStringLiteral("dd/mm/yyyy"));
    QCOMPARE(cells.value({15, 4})[2].toInt(), int(Text)); // the check code, with its apostrophe
    QVERIFY(cells.value({15, 4})[3].toString().startsWith(QLatin1Char('\'')));
    check(17, 4, Text, QStringLiteral("Deck A      "));
    check(20, 4, Date, (10 * 3600 + 15 * 60 + 7) / 86400.0);
    QCOMPARE(cells.value({20, 4})[4].toString(), QStringLiteral("hh:mm:ss"));
    // The readings from row 29, below the Bresle unit row.
    check(30, 7, Text, QStringLiteral("---"));
    check(31, 4, Number, 25.0); // held in °F by the meter
    check(32, 4, Number, 50.0);
}

void TestWorkbookFile::libreOfficeShowsOurValues()
{
    const QString soffice = PeerSoffice();
    if (soffice.isEmpty())
        QSKIP("LibreOffice is not installed (scripts/deps installs libreoffice-calc-nogui)");
    QTemporaryDir dir;
    TBatches list;
    TBatch *batch = AddBatch(list, 7);
    const TDeviceInfo info = Meter(QString::fromLatin1(OlderFirmware));
    const QString file = dir.filePath(QStringLiteral("deck.XLS"));
    SaveBatchSheet(*batch, info, file);
    QVERIFY(RunPeer(soffice, SofficeArguments(dir) + QStringList{QStringLiteral("--convert-to"), SofficeCsvFilter()} +
                                 OutDir(dir) + QStringList{file}));
    const QDir out(dir.filePath(QStringLiteral("out")));
    const QStringList produced = out.entryList(QDir::Files);
    QCOMPARE(produced.size(), 1);
    const QList<QStringList> shown = ReadPeerCsv(out.filePath(produced[0]));

    RecordingStatus status;
    TSheet written;
    BuildBatchSheet(*batch, info, written, status);
    // LibreOffice shows dates and times in the formats we gave and numbers in general form.
    for (int r = 0; r < written.RowCount(); ++r)
        for (int c = 0; c < written.ColCount(); ++c) {
            const QString ours = written.Cell(c, r);
            const QString theirs = shown.value(r).value(c);
            const TCellContent kind = CellKind(ours);
            const bool same = kind.Kind == TCellKind::Decimal ? StrToFloat(theirs) == kind.Number : theirs == ours;
            QVERIFY2(
                same,
                qPrintable(QStringLiteral("row %1 column %2: \"%3\" shown as \"%4\"").arg(r).arg(c).arg(ours, theirs)));
        }
}

// The last column's title runs on beyond the column; the report is still fitted to one page wide.
void TestWorkbookFile::oneBatchPrintsOnOnePage()
{
    const QString soffice = PeerSoffice();
    if (soffice.isEmpty())
        QSKIP("LibreOffice is not installed (scripts/deps installs libreoffice-calc-nogui)");
    QTemporaryDir dir;
    TBatches list;
    const QString file = dir.filePath(QStringLiteral("deck.XLS"));
    SaveBatchSheet(*AddBatch(list, 7), Meter(QString::fromLatin1(NewerFirmware), true), file);
    QVERIFY(RunPeer(soffice, SofficeArguments(dir) +
                                 QStringList{QStringLiteral("--convert-to"), QStringLiteral("pdf")} + OutDir(dir) +
                                 QStringList{file}));
    const QByteArray pdf = ReadBytes(dir.filePath(QStringLiteral("out/deck.pdf")));
    QVERIFY(!pdf.isEmpty());
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
    QCOMPARE(QString::fromLatin1(pdf).count(page), 1);
}

void TestWorkbookFile::importsWhatOtherProgramsWrite()
{
    QTemporaryDir dir;
    // The stored LibreOffice conversion needs no peer program.
    const QString stored = dir.filePath(QStringLiteral("stored.XLS"));
    QVERIFY(QFile::copy(Fixtures + QStringLiteral("/xls/libreoffice_batch_layout.xls"), stored));
    QCOMPARE(Verify(stored).Results, QList<int>{crPassed});

    TBatches list;
    TDeviceInfo info = Meter(QString::fromLatin1(OlderFirmware));
    auto saveCsv = [&](TBatch &batch, const QString &name) {
        const QString file = dir.filePath(name + QStringLiteral(".CSV"));
        SaveBatchSheet(batch, info, file);
        return file;
    };
    const QString plain = saveCsv(*AddBatch(list, 12, QStringLiteral("Deck A")), QStringLiteral("plain"));
    const QString digits = saveCsv(*AddBatch(list, 3, QStringLiteral("1234")), QStringLiteral("digits"));
    info.SetSoftwareVersion(QStringLiteral("2.10"));
    const QString version = saveCsv(*AddBatch(list, 3, QStringLiteral("Deck C")), QStringLiteral("version"));

    const QString python = PeerPython();
    if (python.isEmpty()) {
        qWarning("Python 3 with xlrd and xlwt is not installed: the xlwt workbook is not checked");
    } else {
        const QString book = dir.filePath(QStringLiteral("xlwt.XLS"));
        QVERIFY(RunPeer(python, {Scripts + QStringLiteral("/make_xlwt_fixture.py"), plain, book}));
        QCOMPARE(Verify(book).Results, QList<int>{crPassed});
    }

    const QString soffice = PeerSoffice();
    if (soffice.isEmpty())
        QSKIP("LibreOffice is not installed (scripts/deps installs libreoffice-calc-nogui)");
    // British English, so that the day comes first in the dates.
    QVERIFY(RunPeer(
        soffice, SofficeArguments(dir) +
                     QStringList{QStringLiteral("--infilter=Text - txt - csv (StarCalc):44,34,1252,1,,2057,false,true"),
                                 QStringLiteral("--convert-to"), QStringLiteral("xls:MS Excel 97")} +
                     OutDir(dir) + QStringList{plain, digits, version}));
    // Named in lower case, as LibreOffice names them: the content says they are workbooks.
    auto converted = [&](const QString &name) {
        return Verify(dir.filePath(QStringLiteral("out/") + name + QStringLiteral(".xls")));
    };
    Verified v = converted(QStringLiteral("plain"));
    QCOMPARE(v.Error, QString());
    QCOMPARE(v.Results, QList<int>{crPassed});
    v = converted(QStringLiteral("digits"));
    QCOMPARE(v.Results, QList<int>{crFailed});
    QCOMPARE(v.Warnings, QStringList{QStringLiteral("The batch code check of batch \"1234        \" failed.")});
    QCOMPARE(converted(QStringLiteral("version")).Results, QList<int>{crFailed});
}

QTEST_GUILESS_MAIN(TestWorkbookFile)
#include "tst_workbookfile.moc"
