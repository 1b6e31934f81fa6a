#include "files/WorkbookFile.h"

#include "files/Sheet.h"
#include "files/StatusLine.h"
#include "model/Conversions.h"
#include "model/Errors.h"
#include "model/UserLocale.h"
#include "xls/XlsFormats.h"
#include "xls/XlsWorkbook.h"

#include <QFileInfo>
#include <algorithm>
#include <cstdlib>

namespace {

// Spreadsheet programs count a 29 February 1900 that never was, so their day numbers of the
// days before 1 March 1900 are one higher than the true ones.
constexpr double FirstDayAfterPhantomLeapDay = 61;
// Columns that hold dates are made wide enough for a short date, which would otherwise show as ###.
constexpr quint16 DateColumnWidth = 12;

// The values of these rows name things rather than measure them: a serial number "0012345", a version
// "2.10" or a batch named "1e5" or "10:15" would not come back as written from a number, date or time
// cell, and the check code would fail. They are text cells whatever they look like.
bool NamesAThing(const QString &label)
{
    static const QStringList labels = {QStringLiteral("Serial Number"), QStringLiteral("Software Version"),
                                       QStringLiteral("Config version"), QStringLiteral("Batch name")};
    return labels.contains(label);
}

// The digits a number cell gives back exactly.
constexpr qint64 ExactIntegers = 1'000'000'000'000'000;

// The cell a value of the device and batch blocks becomes, by the label of its row.
TCellContent ValueCell(const QString &label, const QString &text)
{
    if (NamesAThing(label))
        return {TCellKind::Text};
    const TCellContent content = CellKind(text);
    // The total count is kept as the meter sent it: a number only when it comes back as those digits.
    if (label == QLatin1String("Total Number of readings") &&
        (content.Kind != TCellKind::Integer || QString::number(content.Integer) != text ||
         std::abs(content.Integer) >= ExactIntegers))
        return {TCellKind::Text};
    return content;
}

constexpr int ValueCol = 4;

// The user's date and time formats, as a workbook writes them; the same for every cell of a sheet.
struct TCellFormats {
    QString Date;
    QString Time;
};

void WriteCell(XlsWorksheet &worksheet, int col, int row, const QString &text, const TCellContent &content,
               const TCellFormats &formats, bool adjustEarlyDates)
{
    switch (content.Kind) {
    case TCellKind::Integer:
        worksheet.setInteger(col, row, content.Integer);
        break;
    case TCellKind::Decimal:
        worksheet.setNumber(col, row, content.Number);
        break;
    case TCellKind::Date: {
        double day = content.Number;
        if (adjustEarlyDates && day < FirstDayAfterPhantomLeapDay)
            day -= 1;
        worksheet.setDateTime(col, row, day, formats.Date);
        worksheet.setColumnWidth(col, DateColumnWidth);
        break;
    }
    case TCellKind::Time:
        worksheet.setDateTime(col, row, content.Number, formats.Time);
        break;
    case TCellKind::Text:
        worksheet.setText(col, row, text);
        break;
    case TCellKind::Empty:
        break;
    }
}

} // namespace

TCellContent CellKind(const QString &text)
{
    if (text.isEmpty())
        return {TCellKind::Empty};
    // The integer test allows no trailing blanks; the decimal test does.
    if (const auto value = TryStrToInt64(text))
        return {TCellKind::Integer, *value};
    if (const auto value = TryStrToFloat(text))
        return {TCellKind::Decimal, 0, *value};
    // Reading a date accepts any separators, so that "11:01:07" would pass as 11 January 2007; a
    // cell is a date only when it is the text the short date format gives for that date.
    if (const auto value = TryStrToDate(text); value && DateToStr(*value) == text)
        return {TCellKind::Date, 0, *value};
    if (const auto value = TryStrToTime(text))
        return {TCellKind::Time, 0, *value};
    return {TCellKind::Text};
}

void FillWorksheet(XlsWorkbook &workbook, int index, const TSheet &sheet, const QString &title, bool adjustEarlyDates)
{
    XlsWorksheet &worksheet = workbook.sheet(index);
    const UserLocale &locale = UserLocale::Current();
    const TCellFormats formats{XlsFormatFromQt(locale.ShortDateFormat), XlsFormatFromQt(locale.TimeFormat)};
    for (int row = 0; row < sheet.RowCount(); ++row) {
        const QStringList &cells = sheet.StoredCells(row);
        for (int col = 0; col < cells.size(); ++col) {
            const QString &text = cells[col];
            const TCellContent content =
                col == ValueCol && !text.isEmpty() ? ValueCell(cells[0], text) : CellKind(text);
            WriteCell(worksheet, col, row, text, content, formats, adjustEarlyDates);
        }
    }
    worksheet.setPageHeader(QStringLiteral("&L&D  &T &C Batch Report: ") + title + QStringLiteral(" &R&P of &N"));
    // The report is one page wide: the last column's title runs on past the page's edge at full size.
    worksheet.printSettings().fitPagesWide = 1;
    QStringList others;
    for (int i = 0; i < workbook.sheetCount(); ++i)
        if (i != index)
            others << workbook.sheet(i).name();
    worksheet.setName(XlsValidSheetName(title, others));
}

QByteArray WorkbookBytes(const QString &title, const TSheet &sheet)
{
    try {
        XlsWorkbook workbook;
        FillWorksheet(workbook, 0, sheet, title, true);
        return workbook.toBytes();
    } catch (const std::exception &) {
        throw Error(QStringLiteral("Could not save data to xls file."));
    }
}

void ReadXlsFile(const QString &fileName, TSheet &sheet, TStatusLine &status)
{
    const QString shortName = QFileInfo(fileName).fileName();
    status.ShowStatus(QStringLiteral("Opening ") + shortName);
    try {
        XlsWorkbook workbook;
        workbook.setFileName(fileName);
        workbook.read();
        const QChar separator = UserLocale::Current().DecimalSeparator;
        for (int index = 0; index < workbook.sheetCount(); ++index) {
            const XlsWorksheet &worksheet = workbook.sheet(index);
            const int lastRow = worksheet.lastUsedRow();
            const int lastCol = worksheet.lastUsedColumn();
            sheet.SetColCount(std::max(sheet.ColCount(), lastCol + 1));
            for (int row = 0; row <= lastRow; ++row) {
                const int target = sheet.RowCount() - 1;
                status.ShowStatus(QStringLiteral("Reading line %1 from %2 sheet %3")
                                      .arg(sheet.RowCount())
                                      .arg(shortName, worksheet.name()));
                for (int col = 0; col <= lastCol; ++col)
                    sheet.SetCell(col, target, worksheet.cellText(col, row, separator));
                if (row < lastRow)
                    sheet.AddRows(1);
            }
            if (index + 1 < workbook.sheetCount())
                sheet.AddRows(4);
        }
    } catch (const std::exception &e) {
        status.ClearStatus();
        throw Error(QStringLiteral("Could not read data from xls file. ") + MessageOf(e));
    }
    status.ClearStatus();
}
