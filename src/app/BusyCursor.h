#pragma once
// The busy cursor, which is also the guard against starting a second meter or file command while
// one waits: a command that finds it already showing does nothing.

class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;

    // False when another command already showed the busy cursor.
    bool Acquired() const { return FAcquired; }
    static bool IsBusy();

private:
    bool FAcquired;
};
