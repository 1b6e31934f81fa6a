#include "link/Wait.h"

#include <QEventLoop>
#include <QTimer>

void WaitUntil(const std::function<bool()> &done)
{
    QEventLoop loop;
    // What is already pending runs first, even when the condition holds from the start: timers
    // that expired meanwhile must be heard before the caller goes on.
    loop.processEvents();
    while (!done())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

bool WaitUntil(const std::function<bool()> &done, QDeadlineTimer deadline)
{
    if (deadline.hasExpired())
        return done();
    bool expired = false;
    QTimer bound; // wakes the wait at the deadline
    bound.setSingleShot(true);
    bound.setTimerType(Qt::PreciseTimer);
    QObject::connect(&bound, &QTimer::timeout, [&expired] { expired = true; });
    bound.start(static_cast<int>(deadline.remainingTime()));
    WaitUntil([&] { return expired || done(); });
    return done();
}
