// Where the batch windows go in the main window's client area, and the main window on the screen:
// the arrangements as geometry, then real windows after their first placement, Tile and Cascade; and
// the open windows following the measurement settings written into the simulated meter.
#include "app/AppException.h"
#include "app/BatchTree.h"
#include "app/BatchWindows.h"
#include "app/WindowPlacement.h"
#include "app/frmMain.h"
#include "app/frmViewBatch.h"
#include "dialogs/DialogRig.h"
#include "dialogs/NumericEdit.h"
#include "dialogs/frmConfiguration.h"
#include "dialogs/frmTalvoProperties.h"
#include "model/Batches.h"
#include "model/DeviceInfo.h"

#include <QDir>
#include <QHeaderView>
#include <QJsonArray>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

namespace {

const QSize Minimum(400, 410);
constexpr int Step = 24;

// A main window of 1280x1024 with batches of 100 readings, as Read All leaves them, from a meter of
// the newer generation (nine columns).
struct MainRig {
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    std::unique_ptr<TfrmMain> w;

    // screen: the main window's size in the screen's pixels, at any scale; none: its designed size.
    explicit MainRig(QSize screen = QSize(1280, 1024))
    {
        w = std::make_unique<TfrmMain>(prompts, dir.filePath(QStringLiteral("vornell.ini")),
                                       dir.path() + QLatin1Char('/'));
        w->Communication().ConnectTimeOutTimer().setInterval(300);
        w->show();
        // The offscreen screen is smaller than the designed window, which opens maximised there.
        w->showNormal();
        w->resize(screen.isValid() ? screen / w->devicePixelRatioF() : QSize(966, 845));
    }
    ~MainRig() { prompts.Answers = {TMsgResult::No}; }
    void OpenBatches(int count)
    {
        TDeviceInfo &info = w->DeviceInfo();
        info.SetSoftwareVersion(QStringLiteral("V2.07"));
        info.HasBresleOffset = true;
        info.Valid = true;
        const int first = w->Batches().Count();
        for (int i = first; i < first + count; ++i) {
            TBatch *b =
                w->Batches().AddBatch(i + 1, QStringLiteral("B%1").arg(i + 1), EncodeDate(2026, 1, 1), 100, 100);
            for (int k = 0; k < 100; ++k)
                b->AddReading(k, 100 + k, EncodeDate(2026, 1, 1) + k / 1440.0, 20.5f, false, false);
            b->FReadingsLoaded = true;
            b->SetSaved(true);
            w->Tree().setCurrentItem(w->Tree().AddBatchNode(*b, b->FName));
            w->tvwBatchesDblClick();
        }
    }
    // Saves what the main window shows when VORNELL_SCREENSHOTS names a folder: for looking, not testing.
    void Grab(const QString &name) const
    {
        const QString folder = qEnvironmentVariable("VORNELL_SCREENSHOTS");
        if (!folder.isEmpty())
            w->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
    }
};

// Every window inside the client area, showing at least three rows of its grid, every column in
// sight or within reach of the horizontal scroll bar.
void CheckUsable(const TBatchWindows &windows)
{
    QCoreApplication::sendPostedEvents(); // the grids lay themselves out again
    const QRect area = windows.viewport()->rect();
    for (const QMdiSubWindow *sub : windows.subWindowList()) {
        const QString where = QStringLiteral("%1 at %2,%3 %4x%5 in %6x%7")
                                  .arg(sub->windowTitle())
                                  .arg(sub->x())
                                  .arg(sub->y())
                                  .arg(sub->width())
                                  .arg(sub->height())
                                  .arg(area.width())
                                  .arg(area.height());
        QVERIFY2(area.contains(sub->geometry()), qPrintable(where));
        QTableWidget *grid = qobject_cast<const TfrmViewBatch *>(sub->widget())->stgReadings;
        QVERIFY2(grid->viewport()->height() >= 3 * 16, qPrintable(where));
        // Scrolled to its end, the last column is in sight.
        QScrollBar *bar = grid->horizontalScrollBar();
        QVERIFY2(bar->maximum() == 0 || bar->isVisible(), qPrintable(where));
        const int last = grid->columnCount() - 1;
        bar->setValue(bar->maximum());
        QVERIFY2(grid->columnViewportPosition(last) + grid->columnWidth(last) <= grid->viewport()->width(),
                 qPrintable(where));
        bar->setValue(0);
    }
}

} // namespace

