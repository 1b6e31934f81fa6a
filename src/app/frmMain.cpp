#include "app/frmMain.h"

#include "app/AppException.h"
#include "app/Artwork.h"
#include "app/BatchTree.h"
#include "app/BatchWindows.h"
#include "app/BusyCursor.h"
#include "app/MenuItemHint.h"
#include "app/ReportCommands.h"
#include "app/WindowPlacement.h"
#include "app/frmAbout.h"
#include "app/frmAcceptanceLimit.h"
#include "app/frmViewBatch.h"
#include "device/Communication.h"
#include "dialogs/ConnectWarnings.h"
#include "dialogs/frmConfiguration.h"
#include "dialogs/frmDateTime.h"
#include "dialogs/frmNewBatch.h"
#include "dialogs/frmPassword.h"
#include "dialogs/frmTalvoProperties.h"
#include "files/BatchFileDialog.h"
#include "files/FileSource.h"
#include "files/SaveCommands.h"
#include "model/BatchSource.h"
#include "model/Batches.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "model/Prompts.h"
#include "model/Settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>

namespace {

const QString DeviceRootCaption = QStringLiteral("Talvo");
const QString CouldNotConnect = QStringLiteral("Could not connect to Talvo.");
QLabel *Panel(QWidget *parent, int width, bool sunken)
{
    auto *l = new QLabel(parent);
    l->setFixedWidth(width);
    if (sunken)
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return l;
}

} // namespace

TfrmMain::TfrmMain(Prompts &prompts, const QString &settingsFile, const QString &defaultFolder, QWidget *parent)
    : QMainWindow(parent)
    , FPrompts(prompts)
    , FSettingsFile(settingsFile)
    , FMeter(std::make_unique<TMeterSource>())
{
    setWindowTitle(QStringLiteral("Vornell"));
    // The designed font: 8 point Tahoma at 96 dpi is 11 pixels high.
    QFont designed = font();
    designed.setPixelSize(11);
    setFont(designed);
    setMinimumSize(300, 300);
    resize(966, 845);

    tvwBatches = new TBatchTree(FMeter->Batches(), DeviceRootCaption, this);
    FMdiArea = new TBatchWindows(this);
    auto *splitter = new QSplitter(this);
    splitter->addWidget(tvwBatches);
    splitter->addWidget(FMdiArea);
    splitter->setHandleWidth(7);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({121, 966 - 121 - 7});
    splitter->setChildrenCollapsible(false);
    setCentralWidget(splitter);
    connect(tvwBatches, &QTreeWidget::itemClicked, this, &TfrmMain::tvwBatchesClick);
    connect(tvwBatches, &QTreeWidget::itemDoubleClicked, this, &TfrmMain::tvwBatchesDblClick);
    connect(tvwBatches, &QWidget::customContextMenuRequested, this, &TfrmMain::tvwBatchesContextPopup);

    FLastSavePath = defaultFolder;
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    FormDestroy();
}

void TfrmMain::FormCreate()
{
    if (auto *app = TVornellApplication::Instance())
        app->SetExceptionPrompts(&FPrompts);
    FMenuHint = new TMenuItemHint(this);
    const TAppSettings settings = LoadSettings(FSettingsFile, FLastSavePath);
    FLastSavePath = settings.LastSavePath;
    FLastImportPath = settings.LastImportPath;
    FLastPort = settings.LastPort;
    FAcceptanceLimit = LoadAcceptanceLimit(FSettingsFile);
    FCommunication = std::make_unique<TdmCommunication>(FPrompts);
    FSaveCommands = std::make_unique<TSaveCommands>(*FCommunication, *FMeter, FLastSavePath, *this, FPrompts);
    // The windows of the meter's batches follow the meter's record; imported batches never change.
    connect(FMeter.get(), &TBatchSource::OnFiguresChanged, this, [this] { FMdiArea->ShowFigures(FMeter->Batches()); });
    BuildMenus();
    WireCommunication();
    FCommunication->SetPreferredPort(FLastPort);
    BuildStatusBar();

    PlaceOnScreen();
}

