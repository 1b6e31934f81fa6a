#pragma once
// The batch window: the batch's header, the optional check code line for imported batches, and the
// readings grid with a line per reading as the batch line gives it.

#include "model/BatchStatistics.h"

#include <QWidget>
#include <functional>
#include <memory>

class Prompts;
class QAbstractButton;
class QAction;
class QGroupBox;
class QHeaderView;
class QKeyEvent;
class QLabel;
class QPushButton;
class QScrollArea;
class QStandardItemModel;
class QTabBar;
class QTableWidget;
class TBatch;
class TBatchInspection;
class TDeviceInfo;

class TfrmViewBatch : public QWidget {
    Q_OBJECT
public:
    // Raises "Batch information not assigned!." or "Device information not assigned!." before
    // anything is built. A failure while filling the window is reported through the application-wide
    // handler; the window is still made, as far as it got.
    TfrmViewBatch(QWidget *owner, std::shared_ptr<const TDeviceInfo> deviceInfo, TBatch *batch, Prompts &prompts);
    ~TfrmViewBatch() override;

    // Shows the header values and the calculated columns for another record of the same meter, as
    // after its measurement settings were written.
    void ShowDeviceInfo(std::shared_ptr<const TDeviceInfo> deviceInfo);
    // The selected rows as tab-separated lines, the column titles first, onto the clipboard.
    void CopyRows();
    // Marks the readings above the limit, counts them and draws the limit in the chart.
    void SetAcceptanceLimit(TAcceptanceLimit limit);

    TBatch *FBatch;
    // The device record the window shows its figures with.
    const TDeviceInfo &DeviceInfo() const { return *FDeviceInfo; }
    // Run by the Save button; the main window's save command.
    std::function<void(TBatch &)> OnSave;
    // Run by "Print..." and "Export PDF...", with the device record the window shows.
    std::function<void(TBatch &, const TDeviceInfo &)> OnPrint;
    std::function<void(TBatch &, const TDeviceInfo &)> OnExportPdf;

    QGroupBox *gpbHeader;
    QTableWidget *stgReadings;
    QHeaderView *hdrSections;
    QPushButton *btnSave;
    QPushButton *btnClose;
    QAction *actCopy;
    QPushButton *btnPrint;
    QPushButton *btnExportPdf;
    // "Readings" shows the grid, "Chart" the chart in its place.
    QTabBar *tabReadings;
    std::unique_ptr<TBatchInspection> FInspection;

    // The header value labels by title, for the window's users.
    QLabel *ValueLabel(const QString &title) const;
    int TextWidthOf(const QString &text) const;
    // The designed size, widened to the grid's columns once shown.
    QSize sizeHint() const override { return {FWidth, 613}; }

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void FillDeviceValues();
    void FillGrid();
    void FillReadings();
    void FitSections();
    void FitColumnsToCells();
    void ShowInspection();
    void btnSaveClick();
    void btnCloseClick();
    void LayoutAreas();
    void LayoutTopArea(int width, int height);
    int BelowTopArea(int width) const;
    int TopAreaLeast() const;
    QSize MinimumSize() const;
    QAbstractButton *OwnAccessKey(const QKeyEvent *event) const;

    std::shared_ptr<const TDeviceInfo> FDeviceInfo;
    Prompts &FPrompts;
    // The fields of the rows the grid shows, for the statistics and the chart.
    QList<QStringList> FRows;
    TAcceptanceLimit FLimit;
    // The header and the statistics.
    QScrollArea *FTopArea;
    int FTopHeight;
    QList<QLabel *> FCheckLine;
    QStandardItemModel *FSectionModel;
    bool FWidened = false;
    int FWidth = 577;
};
