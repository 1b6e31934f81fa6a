// Where the batch windows go in the main window's client area, and the main window on the screen:
// the arrangements as geometry, then real windows after their first placement, Tile and Cascade.
#include "app/AppException.h"
#include "app/WindowPlacement.h"

#include <QtTest>

namespace {

const QSize Minimum(400, 410);
constexpr int Step = 24;

} // namespace

class TestBatchWindows : public QObject {
    Q_OBJECT
private slots:
    void arrangementsStayInsideAndKeepMinimum_data();
    void arrangementsStayInsideAndKeepMinimum();
    void tileStacksThenColumnsThenLayers();
    void cascadeOffsetsAndSizes();
    void keepInside();
    void iconsInRowsFromTheBottom();
    void mainWindowFitsTheScreen_data();
    void mainWindowFitsTheScreen();
};

void TestBatchWindows::arrangementsStayInsideAndKeepMinimum_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<int>("count");
    for (const QRect &area : {QRect(0, 0, 1150, 980), QRect(0, 0, 700, 500), QRect(0, 0, 420, 430)})
        for (int count : {1, 2, 3, 4, 5, 7, 10, 30})
            QTest::addRow("%dx%d, %d", area.width(), area.height(), count) << area << count;
}

void TestBatchWindows::arrangementsStayInsideAndKeepMinimum()
{
    QFETCH(QRect, area);
    QFETCH(int, count);
    QList<QSize> wanted;
    for (int i = 0; i < count; ++i)
        wanted << QSize(700 + 10 * i, 650);
    const QList<QRect> tiles = TileRects(count, area, Minimum, Step);
    const QList<QRect> cascade = CascadeRects(wanted, area, Minimum, Step);
    QCOMPARE(tiles.size(), count);
    QCOMPARE(cascade.size(), count);
    for (const QList<QRect> &rects : {tiles, cascade}) {
        QSet<QPair<int, int>> corners;
        for (const QRect &r : rects) {
            QVERIFY2(area.contains(r),
                     qPrintable(QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())));
            QVERIFY(r.width() >= Minimum.width() && r.height() >= Minimum.height());
            corners.insert({r.x(), r.y()});
        }
        // Every window's title bar can be seen while the area has room for an offset.
        if (area.height() - Minimum.height() >= count * Step && area.width() - Minimum.width() >= count * Step)
            QCOMPARE(corners.size(), count);
    }
    for (const QRect &r : cascade)
        QVERIFY(r.width() <= 700 + 10 * (count - 1));
}

void TestBatchWindows::tileStacksThenColumnsThenLayers()
{
    const QRect area(0, 0, 1150, 980);
    // Two fit one above the other at the full width, meeting without a gap.
    QCOMPARE(TileRects(2, area, Minimum, Step), (QList<QRect>{QRect(0, 0, 1150, 490), QRect(0, 490, 1150, 490)}));
    // Three: two columns, the left one holds two.
    QCOMPARE(TileRects(3, area, Minimum, Step),
             (QList<QRect>{QRect(0, 0, 575, 490), QRect(0, 490, 575, 490), QRect(575, 0, 575, 980)}));
    // Ten in four tiles: stacks of 3, 3, 2 and 2, each window a step lower and right of the one below.
    const QList<QRect> ten = TileRects(10, area, Minimum, Step);
    QCOMPARE(ten.mid(0, 3), (QList<QRect>{QRect(0, 0, 527, 442), QRect(24, 24, 527, 442), QRect(48, 48, 527, 442)}));
    QCOMPARE(ten[6], QRect(575, 0, 551, 466));
    QCOMPARE(ten[9], QRect(599, 514, 551, 466));
}

void TestBatchWindows::cascadeOffsetsAndSizes()
{
    const QRect area(10, 20, 1150, 980);
    const QList<QRect> three = CascadeRects({QSize(700, 650), QSize(1500, 650), QSize(300, 650)}, area, Minimum, Step);
    QCOMPARE(three, (QList<QRect>{QRect(10, 20, 700, 932), QRect(34, 44, 1102, 932), QRect(58, 68, 400, 932)}));
    // A small area: the offsets start again at the top left.
    const QList<QRect> wrapped = CascadeRects(QList<QSize>(5, QSize(700, 650)), QRect(0, 0, 460, 470), Minimum, Step);
    QCOMPARE(wrapped[0].topLeft(), QPoint(0, 0));
    QCOMPARE(wrapped[2].topLeft(), QPoint(48, 48));
    QCOMPARE(wrapped[3].topLeft(), QPoint(0, 0));
}

void TestBatchWindows::keepInside()
{
    const QRect area(0, 0, 1000, 800);
    QCOMPARE(KeepInside(QRect(100, 100, 600, 500), area, Minimum), QRect(100, 100, 600, 500));
    QCOMPARE(KeepInside(QRect(700, 600, 600, 500), area, Minimum), QRect(400, 300, 600, 500));
    QCOMPARE(KeepInside(QRect(-30, 50, 1200, 900), area, Minimum), QRect(0, 0, 1000, 800));
    // An area smaller than the window's minimum: at the top left, at the minimum.
    QCOMPARE(KeepInside(QRect(50, 50, 500, 500), QRect(0, 0, 300, 300), Minimum), QRect(0, 0, 400, 410));
}

void TestBatchWindows::iconsInRowsFromTheBottom()
{
    const QList<QPoint> at = IconPositions(QList<QSize>(5, QSize(160, 24)), QRect(0, 0, 500, 300));
    QCOMPARE(at, (QList<QPoint>{QPoint(0, 276), QPoint(160, 276), QPoint(320, 276), QPoint(0, 252), QPoint(160, 252)}));
}

void TestBatchWindows::mainWindowFitsTheScreen_data()
{
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QRect>("work");
    QTest::addColumn<QRect>("desktop");
    QTest::addColumn<QRect>("fitted");
    const QRect fhd(0, 0, 1920, 1080);
    QTest::newRow("fits, centred") << QSize(966, 870) << QRect(0, 0, 1920, 1040) << fhd << QRect(477, 85, 966, 870);
    // 1280x1024 at 150 %: 853x683 in the window's pixels.
    QTest::newRow("150 %") << QSize(966, 870) << QRect(0, 0, 853, 683) << QRect(0, 0, 853, 683)
                           << QRect(0, 0, 853, 683);
    // A taskbar of 40: the height leaves it out twice.
    QTest::newRow("taskbar") << QSize(966, 1000) << QRect(0, 0, 1280, 984) << QRect(0, 0, 1280, 1024)
                             << QRect(157, 20, 966, 944);
    QTest::newRow("taskbar left") << QSize(1400, 600) << QRect(60, 0, 1220, 1024) << QRect(0, 0, 1280, 1024)
                                  << QRect(60, 212, 1220, 600);
}

void TestBatchWindows::mainWindowFitsTheScreen()
{
    QFETCH(QSize, frame);
    QFETCH(QRect, work);
    QFETCH(QRect, desktop);
    QFETCH(QRect, fitted);
    QCOMPARE(FitOnScreen(frame, work, desktop), fitted);
    QVERIFY(work.contains(fitted));
}

int main(int argc, char **argv)
{
    TVornellApplication app(argc, argv);
    TestBatchWindows t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_batchwindows.moc"
