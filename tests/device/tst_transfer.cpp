// Batch transfer and device settings against a scripted meter: every reply check and message.
#include "device/Communication.h"
#include "model/Errors.h"
#include "support/Raised.h"
#include "support/ScriptedMeter.h"
#include "support/ScriptedPrompts.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A connected module whose meter answers from a table; unlisted commands get "C?".
struct Rig {
    FakeLine line;
    ScriptedMeter meter{line};
    ScriptedPrompts prompts;
    TdmCommunication comm{prompts, nullptr, FakeFactory(line)};
    QHash<QString, QString> replies;

    Rig()
    {
        comm.ConnectTimeOutTimer().setInterval(300);
        comm.DataLink().SetTimeOutResponse(50);
        replies[QStringLiteral("GET VERSION")] = QStringLiteral("GET VERSION Talvo V2.07");
        meter.Reply = [this](const QString &c) { return replies.value(c, QStringLiteral("C?")); };
        comm.Connect(false);
    }
    void Config(int index, const QString &value)
    {
        replies[QStringLiteral("GET CONFIG %1").arg(index)] = QStringLiteral("GET CONFIG %1 %2").arg(index).arg(value);
    }
    void FullRecord(const QString &firmware)
    {
        replies[QStringLiteral("GET VERSION")] = QStringLiteral("GET VERSION Talvo ") + firmware;
        Config(16, QStringLiteral("\"SN 0042\""));
        Config(0, QStringLiteral("517"));
        Config(17, QStringLiteral("86400"));
        replies[QStringLiteral("GET SERVOLT")] = QStringLiteral("GET SERVOLT 7200");
        Config(10, QStringLiteral("84"));
        Config(29, QStringLiteral("3"));
        Config(9, QStringLiteral("0.021"));
        Config(24, QStringLiteral("20"));
        Config(30, QStringLiteral("12.5"));
        Config(25, QStringLiteral("123456789012"));
        Config(26, QStringLiteral("70001"));
        Config(27, QStringLiteral("12"));
        Config(28, QStringLiteral("172800"));
        Config(19, QStringLiteral("35.6"));
    }
};

} // namespace

class TestTransfer : public QObject {
    Q_OBJECT
private slots:
    void readBatchesOfAMeter();
    void slotCountForms_data();
    void slotCountForms();
    void conversionErrorKeepsEarlierBatches();
    void readingsWithSkipsAndFahrenheit();
    void readingReplyWrongCount();
    void newBatchCommandAndResults_data();
    void newBatchCommandAndResults();
    void newBatchRestoresTimeOut();
    void newBatchBringsTheLineInStepAtTheUsualPace();
    void batchListCommandsGoOutOnce_data();
    void batchListCommandsGoOutOnce();
    void deleteBatchResults_data();
    void deleteBatchResults();
    void noMeterToConnect();
    void deviceRecordBothGenerations();
    void deviceRecordOptionalValues();
    void err1Fallbacks();
    void settingsCommands();
    void cellConstants();
    void password();
};

void TestTransfer::readBatchesOfAMeter()
{
    Rig r;
    r.replies[QStringLiteral("GET MAXNROFB")] = QStringLiteral("GET MAXNROFB 50");
    for (int i = 0; i < 50; ++i)
        r.replies[QStringLiteral("GET BATCH %1").arg(i)] = QStringLiteral("GET BATCH 0 1 \"\" 0 0 0");
    r.replies[QStringLiteral("GET BATCH 4")] = QStringLiteral("GET BATCH 7 0 \"my batch\" 86400 100 12");
    r.replies[QStringLiteral("GET BATCH 9")] = QStringLiteral("GET BATCH 8 0 ABC 0 10 0");
    r.replies[QStringLiteral("GET BATCH 31")] = QStringLiteral("GET BATCH 9 0 \"\" 1 0 0");
    QSignalSpy progress(&r.comm, &TdmCommunication::OnProgress);
    QSignalSpy start(&r.comm, &TdmCommunication::OnProgressStart);
    QSignalSpy end(&r.comm, &TdmCommunication::OnProgressEnd);
    QSignalSpy clear(&r.comm, &TdmCommunication::OnStatusClear);
    TBatches batches;
    r.comm.ReadBatches(batches);
    QCOMPARE(batches.Count(), 3);
    QCOMPARE(progress.size(), 50);
    QCOMPARE(start[0][0].toInt(), 50);
    QCOMPARE(end.size(), 2);
    QCOMPARE(clear.size(), 1);
    const TBatch *b = batches.GetBatch(0);
    QCOMPARE(b->FID, 7);
    QCOMPARE(b->FName, QStringLiteral("my batch    "));
    QCOMPARE(QDateTimeFromDateTime(b->FCreationDateTime), QDateTime(QDate(1980, 1, 2), QTime(0, 0)));
    QCOMPARE(b->FMaxReadings, 100);
    QCOMPARE(b->FReadingCount, 12);
    QVERIFY(!b->FReadingsLoaded);
    QCOMPARE(r.meter.Commands.count(QStringLiteral("GET MAXNROFB")), 1);
}

