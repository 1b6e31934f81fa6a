#pragma once
// The batch report sheet: the device configuration block, the batch check code, the batch header and
// the reading table, laid out in 9 columns (labels in column 0, values in 4, units in 5).

#include <QString>

class TBatch;
class TDeviceInfo;
class TSheet;
class TStatusLine;

// Rows 0 to 14 from the device record, the sheet growing by 14 rows. Any failure raises "Could not
// write the Talvo data to file.".
void WriteDeviceConfiguration(const TDeviceInfo &info, TSheet &sheet, TStatusLine &status);

// The batch block, one empty row after the sheet's last row, the sheet growing by FReadingCount + 14
// rows. Any failure raises "Could not write the Batch data to file.".
void WriteBatch(TBatch &batch, const TDeviceInfo &info, TSheet &sheet, TStatusLine &status);

// The whole sheet of one batch, with its check code in row 15.
void BuildBatchSheet(TBatch &batch, const TDeviceInfo &info, TSheet &sheet, TStatusLine &status);

// The check code a save of the batch would write, without its apostrophe.
QString BatchCheckCode(TBatch &batch, const TDeviceInfo &info);
