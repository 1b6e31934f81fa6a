// The comma-separated batch file: its bytes, its check code against an independent CRC-32, replacing an
// existing file only when the new one is complete, the file date, and reading a file into a sheet.
#include "BatchVariants.h"
#include "files/BatchSheet.h"
#include "files/CsvFile.h"
#include "files/FileDate.h"
#include "files/FileReplacement.h"
#include "files/Sheet.h"
#include "files/SheetFile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

namespace {

TSheet BatchSheet(int count, const QString &firmware, bool bresle, const QString &name = QStringLiteral("Deck A"),
                  int id = 3)
{
    TBatches list;
    TBatch *batch = AddBatch(list, count, name, id);
    TSheet sheet;
    RecordingStatus status;
    BuildBatchSheet(*batch, Meter(firmware, bresle), sheet, status);
    return sheet;
}

// Commas that separate cells, those inside double quotes not counted.
int SeparatingCommas(const QByteArray &line)
{
    int commas = 0;
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            ++commas;
    }
    return commas;
}

QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestCsvFile : public QObject {
    Q_OBJECT
private slots:
    void init() { UserLocale::SetCurrent(PointLocale()); }
    void matchesTheGoldenFiles_data();
    void matchesTheGoldenFiles();
    void fileShape_data();
    void fileShape();
    void checkCodeAgreesWithZlib();
    void failedSaveLeavesTheOldFile_data();
    void failedSaveLeavesTheOldFile();
    void replacingKeepsPermissions();
    void replacementWrittenByName();
    void savingThroughALinkKeepsTheLink();
    void fileCarriesTheDate();
    void dateOutsideTheFormLeavesNoFile();
    void fileDateForm_data();
    void fileDateForm();
    void readsLinesIntoRows_data();
    void readsLinesIntoRows();
    void readFailures_data();
    void readFailures();

private:
    QTemporaryDir FDir;
};

void TestCsvFile::matchesTheGoldenFiles_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("bresle");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("count");
    QTest::newRow("older firmware") << "older_firmware.CSV" << OlderFirmware << false << "Deck A" << 3 << 3;
    QTest::newRow("newer firmware with Bresle")
        << "newer_firmware_bresle.CSV" << NewerFirmware << true << "SHIPHULL0001" << 12 << 4;
}

void TestCsvFile::matchesTheGoldenFiles()
{
    QFETCH(QString, fixture);
    QFETCH(QString, firmware);
    QFETCH(bool, bresle);
    QFETCH(QString, name);
    QFETCH(int, id);
    QFETCH(int, count);
    const QString file = FDir.filePath(fixture);
    SaveSheetToFile(file, name, BatchSheet(count, firmware, bresle, name, id));
    const QByteArray expected = ReadBytes(QStringLiteral(FILE_FIXTURES "/") + fixture);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(ReadBytes(file), expected);
}

void TestCsvFile::fileShape_data()
{
    BatchVariants();
}

void TestCsvFile::fileShape()
{
    QFETCH(QString, firmware);
    QFETCH(bool, bresle);
    QFETCH(int, count);
    QFETCH(bool, comma);
    UserLocale::SetCurrent(comma ? CommaLocale() : PointLocale());
    const QString file = FDir.filePath(QStringLiteral("shape.CSV"));
    SaveSheetToFile(file, QString(), BatchSheet(count, firmware, bresle));
    const QByteArray bytes = ReadBytes(file);

    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\n'), count + 30);
    QCOMPARE(bytes.count("\r\n"), count + 30);
    QCOMPARE(bytes.count('\r'), count + 30);
    // Single-byte Windows-1252: µ, ° and ² are the bytes B5, B0 and B2 and nothing else is above 7F.
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        QVERIFY2(b < 0x80 || b == 0xB5 || b == 0xB0 || b == 0xB2, qPrintable(QString::number(b, 16)));
    }
    const QList<QByteArray> lines = Lines(bytes);
    for (const QByteArray &line : lines)
        QVERIFY2(SeparatingCommas(line) == 8, line.constData());
    QCOMPARE(lines[3],
             comma ? QByteArray("\"Servo Usage\",,,,\"1,4\",Hours,,,") : QByteArray("\"Servo Usage\",,,,1.4,Hours,,,"));
    QCOMPARE(lines[25], QByteArray("\"Reading Table:\",,,,,,,,"));
    if (count > 0) {
        const int first = (bresle && firmware == NewerFirmware) ? 29 : 28;
        QVERIFY(lines[first].startsWith(comma ? "1,31.07.2012,11:00:00,900,\"21,4\",\"70,5\",970,1161"
                                              : "1,31/07/2012,11:00:00,900,21.4,70.5,970,1161"));
    } else {
        QCOMPARE(lines[26], QByteArray("\"This Batch has no readings!.\",,,,,,,,"));
    }
}

