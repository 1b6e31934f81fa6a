// The main window driven against the simulated meter with scripted prompts: the tree, the batch
// windows, the save and import commands, the questions about unsaved batches and the status bar.
#include "app/AppException.h"
#include "app/Artwork.h"
#include "app/BatchTree.h"
#include "app/BatchWindows.h"
#include "app/BusyCursor.h"
#include "app/MenuItemHint.h"
#include "app/frmMain.h"
#include "app/frmViewBatch.h"
#include "device/Communication.h"
#include "dialogs/frmNewBatch.h"
#include "files/Sheet.h"
#include "model/Batches.h"
#include "model/DeviceInfo.h"
#include "support/ScriptedPrompts.h"
#include "support/SimProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString SmallMeter = QStringLiteral(FIXTURES "/sim/small.json");
const QString NotConnected = QStringLiteral("Could not make a connection to Talvo!\r\nPlease check if the Talvo is "
                                            "connected to the computer and turned on.");
const QString UnsavedQuestion =
    QStringLiteral("Not all Batches where saved to file.\r\nDo you want to save the Batches before closing?\r\n\r\n"
                   "\tPress Yes to save the Batches.\r\n\tPress No to close without saving.\r\n"
                   "\tPress Abort to abort current action.");

struct Rig {
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    std::unique_ptr<TfrmMain> w;

    // The status bar and menus, found by name as the user sees them.
    QLabel *statusPanel, *percentPanel, *connectionIcon;
    QWidget *busyAnimation;
    QProgressBar *progressBar;
    QAction *mniSaveAll;
    QMenu *pumTreeView;

    Rig()
    {
        w = std::make_unique<TfrmMain>(prompts, Ini(), dir.path() + QLatin1Char('/'));
        w->Communication().ConnectTimeOutTimer().setInterval(300);
        statusPanel = w->findChild<QLabel *>(QStringLiteral("StatusPanel"));
        percentPanel = w->findChild<QLabel *>(QStringLiteral("PercentPanel"));
        connectionIcon = w->findChild<QLabel *>(QStringLiteral("ConnectionIcon"));
        busyAnimation = w->findChild<QWidget *>(QStringLiteral("BusyAnimation"));
        progressBar = w->findChild<QProgressBar *>(QStringLiteral("ProgressBar"));
        mniSaveAll = w->findChild<QAction *>(QStringLiteral("mniSaveAll"));
        pumTreeView = w->findChild<QMenu *>(QStringLiteral("pumTreeView"));
        w->show();
        // The offscreen screen is smaller than the designed window, which opens maximised there.
        w->showNormal();
    }
    QString Ini() const { return dir.filePath(QStringLiteral("vornell.ini")); }
    QString File(const QString &name) const { return dir.filePath(name); }
    QTreeWidgetItem *Root() const { return w->Tree().Root(); }
    QStringList Captions() const
    {
        QStringList out;
        for (int i = 0; i < Root()->childCount(); ++i)
            out << Root()->child(i)->text(0);
        return out;
    }
    QString Status() const { return statusPanel->text(); }
    bool IconConnected() const { return connectionIcon->property("connected").toBool(); }
    void DoubleClick(int child)
    {
        w->Tree().setCurrentItem(Root()->child(child));
        w->tvwBatchesDblClick();
    }
    TfrmViewBatch *View(int index) const
    {
        const auto subs = w->Windows().subWindowList();
        return index < subs.size() ? qobject_cast<TfrmViewBatch *>(subs[index]->widget()) : nullptr;
    }
};

// A batch in the list and its node in the tree, as Read All leaves them.
TBatch *AddNode(Rig &r, qint32 id, qint32 readingCount, bool saved)
{
    TBatch *b = r.w->Batches().AddBatch(id, QStringLiteral("B%1").arg(id), EncodeDate(2026, 1, 1), 100, readingCount);
    b->SetSaved(saved);
    r.w->Tree().AddBatchNode(*b, b->FName);
    return b;
}

QStringList Row(const QTableWidget *grid, int row)
{
    QStringList out;
    for (int c = 0; c < grid->columnCount(); ++c)
        out << (grid->item(row, c) ? grid->item(row, c)->text() : QString());
    return out;
}

