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

double RkValue(quint32 rk)
{
    double value = (rk & 0x2) ? static_cast<double>(static_cast<qint32>(rk) >> 2)
                              : std::bit_cast<double>(static_cast<quint64>(rk & 0xFFFFFFFC) << 32);
    if (rk & 0x1)
        value /= 100;
    return value;
}

struct BoundSheet {
    quint32 offset = 0;
    QString name;
};

class WorkbookReader {
public:
    explicit WorkbookReader(const QByteArray &stream)
        : FStream(stream)
    {}

    XlsWorksheets read()
    {
        readGlobals();
        classifyFormats();
        // Substreams are read in stream order and may not overlap, so no byte is read twice however
        // the sheet list points into the stream.
        QList<qsizetype> order(FBoundSheets.size());
        for (qsizetype i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [this](qsizetype a, qsizetype b) { return FBoundSheets[a].offset < FBoundSheets[b].offset; });
        QList<std::optional<XlsWorksheet>> read(FBoundSheets.size());
        qsizetype end = FGlobalsEnd;
        for (qsizetype i : std::as_const(order)) {
            const BoundSheet &bound = FBoundSheets[i];
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
    static void CheckBof(const Record &record)
    {
        if (record.type == Biff::Bof2 || record.type == Biff::Bof3 || record.type == Biff::Bof4)
            throw Error(QStringLiteral("The workbook is in a format older than Excel 97 and cannot be read."));
        if (record.type != Biff::Bof)
            Fail(QStringLiteral("a substream does not start with a BOF record"));
        Need(record, 4);
        if (U16(record.data) != Biff::Version8)
            throw Error(QStringLiteral("The workbook is in a format older than Excel 97 and cannot be read."));
    }

    void readGlobals()
    {
        RecordCursor cursor(FStream, 0);
        const Record bof = cursor.next();
        CheckBof(bof);
        if (U16(bof.data + 2) != Biff::GlobalsStream)
            Fail(QStringLiteral("the workbook globals are missing"));
        for (;;) {
            if (cursor.atEnd())
                Fail(QStringLiteral("the workbook globals end without an EOF record"));
            const Record record = cursor.next();
            switch (record.type) {
            case Biff::Eof:
                FGlobalsEnd = cursor.position();
                return;
            case Biff::FilePass:
                throw Error(QStringLiteral("The workbook is encrypted (protected by a password) and cannot be read."));
            case Biff::DateMode:
                Need(record, 2);
                F1904 = U16(record.data) == 1;
                break;
            case Biff::Format: {
                Need(record, 2);
                ContinuedData data(record, cursor, 0);
                const quint16 index = data.u16();
                FFormats.insert(index, data.unicodeString());
                break;
            }
            case Biff::Xf:
                Need(record, 4);
                FXfFormats.append(U16(record.data + 2));
                break;
            case Biff::BoundSheet: {
                Need(record, 8);
                ContinuedData data(record, cursor, 0);
                BoundSheet bound;
                bound.offset = data.u32();
                data.u8(); // visibility
                const quint8 type = data.u8();
                const quint8 count = data.u8();
                bound.name = data.chars(count, data.u8() & 0x01);
                if (type == 0) // charts, macro sheets and modules are not read
                    FBoundSheets.append(bound);
                break;
            }
            case Biff::Sst:
                readSharedStrings(record, cursor);
                break;
            default:
                break;
            }
        }
    }

    void readSharedStrings(const Record &record, RecordCursor &cursor)
    {
        Need(record, 8);
        ContinuedData data(record, cursor, 4);
        const quint32 unique = data.u32();
        // The count comes from the file; each string takes at least three bytes.
        FStrings.reserve(std::min<qsizetype>(unique, FStream.size() / 3));
        for (quint32 i = 0; i < unique; ++i) {
            const quint16 count = data.u16();
            const quint8 flags = data.u8();
            const quint16 runs = (flags & 0x08) ? data.u16() : 0;
            const quint32 extra = (flags & 0x04) ? data.u32() : 0;
            FStrings.append(data.chars(count, flags & 0x01));
            data.skipBytes(4ull * runs + extra);
        }
    }

    // For every cell format: its code when it shows dates or times, empty otherwise. Worked out
    // once, as every number cell asks.
    void classifyFormats()
    {
        FXfDateTime.reserve(FXfFormats.size());
        for (quint16 index : std::as_const(FXfFormats)) {
            const auto custom = FFormats.constFind(index);
            if (custom == FFormats.constEnd())
                FXfDateTime.append(XlsBuiltInDateTimeFormat(index));
            else
                FXfDateTime.append(XlsIsDateTimeFormat(custom.value()) ? custom.value() : QString());
        }
    }

    const QString &dateTimeFormat(quint16 xf) const
    {
        static const QString none;
        return xf < FXfDateTime.size() ? FXfDateTime[xf] : none;
    }

    XlsCell numberCell(double value, quint16 xf)
    {
        XlsCell cell;
        const QString &format = dateTimeFormat(xf);
        if (!format.isEmpty() && std::isfinite(value)) {
            cell.kind = XlsCell::Kind::DateTime;
            cell.format = format;
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

    static XlsCell TextCell(const QString &text)
    {
        XlsCell cell;
        cell.kind = XlsCell::Kind::Text;
        cell.text = text;
        return cell;
    }

    static void Put(XlsWorksheet &sheet, quint16 column, quint16 row, XlsCell &&cell)
    {
        if (column >= XlsWorksheet::ColumnCount)
            Fail(QStringLiteral("a cell lies in column %1, beyond the last column").arg(column));
        // Non-finite numbers are not values a workbook can hold; such a cell reads as empty.
        if ((cell.kind == XlsCell::Kind::Number || cell.kind == XlsCell::Kind::DateTime) && !std::isfinite(cell.number))
            return;
        sheet.setCell(column, row, std::move(cell));
    }

    // Reads one substream; end becomes the offset after its EOF.
    bool readWorksheet(const BoundSheet &bound, XlsWorksheet &sheet, qsizetype &end)
    {
        if (bound.offset >= static_cast<quint64>(FStream.size()))
            Fail(QStringLiteral("the worksheet \"%1\" starts outside the stream").arg(bound.name));
        RecordCursor cursor(FStream, bound.offset);
        const Record bof = cursor.next();
        CheckBof(bof);
        const bool worksheet = U16(bof.data + 2) == Biff::WorksheetStream;
        int depth = 0; // embedded charts bring their own BOF ... EOF
        bool stringPending = false;
        quint16 pendingRow = 0, pendingColumn = 0;
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
                Need(r, 14);
                Put(sheet, U16(r.data + 2), U16(r.data), numberCell(F64(r.data + 6), U16(r.data + 4)));
                break;
            case Biff::Rk:
                Need(r, 10);
                Put(sheet, U16(r.data + 2), U16(r.data), numberCell(RkValue(U32(r.data + 6)), U16(r.data + 4)));
                break;
            case Biff::MulRk: {
                Need(r, 6);
                const quint16 row = U16(r.data);
                const quint16 first = U16(r.data + 2);
                const qsizetype count = (r.size - 6) / 6;
                for (qsizetype i = 0; i < count; ++i) {
                    const char *p = r.data + 4 + 6 * i;
                    Put(sheet, static_cast<quint16>(first + i), row, numberCell(RkValue(U32(p + 2)), U16(p)));
                }
                break;
            }
            case Biff::LabelSst: {
                Need(r, 10);
                const quint32 index = U32(r.data + 6);
                if (index >= static_cast<quint32>(FStrings.size()))
                    Fail(QStringLiteral("a cell refers to shared string %1 of %2").arg(index).arg(FStrings.size()));
                Put(sheet, U16(r.data + 2), U16(r.data), TextCell(FStrings[index]));
                break;
            }
            case Biff::Label:
            case Biff::Rstring: {
                Need(r, 9);
                ContinuedData data(r, cursor, 6);
                Put(sheet, U16(r.data + 2), U16(r.data), TextCell(data.unicodeString()));
                break;
            }
            case Biff::BoolErr: {
                Need(r, 8);
                const quint8 value = U8(r.data + 6);
                const bool error = U8(r.data + 7) != 0;
                Put(sheet, U16(r.data + 2), U16(r.data),
                    TextCell(error   ? ErrorText(value)
                             : value ? QStringLiteral("TRUE")
                                     : QStringLiteral("FALSE")));
                break;
            }
            case Biff::Formula: {
                Need(r, 20);
                const quint16 row = U16(r.data), column = U16(r.data + 2);
                const char *result = r.data + 6;
                stringPending = false;
                if (U16(result + 6) != 0xFFFF) {
                    Put(sheet, column, row, numberCell(F64(result), U16(r.data + 4)));
                } else if (U8(result) == 0) { // the text follows in a STRING record
                    stringPending = true;
                    pendingRow = row;
                    pendingColumn = column;
                } else if (U8(result) == 1) {
                    Put(sheet, column, row,
                        TextCell(U8(result + 2) ? QStringLiteral("TRUE") : QStringLiteral("FALSE")));
                } else if (U8(result) == 2) {
                    Put(sheet, column, row, TextCell(ErrorText(U8(result + 2))));
                }
                break;
            }
            case Biff::String:
                if (stringPending) {
                    Need(r, 3);
                    ContinuedData data(r, cursor, 0);
                    Put(sheet, pendingColumn, pendingRow, TextCell(data.unicodeString()));
                    stringPending = false;
                }
                break;
            case Biff::DefColWidth:
                Need(r, 2);
                sheet.setDefaultColumnWidth(U16(r.data));
                break;
            case Biff::ColInfo: {
                Need(r, 10);
                const int last = std::min<int>(U16(r.data + 2), XlsWorksheet::ColumnCount - 1);
                const quint16 characters = static_cast<quint16>(std::min(U16(r.data + 4) / 256, 255));
                for (int column = U16(r.data); column <= last; ++column)
                    sheet.setColumnWidth(column, characters);
                break;
            }
            case Biff::Header:
                if (r.size > 0) {
                    Need(r, 3);
                    ContinuedData data(r, cursor, 0);
                    const QString header = data.unicodeString();
                    sheet.setPageHeader(header.left(XlsWorksheet::MaxHeaderLength));
                }
                break;
            case Biff::LeftMargin:
            case Biff::RightMargin:
            case Biff::TopMargin:
            case Biff::BottomMargin: {
                Need(r, 8);
                const double value = F64(r.data);
                double &margin = r.type == Biff::LeftMargin    ? print.leftMargin
                                 : r.type == Biff::RightMargin ? print.rightMargin
                                 : r.type == Biff::TopMargin   ? print.topMargin
                                                               : print.bottomMargin;
                margin = value;
                break;
            }
            case Biff::Setup: {
                Need(r, 34);
                const quint16 flags = U16(r.data + 10);
                if (!(flags & 0x0004)) { // paper, scale and orientation are valid
                    print.paperSize = U16(r.data);
                    print.scale = U16(r.data + 2);
                    print.orientation = (flags & 0x0002) ? XlsPrintSettings::Orientation::Portrait
                                                         : XlsPrintSettings::Orientation::Landscape;
                }
                if (flags & 0x0080)
                    print.firstPageNumber = U16(r.data + 4);
                print.headerMargin = F64(r.data + 16);
                print.footerMargin = F64(r.data + 24);
                break;
            }
            default:
                // BLANK, MULBLANK, DIMENSIONS (the cells give the used range) and everything that is
                // not a value.
                break;
            }
        }
    }

    const QByteArray &FStream;
    qsizetype FGlobalsEnd = 0;
    bool F1904 = false;
    QHash<quint16, QString> FFormats;
    QList<quint16> FXfFormats;
    QList<QString> FXfDateTime;
    QList<BoundSheet> FBoundSheets;
    QList<QString> FStrings;
};

} // namespace

XlsWorksheets ReadWorkbookStream(const QByteArray &stream)
{
    return WorkbookReader(stream).read();
}
