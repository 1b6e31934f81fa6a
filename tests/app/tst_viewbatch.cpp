// The batch window on its own and inside a main window's client area: copying rows, its own access
// keys, its smallest size with the grid still usable, and following a new device record.
#include "app/AppException.h"
#include "app/BatchInspection.h"
#include "app/frmViewBatch.h"
#include "model/Batches.h"
#include "model/DeviceInfo.h"
#include "model/ReadingTable.h"
#include "support/ScriptedPrompts.h"

#include <QClipboard>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

namespace {

std::shared_ptr<TDeviceInfo> Record(double autoTempComp)
{
    auto info = std::make_shared<TDeviceInfo>();
    info->SetSoftwareVersion(QStringLiteral("V2.07"));
    info->AutoTempComp = autoTempComp;
    info->DeionizedWater = 2;
    info->BresleOffset = 3.5;
    info->HasBresleOffset = true;
    info->Valid = true;
    return info;
}

// Readings of 1250 µS/cm at 21.4 °C, a minute apart.
std::unique_ptr<TBatch> Batch(int readings)
{
    auto b = std::make_unique<TBatch>(7);
    b->SetName(QStringLiteral("SHORT ONE"));
    b->SetMaxReadings(100);
    b->SetCreationDateTime(EncodeDate(2026, 1, 1));
    for (int k = 0; k < readings; ++k)
        b->AddReading(k, 1250 + k, EncodeDate(2026, 1, 1) + k / 1440.0, 21.4f, false, false);
    b->FReadingCount = readings;
    b->FReadingsLoaded = true;
    return b;
}

// A main window with a menu whose access key competes with the batch window's Close button.
struct Client {
    QMainWindow main;
    QMdiArea *area = new QMdiArea;
    QMenu *connection;
    ScriptedPrompts prompts;

    Client()
    {
        connection = main.menuBar()->addMenu(QStringLiteral("&Connection"));
        connection->addAction(QStringLiteral("&Connect"));
        main.setCentralWidget(area);
        main.resize(1000, 800);
        main.show();
    }
    TfrmViewBatch *Open(const std::shared_ptr<const TDeviceInfo> &info, TBatch *batch)
    {
        batch->FDeviceInfo = info;
        auto *view = new TfrmViewBatch(nullptr, batch, prompts);
        QMdiSubWindow *sub = area->addSubWindow(view);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->show();
        return view;
    }
};

} // namespace

class TestViewBatch : public QObject {
    Q_OBJECT
private slots:
    void copyPutsTitlesAndSelectedRows();
    void ownAccessKeysComeFirst();
    void smallestWindowKeepsGridUsable_data();
    void smallestWindowKeepsGridUsable();
    void followsANewDeviceRecord();
    void statisticsWholeAfterALimit_data();
    void statisticsWholeAfterALimit();
};

void TestViewBatch::copyPutsTitlesAndSelectedRows()
{
    Client c;
    auto batch = Batch(6);
    TfrmViewBatch *view = c.Open(Record(0.02), batch.get());
    QVERIFY(QTest::qWaitForWindowActive(&c.main));
    QTableWidget *grid = view->stgReadings;
    grid->setFocus();
    grid->selectRow(4);
    grid->selectionModel()->select(grid->model()->index(1, 2), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    grid->selectionModel()->select(grid->model()->index(2, 5), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QApplication::clipboard()->clear();
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);

    const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 5); // titles, three rows, and the end of the last line
    QCOMPARE(lines[0], QStringLiteral("Number\tDate\tTime\tConductivity (µS/cm)\tTemp. (°C)\tTemp. (°F)\t"
                                      "Conductivity @ 25°C/77°F (µS/cm)\tSurface Density (mg/m²)\t"
                                      "Surface Density (Bresle) (mg/m²)"));
    const int rows[] = {1, 2, 4}; // in the grid's order, whatever the order of selecting
    for (int i = 0; i < 3; ++i) {
        const QStringList cells = lines[i + 1].split(QLatin1Char('\t'));
        QCOMPARE(cells.size(), 9);
        QCOMPARE(cells[0], QString::number(rows[i] + 1));
        QCOMPARE(cells[3], QString::number(1250 + rows[i]));
        QCOMPARE(cells[4], QStringLiteral("21.4"));
        for (int k = 0; k < 9; ++k)
            QCOMPARE(cells[k], grid->item(rows[i], k)->text().trimmed()); // no trailing blank
    }
    QVERIFY(lines[4].isEmpty());

    // The grid's pop-up menu offers the same.
    QCOMPARE(grid->contextMenuPolicy(), Qt::ActionsContextMenu);
    QCOMPARE(grid->actions(), QList<QAction *>{view->actCopy});
    QCOMPARE(view->actCopy->text(), QStringLiteral("Copy"));
    grid->clearSelection();
    grid->selectRow(0);
    view->actCopy->trigger();
    QCOMPARE(QApplication::clipboard()->text().count(QLatin1Char('\n')), 2);
    // Nothing selected: the clipboard keeps what it held.
    grid->clearSelection();
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    view->actCopy->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept"));
}

