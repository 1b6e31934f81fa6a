// Readings and batches: limits and messages, the derived values of a reading line and reading back.
#include "model/Batches.h"
#include "model/Conversions.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "model/UserLocale.h"
#include "support/Raised.h"

#include <QtTest>

namespace {

TDeviceInfo Meter(const QString &firmware, double comp = 0.02, quint8 water = 2)
{
    TDeviceInfo info;
    info.SetSoftwareVersion(firmware);
    info.AutoTempComp = comp;
    info.DeionizedWater = water;
    return info;
}

TReading Reading(qint32 conductivity, float temperature, bool fahrenheit = false)
{
    TReading r;
    r.FIndex = 4;
    r.FDateTime = EncodeDateTime(QDate(2012, 3, 21), QTime(12, 30, 5));
    r.FConductivity = conductivity;
    r.FTemperature = temperature;
    r.FFahrenheit = fahrenheit;
    return r;
}

UserLocale Locale(QChar decimal, const QString &dateFormat)
{
    UserLocale l;
    l.DecimalSeparator = decimal;
    l.ShortDateFormat = dateFormat;
    return l;
}

} // namespace

class TestBatches : public QObject {
    Q_OBJECT
private slots:
    void init() { UserLocale::SetCurrent(UserLocale()); }
    void nameAndMaximumLimits();
    void fullBatchLosesItsReadings();
    void listKeepsOrderAndNeverReusesIds();
    void workedExample_data();
    void workedExample();
    void temperatureWindow_data();
    void temperatureWindow();
    void fahrenheitReadingIsConvertedOnce();
    void surfaceDensityNeverNegative();
    void arithmeticErrorsAreRaised();
    void lineReadsBack_data();
    void lineReadsBack();
    void spreadsheetFieldsAreRewritten();
    void bresleOffsetFromLine();
    void bresleOffsetRange_data();
    void bresleOffsetRange();
    void badFieldIsWrapped();
};

void TestBatches::nameAndMaximumLimits()
{
    TBatch b(1);
    QCOMPARE(Raised([&] { b.SetName(QStringLiteral("ABCDEFGHIJKLM")); }), QStringLiteral("The batch name is to long."));
    b.SetName(QStringLiteral("abc"));
    QCOMPARE(b.FName, QStringLiteral("abc         "));
    b.SetName(QStringLiteral("ABCDEFGHIJKL"));
    QCOMPARE(b.FName, QStringLiteral("ABCDEFGHIJKL"));
    for (int bad : {-1, 101})
        QCOMPARE(Raised([&] { b.SetMaxReadings(bad); }),
                 QStringLiteral("The maximum number off readings has to between 0 and 100."));
    b.SetMaxReadings(100);
    QCOMPARE(b.FMaxReadings, 100);
    b.SetMaxReadings(0);
    QCOMPARE(b.FCheckResult, quint8(crNotApplicable));
    QCOMPARE(Raised([&] { b.GetReadings(); }), QStringLiteral("There are no readings"));
}

void TestBatches::fullBatchLosesItsReadings()
{
    TBatch b(1);
    QCOMPARE(Raised([&] { b.AddReading(0, 1, 0, 20, false, false); }),
             QStringLiteral("Maximum number of readings is reached"));
    b.SetMaxReadings(2);
    b.AddReading(0, 1, 0, 20, false, false);
    b.AddReading(std::make_unique<TReading>());
    QCOMPARE(Raised([&] { b.AddReading(2, 1, 0, 20, false, false); }),
             QStringLiteral("Maximum number of readings is reached"));
    QVERIFY(b.Readings().empty());
}

void TestBatches::listKeepsOrderAndNeverReusesIds()
{
    TBatches list;
    TBatch *a = list.AddBatch(QStringLiteral("A"), 10);
    TBatch *b = list.AddBatch(QStringLiteral("B"), 10);
    TBatch *c = list.AddBatch(7, QStringLiteral("C"), 100.5, 20, 3);
    QCOMPARE(c->FID, 7);
    QCOMPARE(c->FReadingCount, 3);
    list.Delete(b);
    QCOMPARE(list.Count(), 2);
    QCOMPARE(list.GetBatch(1), c);
    QVERIFY(list.Contains(a) && !list.Contains(nullptr));
    QCOMPARE(list.Add()->FID, 3);
    QCOMPARE(Raised([&] { list.GetBatch(list.Count()); }), QStringLiteral("Index out of range."));
    // A refused name leaves the new batch in the list, nameless.
    QVERIFY(!Raised([&] { list.AddBatch(QStringLiteral("much too long name"), 5); }).isEmpty());
    QCOMPARE(list.Count(), 4);
    QVERIFY(list.GetBatch(3)->FName.isEmpty());
}

