#pragma once
// Writes the Workbook stream of an Excel 97 file: BIFF8 records for the workbook globals (fonts,
// number formats, cell formats, sheet list, shared string table) and one substream per worksheet.

#include "xls/XlsWorkbook.h"

#include <QByteArray>

// Worksheet names that the format does not allow are made valid and unique on the way out.
QByteArray WriteWorkbookStream(const XlsWorksheets &sheets);
