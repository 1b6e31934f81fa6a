#include "link/Wait.h"

#include <QEventLoop>

void WaitUntil(const std::function<bool()> &done)
{
    QEventLoop loop;
    // What is already pending runs first, even when the condition holds from the start: timers
    // that expired meanwhile must be heard before the caller goes on.
    loop.processEvents();
    while (!done())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}