void TestBatches::workedExample_data()
{
    QTest::addColumn<QChar>("decimal");
    QTest::addColumn<QString>("dateFormat");
    QTest::addColumn<QString>("line");
    QTest::newRow("decimal point") << QChar('.') << "dd/MM/yyyy"
                                   << "5,21/03/2012,12:30:05,1250,\"21.4\",\"70.5\",\"1347\",\"1614\"";
    QTest::newRow("decimal comma") << QChar(',') << "dd.MM.yyyy"
                                   << "5,21.03.2012,12:30:05,1250,\"21,4\",\"70,5\",\"1347\",\"1614\"";
    QTest::newRow("date with blanks") << QChar('.') << "d MMM yyyy"
                                      << "5,\"21 Mar 2012\",12:30:05,1250,\"21.4\",\"70.5\",\"1347\",\"1614\"";
}

void TestBatches::workedExample()
{
    QFETCH(QChar, decimal);
    QFETCH(QString, dateFormat);
    QFETCH(QString, line);
    UserLocale::SetCurrent(Locale(decimal, dateFormat));
    TReading r = Reading(1250, 21.4f);
    QCOMPARE(ReadingToLine(r, Meter(QStringLiteral("2.06S01"))), line);
}

void TestBatches::temperatureWindow_data()
{
    QTest::addColumn<float>("temperature");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("hasOffset");
    QTest::addColumn<QString>("tail");
    QTest::newRow("5.0 inside") << 5.0f << "2.06" << false << "\"5.0\",\"41.0\",\"2083\",\"2496\"";
    QTest::newRow("50.0 inside") << 50.0f << "2.06" << false << "\"50.0\",\"122.0\",\"833\",\"998\"";
    QTest::newRow("4.9 outside") << 4.9f << "2.06" << false << "\"4.9\",\"40.8\",---,---";
    QTest::newRow("50.1 outside") << 50.1f << "2.06" << false << "\"50.1\",\"122.2\",---,---";
    QTest::newRow("newer outside") << 60.0f << "2.07" << false << "\"60.0\",\"140.0\",---,---,---";
    QTest::newRow("newer inside, no offset") << 25.0f << "2.07" << false << "\"25.0\",\"77.0\",\"1250\",\"1498\"";
    QTest::newRow("newer inside, offset") << 25.0f << "2.07" << true << "\"25.0\",\"77.0\",\"1250\",\"1498\",\"1508\"";
    QTest::newRow("exact threshold is older") << 25.0f << "2.06S01" << true << "\"25.0\",\"77.0\",\"1250\",\"1498\"";
}

void TestBatches::temperatureWindow()
{
    QFETCH(float, temperature);
    QFETCH(QString, firmware);
    QFETCH(bool, hasOffset);
    QFETCH(QString, tail);
    TDeviceInfo info = Meter(firmware);
    info.HasBresleOffset = hasOffset;
    info.BresleOffset = 10.4;
    TReading r = Reading(1250, temperature);
    const QString line = ReadingToLine(r, info);
    QVERIFY2(line.endsWith(QStringLiteral(",1250,") + tail), qPrintable(line));
}

void TestBatches::fahrenheitReadingIsConvertedOnce()
{
    TReading r = Reading(1250, 70.52f, true);
    const TDeviceInfo info = Meter(QStringLiteral("2.06"));
    const QString first = ReadingToLine(r, info);
    QVERIFY(!r.FFahrenheit);
    QCOMPARE(r.FTemperature, FahrenheitToCelsius(70.52f));
    QVERIFY2(first.contains(QStringLiteral("\"21.4\",\"70.5\"")), qPrintable(first));
    QCOMPARE(ReadingToLine(r, info), first);
    QCOMPARE(CelsiusToFahrenheit(100.0f), 212.0f);
    QCOMPARE(FahrenheitToCelsius(-40.0f), -40.0f);
}

