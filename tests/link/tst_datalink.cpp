// The data link layer: one outstanding request, its response, time-outs, resends and errors.
#include "link/MPDataLink.h"
#include "support/FakeSerialDriver.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

class TestDataLink : public QObject {
    Q_OBJECT
private slots:
    void defaults();
    void responseCompletesRequest();
    void silentMeterRealTime();
    void noResendsShortTimeout();
    void secondRequestRefused();
    void unaskedFrameDiscarded();
    void lateResponseGoesToNextRequest();
    void retriesChangeKeepsOutstandingCount();
    void lineErrorWhileWaiting();
    void sendOnClosedPort();
    void openFailureRealTime();
    void openFailureShortTimeout();
};

namespace {

struct Rig {
    FakeLine line;
    TMPDataLink link{nullptr, FakeFactory(line)};
    QSignalSpy conf{&link, &TMPDataLink::OnMPDLDataConf};
    QSignalSpy errors{&link, &TMPDataLink::OnMPDLError};
    QSignalSpy frameErrors{&link, &TMPDataLink::OnMPDLFrameError};
    QSignalSpy sent{&link, &TMPDataLink::OnMPDLDataSendInd};
    Rig() { link.Open(); }
};

} // namespace

void TestDataLink::defaults()
{
    FakeLine line;
    TMPDataLink link(nullptr, FakeFactory(line));
    QCOMPARE(link.Retries(), qint16(3));
    QCOMPARE(link.TimeOutResponse(), 500u);
    QCOMPARE(link.TimeOutConnect(), 10000);
    QVERIFY(!link.Busy());
}

void TestDataLink::responseCompletesRequest()
{
    Rig r;
    r.line.OnWrite = [&](const QByteArray &) { r.line.Deliver("/GET MAXNROFB 50\r\n", 4); };
    r.link.Send(QStringLiteral("GET MAXNROFB"));
    QVERIFY(r.link.Busy());
    QVERIFY(r.conf.wait(1000));
    QCOMPARE(r.conf[0][0].toString(), QStringLiteral("GET MAXNROFB 50"));
    QCOMPARE(r.sent.size(), 1); // drained before the response
    QVERIFY(!r.link.Busy());
    QCOMPARE(r.errors.size(), 0);
}

void TestDataLink::silentMeterRealTime()
{
    Rig r;
    r.link.SetRetries(2);
    QList<qint64> at;
    QElapsedTimer clock;
    clock.start();
    r.line.OnWrite = [&](const QByteArray &) { at << clock.elapsed(); };
    r.link.Send(QStringLiteral("GET VERSION"));
    QVERIFY(r.errors.wait(5000));
    const qint64 total = clock.elapsed();
    QCOMPARE(r.errors[0][0].toInt(), int(TMPDataLink::dlTimeOut));
    QCOMPARE(at.size(), 3);
    QVERIFY2(at[1] - at[0] >= 490 && at[2] - at[1] >= 490, "resends come one time-out apart");
    QVERIFY2(total >= 1490, qPrintable(QString::number(total)));
    QCOMPARE(r.sent.size(), 3);
    QVERIFY(!r.link.Busy());
}

void TestDataLink::noResendsShortTimeout()
{
    Rig r;
    r.link.SetRetries(0);
    r.link.SetTimeOutResponse(30);
    r.link.Send(QStringLiteral("X"));
    QVERIFY(r.errors.wait(1000));
    QCOMPARE(r.line.Writes.size(), 1);
    // The layer is idle and ready again.
    r.line.OnWrite = [&](const QByteArray &) { r.line.Deliver("/Y\r\n"); };
    r.link.Send(QStringLiteral("X"));
    QVERIFY(r.conf.wait(1000));
}