// Runs fn once the new batch dialog is shown modally.
void WhenDialogShown(std::function<void(QWidget *)> fn)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, fn] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            fn(modal);
        }
    });
    timer->start();
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { qputenv("VORNELL_SYSTEM_PORTS", "0"), qputenv("VORNELL_SERIAL_PORTS", ""); }
    void startsEmptyWithSettingsDefaults();
    void unwritableSettingsAreReportedAndWindowCloses();
    void readAllFillsTreeAndMovesProgress();
    void longBatchNamesAreNotCut();
    void readAllWithoutMeterWarnsOnce();
    void connectWithoutMeter();
    void doubleClickOpensBatchWindowOnce();
    void saveFromBatchWindowThenImportPasses_data();
    void saveFromBatchWindowThenImportPasses();
    void importFailures();
    void closeAllAsksAboutUnsavedBatches();
    void disconnectSwitchesIconAndKeepsAbortedBatches();
    void newBatchAndDeleteBatch();
    void busyCursorGuardsCommands();
    void closingWithUnsavedBatches_data();
    void closingWithUnsavedBatches();
    void popupEntries();
    void importSavesUnsavedBatchesFirstWhenAsked();
    void commandsWithoutMeter();
    void doubleClickWithoutMeterOpensWhatIsThere();
    void menuHintTimers();
    void tileStacksWindows();
    void screenshots();
    void startupAndMemoryFigures();
};

void TestMainWindow::startsEmptyWithSettingsDefaults()
{
    Rig r;
    QCOMPARE(r.w->windowTitle(), QStringLiteral("Vornell"));
    QCOMPARE(r.Root()->text(0), QStringLiteral("Talvo"));
    QCOMPARE(r.Root()->childCount(), 0);
    QCOMPARE(r.w->LastSavePath(), r.dir.path() + QLatin1Char('/'));
    QCOMPARE(r.w->LastImportPath(), r.dir.path() + QLatin1Char('/'));
    QCOMPARE(r.w->LastPort(), -1);
    QVERIFY(!r.IconConnected());
    QVERIFY(r.progressBar->isHidden());
    QVERIFY(r.w->close()); // nothing unsaved: no question
    QVERIFY(r.prompts.Messages.isEmpty());
    const QSettings ini(r.Ini(), QSettings::IniFormat);
    QCOMPARE(ini.value(QStringLiteral("Communication/LastPort")).toString(), QStringLiteral("-1"));
    QCOMPARE(ini.value(QStringLiteral("Path/LastSavePath")).toString(), r.dir.path() + QLatin1Char('/'));
}

void TestMainWindow::unwritableSettingsAreReportedAndWindowCloses()
{
    Rig r;
    QVERIFY(QDir(r.dir.path()).mkdir(QStringLiteral("vornell.ini"))); // a folder where the file belongs
    QVERIFY(r.w->close());
    QCOMPARE(r.prompts.Texts(), QStringList{QStringLiteral("A problem occurred in Vornell, the messages was:\r\n"
                                                           "Unable to write to ") +
                                            r.Ini()});
}

void TestMainWindow::readAllFillsTreeAndMovesProgress()
{
    SimProcess sim({QStringLiteral("--state"), SmallMeter});
    Rig r;
    QStringList percents;
    QList<int> positions;
    connect(&r.w->Communication(), &TdmCommunication::OnProgress, r.w.get(), [&] {
        percents << r.percentPanel->text();
        positions << r.progressBar->value();
    });
    QStringList statuses;
    connect(&r.w->Communication(), &TdmCommunication::OnStatus, r.w.get(), [&] { statuses << r.Status(); });
    r.w->mniReadAllClick();
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join(QLatin1Char('|'))));
    QCOMPARE(r.Captions(), QStringList{QStringLiteral("SHORT ONE   ")});
    QVERIFY(r.Root()->isExpanded());
    QVERIFY(r.IconConnected());
    QVERIFY(statuses.contains(QStringLiteral(" Reading batches from Talvo.")));
    QCOMPARE(percents, (QStringList{QStringLiteral("50%"), QStringLiteral("100%")}));
    QCOMPARE(positions, (QList<int>{1, 2}));
    QVERIFY(r.progressBar->isHidden());
    QCOMPARE(r.percentPanel->text(), QString());
    QCOMPARE(r.Status(), QStringLiteral(" "));
    QVERIFY(!QGuiApplication::overrideCursor());

    // Reading a batch's readings shows its status text while the bar moves, also after the click
    // of the double-click's release, which comes while they load.
    QStringList shown;
    connect(&r.w->Communication(), &TdmCommunication::OnProgress, r.w.get(), [&] {
        r.w->tvwBatchesClick();
        shown << r.Status();
    });
    r.DoubleClick(0);
    QVERIFY(r.View(0));
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown.first(), QStringLiteral(" Reading Batch readings from Talvo."));
    QCOMPARE(shown.count(shown.first()), r.View(0)->FBatch->FReadingCount);
    // The port that answered is kept for the next run.
    r.prompts.Answers = {TMsgResult::No};
    r.w->close();
    QCOMPARE(QSettings(r.Ini(), QSettings::IniFormat).value(QStringLiteral("Communication/LastPort")).toInt(), 161);
}

