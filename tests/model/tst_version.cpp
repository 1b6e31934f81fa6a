// Version texts of the meter: parsing, printing, ranking, and the device record's version setters.
#include "model/DeviceInfo.h"
#include "model/QelvanVersion.h"

#include <QtTest>
#include <stdexcept>

class TestVersion : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void rejects_data();
    void rejects();
    void compare_data();
    void compare();
    void newerFirmware_data();
    void newerFirmware();
    void reparseClearsFlags();
    void deviceRecordDefaults();
    void deviceRecordVersionSetters();
};

void TestVersion::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("build");
    QTest::addColumn<bool>("threePart");
    QTest::addColumn<bool>("sForm");
    QTest::addColumn<QString>("printed");
    QTest::newRow("S form") << "2.06S01" << 2 << 6 << 1 << false << true << "2.06S 1";
    QTest::newRow("lower-case s") << "2.06s01" << 2 << 6 << 1 << false << true << "2.06S 1";
    QTest::newRow("two-digit build") << "2.06S12" << 2 << 6 << 12 << false << true << "2.06S12";
    QTest::newRow("plain") << "2.10" << 2 << 10 << 0 << false << false << "2.10";
    QTest::newRow("short minor") << "1.5" << 1 << 5 << 0 << false << false << "1.05";
    QTest::newRow("major only") << "3" << 3 << 0 << 0 << false << false << "3.00";
    QTest::newRow("three parts") << "1.02.3" << 1 << 2 << 3 << true << false << "1.02.3";
    QTest::newRow("three parts short") << "1.2.3" << 1 << 2 << 3 << true << false << "1.02.3";
    QTest::newRow("leading blank") << " 2.06" << 2 << 6 << 0 << false << false << "2.06";
    QTest::newRow("blank before point") << "2 .06" << 2 << 6 << 0 << false << false << "2.06";
    QTest::newRow("quoted items") << "\"2\".\"06\"" << 2 << 6 << 0 << false << false << "2.06";
    QTest::newRow("NUL ends the text") << QString::fromLatin1("2.07\0garbage", 12) << 2 << 7 << 0 << false << false
                                       << "2.07";
}

void TestVersion::parse()
{
    QFETCH(QString, text);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, build);
    QFETCH(bool, threePart);
    QFETCH(bool, sForm);
    QFETCH(QString, printed);
    TQELVersion v;
    v.Parse(text);
    QCOMPARE(v.FMajor, major);
    QCOMPARE(v.FMinor, minor);
    QCOMPARE(v.FBuild, build);
    QCOMPARE(v.FThreePart, threePart);
    QCOMPARE(v.FSForm, sForm);
    QCOMPARE(v.AsText(), printed);
}

void TestVersion::rejects_data()
{
    QTest::addColumn<QString>("text");
    for (const char *t : {"V2.06", "2.06S", "2.S01", "2.06.1.0", "2.", "", "2..6", "2.06 S01", "a", "2.x"})
        QTest::newRow(t) << QString::fromLatin1(t);
}

void TestVersion::rejects()
{
    QFETCH(QString, text);
    TQELVersion v;
    try {
        v.Parse(text);
        QFAIL("parsed");
    } catch (const std::exception &e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Error during conversion of version string"));
    }
    QVERIFY_THROWS_EXCEPTION(std::exception, v.CompareWith(text));
}

void TestVersion::compare_data()
{
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("other");
    QTest::addColumn<int>("result");
    QTest::newRow("same S form") << "2.06S01"
                                 << "2.06S01" << int(vcEqual);
    QTest::newRow("integers") << "2.6"
                              << "2.06" << int(vcEqual);
    QTest::newRow("plain below S") << "2.06"
                                   << "2.06S01" << int(vcOlder);
    QTest::newRow("S00 above plain") << "2.06S00"
                                     << "2.06" << int(vcNewer);
    QTest::newRow("three-part below S") << "2.06.5"
                                        << "2.06S01" << int(vcOlder);
    QTest::newRow("three-part below plain") << "2.06.5"
                                            << "2.06" << int(vcOlder);
    QTest::newRow("plain above three-part") << "2.06"
                                            << "2.06.5" << int(vcNewer);
    QTest::newRow("major wins") << "3.00"
                                << "2.99S99" << int(vcNewer);
    QTest::newRow("minor wins") << "2.05S99"
                                << "2.06" << int(vcOlder);
    QTest::newRow("build larger") << "2.06S02"
                                  << "2.06S01" << int(vcNewer);
    QTest::newRow("build smaller") << "2.06S01"
                                   << "2.06S02" << int(vcOlder);
    QTest::newRow("three-part builds") << "1.02.4"
                                       << "1.02.3" << int(vcNewer);
}

