#pragma once
// Number formats of Excel 97 workbooks: translating the user's Qt date and time formats into Excel
// format codes, telling which formats show dates and times, and the text form of a number.

#include <QChar>
#include <QString>

// "dd/MM/yyyy" -> "dd/mm/yyyy", "h:mm:ss AP" -> "h:mm:ss AM/PM". Text in single quotes and any
// character that would mean something else to Excel are escaped.
QString XlsFormatFromQt(const QString &qtFormat);

// Whether a format code shows a date or a time (as opposed to a plain number or text).
bool XlsIsDateTimeFormat(const QString &formatCode);
// The codes of Excel's built-in formats that show dates or times; empty for every other index.
QString XlsBuiltInDateTimeFormat(quint16 index);

// The shortest decimal form with at most 15 significant digits: 20, 2.1, 0.427164351851852, 1E20,
// 1.5E-7, with the given decimal separator.
QString XlsNumberText(double value, QChar decimalSeparator);
