// The workbook model and its BIFF8 records: round trips through our own writer and reader, the
// record shapes other programs write, refusals, damaged streams, and the text a cell reads as.
#include "HandMadeWorkbook.h"
#include "model/Errors.h"
#include "xls/CompoundFile.h"
#include "xls/XlsFormats.h"
#include "xls/XlsWorkbook.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <functional>

using namespace HandMade;
using Kind = XlsCell::Kind;

namespace {

const QString DateFormat = QStringLiteral("dd/mm/yyyy");
const QString TimeFormat = QStringLiteral("hh:mm:ss");
const QString NonLatin1 = QStringLiteral("Ω ≤ € 漢字 😀");

XlsWorkbook SampleWorkbook()
{
    XlsWorkbook book;
    XlsWorksheet &first = book.sheet(0);
    first.setName(QStringLiteral("Batch 1     "));
    first.setPageHeader(QStringLiteral("&L&D  &T &C Batch Report: Batch 1      &R&P of &N"));
    first.setText(0, 0, QStringLiteral("Serial Number"));
    first.setInteger(4, 0, 1234);
    first.setInteger(4, 1, -7);
    first.setInteger(4, 2, qint64{1} << 40); // beyond RK
    first.setNumber(4, 3, 20.5);
    first.setNumber(4, 4, 2.1);
    first.setNumber(4, 5, -0.001);
    first.setNumber(4, 6, 1e20);
    first.setDateTime(4, 7, 41121, DateFormat);
    first.setDateTime(4, 8, 36907.0 / 86400, TimeFormat);
    first.setDateTime(4, 9, 41121.5, DateFormat + u' ' + TimeFormat);
    first.setText(5, 9, QStringLiteral("µS/cm @ 25°C/77°F"));
    first.setText(5, 10, QStringLiteral("mg/m² per µS/cm"));
    first.setText(8, 27, NonLatin1);
    first.setText(0, 15, QStringLiteral("'0A1B2C3D"));

    XlsWorksheet &second = book.addSheet();
    second.setName(QStringLiteral("Mesures µ°²"));
    second.setText(2, 65535, QStringLiteral("last row"));
    second.setNumber(255, 3, 0.5);
    second.printSettings().orientation = XlsPrintSettings::Orientation::Landscape;
    second.printSettings().leftMargin = 0.25;
    second.setDefaultColumnWidth(10);
    second.setColumnWidth(1, 12);
    second.setColumnWidth(255, 30);

    book.addSheet();                          // empty, default name
    first.setText(1, 1, QStringLiteral("x")); // references survive adding worksheets
    first.setText(1, 1, QString());
    return book;
}

XlsWorkbook ReadBack(const QByteArray &bytes)
{
    XlsWorkbook book;
    book.fromBytes(bytes);
    return book;
}

QString ErrorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Error &e) {
        return e.message();
    }
    return QString();
}

QByteArray OneSheet(const QByteArray &globals, const QByteArray &records)
{
    return File(Stream(globals, {Sheet{QStringLiteral("S"), records}}));
}

} // namespace

