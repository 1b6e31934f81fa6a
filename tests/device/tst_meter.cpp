// The device module against the simulated meter over its pseudo-terminal.
#include "device/Communication.h"
#include "model/Errors.h"
#include "support/Raised.h"
#include "support/ScriptedPrompts.h"
#include "support/SimProcess.h"

#include <QtTest>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

QStringList LogOf(const QString &file)
{
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A module talking to a fresh simulator started with the given flags.
struct Live {
    QTemporaryDir dir;
    QString log = dir.filePath(QStringLiteral("commands.log"));
    SimProcess sim;
    ScriptedPrompts prompts;
    TdmCommunication comm{prompts};

    explicit Live(QStringList args = {})
        : sim(args << QStringLiteral("--log") << dir.filePath(QStringLiteral("commands.log")))
    {}
    QStringList Log() const { return LogOf(log); }
};

// Everything a full read gives, as text, for comparing one meter's behaviour with another's.
QString ReadEverything(TdmCommunication &comm)
{
    QStringList out;
    TBatches batches;
    comm.ReadBatches(batches);
    const auto info = comm.ReadDeviceInfo();
    out << info->SerialNumber << info->SoftwareVersion << info->ConfigVersion << QString::number(info->G25)
        << QString::number(info->AutoTempComp) << info->NrOfReadingsTaken << QString::number(info->BresleOffset);
    for (int i = 0; i < batches.Count(); ++i) {
        TBatch *b = batches.GetBatch(i);
        comm.ReadBatchReadings(*b);
        out << QStringLiteral("%1 %2 %3 %4").arg(b->FID).arg(b->FName).arg(b->FMaxReadings).arg(b->FReadingCount);
        for (const auto &r : b->Readings())
            out << QStringLiteral("%1 %2 %3 %4 %5")
                       .arg(r->FIndex)
                       .arg(r->FConductivity)
                       .arg(r->FTemperature)
                       .arg(r->FDateTime, 0, 'f', 8)
                       .arg(r->FFahrenheit);
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace

class TestMeter : public QObject {
    Q_OBJECT
private slots:
    void wholeConversation();
    void olderFirmwareRecord();
    void err1Meter();
    void lateMeterGivesTheSameData();
    void silentMeter();
    void refusalsAndWrongCounts();
    void lineDroppedMidTransfer();
    void newBatchWaitsTenSeconds();
};

void TestMeter::wholeConversation()
{
    Live live;
    QVERIFY(!live.sim.Path.isEmpty());
    QVERIFY(live.comm.Connect(true));
    QVERIFY(live.prompts.Messages.isEmpty()); // the meter's clock is the PC's

    TBatches batches;
    live.comm.ReadBatches(batches);
    QCOMPARE(batches.Count(), 8);
    int readings = 0;
    for (int i = 0; i < batches.Count(); ++i) {
        TBatch *b = batches.GetBatch(i);
        live.comm.ReadBatchReadings(*b);
        QVERIFY(b->FReadingsLoaded);
        QCOMPARE(qsizetype(b->Readings().size()), qsizetype(b->FReadingCount));
        readings += b->FReadingCount;
    }
    QCOMPARE(readings, 100 + 100 + 17 + 0 + 42 + 12 + 5 + 9);
    QCOMPARE(batches.GetBatch(1)->FName, QStringLiteral("HULL PORT 1 "));
    QVERIFY(batches.GetBatch(5)->Readings()[0]->FFahrenheit);

    qint32 id = 0;
    live.comm.NewBatch(QStringLiteral("NEW ONE     "), 40, EncodeDate(2026, 12, 1), id);
    QCOMPARE(id, 4);
    live.comm.DeleteBatch(id);
    QCOMPARE(Raised([&] { live.comm.DeleteBatch(id); }), QStringLiteral("The batch was not found in the Talvo."));

    const auto info = live.comm.ReadDeviceInfo();
    QVERIFY(info->Valid && info->HasBresleOffset);
    QCOMPARE(info->SerialNumber, QStringLiteral("TV-20417"));
    QCOMPARE(info->ConfigVersion, QStringLiteral("V2.05"));
    QCOMPARE(info->BresleOffset, 3.5);
    const TCellConstants cells = live.comm.ReadCellConstants();
    QCOMPARE(cells[TCellConstants::KpropFactory], 1.018f);

    live.comm.SetG25(84.5);
    live.comm.SetAlpha(2.1);
    live.comm.SetDeionizedWater(3);
    live.comm.SetAutoTempComp(0.019);
    QCOMPARE(live.comm.GetG25(), 84.5);
    QCOMPARE(live.comm.GetAlpha(), 2.1);
    QCOMPARE(live.comm.GetDeionizedWater(), quint8(3));
    QCOMPARE(live.comm.GetAutoTempComp(), 0.019);
    live.comm.SetDeviceTime(EncodeDateTime(QDate(2026, 12, 24), QTime(18, 0, 0)));
    QVERIFY(live.comm.SetPassword(QStringLiteral("9876")));
    QCOMPARE(live.comm.GetPassword(), QStringLiteral("9876"));
    live.comm.Disconnect();

    const QStringList log = live.Log();
    QCOMPARE(log.mid(0, 4), (QStringList{"GET VERSION", "GET RTC", "GET MAXNROFB", "GET BATCH 0"}));
    QVERIFY(log.contains(QStringLiteral("GET READING 1 99")));
    QVERIFY(log.contains(QStringLiteral("NEW BATCH \"NEW ONE     \" 1480550400 40")));
    QVERIFY(log.contains(QStringLiteral("DEL BATCH 4")));
    for (const char *c :
         {"SET CONFIG 10 84.5", "SET CONFIG 9 0.021", "SET CONFIG 29 3", "SET CONFIG 24 19",
          "SET RTC 18 00 00 24 12 2026", "SET CONFIG 12 9", "SET CONFIG 15 6", "GET C 5 3", "GET SERVOLT"})
        QVERIFY2(log.contains(QString::fromLatin1(c)), c);
}

void TestMeter::olderFirmwareRecord()
{
    Live live({QStringLiteral("--firmware"), QStringLiteral("2.06S01")});
    const auto info = live.comm.ReadDeviceInfo(); // connects by itself
    QVERIFY(live.comm.Connected());
    QVERIFY(!info->HasBresleOffset);
    QCOMPARE(info->BresleOffset, 0.0);
    QVERIFY(!live.Log().contains(QStringLiteral("GET CONFIG 30")));
}

void TestMeter::err1Meter()
{
    Live live({QStringLiteral("--err1")});
    const auto info = live.comm.ReadDeviceInfo();
    QCOMPARE(info->DeionizedWater, quint8(2));
    QCOMPARE(info->AutoTempComp, 0.02);
    live.comm.SetDeionizedWater(5);
    QCOMPARE(live.comm.GetDeionizedWater(), quint8(5));
}

void TestMeter::lateMeterGivesTheSameData()
{
    // A small meter: at about a second for each late command, the full demo meter would take minutes.
    const QStringList small{QStringLiteral("--state"), QStringLiteral(FIXTURES "/sim/small.json")};
    QString prompt;
    {
        Live live(small);
        prompt = ReadEverything(live.comm);
    }
    {
        Live live(small + QStringList{"--late", "650"}); // one resend for every command
        QCOMPARE(ReadEverything(live.comm), prompt);
        QCOMPARE(live.Log().count(QStringLiteral("GET MAXNROFB")), 2);
    }
    {
        Live live(small + QStringList{"--late", "1200", "--late-command", "GET READING"}); // two resends each
        QCOMPARE(ReadEverything(live.comm), prompt);
        QCOMPARE(live.Log().count(QStringLiteral("GET READING 7 1")), 3);
        QCOMPARE(live.Log().count(QStringLiteral("GET MAXNROFB")), 1);
    }
}

void TestMeter::silentMeter()
{
    Live live({QStringLiteral("--silent")});
    QVERIFY(!live.comm.Connect(false));
    // The link may still wait for the last identification attempt; then the port is free again.
    QTRY_VERIFY(!live.comm.DataLink().Busy());
    live.comm.DataLink().Open();
    QCOMPARE(Raised([&] { live.comm.SendCommand(QStringLiteral("GET RTC")); }),
             QStringLiteral("Data Link layer time out"));
}

void TestMeter::refusalsAndWrongCounts()
{
    {
        Live live({QStringLiteral("--refuse"), QStringLiteral("ERR"), QStringLiteral("--refuse-command"),
                   QStringLiteral("GET BATCH")});
        TBatches batches;
        QCOMPARE(Raised([&] { live.comm.ReadBatches(batches); }),
                 QStringLiteral("The Slave reported an error. \r\nCommand send was \"GET BATCH 0\""));
        QVERIFY(live.comm.Connected());
    }
    {
        Live live({QStringLiteral("--wrong-count"), QStringLiteral("GET READING")});
        TBatches batches;
        live.comm.ReadBatches(batches);
        QCOMPARE(Raised([&] { live.comm.ReadBatchReadings(*batches.GetBatch(0)); }),
                 QStringLiteral("The received message had to many parameters."));
        QVERIFY(batches.GetBatch(0)->Readings().empty());
    }
    {
        Live live({QStringLiteral("--del-error"), QStringLiteral("7")});
        QCOMPARE(Raised([&] { live.comm.DeleteBatch(1); }), QStringLiteral("Unexpected error"));
    }
    {
        Live live({QStringLiteral("--garbage"), QStringLiteral("40"), QStringLiteral("--split"), QStringLiteral("3")});
        TBatches batches;
        live.comm.ReadBatches(batches);
        QCOMPARE(batches.Count(), 8);
    }
}

void TestMeter::lineDroppedMidTransfer()
{
    QString full;
    {
        Live live;
        full = ReadEverything(live.comm);
    }
    // The line goes away while the slots are read: after "GET VERSION", "GET RTC", "GET MAXNROFB"
    // and slots 0 to 4, of which 0, 1, 2 and 4 hold batches. What was read stays; nothing hangs.
    Live live({QStringLiteral("--drop-after"), QStringLiteral("8")});
    TBatches batches;
    const QString failure = Raised([&] { live.comm.ReadBatches(batches); });
    QCOMPARE(failure, QStringLiteral("The connection to the Talvo was lost."));
    QVERIFY(!live.comm.Connected());
    QCOMPARE(batches.Count(), 4);
    // Another meter on the line: the module connects again and reads everything.
    SimProcess again;
    QVERIFY(live.comm.Connect(false));
    QCOMPARE(ReadEverything(live.comm), full);
}

void TestMeter::newBatchWaitsTenSeconds()
{
    // Answered after 1.5 s: beyond the usual half second, within the ten seconds "NEW BATCH" has.
    Live live({QStringLiteral("--late"), QStringLiteral("1500"), QStringLiteral("--late-command"),
               QStringLiteral("NEW BATCH")});
    QVERIFY(live.comm.Connect(false));
    QElapsedTimer clock;
    clock.start();
    qint32 id = 0;
    live.comm.NewBatch(QStringLiteral("LATE        "), 10, Now(), id);
    QVERIFY(clock.elapsed() >= 1490);
    QCOMPARE(id, 4);
    QCOMPARE(live.Log().filter(QStringLiteral("NEW BATCH")).size(), 1); // sent once
    QCOMPARE(live.comm.DataLink().TimeOutResponse(), 500u);
}

QTEST_GUILESS_MAIN(TestMeter)
#include "tst_meter.moc"
