#pragma once
// File dates in the two-second form of the FAT file date: local time, seconds rounded down to an
// even number, years 1980 to 2107 only.

#include "model/DateTime.h"

#include <QDateTime>
#include <QString>
#include <optional>

// The time a file gets for this date-time, or nothing when the form cannot hold it.
std::optional<QDateTime> FileDateOf(TDateTime dateTime);

// Sets the file's last-modification time; false when the date is outside the form or the file cannot
// be opened or changed. Raises nothing.
bool SetFileDate(const QString &fileName, TDateTime dateTime);