class TestBatchWindows : public QObject {
    Q_OBJECT
private slots:
    void arrangementsStayInsideAndKeepMinimum_data();
    void arrangementsStayInsideAndKeepMinimum();
    void tileStacksThenColumnsThenLayers();
    void cascadeOffsetsAndSizes();
    void firstPlacement();
    void iconsInRowsFromTheBottom();
    void mainWindowFitsTheScreen_data();
    void mainWindowFitsTheScreen();
    void windowsStayUsable_data();
    void eachWindowInSightAtTheDesignedSize();
    void windowsStayUsable();
    void openWindowsFollowWrittenSettings();
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
    const QList<QRect> tiles = TileRects(count, area, Minimum, QSize(), Step);
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
    QCOMPARE(TileRects(2, area, Minimum, QSize(), Step),
             (QList<QRect>{QRect(0, 0, 1150, 490), QRect(0, 490, 1150, 490)}));
    // Three: two columns, the left one holds two.
    QCOMPARE(TileRects(3, area, Minimum, QSize(), Step),
             (QList<QRect>{QRect(0, 0, 575, 490), QRect(0, 490, 575, 490), QRect(575, 0, 575, 980)}));
    // Ten in four tiles: stacks of 3, 3, 2 and 2, each window a step lower and right of the one below.
    const QList<QRect> ten = TileRects(10, area, Minimum, QSize(), Step);
    QCOMPARE(ten.mid(0, 3), (QList<QRect>{QRect(0, 0, 527, 442), QRect(24, 24, 527, 442), QRect(48, 48, 527, 442)}));
    QCOMPARE(ten[6], QRect(575, 0, 551, 466));
    QCOMPARE(ten[9], QRect(599, 514, 551, 466));

    // The main window at its designed size: two fit one above the other only because, as wide as
    // their columns, they need no horizontal scroll bar; a third goes over the first.
    const QRect designed(0, 0, 838, 803);
    const QSize minimum(435, 404), wide(783, 388);
    QCOMPARE(TileRects(2, designed, minimum, wide, Step),
             (QList<QRect>{QRect(0, 0, 838, 401), QRect(0, 401, 838, 402)}));
    QCOMPARE(TileRects(2, designed, minimum, QSize(), Step),
             (QList<QRect>{QRect(0, 0, 814, 779), QRect(24, 24, 814, 779)}));
    QCOMPARE(TileRects(3, designed, minimum, wide, Step),
             (QList<QRect>{QRect(0, 0, 814, 388), QRect(24, 13, 814, 388), QRect(0, 401, 838, 402)}));
}

void TestBatchWindows::cascadeOffsetsAndSizes()
{
    const QRect area(10, 20, 1150, 980);
    const QList<QRect> three = CascadeRects({QSize(700, 650), QSize(1500, 650), QSize(300, 650)}, area, Minimum, Step);
    QCOMPARE(three, (QList<QRect>{QRect(10, 20, 700, 932), QRect(34, 44, 1102, 932), QRect(58, 68, 400, 932)}));
    // A low area: a new cascade starts at the top, to the right of the one before, by as much as the
    // width allows (at most four steps).
    const QList<QRect> wrapped = CascadeRects(QList<QSize>(10, QSize(700, 650)), QRect(0, 0, 700, 500), Minimum, Step);
    QCOMPARE(wrapped[3], QRect(72, 72, 436, 428));
    QCOMPARE(wrapped[4], QRect(96, 0, 436, 428));
    QCOMPARE(wrapped[9], QRect(216, 24, 436, 428));
    // Too narrow for a step to the right: each cascade a pixel right of the one before at least.
    const QList<QRect> narrow = CascadeRects(QList<QSize>(5, QSize(700, 650)), QRect(0, 0, 460, 470), Minimum, Step);
    QCOMPARE(narrow[1].topLeft(), QPoint(15, 0));
    QCOMPARE(narrow[4].topLeft(), QPoint(60, 0));
}

