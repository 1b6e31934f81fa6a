#pragma once
// The sheet: a table of text cells by column and row from 0, into which a batch report or the device
// properties are laid out before they are written, and into which an imported file is loaded.

#include <QString>
#include <QStringList>
#include <vector>

// Splits a comma-separated text into its items. Blanks and control characters (codes 1 to 32) around
// items are skipped and also end an unquoted item; an item that starts with a double quote runs to its
// closing quote (a doubled quote inside stands for one) and may hold blanks and commas; empty items
// count, so "a," has two items and "" none.
QStringList SplitCommaText(const QString &text);

// One cell as it stands in a comma-separated line: quoted, with its quotes doubled, when it holds a
// blank, a control character, a double quote or a comma.
QString QuoteCell(const QString &cell);

// The number of items of a comma-separated text.
int FieldCount(const QString &text);

// Whether a row, given as comma-separated text, is empty: its items, duplicates removed without regard
// to case, come down to one that is empty or consists of blanks and control characters only.
bool IsEmptyLine(const QString &text);

class TSheet {
public:
    explicit TSheet(int colCount = 9, int rowCount = 1);

    int ColCount() const { return FColCount; }
    int RowCount() const { return static_cast<int>(FRows.size()); }
    // Fewer columns drop the cells beyond the new last column.
    void SetColCount(int count);
    void SetRowCount(int count);
    void AddRows(int count) { SetRowCount(RowCount() + count); }
    // No rows and no cells; the column count stays.
    void Clear() { FRows.clear(); }

    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString &text);
    // The row's cells from column 0, ColCount of them.
    QStringList Row(int row) const;
    // The row's cells up to its last non-empty one; the cells after it are empty.
    const QStringList &StoredCells(int row) const { return FRows.at(static_cast<std::size_t>(row)); }

    // Fills the row from a comma-separated text: items beyond the last column are dropped, the cells
    // after the last item are emptied, and a cell holding a single blank is emptied.
    void FillRow(int row, const QString &text);
    void ClearBlankCells(int row);
    // The row as one comma-separated line: the cells joined by commas, quoted where needed, so that a
    // row always has ColCount - 1 separating commas.
    QString RowText(int row) const;

private:
    QStringList &Cells(int row);
    static void Trim(QStringList &cells);

    int FColCount;
    std::vector<QStringList> FRows; // trailing empty cells are not stored
};
