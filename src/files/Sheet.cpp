#include "files/Sheet.h"

#include <QSet>
#include <algorithm>
#include <stdexcept>

namespace {

bool IsBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 32;
}

bool NeedsQuotes(const QString &cell)
{
    for (QChar c : cell)
        if (IsBlank(c) || c == QLatin1Char('"') || c == QLatin1Char(','))
            return true;
    return false;
}

} // namespace

QStringList SplitCommaText(const QString &text)
{
    QStringList items;
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < n && IsBlank(text.at(i)))
            ++i;
    };
    skipBlanks();
    while (i < n) {
        QString item;
        if (text.at(i) == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text.at(i++);
            }
        } else {
            const qsizetype start = i;
            while (i < n && !IsBlank(text.at(i)) && text.at(i) != QLatin1Char(','))
                ++i;
            item = text.mid(start, i - start);
        }
        items.append(item);
        skipBlanks();
        if (i < n && text.at(i) == QLatin1Char(',')) {
            ++i;
            // A comma at the very end stands before one more, empty, item.
            if (i == n)
                items.append(QString());
            skipBlanks();
        }
    }
    return items;
}

QString QuoteCell(const QString &cell)
{
    if (!NeedsQuotes(cell))
        return cell;
    QString quoted = cell;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

int FieldCount(const QString &text)
{
    return static_cast<int>(SplitCommaText(text).size());
}

bool IsEmptyLine(const QString &text)
{
    if (text.isEmpty())
        return true;
    QSet<QString> distinct;
    for (const QString &item : SplitCommaText(text)) {
        distinct.insert(item.toLower());
        if (distinct.size() > 1)
            return false;
    }
    if (distinct.size() != 1)
        return false;
    for (QChar c : *distinct.cbegin())
        if (!IsBlank(c))
            return false;
    return true;
}

TSheet::TSheet(int colCount, int rowCount)
    : FColCount(std::max(colCount, 0))
{
    SetRowCount(rowCount);
}

void TSheet::SetColCount(int count)
{
    FColCount = std::max(count, 0);
    for (QStringList &cells : FRows) {
        if (cells.size() > FColCount) {
            cells.resize(FColCount);
            Trim(cells);
        }
    }
}

void TSheet::SetRowCount(int count)
{
    FRows.resize(static_cast<std::size_t>(std::max(count, 0)));
}

QStringList &TSheet::Cells(int row)
{
    if (row < 0 || row >= RowCount())
        throw std::out_of_range("sheet row out of range");
    return FRows[static_cast<std::size_t>(row)];
}

void TSheet::Trim(QStringList &cells)
{
    while (!cells.isEmpty() && cells.constLast().isEmpty())
        cells.removeLast();
}

QString TSheet::Cell(int col, int row) const
{
    const QStringList &cells = StoredCells(row);
    return col >= 0 && col < cells.size() ? cells.at(col) : QString();
}

void TSheet::SetCell(int col, int row, const QString &text)
{
    QStringList &cells = Cells(row);
    // Emptying a cell that is empty already, even one beyond the last column, changes nothing.
    if (text.isEmpty() && (col < 0 || col >= cells.size()))
        return;
    if (col < 0 || col >= FColCount)
        throw std::out_of_range("sheet column out of range");
    if (col >= cells.size())
        cells.resize(col + 1);
    cells[col] = text;
    Trim(cells);
}

QStringList TSheet::Row(int row) const
{
    QStringList cells = StoredCells(row);
    cells.resize(FColCount);
    return cells;
}

void TSheet::FillRow(int row, const QString &text)
{
    QStringList items = SplitCommaText(text);
    if (items.size() > FColCount)
        items.resize(FColCount);
    Cells(row) = items;
    ClearBlankCells(row);
}

void TSheet::ClearBlankCells(int row)
{
    QStringList &cells = Cells(row);
    for (QString &cell : cells)
        if (cell == QLatin1String(" "))
            cell.clear();
    Trim(cells);
}

QString TSheet::RowText(int row) const
{
    const QStringList &cells = StoredCells(row);
    QString line;
    for (int col = 0; col < FColCount; ++col) {
        if (col > 0)
            line += QLatin1Char(',');
        if (col < cells.size())
            line += QuoteCell(cells.at(col));
    }
    return line;
}