void TfrmMain::PlaceOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Before the window is shown its frame is not known: it is reckoned as a title bar and borders
    // of the style's, and looked at again once the window manager has framed it (moveEvent).
    const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    const QSize frame =
        frameGeometry() == geometry() ? size() + QSize(2 * border, title + 2 * border) : frameGeometry().size();
    if (const std::optional<QRect> at = FitOnScreen(frame, *screen)) {
        move(at->topLeft());
        return;
    }
    // Restored from maximised, it still lies on the screen.
    setGeometry(WorkArea(*screen).adjusted(border, title + border, -border, -border));
    setWindowState(windowState() | Qt::WindowMaximized);
}

void TfrmMain::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    // Once, when the window manager's frame is first known: a frame that leaves the screen's work
    // area would hide the menu bar or the status bar, and the window opens maximised instead.
    if (!FFramePending || isMaximized() || frameGeometry() == geometry())
        return;
    FFramePending = false;
    if (const QScreen *s = screen(); s && !WorkArea(*s).contains(frameGeometry()))
        showMaximized();
}

void TfrmMain::FormDestroy()
{
    // Batch windows refer to batches of the list: they go first.
    FMdiArea->DeleteAll();
    FFile.reset();
    FSaveCommands.reset();
    FCommunication.reset();
    if (auto *app = TVornellApplication::Instance())
        app->SetExceptionPrompts(nullptr);
}

QAction *TfrmMain::AddMenuItem(QMenu *menu, const QString &caption, const QString &hint, void (TfrmMain::*command)())
{
    QAction *a = menu->addAction(caption);
    TMenuItemHint::SetHint(a, hint);
    connect(a, &QAction::triggered, this, command);
    return a;
}

void TfrmMain::BuildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addSeparator();
    AddMenuItem(file, QStringLiteral("&Exit"), QStringLiteral("Exit Vornell"), &TfrmMain::mniExitClick);

    QMenu *connection = menuBar()->addMenu(QStringLiteral("&Connection"));
    AddMenuItem(connection, QStringLiteral("&Connect"), QStringLiteral("Connect Vornell to the Talvo."),
                &TfrmMain::mniConnectClick);
    AddMenuItem(connection, QStringLiteral("&Disconnect"), QStringLiteral("Disconnect Vornell from the Talvo."),
                &TfrmMain::mniDisconnectClick);

    QMenu *batches = menuBar()->addMenu(QStringLiteral("&Batches"));
    AddMenuItem(batches, QStringLiteral("&Read All"), QStringLiteral("Read all batches from Talvo."),
                &TfrmMain::mniReadAllClick);
    mniSaveAll = AddMenuItem(batches, QStringLiteral("&Save All"),
                             QStringLiteral("Save all batches from Talvo to file."), &TfrmMain::mniSaveAllClick);
    mniSaveAll->setObjectName(QStringLiteral("mniSaveAll"));
    batches->addSeparator();
    AddMenuItem(batches, QStringLiteral("&New Batch"), QStringLiteral("Create a new batch."),
                &TfrmMain::mniNewBatchClick);
    batches->addSeparator();
    AddMenuItem(batches, QStringLiteral("&Import Batch"), QStringLiteral("Import batches from a previous saved file."),
                &TfrmMain::mniImportBatchClick);
    batches->addSeparator();
    AddMenuItem(batches, QStringLiteral("&Close All"), QStringLiteral("Closes all the batches."),
                &TfrmMain::mniCloseAllClick);
    batches->addSeparator();
    AddMenuItem(batches, QStringLiteral("&Print..."), QStringLiteral("Print the report of the batch in front."),
                &TfrmMain::mniPrintClick);
    AddMenuItem(batches, QStringLiteral("&Export PDF..."),
                QStringLiteral("Save the report of the batch in front as a PDF file."), &TfrmMain::mniExportPdfClick);
    AddMenuItem(batches, QStringLiteral("Acceptance &Limit..."),
                QStringLiteral("Mark and count the readings above a limit."), &TfrmMain::mniAcceptanceLimitClick);

    QMenu *configuration = menuBar()->addMenu(QStringLiteral("C&onfiguration"));
    AddMenuItem(configuration, QStringLiteral("&Measurement Settings"), {}, &TfrmMain::mniMeasurementSettingsClick);
    AddMenuItem(configuration, QStringLiteral("&Talvo Properties"), {}, &TfrmMain::mniTalvoPropertiesClick)
        ->setObjectName(QStringLiteral("mniTalvoProperties"));
    QAction *changePassword =
        AddMenuItem(configuration, QStringLiteral("&Change Password"), {}, &TfrmMain::ChangePassword1Click);
    changePassword->setObjectName(QStringLiteral("ChangePassword1"));
    changePassword->setVisible(false); // the command exists but is not offered
    AddMenuItem(configuration, QStringLiteral("Set Talvo &Date && Time"), {}, &TfrmMain::mniSetTalvoTimeDateClick)
        ->setObjectName(QStringLiteral("mniSetTalvoTimeDate"));

    QMenu *window = menuBar()->addMenu(QStringLiteral("&Window"));
    AddMenuItem(window, QStringLiteral("&Cascade"), {}, &TfrmMain::mniCascadeClick);
    AddMenuItem(window, QStringLiteral("&Tile"), {}, &TfrmMain::mniTileClick);
    AddMenuItem(window, QStringLiteral("&Arange All"), {}, &TfrmMain::mniArrangeAllClick);
    // Every open batch window can be reached, also one hidden behind the others.
    connect(window, &QMenu::aboutToShow, FMdiArea, [this, window] { FMdiArea->ListIn(window); });

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    AddMenuItem(help, QStringLiteral("&About"), {}, &TfrmMain::mniAboutClick);

    for (QMenu *menu : {file, connection, batches, configuration, window, help}) {
        connect(menu, &QMenu::hovered, FMenuHint, &TMenuItemHint::ShowForItem);
        connect(menu, &QMenu::aboutToHide, FMenuHint, [this] { FMenuHint->ShowForItem(nullptr); });
    }

    pumTreeView = new QMenu(this);
    pumTreeView->setObjectName(QStringLiteral("pumTreeView"));
    const std::pair<QString, void (TfrmMain::*)()> popup[] = {
        {QStringLiteral("&New Batch"), &TfrmMain::mniNewBatchClick},
        {QStringLiteral("&Read Batches"), &TfrmMain::mniReadAllClick},
        {QStringLiteral("&Import Batches"), &TfrmMain::mniImportBatchClick},
        {QStringLiteral("Close Batches"), &TfrmMain::mniCloseAllClick},
        {QStringLiteral("&Save Batch"), &TfrmMain::pumSaveBatchClick},
        {QStringLiteral("&Delete Batch"), &TfrmMain::pumDeleteBatchClick},
        {QStringLiteral("&Print..."), &TfrmMain::pumPrintBatchClick},
        {QStringLiteral("&Export PDF..."), &TfrmMain::pumExportPdfClick},
    };
    for (const auto &[caption, command] : popup)
        connect(pumTreeView->addAction(caption), &QAction::triggered, this, command);
}

