// The frame layer: framing of sent texts, the receive state machine, opening, closing and errors.
#include "link/MPFrame.h"
#include "support/FakeSerialDriver.h"

#include <QSignalSpy>
#include <QtTest>

class TestFrame : public QObject {
    Q_OBJECT
private slots:
    void receive_data();
    void receive();
    void overlongFrameIsAbandoned();
    void sendAbandonsPartlyReceivedFrame();
    void sendWrapsText_data();
    void sendWrapsText();
    void sendOnClosedPort();
    void sendFailures();
    void openAppliesSettingsAndRecreatesPortOnce();
    void openFailureGivesUpAfterTimeout();
    void lineErrorsAreMapped();
    void availablePorts();
    void comSettingsRules();
};

namespace {

QStringList Frames(TMPFrame &frame, FakeLine &line, const QByteArray &bytes, int chunk)
{
    QSignalSpy spy(&frame, &TMPFrame::OnMPFrameDataInd);
    line.Deliver(bytes, chunk);
    QTest::qWait(20); // every queued piece is delivered at once; this only runs the event loop
    QStringList frames;
    for (const auto &args : spy)
        frames << args[0].toString();
    return frames;
}

} // namespace

void TestFrame::receive_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<QStringList>("frames");
    QTest::newRow("plain") << QByteArray("/PQR\r\n") << "CRLF" << 0 << QStringList{"PQR"};
    QTest::newRow("noise before start") << QByteArray("xyz/PQR\r\n") << "CRLF" << 0 << QStringList{"PQR"};
    QTest::newRow("start restarts") << QByteArray("/PQ/RS\r\n") << "CRLF" << 0 << QStringList{"RS"};
    QTest::newRow("CR then start abandons both") << QByteArray("/PQ\r/RS\r\n") << "CRLF" << 0 << QStringList{};
    QTest::newRow("CR then other") << QByteArray("/PQ\rX\n") << "CRLF" << 0 << QStringList{};
    QTest::newRow("empty frame") << QByteArray("/\r\n") << "CRLF" << 0 << QStringList{""};
    QTest::newRow("byte by byte") << QByteArray("/GET RTC 12 30\r\n/NEXT\r\n") << "CRLF" << 1
                                  << QStringList{"GET RTC 12 30", "NEXT"};
    QTest::newRow("split in threes") << QByteArray("/ABCDEFG\r\n") << "CRLF" << 3 << QStringList{"ABCDEFG"};
    QTest::newRow("LF stop keeps CR") << QByteArray("/A\rB\n") << "LF" << 0 << QStringList{"A\rB"};
    QTest::newRow("CR stop") << QByteArray("/AB\r\n/C\r") << "CR" << 0 << QStringList{"AB", "C"};
    QTest::newRow("unknown stop never ends") << QByteArray("/AB\r\n") << "XX" << 0 << QStringList{};
    QTest::newRow("lone LF is data") << QByteArray("/A\nB\r\n") << "CRLF" << 0 << QStringList{"A\nB"};
    QTest::newRow("win-1252 bytes") << QByteArray("/25\xB0"
                                                  "C \xB5S\r\n")
                                    << "CRLF" << 2 << QStringList{QStringLiteral("25°C µS")};
}

void TestFrame::receive()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, stop);
    QFETCH(int, chunk);
    QFETCH(QStringList, frames);
    FakeLine line;
    TMPFrame frame(nullptr, FakeFactory(line));
    frame.SetFrameStopChar(stop);
    frame.Open();
    QVERIFY(frame.Active());
    QCOMPARE(Frames(frame, line, bytes, chunk), frames);
}

void TestFrame::sendAbandonsPartlyReceivedFrame()
{
    // A late reply is half in when the next command goes out; the input is flushed, so the bytes
    // after the flush are not the rest of that reply and must not be joined to its start.
    FakeLine line;
    TMPFrame frame(nullptr, FakeFactory(line));
    frame.Open();
    QCOMPARE(Frames(frame, line, "/GET READING 12 2 0 14798", 0), QStringList{});
    frame.Send(QStringLiteral("GET READING 12 3"));
    QCOMPARE(Frames(frame, line, "20 1250 215 0 0\r\n/GET READING 12 3\r\n", 0),
             QStringList{QStringLiteral("GET READING 12 3")});
}

void TestFrame::overlongFrameIsAbandoned()
{
    FakeLine line;
    TMPFrame frame(nullptr, FakeFactory(line));
    frame.Open();
    const QByteArray exact = "/" + QByteArray(4096, 'a') + "\r\n";
    const QByteArray over = "/" + QByteArray(4097, 'b') + "\r\n" + "/ok\r\n";
    const QStringList frames = Frames(frame, line, exact + over, 1000);
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames[0].size(), 4096);
    QCOMPARE(frames[1], QStringLiteral("ok"));
}

void TestFrame::sendWrapsText_data()
{
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QChar>("start");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("default") << "CRLF" << QChar('/') << QByteArray("/GET VERSION\r\n");
    QTest::newRow("CR") << "CR" << QChar('/') << QByteArray("/GET VERSION\r");
    QTest::newRow("LF") << "LF" << QChar('/') << QByteArray("/GET VERSION\n");
    QTest::newRow("other stop is CRLF") << "??" << QChar('/') << QByteArray("/GET VERSION\r\n");
    QTest::newRow("no start char") << "CRLF" << QChar(0) << QByteArray("GET VERSION\r\n");
}