class TestWorkbook : public QObject {
    Q_OBJECT

private slots:
    void roundTripKeepsEveryKind()
    {
        const XlsWorkbook book = ReadBack(SampleWorkbook().toBytes());
        QCOMPARE(book.sheetCount(), 3);
        const XlsWorksheet &s = book.sheet(0);
        QCOMPARE(s.name(), QStringLiteral("Batch 1     "));
        QCOMPARE(s.pageHeader(), QStringLiteral("&L&D  &T &C Batch Report: Batch 1      &R&P of &N"));
        QCOMPARE(s.printSettings(), XlsPrintSettings());
        QCOMPARE(s.lastUsedRow(), 27);
        QCOMPARE(s.lastUsedColumn(), 8);

        QCOMPARE(s.cell(0, 0).kind, Kind::Text);
        QCOMPARE(s.cell(0, 0).text, QStringLiteral("Serial Number"));
        QCOMPARE(s.cell(4, 0).kind, Kind::Integer);
        QCOMPARE(s.cell(4, 0).integer, 1234);
        QCOMPARE(s.cell(4, 1).integer, -7);
        QCOMPARE(s.cell(4, 2).integer, qint64{1} << 40);
        QCOMPARE(s.cell(4, 3).kind, Kind::Number);
        QCOMPARE(s.cell(4, 3).number, 20.5);
        QCOMPARE(s.cell(4, 4).number, 2.1);
        QCOMPARE(s.cell(4, 5).number, -0.001);
        QCOMPARE(s.cell(4, 6).number, 1e20);
        QCOMPARE(s.cell(4, 7).kind, Kind::DateTime);
        QCOMPARE(s.cell(4, 7).number, 41121.0);
        QCOMPARE(s.cell(4, 7).format, DateFormat);
        QCOMPARE(s.cell(4, 8).number, 36907.0 / 86400);
        QCOMPARE(s.cell(4, 8).format, TimeFormat);
        QCOMPARE(s.cell(4, 9).format, DateFormat + u' ' + TimeFormat);
        QCOMPARE(s.cell(5, 9).text, QStringLiteral("µS/cm @ 25°C/77°F"));
        QCOMPARE(s.cell(5, 10).text, QStringLiteral("mg/m² per µS/cm"));
        QCOMPARE(s.cell(8, 27).text, NonLatin1);
        QCOMPARE(s.cell(0, 15).text, QStringLiteral("'0A1B2C3D"));
        QCOMPARE(s.cell(1, 0).kind, Kind::Empty);

        const XlsWorksheet &second = book.sheet(1);
        QCOMPARE(second.name(), QStringLiteral("Mesures µ°²"));
        QCOMPARE(second.cell(2, 65535).text, QStringLiteral("last row"));
        QCOMPARE(second.cell(255, 3).number, 0.5);
        QCOMPARE(second.lastUsedRow(), 65535);
        QCOMPARE(second.lastUsedColumn(), 255);
        QCOMPARE(second.printSettings().orientation, XlsPrintSettings::Orientation::Landscape);
        QCOMPARE(second.printSettings().leftMargin, 0.25);
        QCOMPARE(second.columnWidth(0), 10);
        QCOMPARE(second.columnWidth(1), 12);
        QCOMPARE(second.columnWidth(255), 30);
        QCOMPARE(book.sheet(0).columnWidth(1), 8);

        QCOMPARE(book.sheet(2).name(), QStringLiteral("Sheet3"));
        QCOMPARE(book.sheet(2).lastUsedRow(), -1);
        QCOMPARE(book.sheet(2).lastUsedColumn(), -1);
    }

    void integralNumbersReadBackAsIntegers()
    {
        // A temperature of 20.0 is stored as the number 20 and reads as 20.
        XlsWorkbook book;
        book.sheet(0).setNumber(0, 0, 20.0);
        book.sheet(0).setNumber(1, 0, -3e9);
        const XlsWorksheet s = ReadBack(book.toBytes()).sheet(0);
        QCOMPARE(s.cell(0, 0).kind, Kind::Integer);
        QCOMPARE(s.cellText(0, 0, u'.'), QStringLiteral("20"));
        QCOMPARE(s.cellText(1, 0, u'.'), QStringLiteral("-3000000000"));
    }

    void longSharedStringTableUsesContinueRecords()
    {
        XlsWorkbook book;
        XlsWorksheet &s = book.sheet(0);
        QStringList texts;
        for (int i = 0; i < 3000; ++i)
            texts.append(i % 3 == 0 ? QStringLiteral("Reading %1 ²°µ").arg(i) : QStringLiteral("Ω reading %1").arg(i));
        texts.append(QString(20000, u'x') + u'!');         // one-byte characters across three records
        texts.append(QString(9000, QChar(0x03A9)) + u'.'); // two-byte characters across two records
        for (int i = 0; i < texts.size(); ++i)
            s.setText(i % 9, i / 9, texts[i]);
        s.setText(0, 1000, texts[5]); // a repeat shares its entry
        const QByteArray bytes = book.toBytes();

        const QByteArray stream = CompoundFile::fromBytes(bytes).stream(QStringLiteral("Workbook"));
        QVERIFY(stream.size() > 70000);
        const XlsWorksheet back = ReadBack(bytes).sheet(0);
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(back.cell(i % 9, i / 9).text, texts[i]);
        QCOMPARE(back.cell(0, 1000).text, texts[5]);
    }

