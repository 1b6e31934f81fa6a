#pragma once
// The prompts of the command line: the save dialog answers with the file named on the command line,
// the clock question with --sync-clock, and every message goes to standard error.

#include "model/Prompts.h"

#include <QStringList>
#include <cstdio>
#include <functional>

class CliPrompts : public Prompts {
public:
    TMsgResult Message(TMsgKind kind, const QString &text, TMsgButtons buttons) override
    {
        if (kind == TMsgKind::Warning)
            ++Warnings;
        if (buttons == TMsgButtons::YesNo) { // the clock question
            if (ClockDifference)
                ClockWarning(ClockDifference(), SyncClock);
            return SyncClock ? TMsgResult::Yes : TMsgResult::No;
        }
        std::fprintf(stderr, "%s\n", qPrintable(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
        return TMsgResult::Ok;
    }
    std::optional<QString> OpenFile(const TFileDialog &) override { return Next(); }
    std::optional<QString> SaveFile(const TFileDialog &dialog) override
    {
        if (!SaveFolder.isEmpty())
            return SaveFolder + QLatin1Char('/') + dialog.FileName + SaveExtension;
        return Next();
    }
    void Beep() override {}

    bool SyncClock = false;
    std::function<qint64()> ClockDifference; // the meter's clock minus the computer's, ms
    QStringList Files;                       // answers of the dialogs, in order
    QString SaveFolder;                      // when set, every save goes there under the proposed name
    QString SaveExtension;                   // with SaveFolder: ".CSV" or ".XLS"
    int Warnings = 0;

private:
    static void ClockWarning(qint64 ms, bool setting)
    {
        // Whole seconds, rounded up: a clock off by more than five minutes never reads as 0:05:00.
        const qint64 s = (qAbs(ms) + 999) / 1000, days = s / 86400;
        QString text = QStringLiteral("%1:%2:%3")
                           .arg(s / 3600 % 24)
                           .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                           .arg(s % 60, 2, 10, QLatin1Char('0'));
        if (days > 0)
            text.prepend(QStringLiteral("%1 days ").arg(days));
        const char *side = ms < 0 ? "behind" : "ahead of";
        if (setting)
            std::fprintf(stderr, "The Talvo's clock is %s %s this computer's clock; setting it to this computer's.\n",
                         qPrintable(text), side);
        else
            std::fprintf(stderr,
                         "The Talvo's clock is %s %s this computer's clock. To set it, run again with --sync-clock, "
                         "or run: vornell-cli clock --set now\n",
                         qPrintable(text), side);
    }

    std::optional<QString> Next()
    {
        if (Files.isEmpty())
            return std::nullopt;
        return Files.takeFirst();
    }
};
