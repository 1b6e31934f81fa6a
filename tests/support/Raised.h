#pragma once
// The message of what a call raised, for tests that compare the system's messages.

#include "model/Errors.h"

#include <QString>
#include <functional>

// Empty when f raised nothing.
inline QString Raised(const std::function<void()> &f)
{
    try {
        f();
    } catch (const std::exception &e) {
        return MessageOf(e);
    }
    return QString();
}