    void workbookStreamIsPaddedOutOfTheMiniStream()
    {
        XlsWorkbook book;
        book.sheet(0).setInteger(0, 0, 1);
        const QByteArray bytes = book.toBytes();
        QByteArray stream = CompoundFile::fromBytes(bytes).stream(QStringLiteral("Workbook"));
        QCOMPARE(stream.size(), 4096);

        // Other writers leave a small stream in the mini stream; it reads the same.
        while (stream.endsWith('\0'))
            stream.chop(1);
        stream.append(3, '\0'); // the final EOF record's zero length
        QVERIFY(stream.size() < 4096);
        QCOMPARE(ReadBack(File(stream)).sheet(0).cellText(0, 0, u'.'), QStringLiteral("1"));
    }

    void writeAndReadFiles()
    {
        QTemporaryDir dir;
        XlsWorkbook book = SampleWorkbook();
        book.setFileName(dir.filePath(QStringLiteral("report.xls")));
        book.write();
        XlsWorkbook back;
        back.setFileName(book.fileName());
        back.read();
        QCOMPARE(back.sheetCount(), 3);
        QCOMPARE(back.sheet(1).name(), QStringLiteral("Mesures µ°²"));

        XlsWorkbook missing;
        missing.setFileName(dir.filePath(QStringLiteral("missing.xls")));
        QVERIFY(ErrorOf([&] { missing.read(); }).contains(QStringLiteral("Could not open the workbook")));
        book.setFileName(dir.filePath(QStringLiteral("no-such-folder/report.xls")));
        QVERIFY(ErrorOf([&] { book.write(); }).contains(QStringLiteral("Could not write the workbook")));
    }

    void failedReadKeepsTheWorkbook()
    {
        XlsWorkbook book;
        book.sheet(0).setText(0, 0, QStringLiteral("kept"));
        QVERIFY(!ErrorOf([&] { book.fromBytes("not a workbook"); }).isEmpty());
        QCOMPARE(book.sheet(0).cellText(0, 0, u'.'), QStringLiteral("kept"));
    }

    void clearLeavesOneEmptyWorksheet()
    {
        XlsWorkbook book = SampleWorkbook();
        book.setFileName(QStringLiteral("a.xls"));
        book.clear();
        QCOMPARE(book.sheetCount(), 1);
        QCOMPARE(book.sheet(0).name(), QStringLiteral("Sheet1"));
        QCOMPARE(book.sheet(0).cellCount(), 0);
        QCOMPARE(book.sheet(0).pageHeader(), QString());
        QCOMPARE(book.sheet(0).printSettings(), XlsPrintSettings());
        QCOMPARE(book.fileName(), QStringLiteral("a.xls"));
        QCOMPARE(book.addSheet().name(), QStringLiteral("Sheet2"));
        QVERIFY(!ErrorOf([&] { book.sheet(2); }).isEmpty());
    }

    void cellsAreReplacedAndEmptied()
    {
        XlsWorksheet s(QStringLiteral("S"));
        s.setText(3, 2, QStringLiteral("a"));
        s.setInteger(3, 2, 5);
        QCOMPARE(s.cellText(3, 2, u'.'), QStringLiteral("5"));
        s.setText(1, 4, QStringLiteral("b"));
        s.setText(3, 2, QString());
        QCOMPARE(s.cellCount(), 1);
        QCOMPARE(s.lastUsedColumn(), 1);
        QCOMPARE(s.lastUsedRow(), 4);
        QCOMPARE(s.cellText(-1, 70000, u'.'), QString());
    }

    void cellsSetOutOfOrderKeepTheLastValue()
    {
        XlsWorksheet s(QStringLiteral("S"));
        s.setInteger(5, 9, 1);
        s.setInteger(0, 0, 2);
        s.setInteger(5, 9, 3); // after another cell, so not simply the last one replaced
        s.setInteger(7, 2, 4);
        s.setInteger(0, 0, 5);
        QCOMPARE(s.cellCount(), 3);
        QCOMPARE(s.cellText(0, 0, u'.'), QStringLiteral("5"));
        QCOMPARE(s.cellText(5, 9, u'.'), QStringLiteral("3"));
        QCOMPARE(s.lastUsedRow(), 9);
        QList<quint32> keys;
        for (const auto &[key, cell] : s.cells())
            keys.append(key);
        QCOMPARE(keys, (QList<quint32>{0, 2 * 256 + 7, 9 * 256 + 5}));
        s.setInteger(1, 12, 6);
        s.setText(7, 2, QString());
        QCOMPARE(s.cellCount(), 3);
        QCOMPARE(s.lastUsedColumn(), 5);
        QCOMPARE(s.cellText(1, 12, u'.'), QStringLiteral("6"));
    }

