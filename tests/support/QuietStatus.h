#pragma once
// A status line that shows nothing, for runs where only the result counts (benchmarks, fuzzing).

#include "files/StatusLine.h"

class QuietStatus : public TStatusLine {
public:
    void ShowStatus(const QString &) override {}
    void ClearStatus() override {}
    void ShowProgress(int) override {}
    void HideProgress() override {}
};
