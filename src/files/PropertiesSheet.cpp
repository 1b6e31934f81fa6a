#include "files/PropertiesSheet.h"

#include "files/BatchSheet.h"
#include "files/Sheet.h"
#include "files/SheetFile.h"
#include "files/StatusLine.h"
#include "model/Conversions.h"
#include "model/DateTime.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"

namespace {

constexpr int FirstRow = 15;

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
            Put(sheet, row++, QStringLiteral("Kprop meter"), constants[TCellConstants::KpropMeter]);
            Put(sheet, row++, QStringLiteral("Kprop Factory"), constants[TCellConstants::KpropFactory]);
        }
        for (int n = 1; n <= TCellConstants::Rows; ++n)
            Put(sheet, row++, QStringLiteral("KCell%1").arg(n), constants[TCellConstants::KCell(n)]);
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

void SaveDeviceProperties(const QString &fileName, const TDeviceInfo &info, const TCellConstants &constants,
                          TStatusLine &status)
{
    TSheet sheet(8, 1);
    BuildPropertiesSheet(info, constants, sheet, status);
    SaveSheetToFile(fileName, QString::fromLatin1(PropertiesTitle), sheet, Now(),
                    QStringLiteral("The date could not be set on the Talvo properties file."));
}
