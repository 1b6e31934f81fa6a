#pragma once
// The real prompts: message boxes of the three kinds, the platform's file dialogs and the beep.

#include "model/Prompts.h"

#include <QStringList>

class QWidget;

class TQtPrompts : public Prompts {
public:
    explicit TQtPrompts(QWidget *parent = nullptr)
        : FParent(parent)
    {}
    void SetParent(QWidget *parent) { FParent = parent; }

    TMsgResult Message(TMsgKind kind, const QString &text, TMsgButtons buttons) override;
    std::optional<QString> OpenFile(const TFileDialog &dialog) override;
    std::optional<QString> SaveFile(const TFileDialog &dialog) override;
    void Beep() override;

    // "Desc|*.EXT|Desc|*.EXT" as the name filters of a Qt file dialog.
    static QStringList NameFilters(const QString &filter);

private:
    std::optional<QString> Run(const TFileDialog &dialog, bool save);

    QWidget *FParent;
};