void TestFrame::sendWrapsText()
{
    QFETCH(QString, stop);
    QFETCH(QChar, start);
    QFETCH(QByteArray, wire);
    FakeLine line;
    TMPFrame frame(nullptr, FakeFactory(line));
    frame.SetFrameStopChar(stop);
    frame.SetFrameStartCommandChar(start);
    QSignalSpy drained(&frame, &TMPFrame::OnMPFrameDataSendInd);
    frame.Open();
    frame.Send(QStringLiteral("GET VERSION"));
    QCOMPARE(line.Writes, QList<QByteArray>{wire});
    QVERIFY(drained.wait(1000));
}

void TestFrame::sendOnClosedPort()
{
    FakeLine line;
    TMPFrame frame(nullptr, FakeFactory(line));
    QSignalSpy errors(&frame, &TMPFrame::OnMPFrameComError);
    frame.Send(QStringLiteral("X"));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors[0][0].toInt(), 14);
    QVERIFY(line.Written.isEmpty());
}

void TestFrame::sendFailures()
{
    FakeLine line;
    TMPFrame frame(nullptr, FakeFactory(line));
    QSignalSpy errors(&frame, &TMPFrame::OnMPFrameComError);
    frame.Open();
    line.FlushOk = false;
    frame.Send(QStringLiteral("A")); // flush fails: reported, the frame still goes out
    line.FlushOk = true;
    line.WriteOk = false;
    frame.Send(QStringLiteral("B")); // write fails: the port stays open
    QCOMPARE(errors.size(), 2);
    QCOMPARE(errors[0][0].toInt(), 13);
    QCOMPARE(errors[1][0].toInt(), 12);
    QCOMPARE(line.Written, QByteArray("/A\r\n"));
    QVERIFY(frame.Active());
}

void TestFrame::openAppliesSettingsAndRecreatesPortOnce()
{
    FakeLine line;
    TMPFrame frame(nullptr, FakeFactory(line));
    QCOMPARE(line.Drivers, 1);
    frame.ComSettings().SetBaudrate(38400);
    frame.ComSettings().SetDeviceComport(5);
    frame.Open();
    QCOMPARE(line.Drivers, 2); // made afresh before the first open
    QCOMPARE(line.Applied.Baudrate(), 38400);
    QCOMPARE(line.Applied.DeviceComport(), quint16(5));
    frame.Open(); // already open: nothing happens
    QCOMPARE(line.Opens, 1);
    frame.Close();
    QVERIFY(!frame.Active());
    frame.ComSettings().SetDeviceComport(6);
    frame.Open();
    QCOMPARE(line.Drivers, 2);
    QCOMPARE(line.Applied.DeviceComport(), quint16(6));
}

void TestFrame::openFailureGivesUpAfterTimeout()
{
    FakeLine line;
    line.OpenOk = false;
    TMPFrame frame(nullptr, FakeFactory(line));
    QSignalSpy errors(&frame, &TMPFrame::OnMPFrameComError);
    frame.SetTimeOutConnect(50);
    frame.Open();
    // The failure is noted while opening and ends the wait at once; no "gave up" is added.
    QVERIFY(!frame.Active());
    QCOMPARE(errors.size(), 0);
    frame.Send(QStringLiteral("X"));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors[0][0].toInt(), 14);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, frame.SetTimeOutConnect(-1));
}

void TestFrame::lineErrorsAreMapped()
{
    FakeLine line;
    TMPFrame frame(nullptr, FakeFactory(line));
    QStringList frames;
    connect(&frame, &TMPFrame::OnMPFrameDataInd, [&](const QString &d) { frames << d; });
    QSignalSpy errors(&frame, &TMPFrame::OnMPFrameComError);
    frame.Open();
    line.Deliver("/PA");
    for (int code = 1; code <= 9; ++code)
        line.LineError(code);
    line.Deliver("RT\r\n");
    QTRY_COMPARE(frames.size(), 1);
    QCOMPARE(frames[0], QStringLiteral("PART")); // the frame being received is untouched
    QList<int> codes;
    for (const auto &e : errors)
        codes << e[0].toInt();
    QCOMPARE(codes, (QList<int>{1, 2, 3, 4, 5, 6}));
}

void TestFrame::availablePorts()
{
    FakeLine line;
    line.Ports = {256, 3, 1, 161};
    TMPFrame frame(nullptr, FakeFactory(line));
    QCOMPARE(frame.GetAvailablePorts(), (QStringList{"COM 1", "COM 3", "COM 161", "COM 256"}));
}

void TestFrame::comSettingsRules()
{
    TMpComSettings s;
    QCOMPARE(s.Baudrate(), 19200);
    QCOMPARE(s.DeviceComport(), quint16(1));
    QCOMPARE(s.MaxRXBuffer(), quint16(4096));
    QVERIFY(s.DTR() && s.RTS() && !s.RS485Mode() && !s.UseModem());
    s.SetRS485Mode(true);
    QVERIFY(!s.RTS());
    s.SetRTS(true);
    QVERIFY(!s.RTS());
    s.SetRS485Mode(false);
    QVERIFY(!s.RTS());
    s.SetRTS(true);
    QVERIFY(s.RTS());
}

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