void TfrmMain::BuildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(22);
    FStatusPanel = Panel(bar, qMax(0, frameGeometry().width() - 233), true);
    FStatusPanel->setText(QStringLiteral(" "));
    auto *iconPanel = Panel(bar, 20, false);
    FConnectionIcon = new QLabel(iconPanel);
    FConnectionIcon->setGeometry(2, 2, 16, 16);
    FBusyAnimation = new TBusyAnimation(iconPanel);
    FBusyAnimation->move(2, 2);
    FBusyAnimation->hide();
    FPercentPanel = Panel(bar, 40, true);
    FPercentPanel->setAlignment(Qt::AlignCenter);
    auto *progressPanel = Panel(bar, 150, true);
    FProgressBar = new QProgressBar(progressPanel);
    FProgressBar->setGeometry(3, 2, 144, 16);
    FProgressBar->setTextVisible(false);
    FProgressBar->hide();
    // Named for the window's tests, which read the panels as the user sees them.
    FStatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    FConnectionIcon->setObjectName(QStringLiteral("ConnectionIcon"));
    FBusyAnimation->setObjectName(QStringLiteral("BusyAnimation"));
    FPercentPanel->setObjectName(QStringLiteral("PercentPanel"));
    FProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    bar->addWidget(FStatusPanel);
    bar->addWidget(iconPanel);
    bar->addWidget(FPercentPanel);
    bar->addWidget(progressPanel);
    bar->addWidget(Panel(bar, 10, false));
    SetConnectionIcon(false);
    FPercentPanel->clear();
}