void TestViewBatch::ownAccessKeysComeFirst()
{
    Client c;
    auto batch = Batch(3);
    TfrmViewBatch *view = c.Open(Record(0.02), batch.get());
    QVERIFY(QTest::qWaitForWindowActive(&c.main));
    int saved = 0;
    view->OnSave = [&](TBatch &) { ++saved; };
    view->stgReadings->setFocus();
    QTest::keyClick(view->stgReadings, Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(saved, 1);

    QPointer<QMdiSubWindow> sub = qobject_cast<QMdiSubWindow *>(view->parentWidget());
    QTest::keyClick(view->stgReadings, Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(sub.isNull());
    QVERIFY(!c.connection->isVisible());

    // Without a batch window in front the menu has its access key back.
    QTest::keyClick(c.main.menuBar(), Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(c.connection->isVisible());
    c.connection->close();
}

void TestViewBatch::smallestWindowKeepsGridUsable_data()
{
    QTest::addColumn<bool>("imported");
    QTest::newRow("from the meter") << false;
    QTest::newRow("imported") << true;
}

void TestViewBatch::smallestWindowKeepsGridUsable()
{
    QFETCH(bool, imported);
    Client c;
    auto batch = Batch(100);
    const auto record = Record(0.02);
    if (imported) { // as an import leaves it: the rows as its file holds them
        batch->FDeviceInfo = record;
        batch->FFileRows = ReadingRows(*batch);
        batch->FImported = true;
    }
    TfrmViewBatch *view = c.Open(record, batch.get());
    QVERIFY(QTest::qWaitForWindowExposed(&c.main));
    // The smallest size the child window's frame lets the user drag it to.
    QWidget *sub = view->parentWidget();
    sub->resize(sub->minimumSizeHint());
    QTRY_COMPARE(view->size(), view->minimumSize());
    QTableWidget *grid = view->stgReadings;

    // Three rows below the titles, with the horizontal scroll bar in their way.
    QVERIFY(grid->horizontalScrollBar()->isVisible());
    QVERIFY2(grid->viewport()->height() >= 3 * 16, qPrintable(QString::number(grid->viewport()->height())));
    // The header is whole in width and scrolls into sight; the buttons lie below the grid and inside
    // the window.
    auto *top = view->findChild<QScrollArea *>(QStringLiteral("TopArea"));
    QVERIFY(top->verticalScrollBar()->isVisible());
    QVERIFY(view->gpbHeader->geometry().right() < top->viewport()->width());
    top->ensureWidgetVisible(view->gpbHeader->findChild<QLabel *>(QStringLiteral("Surface Density Conversion")));
    QVERIFY(top->verticalScrollBar()->value() > 0);
    QVERIFY(view->btnClose->geometry().top() > grid->geometry().bottom());
    QVERIFY(view->btnSave->geometry().right() < view->btnClose->geometry().left());
    QVERIFY(view->btnSave->x() >= 0 && view->btnClose->geometry().bottom() < view->height());

    // Every column can be scrolled into view.
    const int last = grid->columnCount() - 1;
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    QVERIFY(grid->columnViewportPosition(last) >= 0);
    QVERIFY(grid->columnViewportPosition(last) + grid->columnWidth(last) <= grid->viewport()->width());
    // The reading numbers stay at the left edge, row by row with the grid, also scrolled down.
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    auto *fixed = grid->findChild<QTableView *>(QStringLiteral("FixedColumn"));
    QVERIFY(fixed && fixed->isVisible());
    QCOMPARE(fixed->x(), grid->viewport()->x());
    QCOMPARE(fixed->width(), grid->columnWidth(0));
    QCOMPARE(fixed->height(), grid->viewport()->height() + grid->horizontalHeader()->height());
    QVERIFY(fixed->isColumnHidden(1) && !fixed->isColumnHidden(0));
    const QModelIndex lastRow = grid->model()->index(99, 0);
    QCOMPARE(fixed->visualRect(lastRow).top(), grid->visualRect(lastRow).top());
    QVERIFY(fixed->viewport()->rect().contains(fixed->visualRect(lastRow)));
    QCOMPARE(lastRow.data().toString(), QStringLiteral("100"));
    // The "Measured" and "Calculated" bar moves with the columns.
    QVERIFY(grid->horizontalHeader()->offset() > 0);
    QCOMPARE(view->hdrSections->offset(), grid->horizontalHeader()->offset());

    // Wide enough for all columns: no horizontal scroll bar.
    sub->resize(sub->width() + 800, 700);
    QTRY_VERIFY(!grid->horizontalScrollBar()->isVisible());
}

void TestViewBatch::followsANewDeviceRecord()
{
    ScriptedPrompts prompts;
    auto batch = Batch(2);
    batch->FDeviceInfo = Record(0.02);
    TfrmViewBatch view(nullptr, batch.get(), prompts);
    QCOMPARE(view.stgReadings->item(0, 6)->text(), QStringLiteral("1347 "));
    QCOMPARE(view.ValueLabel(QStringLiteral("Compensation Factor"))->text(), QStringLiteral("2.0"));
    auto next = Record(0.025);
    next->DeionizedWater = 5;
    batch->FDeviceInfo = next;
    view.ShowFigures();
    QCOMPARE(view.stgReadings->item(0, 6)->text(), QStringLiteral("1374 "));
    QCOMPARE(view.ValueLabel(QStringLiteral("Compensation Factor"))->text(), QStringLiteral("2.5"));
    QCOMPARE(view.ValueLabel(QStringLiteral("Conductivity Deionized Water"))->text(), QStringLiteral("5"));
    QCOMPARE(view.stgReadings->rowCount(), 2);
    QCOMPARE(view.stgReadings->item(1, 3)->text(), QStringLiteral("1251 "));
    // (1250 - 5) x 1.2 / (1 - 3.6 x 0.025)
    QCOMPARE(view.stgReadings->item(0, 7)->text(), QStringLiteral("1642 "));
    QVERIFY(prompts.Messages.isEmpty());
}

void TestViewBatch::statisticsWholeAfterALimit_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("designed width") << 0;
    QTest::newRow("narrow: below the header") << 1;
}

void TestViewBatch::statisticsWholeAfterALimit()
{
    QFETCH(int, width);
    Client c;
    auto batch = Batch(100);
    TfrmViewBatch *view = c.Open(Record(0.02), batch.get());
    QWidget *sub = view->parentWidget();
    if (width == 1)
        sub->resize(sub->minimumSizeHint().width(), 600);
    QVERIFY(QTest::qWaitForWindowExposed(&c.main));
    // A limit set while the window is open: longer figures and one more row.
    view->SetAcceptanceLimit(1250);
    QGroupBox *statistics = view->FInspection->gpbStatistics;
    auto *top = view->findChild<QScrollArea *>(QStringLiteral("TopArea"));
    QTRY_VERIFY(!statistics->findChild<QLabel *>(QStringLiteral("Above limit"))->isHidden());
    QCoreApplication::sendPostedEvents();
    const QString where = QStringLiteral("window %1x%2").arg(view->width()).arg(view->height());
    QVERIFY2(statistics->geometry().right() < top->viewport()->width(), qPrintable(where));
    QVERIFY2(!statistics->geometry().intersects(view->gpbHeader->geometry()), qPrintable(where));
    for (const QLabel *label : statistics->findChildren<QLabel *>()) {
        if (label->isHidden())
            continue;
        const QString text = label->text() + QLatin1Char(' ') + where;
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(text));
        QVERIFY2(statistics->contentsRect().contains(label->geometry()), qPrintable(text));
    }
}

int main(int argc, char **argv)
{
    TVornellApplication app(argc, argv);
    TestViewBatch t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_viewbatch.moc"