void TestTransfer::slotCountForms_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("message");
    // A slot count that cannot be read is no empty meter.
    QTest::newRow("two parameters") << "GET MAXNROFB"
                                    << "The received message contained a parameter error.";
    QTest::newRow("four parameters") << "GET MAXNROFB 5 6"
                                     << "The received message contained a parameter error.";
    QTest::newRow("not a number") << "GET MAXNROFB x"
                                  << "The data received on GETNROFB was of a illegal format.";
}

void TestTransfer::slotCountForms()
{
    QFETCH(QString, reply);
    QFETCH(QString, message);
    Rig r;
    r.replies[QStringLiteral("GET MAXNROFB")] = reply;
    TBatches batches;
    QCOMPARE(Raised([&] { r.comm.ReadBatches(batches); }), message);
    QCOMPARE(batches.Count(), 0);
    QVERIFY(!r.meter.Commands.contains(QStringLiteral("GET BATCH 0")));
}

void TestTransfer::conversionErrorKeepsEarlierBatches()
{
    Rig r;
    r.replies[QStringLiteral("GET MAXNROFB")] = QStringLiteral("GET MAXNROFB 3");
    r.replies[QStringLiteral("GET BATCH 0")] = QStringLiteral("GET BATCH 1 0 A 0 10 0");
    r.replies[QStringLiteral("GET BATCH 1")] = QStringLiteral("GET BATCH 2 0 B soon 10 0");
    TBatches batches;
    QCOMPARE(Raised([&] { r.comm.ReadBatches(batches); }),
             QStringLiteral("There was a conversion error in one of the\r\nreceived parameters of Batch \"1\""));
    QCOMPARE(batches.Count(), 1);
    r.replies[QStringLiteral("GET BATCH 1")] = QStringLiteral("GET BATCH 2 0 B 0 10");
    QCOMPARE(Raised([&] { r.comm.ReadBatches(batches); }),
             QStringLiteral("The received message had to many parameters."));
    r.replies[QStringLiteral("GET BATCH 1")] = QStringLiteral("GET BATCH 2 0 ABCDEFGHIJKLM 0 10 0");
    QCOMPARE(Raised([&] { r.comm.ReadBatches(batches); }), QStringLiteral("The batch name is to long."));
}

void TestTransfer::readingsWithSkipsAndFahrenheit()
{
    Rig r;
    TBatches batches;
    TBatch *b = batches.AddBatch(7, QStringLiteral("B"), 0, 100, 3);
    r.replies[QStringLiteral("GET READING 7 0")] = QStringLiteral("GET READING 7 0 0 86400 1250 215 1 0");
    r.replies[QStringLiteral("GET READING 7 1")] = QStringLiteral("GET READING 7 1 1 0 0 0 0 0");
    r.replies[QStringLiteral("GET READING 7 2")] = QStringLiteral("GET READING 7 2 0 4294967297 900 705 0 1");
    QSignalSpy progress(&r.comm, &TdmCommunication::OnProgress);
    r.comm.ReadBatchReadings(*b);
    QVERIFY(b->FReadingsLoaded);
    QCOMPARE(progress.size(), 3);
    QCOMPARE(b->Readings().size(), std::size_t(2));
    const TReading &first = *b->Readings()[0];
    QCOMPARE(first.FTemperature, 21.5f);
    QVERIFY(first.FMeterFlag && !first.FFahrenheit);
    QCOMPARE(first.FConductivity, 1250);
    const TReading &third = *b->Readings()[1];
    QCOMPARE(third.FIndex, 2);
    QVERIFY(third.FFahrenheit);
    QCOMPARE(third.FTemperature, 70.5f);
    // Only the low 32 bits of the time count.
    QCOMPARE(QDateTimeFromDateTime(third.FDateTime), QDateTime(QDate(1980, 1, 1), QTime(0, 0, 1)));
}

