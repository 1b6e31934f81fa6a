#include "xls/XlsWorkbook.h"

#include "model/Errors.h"
#include "xls/CompoundFile.h"
#include "xls/XlsFormats.h"
#include "xls/XlsReader.h"
#include "xls/XlsWriter.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cmath>

namespace {

const XlsCell &EmptyCell()
{
    static const XlsCell empty{};
    return empty;
}

bool KeyLess(const XlsWorksheet::Entry &entry, quint32 key)
{
    return entry.first < key;
}

QString DefaultSheetName(int number)
{
    return QStringLiteral("Sheet%1").arg(number);
}

} // namespace

QString XlsCell::asText(QChar decimalSeparator) const
{
    switch (kind) {
    case Kind::Integer:
        return QString::number(integer);
    case Kind::Number:
    case Kind::DateTime:
        return XlsNumberText(number, decimalSeparator);
    case Kind::Text:
        return text;
    case Kind::Empty:
        break;
    }
    return QString();
}

XlsWorksheet::XlsWorksheet(const QString &name)
    : FName(name)
{}

void XlsWorksheet::setPageHeader(const QString &text)
{
    if (text.size() > MaxHeaderLength)
        throw Error(QStringLiteral("A page header may hold at most %1 characters.").arg(MaxHeaderLength));
    FPageHeader = text;
}

quint32 XlsWorksheet::Key(int column, int row)
{
    if (column < 0 || column >= ColumnCount || row < 0 || row >= RowCount)
        throw Error(QStringLiteral("The cell at column %1, row %2 lies outside the worksheet (%3 columns, %4 rows).")
                        .arg(column)
                        .arg(row)
                        .arg(ColumnCount)
                        .arg(RowCount));
    return static_cast<quint32>(row) * ColumnCount + static_cast<quint32>(column);
}

void XlsWorksheet::setCell(int column, int row, XlsCell cell)
{
    const quint32 key = Key(column, row);
    switch (cell.kind) {
    case XlsCell::Kind::Number:
    case XlsCell::Kind::DateTime:
        if (!std::isfinite(cell.number))
            throw Error(QStringLiteral("A workbook cell cannot hold the value %1.").arg(cell.number));
        if (cell.kind == XlsCell::Kind::DateTime && (cell.format.isEmpty() || cell.format.size() > 255))
            throw Error(QStringLiteral("A date or time cell needs a number format of 1 to 255 characters."));
        break;
    case XlsCell::Kind::Text:
        if (cell.text.size() > MaxTextLength)
            throw Error(QStringLiteral("A cell text may hold at most %1 characters.").arg(MaxTextLength));
        break;
    case XlsCell::Kind::Integer:
    case XlsCell::Kind::Empty:
        break;
    }
    if (cell.kind == XlsCell::Kind::Empty || (cell.kind == XlsCell::Kind::Text && cell.text.isEmpty())) {
        settle();
        const auto at = std::lower_bound(FCells.begin(), FCells.end(), key, KeyLess);
        if (at == FCells.end() || at->first != key)
            return;
        FCells.erase(at);
        if (column == FLastColumn) {
            FLastColumn = -1;
            for (const Entry &entry : FCells)
                FLastColumn = std::max(FLastColumn, static_cast<int>(entry.first % ColumnCount));
        }
        return;
    }
    if (!FCells.empty() && FCells.back().first == key)
        FCells.back().second = std::move(cell);
    else {
        if (!FCells.empty() && FCells.back().first > key)
            FSorted = false;
        FCells.emplace_back(key, std::move(cell));
    }
    FLastColumn = std::max(FLastColumn, column);
}

void XlsWorksheet::settle() const
{
    if (FSorted)
        return;
    std::stable_sort(FCells.begin(), FCells.end(), [](const Entry &a, const Entry &b) { return a.first < b.first; });
    // Of entries for one position, the one set last is the last of its run.
    auto out = FCells.begin();
    for (auto in = FCells.begin(); in != FCells.end(); ++in) {
        if (std::next(in) != FCells.end() && std::next(in)->first == in->first)
            continue;
        if (out != in)
            *out = std::move(*in);
        ++out;
    }
    FCells.erase(out, FCells.end());
    FSorted = true;
}

const std::vector<XlsWorksheet::Entry> &XlsWorksheet::cells() const
{
    settle();
    return FCells;
}

int XlsWorksheet::cellCount() const
{
    return static_cast<int>(cells().size());
}

quint16 XlsWorksheet::columnWidth(int column) const
{
    const auto it = FColumnWidths.find(column);
    return it == FColumnWidths.end() ? FDefaultColumnWidth : it->second;
}

void XlsWorksheet::setColumnWidth(int column, quint16 characters)
{
    if (column < 0 || column >= ColumnCount || characters > 255)
        throw Error(QStringLiteral("A column width needs a column of the worksheet and at most 255 characters."));
    FColumnWidths[column] = characters;
}

void XlsWorksheet::setInteger(int column, int row, qint64 value)
{
    XlsCell cell;
    cell.kind = XlsCell::Kind::Integer;
    cell.integer = value;
    setCell(column, row, std::move(cell));
}

void XlsWorksheet::setNumber(int column, int row, double value)
{
    XlsCell cell;
    cell.kind = XlsCell::Kind::Number;
    cell.number = value;
    setCell(column, row, std::move(cell));
}

