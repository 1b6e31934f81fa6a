// The inspection in the application: the batch window's statistics, chart and marks of the readings
// above the acceptance limit, the limit setting, and the report printed and exported from the batch
// window and from the tree.
#include "app/BatchInspection.h"
#include "app/BatchTree.h"
#include "app/BatchWindows.h"
#include "app/frmAcceptanceLimit.h"
#include "app/frmMain.h"
#include "app/frmViewBatch.h"
#include "files/FileFixtures.h"
#include "support/ScriptedPrompts.h"
#include "support/SimProcess.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cmath>

namespace {

const QString SmallMeter = QStringLiteral(FIXTURES "/sim/small.json");

QString Pdftotext(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

// The text of a report without the time it was printed.
QString Undated(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("Printed \\S+ \\S+")));
}

// Runs f on the next modal dialog once it shows.
template <typename Dialog> void OnNextDialog(const std::function<void(Dialog &)> &f)
{
    QTimer::singleShot(0, [f] {
        auto *d = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        QVERIFY(d);
        f(*d);
    });
}

QString Value(const TfrmViewBatch &view, const QString &label)
{
    return view.FInspection->ValueLabel(label)->text();
}

} // namespace

class TestInspection : public QObject {
    Q_OBJECT
private slots:
    void init() { UserLocale::SetCurrent(UserLocale()); }
    void windowShowsStatisticsOfTheGrid();
    void limitMarksCountsAndDraws();
    void chartTitlesWholeAndLimitLabelClear_data();
    void chartTitlesWholeAndLimitLabelClear();
    void limitIsKeptInASectionOfItsOwn();
    void reportFromWindowAndTree();
};

void TestInspection::windowShowsStatisticsOfTheGrid()
{
    ScriptedPrompts prompts;
    TBatches list;
    TBatch *batch = AddBatch(list, 30);
    const auto info = std::make_shared<const TDeviceInfo>(Meter(QString::fromLatin1(NewerFirmware), true));
    batch->FDeviceInfo = info;
    TfrmViewBatch view(nullptr, batch, prompts);
    view.show();

    // The figures of the Bresle column as the grid shows them.
    QList<double> v;
    for (int r = 0; r < view.stgReadings->rowCount(); ++r)
        if (const QString t = view.stgReadings->item(r, 8)->text().trimmed(); t != QLatin1String("---"))
            v << t.toInt();
    QVERIFY(v.size() > 2 && v.size() < 30); // some readings lie outside 5-50 °C
    const double mean = std::accumulate(v.begin(), v.end(), 0.0) / v.size();
    double squares = 0;
    for (double x : v)
        squares += (x - mean) * (x - mean);
    QCOMPARE(view.FInspection->gpbStatistics->title(), QStringLiteral("Statistics"));
    QCOMPARE(Value(view, QStringLiteral("Readings")), QString::number(v.size()));
    QCOMPARE(Value(view, QStringLiteral("Mean")), QString::number(mean, 'f', 1));
    QCOMPARE(Value(view, QStringLiteral("Minimum")), QString::number(*std::min_element(v.begin(), v.end())));
    QCOMPARE(Value(view, QStringLiteral("Maximum")), QString::number(*std::max_element(v.begin(), v.end())));
    QCOMPARE(Value(view, QStringLiteral("Standard deviation")),
             QString::number(std::sqrt(squares / (v.size() - 1)), 'f', 1));
    QCOMPARE(Value(view, QStringLiteral("Above limit")), QString()); // no limit set: no count shown
    QVERIFY(view.FInspection->ValueLabel(QStringLiteral("Above limit"))->isHidden());
    QCOMPARE(Value(view, QStringLiteral("Acceptance limit")), QStringLiteral("none"));

    // The statistics and the grid stay in view together; the chart takes the grid's place.
    const QRect panel = view.FInspection->gpbStatistics->geometry();
    QVERIFY(!panel.intersects(view.gpbHeader->geometry()));
    QVERIFY(view.rect().contains(panel));
    QCOMPARE(view.FInspection->Chart->Chart().Points().size(), v.size());
    QVERIFY(!view.FInspection->Chart->isVisible());
    view.tabReadings->setCurrentIndex(1);
    QVERIFY(view.FInspection->Chart->isVisible());
    QVERIFY(!view.stgReadings->isVisible());
    QCOMPARE(view.FInspection->Chart->geometry().top(), view.hdrSections->geometry().top());
}