void TestBatches::surfaceDensityNeverNegative()
{
    TDeviceInfo info = Meter(QStringLiteral("2.07"), 0.02, 10);
    info.HasBresleOffset = true;
    info.BresleOffset = 7.5;
    TReading r = Reading(4, 25.0f);
    // Below the deionized water value: no surface density, and the Bresle value is the offset alone.
    QVERIFY(ReadingToLine(r, info).endsWith(QStringLiteral(",\"4\",\"0\",\"8\"")));
}

void TestBatches::arithmeticErrorsAreRaised()
{
    // 0.05 per °C at exactly 5 °C: (5 - 25) * 0.05 + 1 = 0.
    TReading r = Reading(1250, 5.0f);
    QCOMPARE(Raised([&] { ReadingToLine(r, Meter(QStringLiteral("2.06"), 0.05)); }),
             QStringLiteral("Floating point division by zero"));
    TReading zero = Reading(0, 5.0f);
    QCOMPARE(Raised([&] { ReadingToLine(zero, Meter(QStringLiteral("2.06"), 0.05)); }),
             QStringLiteral("Invalid floating point operation"));
    // A denominator just off zero: the quotient does not fit an integer.
    TReading nearly = Reading(1250000, 5.0f);
    QCOMPARE(Raised([&] { ReadingToLine(nearly, Meter(QStringLiteral("2.06"), std::nextafter(0.05, 0.0))); }),
             QStringLiteral("Invalid floating point operation"));
}

void TestBatches::lineReadsBack_data()
{
    QTest::addColumn<QChar>("decimal");
    QTest::addColumn<QString>("dateFormat");
    QTest::newRow("point") << QChar('.') << "M/d/yyyy";
    QTest::newRow("comma") << QChar(',') << "dd.MM.yyyy";
    QTest::newRow("blanks in date") << QChar('.') << "d MMM yyyy";
}

void TestBatches::lineReadsBack()
{
    QFETCH(QChar, decimal);
    QFETCH(QString, dateFormat);
    UserLocale::SetCurrent(Locale(decimal, dateFormat));
    TDeviceInfo info = Meter(QStringLiteral("2.06"));
    TReading original = Reading(1250, 21.4f);
    const QString line = ReadingToLine(original, info);
    // The quotes protect a decimal comma; split the way the batch file reader does.
    QStringList fields;
    QString field;
    bool quoted = false;
    for (QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted)
            fields << std::exchange(field, QString());
        else
            field += c;
    }
    fields << field;
    const QStringList before = fields;
    TReading back;
    ReadingFromFields(back, fields, info);
    QCOMPARE(fields, before);
    QCOMPARE(back.FIndex, original.FIndex);
    QCOMPARE(back.FConductivity, 1250);
    QCOMPARE(back.FTemperature, 21.4f);
    QCOMPARE(QDateTimeFromDateTime(back.FDateTime), QDateTimeFromDateTime(original.FDateTime));
}

void TestBatches::spreadsheetFieldsAreRewritten()
{
    // A spreadsheet gives the date as a day number, the time as a fraction and 21.4 as 21.4000001.
    QStringList fields = {QStringLiteral("3"),    QStringLiteral("40989"),      QStringLiteral("0.5"),
                          QStringLiteral("900"),  QStringLiteral("21.4000001"), QStringLiteral("70.52"),
                          QStringLiteral("1000"), QStringLiteral("1200")};
    TDeviceInfo info = Meter(QStringLiteral("2.06"));
    TReading r;
    ReadingFromFields(r, fields, info);
    QCOMPARE(fields.mid(0, 6),
             (QStringList{QStringLiteral("3"), QStringLiteral("21/03/2012"), QStringLiteral("12:00:00"),
                          QStringLiteral("900"), QStringLiteral("21.4"), QStringLiteral("70.5")}));
    QCOMPARE(QDateTimeFromDateTime(r.FDateTime), QDateTime(QDate(2012, 3, 21), QTime(12, 0)));
    QCOMPARE(r.FIndex, 2);
}