    void settersRefuseWhatTheFormatCannotHold()
    {
        XlsWorksheet s(QStringLiteral("S"));
        QVERIFY(ErrorOf([&] { s.setInteger(256, 0, 1); }).contains(QStringLiteral("outside the worksheet")));
        QVERIFY(ErrorOf([&] { s.setText(0, 65536, QStringLiteral("x")); }).contains(QStringLiteral("outside")));
        QVERIFY(!ErrorOf([&] { s.setNumber(0, 0, std::nan("")); }).isEmpty());
        QVERIFY(!ErrorOf([&] { s.setNumber(0, 0, INFINITY); }).isEmpty());
        QVERIFY(!ErrorOf([&] { s.setDateTime(0, 0, 1, QString()); }).isEmpty());
        QVERIFY(!ErrorOf([&] { s.setText(0, 0, QString(32768, u'x')); }).isEmpty());
        QVERIFY(!ErrorOf([&] { s.setPageHeader(QString(256, u'x')); }).isEmpty());
        QCOMPARE(s.cellCount(), 0);
    }

    void writerMakesSheetNamesValid()
    {
        XlsWorkbook book;
        book.sheet(0).setName(QStringLiteral("a/b"));
        book.addSheet().setName(QStringLiteral("A_B"));
        book.addSheet().setName(QString());
        const XlsWorkbook back = ReadBack(book.toBytes());
        QCOMPARE(back.sheet(0).name(), QStringLiteral("a_b"));
        QCOMPARE(back.sheet(1).name(), QStringLiteral("A_B (2)"));
        QCOMPARE(back.sheet(2).name(), QStringLiteral("Sheet3"));
    }

    void validSheetName_data()
    {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<QStringList>("used");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "Batch 1" << QStringList{} << "Batch 1";
        QTest::newRow("trailing blanks kept") << "AB          " << QStringList{} << "AB          ";
        QTest::newRow("forbidden characters") << "a:b\\c/d?e*f[g]h" << QStringList{} << "a_b_c_d_e_f_g_h";
        QTest::newRow("apostrophe at the edges") << "'quoted'" << QStringList{} << "_quoted_";
        QTest::newRow("apostrophe inside kept") << "it's" << QStringList{} << "it's";
        QTest::newRow("repeat") << "Batch" << QStringList{"Batch"} << "Batch (2)";
        QTest::newRow("repeat ignoring case") << "batch" << QStringList{"BATCH", "Batch (2)"} << "batch (3)";
        QTest::newRow("cut to 31") << QString(40, u'n') << QStringList{} << QString(31, u'n');
        QTest::newRow("cut to make room for the number")
            << QString(31, u'n') << QStringList{QString(31, u'n')} << QString(27, u'n') + " (2)";
        QTest::newRow("surrogate pair not split") << QString(30, u'n') + "😀" << QStringList{} << QString(30, u'n');
        QTest::newRow("empty") << "" << QStringList{"A", "B"} << "Sheet3";
        QTest::newRow("empty taken") << "" << QStringList{"Sheet1"} << "Sheet2";
        QTest::newRow("reserved") << "History" << QStringList{} << "History (2)";
        QTest::newRow("control character") << "a\tb" << QStringList{} << "a_b";
    }
    void validSheetName()
    {
        QFETCH(QString, wanted);
        QFETCH(QStringList, used);
        QFETCH(QString, expected);
        QCOMPARE(XlsValidSheetName(wanted, used), expected);
    }

