#include "model/ReadingTable.h"

#include "model/Batches.h"
#include "model/DeviceInfo.h"

namespace {

const char *const Titles[] = {
    "Number",
    "Date",
    "Time",
    "Conductivity\r\n(µS/cm)",
    "Temp.\r\n(°C)",
    "Temp.\r\n(°F)",
    "Conductivity @\r\n25°C/77°F (µS/cm)",
    "Surface Density\r\n(mg/m²)",
    "Surface Density\r\n(Bresle)\r\n(mg/m²)",
};

} // namespace

bool ShowsBresle(const TDeviceInfo &info)
{
    return info.IsNewerFirmware() && info.HasBresleOffset;
}

int ReadingColumnCount(const TDeviceInfo &info)
{
    return ShowsBresle(info) ? 9 : 8;
}

QString ReadingColumnTitle(int column)
{
    return QString::fromUtf8(Titles[column]);
}

int ReadingColumnSection(int column)
{
    return column == 0 ? 0 : column <= 4 ? 1 : 2;
}

QList<QStringList> ReadingRows(const TBatch &batch, const TDeviceInfo &info)
{
    QList<QStringList> rows;
    if (batch.FReadingCount <= 0)
        return rows;
    for (const auto &reading : batch.GetReadings())
        rows << ReadingToFields(*reading, info);
    return rows;
}