void TfrmMain::WireCommunication()
{
    TdmCommunication *c = FCommunication.get();
    connect(c, &TdmCommunication::OnStatus, this, &TfrmMain::ShowStatus);
    connect(c, &TdmCommunication::OnStatusClear, this, &TfrmMain::ClearStatus);
    connect(c, &TdmCommunication::OnProgressStart, this, &TfrmMain::ShowProgress);
    connect(c, &TdmCommunication::OnProgress, this, &TfrmMain::OnProgress);
    connect(c, &TdmCommunication::OnProgressEnd, this, &TfrmMain::HideProgress);
    connect(c, &TdmCommunication::OnConnecting, this, [this] {
        FConnectionIcon->hide();
        FBusyAnimation->show();
        FBusyAnimation->Start();
    });
    connect(c, &TdmCommunication::OnConnected, this, [this] { SetConnectionIcon(true); });
    connect(c, &TdmCommunication::OnDisconnected, this, [this] { SetConnectionIcon(false); });
}

void TfrmMain::SetConnectionIcon(bool connected)
{
    FBusyAnimation->Stop();
    FBusyAnimation->hide();
    FConnectionIcon->setPixmap(ConnectionIcon(connected));
    FConnectionIcon->setProperty("connected", connected);
    FConnectionIcon->show();
    statusBar()->update();
}

void TfrmMain::ShowStatus(const QString &text)
{
    FStatusPanel->setText(QLatin1Char(' ') + text);
}

void TfrmMain::ClearStatus()
{
    FStatusPanel->setText(QStringLiteral(" "));
}

void TfrmMain::ShowProgress(int maximum)
{
    FProgressBar->setRange(0, maximum);
    FProgressBar->setValue(0);
    FPercentPanel->setText(QStringLiteral("0%"));
    FProgressBar->show();
}

void TfrmMain::OnProgress(int step)
{
    const int max = FProgressBar->maximum();
    FProgressBar->setValue(qMin(FProgressBar->value() + step, max));
    const double percent = max > 0 ? 100.0 * FProgressBar->value() / max : 0;
    FPercentPanel->setText(QString::asprintf("%.0f%%", percent));
    statusBar()->update();
}

void TfrmMain::HideProgress()
{
    FProgressBar->setValue(0);
    FPercentPanel->clear();
    FProgressBar->hide();
}

void TfrmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TfrmMain::FormResize()
{
    if (!FStatusPanel)
        return;
    ClearStatus();
    FStatusPanel->setFixedWidth(qMax(0, frameGeometry().width() - 233));
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    FLastPort = FCommunication->PreferredPort();
    try {
        SaveSettings(FSettingsFile, {FLastSavePath, FLastImportPath, FLastPort});
    } catch (const std::exception &e) {
        HandleAppException(FPrompts, e); // reported; the window may still close
    }
    if (ConfirmUnsavedBatches())
        event->accept();
    else
        event->ignore();
}

void TfrmMain::CloseAllBatchWindows()
{
    if (!FMdiArea->CloseBatchWindows(tvwBatches->Batches()))
        FPrompts.Message(TMsgKind::Plain, QStringLiteral("User cancelled operation"), TMsgButtons::Ok);
}

TBatches &TfrmMain::Batches() const
{
    return FFile ? FFile->Batches() : FMeter->Batches();
}

TDeviceInfo &TfrmMain::DeviceInfo() const
{
    return *FMeter->DeviceInfo();
}

void TfrmMain::DeleteAllBatches()
{
    TBatches &list = Batches();
    for (qint32 i = list.Count() - 1; i >= 0; --i)
        list.Delete(list.GetBatch(i));
}

void TfrmMain::ReplaceDeviceInfo()
{
    FMeter->SetDeviceInfo(std::make_shared<TDeviceInfo>());
}

QString TfrmMain::ConventionsNoteOf(const TBatch &batch) const
{
    return FFile && FFile->Batches().Contains(&batch) ? FFile->ConventionsNote() : QString();
}

void TfrmMain::ClearBatches()
{
    if (Batches().Count() > 0) {
        FCurrentNode = tvwBatches->Root();
        CloseAllBatchWindows();
        tvwBatches->RemoveAllBatchNodes();
        if (FMeter->DeviceInfo()->Valid)
            ReplaceDeviceInfo();
    }
    // An imported file whose batches are all closed is done with; the tree shows the meter again.
    if (FFile && FFile->Batches().Count() == 0) {
        tvwBatches->SetBatches(FMeter->Batches());
        FFile.reset();
    }
}