void TestMainWindow::longBatchNamesAreNotCut()
{
    SimProcess sim; // the demonstration meter, whose names are wider than the tree
    Rig r;
    r.w->show();
    r.w->mniReadAllClick();
    QVERIFY(r.Captions().contains(QStringLiteral("FAHRENHEIT  ")));
    QTreeWidget *tree = &r.w->Tree();
    for (int i = 0; i < r.Root()->childCount(); ++i) {
        const QString name = r.Root()->child(i)->text(0);
        QVERIFY2(tree->header()->sectionSize(0) >=
                     2 * tree->indentation() + tree->fontMetrics().horizontalAdvance(name),
                 qPrintable(name));
    }
    QVERIFY(tree->header()->sectionSize(0) > tree->viewport()->width());
    QVERIFY(tree->horizontalScrollBar()->maximum() > 0);
    r.prompts.Answers = {TMsgResult::No};
    r.w->close();
}

void TestMainWindow::readAllWithoutMeterWarnsOnce()
{
    Rig r;
    r.w->mniReadAllClick();
    QCOMPARE(r.prompts.Texts(), QStringList{NotConnected});
    QCOMPARE(r.Root()->childCount(), 0);
    QVERIFY(!r.IconConnected());
}

void TestMainWindow::connectWithoutMeter()
{
    Rig r;
    r.w->mniConnectClick();
    QCOMPARE(r.prompts.Texts(), QStringList{NotConnected});
    QCOMPARE(r.prompts.Messages[0].Kind, TMsgKind::Warning);
    QVERIFY(!r.IconConnected());
    QVERIFY(r.busyAnimation->isHidden());
}

void TestMainWindow::doubleClickOpensBatchWindowOnce()
{
    SimProcess sim({QStringLiteral("--state"), SmallMeter});
    Rig r;
    r.w->resize(1280, 1024); // room for the window widened to its grid
    r.w->mniReadAllClick();
    r.DoubleClick(0);
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join(QLatin1Char('|'))));
    QCOMPARE(r.w->Windows().subWindowList().size(), 1);
    TfrmViewBatch *view = r.View(0);
    QVERIFY(view);
    QCOMPARE(view->objectName(), QStringLiteral("BatchForm7"));
    QCOMPARE(view->parentWidget()->windowTitle(), QStringLiteral("SHORT ONE")); // without the name's padding
    QCOMPARE(view->ValueLabel(QStringLiteral("Batch Name"))->text(), QStringLiteral("SHORT ONE"));
    QCOMPARE(view->ValueLabel(QStringLiteral("Number of Readings"))->text(), QStringLiteral("3"));
    QCOMPARE(view->ValueLabel(QStringLiteral("Compensation Factor"))->text(), QStringLiteral("2.0"));
    QCOMPARE(view->ValueLabel(QStringLiteral("Surface Density Conversion"))->text(), QStringLiteral("1.2"));
    QVERIFY(view->ValueLabel(QStringLiteral("Batch Code Check"))->isHidden());
    TBatch *batch = r.w->Batches().GetBatch(0);
    QVERIFY(r.w->DeviceInfo().Valid);
    const int columns = r.w->DeviceInfo().IsNewerFirmware() && r.w->DeviceInfo().HasBresleOffset ? 9 : 8;
    QCOMPARE(view->stgReadings->columnCount(), columns);
    QCOMPARE(view->stgReadings->rowCount(), 3);
    QCOMPARE(view->stgReadings->horizontalHeader()->height(), 48);
    for (int i = 0; i < 3; ++i) {
        QStringList expected = SplitCommaText(ReadingToLine(*batch->Readings()[i], r.w->DeviceInfo())).mid(0, columns);
        for (int c = 1; c < expected.size(); ++c)
            expected[c] = (expected[c].isEmpty() ? QStringLiteral(" ") : expected[c]) + QLatin1Char(' ');
        QCOMPARE(Row(view->stgReadings, i), expected);
        QCOMPARE(view->stgReadings->item(i, 3)->textAlignment(), int(Qt::AlignRight | Qt::AlignTop));
    }
    // Widened to fit the grid.
    int total = 4;
    for (int c = 0; c < columns; ++c)
        total += view->stgReadings->columnWidth(c) + 1;
    QVERIFY(view->parentWidget()->width() >= total + 28);

    // A second double-click brings the same window back, even from minimised.
    view->parentWidget()->showMinimized();
    r.DoubleClick(0);
    QCOMPARE(r.w->Windows().subWindowList().size(), 1);
    QVERIFY(!view->parentWidget()->isMinimized());
    QCOMPARE(r.w->Windows().activeSubWindow(), view->parentWidget());
    r.prompts.Answers = {TMsgResult::No};
}

void TestMainWindow::saveFromBatchWindowThenImportPasses_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("text") << QStringLiteral("short.CSV");
    QTest::newRow("workbook") << QStringLiteral("short.XLS");
}

