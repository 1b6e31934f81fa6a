// Workbooks against programs nobody here wrote: Python's xlrd and LibreOffice read what we write,
// and we read what xlwt and LibreOffice write for the batch report layout.
#include "model/Errors.h"
#include "support/Peers.h"
#include "xls/XlsFormats.h"
#include "xls/XlsWorkbook.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Fixtures = QStringLiteral(VORNELL_XLS_FIXTURES);
const QString Scripts = QStringLiteral(VORNELL_XLS_SCRIPTS);
const QString BatchCsv = Fixtures + QStringLiteral("/batch_layout.CSV");
const QString DateCode = QStringLiteral("dd/mm/yyyy");
const QString TimeCode = QStringLiteral("hh:mm:ss");

// How the report's texts become typed cells, as the batch files use them.
enum class Type { Integer, Decimal, Date, Time, Text };
Type TypeOf(const QString &text)
{
    static const QRegularExpression integer(QStringLiteral("^\\s*[+-]?\\d+$"));
    static const QRegularExpression decimal(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    static const QRegularExpression date(QStringLiteral("^\\d\\d/\\d\\d/\\d\\d\\d\\d$"));
    static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    if (integer.match(text).hasMatch())
        return Type::Integer;
    if (decimal.match(text).hasMatch())
        return Type::Decimal;
    if (date.match(text).hasMatch())
        return Type::Date;
    if (time.match(text).hasMatch())
        return Type::Time;
    return Type::Text;
}
double DayNumber(const QString &text)
{
    return static_cast<double>(QDate(1899, 12, 30).daysTo(QDate::fromString(text, QStringLiteral("dd/MM/yyyy"))));
}
double DayFraction(const QString &text)
{
    return QTime::fromString(text, QStringLiteral("HH:mm:ss")).msecsSinceStartOfDay() / 86400000.0;
}

// What a cell written from the text reads back as.
QString ReadBackText(const QString &text)
{
    switch (TypeOf(text)) {
    case Type::Integer:
        return QString::number(text.trimmed().toLongLong());
    case Type::Decimal:
        return XlsNumberText(text.trimmed().toDouble(), u'.');
    case Type::Date:
        return XlsNumberText(DayNumber(text), u'.');
    case Type::Time:
        return XlsNumberText(DayFraction(text), u'.');
    case Type::Text:
        return text;
    }
    return text;
}

// What a spreadsheet program shows for it: dates and times in their formats, numbers in general.
QString ShownText(const QString &text)
{
    return TypeOf(text) == Type::Decimal || TypeOf(text) == Type::Integer ? ReadBackText(text) : text;
}

void FillFromCsv(XlsWorksheet &sheet, const QList<QStringList> &rows)
{
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c) {
            const QString &text = rows[r][c];
            switch (TypeOf(text)) {
            case Type::Integer:
                sheet.setInteger(c, r, text.trimmed().toLongLong());
                break;
            case Type::Decimal:
                sheet.setNumber(c, r, text.trimmed().toDouble());
                break;
            case Type::Date:
                sheet.setDateTime(c, r, DayNumber(text), DateCode);
                break;
            case Type::Time:
                sheet.setDateTime(c, r, DayFraction(text), TimeCode);
                break;
            case Type::Text:
                sheet.setText(c, r, text);
                break;
            }
        }
}

const QString BatchName = QStringLiteral("Deck A      ");
const QString Header = QStringLiteral("&L&D  &T &C Batch Report: Deck A       &R&P of &N");
const QString Mixed = QStringLiteral("Mesures µ°² Ω€");

XlsWorkbook OurWorkbook()
{
    XlsWorkbook book;
    XlsWorksheet &batch = book.sheet(0);
    batch.setName(BatchName);
    batch.setPageHeader(Header);
    FillFromCsv(batch, ReadPeerCsv(BatchCsv));
    XlsWorksheet &second = book.addSheet();
    second.setName(Mixed);
    second.setPageHeader(QStringLiteral("&CÜbersicht Ω"));
    for (int i = 0; i < 2000; ++i) // a shared string table of several records
        second.setText(i % 4, i / 4, QStringLiteral("Wert %1 Ω µS/cm").arg(i));
    second.setNumber(5, 0, 1234567.891);
    second.setDateTime(5, 1, 41121.75, DateCode + u' ' + TimeCode);
    book.addSheet().setName(QStringLiteral("Empty"));
    return book;
}

