#pragma once
// Writing a sheet to a file: comma-separated text when the name ends exactly in ".CSV", otherwise a
// workbook. An existing file of that name is replaced only once the new one is complete.

#include "model/DateTime.h"

#include <QString>
#include <optional>

class TSheet;

// The file name's extension from its last "." on, "" when it has none.
QString FileExtension(const QString &fileName);

// Title names the worksheet of a workbook. With a file date the new file carries it (two-second
// form) before it takes the old one's place; a date the file cannot hold raises dateFailure and
// leaves the earlier file as it was. Writing fails with "Could not save data to csv file." or "Could
// not save data to xls file.".
void SaveSheetToFile(const QString &fileName, const QString &title, const TSheet &sheet,
                     std::optional<TDateTime> fileDate = std::nullopt,
                     const QString &dateFailure = QStringLiteral("The date could not be set on the batch file."));