void TestBatchWindows::firstPlacement()
{
    const QRect area(0, 0, 1000, 800);
    // At its own size, a step further for each window open before, back at the top left when it
    // would leave the area.
    QCOMPARE(FirstPlace(QSize(600, 500), 0, area, Minimum, Step), QRect(0, 0, 600, 500));
    QCOMPARE(FirstPlace(QSize(600, 500), 2, area, Minimum, Step), QRect(48, 48, 600, 500));
    QCOMPARE(FirstPlace(QSize(600, 500), 12, area, Minimum, Step), QRect(288, 288, 600, 500));
    QCOMPARE(FirstPlace(QSize(600, 500), 13, area, Minimum, Step), QRect(0, 0, 600, 500));
    // Larger than the area: as large as the area.
    QCOMPARE(FirstPlace(QSize(1200, 900), 3, area, Minimum, Step), QRect(0, 0, 1000, 800));
    // An area smaller than the window's minimum: at the top left, at the minimum.
    QCOMPARE(FirstPlace(QSize(500, 500), 1, QRect(0, 0, 300, 300), Minimum, Step), QRect(0, 0, 400, 410));
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
    QTest::addColumn<QRect>("fitted"); // none: maximised
    QTest::newRow("fits, centred") << QSize(966, 870) << QRect(0, 0, 1920, 1040) << QRect(477, 85, 966, 870);
    QTest::newRow("exactly") << QSize(966, 870) << QRect(60, 0, 966, 870) << QRect(60, 0, 966, 870);
    // 1280x1024 at 150 %: 853x683 in the window's pixels.
    QTest::newRow("150 %") << QSize(966, 870) << QRect(0, 0, 853, 683) << QRect();
    QTest::newRow("a pixel too high") << QSize(966, 985) << QRect(0, 0, 1280, 984) << QRect();
    QTest::newRow("too wide") << QSize(1400, 600) << QRect(60, 0, 1220, 1024) << QRect();
}

void TestBatchWindows::mainWindowFitsTheScreen()
{
    QFETCH(QSize, frame);
    QFETCH(QRect, work);
    QFETCH(QRect, fitted);
    QCOMPARE(FitOnScreen(frame, work).value_or(QRect()), fitted);
}

void TestBatchWindows::windowsStayUsable_data()
{
    QTest::addColumn<int>("count");
    for (int count : {1, 3, 10})
        QTest::addRow("%d", count) << count;
}

void TestBatchWindows::windowsStayUsable()
{
    QFETCH(int, count);
    MainRig r;
    QVERIFY(QTest::qWaitForWindowExposed(r.w.get()));
    r.OpenBatches(count);
    TBatchWindows &windows = r.w->Windows();
    QCOMPARE(windows.subWindowList().size(), count);
    CheckUsable(windows);
    r.Grab(QStringLiteral("opened-%1").arg(count));
    const QRect before = r.w->geometry();
    r.w->mniTileClick();
    CheckUsable(windows);
    r.Grab(QStringLiteral("tile-%1").arg(count));
    r.w->mniCascadeClick();
    CheckUsable(windows);
    r.Grab(QStringLiteral("cascade-%1").arg(count));
    QCOMPARE(r.w->geometry(), before);

    // Minimised, their icons are lined up along the bottom, inside the client area.
    for (QMdiSubWindow *sub : windows.subWindowList())
        sub->showMinimized();
    r.w->mniArrangeAllClick();
    for (const QMdiSubWindow *sub : windows.subWindowList())
        QVERIFY(windows.viewport()->rect().contains(sub->geometry()));
    r.Grab(QStringLiteral("arrange-%1").arg(count));
}

void TestBatchWindows::eachWindowInSightAtTheDesignedSize()
{
    MainRig r{QSize()};
    QVERIFY(QTest::qWaitForWindowExposed(r.w.get()));
    TBatchWindows &windows = r.w->Windows();
    const QString area = QStringLiteral("in %1x%2").arg(windows.viewport()->width()).arg(windows.viewport()->height());

    // Tile: three windows, none over another, each with rows in sight.
    r.OpenBatches(3);
    r.w->mniTileClick();
    CheckUsable(windows);
    const QList<QMdiSubWindow *> three = windows.subWindowList(QMdiArea::CreationOrder);
    for (int i = 0; i < three.size(); ++i)
        for (int k = i + 1; k < three.size(); ++k)
            QVERIFY2(!three[i]->geometry().intersects(three[k]->geometry()), qPrintable(area));
    r.Grab(QStringLiteral("designed-tile-3"));
    // Their captions are the names without the padding blanks, their icon the application's.
    QCOMPARE(r.w->Tree().Root()->child(0)->text(0), QStringLiteral("B1          "));
    QCOMPARE(three[0]->windowTitle(), QStringLiteral("B1"));
    const QImage icon = QApplication::windowIcon().pixmap(16).toImage();
    QVERIFY(!icon.isNull());
    QCOMPARE(three[0]->windowIcon().pixmap(16).toImage(), icon);
    QCOMPARE(r.w->windowIcon().pixmap(16).toImage(), icon);

    // Cascade of ten: every title bar at least partly in sight, none wholly behind the others.
    r.OpenBatches(7);
    r.w->mniCascadeClick();
    CheckUsable(windows);
    const QList<QMdiSubWindow *> stacked = windows.subWindowList(QMdiArea::StackingOrder);
    QCOMPARE(stacked.size(), 10);
    for (int i = 0; i < stacked.size(); ++i) {
        const QMdiSubWindow *sub = stacked[i];
        QRegion title(QRect(sub->geometry().topLeft(), QSize(sub->width(), sub->widget()->y())));
        for (int above = i + 1; above < stacked.size(); ++above)
            title -= stacked[above]->geometry();
        QVERIFY2(!title.isEmpty(), qPrintable(sub->windowTitle() + QLatin1Char(' ') + area));
    }
    r.Grab(QStringLiteral("designed-cascade-10"));

    // The Window menu lists all ten, the one in front checked; choosing one brings it to the front.
    QMenu *menu = nullptr;
    for (QAction *a : r.w->menuBar()->actions())
        if (a->text() == QLatin1String("&Window"))
            menu = a->menu();
    QVERIFY(menu);
    emit menu->aboutToShow();
    emit menu->aboutToShow(); // listed again, not twice
    QStringList listed;
    QString checked;
    for (QAction *a : menu->actions())
        if (a->isCheckable()) {
            listed << a->text();
            if (a->isChecked())
                checked = a->text();
        }
    QCOMPARE(listed.size(), 10);
    QCOMPARE(listed.first(), QStringLiteral("&1 B1"));
    QCOMPARE(listed.last(), QStringLiteral("1&0 B10"));
    QCOMPARE(checked, QStringLiteral("1&0 B10"));
    for (QAction *a : menu->actions())
        if (a->text() == QLatin1String("&3 B3"))
            a->trigger();
    QCOMPARE(windows.currentSubWindow(), windows.subWindowList(QMdiArea::CreationOrder)[2]);
}

