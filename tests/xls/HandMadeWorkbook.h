#pragma once
// Builds Workbook streams record by record, for the record shapes other programs write and for
// damaged workbooks.

#include "xls/CompoundFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtEndian>

namespace HandMade {

inline QByteArray U8(quint8 v)
{
    return QByteArray(1, static_cast<char>(v));
}
inline QByteArray U16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
inline QByteArray U32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
inline QByteArray F64(double v)
{
    QByteArray b(8, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
inline QByteArray Record(quint16 type, const QByteArray &data)
{
    return U16(type) + U16(static_cast<quint16>(data.size())) + data;
}

// Characters only, one byte each (Latin-1) or two (UTF-16LE).
inline QByteArray Chars(const QString &text, bool twoBytes)
{
    QByteArray b;
    for (QChar c : text)
        b += twoBytes ? U16(c.unicode()) : U8(static_cast<quint8>(c.unicode()));
    return b;
}
// Count of two bytes, flags, characters.
inline QByteArray String16(const QString &text, bool twoBytes = false)
{
    return U16(static_cast<quint16>(text.size())) + U8(twoBytes ? 1 : 0) + Chars(text, twoBytes);
}
// Row first, as the records hold it.
inline QByteArray Cell(quint16 row, quint16 column, quint16 xf)
{
    return U16(row) + U16(column) + U16(xf);
}

inline QByteArray Bof(quint16 type, quint16 version = 0x0600)
{
    return Record(0x0809, U16(version) + U16(type) + U16(0x0DBB) + U16(0x07CC) + U32(0) + U32(6));
}
inline QByteArray Eof()
{
    return Record(0x000A, QByteArray());
}

// Sixteen default formats, then one per given number format index (cell formats 16, 17, ...).
inline QByteArray Xfs(const QList<quint16> &numberFormats = {})
{
    QByteArray out;
    auto xf = [](quint16 format) { return Record(0x00E0, U16(0) + U16(format) + QByteArray(16, '\0')); };
    for (int i = 0; i < 16; ++i)
        out += xf(0);
    for (quint16 format : numberFormats)
        out += xf(format);
    return out;
}

struct Sheet {
    QString name;
    QByteArray records; // between BOF and EOF
    quint8 type = 0;    // BOUNDSHEET type: 0 worksheet, 2 chart
    quint16 bofType = 0x0010;
};

// Globals: BOF, the given records, one BOUNDSHEET per sheet, EOF; then the sheets.
inline QByteArray Stream(const QByteArray &globals, const QList<Sheet> &sheets)
{
    QByteArray out = Bof(0x0005) + globals;
    QList<qsizetype> offsets;
    for (const Sheet &s : sheets) {
        offsets.append(out.size() + 4);
        out += Record(0x0085, U32(0) + U8(0) + U8(s.type) + U8(static_cast<quint8>(s.name.size())) + U8(0) +
                                  Chars(s.name, false));
    }
    out += Eof();
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        qToLittleEndian(static_cast<quint32>(out.size()), out.data() + offsets[i]);
        out += Bof(sheets[i].bofType) + sheets[i].records + Eof();
    }
    return out;
}

inline QByteArray File(const QByteArray &workbookStream, const QString &streamName = QStringLiteral("Workbook"))
{
    CompoundFile file;
    file.addStream(streamName, workbookStream);
    return file.toBytes();
}

} // namespace HandMade
