#include "files/PropertiesSheet.h"

#include "files/BatchSheet.h"
#include "files/Sheet.h"
#include "files/StatusLine.h"
#include "model/Conversions.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"

namespace {

constexpr int FirstRow = 15;
constexpr int CellRows = 6;
constexpr int CellColumns = 4;
constexpr int KpropMeter = 24;
constexpr int KpropFactory = 25;

void Put(TSheet &sheet, int row, const QString &label, float value)
{
    sheet.SetCell(0, row, label);
    sheet.SetCell(4, row, FormatFixed(value, 2));
}

} // namespace

void WriteDeviceProperties(const TCellConstants &constants, const TDeviceInfo &info, TSheet &sheet, TStatusLine &status)
{
    status.ShowStatus(QStringLiteral("Write Talvo Properties to file."));
    try {
        sheet.AddRows(8);
        int row = FirstRow;
        if (info.IsNewerFirmware()) {
            ++row;
        } else {
            Put(sheet, row++, QStringLiteral("Kprop meter"), constants[KpropMeter]);
            Put(sheet, row++, QStringLiteral("Kprop Factory"), constants[KpropFactory]);
        }
        for (int n = 1; n <= CellRows; ++n)
            Put(sheet, row++, QStringLiteral("KCell%1").arg(n), constants[(n - 1) * CellColumns]);
    } catch (const std::exception &) {
        throw Error(QStringLiteral("Could not write the Talvo data to file."));
    }
}

void BuildPropertiesSheet(const TDeviceInfo &info, const TCellConstants &constants, TSheet &sheet, TStatusLine &status)
{
    sheet.Clear();
    sheet.SetColCount(8);
    sheet.SetRowCount(1);
    WriteDeviceConfiguration(info, sheet, status);
    WriteDeviceProperties(constants, info, sheet, status);
}
