#include "xls/XlsReader.h"

#include "model/Errors.h"
#include "xls/XlsBytes.h"
#include "xls/XlsFormats.h"
#include "xls/XlsRecords.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <optional>

using namespace XlsBytes;

namespace {

// Day 0 of the 1904 date system is day 1462 of the 1900 system.
constexpr double Days1904 = 1462;
// Integral numbers below this read as integer cells; their text is the same either way.
constexpr double IntegerLimit = 1e15;

[[noreturn]] void Fail(const QString &what)
{
    throw Error(QStringLiteral("The file is not a readable Excel 97 workbook (%1).").arg(what));
}

QString Hex(quint16 type)
{
    return QStringLiteral("0x") + QString::number(type, 16).toUpper().rightJustified(4, u'0');
}

struct Record {
    quint16 type = 0;
    const char *data = nullptr;
    qsizetype size = 0;
    qsizetype offset = 0;
};

// Walks the records of the stream from a given offset; every length is checked against the stream.
class RecordCursor {
public:
    RecordCursor(const QByteArray &stream, qsizetype offset)
        : FStream(stream)
        , FPos(offset)
    {}

    bool atEnd() const { return FPos >= FStream.size(); }
    qsizetype position() const { return FPos; }

    Record next()
    {
        if (FStream.size() - FPos < 4)
            Fail(QStringLiteral("a record header at offset %1 is cut off").arg(FPos));
        Record record;
        record.offset = FPos;
        record.type = U16(FStream.constData() + FPos);
        record.size = U16(FStream.constData() + FPos + 2);
        if (FStream.size() - FPos - 4 < record.size)
            Fail(QStringLiteral("record %1 at offset %2 runs past the end of the stream")
                     .arg(Hex(record.type))
                     .arg(FPos));
        record.data = FStream.constData() + FPos + 4;
        FPos += 4 + record.size;
        return record;
    }

    bool nextIsContinue() const
    {
        return FStream.size() - FPos >= 4 && U16(FStream.constData() + FPos) == Biff::Continue;
    }

private:
    const QByteArray &FStream;
    qsizetype FPos;
};

// A record with the CONTINUE records that follow it, read as one sequence of bytes. A string's
// characters that go on in the next record start there with a fresh flags byte.
class ContinuedData {
public:
    ContinuedData(const Record &first, RecordCursor &cursor, qsizetype skip)
    {
        FSegments.append({first.data, first.size});
        while (cursor.nextIsContinue()) {
            const Record more = cursor.next();
            FSegments.append({more.data, more.size});
        }
        FType = first.type;
        skipBytes(skip);
    }

    quint8 u8()
    {
        while (FPos == FSegments[FSegment].size) {
            if (FSegment + 1 >= FSegments.size())
                Fail(QStringLiteral("record %1 is shorter than its contents").arg(Hex(FType)));
            ++FSegment;
            FPos = 0;
        }
        return U8(FSegments[FSegment].data + FPos++);
    }
    quint16 u16()
    {
        const quint16 low = u8();
        return static_cast<quint16>(low | (u8() << 8));
    }
    quint32 u32()
    {
        const quint32 low = u16();
        return low | (static_cast<quint32>(u16()) << 16);
    }

    void skipBytes(quint64 count)
    {
        while (count > 0) {
            const qsizetype left = FSegments[FSegment].size - FPos;
            if (static_cast<quint64>(left) >= count) {
                FPos += static_cast<qsizetype>(count);
                return;
            }
            count -= static_cast<quint64>(left);
            if (FSegment + 1 >= FSegments.size())
                Fail(QStringLiteral("record %1 is shorter than its contents").arg(Hex(FType)));
            ++FSegment;
            FPos = 0;
        }
    }

    QString chars(qsizetype count, bool twoBytes)
    {
        QString text;
        text.reserve(count);
        while (count > 0) {
            if (FPos == FSegments[FSegment].size) {
                if (FSegment + 1 >= FSegments.size())
                    Fail(QStringLiteral("a string in record %1 is cut off").arg(Hex(FType)));
                ++FSegment;
                FPos = 0;
                twoBytes = u8() & 0x01;
                continue;
            }
            const Segment &segment = FSegments[FSegment];
            const qsizetype size = twoBytes ? 2 : 1;
            const qsizetype n = std::min(count, (segment.size - FPos) / size);
            if (n == 0)
                Fail(QStringLiteral("a character is split between records in %1").arg(Hex(FType)));
            const char *p = segment.data + FPos;
            for (qsizetype i = 0; i < n; ++i)
                text.append(QChar(twoBytes ? U16(p + 2 * i) : static_cast<char16_t>(U8(p + i))));
            FPos += n * size;
            count -= n;
        }
        return text;
    }

