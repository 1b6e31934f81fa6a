#pragma once
// The comma-separated form of a sheet: one line per row, cells quoted where needed, Windows-1252,
// lines ending in CR LF.

#include <QByteArray>
#include <QString>

class TSheet;
class TStatusLine;

// Every row of the sheet as a line.
QByteArray SheetToCsv(const TSheet &sheet);

// The two lines between the sections of a combined file: one comma per sheet column each.
QByteArray CsvSectionSeparator(int colCount);

// Appends the file's lines to the sheet, one row each; the first line sets the column count. Lines end
// in LF, optionally preceded by CR. A file that cannot be read, or a line too long for any sheet, raises
// "Could not read data from csv file.".
void ReadCsvFile(const QString &fileName, TSheet &sheet, TStatusLine &status);
