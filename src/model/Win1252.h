#pragma once
// Windows-1252, the character set of the meter's wire text and of the batch text files.
// µ, ° and ² are one byte each; characters it cannot hold become '?'.

#include <QByteArray>
#include <QString>

QByteArray ToWin1252(const QString &text);
QString FromWin1252(const QByteArray &bytes);