    void formatFromQt_data()
    {
        QTest::addColumn<QString>("qt");
        QTest::addColumn<QString>("excel");
        QTest::newRow("day first") << "dd/MM/yyyy"
                                   << "dd/mm/yyyy";
        QTest::newRow("month first") << "M/d/yyyy"
                                     << "m/d/yyyy";
        QTest::newRow("24-hour") << "HH:mm:ss"
                                 << "hh:mm:ss";
        QTest::newRow("12-hour") << "h:mm:ss AP"
                                 << "h:mm:ss AM/PM";
        QTest::newRow("lower-case am/pm") << "h:mm ap"
                                          << "h:mm am/pm";
        QTest::newRow("dotted") << "dd.MM.yyyy"
                                << "dd.mm.yyyy";
        QTest::newRow("ISO") << "yyyy-MM-dd"
                             << "yyyy-mm-dd";
        QTest::newRow("two-digit year") << "d/M/yy"
                                        << "d/m/yy";
        QTest::newRow("names") << "dddd d MMMM yyyy"
                               << "dddd d mmmm yyyy";
        QTest::newRow("quoted text") << "d 'de' MMMM"
                                     << "d \\d\\e mmmm";
        QTest::newRow("quoted apostrophe") << "h'h'mm''"
                                           << "h\\hmm\\'";
        QTest::newRow("milliseconds") << "HH:mm:ss.zzz"
                                      << "hh:mm:ss.000";
        QTest::newRow("time zone dropped") << "HH:mm t"
                                           << "hh:mm ";
        QTest::newRow("other characters escaped") << "yyyy年M月d日"
                                                  << "yyyy\\年m\\月d\\日";
    }
    void formatFromQt()
    {
        QFETCH(QString, qt);
        QFETCH(QString, excel);
        QCOMPARE(XlsFormatFromQt(qt), excel);
    }

