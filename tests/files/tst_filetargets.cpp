// Where a batch file goes and which form it takes: the form by the name's extension in any letter
// case when saving and by the content when importing; regular files replaced only when the new one is
// complete, links followed, device nodes and FIFOs written in place; file dates on days when the clock
// changes (this test runs in Europe/Berlin).
#include "FileFixtures.h"
#include "device/Communication.h"
#include "files/BatchImport.h"
#include "files/BatchSheet.h"
#include "files/CsvFile.h"
#include "files/FileDate.h"
#include "files/FileFormat.h"
#include "files/SaveCommands.h"
#include "files/Sheet.h"
#include "files/SheetFile.h"
#include "model/BatchSource.h"
#include "support/ScriptedPrompts.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

const QByteArray CompoundFileSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");

TSheet BatchSheet(TBatch &batch, const TDeviceInfo &info)
{
    TSheet sheet;
    RecordingStatus status;
    BuildBatchSheet(batch, info, sheet, status);
    return sheet;
}

// Each batch's check result as the import gives it, or the import's error.
QString Verify(const QString &file)
{
    TBatches list;
    RecordingStatus status;
    ScriptedPrompts prompts;
    const QString error = Raised([&] { TBatchImport(list, status, prompts).ImportFile(file); });
    if (!error.isEmpty())
        return error;
    QStringList results;
    for (int i = 0; i < list.Count(); ++i)
        results << (list.GetBatch(i)->FCheckResult == crPassed ? QStringLiteral("Passed") : QStringLiteral("Not"));
    return results.join(QLatin1Char(' '));
}

bool IsRoot()
{
    return ::geteuid() == 0;
}

// A character device node made here: 1,3 is the null device, 1,7 the full one. Root only.
bool MakeNode(const QString &path, unsigned minor)
{
    return ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, minor)) == 0;
}

bool IsCharDevice(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

bool IsFifo(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

struct Rig {
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    RecordingStatus status;
    TdmCommunication comm{prompts};
    TMeterSource meter{std::make_shared<TDeviceInfo>(Meter(QString::fromLatin1(NewerFirmware), true))};
    QString lastSavePath;
    TSaveCommands save{comm, meter, lastSavePath, status, prompts};
    TBatches batches;

    QString File(const QString &name) const { return dir.filePath(name); }
};

} // namespace

class TestFileTargets : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }
    void init() { UserLocale::SetCurrent(PointLocale()); }
    void formatFollowsTheName_data();
    void formatFollowsTheName();
    void importFollowsTheContent();
    void savingThroughLinks();
    void fifoIsWrittenInPlace();
    void fifoWithoutReaderFails();
    void deviceNodeIsWrittenInPlace();
    void fullDeviceFails_data();
    void fullDeviceFails();
    void clockChangeDays_data();
    void clockChangeDays();
};

void TestFileTargets::formatFollowsTheName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("text");
    QTest::newRow("CSV") << "report.CSV" << true;
    QTest::newRow("csv") << "report.csv" << true;
    QTest::newRow("Csv") << "report.Csv" << true;
    QTest::newRow("XLS") << "report.XLS" << false;
    QTest::newRow("xls") << "report.xls" << false;
    QTest::newRow("no extension") << "report" << false;
    QTest::newRow("csv inside the name") << "report.csv.bak" << false;
    QTest::newRow("CSV only in the folder name") << "x.CSV/report" << false;
}

void TestFileTargets::formatFollowsTheName()
{
    QFETCH(QString, name);
    QFETCH(bool, text);
    QCOMPARE(SaveFormat(name) == TFileFormat::Csv, text);
    Rig r;
    QVERIFY(QDir().mkpath(r.File(QStringLiteral("x.CSV"))));
    TBatch *batch = AddBatch(r.batches, 2);
    const QString file = r.File(name);
    r.prompts.Files = {file};
    r.save.SaveBatch(*batch);
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join(QLatin1Char('|'))));
    QCOMPARE(ReadBytes(file).startsWith(CompoundFileSignature), !text);
    QCOMPARE(ReadBytes(file).startsWith("\"Serial Number\""), text);
    QCOMPARE(Verify(file), QStringLiteral("Passed"));
    r.prompts.Files = {file};
    r.save.SaveAllBatchesToOneFile({batch, AddBatch(r.batches, 1, QStringLiteral("Deck B"))});
    QCOMPARE(ReadBytes(file).startsWith(CompoundFileSignature), !text);
    QCOMPARE(Verify(file), QStringLiteral("Passed Passed"));
}