void TestCsvFile::checkCodeAgreesWithZlib()
{
    // A combined file: sections one after the other, two lines of 9 commas between them.
    const QString file = FDir.filePath(QStringLiteral("combined.CSV"));
    QByteArray bytes;
    const QList<TSheet> sheets{BatchSheet(3, OlderFirmware, false), BatchSheet(0, NewerFirmware, false),
                               BatchSheet(100, NewerFirmware, true, QStringLiteral("Stern, \"B\""))};
    for (int i = 0; i < sheets.size(); ++i) {
        if (i > 0)
            bytes += CsvSectionSeparator(9);
        bytes += SheetToCsv(sheets[i]);
    }
    QVERIFY(WriteBytes(file, bytes));
    const QList<QByteArray> lines = Lines(bytes);
    QCOMPARE(lines.size(), 33 + 2 + 30 + 2 + 130);
    QCOMPARE(lines[33], QByteArray(",,,,,,,,,"));
    QCOMPARE(lines[34], QByteArray(",,,,,,,,,"));

    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral(CHECK_CRC_SCRIPT), file});
    QVERIFY(python.waitForFinished(30000));
    QCOMPARE(python.exitCode(), 0);
    const QStringList results = QString::fromLatin1(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(results.size(), 3);
    for (int i = 0; i < results.size(); ++i) {
        const QStringList codes = results[i].split(' ');
        QCOMPARE(codes.size(), 2);
        QCOMPARE(codes[0], sheets[i].Cell(4, 15).mid(1));
        QCOMPARE(codes[1], codes[0]);
    }
}

void TestCsvFile::failedSaveLeavesTheOldFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("parent is a regular file") << "file parent";
    QTest::newRow("read-only folder") << "read-only";
    QTest::newRow("name taken by a folder") << "folder";
}

void TestCsvFile::failedSaveLeavesTheOldFile()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QString folder = dir.path();
    QString target = dir.filePath(QStringLiteral("batch.CSV"));
    const QByteArray old("old content\r\n");
    if (kind == QLatin1String("file parent")) {
        QVERIFY(WriteBytes(dir.filePath(QStringLiteral("plain")), old));
        target = dir.filePath(QStringLiteral("plain/batch.CSV"));
    } else if (kind == QLatin1String("read-only")) {
        folder = dir.filePath(QStringLiteral("ro"));
        QVERIFY(QDir().mkdir(folder));
        target = folder + QStringLiteral("/batch.CSV");
        QVERIFY(WriteBytes(target, old));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        if (access(QFile::encodeName(folder).constData(), W_OK) == 0) {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("running with rights that write into read-only folders");
        }
    } else {
        QVERIFY(QDir().mkdir(target));
        QVERIFY(WriteBytes(target + QStringLiteral("/inside"), old));
    }
    const QStringList before = Entries(folder);

    const QString message = Raised([&] { SaveSheetToFile(target, QString(), BatchSheet(1, OlderFirmware, false)); });
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(message, QStringLiteral("Could not save data to csv file."));
    QCOMPARE(Entries(folder), before); // no temporary file left behind
    if (kind == QLatin1String("read-only"))
        QCOMPARE(ReadBytes(target), old);
    if (kind == QLatin1String("folder"))
        QCOMPARE(ReadBytes(target + QStringLiteral("/inside")), old);
}

