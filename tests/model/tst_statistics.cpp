// Statistics of a batch and the acceptance limit: which figure is judged, the counts and their
// rounding, and the readings table they are taken from.
#include "files/Sheet.h"
#include "model/BatchStatistics.h"
#include "model/Batches.h"
#include "model/DeviceInfo.h"
#include "model/ReadingTable.h"
#include "model/UserLocale.h"
#include "support/Raised.h"

#include <QtTest>

namespace {

using TLines = QList<std::pair<QString, QString>>;

TDeviceInfo Meter(const QString &firmware, bool bresle)
{
    TDeviceInfo info;
    info.SetSoftwareVersion(firmware);
    info.AutoTempComp = 0.02;
    info.DeionizedWater = 2;
    info.HasBresleOffset = bresle;
    info.BresleOffset = 4;
    return info;
}

// Rows of the Bresle layout with the given figures in column 8 ("---" for a reading without one).
QList<TReadingRow> Rows(const QStringList &figures)
{
    QList<TReadingRow> rows;
    for (const QString &f : figures) {
        TReadingRow row;
        row.Number = static_cast<qint32>(rows.size() + 1);
        row.Bresle = TFigure::FromText(f);
        rows << row;
    }
    return rows;
}

UserLocale DecimalComma()
{
    UserLocale l;
    l.DecimalSeparator = QLatin1Char(',');
    return l;
}

} // namespace

class TestStatistics : public QObject {
    Q_OBJECT
private slots:
    void init() { UserLocale::SetCurrent(UserLocale()); }
    void statistics_data();
    void statistics();
    void judgedFigureFollowsTheColumnsShown();
    void rowsAreTheLinesFields();
    void limitText();
};

void TestStatistics::statistics_data()
{
    QTest::addColumn<QStringList>("figures");
    QTest::addColumn<int>("limit"); // 0: none
    QTest::addColumn<bool>("comma");
    QTest::addColumn<TLines>("lines");
    QTest::newRow("readings without a figure are left out")
        << QStringList{"30", "55", "---", "100"} << 50 << false
        << TLines{{"Readings", "3"},
                  {"Mean", "61.7"},
                  {"Minimum", "30"},
                  {"Maximum", "100"},
                  {"Standard deviation", "35.5"}, // sqrt(2516.67 / 2)
                  {"Above limit", "2"}};
    QTest::newRow("a half rounds away from zero")
        << QStringList{"1", "2", "2", "2"} << 0 << false
        << TLines{
               {"Readings", "4"}, {"Mean", "1.8"}, {"Minimum", "1"}, {"Maximum", "2"}, {"Standard deviation", "0.5"}};
    QTest::newRow("a half that binary fractions miss") // 3 / 20 = 0.15
        << (QStringList(17, "0") << "1"
                                 << "1"
                                 << "1")
        << 0 << false
        << TLines{
               {"Readings", "20"}, {"Mean", "0.2"}, {"Minimum", "0"}, {"Maximum", "1"}, {"Standard deviation", "0.4"}};
    QTest::newRow("a reading at the limit passes")
        << QStringList{"20", "21"} << 20 << false << TLines{{"Readings", "2"},
                                                            {"Mean", "20.5"},
                                                            {"Minimum", "20"},
                                                            {"Maximum", "21"},
                                                            {"Standard deviation", "0.7"},
                                                            {"Above limit", "1"}};
    QTest::newRow("one reading has no spread") << QStringList{"42"} << 0 << true
                                               << TLines{{"Readings", "1"},
                                                         {"Mean", "42,0"},
                                                         {"Minimum", "42"},
                                                         {"Maximum", "42"},
                                                         {"Standard deviation", "---"}};
    QTest::newRow("no reading with a figure")
        << QStringList{"---", "---"} << 20 << false << TLines{{"Readings", "0"},
                                                              {"Mean", "---"},
                                                              {"Minimum", "---"},
                                                              {"Maximum", "---"},
                                                              {"Standard deviation", "---"},
                                                              {"Above limit", "0"}};
    QTest::newRow("decimal comma") << QStringList{"10", "11", "11"} << 0 << true
                                   << TLines{{"Readings", "3"},
                                             {"Mean", "10,7"},
                                             {"Minimum", "10"},
                                             {"Maximum", "11"},
                                             {"Standard deviation", "0,6"}};
}

