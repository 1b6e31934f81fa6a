#pragma once
// Waits that keep the application alive: pending events are processed, and between them the
// thread sleeps until the next event arrives. Nothing polls.

#include <QDeadlineTimer>
#include <functional>

// Runs the pending events, then returns once done() holds; done() is checked after every batch
// of events.
void WaitUntil(const std::function<bool()> &done);
// The same, but gives up at the deadline; true when done() holds.
bool WaitUntil(const std::function<bool()> &done, QDeadlineTimer deadline);
