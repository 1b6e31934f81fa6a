#pragma once
// The status message (panel 0 of the main window's status bar) and the progress indicator, as the
// file commands use them. The main window, the batch window and vornell-cli each provide one.

#include <QString>

class TStatusLine {
public:
    virtual ~TStatusLine() = default;
    // Shown after one blank; clearing leaves the blank.
    virtual void ShowStatus(const QString &text) = 0;
    virtual void ClearStatus() = 0;
    // A progress indicator at 0 % with the given maximum; it is hidden again by HideProgress.
    virtual void ShowProgress(int maximum) = 0;
    virtual void HideProgress() = 0;
};

// A status line that shows nothing, for work whose result alone counts.
class TQuietStatus : public TStatusLine {
public:
    void ShowStatus(const QString &) override {}
    void ClearStatus() override {}
    void ShowProgress(int) override {}
    void HideProgress() override {}
};