void TestInspection::limitMarksCountsAndDraws()
{
    ScriptedPrompts prompts;
    TBatches list;
    TBatch *batch = AddBatch(list, 30);
    const auto info = std::make_shared<const TDeviceInfo>(Meter(QString::fromLatin1(NewerFirmware), true));
    batch->FDeviceInfo = info;
    TfrmViewBatch view(nullptr, batch, prompts);
    const int limit = 150;
    view.SetAcceptanceLimit(limit);
    int above = 0;
    for (int r = 0; r < view.stgReadings->rowCount(); ++r) {
        const QTableWidgetItem *cell = view.stgReadings->item(r, 8);
        const QString t = cell->text().trimmed();
        const bool isAbove = t != QLatin1String("---") && t.toInt() > limit;
        above += isAbove;
        // A tint, a mark and a bold figure; the text itself stays the figure.
        QCOMPARE(cell->font().bold(), isAbove);
        QCOMPARE(!cell->icon().isNull(), isAbove);
        QCOMPARE(cell->data(Qt::BackgroundRole).isValid(), isAbove);
        QCOMPARE(view.stgReadings->item(r, 7)->font().bold(), false); // only the judged figure
    }
    QVERIFY(above > 0);
    QCOMPARE(Value(view, QStringLiteral("Above limit")), QString::number(above));
    QVERIFY(!view.FInspection->ValueLabel(QStringLiteral("Above limit"))->isHidden());
    QCOMPARE(Value(view, QStringLiteral("Acceptance limit")), QStringLiteral("150 mg/m²"));

    // New measurement settings written to the meter: the figures change, and so do marks and counts.
    TDeviceInfo steeper = *info;
    steeper.AutoTempComp = 0.03;
    const QString mean = Value(view, QStringLiteral("Mean"));
    batch->FDeviceInfo = std::make_shared<const TDeviceInfo>(steeper);
    view.ShowFigures();
    QVERIFY(Value(view, QStringLiteral("Mean")) != mean);
    above = 0;
    for (int r = 0; r < view.stgReadings->rowCount(); ++r) {
        const QString t = view.stgReadings->item(r, 8)->text().trimmed();
        const bool isAbove = t != QLatin1String("---") && t.toInt() > limit;
        above += isAbove;
        QCOMPARE(view.stgReadings->item(r, 8)->font().bold(), isAbove);
    }
    QCOMPARE(Value(view, QStringLiteral("Above limit")), QString::number(above));

    // The chart draws the marks: its picture changes with the limit.
    view.resize(800, 700);
    view.tabReadings->setCurrentIndex(1);
    const QImage marked = view.FInspection->Chart->grab().toImage();
    view.SetAcceptanceLimit(std::nullopt);
    QVERIFY(view.FInspection->Chart->grab().toImage() != marked);
    for (int r = 0; r < view.stgReadings->rowCount(); ++r)
        QVERIFY(!view.stgReadings->item(r, 8)->font().bold());
    QCOMPARE(Value(view, QStringLiteral("Above limit")), QString());
}

void TestInspection::chartTitlesWholeAndLimitLabelClear_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<int>>("figures");
    const QList<int> spike = {8, 10, 12, 30, 12, 10, 8, 9, 10, 11};
    QTest::newRow("tall") << QSize(600, 300) << spike;
    QTest::newRow("short: the axis title above") << QSize(600, 110) << spike;
    // Every join crosses the limit's line: the label goes to the top of the plot.
    QTest::newRow("zigzag") << QSize(600, 300) << QList<int>{12, 28, 14, 26, 16, 24, 18, 22, 19, 21};
    // The readings cross the limit at the right end, where the label would go first.
    QTest::newRow("readings at the right end") << QSize(500, 200) << QList<int>{5, 6, 5, 6, 5, 6, 19, 21, 19, 21, 20};
    QTest::newRow("many readings") << QSize(600, 220) << QList<int>(60, 10) + QList<int>(40, 30);
}