void TestTransfer::readingReplyWrongCount()
{
    Rig r;
    TBatches batches;
    TBatch *b = batches.AddBatch(7, QStringLiteral("B"), 0, 100, 2);
    r.replies[QStringLiteral("GET READING 7 0")] = QStringLiteral("GET READING 7 0 0 86400 1250 215 1 0");
    r.replies[QStringLiteral("GET READING 7 1")] = QStringLiteral("GET READING 7 1 0 86400 1250 215 1");
    QCOMPARE(Raised([&] { r.comm.ReadBatchReadings(*b); }),
             QStringLiteral("The received message had to many parameters."));
    QVERIFY(b->Readings().empty());
    QVERIFY(!b->FReadingsLoaded);
    // A batch already full loses its readings on the next one.
    TBatch *full = batches.AddBatch(8, QStringLiteral("F"), 0, 1, 2);
    r.replies[QStringLiteral("GET READING 8 0")] = QStringLiteral("GET READING 8 0 0 0 1 200 0 0");
    r.replies[QStringLiteral("GET READING 8 1")] = QStringLiteral("GET READING 8 1 0 0 1 200 0 0");
    QCOMPARE(Raised([&] { r.comm.ReadBatchReadings(*full); }), QStringLiteral("Maximum number of readings is reached"));
    QVERIFY(full->Readings().empty());
    r.replies[QStringLiteral("GET READING 8 0")] = QStringLiteral("GET READING 8 0 0 0 x 200 0 0");
    QCOMPARE(Raised([&] { r.comm.ReadBatchReadings(*full); }), QStringLiteral("'x' is not a valid integer value"));
}

void TestTransfer::newBatchCommandAndResults_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("id");
    QTest::newRow("created") << "NEW BATCH \"x\" 1 2 0 17" << QString() << 17;
    QTest::newRow("no slot") << "NEW BATCH \"x\" 1 2 2 0"
                             << "There are no more places left in the Talvo for batches.\r\n"
                                "Please make some room by deleting a batch first."
                             << -1;
    QTest::newRow("other") << "NEW BATCH \"x\" 1 2 5 0"
                           << "Unexpected error" << -1;
    QTest::newRow("wrong count") << "NEW BATCH 0 17"
                                 << "The received message contained a parameter error.\r\nThe Talvo may have created "
                                    "the batch. Please read the batches again to see what the Talvo holds."
                                 << -1;
}

void TestTransfer::newBatchCommandAndResults()
{
    QFETCH(QString, reply);
    QFETCH(QString, message);
    QFETCH(int, id);
    Rig r;
    const QString command = QStringLiteral("NEW BATCH \"ab cd       \" 86400 50");
    r.replies[command] = reply;
    qint32 batchId = -1;
    QCOMPARE(Raised([&] { r.comm.NewBatch(QStringLiteral("ab cd       "), 50, EncodeDate(1980, 1, 2), batchId); }),
             message);
    QCOMPARE(batchId, id);
    QCOMPARE(r.meter.Commands.last(), command);
}

void TestTransfer::newBatchRestoresTimeOut()
{
    Rig r;
    r.comm.DataLink().SetTimeOutResponse(40);
    QList<quint32> during;
    r.meter.Reply = [&](const QString &) {
        during << r.comm.DataLink().TimeOutResponse();
        return QStringLiteral("P?");
    };
    QStringList events;
    connect(&r.comm, &TdmCommunication::OnConnected, [&] { events << "connected"; });
    connect(&r.comm, &TdmCommunication::OnStatusClear, [&] { events << "clear"; });
    qint32 id = 0;
    QVERIFY(!Raised([&] { r.comm.NewBatch(QStringLiteral("x"), 5, Now(), id); }).isEmpty());
    QCOMPARE(during, QList<quint32>{30000u}); // the three transmissions' time, for one
    QCOMPARE(r.comm.DataLink().TimeOutResponse(), 40u);
    QCOMPARE(events, (QStringList{"connected", "clear"}));
}

