#pragma once
// Everything that asks or tells the user goes through this one seam: message boxes, the open and
// save dialogs and the system sound. The GUI shows real dialogs; tests and vornell-cli script them.

#include <QString>
#include <QStringList>
#include <exception>
#include <optional>

enum class TMsgKind {
    Warning,     // caption "Warning", warning symbol
    Information, // caption "Information", information symbol
    Plain,       // the application title as caption
};

enum class TMsgButtons { Ok, YesNo, YesNoAbort, YesNoCancel };

enum class TMsgResult { Ok, Yes, No, Abort, Cancel };

struct TFileDialog {
    QString Title;
    QString Filter;      // "Description (*.EXT)|*.EXT|..." pairs
    int FilterIndex = 1; // 1-based entry selected when the dialog opens
    QString DefaultExt;  // without the point, added when the typed name has none
    QString InitialDir;
    QString FileName;
    bool OverwritePrompt = false;
    bool FileMustExist = false;
};

class Prompts {
public:
    virtual ~Prompts() = default;
    virtual TMsgResult Message(TMsgKind kind, const QString &text, TMsgButtons buttons) = 0;
    // The chosen file, or nothing when the user cancelled.
    virtual std::optional<QString> OpenFile(const TFileDialog &dialog) = 0;
    virtual std::optional<QString> SaveFile(const TFileDialog &dialog) = 0;
    virtual void Beep() = 0;
};

// The last resort for failures that no command caught: a warning box, and the application goes on.
void HandleAppException(Prompts &prompts, const std::exception &e);
