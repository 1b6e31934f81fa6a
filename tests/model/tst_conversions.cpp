// Text-number-date conversions with the system's messages and rounding, and the wire character set.
#include "model/Conversions.h"
#include "model/Errors.h"
#include "model/UserLocale.h"
#include "model/Win1252.h"

#include <QtTest>

class TestConversions : public QObject {
    Q_OBJECT
private slots:
    void init();
    void integers_data();
    void integers();
    void floats_data();
    void floats();
    void conversionMessages();
    void fixedRounding_data();
    void fixedRounding();
    void integerRounding();
    void arithmeticErrors();
    void twoDigitYearKeepsCentury_data();
    void twoDigitYearKeepsCentury();
    void timesInBothForms();
    void deviceSeconds();
    void win1252RoundTrip();
};

void TestConversions::init()
{
    UserLocale::SetCurrent(UserLocale());
    SetNowFunction({});
}

void TestConversions::integers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint64>("value");
    QTest::newRow("plain") << "42" << true << qint64(42);
    QTest::newRow("negative") << "-17" << true << qint64(-17);
    QTest::newRow("plus") << "+5" << true << qint64(5);
    QTest::newRow("leading blanks") << "  7" << true << qint64(7);
    QTest::newRow("min") << "-2147483648" << true << qint64(-2147483648LL);
    QTest::newRow("max") << "2147483647" << true << qint64(2147483647);
    QTest::newRow("overflow") << "2147483648" << false << qint64(0);
    QTest::newRow("trailing blank") << "7 " << false << qint64(0);
    QTest::newRow("empty") << "" << false << qint64(0);
    QTest::newRow("sign only") << "-" << false << qint64(0);
    QTest::newRow("decimal") << "1.5" << false << qint64(0);
    QTest::newRow("letters") << "12a" << false << qint64(0);
}

void TestConversions::integers()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(qint64, value);
    const auto v = TryStrToInt(text);
    QCOMPARE(v.has_value(), ok);
    if (ok)
        QCOMPARE(qint64(*v), value);
    QCOMPARE(TryStrToInt64(QStringLiteral("9223372036854775807")).value(), std::numeric_limits<qint64>::max());
    QVERIFY(!TryStrToInt64(QStringLiteral("9223372036854775808")));
}

void TestConversions::floats_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("point") << "21.4" << QChar('.') << true << 21.4;
    QTest::newRow("comma") << "21,4" << QChar(',') << true << 21.4;
    QTest::newRow("comma refused with point") << "21,4" << QChar('.') << false << 0.0;
    QTest::newRow("exponent") << "-1.5E-2" << QChar('.') << true << -0.015;
    QTest::newRow("blanks around") << " 3.0 " << QChar('.') << true << 3.0;
    QTest::newRow("no leading digit") << ".5" << QChar('.') << true << 0.5;
    QTest::newRow("lone point") << "." << QChar('.') << false << 0.0;
    QTest::newRow("bad exponent") << "1e" << QChar('.') << false << 0.0;
    QTest::newRow("thousands") << "1,000.5" << QChar('.') << false << 0.0;
    QTest::newRow("nan") << "nan" << QChar('.') << false << 0.0;
    QTest::newRow("overflow") << "1e999" << QChar('.') << false << 0.0;
}

void TestConversions::floats()
{
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const auto v = TryStrToFloat(text, separator);
    QCOMPARE(v.has_value(), ok);
    if (ok)
        QCOMPARE(*v, value);
}

void TestConversions::conversionMessages()
{
    auto messageOf = [](auto f) {
        try {
            f();
        } catch (const ConvertError &e) {
            return e.message();
        }
        return QString();
    };
    QCOMPARE(messageOf([] { StrToInt(QStringLiteral("x1")); }), QStringLiteral("'x1' is not a valid integer value"));
    QCOMPARE(messageOf([] { StrToInt64(QStringLiteral("")); }), QStringLiteral("'' is not a valid integer value"));
    QCOMPARE(messageOf([] { StrToFloat(QStringLiteral("1,2"), QLatin1Char('.')); }),
             QStringLiteral("'1,2' is not a valid floating point value"));
    QCOMPARE(messageOf([] { StrToDate(QStringLiteral("31/02/2020")); }),
             QStringLiteral("'31/02/2020' is not a valid date"));
    QCOMPARE(messageOf([] { StrToTime(QStringLiteral("25:00:00")); }),
             QStringLiteral("'25:00:00' is not a valid time"));
}

