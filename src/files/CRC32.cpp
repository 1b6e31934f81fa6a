#include "files/CRC32.h"

#include "model/Win1252.h"

TCRC32::TCRC32()
{
    BuildTable();
    Reset();
}

void TCRC32::BuildTable()
{
    for (quint32 i = 0; i < 256; ++i) {
        quint32 value = i;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        FTable[i] = value;
    }
}

void TCRC32::Reset()
{
    FCRC = 0xFFFFFFFFu;
}

quint32 TCRC32::AddBuffer(const char *bytes, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        FCRC = FTable[(FCRC ^ b) & 0xFFu] ^ (FCRC >> 8);
    }
    return FCRC;
}

quint32 TCRC32::AddString(const QString &text)
{
    if (text.isEmpty())
        return FCRC;
    const QByteArray bytes = ToWin1252(text);
    return AddBuffer(bytes.constData(), bytes.size());
}

quint32 TCRC32::AddStrings(const QStringList &list)
{
    for (const QString &text : list)
        AddString(text);
    return FCRC;
}

QString TCRC32::CRCText() const
{
    return QStringLiteral("%1").arg(FCRC ^ 0xFFFFFFFFu, 8, 16, QLatin1Char('0')).toUpper();
}