void TestMainWindow::saveFromBatchWindowThenImportPasses()
{
    QFETCH(QString, name);
    SimProcess sim({QStringLiteral("--state"), SmallMeter});
    Rig r;
    r.w->mniReadAllClick();
    r.DoubleClick(0);
    const QString file = r.File(name);
    r.prompts.Files = {file};
    r.View(0)->btnSave->click();
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join(QLatin1Char('|'))));
    QVERIFY(QFile::exists(file));
    QVERIFY(r.w->Batches().GetBatch(0)->FSaved);
    QCOMPARE(r.Status(), QStringLiteral(" Batch saved to file."));
    QCOMPARE(r.w->LastSavePath(), r.dir.path() + QLatin1Char('/'));

    r.prompts.Files = {file};
    r.w->mniImportBatchClick();
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join(QLatin1Char('|'))));
    const TFileDialog &d = r.prompts.Dialogs.last();
    QCOMPARE(d.Title, QStringLiteral("Import Batch from file"));
    QCOMPARE(d.Filter, QStringLiteral("Talvometer (*.CSV)|*.CSV|Talvometer (*.XLS)|*.XLS"));
    QCOMPARE(d.FilterIndex, 2);
    QCOMPARE(d.DefaultExt, QStringLiteral("XLS"));
    QVERIFY(d.FileMustExist);
    QVERIFY(!r.IconConnected()); // the import disconnects first
    QCOMPARE(r.Root()->text(0), name);
    QCOMPARE(r.Captions(), QStringList{QStringLiteral("SHORT ONE   ")});
    QVERIFY(!r.mniSaveAll->isEnabled());
    QCOMPARE(r.w->LastImportPath(), r.dir.path());
    r.DoubleClick(0);
    TfrmViewBatch *view = r.View(0);
    QVERIFY(view);
    QVERIFY(!view->btnSave->isEnabled());
    QVERIFY(view->ValueLabel(QStringLiteral("Batch Code Check"))->isVisible());
    QCOMPARE(view->ValueLabel(QStringLiteral("Batch Code Check"))->text(), QStringLiteral("Passed"));
    QCOMPARE(view->gpbHeader->height(), 175);
    QCOMPARE(view->stgReadings->rowCount(), 3);
    // No question at close: imported batches count as saved.
    QVERIFY(r.w->close());
    QVERIFY(r.prompts.Messages.isEmpty());
}

void TestMainWindow::importFailures()
{
    SimProcess sim({QStringLiteral("--state"), SmallMeter});
    Rig r;
    r.w->mniReadAllClick();
    const QString good = r.File(QStringLiteral("good.CSV"));
    r.prompts.Files = {good};
    r.w->Tree().setCurrentItem(r.Root()->child(0));
    r.w->pumSaveBatchClick();
    QVERIFY(QFile::exists(good));
    QFile in(good);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray text = in.readAll();
    in.close();

    // A changed value: imported, the check fails and is announced.
    QByteArray changed = text;
    changed.replace("SHORT ONE", "SHORT TWO");
    const QString tampered = r.File(QStringLiteral("tampered.CSV"));
    QFile out(tampered);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(changed);
    out.close();
    r.prompts.Files = {tampered};
    r.w->mniImportBatchClick();
    QCOMPARE(r.prompts.Texts(), QStringList{QStringLiteral("The batch code check of batch \"SHORT TWO   \" failed.")});
    QCOMPARE(r.Captions(), QStringList{QStringLiteral("SHORT TWO   ")});
    QCOMPARE(r.w->Batches().GetBatch(0)->FCheckResult, quint8(crFailed));

    // A broken file: nothing stays, the root reads Talvo.
    const QString prefix =
        QStringLiteral("A problem occurred while importing the batches!\r\nThe message was:\r\n\r\n");
    QByteArray broken = text;
    broken.replace("\"Batch maximum # of readings\",,,,10,", "\"Batch maximum # of readings\",,,,many,");
    QVERIFY(broken != text);
    const QString bad = r.File(QStringLiteral("bad.CSV"));
    QFile badFile(bad);
    QVERIFY(badFile.open(QIODevice::WriteOnly));
    badFile.write(broken);
    badFile.close();
    r.prompts.Messages.clear();
    r.prompts.Files = {bad};
    r.w->mniImportBatchClick();
    // The half-read batch was never added: nothing to close, nothing to ask.
    QCOMPARE(r.prompts.Texts(), (QStringList{prefix + QStringLiteral("'many' is not a valid integer value")}));
    QCOMPARE(r.Root()->childCount(), 0);
    QCOMPARE(r.w->Batches().Count(), 0);
    QCOMPARE(r.Root()->text(0), QStringLiteral("Talvo"));
    QVERIFY(r.mniSaveAll->isEnabled());

    // Text named as a workbook reads as text; a workbook that is broken gives the reason.
    r.prompts.Messages.clear();
    const QString renamed = r.File(QStringLiteral("text.XLS"));
    QVERIFY(QFile::copy(good, renamed));
    r.prompts.Files = {renamed};
    r.w->mniImportBatchClick();
    QVERIFY(r.prompts.Messages.isEmpty());
    QCOMPARE(r.w->Batches().GetBatch(0)->FCheckResult, quint8(crPassed));
    r.prompts.Files = {r.File(QStringLiteral("broken.csv"))};
    QFile brokenBook(r.prompts.Files[0]);
    QVERIFY(brokenBook.open(QIODevice::WriteOnly));
    brokenBook.write(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(100, 'x'));
    brokenBook.close();
    r.w->mniImportBatchClick();
    QCOMPARE(r.prompts.Texts(),
             QStringList{prefix + QStringLiteral("Could not read data from xls file. The file is not a readable Excel "
                                                 "97 workbook (the compound file header is truncated).")});
    QCOMPARE(r.Root()->text(0), QStringLiteral("Talvo"));

    // A second section cut short: the complete batch is imported, then the warning names the other.
    r.prompts.Messages.clear();
    const QString cut = r.File(QStringLiteral("cut.CSV"));
    QFile cutFile(cut);
    QVERIFY(cutFile.open(QIODevice::WriteOnly));
    cutFile.write(text + ",,,,,,,,,\r\n,,,,,,,,,\r\n" + text.left(text.indexOf("\"Reading Table:\"")));
    cutFile.close();
    r.prompts.Files = {cut};
    r.w->mniImportBatchClick();
    QCOMPARE(r.prompts.Texts(), QStringList{QStringLiteral("Not every batch of the file could be imported:\r\n\r\n"
                                                           "The data of batch \"SHORT ONE   \" is incomplete.")});
    QCOMPARE(r.prompts.Messages[0].Kind, TMsgKind::Warning);
    QCOMPARE(r.Captions(), QStringList{QStringLiteral("SHORT ONE   ")});
    QCOMPARE(r.Root()->text(0), QStringLiteral("cut.CSV"));

    // Cancelled: an empty tree, Save All disabled.
    r.prompts.Messages.clear();
    r.prompts.Files = {QString()};
    r.w->mniImportBatchClick();
    QVERIFY(r.prompts.Messages.isEmpty());
    QCOMPARE(r.Root()->childCount(), 0);
    QVERIFY(!r.mniSaveAll->isEnabled());
}