// A file renamed to the other extension still reads: the content decides.
void TestFileTargets::importFollowsTheContent()
{
    Rig r;
    TBatch *batch = AddBatch(r.batches, 3);
    const TSheet sheet = BatchSheet(*batch, *r.meter.DeviceInfo());
    SaveSheetToFile(r.File(QStringLiteral("a.XLS")), batch->FName, sheet);
    SaveSheetToFile(r.File(QStringLiteral("a.CSV")), batch->FName, sheet);
    QVERIFY(QFile::rename(r.File(QStringLiteral("a.XLS")), r.File(QStringLiteral("workbook.CSV"))));
    QVERIFY(QFile::rename(r.File(QStringLiteral("a.CSV")), r.File(QStringLiteral("text.XLS"))));
    QCOMPARE(ImportFormat(r.File(QStringLiteral("workbook.CSV"))), TFileFormat::Workbook);
    QCOMPARE(ImportFormat(r.File(QStringLiteral("text.XLS"))), TFileFormat::Csv);
    QCOMPARE(Verify(r.File(QStringLiteral("workbook.CSV"))), QStringLiteral("Passed"));
    QCOMPARE(Verify(r.File(QStringLiteral("text.XLS"))), QStringLiteral("Passed"));
    // Too short for a signature, or nothing at all: text, and no batch in it.
    QVERIFY(WriteBytes(r.File(QStringLiteral("short.XLS")), "\xD0\xCF"));
    QCOMPARE(ImportFormat(r.File(QStringLiteral("short.XLS"))), TFileFormat::Csv);
    QCOMPARE(Verify(r.File(QStringLiteral("short.XLS"))), QStringLiteral("No batch was found in the file."));
    QCOMPARE(ImportFormat(r.File(QStringLiteral("missing.XLS"))), TFileFormat::Csv);
    // A workbook that is not there, or may not be read, says so as a workbook; a text file as text.
    QCOMPARE(Verify(r.File(QStringLiteral("missing.XLS"))),
             QStringLiteral("Could not read data from xls file. The file missing.XLS cannot be read."));
    QCOMPARE(Verify(r.File(QStringLiteral("missing.CSV"))), QStringLiteral("Could not read data from csv file."));
    // The signature and then rubbish: a workbook that cannot be read.
    QVERIFY(WriteBytes(r.File(QStringLiteral("broken.csv")), CompoundFileSignature + QByteArray(600, 'x')));
    QVERIFY(
        Verify(r.File(QStringLiteral("broken.csv"))).startsWith(QStringLiteral("Could not read data from xls file.")));
}