void TestBatchWindows::openWindowsFollowWrittenSettings()
{
    // One reading of 1250 µS/cm at 21.4 °C: 1347 at 25 °C with 2.0 %/°C, 1374 with 2.5 %/°C.
    QTemporaryDir dir;
    const QJsonArray batches{QJsonObject{{"slot", 1},
                                         {"id", 7},
                                         {"name", "SHORT ONE"},
                                         {"created", 1479888900},
                                         {"max", 10},
                                         {"readings", QJsonArray{QJsonObject{{"status", 0},
                                                                             {"time", 1479889200},
                                                                             {"conductivity", 1250},
                                                                             {"temperature", 214},
                                                                             {"flag", 0},
                                                                             {"fahrenheit", 0}}}}}};
    SimProcess sim({QStringLiteral("--state"), MeterState(dir, {{"batches", batches}})});
    MainRig r;
    r.w->mniReadAllClick();
    r.w->Tree().setCurrentItem(r.w->Tree().Root()->child(0));
    r.w->tvwBatchesDblClick();
    auto *view = qobject_cast<TfrmViewBatch *>(r.w->Windows().subWindowList().value(0)->widget());
    QVERIFY(view);
    QCOMPARE(view->stgReadings->item(0, 6)->text(), QStringLiteral("1347 "));

    auto idle = [&] { return !r.w->Communication().DataLink().Busy(); };
    WhenShown<TfrmConfiguration> settings(
        [](TfrmConfiguration &d) {
            d.fedtAutoTempCor->setText(QStringLiteral("2.5"));
            d.btnWrite->click();
            d.btnclose->click();
        },
        idle);
    r.w->mniMeasurementSettingsClick();
    QVERIFY(settings.Reached());
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join('|')));
    QCOMPARE(view->stgReadings->item(0, 6)->text(), QStringLiteral("1374 "));
    QCOMPARE(view->ValueLabel(QStringLiteral("Compensation Factor"))->text(), QStringLiteral("2.5"));

    // The properties dialog and its file show the meter's values, with no Read All between.
    const QString file = dir.filePath(QStringLiteral("props.CSV"));
    r.prompts.Files = {file};
    QString shown;
    WhenShown<TfrmTalvoProperties> properties(
        [&](TfrmTalvoProperties &d) {
            shown = d.ValueLabel(QStringLiteral("lblAutoTempComp"))->text();
            d.btnSave->click();
            d.btnClose->click();
        },
        idle);
    r.w->mniTalvoPropertiesClick();
    QVERIFY(properties.Reached());
    QCOMPARE(shown, QStringLiteral("2.5"));
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(saved.readAll());
    QVERIFY2(text.contains(QStringLiteral("\"Compensation Factor\",,,,2.5")), qPrintable(text));
}

int main(int argc, char **argv)
{
    TVornellApplication app(argc, argv);
    TestBatchWindows t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_batchwindows.moc"