void TestMainWindow::closeAllAsksAboutUnsavedBatches()
{
    SimProcess sim({QStringLiteral("--state"), SmallMeter});
    Rig r;
    r.w->mniReadAllClick();
    r.DoubleClick(0);
    r.prompts.Answers = {TMsgResult::Abort};
    r.w->mniCloseAllClick();
    QCOMPARE(r.prompts.Texts(), QStringList{UnsavedQuestion});
    QCOMPARE(r.prompts.Messages[0].Buttons, TMsgButtons::YesNoAbort);
    QCOMPARE(r.Root()->childCount(), 1);
    QCOMPARE(r.w->Windows().subWindowList().size(), 1);

    // Yes: Save All asks its own question, saves into one file, then everything closes.
    const QString file = r.File(QStringLiteral("all.CSV"));
    r.prompts.Messages.clear();
    r.prompts.Answers = {TMsgResult::Yes, TMsgResult::Yes};
    r.prompts.Files = {file};
    r.w->mniCloseAllClick();
    QCOMPARE(r.prompts.Texts(),
             (QStringList{UnsavedQuestion,
                          QStringLiteral("Do you want to save all batches in one file?\r\nSave option: ")}));
    QCOMPARE(r.prompts.Messages[1].Kind, TMsgKind::Information);
    QVERIFY(QFile::exists(file));
    QCOMPARE(r.Root()->childCount(), 0);
    QCOMPARE(r.w->Batches().Count(), 0);
    QVERIFY(r.w->Windows().subWindowList().isEmpty());

    // Without unsaved batches: no question.
    r.prompts.Messages.clear();
    r.w->mniReadAllClick();
    r.w->Batches().GetBatch(0)->SetSaved(true);
    r.w->mniCloseAllClick();
    QVERIFY(r.prompts.Messages.isEmpty());
    QCOMPARE(r.Root()->childCount(), 0);
}

void TestMainWindow::disconnectSwitchesIconAndKeepsAbortedBatches()
{
    SimProcess sim({QStringLiteral("--state"), SmallMeter});
    Rig r;
    r.w->mniConnectClick();
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join(QLatin1Char('|'))));
    QVERIFY(r.IconConnected());
    QVERIFY(r.busyAnimation->isHidden());
    r.w->mniReadAllClick();
    r.prompts.Answers = {TMsgResult::Abort};
    r.w->mniDisconnectClick();
    QCOMPARE(r.prompts.Texts(), QStringList{UnsavedQuestion});
    QVERIFY(!r.IconConnected());
    QVERIFY(!r.w->Communication().Connected());
    QCOMPARE(r.Root()->childCount(), 1);
    QVERIFY(!r.w->DeviceInfo().Valid);
    r.prompts.Answers = {TMsgResult::No};
}

