// The save commands: the dialog, fetching from the meter, the files they write and their messages.
#include "FileFixtures.h"
#include "device/Communication.h"
#include "files/BatchImport.h"
#include "files/SaveCommands.h"
#include "model/BatchSource.h"
#include "support/ScriptedPrompts.h"
#include "support/SimProcess.h"
#include "xls/XlsWorkbook.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Rig {
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    RecordingStatus status;
    TdmCommunication comm{prompts};
    TMeterSource meter{std::make_shared<TDeviceInfo>(Meter(QString::fromLatin1(NewerFirmware), true))};
    QString lastSavePath = QStringLiteral("/nowhere/");
    TSaveCommands save{comm, meter, lastSavePath, status, prompts};
    TBatches batches;

    QString File(const QString &name) const { return dir.filePath(name); }
};

// Imports a file and gives each batch's check result.
QList<int> Verify(const QString &file)
try {
    RecordingStatus status;
    ScriptedPrompts prompts;
    TBatches list;
    TBatchImport(list, status, prompts).ImportFile(file);
    QList<int> results;
    for (int i = 0; i < list.Count(); ++i)
        results << list.GetBatch(i)->FCheckResult;
    return results;
} catch (const std::exception &e) {
    qWarning() << "import failed:" << MessageOf(e);
    return {};
}

} // namespace

class TestSaveCommands : public QObject {
    Q_OBJECT
    // Every file test runs for both kinds of file.
    static void Extensions()
    {
        QTest::addColumn<QString>("ext");
        QTest::newRow("text") << QStringLiteral(".CSV");
        QTest::newRow("workbook") << QStringLiteral(".XLS");
    }

private slots:
    void init()
    {
        qputenv("VORNELL_SYSTEM_PORTS", "0");
        qputenv("VORNELL_SERIAL_PORTS", "");
    }
    void cancelChangesNothing();
    void savesOneBatch_data() { Extensions(); }
    void savesOneBatch();
    void fetchesFromTheMeterFirst();
    void withoutMeterNoFile();
    void earlyCreationDateFails_data() { Extensions(); }
    void earlyCreationDateFails();
    void combinedFile_data() { Extensions(); }
    void combinedFile();
    void combinedSkipsAFailedBatch_data() { Extensions(); }
    void combinedSkipsAFailedBatch();
    void combinedEmptyListKeepsFile();
    void combinedProposedName();
    void separately();
};

void TestSaveCommands::cancelChangesNothing()
{
    Rig r;
    TBatch *b = AddBatch(r.batches, 3, QStringLiteral(" Deck A "));
    r.prompts.Files = {QString()};
    r.save.SaveBatch(*b);
    QCOMPARE(r.status.Events, QStringList{QStringLiteral("Save cancelled by user.")});
    QVERIFY(!b->FSaved);
    QCOMPARE(r.lastSavePath, QStringLiteral("/nowhere/"));
    const TFileDialog &d = r.prompts.Dialogs.at(0);
    QCOMPARE(d.Title, QStringLiteral("Save Batch to file"));
    QCOMPARE(d.Filter, QStringLiteral("Talvometer (*.CSV)|*.CSV|Talvometer (*.XLS)|*.XLS"));
    QCOMPARE(d.FilterIndex, 2);
    QCOMPARE(d.DefaultExt, QStringLiteral("XLS"));
    QCOMPARE(d.InitialDir, QStringLiteral("/nowhere/"));
    QCOMPARE(d.FileName, QStringLiteral("Deck A"));
    QVERIFY(d.OverwritePrompt);
}