// A link, or a chain of them, is followed: its target gets the file and the links stay. A link to a
// file not there yet creates that file.
void TestFileTargets::savingThroughLinks()
{
    Rig r;
    TBatch *batch = AddBatch(r.batches, 1);
    const QString real = r.File(QStringLiteral("real.XLS"));
    QVERIFY(WriteBytes(real, "old"));
    QVERIFY(QFile::link(real, r.File(QStringLiteral("first.XLS"))));
    QVERIFY(QFile::link(r.File(QStringLiteral("first.XLS")), r.File(QStringLiteral("second.XLS"))));
    r.prompts.Files = {r.File(QStringLiteral("second.XLS"))};
    r.save.SaveBatch(*batch);
    QVERIFY(r.prompts.Messages.isEmpty());
    QVERIFY(QFileInfo(r.File(QStringLiteral("first.XLS"))).isSymLink());
    QVERIFY(QFileInfo(r.File(QStringLiteral("second.XLS"))).isSymLink());
    QVERIFY(ReadBytes(real).startsWith(CompoundFileSignature));
    QCOMPARE(Verify(real), QStringLiteral("Passed"));

    const QString dangling = r.File(QStringLiteral("dangling.CSV"));
    QVERIFY(QFile::link(r.File(QStringLiteral("new.CSV")), dangling));
    r.prompts.Files = {dangling};
    r.save.SaveAllBatchesToOneFile({batch});
    QVERIFY(QFileInfo(dangling).isSymLink());
    QCOMPARE(Verify(r.File(QStringLiteral("new.CSV"))), QStringLiteral("Passed"));
    QCOMPARE(QDir(r.dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 5);
}

void TestFileTargets::fifoIsWrittenInPlace()
{
    Rig r;
    TBatch *batch = AddBatch(r.batches, 2);
    const QString fifo = r.File(QStringLiteral("pipe.CSV"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    // A reader that is there before the save; a batch file fits in the pipe's buffer.
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    r.prompts.Files = {fifo};
    r.save.SaveBatch(*batch);
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join(QLatin1Char('|'))));
    QVERIFY(batch->FSaved);
    QByteArray got(64 * 1024, '\0');
    const ssize_t n = ::read(reader, got.data(), got.size());
    ::close(reader);
    QVERIFY(n > 0);
    got.truncate(n);
    QCOMPARE(got, SheetToCsv(BatchSheet(*batch, *r.meter.DeviceInfo())));
    QVERIFY(IsFifo(fifo));
}

// Nobody reads the FIFO: the save fails at once instead of waiting for ever, and the FIFO stays.
void TestFileTargets::fifoWithoutReaderFails()
{
    Rig r;
    TBatch *batch = AddBatch(r.batches, 2);
    const QString fifo = r.File(QStringLiteral("pipe.XLS"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    r.prompts.Files = {fifo};
    r.save.SaveBatch(*batch);
    QCOMPARE(r.prompts.Texts(), QStringList{QStringLiteral("Could not save data to xls file.")});
    QVERIFY(!batch->FSaved);
    QVERIFY(IsFifo(fifo));
}

void TestFileTargets::deviceNodeIsWrittenInPlace()
{
    if (!IsRoot())
        QSKIP("making a device node needs root");
    Rig r;
    TBatch *batch = AddBatch(r.batches, 2);
    const QString node = r.File(QStringLiteral("null.XLS"));
    QVERIFY(MakeNode(node, 3));
    QVERIFY(QFile::link(node, r.File(QStringLiteral("link.CSV"))));
    for (const QString &name : {QStringLiteral("null.XLS"), QStringLiteral("link.CSV")}) {
        r.prompts.Files = {r.File(name)};
        r.save.SaveBatch(*batch);
        QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join(QLatin1Char('|'))));
        r.prompts.Files = {r.File(name)};
        r.save.SaveAllBatchesToOneFile({batch});
        QVERIFY(r.prompts.Messages.isEmpty());
        QVERIFY(IsCharDevice(node));
    }
    QVERIFY(QFileInfo(r.File(QStringLiteral("link.CSV"))).isSymLink());
    QCOMPARE(QDir(r.dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size(),
             2);
}

void TestFileTargets::fullDeviceFails_data()
{
    QTest::addColumn<QString>("ext");
    QTest::newRow("text") << QStringLiteral(".CSV");
    QTest::newRow("workbook") << QStringLiteral(".XLS");
}

// A device with no room left: every save ends in its error message, and the device stays. Root makes
// a full device of its own, so that a fault here can never replace the system's.
void TestFileTargets::fullDeviceFails()
{
    QFETCH(QString, ext);
    Rig r;
    QString full = QStringLiteral("/dev/full");
    if (IsRoot()) {
        full = r.File(QStringLiteral("full") + ext);
        QVERIFY(MakeNode(full, 7));
    }
    const QString message = ext == QLatin1String(".CSV") ? QStringLiteral("Could not save data to csv file.")
                                                         : QStringLiteral("Could not save data to xls file.");
    TBatch *batch = AddBatch(r.batches, 2);
    TBatch *other = AddBatch(r.batches, 1, QStringLiteral("Deck B"));
    r.prompts.Files = {full};
    r.save.SaveBatch(*batch);
    QCOMPARE(r.prompts.Texts(), QStringList{message});
    QVERIFY(!batch->FSaved);
    r.prompts.Messages.clear();
    r.prompts.Files = {full};
    const QString error = Raised([&] { r.save.SaveAllBatchesToOneFile({batch, other}); });
    if (ext == QLatin1String(".CSV")) {
        // Each section's write fails on its own.
        QCOMPARE(r.prompts.Texts().size(), 2);
        QVERIFY(r.prompts.Texts()[0].endsWith(QStringLiteral("Message: ") + message));
    }
    QCOMPARE(error, ext == QLatin1String(".CSV") ? QString() : message);
    QVERIFY(!batch->FSaved && !other->FSaved);
    QVERIFY(IsCharDevice(full));
}

void TestFileTargets::clockChangeDays_data()
{
    QTest::addColumn<QDateTime>("created");
    QTest::addColumn<QDateTime>("stamp");
    // 02:00 to 03:00 is skipped: the first time after the gap.
    QTest::newRow("skipped hour") << QDateTime(QDate(2026, 3, 29), QTime(2, 30), Qt::UTC)
                                  << QDateTime(QDate(2026, 3, 29), QTime(1, 0), Qt::UTC);
    // 02:00 to 03:00 comes twice: the first time, still in summer time.
    QTest::newRow("repeated hour") << QDateTime(QDate(2026, 10, 25), QTime(2, 30), Qt::UTC)
                                   << QDateTime(QDate(2026, 10, 25), QTime(0, 30), Qt::UTC);
    QTest::newRow("just before the gap") << QDateTime(QDate(2026, 3, 29), QTime(1, 59, 59), Qt::UTC)
                                         << QDateTime(QDate(2026, 3, 29), QTime(0, 59, 58), Qt::UTC);
    QTest::newRow("end of the gap") << QDateTime(QDate(2026, 3, 29), QTime(3, 0), Qt::UTC)
                                    << QDateTime(QDate(2026, 3, 29), QTime(1, 0), Qt::UTC);
    QTest::newRow("after the repeated hour")
        << QDateTime(QDate(2026, 10, 25), QTime(3, 0), Qt::UTC) << QDateTime(QDate(2026, 10, 25), QTime(2, 0), Qt::UTC);
}

// The batch's creation time is the meter's clock time, taken as the local clock's wall time (the
// first column as UTC only to carry the wall time); the files get the moment in the second column.
void TestFileTargets::clockChangeDays()
{
    QCOMPARE(QDateTime(QDate(2026, 7, 1), QTime(12, 0)).offsetFromUtc(), 7200); // Europe/Berlin
    QFETCH(QDateTime, created);
    QFETCH(QDateTime, stamp);
    const TDateTime creation = EncodeDateTime(created.date(), created.time());
    const auto date = FileDateOf(creation);
    QVERIFY(date.has_value());
    QCOMPARE(date->toUTC(), stamp);
    QCOMPARE(date->date(), created.date());

    Rig r;
    TBatch *batch = AddBatch(r.batches, 3);
    batch->SetCreationDateTime(creation);
    TBatch *other = AddBatch(r.batches, 1, QStringLiteral("Deck B"));
    other->SetCreationDateTime(creation);
    for (const QString &ext : {QStringLiteral(".CSV"), QStringLiteral(".XLS")}) {
        const QString alone = r.File(QStringLiteral("alone") + ext);
        r.prompts.Files = {alone};
        r.save.SaveBatch(*batch);
        QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join(QLatin1Char('|'))));
        QCOMPARE(QFileInfo(alone).lastModified().toUTC(), stamp);
        QCOMPARE(Verify(alone), QStringLiteral("Passed"));
        const QString combined = r.File(QStringLiteral("combined") + ext);
        r.prompts.Files = {combined};
        r.save.SaveAllBatchesToOneFile({batch, other});
        QVERIFY(r.prompts.Messages.isEmpty());
        QCOMPARE(Verify(combined), QStringLiteral("Passed Passed"));
    }
}

QTEST_GUILESS_MAIN(TestFileTargets)
#include "tst_filetargets.moc"
