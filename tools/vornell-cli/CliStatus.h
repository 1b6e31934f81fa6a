#pragma once
// Status and progress on standard error, as one line that is rewritten, when standard error is a
// terminal; silent otherwise. A status shown for more than a second counts the seconds, so that a
// long wait for the meter does not look like a hang. One lives for the whole run: it listens to the
// module's events.

#include "device/Communication.h"
#include "files/StatusLine.h"

#include <QElapsedTimer>
#include <QTimer>
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
        FTick.setInterval(1000);
        FTick.setTimerType(Qt::PreciseTimer); // never early: each tick is a whole second more
        QObject::connect(&FTick, &QTimer::timeout, [this] { Draw(); });
    }
    ~CliStatus() override { ClearStatus(); }

    void ShowStatus(const QString &text) override
    {
        FText = text;
        FShown.start();
        if (FTerminal)
            FTick.start();
        Draw();
    }
    void ClearStatus() override
    {
        FText.clear();
        FMax = 0;
        FTick.stop();
        FShown.invalidate();
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
        if (!FText.isEmpty() && FShown.isValid() && FShown.elapsed() >= 1000)
            line += QStringLiteral(" (%1 s)").arg(FShown.elapsed() / 1000);
        std::fprintf(stderr, "\r\033[K%s", qPrintable(line));
        std::fflush(stderr);
    }

    bool FTerminal;
    QString FText;
    int FMax = 0;
    int FDone = 0;
    QElapsedTimer FShown; // since the status text was shown
    QTimer FTick;
};