void TfrmMain::ShowPopupItems(int kind)
{
    const QList<QAction *> items = pumTreeView->actions();
    for (QAction *a : items)
        a->setVisible(false);
    const int from = kind == 0 ? 0 : kind == 1 ? 1 : 4;
    const int to = kind == 2 ? 7 : 3;
    for (int i = from; i <= to; ++i)
        items[i]->setVisible(true);
}

// Tree events.

void TfrmMain::tvwBatchesClick()
{
    // The release that ends a double-click comes as a click while the batch's readings load: the
    // status message is the running command's.
    if (!TBusyCursor::IsBusy())
        ClearStatus();
    FCurrentNode = tvwBatches->currentItem();
}

void TfrmMain::tvwBatchesContextPopup(const QPoint &pos)
{
    ClearStatus();
    QTreeWidgetItem *node = tvwBatches->itemAt(pos);
    FCurrentNode = node;
    if (!node) {
        tvwBatches->clearSelection();
        tvwBatches->setCurrentItem(nullptr);
        return;
    }
    tvwBatches->setCurrentItem(node);
    const bool deviceMode = tvwBatches->Root()->text(0) == DeviceRootCaption;
    int kind;
    if (node == tvwBatches->Root())
        kind = deviceMode ? 0 : 1;
    else if (deviceMode)
        kind = 2;
    else
        return; // batches of an imported file have no pop-up
    ShowPopupItems(kind);
    pumTreeView->popup(tvwBatches->viewport()->mapToGlobal(pos));
}

void TfrmMain::tvwBatchesDblClick()
{
    ClearStatus();
    QTreeWidgetItem *node = tvwBatches->currentItem();
    FCurrentNode = node;
    if (!node || node == tvwBatches->Root())
        return;
    TBatch *batch = tvwBatches->BatchOf(node);
    if (!batch) {
        FPrompts.Message(TMsgKind::Warning, QStringLiteral("This Batch does not longer exists. Node will be removed."),
                         TMsgButtons::Ok);
        tvwBatches->RemoveNode(node);
        return;
    }
    if (FMdiArea->Activate(batch))
        return;
    TBusyCursor busy;
    if (!busy.Acquired())
        return;
    try {
        ReadForView(*batch);
        auto *view = new TfrmViewBatch(nullptr, batch, FPrompts);
        view->setObjectName(QStringLiteral("BatchForm%1").arg(batch->FID));
        view->OnSave = [this](TBatch &b) {
            TBusyCursor saving;
            if (saving.Acquired())
                FSaveCommands->SaveBatch(b);
        };
        view->OnPrint = [this](TBatch &b) { ReportShownBatch(TReportOutput::Print, b); };
        view->OnExportPdf = [this](TBatch &b) { ReportShownBatch(TReportOutput::Pdf, b); };
        view->SetAcceptanceLimit(FAcceptanceLimit);
        FMdiArea->Open(view, node->text(0).trimmed());
    } catch (const std::exception &e) {
        FPrompts.Message(TMsgKind::Warning,
                         QStringLiteral("The window to show the batch data could not be created.\r\nMessage: ") +
                             MessageOf(e),
                         TMsgButtons::Ok);
        batch->ClearReadings();
        batch->FReadingsLoaded = false;
    }
}

// Commands.

bool TfrmMain::ConnectWithMessages()
{
    try {
        if (FCommunication->Connect(true))
            return true;
        WarnNotConnected(FPrompts);
    } catch (const std::exception &e) {
        WarnConnectProblem(FPrompts, e);
    }
    return false;
}

void TfrmMain::mniConnectClick()
{
    ClearStatus();
    TBusyCursor busy;
    if (busy.Acquired())
        ConnectWithMessages();
}

void TfrmMain::mniDisconnectClick()
{
    ClearStatus();
    mniCloseAllClick();
    ReplaceDeviceInfo();
    FCommunication->Disconnect();
}