void TestSaveCommands::savesOneBatch()
{
    Rig r;
    QFETCH(QString, ext);
    TBatch *b = AddBatch(r.batches, 5);
    const QString file = r.File(QStringLiteral("deck") + ext);
    r.prompts.Files = {file};
    r.save.SaveBatch(*b);
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join(QLatin1Char('|'))));
    QVERIFY(b->FSaved);
    QCOMPARE(r.status.Events.last(), QStringLiteral("Batch saved to file."));
    QCOMPARE(r.lastSavePath, r.dir.path() + QLatin1Char('/'));
    const QDateTime modified = QFileInfo(file).lastModified();
    QVERIFY(qAbs(modified.secsTo(QDateTimeFromDateTime(b->FCreationDateTime))) <= 2);
    QCOMPARE(Verify(file), QList<int>{crPassed});
}

void TestSaveCommands::fetchesFromTheMeterFirst()
{
    SimProcess sim({QStringLiteral("--state"), QStringLiteral(FIXTURES "/sim/small.json")});
    Rig r;
    r.meter.SetDeviceInfo(std::make_shared<TDeviceInfo>()); // not valid: read from the meter
    TBatch *b = r.batches.AddBatch(7, QStringLiteral("SHORT ONE"), EncodeDate(2026, 11, 23), 10, 3);
    const QString file = r.File(QStringLiteral("short.CSV"));
    r.prompts.Files = {file};
    r.save.SaveBatch(*b);
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join(QLatin1Char('|'))));
    QVERIFY(r.meter.DeviceInfo()->Valid);
    QCOMPARE(r.meter.DeviceInfo()->SerialNumber, QStringLiteral("SMALL 1"));
    QCOMPARE(b->FDeviceInfo, r.meter.DeviceInfo()); // the batch is saved with the meter's record
    QCOMPARE(b->Readings().size(), std::size_t(3));
    QCOMPARE(Verify(file), QList<int>{crPassed});
}

void TestSaveCommands::withoutMeterNoFile()
{
    Rig r;
    r.comm.ConnectTimeOutTimer().setInterval(100);
    TBatch *b = r.batches.AddBatch(7, QStringLiteral("X"), EncodeDate(2026, 11, 23), 10, 3); // readings not read
    const QString file = r.File(QStringLiteral("x.CSV"));
    r.prompts.Files = {file};
    r.save.SaveBatch(*b);
    QCOMPARE(r.prompts.Texts(), QStringList{QStringLiteral("Could not connect to Talvo.")});
    QCOMPARE(r.prompts.Messages[0].Kind, TMsgKind::Warning);
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(!b->FSaved);
}

