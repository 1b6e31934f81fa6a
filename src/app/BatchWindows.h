#pragma once
// The batch windows: the main window's client area, drawn over the meter picture, with a window per
// opened batch; their placement, tiling, cascading and closing.

#include <QMdiArea>
#include <QPixmap>

class QMdiSubWindow;
class TBatch;
class TfrmViewBatch;

class TBatchWindows : public QMdiArea {
    Q_OBJECT
public:
    explicit TBatchWindows(QWidget *parent);

    // The window showing batch, or nullptr.
    QMdiSubWindow *SubWindowOf(const TBatch *batch) const;
    // Brings the window of batch to the front, restored; false when batch has none.
    bool Activate(const TBatch *batch);
    // Shows view in a window of its own, titled title, deleted when closed.
    void Open(TfrmViewBatch *view, const QString &title);
    // Closes the window of batch, if any; false when it stayed open.
    bool CloseBatchWindow(const TBatch *batch);
    // Closes the windows of batches in turn; false at the first that stayed open.
    bool CloseBatchWindows(const QList<TBatch *> &batches);
    // Deletes every window without asking: for the main window's end.
    void DeleteAll();
    void Cascade();
    // One above the other, each the full width of the client area.
    void Tile();
    // Minimised windows in a row along the bottom of the client area.
    void ArrangeMinimised();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap FPicture;
};
