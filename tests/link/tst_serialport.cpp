// The link over a real pseudo-terminal and the system's serial port driver.
#include "link/MPDataLink.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The far end of a pseudo-terminal: the test plays the meter on the master side.
class Pty {
public:
    Pty()
    {
        char name[128] = {};
        if (::openpty(&FMaster, &FSlave, name, nullptr, nullptr) == 0) {
            termios tio{};
            ::tcgetattr(FSlave, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(FSlave, TCSANOW, &tio);
            Path = QString::fromLocal8Bit(name);
        }
    }
    ~Pty()
    {
        Hangup();
        if (FSlave >= 0)
            ::close(FSlave);
    }
    void Hangup()
    {
        if (FMaster >= 0)
            ::close(FMaster);
        FMaster = -1;
    }
    void Write(const QByteArray &bytes) { QVERIFY(::write(FMaster, bytes.constData(), bytes.size()) == bytes.size()); }
    // Everything that arrives within the time given.
    QByteArray Read(int ms)
    {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            pollfd p{FMaster, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
                char buf[256];
                const ssize_t n = ::read(FMaster, buf, sizeof buf);
                if (n > 0)
                    got.append(buf, n);
            }
            QCoreApplication::processEvents();
        }
        return got;
    }

    QString Path;

private:
    int FMaster = -1;
    int FSlave = -1;
};

double CpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

} // namespace

class TestSerialPort : public QObject {
    Q_OBJECT
private slots:
    void init() { qputenv("VORNELL_SYSTEM_PORTS", "0"); }
    void frameCrossesRealLine();
    void silentWaitCostsNoCpu();
    void deviceDisappearsWhileWaiting();
    void missingDeviceFailsToOpen();
};

void TestSerialPort::frameCrossesRealLine()
{
    Pty pty;
    QVERIFY(!pty.Path.isEmpty());
    qputenv("VORNELL_SERIAL_PORTS", pty.Path.toLocal8Bit());
    TMPDataLink link;
    QCOMPARE(link.GetAvailablePorts(), QStringList{QStringLiteral("COM 161")});
    link.ComSettings().SetBaudrate(38400);
    link.ComSettings().SetDeviceComport(161);
    link.Open();
    QVERIFY(link.Active());

    QSignalSpy conf(&link, &TMPDataLink::OnMPDLDataConf);
    QSignalSpy sent(&link, &TMPDataLink::OnMPDLDataSendInd);
    link.Send(QStringLiteral("GET VERSION"));
    QCOMPARE(pty.Read(200), QByteArray("/GET VERSION\r\n"));
    QVERIFY(sent.size() == 1 || sent.wait(1000));
    // The reply comes in pieces, with pauses between them.
    for (const QByteArray &piece :
         {QByteArray("/GET VER"), QByteArray("SION Talvo"), QByteArray(" V2.07\r"), QByteArray("\n")}) {
        pty.Write(piece);
        QTest::qWait(30);
    }
    QVERIFY(conf.size() == 1 || conf.wait(1000));
    QTest::qWait(50);
    QCOMPARE(conf.size(), 1);
    QCOMPARE(conf[0][0].toString(), QStringLiteral("GET VERSION Talvo V2.07"));
}

void TestSerialPort::silentWaitCostsNoCpu()
{
    Pty pty;
    qputenv("VORNELL_SERIAL_PORTS", pty.Path.toLocal8Bit());
    TMPDataLink link;
    link.ComSettings().SetDeviceComport(161);
    link.SetRetries(2);
    link.Open();
    QSignalSpy errors(&link, &TMPDataLink::OnMPDLError);
    const double cpu = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    link.Send(QStringLiteral("GET VERSION"));
    QVERIFY(errors.wait(5000));
    const double used = CpuSeconds() - cpu;
    QCOMPARE(errors[0][0].toInt(), int(TMPDataLink::dlTimeOut));
    QVERIFY2(used < 0.1 * static_cast<double>(wall.elapsed()) / 1000.0,
             qPrintable(QStringLiteral("%1 s of CPU in %2 ms").arg(used).arg(wall.elapsed())));
}

void TestSerialPort::deviceDisappearsWhileWaiting()
{
    auto pty = std::make_unique<Pty>();
    qputenv("VORNELL_SERIAL_PORTS", pty->Path.toLocal8Bit());
    TMPDataLink link;
    link.ComSettings().SetDeviceComport(161);
    link.SetRetries(0);
    link.SetTimeOutResponse(100);
    link.Open();
    QSignalSpy errors(&link, &TMPDataLink::OnMPDLError);
    QSignalSpy frameErrors(&link, &TMPDataLink::OnMPDLFrameError);
    link.Send(QStringLiteral("GET BATCH 3"));
    pty->Hangup();
    // Said at once, as a lost device, not after the response time.
    QVERIFY(errors.wait(2000));
    QCOMPARE(errors[0][0].toInt(), int(TMPDataLink::dlLost));
    QVERIFY(!link.Active() && !link.Busy());
    // Sending into the vanished device fails with a numbered error; nothing raises, nothing spins.
    link.Send(QStringLiteral("GET BATCH 4"));
    QCOMPARE(errors.last()[0].toInt(), int(TMPDataLink::dlNotOpen));
    QVERIFY(frameErrors.isEmpty());

    // The layer is usable again on a fresh device.
    link.Close();
    pty = std::make_unique<Pty>();
    qputenv("VORNELL_SERIAL_PORTS", pty->Path.toLocal8Bit());
    link.Open();
    QVERIFY(link.Active());
    QSignalSpy conf(&link, &TMPDataLink::OnMPDLDataConf);
    link.SetTimeOutResponse(1000);
    link.Send(QStringLiteral("GET RTC"));
    QCOMPARE(pty->Read(200), QByteArray("/GET RTC\r\n"));
    pty->Write("/GET RTC 12 30 05 21 03 2012\r\n");
    QVERIFY(conf.wait(1000));
}

void TestSerialPort::missingDeviceFailsToOpen()
{
    qputenv("VORNELL_SERIAL_PORTS", "/dev/vornell-no-such-device");
    TMPDataLink link;
    QVERIFY(link.GetAvailablePorts().isEmpty());
    link.ComSettings().SetDeviceComport(161);
    link.SetTimeOutConnect(50);
    QSignalSpy errors(&link, &TMPDataLink::OnMPDLError);
    QSignalSpy frameErrors(&link, &TMPDataLink::OnMPDLFrameError);
    link.Open();
    QVERIFY(!link.Active());
    QCOMPARE(frameErrors.size(), 1);
    QCOMPARE(frameErrors[0][0].toInt(), 10);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors[0][0].toInt(), int(TMPDataLink::dlCannotOpen));
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