void TestTransfer::newBatchBringsTheLineInStepAtTheUsualPace()
{
    // The line owes "GET BATCH 0" three replies, and nothing more comes. The barrier before
    // "NEW BATCH" waits as any command would, not the ten seconds that only "NEW BATCH" is given;
    // "NEW BATCH" itself is not sent into a line out of step.
    Rig r;
    r.comm.SetNewBatchTimeOut(2000);
    QList<std::pair<QString, quint32>> sent;
    r.meter.Reply = [&](const QString &c) {
        sent.append({c, r.comm.DataLink().TimeOutResponse()});
        return QString();
    };
    QCOMPARE(Raised([&] { r.comm.SendCommand(QStringLiteral("GET BATCH 0")); }),
             QStringLiteral("Data Link layer time out"));
    sent.clear();
    qint32 id = 0;
    QCOMPARE(Raised([&] { r.comm.NewBatch(QStringLiteral("x"), 5, Now(), id); }),
             QStringLiteral("Data Link layer time out"));
    QCOMPARE(sent.size(), 3);
    for (const auto &[command, timeOut] : sent) {
        QCOMPARE(command, QStringLiteral("GET VERSION"));
        QCOMPARE(timeOut, 7 * 50u);
    }
    QCOMPARE(r.comm.DataLink().TimeOutResponse(), 50u);
}

void TestTransfer::batchListCommandsGoOutOnce_data()
{
    // Answered after a transmission's time-out, or not at all, with 100 ms a transmission.
    QTest::addColumn<bool>("newBatch");
    QTest::addColumn<int>("late");
    QTest::addColumn<QString>("message");
    const QString look = QStringLiteral(" Please read the batches again to see what the Talvo holds.");
    QTest::newRow("new, late") << true << 150 << QString();
    QTest::newRow("new, no reply") << true << -1
                                   << "Data Link layer time out\r\nThe Talvo may have created the batch." + look;
    QTest::newRow("delete, late") << false << 150 << QString();
    QTest::newRow("delete, no reply") << false << -1
                                      << "Data Link layer time out\r\nThe Talvo may have deleted the batch." + look;
}

void TestTransfer::batchListCommandsGoOutOnce()
{
    QFETCH(bool, newBatch);
    QFETCH(int, late);
    QFETCH(QString, message);
    Rig r;
    r.comm.DataLink().SetTimeOutResponse(100);
    r.comm.SetNewBatchTimeOut(100);
    r.meter.Reply = [&](const QString &c) {
        const QString reply = newBatch ? QStringLiteral("NEW BATCH \"x\" 1 2 0 17") : QStringLiteral("DEL BATCH 7 0");
        if (late >= 0)
            QTimer::singleShot(late, &r.comm, [&r, reply] { r.line.Deliver("/" + reply.toLatin1() + "\r\n"); });
        return c.startsWith(QLatin1String("GET VERSION")) ? QStringLiteral("GET VERSION Talvo V2.07") : QString();
    };
    r.meter.Commands.clear();
    QElapsedTimer clock;
    clock.start();
    qint32 id = -1;
    QCOMPARE(Raised([&] {
                 if (newBatch)
                     r.comm.NewBatch(QStringLiteral("x"), 2, EncodeDate(1980, 1, 1), id);
                 else
                     r.comm.DeleteBatch(7);
             }),
             message);
    QCOMPARE(r.meter.Commands.size(), 1);
    QCOMPARE(r.comm.DataLink().TimeOutResponse(), 100u);
    if (message.isEmpty())
        QCOMPARE(id, newBatch ? 17 : -1);
    else
        QVERIFY(clock.elapsed() >= 290); // the whole three transmissions' time
}

void TestTransfer::deleteBatchResults_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("message");
    QTest::newRow("deleted") << "DEL BATCH 7 0" << QString();
    QTest::newRow("not found") << "DEL BATCH 3 -1"
                               << "The batch was not found in the Talvo.";
    QTest::newRow("other code") << "DEL BATCH 9 -1"
                                << "Unexpected error";
    QTest::newRow("wrong count") << "DEL BATCH -1"
                                 << "The received message contained a parameter error.\r\nThe Talvo may have deleted "
                                    "the batch. Please read the batches again to see what the Talvo holds.";
}

void TestTransfer::deleteBatchResults()
{
    QFETCH(QString, reply);
    QFETCH(QString, message);
    Rig r;
    r.replies[QStringLiteral("DEL BATCH 7")] = reply;
    QCOMPARE(Raised([&] { r.comm.DeleteBatch(7); }), message);
}

