#pragma once
// Reads the Workbook stream of an Excel 97 file (BIFF8 records): the worksheets with their names,
// page headers, print settings and cell values, as Excel, LibreOffice and other writers store them.
// Charts, macro sheets and everything that is not a value are skipped. A damaged stream raises
// Error naming the fault; an encrypted or pre-Excel 97 workbook is refused.

#include "xls/XlsWorkbook.h"

#include <QByteArray>

XlsWorksheets ReadWorkbookStream(const QByteArray &stream);
