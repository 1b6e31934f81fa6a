#pragma once
// Where a dialog opens: at the size its layout gives it, centred over the window that opened it.

#include <QWidget>

inline void CentreOverParent(QWidget &dialog)
{
    if (const QWidget *parent = dialog.parentWidget()) {
        dialog.adjustSize();
        dialog.move(parent->geometry().center() - dialog.rect().center());
    }
}
