#include "app/QtPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

TMsgResult TQtPrompts::Message(TMsgKind kind, const QString &text, TMsgButtons buttons)
{
    QMessageBox box(FParent);
    switch (kind) {
    case TMsgKind::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(QStringLiteral("Warning"));
        break;
    case TMsgKind::Information:
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(QStringLiteral("Information"));
        break;
    case TMsgKind::Plain:
        box.setIcon(QMessageBox::NoIcon);
        box.setWindowTitle(QStringLiteral("Vornell"));
        break;
    }
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(shown);
    switch (buttons) {
    case TMsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case TMsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case TMsgButtons::YesNoAbort:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Abort);
        break;
    case TMsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TMsgResult::Yes;
    case QMessageBox::No:
        return TMsgResult::No;
    case QMessageBox::Abort:
        return TMsgResult::Abort;
    case QMessageBox::Ok:
        return TMsgResult::Ok;
    default:
        return TMsgResult::Cancel; // dismissed without a button
    }
}

QStringList TQtPrompts::NameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Descriptions such as "Talvometer (*.CSV)" already name their patterns.
        out << (parts[i].contains(QLatin1Char('(')) ? parts[i]
                                                    : parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return out;
}

std::optional<QString> TQtPrompts::OpenFile(const TFileDialog &dialog)
{
    return Run(dialog, false);
}

std::optional<QString> TQtPrompts::SaveFile(const TFileDialog &dialog)
{
    return Run(dialog, true);
}

std::optional<QString> TQtPrompts::Run(const TFileDialog &dialog, bool save)
{
    QFileDialog fd(FParent, dialog.Title);
    fd.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    fd.setFileMode(save ? QFileDialog::AnyFile
                        : (dialog.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
    // An empty initial folder means the working directory.
    fd.setDirectory(dialog.InitialDir.isEmpty() ? QDir::currentPath() : dialog.InitialDir);
    if (!dialog.FileName.isEmpty())
        fd.selectFile(dialog.FileName);
    const QStringList filters = NameFilters(dialog.Filter);
    fd.setNameFilters(filters);
    if (dialog.FilterIndex >= 1 && dialog.FilterIndex <= filters.size())
        fd.selectNameFilter(filters[dialog.FilterIndex - 1]);
    fd.setDefaultSuffix(dialog.DefaultExt);
    if (!dialog.OverwritePrompt)
        fd.setOption(QFileDialog::DontConfirmOverwrite);
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty())
        return std::nullopt;
    return fd.selectedFiles().front();
}

void TQtPrompts::Beep()
{
    QApplication::beep();
}
