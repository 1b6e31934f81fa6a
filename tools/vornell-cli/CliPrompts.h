#pragma once
// The prompts of the command line: the save dialog answers with the file named on the command line,
// the clock question with --sync-clock, and every message goes to standard error.

#include "model/Prompts.h"

#include <QStringList>
#include <cstdio>

class CliPrompts : public Prompts {
public:
    TMsgResult Message(TMsgKind kind, const QString &text, TMsgButtons buttons) override
    {
        if (kind == TMsgKind::Warning)
            ++Warnings;
        if (buttons == TMsgButtons::YesNo) // the clock question
            return SyncClock ? TMsgResult::Yes : TMsgResult::No;
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
    QStringList Files;     // answers of the dialogs, in order
    QString SaveFolder;    // when set, every save goes there under the proposed name
    QString SaveExtension; // with SaveFolder: ".CSV" or ".XLS"
    int Warnings = 0;

private:
    std::optional<QString> Next()
    {
        if (Files.isEmpty())
            return std::nullopt;
        return Files.takeFirst();
    }
};