void TestSaveCommands::earlyCreationDateFails()
{
    Rig r;
    TBatch *b = AddBatch(r.batches, 2);
    QFETCH(QString, ext);
    b->SetCreationDateTime(EncodeDate(1979, 12, 31));
    const QString file = r.File(QStringLiteral("old") + ext);
    QVERIFY(WriteBytes(file, "earlier\r\n"));
    r.prompts.Files = {file};
    r.save.SaveBatch(*b);
    QCOMPARE(r.prompts.Texts(), QStringList{QStringLiteral("The date could not be set on the batch file.")});
    QCOMPARE(ReadBytes(file), QByteArray("earlier\r\n"));
    QCOMPARE(QDir(r.dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old") + ext});
    QVERIFY(!b->FSaved);
}

void TestSaveCommands::combinedFile()
{
    Rig r;
    TBatch *a = AddBatch(r.batches, 3, QStringLiteral("A"), 1);
    TBatch *b = AddBatch(r.batches, 0, QStringLiteral("B"), 2);
    TBatch *c = AddBatch(r.batches, 100, QStringLiteral("C c"), 3);
    QFETCH(QString, ext);
    const QString file = r.File(QStringLiteral("all") + ext);
    r.prompts.Files = {file};
    r.save.SaveAllBatchesToOneFile({a, b, c});
    QVERIFY(r.prompts.Messages.isEmpty());
    QVERIFY(a->FSaved && b->FSaved && c->FSaved);
    if (ext == QLatin1String(".CSV")) {
        const QList<QByteArray> lines = Lines(ReadBytes(file));
        QCOMPARE(lines.size(), (3 + 30) + 2 + (0 + 30) + 2 + (100 + 30));
        QCOMPARE(lines[33], QByteArray(",,,,,,,,,"));
        QCOMPARE(lines[34], QByteArray(",,,,,,,,,"));
    } else {
        // One worksheet per batch, named after it, each with its own page header.
        XlsWorkbook book;
        book.setFileName(file);
        book.read();
        QCOMPARE(book.sheetCount(), 3);
        QCOMPARE(book.sheet(2).name(), c->FName);
        QCOMPARE(book.sheet(2).pageHeader(), QStringLiteral("&L&D  &T &C Batch Report: C c          &R&P of &N"));
        QCOMPARE(book.sheet(2).lastUsedRow(), 100 + 30 - 2); // the last row is empty
    }
    QCOMPARE(Verify(file), (QList<int>{crPassed, crPassed, crPassed}));
}

void TestSaveCommands::combinedSkipsAFailedBatch()
{
    Rig r;
    TBatch *a = AddBatch(r.batches, 2, QStringLiteral("A"), 1);
    TBatch *broken = AddBatch(r.batches, 0, QStringLiteral("BROKEN"), 2);
    broken->FReadingCount = 4; // says it has readings, holds none
    TBatch *c = AddBatch(r.batches, 1, QStringLiteral("C"), 3);
    QFETCH(QString, ext);
    const QString file = r.File(QStringLiteral("all") + ext);
    r.prompts.Files = {file};
    r.save.SaveAllBatchesToOneFile({a, broken, c});
    QCOMPARE(r.prompts.Texts(), QStringList{QStringLiteral("The batch BROKEN       could not be saved.\r\n"
                                                           "Message: Could not write the Batch data to file.")});
    QVERIFY(a->FSaved && !broken->FSaved && c->FSaved);
    QCOMPARE(Verify(file), (QList<int>{crPassed, crPassed}));
}

void TestSaveCommands::combinedEmptyListKeepsFile()
{
    Rig r;
    const QString file = r.File(QStringLiteral("all.CSV"));
    QVERIFY(WriteBytes(file, "keep me\r\n"));
    r.prompts.Files = {file};
    r.save.SaveAllBatchesToOneFile({});
    QCOMPARE(ReadBytes(file), QByteArray("keep me\r\n"));
}

void TestSaveCommands::combinedProposedName()
{
    SetNowFunction([] { return QDateTime(QDate(2012, 7, 31), QTime(9, 0)); });
    QCOMPARE(TSaveCommands::CombinedFileName(), QStringLiteral("TALVO_BATCHES_12-31-2"));
    SetNowFunction([] { return QDateTime(QDate(2027, 1, 3), QTime(9, 0)); }); // a Sunday in ISO week 53 of 2026
    QCOMPARE(TSaveCommands::CombinedFileName(), QStringLiteral("TALVO_BATCHES_27-53-7"));
    SetNowFunction({});
    Rig r;
    r.prompts.Files = {QString()};
    r.save.SaveAllBatchesToOneFile({});
    QCOMPARE(r.status.Events, QStringList{QStringLiteral("Save cancelled by user.")});
}

void TestSaveCommands::separately()
{
    Rig r;
    TBatch *a = AddBatch(r.batches, 1, QStringLiteral("A"), 1);
    TBatch *b = AddBatch(r.batches, 1, QStringLiteral("B"), 2);
    r.prompts.Files = {r.File(QStringLiteral("a.CSV")), QString()};
    r.save.SaveAllBatchesSeparately({a, b});
    QCOMPARE(r.prompts.Dialogs.size(), 2);
    QCOMPARE(r.prompts.Dialogs[1].FileName, QStringLiteral("B"));
    QVERIFY(a->FSaved && !b->FSaved);
    QCOMPARE(r.status.Events.last(), QStringLiteral("Save cancelled by user."));
}

QTEST_GUILESS_MAIN(TestSaveCommands)
#include "tst_savecommands.moc"
