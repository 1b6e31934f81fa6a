#include "files/BatchFileDialog.h"

TFileDialog BatchFileDialog(const QString &title, const QString &folder)
{
    TFileDialog dialog;
    dialog.Title = title;
    dialog.Filter = QStringLiteral("Talvometer (*.CSV)|*.CSV|Talvometer (*.XLS)|*.XLS");
    dialog.FilterIndex = 2;
    dialog.DefaultExt = QStringLiteral("XLS");
    dialog.InitialDir = folder;
    return dialog;
}
