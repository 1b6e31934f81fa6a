#include "app/MenuItemHint.h"

#include <QAction>
#include <QCursor>
#include <QTimer>

namespace {
const char *const HintProperty = "vornellHint";
}

TMenuItemHint::TMenuItemHint(QWidget *owner)
    : QLabel(owner, Qt::ToolTip | Qt::FramelessWindowHint)
    , FShowTimer(new QTimer(this))
    , FHideTimer(new QTimer(this))
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    FShowTimer->setInterval(500);
    FHideTimer->setInterval(2500);
    connect(FShowTimer, &QTimer::timeout, this, &TMenuItemHint::OnShowTimer);
    connect(FHideTimer, &QTimer::timeout, this, &TMenuItemHint::OnHideTimer);
}

void TMenuItemHint::SetHint(QAction *item, const QString &hint)
{
    item->setProperty(HintProperty, hint);
}

QString TMenuItemHint::HintOf(const QAction *item)
{
    return item->property(HintProperty).toString();
}

void TMenuItemHint::ShowForItem(QAction *item)
{
    hide();
    FHideTimer->stop();
    if (item && !HintOf(item).isEmpty()) {
        FItem = item;
        FShowTimer->start();
        FHideTimer->start();
    } else {
        FItem = nullptr;
    }
}

void TMenuItemHint::OnShowTimer()
{
    if (FItem) {
        const QString text = HintOf(FItem);
        const QSize size = fontMetrics().size(0, text);
        const QPoint at = QCursor::pos() + QPoint(16, 16);
        setText(text);
        setGeometry(at.x(), at.y(), size.width() + 6, size.height() + 4);
        show();
        raise();
    }
    FShowTimer->stop();
}

void TMenuItemHint::OnHideTimer()
{
    hide();
    FHideTimer->stop();
}
