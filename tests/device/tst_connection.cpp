// Finding and identifying the meter, the clock check, disconnecting and the nine events.
#include "device/Communication.h"
#include "model/Errors.h"
#include "support/Raised.h"
#include "support/ScriptedMeter.h"
#include "support/ScriptedPrompts.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QDateTime PcTime(QDate(2012, 3, 21), QTime(12, 30, 5));

QString RtcReply(const QDateTime &t)
{
    return QStringLiteral("GET RTC ") + t.toString(QStringLiteral("HH mm ss dd MM yyyy"));
}

// A meter on one port of the fake line; the others are silent.
struct Rig {
    FakeLine line;
    ScriptedMeter meter{line};
    ScriptedPrompts prompts;
    std::unique_ptr<TdmCommunication> comm;
    int meterPort = 3;
    QString version = QStringLiteral("GET VERSION Talvo V2.07");
    QDateTime meterClock = PcTime;
    QList<int> opened;

    explicit Rig(QSet<int> ports = {1, 3, 5})
    {
        line.Ports = ports;
        comm = std::make_unique<TdmCommunication>(prompts, nullptr, FakeFactory(line));
        // Shortened time-outs: silent ports are given up quickly.
        comm->ConnectTimeOutTimer().setInterval(300);
        comm->DataLink().SetTimeOutResponse(50);
        meter.Reply = [this](const QString &c) -> QString {
            if (line.Applied.DeviceComport() != meterPort)
                return QString();
            if (c == QLatin1String("GET VERSION"))
                return version;
            if (c == QLatin1String("GET RTC"))
                return RtcReply(meterClock);
            if (c.startsWith(QLatin1String("SET RTC ")))
                return c + QStringLiteral(" 0");
            return QStringLiteral("C?");
        };
        SetNowFunction([] { return PcTime; });
    }
    ~Rig() { SetNowFunction({}); }
};

} // namespace

class TestConnection : public QObject {
    Q_OBJECT
private slots:
    void preferredPortFirst();
    void preferredPortGone();
    void setPreferredPort();
    void eventsOfASuccessfulConnect();
    void noMeterAnywhere();
    void alreadyConnected();
    void versionReplyForms_data();
    void versionReplyForms();
    void badVersionRaisesAndStaysOpen();
    void clockWithinFiveMinutes();
    void clockOffAskedAndSetAtAnswer();
    void clockQuestionDeclined();
    void refusingMeterIdentificationEnds();
    void silentPortRealTime();
    void disconnectAlwaysFires();
    void deviceTimeErrors();
};

namespace {

QList<int> TrialOrder(Rig &r)
{
    QList<int> order;
    QObject::connect(r.comm.get(), &TdmCommunication::OnStatus, [&order](const QString &m) {
        if (m.startsWith(QLatin1String("Trying to connect to COM ")))
            order << m.mid(25).toInt();
    });
    r.comm->Connect(false);
    return order;
}

} // namespace

void TestConnection::preferredPortFirst()
{
    Rig r;
    r.meterPort = 3;
    r.comm->SetPreferredPort(5);
    QCOMPARE(r.comm->PreferredPort(), 5);
    QCOMPARE(TrialOrder(r), (QList<int>{5, 1, 3}));
    QVERIFY(r.comm->Connected());
    QCOMPARE(r.comm->PreferredPort(), 3);
}

void TestConnection::preferredPortGone()
{
    Rig r;
    r.meterPort = 5;
    r.comm->SetPreferredPort(3);
    r.line.Ports = {1, 5};
    QCOMPARE(TrialOrder(r), (QList<int>{1, 5}));
}

void TestConnection::setPreferredPort()
{
    Rig r;
    r.comm->SetPreferredPort(-1);
    QCOMPARE(r.comm->PreferredPort(), -1);
    r.comm->SetPreferredPort(7); // does not exist
    QCOMPARE(r.comm->PreferredPort(), -1);
    r.comm->SetPreferredPort(5);
    QCOMPARE(r.comm->DataLink().ComSettings().DeviceComport(), quint16(5));
}

