#pragma once
// The batch windows: the main window's client area, drawn over the meter picture, with a window per
// opened batch; their placement, tiling, cascading and closing.

#include "model/BatchStatistics.h"

#include <QMdiArea>
#include <QPixmap>
#include <memory>

class QActionGroup;
class QMenu;
class QMdiSubWindow;
class TBatch;
class TBatches;
class TfrmViewBatch;

class TBatchWindows : public QMdiArea {
    Q_OBJECT
public:
    explicit TBatchWindows(QWidget *parent);

    // The batch window in front, or nullptr when none is open.
    TfrmViewBatch *ActiveView() const;
    // Puts the open windows at the end of menu, after a separator, in the order they were opened,
    // the one in front checked; choosing one brings it to the front. Replaces those put there before.
    void ListIn(QMenu *menu);
    // The window showing batch, or nullptr.
    QMdiSubWindow *SubWindowOf(const TBatch *batch) const;
    // Brings the window of batch to the front, restored; false when batch has none.
    bool Activate(const TBatch *batch);
    // Shows view in a window of its own, titled title, deleted when closed: inside the client area, a
    // title bar lower and to the right of the one opened before.
    void Open(TfrmViewBatch *view, const QString &title);
    // Closes the window of batch, if any; false when it stayed open.
    bool CloseBatchWindow(const TBatch *batch);
    // Closes the windows of batches in turn; false at the first that stayed open.
    bool CloseBatchWindows(const QList<TBatch *> &batches);
    // Deletes every window without asking: for the main window's end.
    void DeleteAll();
    // The windows of these batches show their figures again, as their source now gives them.
    void ShowFigures(const TBatches &batches);
    // Every window marks and counts the readings above limit.
    void SetAcceptanceLimit(TAcceptanceLimit limit);
    // Inside the client area, each a title bar lower and to the right of the one before.
    void Cascade();
    // Each showing its grid: one above the other while they fit, then in columns, then stacked in
    // as many tiles as the client area holds.
    void Tile();
    // Minimised windows in rows along the bottom of the client area.
    void ArrangeMinimised();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The windows neither minimised nor hidden, in the order they were opened, restored from
    // maximised.
    QList<QMdiSubWindow *> Arranged();

    QPixmap FPicture;
    QActionGroup *FListed;
};
