// Serial port names and the map from "COM n" to the system's devices.
#include "link/PortNames.h"

#include <QTemporaryFile>
#include <QtTest>

class TestPortNames : public QObject {
    Q_OBJECT
private slots:
    void namesAndNumbers();
    void systemMap();
    void extraDevicesFromEnvironment();
};

void TestPortNames::namesAndNumbers()
{
    QCOMPARE(PortName(5), QStringLiteral("COM 5"));
    QCOMPARE(PortNumber(QStringLiteral("COM 161")).value(), 161);
    QVERIFY(!PortNumber(QStringLiteral("COM x")));
}

void TestPortNames::systemMap()
{
    const TPortMap map({}, true);
    QCOMPARE(map.DevicePath(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(map.DevicePath(32), QStringLiteral("/dev/ttyS31"));
    QCOMPARE(map.DevicePath(33), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(map.DevicePath(96), QStringLiteral("/dev/ttyUSB63"));
    QCOMPARE(map.DevicePath(97), QStringLiteral("/dev/ttyACM0"));
    QCOMPARE(map.DevicePath(160), QStringLiteral("/dev/ttyACM63"));
    QCOMPARE(map.DevicePath(161), QString());
    QCOMPARE(map.DevicePath(0), QString());
    QCOMPARE(TPortMap({}, false).DevicePath(1), QString());
}

void TestPortNames::extraDevicesFromEnvironment()
{
    QTemporaryFile a, b;
    QVERIFY(a.open() && b.open());
    qputenv("VORNELL_SERIAL_PORTS", (a.fileName() + QStringLiteral("::/nonexistent:") + b.fileName()).toLocal8Bit());
    qputenv("VORNELL_SYSTEM_PORTS", "0");
    const TPortMap map = TPortMap::FromEnvironment();
    QCOMPARE(map.DevicePath(161), a.fileName());
    QVERIFY(map.Exists(161));
    QVERIFY(!map.Exists(162)); // listed, but not there
    QVERIFY(map.Exists(163));
    QCOMPARE(map.NumberOf(b.fileName()).value(), 163);
    QVERIFY(!map.Exists(1));
}

QTEST_GUILESS_MAIN(TestPortNames)
#include "tst_portnames.moc"