void TestConversions::fixedRounding_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("exact half up") << 2.25 << 1 << "2.3";
    QTest::newRow("exact half negative") << -2.25 << 1 << "-2.3";
    QTest::newRow("decimal half") << 0.15 << 1 << "0.2";
    QTest::newRow("two decimals half") << 0.125 << 2 << "0.13";
    QTest::newRow("below half") << 21.44 << 1 << "21.4";
    QTest::newRow("float temperature") << double(21.4f) << 1 << "21.4";
    QTest::newRow("float half") << double(21.45f) << 1 << "21.5";
    QTest::newRow("carry") << 9.96 << 1 << "10.0";
    QTest::newRow("zero") << 0.0 << 1 << "0.0";
    QTest::newRow("tiny negative is zero") << -0.04 << 1 << "0.0";
    QTest::newRow("small") << 0.05 << 1 << "0.1";
    QTest::newRow("large") << 123456.789 << 2 << "123456.79";
    QTest::newRow("whole") << 70.0 << 1 << "70.0";
}

void TestConversions::fixedRounding()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(FormatFixed(value, decimals, QLatin1Char('.')), text);
    QCOMPARE(FormatFixed(value, decimals, QLatin1Char(',')), QString(text).replace(QLatin1Char('.'), QLatin1Char(',')));
}

void TestConversions::integerRounding()
{
    QCOMPARE(RoundHalfEven(2.5), 2);
    QCOMPARE(RoundHalfEven(3.5), 4);
    QCOMPARE(RoundHalfEven(-2.5), -2);
    QCOMPARE(RoundHalfEven(1346.98), 1347);
    QCOMPARE(RoundHalfEven(1346.4999), 1346);
    QVERIFY_THROWS_EXCEPTION(Error, RoundHalfEven(1e19));
    QVERIFY_THROWS_EXCEPTION(Error, RoundHalfEven(std::numeric_limits<double>::quiet_NaN()));
}

void TestConversions::arithmeticErrors()
{
    auto messageOf = [](double n, double d) {
        try {
            Divide(n, d);
        } catch (const Error &e) {
            return e.message();
        }
        return QString();
    };
    QCOMPARE(messageOf(5, 0), QStringLiteral("Floating point division by zero"));
    QCOMPARE(messageOf(0, 0), QStringLiteral("Invalid floating point operation"));
    QCOMPARE(messageOf(5, 2), QString());
}

void TestConversions::twoDigitYearKeepsCentury_data()
{
    QTest::addColumn<QString>("localeName");
    QTest::newRow("en_US") << "en_US";
    QTest::newRow("de_DE") << "de_DE";
    QTest::newRow("nl_NL") << "nl_NL";
    QTest::newRow("ja_JP") << "ja_JP";
}

void TestConversions::twoDigitYearKeepsCentury()
{
    QFETCH(QString, localeName);
    const UserLocale locale = UserLocale::FromLocale(QLocale(localeName));
    QVERIFY2(locale.ShortDateFormat.contains(QStringLiteral("yyyy")), qPrintable(locale.ShortDateFormat));
    UserLocale::SetCurrent(locale);
    // 1949 and 2061 are far enough from today that a two-digit year would land in another century.
    for (const QDate date : {QDate(1949, 3, 7), QDate(2061, 11, 30), QDate(2012, 1, 2)}) {
        const TDateTime value = EncodeDate(date.year(), date.month(), date.day());
        const QString text = DateToStr(value);
        QCOMPARE(StrToDate(text), value);
    }
}

void TestConversions::timesInBothForms()
{
    UserLocale locale;
    locale.TimeFormat = QStringLiteral("h:mm:ss AP");
    UserLocale::SetCurrent(locale);
    const TDateTime half = 0.5;
    QCOMPARE(StrToTime(QStringLiteral("12:00:00")), half);
    QCOMPARE(StrToTime(QStringLiteral("12:00:00 PM")), half);
    QCOMPARE(TimeToStr(EncodeDateTime(QDate(2012, 3, 21), QTime(7, 5, 9))), QStringLiteral("07:05:09"));
}

void TestConversions::deviceSeconds()
{
    QCOMPARE(QDateTimeFromDateTime(DeviceTimeToDateTime(86400)), QDateTime(QDate(1980, 1, 2), QTime(0, 0)));
    QCOMPARE(DateTimeToDeviceTime(EncodeDate(1980, 1, 2)), 86400u);
    const TDateTime t = EncodeDateTime(QDate(2012, 3, 21), QTime(12, 30, 5, 900));
    QCOMPARE(QDateTimeFromDateTime(DeviceTimeToDateTime(DateTimeToDeviceTime(t))),
             QDateTime(QDate(2012, 3, 21), QTime(12, 30, 5)));
    QCOMPARE(QDateTimeFromDateTime(DeviceTimeToDateTime(0xFFFFFFFFu)), QDateTime(QDate(2116, 2, 7), QTime(6, 28, 15)));
}

void TestConversions::win1252RoundTrip()
{
    const QString text = QStringLiteral("µS/cm °C mg/m² € \u0081");
    const QByteArray bytes = ToWin1252(text);
    QCOMPARE(bytes, QByteArray("\xB5S/cm \xB0"
                               "C mg/m\xB2 \x80 \x81"));
    QCOMPARE(FromWin1252(bytes), text);
    QCOMPARE(ToWin1252(QStringLiteral("\u4E2D\U0001F600")), QByteArray("??"));
}

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
