#pragma once
// A meter reply split into its parameters: separators outside double quotes divide, runs of them
// give no empty parameters, and a quoted text is one parameter (an empty one only from "").

#include <QString>
#include <QStringList>

QStringList SplitParameters(const QString &response);
