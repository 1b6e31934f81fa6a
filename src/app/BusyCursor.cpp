#include "app/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

bool TBusyCursor::IsBusy()
{
    const QCursor *c = QGuiApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor;
}

TBusyCursor::TBusyCursor()
    : FAcquired(!IsBusy())
{
    if (FAcquired)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

TBusyCursor::~TBusyCursor()
{
    if (FAcquired)
        QGuiApplication::restoreOverrideCursor();
}
