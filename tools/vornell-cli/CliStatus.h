#pragma once
// Status and progress on standard error, as one line that is rewritten, when standard error is a
// terminal; silent otherwise. One lives for the whole run: it listens to the module's events.

#include "device/Communication.h"
#include "files/StatusLine.h"

#include <cstdio>
#include <unistd.h>

class CliStatus : public TStatusLine {
public:
    explicit CliStatus(TdmCommunication &comm)
        : FTerminal(::isatty(2) == 1)
    {
        QObject::connect(&comm, &TdmCommunication::OnStatus, [this](const QString &t) { ShowStatus(t); });
        QObject::connect(&comm, &TdmCommunication::OnStatusClear, [this] { ClearStatus(); });
        QObject::connect(&comm, &TdmCommunication::OnProgressStart, [this](int max) { ShowProgress(max); });
        QObject::connect(&comm, &TdmCommunication::OnProgress, [this](int step) {
            FDone += step;
            Draw();
        });
        QObject::connect(&comm, &TdmCommunication::OnProgressEnd, [this] { HideProgress(); });
    }
    ~CliStatus() override { ClearStatus(); }

    void ShowStatus(const QString &text) override
    {
        FText = text;
        Draw();
    }
    void ClearStatus() override
    {
        FText.clear();
        FMax = 0;
        Draw();
    }
    void ShowProgress(int maximum) override
    {
        FMax = maximum;
        FDone = 0;
        Draw();
    }
    void HideProgress() override
    {
        FMax = 0;
        Draw();
    }

private:
    void Draw()
    {
        if (!FTerminal)
            return;
        QString line = FText;
        if (FMax > 0) {
            const int width = 30;
            const int filled = qBound(0, FDone * width / FMax, width);
            line += QStringLiteral(" [%1%2] %3%")
                        .arg(QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char('.')))
                        .arg(FDone * 100 / FMax);
        }
        std::fprintf(stderr, "\r\033[K%s", qPrintable(line));
        std::fflush(stderr);
    }

    bool FTerminal;
    QString FText;
    int FMax = 0;
    int FDone = 0;
};