void XlsWorksheet::setDateTime(int column, int row, double dayNumber, const QString &formatCode)
{
    XlsCell cell;
    cell.kind = XlsCell::Kind::DateTime;
    cell.number = dayNumber;
    cell.format = formatCode;
    setCell(column, row, std::move(cell));
}

void XlsWorksheet::setText(int column, int row, const QString &text)
{
    XlsCell cell;
    cell.kind = XlsCell::Kind::Text;
    cell.text = text;
    setCell(column, row, std::move(cell));
}

const XlsCell &XlsWorksheet::cell(int column, int row) const
{
    if (column < 0 || column >= ColumnCount || row < 0 || row >= RowCount)
        return EmptyCell();
    settle();
    const quint32 key = static_cast<quint32>(row) * ColumnCount + static_cast<quint32>(column);
    // Readers mostly go through the cells in order: the place after the last hit is tried first.
    const size_t next = FHint + 1;
    if (FHint < FCells.size() && FCells[FHint].first < key && (next == FCells.size() || FCells[next].first >= key)) {
        if (next < FCells.size() && FCells[next].first == key) {
            FHint = next;
            return FCells[next].second;
        }
        return EmptyCell();
    }
    const auto found = std::lower_bound(FCells.begin(), FCells.end(), key, KeyLess);
    if (found == FCells.end() || found->first != key)
        return EmptyCell();
    FHint = static_cast<size_t>(found - FCells.begin());
    return found->second;
}

QString XlsWorksheet::cellText(int column, int row, QChar decimalSeparator) const
{
    return cell(column, row).asText(decimalSeparator);
}

int XlsWorksheet::lastUsedRow() const
{
    settle();
    return FCells.empty() ? -1 : static_cast<int>(FCells.back().first / ColumnCount);
}

XlsWorkbook::XlsWorkbook()
{
    clear();
}

void XlsWorkbook::clear()
{
    FSheets.clear();
    FSheets.emplace_back(DefaultSheetName(1));
}

XlsWorksheet &XlsWorkbook::sheet(int index)
{
    if (index < 0 || index >= sheetCount())
        throw Error(QStringLiteral("The workbook has no worksheet %1.").arg(index));
    return FSheets[static_cast<size_t>(index)];
}

const XlsWorksheet &XlsWorkbook::sheet(int index) const
{
    if (index < 0 || index >= sheetCount())
        throw Error(QStringLiteral("The workbook has no worksheet %1.").arg(index));
    return FSheets[static_cast<size_t>(index)];
}

XlsWorksheet &XlsWorkbook::addSheet()
{
    return FSheets.emplace_back(DefaultSheetName(sheetCount() + 1));
}

QByteArray XlsWorkbook::toBytes() const
{
    CompoundFile container;
    container.addStream(QStringLiteral("Workbook"), WriteWorkbookStream(FSheets));
    return container.toBytes();
}

void XlsWorkbook::fromBytes(const QByteArray &bytes)
{
    const CompoundFile container = CompoundFile::fromBytes(bytes);
    if (!container.hasStream(QStringLiteral("Workbook"))) {
        if (container.hasStream(QStringLiteral("Book")))
            throw Error(QStringLiteral("The workbook is in a format older than Excel 97 and cannot be read."));
        throw Error(QStringLiteral("The file is not an Excel 97 workbook (it has no Workbook stream)."));
    }
    FSheets = ReadWorkbookStream(container.stream(QStringLiteral("Workbook")));
}

void XlsWorkbook::write() const
{
    const QByteArray bytes = toBytes();
    // Written aside and renamed into place, so a failed write leaves no half file behind.
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Error(QStringLiteral("Could not write the workbook \"%1\": %2.").arg(FFileName, file.errorString()));
}

void XlsWorkbook::read()
{
    QFile file(FFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Could not open the workbook \"%1\": %2.").arg(FFileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Could not read the workbook \"%1\": %2.").arg(FFileName, file.errorString()));
    fromBytes(bytes);
}

QString XlsValidSheetName(const QString &wanted, const QStringList &usedNames)
{
    constexpr int MaxLength = 31;
    QString base = wanted.isEmpty() ? DefaultSheetName(static_cast<int>(usedNames.size()) + 1) : wanted;
    for (qsizetype i = 0; i < base.size(); ++i) {
        const QChar c = base.at(i);
        const bool apostropheAtEdge = c == u'\'' && (i == 0 || i == base.size() - 1);
        if (QStringLiteral(":\\/?*[]").contains(c) || c.unicode() < 0x20 || apostropheAtEdge)
            base[i] = u'_';
    }
    // Cuts to a length without splitting a surrogate pair.
    auto cut = [](const QString &text, qsizetype length) {
        if (text.size() <= length)
            return text;
        if (length > 0 && text.at(length - 1).isHighSurrogate())
            --length;
        return text.left(length);
    };
    auto taken = [&usedNames](const QString &name) {
        // "History" is reserved by Excel for its change tracking.
        if (name.compare(QLatin1String("History"), Qt::CaseInsensitive) == 0)
            return true;
        for (const QString &used : usedNames)
            if (used.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    QString name = cut(base, MaxLength);
    if (name.endsWith(u'\''))
        name[name.size() - 1] = u'_';
    for (int n = 2; taken(name); ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        name = cut(base, MaxLength - suffix.size()) + suffix;
    }
    return name;
}
