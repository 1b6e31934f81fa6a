#pragma once
// The main window: the menus and their commands over the batch tree and the batch windows, and the
// status bar that shows what the meter link is doing.

#include "files/StatusLine.h"
#include "model/BatchStatistics.h"

#include <QMainWindow>
#include <memory>

class Prompts;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QTreeWidgetItem;
class TBatch;
class TBatchTree;
class TBatchWindows;
class TBatches;
class TBusyAnimation;
class TDeviceInfo;
class TFileSource;
class TMenuItemHint;
class TMeterSource;
class TSaveCommands;
class TdmCommunication;
enum class TReportOutput;

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
    // The inspection report of the batch in front, else of the batch selected in the tree.
    void mniPrintClick();
    void mniExportPdfClick();
    // The inspection report of the batch selected in the tree.
    void pumPrintBatchClick();
    void pumExportPdfClick();
    void mniAcceptanceLimitClick();
    void tvwBatchesClick();
    void tvwBatchesDblClick();
    void tvwBatchesContextPopup(const QPoint &pos);
    // Whether the window (or Close All) may go on: false only when the user chose Abort.
    bool ConfirmUnsavedBatches();
    void ShowPopupItems(int kind);
    // The Save All command without its busy-cursor guard, for the questions that run it.
    void SaveAll();

    // What the run holds, for the window's users and its tests.
    TBatchTree &Tree() const { return *tvwBatches; }
    TBatchWindows &Windows() const { return *FMdiArea; }
    // The batches the tree shows: the meter's, or those of the imported file.
    TBatches &Batches() const;
    // The meter's device record.
    TDeviceInfo &DeviceInfo() const;
    TMeterSource &Meter() const { return *FMeter; }
    // The imported file the tree shows; nullptr in device mode.
    TFileSource *File() const { return FFile.get(); }
    TdmCommunication &Communication() const { return *FCommunication; }
    QTreeWidgetItem *CurrentNode() const { return FCurrentNode; }
    const QString &LastSavePath() const { return FLastSavePath; }
    const QString &LastImportPath() const { return FLastImportPath; }
    qint32 LastPort() const { return FLastPort; }
    TAcceptanceLimit AcceptanceLimit() const { return FAcceptanceLimit; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void FormCreate();
    void FormResize();
    void PlaceOnScreen();
    void FormDestroy();
    void BuildMenus();
    void BuildStatusBar();
    void WireCommunication();
    QAction *AddMenuItem(QMenu *menu, const QString &caption, const QString &hint, void (TfrmMain::*command)());
    bool ConnectWithMessages();
    void CloseAllBatchWindows();
    void DeleteAllBatches();
    void ClearBatches();
    void ReplaceDeviceInfo();
    // How the file of an imported batch was read, when that needs saying.
    QString ConventionsNoteOf(const TBatch &batch) const;
    void ReadForView(TBatch &batch);
    void ReportActiveBatch(TReportOutput output);
    void ReportSelectedBatch(TReportOutput output);
    void ReportShownBatch(TReportOutput output, TBatch &batch);
    void SetConnectionIcon(bool connected);
    void OnProgress(int step);

    Prompts &FPrompts;
    QString FSettingsFile;
    // The sources of batches; the window holds no figures of its own.
    std::unique_ptr<TMeterSource> FMeter;
    std::unique_ptr<TFileSource> FFile;
    std::unique_ptr<TdmCommunication> FCommunication;
    std::unique_ptr<TSaveCommands> FSaveCommands;
    TMenuItemHint *FMenuHint = nullptr;
    QTreeWidgetItem *FCurrentNode = nullptr;
    qint32 FLastPort = -1;
    QString FLastSavePath;
    QString FLastImportPath;
    TAcceptanceLimit FAcceptanceLimit;
    bool FFramePending = true;

    TBatchTree *tvwBatches = nullptr;
    TBatchWindows *FMdiArea = nullptr;
    QMenu *pumTreeView = nullptr;
    QAction *mniSaveAll = nullptr;
    QLabel *FStatusPanel = nullptr;
    QLabel *FPercentPanel = nullptr;
    QLabel *FConnectionIcon = nullptr;
    TBusyAnimation *FBusyAnimation = nullptr;
    QProgressBar *FProgressBar = nullptr;
};