    void dateTimeFormats_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("dateTime");
        QTest::newRow("general") << "General" << false;
        QTest::newRow("decimals") << "0.00" << false;
        QTest::newRow("scientific") << "0.00E+00" << false;
        QTest::newRow("quoted unit") << "0.0 \"mg/m²\"" << false;
        QTest::newRow("colour") << "[Red]0.00;[Magenta]-0.00" << false;
        QTest::newRow("padding") << "_-* #,##0_-" << false;
        QTest::newRow("text") << "@" << false;
        QTest::newRow("date") << "dd/mm/yyyy" << true;
        QTest::newRow("time") << "hh:mm:ss" << true;
        QTest::newRow("12-hour") << "h:mm AM/PM" << true;
        QTest::newRow("elapsed") << "[h]:mm:ss" << true;
        QTest::newRow("escaped letters only") << "\\d0" << false;
    }
    void dateTimeFormats()
    {
        QFETCH(QString, code);
        QFETCH(bool, dateTime);
        QCOMPARE(XlsIsDateTimeFormat(code), dateTime);
    }

    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "."
                              << "0";
        QTest::newRow("negative zero") << -0.0 << "."
                                       << "0";
        QTest::newRow("integral") << 20.0 << "."
                                  << "20";
        QTest::newRow("day number") << 41121.0 << "."
                                    << "41121";
        QTest::newRow("time of day") << 36907.0 / 86400 << "."
                                     << "0.427164351851852";
        QTest::newRow("binary fraction") << 0.1 + 0.2 << "."
                                         << "0.3";
        QTest::newRow("decimal comma") << 2.1 << ","
                                       << "2,1";
        QTest::newRow("negative") << -0.5 << "."
                                  << "-0.5";
        QTest::newRow("small") << 0.00001 << "."
                               << "0.00001";
        QTest::newRow("smaller") << 1.5e-7 << "."
                                 << "1.5E-7";
        QTest::newRow("15 digits") << 123456789012345.0 << "."
                                   << "123456789012345";
        QTest::newRow("rounded to 15 digits") << 1234567890123456.0 << "."
                                              << "1.23456789012346E15";
        QTest::newRow("large") << 1e20 << ","
                               << "1E20";
        QTest::newRow("rounds up a digit") << 9.9999999999999999 << "."
                                           << "10";
    }
    void numberText()
    {
        QFETCH(double, value);
        QFETCH(QString, separator);
        QFETCH(QString, text);
        QCOMPARE(XlsNumberText(value, separator.at(0)), text);
    }

    void cellTextByKind()
    {
        XlsWorksheet s(QStringLiteral("S"));
        s.setInteger(0, 0, -42);
        s.setNumber(1, 0, 2.75);
        s.setDateTime(2, 0, 41121, DateFormat);
        s.setDateTime(3, 0, 36907.0 / 86400, TimeFormat);
        s.setText(4, 0, QStringLiteral(" text "));
        const QStringList expected{"-42", "2,75", "41121", "0,427164351851852", " text ", ""};
        for (int column = 0; column < expected.size(); ++column)
            QCOMPARE(s.cellText(column, 0, u','), expected[column]);
    }

    // Record shapes of other writers, built by hand.
    void readsRecordsOtherProgramsWrite()
    {
        // Cell formats: 16 general, 17 a built-in date, 18 a custom time, 19 a custom number.
        const QByteArray globals = Record(0x041E, U16(170) + String16("hh:mm:ss")) +
                                   Record(0x041E, U16(171) + String16("0.00 \"µS\"")) + Xfs({0, 14, 170, 171}) +
                                   Record(0x00FC, U32(3) + U32(2) + String16("shared") + String16("Ω", true));
        const QByteArray records =
            Record(0x0200, U32(0) + U32(10) + U16(0) + U16(9) + U16(0)) +
            // MULRK: integer, number /100, a float and a date.
            Record(0x00BD, U16(0) + U16(1) + U16(15) + U32((1234u << 2) | 2) + U16(15) + U32((2575u << 2) | 3) +
                               U16(19) + U32(0x40090000) /* 3.125 */ + U16(17) + U32((41121u << 2) | 2) + U16(4)) +
            Record(0x0203, Cell(1, 0, 18) + F64(36907.0 / 86400)) +
            Record(0x0204, Cell(1, 1, 15) + String16("label µ°")) +
            Record(0x0204, Cell(1, 2, 15) + String16("wide Ω", true)) +
            Record(0x00D6, Cell(1, 3, 15) + String16("rich") + U16(0)) + Record(0x00FD, Cell(1, 4, 15) + U32(1)) +
            Record(0x0201, Cell(2, 0, 15)) + Record(0x00BE, Cell(2, 1, 15) + U16(15) + U16(15) + U16(3)) +
            Record(0x0205, Cell(3, 0, 15) + U8(1) + U8(0)) + Record(0x0205, Cell(3, 1, 15) + U8(0x07) + U8(1)) +
            // FORMULA with cached results: number, string (STRING follows), boolean, error, empty text.
            Record(0x0006, Cell(4, 0, 15) + F64(2.5) + U16(0) + U32(0) + U16(0)) +
            Record(0x0006, Cell(4, 1, 15) + U8(0) + QByteArray(5, '\0') + U16(0xFFFF) + U16(0) + U32(0) + U16(0)) +
            Record(0x04BC, QByteArray(8, '\0')) /* SHRFMLA between them */ + Record(0x0207, String16("from formula")) +
            Record(0x0006, Cell(4, 2, 15) + U8(1) + U8(0) + U8(1) + QByteArray(3, '\0') + U16(0xFFFF) + U16(0) +
                               U32(0) + U16(0)) +
            Record(0x0006, Cell(4, 3, 15) + U8(2) + U8(0) + U8(0x2A) + QByteArray(3, '\0') + U16(0xFFFF) + U16(0) +
                               U32(0) + U16(0)) +
            Record(0x0006, Cell(4, 4, 15) + U8(3) + QByteArray(5, '\0') + U16(0xFFFF) + U16(0) + U32(0) + U16(0)) +
            // An embedded chart's substream inside the worksheet is skipped.
            Bof(0x0020) + Record(0x0203, Cell(9, 9, 15) + F64(99)) + Eof() + Record(0x0014, String16("&CPrinted")) +
            Record(0x0026, F64(1.5)) +
            Record(0x00A1, U16(9) + U16(85) + U16(3) + U16(1) + U16(1) + U16(0x0080) + U16(600) + U16(600) + F64(0.3) +
                               F64(0.4) + U16(1));
        const QByteArray chart = Record(0x0203, Cell(0, 0, 15) + F64(1));
        const XlsWorkbook book = ReadBack(File(
            Stream(globals, {Sheet{QStringLiteral("Data"), records}, Sheet{QStringLiteral("Chart"), chart, 2, 0x0020},
                             Sheet{QStringLiteral("Second"), Record(0x00FD, Cell(0, 0, 15) + U32(0))}})));

        QCOMPARE(book.sheetCount(), 2);
        const XlsWorksheet &s = book.sheet(0);
        QCOMPARE(s.name(), QStringLiteral("Data"));
        const QList<std::tuple<int, int, Kind, QString>> expected{
            {1, 0, Kind::Integer, "1234"},
            {2, 0, Kind::Number, "25.75"},
            {3, 0, Kind::Number, "3.125"},
            {4, 0, Kind::DateTime, "41121"},
            {0, 1, Kind::DateTime, "0.427164351851852"},
            {1, 1, Kind::Text, "label µ°"},
            {2, 1, Kind::Text, "wide Ω"},
            {3, 1, Kind::Text, "rich"},
            {4, 1, Kind::Text, "Ω"},
            {0, 2, Kind::Empty, ""},
            {1, 2, Kind::Empty, ""},
            {0, 3, Kind::Text, "TRUE"},
            {1, 3, Kind::Text, "#DIV/0!"},
            {0, 4, Kind::Number, "2.5"},
            {1, 4, Kind::Text, "from formula"},
            {2, 4, Kind::Text, "TRUE"},
            {3, 4, Kind::Text, "#N/A"},
            {4, 4, Kind::Empty, ""},
            {9, 9, Kind::Empty, ""},
        };
        for (const auto &[column, row, kind, text] : expected) {
            QCOMPARE(s.cell(column, row).kind, kind);
            QCOMPARE(s.cellText(column, row, u'.'), text);
        }
        QCOMPARE(s.cell(4, 0).format, QStringLiteral("m/d/yy"));
        QCOMPARE(s.cell(0, 1).format, QStringLiteral("hh:mm:ss"));
        // Blank cells do not extend the used range; DIMENSIONS does not either.
        QCOMPARE(s.lastUsedRow(), 4);
        QCOMPARE(s.lastUsedColumn(), 4);
        QCOMPARE(s.pageHeader(), QStringLiteral("&CPrinted"));
        QCOMPARE(s.printSettings().leftMargin, 1.5);
        QCOMPARE(s.printSettings().scale, 85);
        QCOMPARE(s.printSettings().firstPageNumber, 3);
        QCOMPARE(s.printSettings().orientation, XlsPrintSettings::Orientation::Landscape);
        QCOMPARE(s.printSettings().headerMargin, 0.3);
        QCOMPARE(book.sheet(1).name(), QStringLiteral("Second"));
        QCOMPARE(book.sheet(1).cellText(0, 0, u'.'), QStringLiteral("shared"));
    }

    void readsStringsSplitAcrossContinueRecords()
    {
        // The second string starts one-byte in the SST and goes on two-byte in a CONTINUE, which
        // repeats the flags byte; the third is a rich string with phonetic data spanning the
        // boundary to the next CONTINUE.
        const QByteArray sst =
            Record(0x00FC, U32(3) + U32(3) + String16("first") + U16(6) + U8(0) + Chars("abc", false)) +
            Record(0x003C, U8(1) + Chars("ΩΩΩ", true) + U16(4) + U8(0x0C) + U16(1) + U32(6) + Chars("rich", false) +
                               U32(0) + QByteArray(2, 'p')) +
            Record(0x003C, QByteArray(4, 'p'));
        const QByteArray records = Record(0x00FD, Cell(0, 0, 15) + U32(0)) + Record(0x00FD, Cell(1, 0, 15) + U32(1)) +
                                   Record(0x00FD, Cell(2, 0, 15) + U32(2)) +
                                   Record(0x0204, Cell(3, 0, 15) + U16(4) + U8(0) + Chars("ab", false)) +
                                   Record(0x003C, U8(1) + Chars("Ωx", true));
        const XlsWorksheet s = ReadBack(OneSheet(Xfs() + sst, records)).sheet(0);
        QCOMPARE(s.cellText(0, 0, u'.'), QStringLiteral("first"));
        QCOMPARE(s.cellText(0, 1, u'.'), QStringLiteral("abcΩΩΩ"));
        QCOMPARE(s.cellText(0, 2, u'.'), QStringLiteral("rich"));
        QCOMPARE(s.cellText(0, 3, u'.'), QStringLiteral("abΩx"));
    }

    void readsThe1904DateSystem()
    {
        const QByteArray globals = Record(0x0022, U16(1)) + Xfs({14, 21});
        const QByteArray records = Record(0x0203, Cell(0, 0, 16) + F64(39659)) + // 2012-07-31 in 1904 days
                                   Record(0x0203, Cell(1, 0, 17) + F64(0.5));    // a time has no day
        const XlsWorksheet s = ReadBack(OneSheet(globals, records)).sheet(0);
        QCOMPARE(s.cellText(0, 0, u'.'), QStringLiteral("41121"));
        QCOMPARE(s.cellText(0, 1, u'.'), QStringLiteral("0.5"));
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        const QByteArray cell = Record(0x0203, Cell(0, 0, 15) + F64(1));
        QTest::newRow("encrypted") << OneSheet(Record(0x002F, U16(1) + QByteArray(52, '\0')), cell) << "encrypted";
        QTest::newRow("BIFF5 stream name") << File(Stream({}, {}), QStringLiteral("Book")) << "older than Excel 97";
        QTest::newRow("BIFF5 version") << File(Bof(0x0005, 0x0500) + Eof()) << "older than Excel 97";
        QTest::newRow("BIFF4") << File(Record(0x0409, U16(0) + U16(0x0100)) + Eof()) << "older than Excel 97";
        QTest::newRow("no Workbook stream")
            << File(QByteArray(10, 'x'), QStringLiteral("Other")) << "no Workbook stream";
    }
    void refusals()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        const QString error = ErrorOf([&] { ReadBack(file); });
        QVERIFY2(error.contains(message), qPrintable(error));
    }

    void damagedStreams_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QString>("message");
        const QByteArray good = Stream(Xfs(), {Sheet{QStringLiteral("S"), Record(0x0203, Cell(0, 0, 15) + F64(1))}});
        QTest::newRow("empty stream") << QByteArray() << "cut off";
        QTest::newRow("truncated record") << good.left(good.size() - 6) << "runs past the end";
        QTest::newRow("truncated header") << good.left(good.size() - 2) << "cut off";
        QTest::newRow("no BOF") << Eof() << "BOF";
        QTest::newRow("globals without EOF") << Bof(0x0005) + Xfs() << "without an EOF";
        QTest::newRow("worksheet without EOF") << good.left(good.size() - 4) << "without an EOF";
        QTest::newRow("SST claims more strings")
            << Stream(Record(0x00FC, U32(5) + U32(5) + String16("one")), {}) << "shorter than its contents";
        QTest::newRow("SST string longer than the record")
            << Stream(Record(0x00FC, U32(1) + U32(1) + U16(50) + U8(0) + "ab"), {}) << "cut off";
        QTest::newRow("SST rich data beyond the record")
            << Stream(Record(0x00FC, U32(1) + U32(1) + U16(1) + U8(0x04) + U32(0xFFFFFFFF) + "a"), {})
            << "shorter than its contents";
        QTest::newRow("shared string index beyond the table")
            << Stream(Record(0x00FC, U32(1) + U32(1) + String16("a")),
                      {Sheet{"S", Record(0x00FD, Cell(0, 0, 15) + U32(7))}})
            << "shared string 7 of 1";
        QTest::newRow("sheet offset beyond the stream") << [] {
            QByteArray s = Stream({}, {Sheet{"S", {}}});
            qToLittleEndian(quint32{0x7FFFFFFF}, s.data() + 20 + 4);
            return s;
        }() << "outside the stream";
        QTest::newRow("substreams overlap") << [] {
            QByteArray s = Stream({}, {Sheet{"A", {}}, Sheet{"B", {}}});
            qToLittleEndian(quint32{0}, s.data() + 20 + 4); // sheet A points at the globals
            return s;
        }() << "overlaps";
        QTest::newRow("cell column beyond the worksheet")
            << Stream({}, {Sheet{"S", Record(0x0203, Cell(0, 300, 15) + F64(1))}}) << "column 300";
        QTest::newRow("short cell record") << Stream({}, {Sheet{"S", Record(0x0203, Cell(0, 0, 15))}}) << "too short";
        QTest::newRow("character split between records")
            << Stream({}, {Sheet{"S", Record(0x0204, Cell(0, 0, 15) + U16(2) + U8(1) + "a") + Record(0x003C, "b")}})
            << "split";
    }
    void damagedStreams()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QString, message);
        const QString error = ErrorOf([&] { ReadBack(File(stream)); });
        QVERIFY2(error.contains(message), qPrintable(error));
    }

    void oddButHarmlessInput()
    {
        // Non-finite numbers read as empty cells; an unknown cell format reads as general.
        const QByteArray records =
            Record(0x0203, Cell(0, 0, 15) + F64(std::nan(""))) + Record(0x0203, Cell(1, 0, 999) + F64(1.25));
        const XlsWorksheet s = ReadBack(OneSheet({}, records)).sheet(0);
        QCOMPARE(s.cell(0, 0).kind, Kind::Empty);
        QCOMPARE(s.cellText(0, 1, u'.'), QStringLiteral("1.25"));
        // A workbook with no worksheet at all reads as one without worksheets.
        QCOMPARE(ReadBack(File(Stream({}, {}))).sheetCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_xls_workbook.moc"