void TestDataLink::secondRequestRefused()
{
    Rig r;
    r.link.Send(QStringLiteral("FIRST"));
    r.link.Send(QStringLiteral("SECOND"));
    QCOMPARE(r.errors.size(), 1);
    QCOMPARE(r.errors[0][0].toInt(), int(TMPDataLink::dlBusy));
    QCOMPARE(r.line.Writes.size(), 1);
    r.line.Deliver("/ANSWER\r\n");
    QVERIFY(r.conf.wait(1000));
    QCOMPARE(r.conf[0][0].toString(), QStringLiteral("ANSWER"));
}

void TestDataLink::unaskedFrameDiscarded()
{
    Rig r;
    r.line.Deliver("/NOBODY ASKED\r\n");
    QTest::qWait(20);
    QCOMPARE(r.conf.size(), 0);
    QCOMPARE(r.errors.size(), 0);
}

void TestDataLink::lateResponseGoesToNextRequest()
{
    Rig r;
    r.link.SetRetries(0);
    r.link.SetTimeOutResponse(30);
    r.link.Send(QStringLiteral("A"));
    QVERIFY(r.errors.wait(1000));
    // The second request goes out (flushing the input), then the late answer to the first arrives.
    r.link.Send(QStringLiteral("B"));
    r.line.Deliver("/ANSWER TO A\r\n");
    QVERIFY(r.conf.wait(1000));
    QCOMPARE(r.conf[0][0].toString(), QStringLiteral("ANSWER TO A"));
}

void TestDataLink::retriesChangeKeepsOutstandingCount()
{
    Rig r;
    r.link.SetRetries(1);
    r.link.SetTimeOutResponse(30);
    r.link.Send(QStringLiteral("A"));
    r.link.SetRetries(4);
    QVERIFY(r.errors.wait(2000));
    QCOMPARE(r.line.Writes.size(), 2); // the request started with one resend
    r.line.Writes.clear();
    r.link.Send(QStringLiteral("B"));
    QVERIFY(r.errors.wait(2000));
    QCOMPARE(r.line.Writes.size(), 5);
}

void TestDataLink::lineErrorWhileWaiting()
{
    Rig r;
    r.link.Send(QStringLiteral("A"));
    r.line.LineError(TSerialDriver::leParity);
    QVERIFY(r.frameErrors.wait(1000));
    QCOMPARE(r.frameErrors[0][0].toInt(), 3);
    QVERIFY(r.link.Busy());
    r.line.Deliver("/OK\r\n");
    QVERIFY(r.conf.wait(1000));
}

void TestDataLink::sendOnClosedPort()
{
    Rig r;
    r.link.Close();
    r.link.Send(QStringLiteral("A"));
    QCOMPARE(r.errors.size(), 1);
    QCOMPARE(r.errors[0][0].toInt(), int(TMPDataLink::dlNotOpen));
    QVERIFY(r.line.Writes.isEmpty());
}

void TestDataLink::openFailureRealTime()
{
    // A port that cannot be opened: the frame error comes at once, the give-up after 10 s.
    FakeLine line;
    line.OpenOk = false;
    TMPDataLink link(nullptr, FakeFactory(line));
    QSignalSpy errors(&link, &TMPDataLink::OnMPDLError);
    QSignalSpy frameErrors(&link, &TMPDataLink::OnMPDLFrameError);
    QElapsedTimer clock;
    clock.start();
    link.Open();
    QVERIFY(clock.elapsed() >= 9990);
    QCOMPARE(frameErrors.size(), 1);
    QCOMPARE(frameErrors[0][0].toInt(), 10);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors[0][0].toInt(), int(TMPDataLink::dlCannotOpen));
    QVERIFY(!link.Active());
}

void TestDataLink::openFailureShortTimeout()
{
    FakeLine line;
    line.OpenOk = false;
    TMPDataLink link(nullptr, FakeFactory(line));
    QSignalSpy errors(&link, &TMPDataLink::OnMPDLError);
    link.SetTimeOutConnect(20);
    link.Open();
    QCOMPARE(errors.size(), 1);
    // The layer stays usable: the next open may succeed.
    line.OpenOk = true;
    link.Open();
    QVERIFY(link.Active());
}

QTEST_GUILESS_MAIN(TestDataLink)
#include "tst_datalink.moc"