void CompareWithCsv(const XlsWorksheet &sheet, const QList<QStringList> &rows, const QString &program)
{
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c) {
            const QString read = sheet.cellText(c, r, u'.');
            if (read != ReadBackText(rows[r][c]))
                QFAIL(qPrintable(QStringLiteral("%1 workbook, column %2 row %3: read \"%4\", expected \"%5\"")
                                     .arg(program)
                                     .arg(c)
                                     .arg(r)
                                     .arg(read, ReadBackText(rows[r][c]))));
        }
    int lastColumn = 0;
    for (const QStringList &row : rows)
        for (int c = 0; c < row.size(); ++c)
            if (!row[c].isEmpty())
                lastColumn = std::max(lastColumn, c);
    QCOMPARE(sheet.lastUsedColumn(), lastColumn);
    QCOMPARE(sheet.lastUsedRow(), static_cast<int>(rows.size()) - 3); // the last two rows are empty
}

} // namespace

class TestPeers : public QObject {
    Q_OBJECT

private slots:
    void xlrdReadsOurWorkbook()
    {
        const QString python = PeerPython();
        if (python.isEmpty())
            QSKIP("Python 3 with xlrd and xlwt is not installed (scripts/deps installs python3-xlrd and python3-xlwt)");
        QTemporaryDir dir;
        XlsWorkbook book = OurWorkbook();
        book.setFileName(dir.filePath(QStringLiteral("ours.xls")));
        book.write();
        QByteArray json;
        QVERIFY(RunPeer(python, {Scripts + QStringLiteral("/xlrd_dump.py"), book.fileName()}, &json));
        const QJsonObject read = QJsonDocument::fromJson(json).object();
        QCOMPARE(read.value("datemode").toInt(), 0);
        const QJsonArray sheets = read.value("sheets").toArray();
        QCOMPARE(sheets.size(), book.sheetCount());

        for (int i = 0; i < book.sheetCount(); ++i) {
            const XlsWorksheet &ours = book.sheet(i);
            const QJsonObject theirs = sheets[i].toObject();
            QCOMPARE(theirs.value("name").toString(), ours.name());
            QCOMPARE(theirs.value("header").toString(), ours.pageHeader());
            QCOMPARE(theirs.value("nrows").toInt(), ours.lastUsedRow() + 1);
            QCOMPARE(theirs.value("ncols").toInt(), ours.lastUsedColumn() + 1);
            const QJsonArray cells = theirs.value("cells").toArray();
            QCOMPARE(cells.size(), ours.cellCount());
            for (const QJsonValue &value : cells) {
                const QJsonArray cell = value.toArray();
                const XlsCell &expected = ours.cell(cell[1].toInt(), cell[0].toInt());
                const int type = cell[2].toInt(); // xlrd: 1 text, 2 number, 3 date
                switch (expected.kind) {
                case XlsCell::Kind::Text:
                    QCOMPARE(type, 1);
                    QCOMPARE(cell[3].toString(), expected.text);
                    break;
                case XlsCell::Kind::Integer:
                    QCOMPARE(type, 2);
                    QCOMPARE(cell[3].toDouble(), static_cast<double>(expected.integer));
                    break;
                case XlsCell::Kind::Number:
                    QCOMPARE(type, 2);
                    QCOMPARE(cell[3].toDouble(), expected.number);
                    break;
                case XlsCell::Kind::DateTime:
                    QCOMPARE(type, 3);
                    QCOMPARE(cell[3].toDouble(), expected.number);
                    QCOMPARE(cell[4].toString(), expected.format);
                    break;
                case XlsCell::Kind::Empty:
                    QFAIL("xlrd reads a cell we did not write");
                }
            }
        }
    }