void TfrmMain::mniReadAllClick()
{
    ClearStatus();
    TBusyCursor busy;
    if (!busy.Acquired())
        return;
    FCurrentNode = tvwBatches->Root();
    if (!FCommunication->Connected())
        ConnectWithMessages();
    if (!FCommunication->Connected())
        return;
    ClearBatches();
    tvwBatches->Root()->setText(0, DeviceRootCaption);
    mniSaveAll->setEnabled(true);
    try {
        FCommunication->ReadBatches(FMeter->Batches());
    } catch (const std::exception &e) {
        DeleteAllBatches();
        FPrompts.Message(TMsgKind::Warning,
                         QStringLiteral("A problem occurred while reading the batches!\r\nThe message was:\r\n\r\n") +
                             MessageOf(e),
                         TMsgButtons::Ok);
        return;
    }
    for (qint32 i = 0; i < FMeter->Batches().Count(); ++i) {
        TBatch &batch = *FMeter->Batches().GetBatch(i);
        FMeter->Adopt(batch);
        tvwBatches->AddBatchNode(batch, batch.FName);
    }
    tvwBatches->Root()->setExpanded(true);
}

void TfrmMain::mniSaveAllClick()
{
    ClearStatus();
    TBusyCursor busy;
    if (!busy.Acquired())
        return;
    SaveAll();
}

void TfrmMain::SaveAll()
{
    const TMsgResult answer = FPrompts.Message(
        TMsgKind::Information, QStringLiteral("Do you want to save all batches in one file?\r\nSave option: "),
        TMsgButtons::YesNoCancel);
    try {
        if (answer == TMsgResult::Yes)
            FSaveCommands->SaveAllBatchesToOneFile(tvwBatches->Batches());
        else if (answer == TMsgResult::No)
            FSaveCommands->SaveAllBatchesSeparately(tvwBatches->Batches());
    } catch (const std::exception &e) {
        HandleAppException(FPrompts, e);
    }
}

bool TfrmMain::ConfirmUnsavedBatches()
{
    bool unsaved = false;
    for (TBatch *b : tvwBatches->Batches())
        unsaved = unsaved || !b->FSaved;
    if (!unsaved)
        return true;
    const TMsgResult answer = FPrompts.Message(
        TMsgKind::Warning,
        QStringLiteral("Not all Batches where saved to file.\r\nDo you want to save the Batches before closing?\r\n\r\n"
                       "\tPress Yes to save the Batches.\r\n\tPress No to close without saving.\r\n"
                       "\tPress Abort to abort current action."),
        TMsgButtons::YesNoAbort);
    if (answer == TMsgResult::Abort)
        return false;
    if (answer == TMsgResult::Yes)
        SaveAll();
    return true;
}

void TfrmMain::mniNewBatchClick()
{
    FCurrentNode = tvwBatches->Root();
    ClearStatus();
    TBusyCursor busy;
    if (!busy.Acquired())
        return;
    TfrmNewBatch dialog(FPrompts, this);
    QString name;
    qint32 maxReadings = 0;
    if (!dialog.Execute(name, maxReadings))
        return;
    const TDateTime created = Now();
    qint32 id = 0;
    try {
        FCommunication->NewBatch(name, maxReadings, created, id);
    } catch (const std::exception &e) {
        FPrompts.Message(TMsgKind::Warning,
                         QStringLiteral("A problem occured while creating batch!\r\nThe message was:\r\n\r\n") +
                             MessageOf(e),
                         TMsgButtons::Ok);
        return;
    }
    TBatch *batch = FMeter->Batches().AddBatch(id, name, created, maxReadings, 0);
    FMeter->Adopt(*batch);
    tvwBatches->AddBatchNode(*batch, name);
    tvwBatches->Root()->setExpanded(true);
}