void TestConnection::eventsOfASuccessfulConnect()
{
    Rig r({3});
    QStringList events;
    connect(r.comm.get(), &TdmCommunication::OnConnecting, [&] { events << "connecting"; });
    connect(r.comm.get(), &TdmCommunication::OnConnected, [&] { events << "connected"; });
    connect(r.comm.get(), &TdmCommunication::OnDisconnected, [&] { events << "disconnected"; });
    connect(r.comm.get(), &TdmCommunication::OnStatus, [&](const QString &m) { events << m; });
    connect(r.comm.get(), &TdmCommunication::OnStatusClear, [&] { events << "clear"; });
    connect(r.comm.get(), &TdmCommunication::OnDeviceInfo,
            [&](const TDeviceInfo &i) { events << "info " + i.SoftwareVersion; });
    QVERIFY(r.comm->Connect(true));
    QCOMPARE(events, (QStringList{"connecting", "Trying to connect to COM 3", "Connect to Talvo on serial port COM 3",
                                  "info V2.07", "connected"}));
    QCOMPARE(r.meter.Commands, (QStringList{"GET VERSION", "GET RTC"}));
}

void TestConnection::noMeterAnywhere()
{
    Rig r;
    r.meterPort = 0;
    QSignalSpy clear(r.comm.get(), &TdmCommunication::OnStatusClear);
    QSignalSpy disconnected(r.comm.get(), &TdmCommunication::OnDisconnected);
    QVERIFY(!r.comm->Connect(true));
    QCOMPARE(clear.size(), 1);
    QCOMPARE(disconnected.size(), 1);
    QVERIFY(!r.comm->DataLink().Active());
}

void TestConnection::alreadyConnected()
{
    Rig r;
    QVERIFY(r.comm->Connect(false));
    QSignalSpy connecting(r.comm.get(), &TdmCommunication::OnConnecting);
    QCOMPARE(Raised([&] { r.comm->Connect(false); }), QStringLiteral("Port is already open. Please close port first."));
    QCOMPARE(connecting.size(), 0);
}

void TestConnection::versionReplyForms_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("version");
    QTest::newRow("four parameters") << "GET VERSION Talvo 2.06S01" << true << "2.06S01";
    QTest::newRow("three parameters") << "GET VERSION 2.07" << false << "";
    QTest::newRow("two parameters") << "GET VERSION" << false << "";
}

void TestConnection::versionReplyForms()
{
    QFETCH(QString, reply);
    QFETCH(bool, connected);
    QFETCH(QString, version);
    Rig r({3});
    r.version = reply;
    QString seen;
    connect(r.comm.get(), &TdmCommunication::OnDeviceInfo, [&](const TDeviceInfo &i) { seen = i.SoftwareVersion; });
    // Three parameters identify a meter but hand the whole reply to the version parser, which refuses it.
    const QString failure = Raised([&] { r.comm->Connect(false); });
    QCOMPARE(r.comm->Connected(), connected);
    QCOMPARE(seen, version);
    if (reply == QLatin1String("GET VERSION 2.07"))
        QCOMPARE(failure, QStringLiteral("Error during conversion of version string"));
}

void TestConnection::badVersionRaisesAndStaysOpen()
{
    Rig r({3});
    r.version = QStringLiteral("GET VERSION Talvo X.Y");
    QSignalSpy disconnected(r.comm.get(), &TdmCommunication::OnDisconnected);
    QCOMPARE(Raised([&] { r.comm->Connect(false); }), QStringLiteral("Error during conversion of version string"));
    QVERIFY(!r.comm->Connected());
    QVERIFY(r.comm->DataLink().Active());
    QCOMPARE(disconnected.size(), 1);
}

void TestConnection::clockWithinFiveMinutes()
{
    Rig r({3});
    r.meterClock = PcTime.addSecs(-300);
    QVERIFY(r.comm->Connect(true));
    QVERIFY(r.prompts.Messages.isEmpty());
}