void TestCsvFile::replacingKeepsPermissions()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("batch.CSV"));
    QVERIFY(WriteBytes(target, "old"));
    const TSheet sheet = BatchSheet(1, OlderFirmware, false);
    for (const auto mode :
         {QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup, QFile::ReadOwner | QFile::ReadOther}) {
        QVERIFY(QFile::setPermissions(target, mode));
        SaveSheetToFile(target, QString(), sheet, EncodeDate(2012, 7, 31));
        QCOMPARE(ReadBytes(target), SheetToCsv(sheet));
        QCOMPARE(QFile::permissions(target) & ~(QFile::ReadUser | QFile::WriteUser), mode);
        QCOMPARE(QFileInfo(target).lastModified(), QDateTime(QDate(2012, 7, 31), QTime(0, 0)));
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
    QCOMPARE(Entries(dir.path()), QStringList{"batch.CSV"});
}

// Writers that take a file name (the workbook engine) write the temporary file by its name.
void TestCsvFile::replacementWrittenByName()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("book.XLS"));
    QVERIFY(WriteBytes(target, "old"));
    {
        TFileReplacement abandoned(target);
        QVERIFY(abandoned.Create());
        QVERIFY(QFileInfo(abandoned.TempName()).absolutePath() == dir.path());
        QVERIFY(WriteBytes(abandoned.TempName(), "half"));
    }
    QCOMPARE(Entries(dir.path()), QStringList{"book.XLS"});
    QCOMPARE(ReadBytes(target), QByteArray("old"));

    TFileReplacement out(target);
    QVERIFY(out.Create());
    out.File().close();
    QVERIFY(WriteBytes(out.TempName(), "new"));
    QVERIFY(SetFileDate(out.TempName(), EncodeDate(2000, 1, 1)));
    QVERIFY(out.Commit());
    QVERIFY(!out.Commit());
    QCOMPARE(ReadBytes(target), QByteArray("new"));
    QCOMPARE(QFileInfo(target).lastModified(), QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    QCOMPARE(Entries(dir.path()), QStringList{"book.XLS"});
}

void TestCsvFile::savingThroughALinkKeepsTheLink()
{
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.CSV"));
    const QString link = dir.filePath(QStringLiteral("link.CSV"));
    QVERIFY(WriteBytes(real, "old"));
    QVERIFY(QFile::link(real, link));
    const TSheet sheet = BatchSheet(0, OlderFirmware, false);
    SaveSheetToFile(link, QString(), sheet);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(ReadBytes(real), SheetToCsv(sheet));
}

void TestCsvFile::fileCarriesTheDate()
{
    const QString file = FDir.filePath(QStringLiteral("dated.CSV"));
    SaveSheetToFile(file, QString(), BatchSheet(1, OlderFirmware, false),
                    EncodeDateTime(QDate(2012, 7, 31), QTime(10, 15, 7, 800)));
    // Two-second form: 10:15:07 becomes 10:15:06.
    QCOMPARE(QFileInfo(file).lastModified(), QDateTime(QDate(2012, 7, 31), QTime(10, 15, 6)));

    QVERIFY(SetFileDate(file, EncodeDateTime(QDate(1980, 1, 1), QTime(0, 0, 1))));
    QCOMPARE(QFileInfo(file).lastModified(), QDateTime(QDate(1980, 1, 1), QTime(0, 0, 0)));
    QVERIFY(!SetFileDate(FDir.filePath(QStringLiteral("missing.CSV")), EncodeDate(2012, 1, 1)));
    QVERIFY(!QFileInfo::exists(FDir.filePath(QStringLiteral("missing.CSV"))));
}

