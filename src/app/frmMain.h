#pragma once
// The main window: the batch tree, the menus and their commands, the batch windows inside its
// client area, and the status bar that shows what the meter link is doing.

#include "files/StatusLine.h"

#include <QMainWindow>
#include <memory>

class Prompts;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;
class TBatch;
class TBatches;
class TBusyAnimation;
class TDeviceInfo;
class TMenuItemHint;
class TSaveCommands;
class TdmCommunication;
class TfrmViewBatch;

class TfrmMain : public QMainWindow, public TStatusLine {
    Q_OBJECT
public:
    // settingsFile: where the settings are kept; defaultFolder: the default of both folders.
    TfrmMain(Prompts &prompts, const QString &settingsFile, const QString &defaultFolder, QWidget *parent = nullptr);
    ~TfrmMain() override;

    // The status line the file commands and the meter events use.
    void ShowStatus(const QString &text) override;
    void ClearStatus() override;
    void ShowProgress(int maximum) override;
    void HideProgress() override;

    // Commands.
    void mniConnectClick();
    void mniDisconnectClick();
    void mniReadAllClick();
    void mniSaveAllClick();
    void mniNewBatchClick();
    void mniImportBatchClick();
    void mniCloseAllClick();
    void mniCascadeClick();
    void mniTileClick();
    void mniArrangeAllClick();
    void mniAboutClick();
    void mniExitClick();
    void mniMeasurementSettingsClick();
    void mniTalvoPropertiesClick();
    void mniSetTalvoTimeDateClick();
    // Behind the hidden "Change Password" entry.
    void ChangePassword1Click();
    void pumSaveBatchClick();
    void pumDeleteBatchClick();
    void tvwBatchesClick();
    void tvwBatchesDblClick();
    void tvwBatchesContextPopup(const QPoint &pos);
    // Whether the window (or Close All) may go on: false only when the user chose Abort.
    bool ConfirmUnsavedBatches();
    void ShowPopupItems(int kind);
    // The Save All command without its busy-cursor guard, for the questions that run it.
    void SaveAll();

    // Tree operations.
    QTreeWidgetItem *Root() const;
    TBatch *BatchOf(const QTreeWidgetItem *node) const;
    TfrmViewBatch *FindBatchWindow(const TBatch *batch) const;
    QMdiSubWindow *SubWindowOf(const TBatch *batch) const;
    bool CloseBatchWindow(const TBatch *batch);

    // State of the run, visible to tests and to the dialogs.
    std::unique_ptr<TBatches> FBatchList;
    std::shared_ptr<TDeviceInfo> FDeviceInfo;
    std::unique_ptr<TdmCommunication> FCommunication;
    TMenuItemHint *FMenuHint;
    QTreeWidgetItem *FCurrentNode = nullptr;
    qint32 FLastPort = -1;
    QString FLastSavePath;
    QString FLastImportPath;

    QTreeWidget *tvwBatches;
    QMdiArea *FMdiArea;
    QMenu *pumTreeView;
    QAction *mniSaveAll;
    QList<QAction *> FMenuActions;
    QLabel *FStatusPanel;
    QLabel *FPercentPanel;
    QLabel *FConnectionIcon;
    TBusyAnimation *FBusyAnimation;
    QProgressBar *FProgressBar;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormCreate();
    void FormResize();
    void FormDestroy();
    void BuildMenus();
    void BuildStatusBar();
    void WireCommunication();
    QAction *AddMenuItem(QMenu *menu, const QString &caption, const QString &hint, void (TfrmMain::*command)());
    bool ConnectWithMessages();
    void CloseAllBatchWindows();
    bool RemoveBatchNode(QTreeWidgetItem *node);
    void RemoveAllBatchNodes();
    void DeleteAllBatches();
    void ClearBatches();
    void ReplaceDeviceInfo();
    QList<TBatch *> TreeBatches() const;
    QTreeWidgetItem *AddBatchNode(TBatch &batch, const QString &caption);
    void SetConnectionIcon(bool connected);
    void OnProgress(int step);

    Prompts &FPrompts;
    QString FSettingsFile;
    std::unique_ptr<TSaveCommands> FSaveCommands;
    QString FImportFileName;
};