    void libreOfficeConvertsOurWorkbook()
    {
        const QString soffice = PeerSoffice();
        if (soffice.isEmpty())
            QSKIP("LibreOffice is not installed (scripts/deps installs libreoffice-calc-nogui)");
        QTemporaryDir dir;
        XlsWorkbook book = OurWorkbook();
        book.setFileName(dir.filePath(QStringLiteral("ours.xls")));
        book.write();
        // Every worksheet to a file of its own, UTF-8, cells as shown.
        QVERIFY(RunPeer(soffice, SofficeArguments(dir) +
                                     QStringList{QStringLiteral("--convert-to"), SofficeCsvFilter()} + OutDir(dir) +
                                     QStringList{book.fileName()}));
        const QDir out(dir.filePath(QStringLiteral("out")));
        auto shown = [&](const QString &sheet) {
            return ReadPeerCsv(out.filePath(QStringLiteral("ours-%1.csv").arg(sheet)));
        };

        const QList<QStringList> expected = ReadPeerCsv(BatchCsv);
        const QList<QStringList> batch = shown(BatchName);
        QVERIFY2(!batch.isEmpty(), qPrintable(out.entryList().join(u',')));
        for (int r = 0; r < expected.size() - 2; ++r)
            for (int c = 0; c < expected[r].size(); ++c) {
                const QString cell = c < batch.value(r).size() ? batch[r][c] : QString();
                QVERIFY2(cell == ShownText(expected[r][c]),
                         qPrintable(QStringLiteral("column %1 row %2: \"%3\"").arg(c).arg(r).arg(cell)));
            }
        const QList<QStringList> mixed = shown(Mixed);
        QCOMPARE(mixed.value(0).value(0), QStringLiteral("Wert 0 Ω µS/cm"));
        QCOMPARE(mixed.value(499).value(3), QStringLiteral("Wert 1999 Ω µS/cm"));
        QCOMPARE(mixed.value(0).value(5), QStringLiteral("1234567.891"));
        QCOMPARE(mixed.value(1).value(5), QStringLiteral("31/07/2012 18:00:00"));

        // It prints too: the PDF of the first worksheet.
        QVERIFY(RunPeer(soffice, SofficeArguments(dir) +
                                     QStringList{QStringLiteral("--convert-to"), QStringLiteral("pdf")} + OutDir(dir) +
                                     QStringList{book.fileName()}));
        QVERIFY(QFileInfo(out.filePath(QStringLiteral("ours.pdf"))).size() > 1000);
    }

    void readsWhatXlwtWrites()
    {
        const QString python = PeerPython();
        if (python.isEmpty())
            QSKIP("Python 3 with xlrd and xlwt is not installed (scripts/deps installs python3-xlrd and python3-xlwt)");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("xlwt.xls"));
        QVERIFY(RunPeer(python, {Scripts + QStringLiteral("/make_xlwt_fixture.py"), BatchCsv, path}));
        XlsWorkbook book;
        book.setFileName(path);
        book.read();
        QCOMPARE(book.sheetCount(), 2);
        QCOMPARE(book.sheet(0).name(), QStringLiteral("Deck A"));
        QCOMPARE(book.sheet(0).pageHeader(), QStringLiteral("&L&D  &T &C Batch Report: Deck A &R&P of &N"));
        CompareWithCsv(book.sheet(0), ReadPeerCsv(BatchCsv), QStringLiteral("xlwt"));

        const XlsWorksheet &other = book.sheet(1);
        QCOMPARE(other.cellText(0, 0, u'.'), QStringLiteral("text 0000 µ"));
        QCOMPARE(other.cellText(4, 299, u'.'), QStringLiteral("text 1499 µ"));
        QCOMPARE(other.cellText(0, 400, u'.'), QString()); // a formatted blank
        QCOMPARE(other.cellText(0, 401, u'.'), QStringLiteral("merged"));
        QCOMPARE(other.cellText(1, 401, u'.'), QString());
        QCOMPARE(other.cellText(0, 402, u'.'), QStringLiteral("TRUE"));
    }

    void readsWhatLibreOfficeWrites()
    {
        // The stored conversion first, so the reader is checked where LibreOffice is missing too.
        XlsWorkbook stored;
        stored.setFileName(Fixtures + QStringLiteral("/libreoffice_batch_layout.xls"));
        stored.read();
        QCOMPARE(stored.sheetCount(), 1);
        CompareWithCsv(stored.sheet(0), ReadPeerCsv(BatchCsv), QStringLiteral("stored LibreOffice"));

        const QString soffice = PeerSoffice();
        if (soffice.isEmpty())
            QSKIP("LibreOffice is not installed (scripts/deps installs libreoffice-calc-nogui)");
        QTemporaryDir dir;
        // British English, so that the day comes first in the dates.
        QVERIFY(RunPeer(
            soffice,
            SofficeArguments(dir) +
                QStringList{QStringLiteral("--infilter=Text - txt - csv (StarCalc):44,34,1252,1,,2057,false,true"),
                            QStringLiteral("--convert-to"), QStringLiteral("xls:MS Excel 97")} +
                OutDir(dir) + QStringList{BatchCsv}));
        XlsWorkbook book;
        book.setFileName(dir.filePath(QStringLiteral("out/batch_layout.xls")));
        book.read();
        QCOMPARE(book.sheet(0).name(), QStringLiteral("batch_layout"));
        CompareWithCsv(book.sheet(0), ReadPeerCsv(BatchCsv), QStringLiteral("LibreOffice"));
    }
};

QTEST_GUILESS_MAIN(TestPeers)
#include "tst_xls_peers.moc"