void TestVersion::compare()
{
    QFETCH(QString, mine);
    QFETCH(QString, other);
    QFETCH(int, result);
    TQELVersion v;
    v.Parse(mine);
    QCOMPARE(int(v.CompareWith(other)), result);
    TQELVersion o;
    o.Parse(other);
    QCOMPARE(int(v.Compare(o)), result);
}

void TestVersion::newerFirmware_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("newer");
    for (const char *t : {"2.06S02", "2.07", "2.10", "3.00", "V2.07", "V2.06S02"})
        QTest::newRow(t) << QString::fromLatin1(t) << true;
    for (const char *t : {"2.06S01", "V2.06S01", "2.06", "2.06.9", "2.05S99"})
        QTest::newRow(t) << QString::fromLatin1(t) << false;
}

void TestVersion::newerFirmware()
{
    QFETCH(QString, firmware);
    QFETCH(bool, newer);
    TDeviceInfo info;
    info.SetSoftwareVersion(firmware);
    QCOMPARE(info.IsNewerFirmware(), newer);
}

void TestVersion::reparseClearsFlags()
{
    TQELVersion v;
    v.Parse(QStringLiteral("2.06S01"));
    v.Parse(QStringLiteral("2.10"));
    QVERIFY(!v.FSForm);
    QCOMPARE(v.FBuild, 0);
    QCOMPARE(v.AsText(), QStringLiteral("2.10"));
    v.FMinor = -2;
    QVERIFY(!v.IsValid());
    QCOMPARE(v.AsText(), QString());
}

void TestVersion::deviceRecordDefaults()
{
    TDeviceInfo info;
    QCOMPARE(QDateTimeFromDateTime(info.ServiceDate), QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
    QCOMPARE(QDateTimeFromDateTime(info.ValidationDate), QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
    QVERIFY(info.SerialNumber.isEmpty() && info.SoftwareVersion.isEmpty() && info.NrOfReadingsTaken.isEmpty());
    QCOMPARE(info.G25 + info.Alpha + info.AutoTempComp + info.BresleOffset + info.GClean, 0.0);
    QCOMPARE(info.DeionizedWater + info.ServoLifeTime + info.ReadingsSinceLastService + info.ReadingsSinceLastVal, 0);
    QVERIFY(!info.Valid && !info.HasBresleOffset);
    QCOMPARE(info.SoftwareVersionNr.AsText(), QStringLiteral("0.00"));
}

void TestVersion::deviceRecordVersionSetters()
{
    TDeviceInfo a, b;
    a.SetSoftwareVersion(QStringLiteral("V2.06S01"));
    b.SetSoftwareVersion(QStringLiteral("2.06S01"));
    QCOMPARE(int(a.SoftwareVersionNr.Compare(b.SoftwareVersionNr)), int(vcEqual));
    QCOMPARE(a.SoftwareVersion, QStringLiteral("V2.06S01"));

    // The same text is not parsed again: a number changed behind the setter's back stays.
    a.SoftwareVersionNr.FBuild = 9;
    a.SetSoftwareVersion(QStringLiteral("V2.06S01"));
    QCOMPARE(a.SoftwareVersionNr.FBuild, 9);
    a.SetSoftwareVersion(QStringLiteral("X1.2"));
    QCOMPARE(a.SoftwareVersionNr.AsText(), QStringLiteral("1.02"));

    a.SetConfigVersion(QStringLiteral("V2.05"));
    QCOMPARE(a.ConfigVersion, QStringLiteral("V2.05"));
    QCOMPARE(a.ConfigVersionNr.AsText(), QStringLiteral("2.05"));

    // A failed parse keeps the text; an empty text leaves a usable, cleared number.
    QVERIFY_THROWS_EXCEPTION(std::exception, a.SetConfigVersion(QStringLiteral("VV1.0")));
    QCOMPARE(a.ConfigVersion, QStringLiteral("VV1.0"));
    a.SetSoftwareVersion(QString());
    QCOMPARE(a.SoftwareVersionNr.AsText(), QStringLiteral("0.00"));
    QVERIFY(!a.IsNewerFirmware());
}

QTEST_GUILESS_MAIN(TestVersion)
#include "tst_version.moc"