void TestMainWindow::newBatchAndDeleteBatch()
{
    SimProcess sim({QStringLiteral("--state"), SmallMeter});
    Rig r;
    r.w->mniReadAllClick();
    WhenDialogShown([](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmNewBatch *>(modal);
        QVERIFY(dialog);
        dialog->edtBatchName->setText(QStringLiteral("NEW ONE"));
        dialog->edtMaxReadings->setText(QStringLiteral("20"));
        dialog->btnCreate->click();
    });
    r.w->mniNewBatchClick();
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join(QLatin1Char('|'))));
    QCOMPARE(r.Captions(), (QStringList{QStringLiteral("SHORT ONE   "), QStringLiteral("NEW ONE     ")}));
    TBatch *created = r.w->Batches().GetBatch(1);
    QCOMPARE(created->FMaxReadings, 20);
    QVERIFY(!created->FSaved);

    const QString question = QStringLiteral(
        "The Batch was not saved to file.\r\nDo you want to save and delete the Batch?\r\n\r\n\tPress Yes to save and "
        "delete the Batch.\r\n\tPress No to delete the Batch without saving.\r\n\tPress Abort to abort the deleting of "
        "the Batch.");
    // Abort: nothing happens.
    r.w->Tree().setCurrentItem(r.Root()->child(1));
    r.prompts.Answers = {TMsgResult::Abort};
    r.w->pumDeleteBatchClick();
    QCOMPARE(r.prompts.Texts(), QStringList{question});
    QCOMPARE(r.Root()->childCount(), 2);
    // Yes with the save dialog cancelled: deleted all the same.
    r.prompts.Messages.clear();
    r.prompts.Answers = {TMsgResult::Yes};
    r.prompts.Files = {QString()};
    r.w->pumDeleteBatchClick();
    QCOMPARE(r.prompts.Texts(), QStringList{question});
    QCOMPARE(r.Captions(), QStringList{QStringLiteral("SHORT ONE   ")});
    QCOMPARE(r.w->Batches().Count(), 1);
    // No, with its window open: the window closes and the batch goes from the meter.
    r.DoubleClick(0);
    QCOMPARE(r.w->Windows().subWindowList().size(), 1);
    r.prompts.Messages.clear();
    r.prompts.Answers = {TMsgResult::No};
    r.w->Tree().setCurrentItem(r.Root()->child(0));
    r.w->pumDeleteBatchClick();
    QCOMPARE(r.prompts.Texts(), QStringList{question});
    QCOMPARE(r.Root()->childCount(), 0);
    QVERIFY(r.w->Windows().subWindowList().isEmpty());
    r.prompts.Messages.clear();
    r.w->mniReadAllClick();
    QCOMPARE(r.Root()->childCount(), 0); // gone from the meter too
}

void TestMainWindow::busyCursorGuardsCommands()
{
    SimProcess sim({QStringLiteral("--state"), SmallMeter});
    Rig r;
    {
        TBusyCursor other; // another command waits for the meter
        QVERIFY(other.Acquired());
        r.w->mniReadAllClick();
        r.w->mniConnectClick();
        r.w->mniImportBatchClick();
        // The acceptance limit's dialog does not open either.
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                opened = true;
                dialog->close();
            }
        });
        r.w->mniAcceptanceLimitClick();
        QCoreApplication::processEvents();
        QVERIFY(!opened);
        QVERIFY(!r.w->Communication().Connected());
        QCOMPARE(r.Root()->childCount(), 0);
        QVERIFY(r.prompts.Dialogs.isEmpty());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    QVERIFY(!QGuiApplication::overrideCursor());
    r.w->mniReadAllClick();
    QCOMPARE(r.Root()->childCount(), 1);
    r.prompts.Answers = {TMsgResult::No};
}

void TestMainWindow::closingWithUnsavedBatches_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Yes") << int(TMsgResult::Yes) << true;
    QTest::newRow("No") << int(TMsgResult::No) << true;
    QTest::newRow("Abort") << int(TMsgResult::Abort) << false;
}

void TestMainWindow::closingWithUnsavedBatches()
{
    QFETCH(int, answer);
    QFETCH(bool, closes);
    SimProcess sim({QStringLiteral("--state"), SmallMeter});
    Rig r;
    r.w->mniReadAllClick();
    // Yes leads to Save All, whose question is answered Cancel.
    r.prompts.Answers = {TMsgResult(answer), TMsgResult::Cancel};
    QCOMPARE(r.w->close(), closes);
    QCOMPARE(r.prompts.Texts().first(), UnsavedQuestion);
    QVERIFY(QFile::exists(r.Ini())); // written before the question
    if (!closes) {
        QVERIFY(r.w->isVisible());
        r.prompts.Answers = {TMsgResult::No};
    }
}

