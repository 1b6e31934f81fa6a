#include "app/BatchWindows.h"

#include "app/Artwork.h"
#include "app/WindowPlacement.h"
#include "app/frmViewBatch.h"
#include "model/Batches.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace {

constexpr QSize PictureSize(542, 464);

// The largest of the windows' smallest sizes: an imported batch has a taller header.
QSize MinimumOf(const QList<QMdiSubWindow *> &subs)
{
    QSize minimum;
    for (const QMdiSubWindow *sub : subs)
        minimum = minimum.expandedTo(sub->minimumSizeHint());
    return minimum;
}

// How far the window's contents lie below its top edge: its title bar and frame.
int TitleStep(const QMdiSubWindow *sub)
{
    return sub->widget() ? sub->widget()->y() : 0;
}

} // namespace

TBatchWindows::TBatchWindows(QWidget *parent)
    : QMdiArea(parent)
    , FPicture(MeterPicture(PictureSize))
    , FListed(new QActionGroup(this))
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

TfrmViewBatch *TBatchWindows::ActiveView() const
{
    // The current window stays current while the focus is in the tree or the menu.
    const QMdiSubWindow *sub = currentSubWindow();
    return sub ? qobject_cast<TfrmViewBatch *>(sub->widget()) : nullptr;
}

void TBatchWindows::ListIn(QMenu *menu)
{
    for (QAction *a : FListed->actions())
        delete a;
    const QList<QMdiSubWindow *> subs = subWindowList(CreationOrder);
    if (subs.isEmpty())
        return;
    FListed->addAction(menu->addSeparator());
    for (int i = 0; i < subs.size(); ++i) {
        QMdiSubWindow *sub = subs[i];
        QString caption = sub->windowTitle().replace(QLatin1Char('&'), QStringLiteral("&&"));
        // The access key is the number's last digit.
        const QString number = QString::number(i + 1);
        caption = number.chopped(1) + QLatin1Char('&') + number.right(1) + QLatin1Char(' ') + caption;
        QAction *a = menu->addAction(caption);
        FListed->addAction(a);
        a->setCheckable(true);
        a->setChecked(sub == currentSubWindow());
        connect(a, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
            if (!sub)
                return;
            if (sub->isMinimized())
                sub->showNormal();
            setActiveSubWindow(sub);
        });
    }
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
    sub->setGeometry(FirstPlace(sub->size(), static_cast<int>(subWindowList().size()) - 1, viewport()->rect(),
                                sub->minimumSizeHint(), TitleStep(sub)));
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

void TBatchWindows::ShowFigures(const TBatches &batches)
{
    for (QMdiSubWindow *sub : subWindowList())
        if (auto *view = qobject_cast<TfrmViewBatch *>(sub->widget()); view && batches.Contains(view->FBatch))
            view->ShowFigures();
}

void TBatchWindows::SetAcceptanceLimit(TAcceptanceLimit limit)
{
    for (QMdiSubWindow *sub : subWindowList())
        if (auto *view = qobject_cast<TfrmViewBatch *>(sub->widget()))
            view->SetAcceptanceLimit(limit);
}

QList<QMdiSubWindow *> TBatchWindows::Arranged()
{
    QList<QMdiSubWindow *> out;
    for (QMdiSubWindow *sub : subWindowList(CreationOrder))
        if (sub->isVisible() && !sub->isMinimized()) {
            sub->showNormal();
            out << sub;
        }
    return out;
}

void TBatchWindows::Cascade()
{
    const QList<QMdiSubWindow *> subs = Arranged();
    if (subs.isEmpty())
        return;
    QList<QSize> wanted;
    for (const QMdiSubWindow *sub : subs)
        wanted << sub->sizeHint();
    const QList<QRect> at = CascadeRects(wanted, viewport()->rect(), MinimumOf(subs), TitleStep(subs[0]));
    for (int i = 0; i < subs.size(); ++i) {
        subs[i]->setGeometry(at[i]);
        subs[i]->raise();
    }
}

void TBatchWindows::Tile()
{
    const QList<QMdiSubWindow *> subs = Arranged();
    if (subs.isEmpty())
        return;
    // As wide as all their columns, the windows need no horizontal scroll bar and may be that lower.
    const QSize minimum = MinimumOf(subs);
    int full = minimum.width();
    for (const QMdiSubWindow *sub : subs)
        full = std::max(full, sub->sizeHint().width());
    const QSize wide(full, minimum.height() - style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    const QList<QRect> at =
        TileRects(static_cast<int>(subs.size()), viewport()->rect(), minimum, wide, TitleStep(subs[0]));
    for (int i = 0; i < subs.size(); ++i) {
        subs[i]->setGeometry(at[i]);
        subs[i]->raise();
    }
}

void TBatchWindows::ArrangeMinimised()
{
    QList<QMdiSubWindow *> icons;
    QList<QSize> sizes;
    for (QMdiSubWindow *sub : subWindowList(CreationOrder))
        if (sub->isMinimized()) {
            icons << sub;
            sizes << sub->size();
        }
    const QList<QPoint> at = IconPositions(sizes, viewport()->rect());
    for (int i = 0; i < icons.size(); ++i)
        icons[i]->move(at[i]);
}