void TfrmMain::pumDeleteBatchClick()
{
    ClearStatus();
    TBusyCursor busy;
    if (!busy.Acquired())
        return;
    QTreeWidgetItem *node = tvwBatches->currentItem();
    FCurrentNode = node;
    if (!node || node == tvwBatches->Root())
        return;
    TBatch *batch = tvwBatches->BatchOf(node);
    if (!batch) {
        tvwBatches->RemoveNode(node);
        return;
    }
    try {
        if (!batch->FSaved) {
            const TMsgResult answer = FPrompts.Message(
                TMsgKind::Warning,
                QStringLiteral("The Batch was not saved to file.\r\nDo you want to save and delete the Batch?\r\n\r\n"
                               "\tPress Yes to save and delete the Batch.\r\n\tPress No to delete the Batch without "
                               "saving.\r\n\tPress Abort to abort the deleting of the Batch."),
                TMsgButtons::YesNoAbort);
            if (answer == TMsgResult::Abort)
                return;
            if (answer == TMsgResult::Yes)
                FSaveCommands->SaveBatch(*batch);
        }
        FMdiArea->CloseBatchWindow(batch);
        FCommunication->DeleteBatch(batch->FID);
        tvwBatches->RemoveBatchNode(node);
    } catch (const std::exception &e) {
        FPrompts.Message(TMsgKind::Warning,
                         QStringLiteral("The batch could not be deleted.\r\nMessage: ") + MessageOf(e),
                         TMsgButtons::Ok);
    }
}

void TfrmMain::ReadForView(TBatch &batch)
{
    // An imported batch holds all it shows; a meter batch shows the meter's record.
    if (batch.FImported)
        return;
    FMeter->Adopt(batch);
    // Without a meter the batch shows what it holds.
    try {
        if (!batch.FReadingsLoaded)
            FCommunication->ReadBatchReadings(batch);
        if (!FMeter->DeviceInfo()->Valid)
            FMeter->SetDeviceInfo(FCommunication->ReadDeviceInfo());
    } catch (const std::exception &e) {
        if (MessageOf(e) != CouldNotConnect)
            throw;
    }
}

void TfrmMain::mniPrintClick()
{
    ReportActiveBatch(TReportOutput::Print);
}

void TfrmMain::mniExportPdfClick()
{
    ReportActiveBatch(TReportOutput::Pdf);
}

void TfrmMain::pumPrintBatchClick()
{
    ClearStatus();
    ReportSelectedBatch(TReportOutput::Print);
}

void TfrmMain::pumExportPdfClick()
{
    ClearStatus();
    ReportSelectedBatch(TReportOutput::Pdf);
}

void TfrmMain::ReportActiveBatch(TReportOutput output)
{
    ClearStatus();
    // The batch in front, with the figures its window shows; else the one selected in the tree.
    if (const TfrmViewBatch *view = FMdiArea->ActiveView())
        ReportShownBatch(output, *view->FBatch);
    else
        ReportSelectedBatch(output);
}

void TfrmMain::ReportSelectedBatch(TReportOutput output)
{
    TBatch *batch = tvwBatches->BatchOf(tvwBatches->currentItem());
    if (!batch) {
        FPrompts.Message(TMsgKind::Information, QStringLiteral("Select a batch in the tree first."), TMsgButtons::Ok);
        return;
    }
    {
        TBusyCursor busy;
        if (!busy.Acquired())
            return;
        try {
            ReadForView(*batch);
        } catch (const std::exception &e) {
            WarnReportFailed(FPrompts, *batch, e);
            return;
        }
    }
    ReportShownBatch(output, *batch);
}

void TfrmMain::ReportShownBatch(TReportOutput output, TBatch &batch)
{
    // The preview and the file dialog wait for the user, not for the meter: no busy cursor over them.
    if (!TBusyCursor::IsBusy())
        ReportBatch(output, batch, FAcceptanceLimit, this, FPrompts, FLastSavePath, ConventionsNoteOf(batch));
}