void TestMainWindow::popupEntries()
{
    SimProcess sim({QStringLiteral("--state"), SmallMeter});
    Rig r;
    r.w->mniReadAllClick();
    auto visible = [&] {
        QStringList out;
        for (QAction *a : r.pumTreeView->actions())
            if (a->isVisible())
                out << a->text();
        return out;
    };
    r.w->tvwBatchesContextPopup(r.w->Tree().visualItemRect(r.Root()).center());
    QCOMPARE(visible(), (QStringList{QStringLiteral("&New Batch"), QStringLiteral("&Read Batches"),
                                     QStringLiteral("&Import Batches"), QStringLiteral("Close Batches")}));
    r.pumTreeView->hide();
    r.w->tvwBatchesContextPopup(r.w->Tree().visualItemRect(r.Root()->child(0)).center());
    QCOMPARE(visible(), (QStringList{QStringLiteral("&Save Batch"), QStringLiteral("&Delete Batch"),
                                     QStringLiteral("&Print..."), QStringLiteral("&Export PDF...")}));
    QCOMPARE(r.w->CurrentNode(), r.Root()->child(0));
    r.pumTreeView->hide();
    r.w->tvwBatchesContextPopup(QPoint(5, r.w->Tree().viewport()->height() - 3));
    QCOMPARE(r.w->CurrentNode(), nullptr);
    QVERIFY(!r.pumTreeView->isVisible());
    r.prompts.Answers = {TMsgResult::No};
}

void TestMainWindow::importSavesUnsavedBatchesFirstWhenAsked()
{
    // The question comes while the import holds the busy cursor; Yes must still save.
    SimProcess sim({QStringLiteral("--state"), SmallMeter});
    Rig r;
    r.w->mniReadAllClick();
    const QString file = r.File(QStringLiteral("all.CSV"));
    r.prompts.Answers = {TMsgResult::Yes, TMsgResult::Yes};
    r.prompts.Files = {file, file}; // saved into one file, then that file imported
    r.w->mniImportBatchClick();
    QCOMPARE(r.prompts.Texts(),
             (QStringList{UnsavedQuestion,
                          QStringLiteral("Do you want to save all batches in one file?\r\nSave option: ")}));
    QVERIFY(QFile::exists(file));
    QCOMPARE(r.Root()->text(0), QStringLiteral("all.CSV"));
    QCOMPARE(r.w->Batches().Count(), 1);
    QCOMPARE(r.w->Batches().GetBatch(0)->FCheckResult, quint8(crPassed));
}