void TestCsvFile::dateOutsideTheFormLeavesNoFile()
{
    QTemporaryDir dir;
    const TDateTime early = EncodeDateTime(QDate(1979, 12, 31), QTime(23, 59, 59));
    const QString fresh = dir.filePath(QStringLiteral("new.CSV"));
    QCOMPARE(Raised([&] { SaveSheetToFile(fresh, QString(), BatchSheet(1, OlderFirmware, false), early); }),
             QStringLiteral("The date could not be set on the batch file."));
    QVERIFY(Entries(dir.path()).isEmpty());

    const QString existing = dir.filePath(QStringLiteral("old.CSV"));
    QVERIFY(WriteBytes(existing, "old"));
    const QDateTime stamp(QDate(2001, 2, 3), QTime(4, 5, 6));
    {
        QFile f(existing);
        QVERIFY(f.open(QIODevice::Append));
        QVERIFY(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    QCOMPARE(Raised([&] { SaveSheetToFile(existing, QString(), BatchSheet(1, OlderFirmware, false), early); }),
             QStringLiteral("The date could not be set on the batch file."));
    QCOMPARE(ReadBytes(existing), QByteArray("old"));
    QCOMPARE(QFileInfo(existing).lastModified(), stamp);
    QCOMPARE(Entries(dir.path()), QStringList{"old.CSV"});
}

void TestCsvFile::fileDateForm_data()
{
    QTest::addColumn<double>("when");
    QTest::addColumn<QDateTime>("stamp");
    QTest::newRow("first moment") << EncodeDate(1980, 1, 1) << QDateTime(QDate(1980, 1, 1), QTime(0, 0));
    QTest::newRow("odd second rounds down")
        << EncodeDateTime(QDate(2012, 7, 31), QTime(10, 15, 59)) << QDateTime(QDate(2012, 7, 31), QTime(10, 15, 58));
    QTest::newRow("last moment") << EncodeDateTime(QDate(2107, 12, 31), QTime(23, 59, 59))
                                 << QDateTime(QDate(2107, 12, 31), QTime(23, 59, 58));
    QTest::newRow("before 1980") << EncodeDateTime(QDate(1979, 12, 31), QTime(23, 59, 59)) << QDateTime();
    QTest::newRow("after 2107") << EncodeDate(2108, 1, 1) << QDateTime();
    QTest::newRow("1900") << EncodeDate(1900, 1, 1) << QDateTime();
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QDateTime();
    QTest::newRow("huge") << 1e300 << QDateTime();
}

void TestCsvFile::fileDateForm()
{
    QFETCH(double, when);
    QFETCH(QDateTime, stamp);
    const auto date = FileDateOf(when);
    QCOMPARE(date.has_value(), stamp.isValid());
    if (date)
        QCOMPARE(*date, stamp);
}

void TestCsvFile::readsLinesIntoRows_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("CR LF") << QByteArray("a,b,c\r\n1,\"x, y\",3,4\r\n,,\r\n");
    QTest::newRow("LF only") << QByteArray("a,b,c\n1,\"x, y\",3,4\n,,\n");
    QTest::newRow("no final line end") << QByteArray("a,b,c\r\n1,\"x, y\",3,4\r\n,,");
}

void TestCsvFile::readsLinesIntoRows()
{
    QFETCH(QByteArray, bytes);
    const QString file = FDir.filePath(QStringLiteral("lines.CSV"));
    QVERIFY(WriteBytes(file, bytes));
    TSheet sheet(8, 1);
    RecordingStatus status;
    ReadCsvFile(file, sheet, status);
    // The sheet starts with one empty row; the first line decides the columns.
    QCOMPARE(sheet.RowCount(), 4);
    QCOMPARE(sheet.ColCount(), 3);
    QCOMPARE(sheet.Row(0), (QStringList{"", "", ""}));
    QCOMPARE(sheet.Row(1), (QStringList{"a", "b", "c"}));
    QCOMPARE(sheet.Row(2), (QStringList{"1", "x, y", "3"}));
    QCOMPARE(sheet.Row(3), (QStringList{"", "", ""}));
    QCOMPARE(status.Events, (QStringList{"Opening lines.CSV", "Reading line 2 from lines.CSV",
                                         "Reading line 3 from lines.CSV", "Reading line 4 from lines.CSV", "<clear>"}));
}

void TestCsvFile::readFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing file") << "missing";
    QTest::newRow("folder") << "folder";
    QTest::newRow("absurdly long line") << "long";
}

void TestCsvFile::readFailures()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("in.CSV"));
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(file));
    if (kind == QLatin1String("long"))
        QVERIFY(WriteBytes(file, "a,b\r\n" + QByteArray(4 * 1024 * 1024, 'x') + "\r\nc,d\r\n"));
    TSheet sheet(8, 1);
    RecordingStatus status;
    QCOMPARE(Raised([&] { ReadCsvFile(file, sheet, status); }), QStringLiteral("Could not read data from csv file."));
    QCOMPARE(status.Events.first(), QStringLiteral("Opening in.CSV"));
    QCOMPARE(status.Events.last(), QStringLiteral("<clear>"));
}

QTEST_GUILESS_MAIN(TestCsvFile)
#include "tst_csvfile.moc"
