#include "link/Wait.h"

#include <QEventLoop>

void WaitUntil(const std::function<bool()> &done)
{
    QEventLoop loop;
    while (!done())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}