void TestMainWindow::commandsWithoutMeter()
{
    Rig r;
    WhenDialogShown([](QWidget *modal) { qobject_cast<TfrmNewBatch *>(modal)->btnCreate->click(); });
    r.w->mniNewBatchClick();
    QCOMPARE(r.prompts.Texts(), QStringList{QStringLiteral("A problem occured while creating batch!\r\nThe message "
                                                           "was:\r\n\r\nCould not connect to Talvo.")});
    QCOMPARE(r.Root()->childCount(), 0);
    QCOMPARE(r.w->Batches().Count(), 0);

    AddNode(r, 4, 0, true);
    r.prompts.Messages.clear();
    r.w->Tree().setCurrentItem(r.Root()->child(0));
    r.w->pumDeleteBatchClick();
    QCOMPARE(r.prompts.Texts(),
             QStringList{QStringLiteral("The batch could not be deleted.\r\nMessage: Could not connect to Talvo.")});
    QCOMPARE(r.Root()->childCount(), 1);
    QCOMPARE(r.w->Batches().Count(), 1);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestMainWindow::doubleClickWithoutMeterOpensWhatIsThere()
{
    Rig r;
    AddNode(r, 9, 3, true); // the meter reported 3 readings that were never read
    r.DoubleClick(0);
    // Only the failure box of the window's creation: the connection failure itself is passed over.
    QCOMPARE(r.prompts.Texts(),
             QStringList{QStringLiteral("A problem occurred in Vornell, the messages was:\r\nThere are no readings")});
    QVERIFY(r.View(0));
    QCOMPARE(r.View(0)->ValueLabel(QStringLiteral("Batch ID"))->text(), QStringLiteral("9"));
    QCOMPARE(r.View(0)->stgReadings->rowCount(), 1);

    // A node whose batch has gone is removed with its warning.
    TBatch *gone = AddNode(r, 10, 0, true);
    r.w->Batches().Delete(gone);
    r.prompts.Messages.clear();
    r.DoubleClick(1);
    QCOMPARE(r.prompts.Texts(),
             QStringList{QStringLiteral("This Batch does not longer exists. Node will be removed.")});
    QCOMPARE(r.Root()->childCount(), 1);
}

void TestMainWindow::menuHintTimers()
{
    Rig r;
    TMenuItemHint &hint = *r.w->findChild<TMenuItemHint *>();
    QAction *readAll = nullptr;
    for (QAction *a : r.w->findChildren<QAction *>())
        if (a->text() == QStringLiteral("&Read All"))
            readAll = a;
    QVERIFY(readAll);
    QCOMPARE(TMenuItemHint::HintOf(readAll), QStringLiteral("Read all batches from Talvo."));
    QCOMPARE(hint.ShowTimer().interval(), 500);
    QCOMPARE(hint.HideTimer().interval(), 2500);
    hint.ShowForItem(readAll);
    QVERIFY(hint.ShowTimer().isActive() && hint.HideTimer().isActive());
    QTRY_VERIFY_WITH_TIMEOUT(hint.isVisible(), 2000); // the real 500 ms show timer
    QCOMPARE(hint.text(), QStringLiteral("Read all batches from Talvo."));
    QVERIFY(!hint.ShowTimer().isActive());
    hint.OnHideTimer();
    QVERIFY(!hint.isVisible());
    // An entry without a hint, or the menu closing, forgets the item.
    hint.ShowForItem(nullptr);
    QCOMPARE(hint.Item(), nullptr);
    hint.OnShowTimer();
    QVERIFY(!hint.isVisible());
}

void TestMainWindow::tileStacksWindows()
{
    Rig r;
    r.w->resize(1280, 1024); // room for two one above the other
    AddNode(r, 1, 0, true);
    AddNode(r, 2, 0, true);
    r.w->DeviceInfo().Valid = true;
    r.DoubleClick(0);
    r.DoubleClick(1);
    const QRect before = r.w->geometry();
    r.w->mniTileClick();
    const auto subs = r.w->Windows().subWindowList();
    QCOMPARE(subs.size(), 2);
    const int width = r.w->Windows().viewport()->width();
    QCOMPARE(subs[0]->geometry().width(), width);
    QCOMPARE(subs[1]->geometry().width(), width);
    QCOMPARE(subs[1]->geometry().top(), subs[0]->geometry().bottom() + 1);
    r.w->mniCascadeClick();
    QVERIFY(subs[1]->geometry().topLeft() != subs[0]->geometry().topLeft());
    QCOMPARE(r.w->geometry(), before);
}

void TestMainWindow::screenshots()
{
    SimProcess sim({QStringLiteral("--state"), SmallMeter});
    Rig r;
    r.w->mniReadAllClick();
    r.DoubleClick(0);
    QTest::qWait(50);
    r.w->grab().save(QStringLiteral("/tmp/vornell-main.png"));
    r.View(0)->parentWidget()->grab().save(QStringLiteral("/tmp/vornell-batch.png"));
    r.prompts.Answers = {TMsgResult::No};
    QVERIFY(r.w->close());

    // Older firmware: no Bresle column.
    sim.Stop();
    SimProcess older({QStringLiteral("--state"), SmallMeter, QStringLiteral("--firmware"), QStringLiteral("V2.06S01")});
    Rig o;
    o.w->mniReadAllClick();
    o.DoubleClick(0);
    QVERIFY(o.View(0));
    QVERIFY(!o.w->DeviceInfo().IsNewerFirmware());
    QCOMPARE(o.View(0)->stgReadings->columnCount(), 8);
    QTest::qWait(50);
    o.View(0)->parentWidget()->grab().save(QStringLiteral("/tmp/vornell-batch-older.png"));

    TfrmNewBatch dialog(o.prompts, o.w.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.grab().save(QStringLiteral("/tmp/vornell-newbatch.png"));
    o.prompts.Answers = {TMsgResult::No};
}

void TestMainWindow::startupAndMemoryFigures()
{
    // Figures for the report, not limits: a fresh main window to shown, and resident memory with 20
    // batch windows open.
    QElapsedTimer clock;
    clock.start();
    Rig r;
    QVERIFY(QTest::qWaitForWindowExposed(r.w.get()));
    const qint64 startMs = clock.elapsed();
    for (int i = 0; i < 20; ++i) {
        TBatch *b = r.w->Batches().AddBatch(i + 1, QStringLiteral("B%1").arg(i), EncodeDate(2026, 1, 1), 100, 100);
        for (int k = 1; k <= 100; ++k)
            b->AddReading(k, 100 + k, EncodeDate(2026, 1, 1) + k / 1440.0, 20.5f, false, false);
        b->FReadingsLoaded = true;
        b->SetSaved(true);
        r.w->Tree().AddBatchNode(*b, b->FName);
    }
    r.w->DeviceInfo().Valid = true;
    for (int i = 0; i < 20; ++i)
        r.DoubleClick(i);
    QCOMPARE(r.w->Windows().subWindowList().size(), 20);
    QTest::qWait(50);
    QFile status(QStringLiteral("/proc/self/status"));
    QVERIFY(status.open(QIODevice::ReadOnly));
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS"))
            qInfo().noquote() << "main window shown after" << startMs << "ms;" << line.simplified();
}

int main(int argc, char **argv)
{
    TVornellApplication app(argc, argv);
    TestMainWindow t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_mainwindow.moc"