void TfrmMain::mniAcceptanceLimitClick()
{
    ClearStatus();
    // Not while another command waits; the busy cursor is not shown over the dialog itself.
    if (TBusyCursor::IsBusy())
        return;
    TfrmAcceptanceLimit dialog(FAcceptanceLimit, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    TBusyCursor busy;
    FAcceptanceLimit = dialog.Limit();
    try {
        SaveAcceptanceLimit(FSettingsFile, FAcceptanceLimit);
    } catch (const std::exception &e) {
        FPrompts.Message(TMsgKind::Warning,
                         QStringLiteral("The acceptance limit could not be kept for the next start.\r\nMessage: ") +
                             MessageOf(e),
                         TMsgButtons::Ok);
    }
    FMdiArea->SetAcceptanceLimit(FAcceptanceLimit);
}

void TfrmMain::pumSaveBatchClick()
{
    ClearStatus();
    TBusyCursor busy;
    if (!busy.Acquired())
        return;
    TBatch *batch = tvwBatches->BatchOf(tvwBatches->currentItem());
    if (!batch)
        return;
    try {
        FSaveCommands->SaveBatch(*batch);
    } catch (const std::exception &e) {
        FPrompts.Message(TMsgKind::Warning, QStringLiteral("The batch could not be saved.\r\nMessage: ") + MessageOf(e),
                         TMsgButtons::Ok);
    }
}

void TfrmMain::mniCloseAllClick()
{
    if (mniSaveAll->isEnabled() && !ConfirmUnsavedBatches())
        return;
    ClearBatches();
    tvwBatches->Root()->setText(0, DeviceRootCaption);
    mniSaveAll->setEnabled(true);
}

void TfrmMain::mniImportBatchClick()
{
    TBusyCursor busy;
    if (!busy.Acquired())
        return;
    mniDisconnectClick();
    QTreeWidgetItem *root = tvwBatches->Root();
    ClearBatches();
    try {
        TFileDialog dialog = BatchFileDialog(QStringLiteral("Import Batch from file"), FLastImportPath);
        dialog.FileMustExist = true;
        const std::optional<QString> file = FPrompts.OpenFile(dialog);
        if (file) {
            FLastImportPath = QFileInfo(*file).absolutePath();
            FFile = std::make_unique<TFileSource>(*file);
            tvwBatches->SetBatches(FFile->Batches());
            FFile->Import(*this, FPrompts, [this](TBatch &batch) { tvwBatches->AddBatchNode(batch, batch.FName); });
        }
        root->setExpanded(true);
        mniSaveAll->setEnabled(false);
        // A cancelled dialog leaves an empty tree that belongs to no file.
        root->setText(0, file ? QFileInfo(*file).fileName() : DeviceRootCaption);
        if (FFile) {
            // How the file was read, when not as the user's own settings would; then the sections
            // that were not complete.
            if (const QString note = FFile->ConventionsNote(); !note.isEmpty())
                FPrompts.Message(TMsgKind::Information, note, TMsgButtons::Ok);
            if (const QString warning = FFile->IncompleteWarning(); !warning.isEmpty())
                FPrompts.Message(TMsgKind::Warning, warning, TMsgButtons::Ok);
        }
    } catch (const std::exception &e) {
        if (Batches().Count() > 0)
            mniCloseAllClick();
        ClearBatches();
        root->setText(0, DeviceRootCaption);
        FPrompts.Message(TMsgKind::Warning,
                         QStringLiteral("A problem occurred while importing the batches!\r\nThe message was:\r\n\r\n") +
                             MessageOf(e),
                         TMsgButtons::Ok);
    }
}

void TfrmMain::mniCascadeClick()
{
    ClearStatus();
    FMdiArea->Cascade();
}

void TfrmMain::mniTileClick()
{
    ClearStatus();
    FMdiArea->Tile();
}

void TfrmMain::mniArrangeAllClick()
{
    FMdiArea->ArrangeMinimised();
}

void TfrmMain::mniAboutClick()
{
    ClearStatus();
    TfrmAbout about(this);
    about.exec();
}

void TfrmMain::mniExitClick()
{
    ClearStatus();
    close();
}

// The meter's dialogs; each connects on its own as it needs.

void TfrmMain::mniMeasurementSettingsClick()
{
    // The meter's batches show the values derived with the settings the meter holds now; imported
    // batches keep their file's.
    std::shared_ptr<TDeviceInfo> record = FMeter->DeviceInfo();
    ShowMeasurementSettings(*FCommunication, record, FPrompts, this,
                            [this, &record] { FMeter->SetDeviceInfo(record); });
}

void TfrmMain::mniTalvoPropertiesClick()
{
    std::shared_ptr<TDeviceInfo> record = FMeter->DeviceInfo();
    ShowTalvoProperties(*FCommunication, record, FLastSavePath, *this, FPrompts, this);
    if (record != FMeter->DeviceInfo())
        FMeter->SetDeviceInfo(record);
}

void TfrmMain::mniSetTalvoTimeDateClick()
{
    ShowDeviceDateTime(*FCommunication, FPrompts, this);
}

void TfrmMain::ChangePassword1Click()
{
    ShowChangePassword(*FCommunication, FPrompts, this);
}
