#include "app/BatchWindows.h"

#include "app/Artwork.h"
#include "app/frmViewBatch.h"

#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QPainter>
#include <cmath>

namespace {

constexpr QSize PictureSize(542, 464);

} // namespace

TBatchWindows::TBatchWindows(QWidget *parent)
    : QMdiArea(parent)
    , FPicture(MeterPicture(PictureSize))
{}

void TBatchWindows::paintEvent(QPaintEvent *event)
{
    QMdiArea::paintEvent(event);
    QPainter p(viewport());
    const int w = viewport()->width();
    const int h = viewport()->height();
    int left = static_cast<int>(std::ceil(w / 2.0 - PictureSize.width() / 2.0));
    int top = static_cast<int>(std::ceil(h / 2.0 - PictureSize.height() / 2.0));
    p.drawPixmap(left < 0 ? 1 : left, top < 0 ? 1 : top, FPicture);
}

QMdiSubWindow *TBatchWindows::SubWindowOf(const TBatch *batch) const
{
    for (QMdiSubWindow *sub : subWindowList())
        if (auto *view = qobject_cast<TfrmViewBatch *>(sub->widget()); view && view->FBatch == batch)
            return sub;
    return nullptr;
}

bool TBatchWindows::Activate(const TBatch *batch)
{
    QMdiSubWindow *sub = SubWindowOf(batch);
    if (!sub)
        return false;
    if (sub->isMinimized())
        sub->showNormal();
    setActiveSubWindow(sub);
    sub->raise();
    sub->setFocus();
    return true;
}

void TBatchWindows::Open(TfrmViewBatch *view, const QString &title)
{
    QMdiSubWindow *sub = addSubWindow(view);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(title);
    sub->show();
}

bool TBatchWindows::CloseBatchWindow(const TBatch *batch)
{
    if (!batch)
        return true;
    if (QMdiSubWindow *sub = SubWindowOf(batch)) {
        sub->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    return SubWindowOf(batch) == nullptr;
}

bool TBatchWindows::CloseBatchWindows(const QList<TBatch *> &batches)
{
    for (const TBatch *batch : batches)
        if (!CloseBatchWindow(batch))
            return false;
    return true;
}

void TBatchWindows::DeleteAll()
{
    qDeleteAll(subWindowList());
}

void TBatchWindows::Cascade()
{
    cascadeSubWindows();
}

void TBatchWindows::Tile()
{
    QList<QMdiSubWindow *> shown;
    for (QMdiSubWindow *sub : subWindowList())
        if (sub->isVisible() && !sub->isMinimized())
            shown << sub;
    if (shown.isEmpty())
        return;
    const QRect area = viewport()->rect();
    const int h = area.height() / static_cast<int>(shown.size());
    for (int i = 0; i < shown.size(); ++i) {
        shown[i]->showNormal();
        shown[i]->setGeometry(0, i * h, area.width(), h);
    }
}

void TBatchWindows::ArrangeMinimised()
{
    const QRect area = viewport()->rect();
    int x = 0;
    for (QMdiSubWindow *sub : subWindowList())
        if (sub->isMinimized()) {
            sub->move(x, area.height() - sub->height());
            x += sub->width();
        }
}
