#pragma once
// The batch window: the batch's header, the optional check code line for imported batches, and the
// readings grid with a line per reading as the batch line gives it.

#include "model/BatchStatistics.h"
#include "model/DeviceInfo.h"

#include <QWidget>
#include <functional>
#include <memory>

class Prompts;
class QGroupBox;
class QHeaderView;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTabBar;
class QTableWidget;
class TBatch;
class TBatchInspection;

class TfrmViewBatch : public QWidget {
    Q_OBJECT
public:
    // Raises "Batch information not assigned!." or "Device information not assigned!." before
    // anything is built. A failure while filling the window is reported through the application-wide
    // handler; the window is still made, as far as it got.
    TfrmViewBatch(QWidget *owner, const TDeviceInfo *deviceInfo, TBatch *batch, Prompts &prompts);
    ~TfrmViewBatch() override;

    TBatch *FBatch;
    // Run by the Save button; the main window's save command.
    std::function<void(TBatch &)> OnSave;
    // Run by "Print..." and "Export PDF...", with the device record the window shows.
    std::function<void(TBatch &, const TDeviceInfo &)> OnPrint;
    std::function<void(TBatch &, const TDeviceInfo &)> OnExportPdf;

    // Marks the readings above the limit, counts them and draws the limit in the chart.
    void SetAcceptanceLimit(TAcceptanceLimit limit);

    QGroupBox *gpbHeader;
    QTableWidget *stgReadings;
    QHeaderView *hdrSections;
    QPushButton *btnSave;
    QPushButton *btnClose;
    QPushButton *btnPrint;
    QPushButton *btnExportPdf;
    // "Readings" shows the grid, "Chart" the chart in its place.
    QTabBar *tabReadings;
    std::unique_ptr<TBatchInspection> FInspection;

    // The header value labels by title, for the window's users.
    QLabel *ValueLabel(const QString &title) const;
    int TextWidthOf(const QString &text) const;
    QSize sizeHint() const override { return {577, 613}; }

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void FillReadings();
    void FitSections();
    void FitColumnsToCells();
    void btnSaveClick();
    void btnCloseClick();
    void LayoutAreas();

    const TDeviceInfo *FDeviceInfo;
    // A copy for the report: the main window may replace its record while the window is open.
    TDeviceInfo FShownDeviceInfo;
    QList<QStringList> FRows;
    QWidget *FTopArea;
    QList<QLabel *> FCheckLine;
    QStandardItemModel *FSectionModel;
    bool FWidened = false;
};