void TestTransfer::noMeterToConnect()
{
    Rig r;
    r.comm.Disconnect();
    r.replies.clear();
    r.meter.Reply = [](const QString &) { return QString(); };
    TBatches batches;
    QCOMPARE(Raised([&] { r.comm.ReadBatches(batches); }), QStringLiteral("Could not connect to Talvo."));
}

void TestTransfer::deviceRecordBothGenerations()
{
    for (const QString &firmware : {QStringLiteral("V2.07"), QStringLiteral("V2.06S01")}) {
        Rig r;
        r.FullRecord(firmware);
        QSignalSpy progress(&r.comm, &TdmCommunication::OnProgress);
        const auto info = r.comm.ReadDeviceInfo();
        const bool newer = firmware == QLatin1String("V2.07");
        QVERIFY(info->Valid);
        QCOMPARE(info->HasBresleOffset, newer);
        QCOMPARE(info->BresleOffset, newer ? 12.5 : 0.0);
        QCOMPARE(r.meter.Commands.contains(QStringLiteral("GET CONFIG 30")), newer);
        QCOMPARE(progress.size(), newer ? 16 : 15);
        QCOMPARE(info->SerialNumber, QStringLiteral("SN 0042"));
        QCOMPARE(info->ConfigVersion, QStringLiteral("V2.05"));
        QCOMPARE(QDateTimeFromDateTime(info->ServiceDate), QDateTime(QDate(1980, 1, 2), QTime(0, 0)));
        QCOMPARE(info->ServoLifeTime, quint16(7200));
        QCOMPARE(info->G25, 84.0);
        QCOMPARE(info->DeionizedWater, quint8(3));
        QCOMPARE(info->Alpha, 2.1);
        QCOMPARE(info->AutoTempComp, 0.02);
        QCOMPARE(info->ReadingsSinceLastService, quint16(70001 & 0xFFFF));
        QCOMPARE(info->ReadingsSinceLastVal, quint16(12));
        QCOMPARE(QDateTimeFromDateTime(info->ValidationDate), QDateTime(QDate(1980, 1, 3), QTime(0, 0)));
        QCOMPARE(info->GClean, 35.6f);
        QCOMPARE(info->NrOfReadingsTaken, QStringLiteral("123456789012"));
        const int at30 = r.meter.Commands.indexOf(QStringLiteral("GET CONFIG 30"));
        if (newer)
            QCOMPARE(r.meter.Commands.at(at30 - 1), QStringLiteral("GET CONFIG 24"));
    }
}

void TestTransfer::deviceRecordOptionalValues()
{
    Rig r;
    r.FullRecord(QStringLiteral("V2.07"));
    for (int i : {25, 26, 27, 28})
        r.replies[QStringLiteral("GET CONFIG %1").arg(i)] = QStringLiteral("GET CONFIG");
    const auto info = r.comm.ReadDeviceInfo();
    QCOMPARE(info->NrOfReadingsTaken, QStringLiteral("Unknown"));
    QCOMPARE(info->ReadingsSinceLastService, quint16(0));
    QCOMPARE(info->ReadingsSinceLastVal, quint16(0));
    QCOMPARE(info->ValidationDate, DeviceEpoch);
    // A required value with the wrong count fails the whole read, and so does a total that is no number.
    r.Config(25, QStringLiteral("many"));
    QCOMPARE(Raised([&] { r.comm.ReadDeviceInfo(); }), QStringLiteral("'many' is not a valid integer value"));
    r.replies[QStringLiteral("GET CONFIG 19")] = QStringLiteral("GET CONFIG 19");
    r.Config(25, QStringLiteral("5"));
    QCOMPARE(Raised([&] { r.comm.ReadDeviceInfo(); }),
             QStringLiteral("The received message contained a parameter error."));
}