    // The string form with a 16-bit count used by LABEL, STRING, FORMAT and HEADER.
    QString unicodeString()
    {
        const quint16 count = u16();
        return chars(count, u8() & 0x01);
    }

private:
    struct Segment {
        const char *data;
        qsizetype size;
    };
    QList<Segment> FSegments;
    qsizetype FSegment = 0;
    qsizetype FPos = 0;
    quint16 FType = 0;
};

void Need(const Record &record, qsizetype size)
{
    if (record.size < size)
        Fail(QStringLiteral("record %1 at offset %2 is too short").arg(Hex(record.type)).arg(record.offset));
}

// The text at an offset of LABEL, STRING or HEADER: the string form with a 16-bit count, whose
// characters may go on in CONTINUE records.
QString RecordString(const Record &record, RecordCursor &cursor, qsizetype at)
{
    Need(record, at + 3);
    ContinuedData data(record, cursor, at);
    return data.unicodeString();
}

QString ErrorText(quint8 code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    case 0x2A:
        return QStringLiteral("#N/A");
    default:
        return QStringLiteral("#N/A");
    }
}

QString BoolText(bool value)
{
    return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

double RkValue(quint32 rk)
{
    double value = (rk & 0x2) ? static_cast<double>(static_cast<qint32>(rk) >> 2)
                              : std::bit_cast<double>(static_cast<quint64>(rk & 0xFFFFFFFC) << 32);
    if (rk & 0x1)
        value /= 100;
    return value;
}

void CheckBof(const Record &record)
{
    if (record.type == Biff::Bof2 || record.type == Biff::Bof3 || record.type == Biff::Bof4)
        throw Error(QStringLiteral("The workbook is in a format older than Excel 97 and cannot be read."));
    if (record.type != Biff::Bof)
        Fail(QStringLiteral("a substream does not start with a BOF record"));
    Need(record, 4);
    if (U16(record.data) != Biff::Version8)
        throw Error(QStringLiteral("The workbook is in a format older than Excel 97 and cannot be read."));
}

// The records of the workbook globals, each read by its own function.

struct BoundSheet {
    quint32 offset = 0;
    QString name;
};

struct Globals {
    qsizetype end = 0; // offset after their EOF
    bool date1904 = false;
    QHash<quint16, QString> formats; // number format codes by index
    QList<quint16> xfFormats;        // the number format of each cell format
    QList<BoundSheet> sheets;
    QList<QString> strings;
};

bool ParseDateMode(const Record &r)
{
    Need(r, 2);
    return U16(r.data) == 1;
}

std::pair<quint16, QString> ParseFormat(const Record &r, RecordCursor &cursor)
{
    Need(r, 2);
    ContinuedData data(r, cursor, 0);
    const quint16 index = data.u16();
    return {index, data.unicodeString()};
}

quint16 ParseXf(const Record &r)
{
    Need(r, 4);
    return U16(r.data + 2);
}

// Charts, macro sheets and modules are not read, so they give no sheet.
std::optional<BoundSheet> ParseBoundSheet(const Record &r, RecordCursor &cursor)
{
    Need(r, 8);
    ContinuedData data(r, cursor, 0);
    BoundSheet bound;
    bound.offset = data.u32();
    data.u8(); // visibility
    const quint8 type = data.u8();
    const quint8 count = data.u8();
    bound.name = data.chars(count, data.u8() & 0x01);
    if (type != 0)
        return std::nullopt;
    return bound;
}

// The count comes from the file; maxCount bounds what it may reserve.
QList<QString> ParseSst(const Record &r, RecordCursor &cursor, qsizetype maxCount)
{
    Need(r, 8);
    ContinuedData data(r, cursor, 4);
    const quint32 unique = data.u32();
    QList<QString> strings;
    strings.reserve(std::min<qsizetype>(unique, maxCount));
    for (quint32 i = 0; i < unique; ++i) {
        const quint16 count = data.u16();
        const quint8 flags = data.u8();
        const quint16 runs = (flags & 0x08) ? data.u16() : 0;
        const quint32 extra = (flags & 0x04) ? data.u32() : 0;
        strings.append(data.chars(count, flags & 0x01));
        data.skipBytes(4ull * runs + extra);
    }
    return strings;
}

Globals ReadGlobals(const QByteArray &stream)
{
    RecordCursor cursor(stream, 0);
    const Record bof = cursor.next();
    CheckBof(bof);
    if (U16(bof.data + 2) != Biff::GlobalsStream)
        Fail(QStringLiteral("the workbook globals are missing"));
    Globals globals;
    for (;;) {
        if (cursor.atEnd())
            Fail(QStringLiteral("the workbook globals end without an EOF record"));
        const Record r = cursor.next();
        switch (r.type) {
        case Biff::Eof:
            globals.end = cursor.position();
            return globals;
        case Biff::FilePass:
            throw Error(QStringLiteral("The workbook is encrypted (protected by a password) and cannot be read."));
        case Biff::DateMode:
            globals.date1904 = ParseDateMode(r);
            break;
        case Biff::Format: {
            const auto [index, code] = ParseFormat(r, cursor);
            globals.formats.insert(index, code);
            break;
        }
        case Biff::Xf:
            globals.xfFormats.append(ParseXf(r));
            break;
        case Biff::BoundSheet:
            if (auto bound = ParseBoundSheet(r, cursor))
                globals.sheets.append(std::move(*bound));
            break;
        case Biff::Sst:
            // Each string takes at least three bytes of the stream.
            globals.strings.append(ParseSst(r, cursor, stream.size() / 3));
            break;
        default:
            break;
        }
    }
}

// Number cells as the cell formats show them. Whether a cell format shows dates or times is worked
// out once, as every number cell asks.
class CellFormats {
public:
    explicit CellFormats(const Globals &globals)
        : F1904(globals.date1904)
    {
        // For every cell format: its code when it shows dates or times, empty otherwise.
        FDateTime.reserve(globals.xfFormats.size());
        for (quint16 index : globals.xfFormats) {
            const auto custom = globals.formats.constFind(index);
            if (custom == globals.formats.constEnd())
                FDateTime.append(XlsBuiltInDateTimeFormat(index));
            else
                FDateTime.append(XlsIsDateTimeFormat(custom.value()) ? custom.value() : QString());
        }
    }

    XlsCell numberCell(double value, quint16 xf) const
    {
        XlsCell cell;
        const bool dateTime = xf < FDateTime.size() && !FDateTime[xf].isEmpty();
        if (dateTime && std::isfinite(value)) {
            cell.kind = XlsCell::Kind::DateTime;
            cell.format = FDateTime[xf];
            cell.number = F1904 && value >= 1 ? value + Days1904 : value;
        } else if (std::trunc(value) == value && std::fabs(value) < IntegerLimit) {
            cell.kind = XlsCell::Kind::Integer;
            cell.integer = static_cast<qint64>(value);
        } else {
            cell.kind = XlsCell::Kind::Number;
            cell.number = value;
        }
        return cell;
    }

private:
    bool F1904;
    QList<QString> FDateTime;
};

// The records of a worksheet, each read by its own function.

struct CellPosition {
    quint16 column = 0;
    quint16 row = 0;
};

// A value a record gives a cell.
struct CellAt {
    CellPosition position;
    XlsCell cell;
};

// Every cell record starts with the row and the column.
CellPosition PositionOf(const Record &r)
{
    return {U16(r.data + 2), U16(r.data)};
}

XlsCell TextCell(const QString &text)
{
    XlsCell cell;
    cell.kind = XlsCell::Kind::Text;
    cell.text = text;
    return cell;
}

void Put(XlsWorksheet &sheet, CellAt &&at)
{
    const auto [column, row] = at.position;
    if (column >= XlsWorksheet::ColumnCount)
        Fail(QStringLiteral("a cell lies in column %1, beyond the last column").arg(column));
    // Non-finite numbers are not values a workbook can hold; such a cell reads as empty.
    const XlsCell &cell = at.cell;
    if ((cell.kind == XlsCell::Kind::Number || cell.kind == XlsCell::Kind::DateTime) && !std::isfinite(cell.number))
        return;
    sheet.setCell(column, row, std::move(at.cell));
}

CellAt ParseNumber(const Record &r, const CellFormats &formats)
{
    Need(r, 14);
    return {PositionOf(r), formats.numberCell(F64(r.data + 6), U16(r.data + 4))};
}

CellAt ParseRk(const Record &r, const CellFormats &formats)
{
    Need(r, 10);
    return {PositionOf(r), formats.numberCell(RkValue(U32(r.data + 6)), U16(r.data + 4))};
}

// Numbers in adjacent cells of one row.
void ParseMulRk(const Record &r, const CellFormats &formats, XlsWorksheet &sheet)
{
    Need(r, 6);
    const quint16 row = U16(r.data);
    const quint16 first = U16(r.data + 2);
    const qsizetype count = (r.size - 6) / 6;
    for (qsizetype i = 0; i < count; ++i) {
        const char *p = r.data + 4 + 6 * i;
        Put(sheet, {{static_cast<quint16>(first + i), row}, formats.numberCell(RkValue(U32(p + 2)), U16(p))});
    }
}

CellAt ParseLabelSst(const Record &r, const QList<QString> &strings)
{
    Need(r, 10);
    const quint32 index = U32(r.data + 6);
    if (index >= static_cast<quint32>(strings.size()))
        Fail(QStringLiteral("a cell refers to shared string %1 of %2").arg(index).arg(strings.size()));
    return {PositionOf(r), TextCell(strings[index])};
}

// LABEL, and RSTRING, whose formatting runs are not read.
CellAt ParseLabel(const Record &r, RecordCursor &cursor)
{
    const QString text = RecordString(r, cursor, 6);
    return {PositionOf(r), TextCell(text)};
}

CellAt ParseBoolErr(const Record &r)
{
    Need(r, 8);
    const quint8 value = U8(r.data + 6);
    const bool error = U8(r.data + 7) != 0;
    return {PositionOf(r), TextCell(error ? ErrorText(value) : BoolText(value != 0))};
}

// Puts the value of the formula's last calculation. A text value is not in the record but in the
// STRING record after it: then the position it goes to is returned.
std::optional<CellPosition> ParseFormula(const Record &r, const CellFormats &formats, XlsWorksheet &sheet)
{
    Need(r, 20);
    const CellPosition position = PositionOf(r);
    const char *result = r.data + 6;
    if (U16(result + 6) != 0xFFFF)
        Put(sheet, {position, formats.numberCell(F64(result), U16(r.data + 4))});
    else if (U8(result) == 0)
        return position;
    else if (U8(result) == 1)
        Put(sheet, {position, TextCell(BoolText(U8(result + 2) != 0))});
    else if (U8(result) == 2)
        Put(sheet, {position, TextCell(ErrorText(U8(result + 2)))});
    return std::nullopt;
}

quint16 ParseDefColWidth(const Record &r)
{
    Need(r, 2);
    return U16(r.data);
}

// Widths are stored in 1/256 of a character.
void ParseColInfo(const Record &r, XlsWorksheet &sheet)
{
    Need(r, 10);
    const int last = std::min<int>(U16(r.data + 2), XlsWorksheet::ColumnCount - 1);
    const quint16 characters = static_cast<quint16>(std::min(U16(r.data + 4) / 256, 255));
    for (int column = U16(r.data); column <= last; ++column)
        sheet.setColumnWidth(column, characters);
}

QString ParseHeader(const Record &r, RecordCursor &cursor)
{
    return RecordString(r, cursor, 0).left(XlsWorksheet::MaxHeaderLength);
}

// LEFTMARGIN, RIGHTMARGIN, TOPMARGIN and BOTTOMMARGIN.
double ParseMargin(const Record &r)
{
    Need(r, 8);
    return F64(r.data);
}

void ParseSetup(const Record &r, XlsPrintSettings &print)
{
    Need(r, 34);
    const quint16 flags = U16(r.data + 10);
    if (!(flags & 0x0004)) { // paper, scale and orientation are valid
        print.paperSize = U16(r.data);
        print.scale = U16(r.data + 2);
        print.orientation =
            (flags & 0x0002) ? XlsPrintSettings::Orientation::Portrait : XlsPrintSettings::Orientation::Landscape;
    }
    if (flags & 0x0080)
        print.firstPageNumber = U16(r.data + 4);
    print.headerMargin = F64(r.data + 16);
    print.footerMargin = F64(r.data + 24);
}

class WorkbookReader {
public:
    explicit WorkbookReader(const QByteArray &stream)
        : FStream(stream)
        , FGlobals(ReadGlobals(stream))
        , FFormats(FGlobals)
    {}

    XlsWorksheets read() const
    {
        // Substreams are read in stream order and may not overlap, so no byte is read twice however
        // the sheet list points into the stream.
        const QList<BoundSheet> &bounds = FGlobals.sheets;
        QList<qsizetype> order(bounds.size());
        for (qsizetype i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&bounds](qsizetype a, qsizetype b) { return bounds[a].offset < bounds[b].offset; });
        QList<std::optional<XlsWorksheet>> read(bounds.size());
        qsizetype end = FGlobals.end;
        for (qsizetype i : std::as_const(order)) {
            const BoundSheet &bound = bounds[i];
            if (bound.offset < end)
                Fail(QStringLiteral("the worksheet \"%1\" overlaps another substream").arg(bound.name));
            XlsWorksheet sheet(bound.name);
            if (readWorksheet(bound, sheet, end))
                read[i] = std::move(sheet);
        }
        XlsWorksheets sheets;
        for (auto &sheet : read)
            if (sheet)
                sheets.push_back(std::move(*sheet));
        return sheets;
    }

private:
    // Reads one substream; end becomes the offset after its EOF. False for a substream that is not a
    // worksheet.
    bool readWorksheet(const BoundSheet &bound, XlsWorksheet &sheet, qsizetype &end) const
    {
        if (bound.offset >= static_cast<quint64>(FStream.size()))
            Fail(QStringLiteral("the worksheet \"%1\" starts outside the stream").arg(bound.name));
        RecordCursor cursor(FStream, bound.offset);
        const Record bof = cursor.next();
        CheckBof(bof);
        const bool worksheet = U16(bof.data + 2) == Biff::WorksheetStream;
        int depth = 0;                           // embedded charts bring their own BOF ... EOF
        std::optional<CellPosition> formulaText; // where the STRING record's text goes
        XlsPrintSettings &print = sheet.printSettings();
        for (;;) {
            if (cursor.atEnd())
                Fail(QStringLiteral("the worksheet \"%1\" ends without an EOF record").arg(bound.name));
            const Record r = cursor.next();
            if (r.type == Biff::Bof) {
                ++depth;
                continue;
            }
            if (r.type == Biff::Eof) {
                if (depth-- == 0) {
                    end = cursor.position();
                    return worksheet;
                }
                continue;
            }
            if (depth > 0 || !worksheet)
                continue;
            switch (r.type) {
            case Biff::Number:
                Put(sheet, ParseNumber(r, FFormats));
                break;
            case Biff::Rk:
                Put(sheet, ParseRk(r, FFormats));
                break;
            case Biff::MulRk:
                ParseMulRk(r, FFormats, sheet);
                break;
            case Biff::LabelSst:
                Put(sheet, ParseLabelSst(r, FGlobals.strings));
                break;
            case Biff::Label:
            case Biff::Rstring:
                Put(sheet, ParseLabel(r, cursor));
                break;
            case Biff::BoolErr:
                Put(sheet, ParseBoolErr(r));
                break;
            case Biff::Formula:
                formulaText = ParseFormula(r, FFormats, sheet);
                break;
            case Biff::String:
                if (formulaText)
                    Put(sheet, {*formulaText, TextCell(RecordString(r, cursor, 0))});
                formulaText.reset();
                break;
            case Biff::DefColWidth:
                sheet.setDefaultColumnWidth(ParseDefColWidth(r));
                break;
            case Biff::ColInfo:
                ParseColInfo(r, sheet);
                break;
            case Biff::Header:
                if (r.size > 0) // an empty HEADER record stands for no header
                    sheet.setPageHeader(ParseHeader(r, cursor));
                break;
            case Biff::LeftMargin:
                print.leftMargin = ParseMargin(r);
                break;
            case Biff::RightMargin:
                print.rightMargin = ParseMargin(r);
                break;
            case Biff::TopMargin:
                print.topMargin = ParseMargin(r);
                break;
            case Biff::BottomMargin:
                print.bottomMargin = ParseMargin(r);
                break;
            case Biff::Setup:
                ParseSetup(r, print);
                break;
            default:
                // BLANK, MULBLANK, DIMENSIONS (the cells give the used range) and everything that is
                // not a value.
                break;
            }
        }
    }

    const QByteArray &FStream;
    const Globals FGlobals;
    const CellFormats FFormats;
};

} // namespace

XlsWorksheets ReadWorkbookStream(const QByteArray &stream)
{
    return WorkbookReader(stream).read();
}
