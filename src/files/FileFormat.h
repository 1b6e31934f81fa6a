#pragma once
// Which form a batch file has. A saved file's form follows its name, so that the user chooses it with
// the extension; an imported file's form follows its content, so that a renamed file still reads.

#include <QString>

enum class TFileFormat { Csv, Workbook };

// ".csv" in any letter case is comma-separated text; any other name a workbook.
TFileFormat SaveFormat(const QString &fileName);

// A file that starts with the compound file signature is a workbook; anything else, an unreadable or
// empty file included, is text (whose reader then reports what is wrong with it).
TFileFormat ImportFormat(const QString &fileName);