void TestTransfer::err1Fallbacks()
{
    Rig r;
    r.FullRecord(QStringLiteral("V2.07"));
    r.replies[QStringLiteral("GET CONFIG 29")] = QStringLiteral("ERR 1");
    r.replies[QStringLiteral("GET CONFIG 24")] = QStringLiteral("ERR 1");
    auto info = r.comm.ReadDeviceInfo();
    QCOMPARE(info->DeionizedWater, quint8(2));
    QCOMPARE(info->AutoTempComp, 0.02);
    r.replies[QStringLiteral("SET CONFIG 29 5")] = QStringLiteral("ERR 1");
    r.comm.SetDeionizedWater(5);
    QCOMPARE(r.comm.GetDeionizedWater(), quint8(5));
    r.replies[QStringLiteral("SET CONFIG 24 25")] = QStringLiteral("ERR 1");
    r.comm.SetAutoTempComp(0.0251);
    QCOMPARE(r.comm.GetAutoTempComp(), 0.0251);
    // Only the exact ERR 1 answer is one.
    r.replies[QStringLiteral("GET CONFIG 29")] = QStringLiteral("err 1");
    QCOMPARE(Raised([&] { r.comm.GetDeionizedWater(); }),
             QStringLiteral("The received message contained a parameter error."));
    r.replies[QStringLiteral("GET CONFIG 24")] = QStringLiteral("ERR");
    QVERIFY(Raised([&] { r.comm.GetAutoTempComp(); }).startsWith(QLatin1String("The Slave reported an error.")));
}

void TestTransfer::settingsCommands()
{
    Rig r;
    r.meter.Reply = [](const QString &c) {
        return c.startsWith(QLatin1String("SET CONFIG")) ? c : QStringLiteral("C?");
    };
    r.comm.SetAutoTempComp(0.02);
    r.comm.SetAutoTempComp(0.0225); // 22.5 goes to the even neighbour
    r.comm.SetAlpha(2);
    r.comm.SetG25(84);
    r.comm.SetDeionizedWater(4);
    QCOMPARE(r.meter.Commands.mid(r.meter.Commands.size() - 5),
             (QStringList{"SET CONFIG 24 20", "SET CONFIG 24 22", "SET CONFIG 9 0.02", "SET CONFIG 10 84",
                          "SET CONFIG 29 4"}));
    r.meter.Reply = [](const QString &) { return QStringLiteral("SET CONFIG 10"); };
    QCOMPARE(Raised([&] { r.comm.SetG25(1); }),
             QStringLiteral("The received message contained a parameter error.\r\nThe Talvo may have taken the new "
                            "value. Please read the settings again to see what it holds."));
}

void TestTransfer::cellConstants()
{
    Rig r;
    r.Config(22, QStringLiteral("1.25"));
    r.Config(18, QStringLiteral("1.5"));
    for (int row = 0; row < 6; ++row)
        for (int col = 0; col < 4; ++col)
            r.replies[QStringLiteral("GET C %1 %2").arg(row).arg(col)] =
                QStringLiteral("GET C %1 %2 %3.%4").arg(row).arg(col).arg(row).arg(col);
    TCellConstants c = r.comm.ReadCellConstants();
    QCOMPARE(c[TCellConstants::KpropFactory], 1.25f);
    QCOMPARE(c[TCellConstants::KpropMeter], 1.5f);
    QCOMPARE(c[TCellConstants::Cell(2, 3)], 2.3f);
    QCOMPARE(r.meter.Commands.mid(r.meter.Commands.size() - 26, 3),
             (QStringList{"GET CONFIG 22", "GET CONFIG 18", "GET C 0 0"}));
    r.replies[QStringLiteral("GET C 5 3")] = QStringLiteral("GET C 5 3");
    QCOMPARE(Raised([&] { c = r.comm.ReadCellConstants(); }),
             QStringLiteral("The received message contained a parameter error."));
    QCOMPARE(c[TCellConstants::Cell(2, 3)], 2.3f); // the caller's values stay
}

void TestTransfer::password()
{
    Rig r;
    for (int n = 12; n <= 15; ++n)
        r.Config(n, QString::number(n - 11));
    QCOMPARE(r.comm.GetPassword(), QStringLiteral("1234"));
    const qsizetype before = r.meter.Commands.size();
    for (const QString &bad : {QStringLiteral("123"), QStringLiteral("12a4"), QStringLiteral("+123"), QString()})
        QCOMPARE(Raised([&] { r.comm.SetPassword(bad); }), QStringLiteral("The new password is invalid."));
    QCOMPARE(r.meter.Commands.size(), before);
    r.meter.Reply = [](const QString &c) { return c; };
    QVERIFY(r.comm.SetPassword(QStringLiteral("40719")));
    QCOMPARE(r.meter.Commands.mid(before),
             (QStringList{"SET CONFIG 12 4", "SET CONFIG 13 0", "SET CONFIG 14 7", "SET CONFIG 15 1"}));
}

QTEST_GUILESS_MAIN(TestTransfer)
#include "tst_transfer.moc"