void TestBatches::bresleOffsetFromLine()
{
    auto fieldsOf = [](const char *tail) {
        return QStringLiteral("1,21/03/2012,12:30:05,1250,21.4,70.5,")
            .append(QLatin1String(tail))
            .split(QLatin1Char(','));
    };
    TDeviceInfo info = Meter(QStringLiteral("2.07"));
    TReading r;
    QStringList nine = fieldsOf("1347,1614,1624");
    ReadingFromFields(r, nine, info);
    QVERIFY(info.HasBresleOffset);
    QCOMPARE(info.BresleOffset, 10.0);
    // An out-of-window line says nothing of the offset; eight fields say there is none.
    QStringList dashes = fieldsOf("---,---,---");
    ReadingFromFields(r, dashes, info);
    QVERIFY(info.HasBresleOffset);
    QStringList eight = fieldsOf("1347,1614");
    ReadingFromFields(r, eight, info);
    QVERIFY(!info.HasBresleOffset);
    // Older firmware leaves the offset alone.
    TDeviceInfo older = Meter(QStringLiteral("2.06S01"));
    ReadingFromFields(r, nine, older);
    QVERIFY(!older.HasBresleOffset);
}

void TestBatches::bresleOffsetRange_data()
{
    QTest::addColumn<QList<double>>("surface");
    QTest::addColumn<QList<qint64>>("bresle");
    QTest::addColumn<double>("lastLine"); // the offset the last line alone gives
    QTest::addColumn<bool>("found");
    // An offset of 12.4: the lines alone give 12 or 13, and neither reproduces them all.
    QTest::newRow("fractional offset") << QList<double>{1161.2, 1604.7, 79.5, 63.3} << QList<qint64>{1174, 1617, 92, 76}
                                       << 13.0 << true;
    // An offset of 3.5 puts every line on a rounding limit: only 3.5 itself will do.
    QTest::newRow("every line on a limit")
        << QList<double>{31.499999999999996, 64.0, 12.0, 40.5} << QList<qint64>{35, 68, 16, 44} << 3.0 << true;
    QTest::newRow("a whole offset that fits") << QList<double>{10.2, 20.7} << QList<qint64>{22, 33} << 12.0 << true;
    QTest::newRow("edited: no offset fits") << QList<double>{10.2, 20.7} << QList<qint64>{22, 83} << 62.0 << false;
}

// The offset recovered gives every line back; with no such offset the last line's stays.
void TestBatches::bresleOffsetRange()
{
    QFETCH(QList<double>, surface);
    QFETCH(QList<qint64>, bresle);
    QFETCH(double, lastLine);
    QFETCH(bool, found);
    TBresleOffsetRange range;
    for (qsizetype i = 0; i < surface.size(); ++i)
        range.Add(surface[i], bresle[i]);
    const auto offset = range.Offset();
    QCOMPARE(offset.has_value(), found);
    TDeviceInfo info;
    info.BresleOffset = lastLine;
    range.Apply(info);
    QCOMPARE(range.Reproduces(info.BresleOffset), found);
    if (!found)
        QCOMPARE(info.BresleOffset, lastLine);
    for (qsizetype i = 0; found && i < surface.size(); ++i)
        QCOMPARE(RoundHalfEven(surface[i] + info.BresleOffset), bresle[i]);
}

void TestBatches::badFieldIsWrapped()
{
    TDeviceInfo info;
    TReading r;
    QStringList fields = QStringLiteral("x,21/03/2012,12:30:05,1250,21.4,70.5").split(QLatin1Char(','));
    QCOMPARE(
        Raised([&] { ReadingFromFields(r, fields, info); }),
        QStringLiteral(
            "A problem occurred while converting reading from string, message:\r\n'x' is not a valid integer value"));
    QStringList shortLine = QStringLiteral("1,21/03/2012").split(QLatin1Char(','));
    QVERIFY(Raised([&] {
                ReadingFromFields(r, shortLine, info);
            }).startsWith(QStringLiteral("A problem occurred while converting reading from string, message:\r\n")));
}

QTEST_GUILESS_MAIN(TestBatches)
#include "tst_batches.moc"
