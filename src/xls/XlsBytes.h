#pragma once
// Little-endian fields of the Excel 97 file formats (compound file and BIFF8 records).
// Readers take a pointer to bytes the caller has already checked are there.

#include <QByteArray>
#include <QtEndian>
#include <bit>
#include <cstring>

namespace XlsBytes {

inline quint8 U8(const char *p)
{
    return static_cast<quint8>(*p);
}
inline quint16 U16(const char *p)
{
    return qFromLittleEndian<quint16>(p);
}
inline quint32 U32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}
inline quint64 U64(const char *p)
{
    return qFromLittleEndian<quint64>(p);
}
inline double F64(const char *p)
{
    return std::bit_cast<double>(U64(p));
}

inline void PutU8(QByteArray &out, quint8 value)
{
    out.append(static_cast<char>(value));
}
inline void PutU16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}
inline void PutU32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}
inline void PutU64(QByteArray &out, quint64 value)
{
    char bytes[8];
    qToLittleEndian(value, bytes);
    out.append(bytes, 8);
}
inline void PutF64(QByteArray &out, double value)
{
    PutU64(out, std::bit_cast<quint64>(value));
}

// Overwrites a field written earlier (stream offsets known only later).
inline void SetU32(QByteArray &out, qsizetype at, quint32 value)
{
    qToLittleEndian(value, out.data() + at);
}

} // namespace XlsBytes