void TestInspection::chartTitlesWholeAndLimitLabelClear()
{
    QFETCH(QSize, size);
    QFETCH(QList<int>, figures);
    QList<TReadingRow> rows;
    for (int i = 0; i < figures.size(); ++i) {
        TReadingRow row;
        row.Number = i + 1;
        row.SurfaceDensity = TFigure::Number(figures[i]);
        rows << row;
    }
    const TBatchChart chart(rows, rcSurfaceDensity, 20);
    QFont font;
    font.setPixelSize(11);
    const QFontMetricsF fm(font);
    const QRectF rect(QPointF(4, 4), QSizeF(size));
    const TChartLayout layout = chart.Layout(fm, rect);
    QVERIFY(!layout.Plot.isEmpty());
    QCOMPARE(layout.Marks.size(), figures.size());

    // The axis title whole, inside the chart, clear of the plot.
    const double title = fm.horizontalAdvance(chart.YTitle());
    QCOMPARE(layout.YTitleAlong ? layout.YTitle.height() : layout.YTitle.width(), title);
    QCOMPARE(layout.YTitleAlong, QTest::currentDataTag() != QLatin1String("short: the axis title above"));
    QVERIFY(rect.contains(layout.YTitle));
    QVERIFY(!layout.YTitle.intersects(layout.Plot.adjusted(1, 1, 0, 0)));

    // The limit's label beside its line, inside the plot, over no mark and no joining line.
    const QRectF label = layout.LimitLabel;
    QVERIFY(label.width() > fm.horizontalAdvance(chart.LimitText()));
    QVERIFY(layout.Plot.contains(label));
    for (const QPointF &m : layout.Marks)
        QVERIFY(!label.intersects(
            QRectF(m - QPointF(layout.MarkSize, layout.MarkSize), QSizeF(2 * layout.MarkSize, 2 * layout.MarkSize))));
    QPainterPath joins;
    for (const QLineF &join : layout.Joins) {
        joins.moveTo(join.p1());
        joins.lineTo(join.p2());
    }
    QPainterPathStroker stroker;
    QVERIFY(!stroker.createStroke(joins).intersects(label));
}

void TestInspection::limitIsKeptInASectionOfItsOwn()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("vornell.ini"));
    ScriptedPrompts prompts;
    {
        TfrmMain w(prompts, ini, dir.path() + QLatin1Char('/'));
        QCOMPARE(w.AcceptanceLimit(), std::nullopt); // off by default
        OnNextDialog<TfrmAcceptanceLimit>([](TfrmAcceptanceLimit &d) {
            QVERIFY(!d.iedtLimit->isEnabled());
            d.chkLimit->setChecked(true);
            d.iedtLimit->setValue(50);
            d.accept();
        });
        w.mniAcceptanceLimitClick();
        QCOMPARE(w.AcceptanceLimit(), 50);
        QVERIFY(w.close()); // which stores the three keys of the other sections as before
    }
    const QSettings raw(ini, QSettings::IniFormat);
    QCOMPARE(raw.childGroups(),
             (QStringList{QStringLiteral("Communication"), QStringLiteral("Inspection"), QStringLiteral("Path")}));
    QCOMPARE(raw.value(QStringLiteral("Inspection/AcceptanceLimit")).toString(), QStringLiteral("50"));
    QCOMPARE(raw.value(QStringLiteral("Path/LastSavePath")).toString(), dir.path() + QLatin1Char('/'));

    TfrmMain again(prompts, ini, dir.path() + QLatin1Char('/'));
    QCOMPARE(again.AcceptanceLimit(), 50);
    OnNextDialog<TfrmAcceptanceLimit>([](TfrmAcceptanceLimit &d) {
        QCOMPARE(d.iedtLimit->value(), 50);
        d.chkLimit->setChecked(false);
        d.accept();
    });
    again.mniAcceptanceLimitClick();
    QCOMPARE(again.AcceptanceLimit(), std::nullopt);
    QVERIFY(!QSettings(ini, QSettings::IniFormat).contains(QStringLiteral("Inspection/AcceptanceLimit")));
}

