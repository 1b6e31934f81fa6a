#pragma once
// Writing a sheet to a file: comma-separated text when the name ends in ".csv" in any letter case,
// otherwise a workbook. An existing file of that name is replaced only once the new one is complete.

#include "model/DateTime.h"

#include <QByteArray>
#include <QString>
#include <optional>

class TSheet;

// Title names the worksheet of a workbook. With a file date the new file carries it (two-second
// form) before it takes the old one's place; a date the file cannot hold raises dateFailure and
// leaves the earlier file as it was. Writing fails with "Could not save data to csv file." or "Could
// not save data to xls file.".
void SaveSheetToFile(const QString &fileName, const QString &title, const TSheet &sheet,
                     std::optional<TDateTime> fileDate = std::nullopt,
                     const QString &dateFailure = QStringLiteral("The date could not be set on the batch file."));

// The bytes as the file's content, replacing a regular file only once they are complete and written
// in place into a device node or FIFO, which keep no file date. A failure to write raises failure.
void WriteFileContent(const QString &fileName, const QByteArray &bytes, const QString &failure,
                      std::optional<TDateTime> fileDate = std::nullopt, const QString &dateFailure = QString());
