#pragma once
// Prompts for tests: answers come from a script, and everything shown is recorded text for text.

#include "model/Prompts.h"

#include <QList>
#include <QString>
#include <deque>

class ScriptedPrompts : public Prompts {
public:
    struct Shown {
        TMsgKind Kind;
        QString Text;
        TMsgButtons Buttons;
    };

    TMsgResult Message(TMsgKind kind, const QString &text, TMsgButtons buttons) override
    {
        Messages.append({kind, text, buttons});
        if (Answers.empty())
            return buttons == TMsgButtons::Ok ? TMsgResult::Ok : TMsgResult::No;
        const TMsgResult r = Answers.front();
        Answers.pop_front();
        return r;
    }
    std::optional<QString> OpenFile(const TFileDialog &dialog) override { return Next(dialog); }
    std::optional<QString> SaveFile(const TFileDialog &dialog) override { return Next(dialog); }
    void Beep() override { ++Beeps; }

    QStringList Texts() const
    {
        QStringList out;
        for (const auto &m : Messages)
            out << m.Text;
        return out;
    }

    std::deque<TMsgResult> Answers; // message box answers, in order
    QStringList Files;              // dialog results, in order; a null text means cancel
    QList<Shown> Messages;
    QList<TFileDialog> Dialogs;
    int Beeps = 0;

private:
    std::optional<QString> Next(const TFileDialog &dialog)
    {
        Dialogs.append(dialog);
        if (Files.isEmpty())
            return std::nullopt;
        const QString f = Files.takeFirst();
        if (f.isNull())
            return std::nullopt;
        return f;
    }
};