void TestInspection::reportFromWindowAndTree()
{
    SimProcess sim({QStringLiteral("--state"), SmallMeter});
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    TfrmMain w(prompts, dir.filePath(QStringLiteral("vornell.ini")), dir.path() + QLatin1Char('/'));
    w.show();
    OnNextDialog<TfrmAcceptanceLimit>([](TfrmAcceptanceLimit &d) {
        d.chkLimit->setChecked(true);
        d.iedtLimit->setValue(100);
        d.accept();
    });
    w.mniAcceptanceLimitClick();
    w.mniReadAllClick();
    w.Tree().setCurrentItem(w.Tree().Root()->child(0));
    w.tvwBatchesDblClick();
    QCOMPARE(w.Windows().subWindowList().size(), 1);
    auto *view = qobject_cast<TfrmViewBatch *>(w.Windows().subWindowList().first()->widget());
    QVERIFY(view);
    QCOMPARE(Value(*view, QStringLiteral("Acceptance limit")), QStringLiteral("100 mg/m²"));

    // Export PDF... of the window: the file dialog proposes the batch name in the last save folder.
    const QString fromWindow = dir.filePath(QStringLiteral("window.pdf"));
    prompts.Files = {fromWindow};
    view->btnExportPdf->click();
    QCOMPARE(prompts.Dialogs.last().FileName, QStringLiteral("SHORT ONE"));
    QCOMPARE(prompts.Dialogs.last().InitialDir, dir.path() + QLatin1Char('/'));
    const QString text = Pdftotext(fromWindow);
    QVERIFY2(text.contains(QStringLiteral("Batch Name SHORT ONE")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Serial Number SMALL 1")));
    QVERIFY(text.contains(QStringLiteral("Acceptance limit 100 mg/m²")));
    QVERIFY(text.contains(QStringLiteral("Above limit ") + Value(*view, QStringLiteral("Above limit"))));
    QVERIFY(text.contains(QStringLiteral("Mean ") + Value(*view, QStringLiteral("Mean"))));
    QVERIFY(text.contains(QStringLiteral("Page 1 of 1")));
    QVERIFY(!text.contains(QStringLiteral("Batch Code Check"))); // a batch from the meter has no check result
    QCOMPARE(w.LastSavePath(), dir.path());

    // The same report for the batch selected in the tree, and from the menu for the batch in front
    // while the tree's root is selected.
    const QString fromTree = dir.filePath(QStringLiteral("tree.pdf"));
    prompts.Files = {fromTree};
    w.pumExportPdfClick();
    QCOMPARE(Undated(Pdftotext(fromTree)), Undated(text));
    w.Tree().setCurrentItem(w.Tree().Root());
    const QString fromMenu = dir.filePath(QStringLiteral("menu.pdf"));
    prompts.Files = {fromMenu};
    w.mniExportPdfClick();
    QCOMPARE(Undated(Pdftotext(fromMenu)), Undated(text));

    // Print... opens the preview with the report's page, over the main window at its size, the
    // page as wide as the view.
    int pages = 0;
    QRect previewAt;
    QPrintPreviewWidget::ZoomMode zoom = QPrintPreviewWidget::CustomZoom;
    OnNextDialog<QPrintPreviewDialog>([&](QPrintPreviewDialog &d) {
        pages = d.findChild<QPrintPreviewWidget *>()->pageCount();
        zoom = d.findChild<QPrintPreviewWidget *>()->zoomMode();
        previewAt = d.geometry();
        d.reject();
    });
    view->btnPrint->click();
    QCOMPARE(pages, 1);
    QCOMPARE(previewAt, w.geometry());
    QCOMPARE(zoom, QPrintPreviewWidget::FitToWidth);
    QCOMPARE(prompts.Messages.size(), 0);
    bool opened = false;
    OnNextDialog<QPrintPreviewDialog>([&](QPrintPreviewDialog &d) {
        opened = true;
        d.reject();
    });
    w.mniPrintClick();
    QVERIFY(opened);
    QCOMPARE(prompts.Messages.size(), 0);

    // No window open and nothing selected in the tree: the user is told what to do.
    w.Windows().CloseBatchWindow(view->FBatch);
    w.Tree().setCurrentItem(nullptr);
    w.mniPrintClick();
    QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("Select a batch in the tree first.")});
    prompts.Answers = {TMsgResult::No};
}

QTEST_MAIN(TestInspection)
#include "tst_inspection.moc"