void TestStatistics::statistics()
{
    QFETCH(QStringList, figures);
    QFETCH(int, limit);
    QFETCH(bool, comma);
    QFETCH(TLines, lines);
    if (comma)
        UserLocale::SetCurrent(DecimalComma());
    const TAcceptanceLimit l = limit ? TAcceptanceLimit(limit) : std::nullopt;
    QCOMPARE(StatisticsLines(ComputeStatistics(Rows(figures), 8, l)), lines);
}

void TestStatistics::judgedFigureFollowsTheColumnsShown()
{
    // The Bresle value where the batch shows it, else the surface density.
    const TDeviceInfo bresle = Meter(QStringLiteral("2.06S02"), true);
    const TDeviceInfo newerWithoutOffset = Meter(QStringLiteral("2.06S02"), false);
    const TDeviceInfo older = Meter(QStringLiteral("2.06S01"), true);
    QCOMPARE(JudgedColumn(bresle), 8);
    QCOMPARE(JudgedFigureName(8), QStringLiteral("Bresle value"));
    QCOMPARE(JudgedColumn(newerWithoutOffset), 7);
    QCOMPARE(JudgedColumn(older), 7);
    QCOMPARE(JudgedFigureName(7), QStringLiteral("Surface density"));

    // Newer firmware without an offset: a reading inside 5-50 °C has 8 fields, one outside has 9, all
    // of them "---"; only the first counts.
    TBatch batch(1);
    batch.SetMaxReadings(10);
    batch.AddReading(0, 1250, 0, 21.4f, false, false);
    batch.AddReading(1, 1250, 0, 4.9f, false, false);
    batch.FReadingCount = 2;
    const QList<TReadingRow> rows = ReadingRows(batch, newerWithoutOffset);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(SplitCommaText(RowToLine(rows[0], newerWithoutOffset)).size(), 8);
    QCOMPARE(SplitCommaText(RowToLine(rows[1], newerWithoutOffset)).size(), 9);
    const TBatchStatistics s = ComputeStatistics(rows, JudgedColumn(newerWithoutOffset), 1000);
    QCOMPARE(s.Readings, 1);
    QCOMPARE(s.Minimum, 1614); // (1250 - 2) x 1.2 / 0.928
    QCOMPARE(s.AboveLimit, 1);

    // The rows follow the reported count, as the window's grid does.
    batch.FReadingCount = 0;
    QVERIFY(ReadingRows(batch, bresle).isEmpty());
    TBatch unread(2);
    unread.FReadingCount = 3;
    QCOMPARE(Raised([&] { ReadingRows(unread, bresle); }), QStringLiteral("There are no readings"));
}

void TestStatistics::rowsAreTheLinesFields()
{
    // The fields the window and the report show are those of the line the batch files hold, the
    // quotes of the line aside: also with a decimal comma and a date with blanks.
    UserLocale l = DecimalComma();
    l.ShortDateFormat = QStringLiteral("d MMM yyyy");
    UserLocale::SetCurrent(l);
    for (const TDeviceInfo &info : {Meter(QStringLiteral("2.06S02"), true), Meter(QStringLiteral("2.06S01"), false)})
        for (float t : {21.4f, 4.9f, 50.0f}) {
            TReading a, b;
            a.FDateTime = b.FDateTime = EncodeDateTime(QDate(2026, 11, 23), QTime(8, 15, 7));
            a.FConductivity = b.FConductivity = 937;
            a.FTemperature = b.FTemperature = t;
            const int columns = ReadingColumnCount(info);
            QCOMPARE(ReadingRowTexts(ReadingToRow(a, info), columns),
                     SplitCommaText(ReadingToLine(b, info)).mid(0, columns));
        }
}

void TestStatistics::limitText()
{
    QCOMPARE(StrToAcceptanceLimit(QStringLiteral("20")), 20);
    QCOMPARE(StrToAcceptanceLimit(QStringLiteral("9999")), 9999);
    for (const char *bad : {"0", "10000", "-5", "2.5", "20 mg", ""})
        QCOMPARE(Raised([&] { StrToAcceptanceLimit(QString::fromLatin1(bad)); }),
                 QStringLiteral("The acceptance limit has to be a whole number of mg/m² from 1 to 9999."));
}

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
