#pragma once
// The batch window: the batch's header, the optional check code line for imported batches, and the
// readings grid with a line per reading as the batch line gives it.

#include "model/BatchStatistics.h"
#include "model/ReadingTable.h"

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

class TfrmViewBatch : public QWidget {
    Q_OBJECT
public:
    // Shows the batch with its own device record. Raises "Batch information not assigned!." or
    // "Device information not assigned!." (a batch without a record) before anything is built. A
    // failure while filling the window is reported through the application-wide handler; the window
    // is still made, as far as it got.
    TfrmViewBatch(QWidget *owner, TBatch *batch, Prompts &prompts);
    ~TfrmViewBatch() override;

    // Shows the header values and the figures again, as the batch's source now gives them: after the
    // meter's measurement settings were written, a meter batch's record is the new one.
    void ShowFigures();
    // The selected rows as tab-separated lines, the column titles first, onto the clipboard.
    void CopyRows();
    // Marks the readings above the limit, counts them and draws the limit in the chart.
    void SetAcceptanceLimit(TAcceptanceLimit limit);

    TBatch *FBatch;
    // Run by the Save button; the main window's save command.
    std::function<void(TBatch &)> OnSave;
    // Run by "Print..." and "Export PDF...".
    std::function<void(TBatch &)> OnPrint;
    std::function<void(TBatch &)> OnExportPdf;

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

    Prompts &FPrompts;
    // The rows the grid shows, for the statistics and the chart.
    QList<TReadingRow> FRows;
    TAcceptanceLimit FLimit;
    // The header and the statistics.
    QScrollArea *FTopArea;
    int FTopHeight;
    QList<QLabel *> FCheckLine;
    QStandardItemModel *FSectionModel;
    bool FWidened = false;
    int FWidth = 577;
};