void TestConnection::clockOffAskedAndSetAtAnswer()
{
    Rig r({3});
    r.meterClock = PcTime.addSecs(-301);
    // The user takes a while: the clock is set to the time of the answer.
    struct Answering : ScriptedPrompts {
        TMsgResult Message(TMsgKind kind, const QString &text, TMsgButtons buttons) override
        {
            ScriptedPrompts::Message(kind, text, buttons);
            SetNowFunction([] { return PcTime.addSecs(42); });
            return TMsgResult::Yes;
        }
    } prompts;
    TdmCommunication comm(prompts, nullptr, FakeFactory(r.line));
    comm.ConnectTimeOutTimer().setInterval(300);
    comm.DataLink().SetTimeOutResponse(50);
    QVERIFY(comm.Connect(true));
    QCOMPARE(prompts.Messages.size(), 1);
    QCOMPARE(prompts.Messages[0].Kind, TMsgKind::Information);
    QCOMPARE(prompts.Messages[0].Buttons, TMsgButtons::YesNo);
    QCOMPARE(prompts.Messages[0].Text, QStringLiteral("Time difference between PC and Talvo is more then 5 minutes.\r\n"
                                                      "Do you want to synchronize the time?"));
    QCOMPARE(r.meter.Commands.last(), QStringLiteral("SET RTC 12 30 47 21 03 2012"));
}

void TestConnection::clockQuestionDeclined()
{
    Rig r({3});
    r.meterClock = PcTime.addDays(1);
    r.prompts.Answers = {TMsgResult::No};
    QVERIFY(r.comm->Connect(true));
    QCOMPARE(r.meter.Commands, (QStringList{"GET VERSION", "GET RTC"}));
    QCOMPARE(r.comm->ClockDifference(), 86400 * 1000);
}

void TestConnection::refusingMeterIdentificationEnds()
{
    // Every reply stops the identification timer; the search still ends in bounded time.
    Rig r({3});
    r.meter.Reply = [](const QString &) { return QStringLiteral("C?"); };
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!r.comm->Connect(false));
    QVERIFY(clock.elapsed() < 5000);
    // Asked again and again, but no faster than every 100 ms: the line is not flooded.
    const int interval = r.comm->ConnectTimeOutTimer().interval();
    QVERIFY(r.meter.Commands.size() > 1);
    QVERIFY2(r.meter.Commands.size() <= interval / 100 + 1, qPrintable(QString::number(r.meter.Commands.size())));
}

void TestConnection::silentPortRealTime()
{
    FakeLine line;
    line.Ports = {2};
    ScriptedPrompts prompts;
    TdmCommunication comm(prompts, nullptr, FakeFactory(line));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!comm.Connect(true));
    const qint64 ms = clock.elapsed();
    // About seven seconds: the time-out ends the third transmission's wait early.
    QVERIFY2(ms >= 6990 && ms < 8000, qPrintable(QString::number(ms)));
}

void TestConnection::disconnectAlwaysFires()
{
    Rig r;
    QSignalSpy disconnected(r.comm.get(), &TdmCommunication::OnDisconnected);
    r.comm->Disconnect();
    QCOMPARE(disconnected.size(), 1);
    QVERIFY(r.comm->Connect(false));
    r.comm->Disconnect();
    QVERIFY(!r.comm->Connected());
    QVERIFY(!r.comm->DataLink().Active());
    // The port that answered is tried first next time.
    QCOMPARE(r.comm->PreferredPort(), 3);
}

void TestConnection::deviceTimeErrors()
{
    Rig r({3});
    QVERIFY(r.comm->Connect(false));
    QCOMPARE(QDateTimeFromDateTime(r.comm->GetDeviceTime()), PcTime);
    r.meter.Reply = [](const QString &) { return QStringLiteral("GET RTC 12 30 05 21 03"); };
    QCOMPARE(Raised([&] { r.comm->GetDeviceTime(); }),
             QStringLiteral("The received message contained a parameter error."));
    r.meter.Reply = [](const QString &) { return QStringLiteral("GET RTC 12 3x 05 21 03 2012"); };
    QCOMPARE(Raised([&] { r.comm->GetDeviceTime(); }), QStringLiteral("'3x' is not a valid integer value"));
    r.meter.Reply = [](const QString &) { return QStringLiteral("GET RTC 12 30 05 31 02 2012"); };
    QVERIFY(Raised([&] { r.comm->GetDeviceTime(); }).endsWith(QLatin1String("is not a valid date")));
    // The meter may have set its clock all the same.
    r.meter.Reply = [](const QString &) { return QStringLiteral("SET RTC 1 2 3 4 5 6"); };
    QCOMPARE(Raised([&] { r.comm->SetDeviceTime(Now()); }),
             QStringLiteral("The received message contained a parameter error.\r\nThe Talvo may have set its clock. "
                            "Please read its date and time again to see what it holds."));
}

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
