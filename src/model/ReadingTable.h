#pragma once
// The readings table as the batch window shows it and the report prints it: its columns and one row of
// fields per reading.

#include <QList>
#include <QString>
#include <QStringList>

class TBatch;
class TDeviceInfo;

// Newer firmware with a Bresle offset shows the Bresle column.
bool ShowsBresle(const TDeviceInfo &info);
// 8 columns, or 9 with the Bresle column.
int ReadingColumnCount(const TDeviceInfo &info);
// A column's title, its lines separated by "\r\n".
QString ReadingColumnTitle(int column);
// The header section a column belongs to: 0 none, 1 "Measured", 2 "Calculated".
int ReadingColumnSection(int column);
// One row per reading, in order, as ReadingToFields gives it; none when the batch reports no readings.
// Raises "There are no readings" when it reports some but holds none.
QList<QStringList> ReadingRows(const TBatch &batch, const TDeviceInfo &info);
