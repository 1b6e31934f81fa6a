#pragma once
// The bridge between the sheet and the spreadsheet engine: typed cells, the page header and the
// worksheet names of the workbooks the save commands write, and the sheet an imported workbook gives.

#include <QByteArray>
#include <QString>

class TSheet;
class TStatusLine;
class XlsWorkbook;

// What a sheet cell's text becomes in a workbook; the first kind whose test the text passes wins.
enum class TCellKind { Integer, Decimal, Date, Time, Text, Empty };

struct TCellContent {
    TCellKind Kind = TCellKind::Empty;
    qint64 Integer = 0; // Integer
    double Number = 0;  // Decimal, Date (a day number) and Time (a fraction of a day)
};

// Integers and decimals with the user's decimal separator, dates in the user's short date format,
// times in the user's time format (or the files' hh:nn:ss), any other non-empty text as text.
TCellContent CellKind(const QString &text);

// Writes the sheet's cells into worksheet Index by kind, sets its page header and names it after
// Title (made a valid name, distinct from the other worksheets' names). With AdjustEarlyDates a date
// before 1 March 1900 is written one day lower, as spreadsheet programs count those days.
void FillWorksheet(XlsWorkbook &workbook, int index, const TSheet &sheet, const QString &title, bool adjustEarlyDates);

// The sheet as the bytes of a one-worksheet workbook. Any failure raises "Could not save data to xls
// file.".
QByteArray WorkbookBytes(const QString &title, const TSheet &sheet);

// Appends every worksheet's used range to the sheet, cell by cell as text, worksheets separated by
// 4 empty rows. A workbook that cannot be read raises "Could not read data from xls file." with the
// reason after it.
void ReadXlsFile(const QString &fileName, TSheet &sheet, TStatusLine &status);
