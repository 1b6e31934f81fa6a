#include "xls/XlsWriter.h"

#include "model/Errors.h"
#include "xls/CompoundFile.h"
#include "xls/XlsBytes.h"
#include "xls/XlsRecords.h"

#include <QHash>
#include <bit>
#include <cmath>

using namespace XlsBytes;

namespace {

constexpr int FontCount = 4;
constexpr int StyleXfCount = 15;
// RK holds integers of 30 bits.
constexpr qint64 RkMin = -(qint64{1} << 29);
constexpr qint64 RkMax = (qint64{1} << 29) - 1;

void PutRecord(QByteArray &out, quint16 type, const QByteArray &data)
{
    PutU16(out, type);
    PutU16(out, static_cast<quint16>(data.size()));
    out.append(data);
}

bool FitsOneByte(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

void PutChars(QByteArray &out, QStringView text, bool oneByte)
{
    for (QChar c : text) {
        if (oneByte)
            PutU8(out, static_cast<quint8>(c.unicode()));
        else
            PutU16(out, c.unicode());
    }
}

// The format's Unicode string: a character count of one or two bytes, a flags byte (bit 0: two
// bytes per character) and the characters, one byte each when they all fit.
QByteArray UnicodeString(const QString &text, int countBytes)
{
    QByteArray out;
    const bool oneByte = FitsOneByte(text);
    if (countBytes == 1)
        PutU8(out, static_cast<quint8>(text.size()));
    else
        PutU16(out, static_cast<quint16>(text.size()));
    PutU8(out, oneByte ? 0 : 1);
    PutChars(out, text, oneByte);
    return out;
}

QByteArray Bof(quint16 substream)
{
    QByteArray data;
    PutU16(data, Biff::Version8);
    PutU16(data, substream);
    PutU16(data, 0x0DBB); // build
    PutU16(data, 0x07CC); // year
    PutU32(data, 0);      // file history
    PutU32(data, 6);      // lowest version that reads everything: BIFF8
    return data;
}

QByteArray U16Data(quint16 value)
{
    QByteArray data;
    PutU16(data, value);
    return data;
}

QByteArray F64Data(double value)
{
    QByteArray data;
    PutF64(data, value);
    return data;
}

QByteArray Window1()
{
    QByteArray data;
    PutU16(data, 0x0168); // left, twips
    PutU16(data, 0x001E); // top
    PutU16(data, 0x4000); // width
    PutU16(data, 0x2000); // height
    PutU16(data, 0x0038); // horizontal and vertical scroll bars, sheet tabs
    PutU16(data, 0);      // active sheet
    PutU16(data, 0);      // first tab shown
    PutU16(data, 1);      // selected sheets
    PutU16(data, 600);    // tab bar width, per mille
    return data;
}

QByteArray Font()
{
    QByteArray data;
    PutU16(data, 200);    // 10 pt in twentieths
    PutU16(data, 0);      // no italic, strike-out...
    PutU16(data, 0x7FFF); // automatic colour
    PutU16(data, 400);    // normal weight
    PutU16(data, 0);      // no super- or subscript
    PutU8(data, 0);       // no underline
    PutU8(data, 2);       // swiss family
    PutU8(data, 0);       // ANSI character set
    PutU8(data, 0);
    data.append(UnicodeString(QStringLiteral("Arial"), 1));
    return data;
}

// The 20-byte cell format. Style formats have no parent (0xFFF); cell formats inherit from the
// Normal style and say which of their attributes differ from it.
QByteArray Xf(quint16 numberFormat, bool style, quint8 usedAttributes)
{
    QByteArray data;
    PutU16(data, 0); // font
    PutU16(data, numberFormat);
    PutU16(data, style ? 0xFFF5 : 0x0001); // locked; style with no parent, or a cell of style 0
    PutU8(data, 0x20);                     // aligned to the bottom
    PutU8(data, 0);                        // no rotation
    PutU8(data, 0);                        // no indent
    PutU8(data, usedAttributes);
    PutU32(data, 0);      // no borders
    PutU32(data, 0);      // no border colours, no fill
    PutU16(data, 0x20C0); // pattern colours: automatic foreground and background
    return data;
}

class SharedStrings {
public:
    quint32 indexOf(const QString &text)
    {
        ++FTotal;
        const auto found = FIndex.constFind(text);
        if (found != FIndex.constEnd())
            return found.value();
        const quint32 index = static_cast<quint32>(FStrings.size());
        FIndex.insert(text, index);
        FStrings.append(text);
        return index;
    }

    // SST with CONTINUE records, then EXTSST, whose buckets point into them by stream offset.
    void write(QByteArray &out) const
    {
        const quint32 unique = static_cast<quint32>(FStrings.size());
        const quint32 perBucket = std::max<quint32>(8, (unique + 127) / 128);
        QByteArray extSst;
        PutU16(extSst, static_cast<quint16>(perBucket));

        QByteArray record;
        PutU32(record, FTotal);
        PutU32(record, unique);
        quint16 type = Biff::Sst;
        auto flush = [&] {
            PutRecord(out, type, record);
            record.clear();
            type = Biff::Continue;
        };
        for (quint32 i = 0; i < unique; ++i) {
            const QString &text = FStrings[static_cast<qsizetype>(i)];
            const bool oneByte = FitsOneByte(text);
            const qsizetype charSize = oneByte ? 1 : 2;
            // The count and flags never split from the first character.
            if (record.size() + 3 + (text.isEmpty() ? 0 : charSize) > Biff::MaxData)
                flush();
            if (i % perBucket == 0) {
                PutU32(extSst, static_cast<quint32>(out.size() + 4 + record.size()));
                PutU16(extSst, static_cast<quint16>(4 + record.size()));
                PutU16(extSst, 0);
            }
            PutU16(record, static_cast<quint16>(text.size()));
            PutU8(record, oneByte ? 0 : 1);
            QStringView rest(text);
            for (;;) {
                const qsizetype fit = (Biff::MaxData - record.size()) / charSize;
                PutChars(record, rest.left(fit), oneByte);
                if (rest.size() <= fit)
                    break;
                rest = rest.mid(fit);
                // A string going on in a CONTINUE record repeats its flags byte there.
                flush();
                PutU8(record, oneByte ? 0 : 1);
            }
        }
        flush();
        PutRecord(out, Biff::ExtSst, extSst);
    }

private:
    QHash<QString, quint32> FIndex;
    QList<QString> FStrings;
    quint32 FTotal = 0;
};

class WorkbookWriter {
public:
    explicit WorkbookWriter(const XlsWorksheets &sheets)
        : FSheets(sheets)
    {}

    QByteArray write()
    {
        if (FSheets.empty())
            throw Error(QStringLiteral("A workbook needs at least one worksheet."));
        QStringList names;
        for (const XlsWorksheet &sheet : FSheets)
            names.append(XlsValidSheetName(sheet.name(), names));

        // Cell formats and shared strings come from the cells, so the worksheets are laid out first.
        QList<QByteArray> substreams;
        for (size_t i = 0; i < FSheets.size(); ++i)
            substreams.append(worksheet(FSheets[i], i == 0));

        QByteArray out;
        PutRecord(out, Biff::Bof, Bof(Biff::GlobalsStream));
        PutRecord(out, Biff::CodePage, U16Data(1200)); // UTF-16
        PutRecord(out, Biff::Window1, Window1());
        PutRecord(out, Biff::DateMode, U16Data(0)); // days counted from 1900
        for (int i = 0; i < FontCount; ++i)
            PutRecord(out, Biff::Font, Font());
        for (qsizetype i = 0; i < FFormats.size(); ++i) {
            QByteArray data;
            PutU16(data, static_cast<quint16>(Biff::FirstCustomFormat + i));
            data.append(UnicodeString(FFormats[i], 2));
            PutRecord(out, Biff::Format, data);
        }
        PutRecord(out, Biff::Xf, Xf(0, true, 0));
        for (int i = 1; i < StyleXfCount; ++i)
            PutRecord(out, Biff::Xf, Xf(0, true, 0xF4));
        PutRecord(out, Biff::Xf, Xf(0, false, 0));
        for (qsizetype i = 0; i < FFormats.size(); ++i)
            PutRecord(out, Biff::Xf, Xf(static_cast<quint16>(Biff::FirstCustomFormat + i), false, 0x04));
        QByteArray normalStyle;
        PutU16(normalStyle, 0x8000); // built-in style of format 0
        PutU8(normalStyle, 0);       // Normal
        PutU8(normalStyle, 0xFF);
        PutRecord(out, Biff::Style, normalStyle);

        QList<qsizetype> offsetFields;
        for (const QString &name : names) {
            QByteArray data;
            PutU32(data, 0); // stream offset of the worksheet's BOF, set below
            PutU8(data, 0);  // visible
            PutU8(data, 0);  // worksheet
            data.append(UnicodeString(name, 1));
            offsetFields.append(out.size() + 4);
            PutRecord(out, Biff::BoundSheet, data);
        }
        FStrings.write(out);
        PutRecord(out, Biff::Eof, QByteArray());

        for (qsizetype i = 0; i < substreams.size(); ++i) {
            SetU32(out, offsetFields[i], static_cast<quint32>(out.size()));
            out.append(substreams[i]);
        }
        // Excel keeps the stream out of the mini stream.
        if (out.size() < CompoundFile::MiniStreamCutoff)
            out.append(CompoundFile::MiniStreamCutoff - out.size(), '\0');
        return out;
    }

private:
    quint16 xfFor(const XlsCell &cell)
    {
        if (cell.kind != XlsCell::Kind::DateTime)
            return Biff::DefaultCellXf;
        qsizetype index = FFormats.indexOf(cell.format);
        if (index < 0) {
            if (Biff::DefaultCellXf + 1 + FFormats.size() > 4000)
                throw Error(QStringLiteral("The workbook uses too many number formats."));
            index = FFormats.size();
            FFormats.append(cell.format);
        }
        return static_cast<quint16>(Biff::DefaultCellXf + 1 + index);
    }

    QByteArray worksheet(const XlsWorksheet &sheet, bool first)
    {
        QByteArray out;
        PutRecord(out, Biff::Bof, Bof(Biff::WorksheetStream));
        PutRecord(out, Biff::CalcMode, U16Data(1)); // automatic
        // Grid lines and headings are shown on screen (WINDOW2); the printed report has neither.
        PutRecord(out, Biff::PrintHeaders, U16Data(0));
        PutRecord(out, Biff::PrintGridlines, U16Data(0));
        const XlsPrintSettings &print = sheet.printSettings();
        if (print.fitPagesWide > 0)
            PutRecord(out, Biff::WsBool, U16Data(0x04C1 | 0x0100)); // the usual flags, and fit to pages
        PutRecord(out, Biff::Header,
                  sheet.pageHeader().isEmpty() ? QByteArray() : UnicodeString(sheet.pageHeader(), 2));
        PutRecord(out, Biff::Footer, QByteArray());
        PutRecord(out, Biff::LeftMargin, F64Data(print.leftMargin));
        PutRecord(out, Biff::RightMargin, F64Data(print.rightMargin));
        PutRecord(out, Biff::TopMargin, F64Data(print.topMargin));
        PutRecord(out, Biff::BottomMargin, F64Data(print.bottomMargin));
        QByteArray setup;
        PutU16(setup, print.paperSize);
        PutU16(setup, print.scale);
        PutU16(setup, print.firstPageNumber);
        PutU16(setup, print.fitPagesWide > 0 ? print.fitPagesWide : 1); // pages wide and high when fitting
        PutU16(setup, print.fitPagesWide > 0 ? 0 : 1);                  // 0: as many high as it takes
        const bool portrait = print.orientation == XlsPrintSettings::Orientation::Portrait;
        PutU16(setup, (portrait ? 0x0002 : 0) | 0x0080); // orientation; the first page number is used
        PutU16(setup, 600);                              // dpi
        PutU16(setup, 600);
        PutF64(setup, print.headerMargin);
        PutF64(setup, print.footerMargin);
        PutU16(setup, 1); // copies
        PutRecord(out, Biff::Setup, setup);
        PutRecord(out, Biff::DefColWidth, U16Data(sheet.defaultColumnWidth()));
        for (const auto &[column, characters] : sheet.columnWidths()) {
            QByteArray info;
            PutU16(info, static_cast<quint16>(column)); // first and last column
            PutU16(info, static_cast<quint16>(column));
            PutU16(info, static_cast<quint16>(characters * 256));
            PutU16(info, Biff::DefaultCellXf);
            PutU16(info, 0); // shown, not collapsed
            PutU16(info, 0);
            PutRecord(out, Biff::ColInfo, info);
        }

        QByteArray dimensions;
        const bool empty = sheet.cells().empty();
        const quint32 firstRow = empty ? 0 : sheet.cells().begin()->first / XlsWorksheet::ColumnCount;
        int firstColumn = XlsWorksheet::ColumnCount - 1;
        for (const auto &entry : sheet.cells())
            firstColumn = std::min(firstColumn, static_cast<int>(entry.first % XlsWorksheet::ColumnCount));
        PutU32(dimensions, firstRow);
        PutU32(dimensions, static_cast<quint32>(sheet.lastUsedRow() + 1));
        PutU16(dimensions, empty ? 0 : static_cast<quint16>(firstColumn));
        PutU16(dimensions, static_cast<quint16>(sheet.lastUsedColumn() + 1));
        PutU16(dimensions, 0);
        PutRecord(out, Biff::Dimensions, dimensions);

        // One small record per cell, assembled in place: the bulk of a large workbook.
        out.reserve(out.size() + static_cast<qsizetype>(sheet.cellCount()) * 18 + 256);
        for (const auto &[key, cell] : sheet.cells()) {
            char record[18];
            qToLittleEndian(static_cast<quint16>(key / XlsWorksheet::ColumnCount), record + 4);
            qToLittleEndian(static_cast<quint16>(key % XlsWorksheet::ColumnCount), record + 6);
            qToLittleEndian(xfFor(cell), record + 8);
            quint16 type = Biff::Number;
            qsizetype size = 14;
            if (cell.kind == XlsCell::Kind::Text) {
                type = Biff::LabelSst;
                size = 10;
                qToLittleEndian(FStrings.indexOf(cell.text), record + 10);
            } else {
                const double value =
                    cell.kind == XlsCell::Kind::Integer ? static_cast<double>(cell.integer) : cell.number;
                const bool integral = cell.kind == XlsCell::Kind::Integer || std::trunc(value) == value;
                if (integral && value >= RkMin && value <= RkMax) {
                    const qint64 whole =
                        cell.kind == XlsCell::Kind::Integer ? cell.integer : static_cast<qint64>(value);
                    type = Biff::Rk;
                    size = 10;
                    qToLittleEndian(static_cast<quint32>(whole * 4) | 0x2, record + 10); // 30-bit integer form
                } else {
                    qToLittleEndian(std::bit_cast<quint64>(value), record + 10);
                }
            }
            qToLittleEndian(type, record);
            qToLittleEndian(static_cast<quint16>(size), record + 2);
            out.append(record, size + 4);
        }

        QByteArray window2;
        // Grid lines, headings, zero values, automatic grid colour, outline symbols; the first
        // worksheet is also selected and active.
        PutU16(window2, first ? 0x06B6 : 0x00B6);
        PutU16(window2, 0);  // top row
        PutU16(window2, 0);  // left column
        PutU16(window2, 64); // grid colour: automatic
        PutU16(window2, 0);
        PutU16(window2, 0); // page break preview zoom: default
        PutU16(window2, 0); // normal zoom: default
        PutU32(window2, 0);
        PutRecord(out, Biff::Window2, window2);
        PutRecord(out, Biff::Eof, QByteArray());
        return out;
    }

    const XlsWorksheets &FSheets;
    QList<QString> FFormats;
    SharedStrings FStrings;
};

} // namespace

QByteArray WriteWorkbookStream(const XlsWorksheets &sheets)
{
    return WorkbookWriter(sheets).write();
}
