#pragma once
// The device properties sheet: the device configuration block of the batch report and, below it, the
// meter's cell constants. It is written like a batch sheet but has no check code and is never imported.

#include "model/DeviceInfo.h"

class TSheet;
class TStatusLine;

// The worksheet title of a properties workbook.
inline constexpr auto PropertiesTitle = "Talvometer Properties";

// The cell constant block in rows 15 to 22 (values in column 4 with two decimals), the sheet growing by
// 8 rows. Older meters list both Kprop values first; newer ones leave rows 15 and 22 empty. Any failure
// raises "Could not write the Talvo data to file.".
void WriteDeviceProperties(const TCellConstants &constants, const TDeviceInfo &info, TSheet &sheet,
                           TStatusLine &status);

// A new 8-column sheet with the device configuration block and the cell constant block.
void BuildPropertiesSheet(const TDeviceInfo &info, const TCellConstants &constants, TSheet &sheet, TStatusLine &status);

// The properties file: that sheet, written as the file name's type says and dated now. The date is
// set before the file replaces an earlier one, so a date it cannot hold raises "The date could not be
// set on the Talvo properties file." and leaves the earlier file whole; other failures raise the
// sheet's or the writer's message.
void SaveDeviceProperties(const QString &fileName, const TDeviceInfo &info, const TCellConstants &constants,
                          TStatusLine &status);
