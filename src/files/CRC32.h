#pragma once
// The batch check code: the standard CRC-32 of ISO 3309 / ITU-T V.42 (the checksum of zip and PNG),
// taken over the Windows-1252 bytes of the texts fed to it, with nothing between them.

#include <QString>
#include <QStringList>
#include <array>

class TCRC32 {
public:
    TCRC32();

    void BuildTable();
    void Reset();
    quint32 AddBuffer(const char *bytes, qsizetype length);
    quint32 AddString(const QString &text);
    // Every text in order, for a sheet row its cells from column 0.
    quint32 AddStrings(const QStringList &list);
    // The final value as 8 upper-case hexadecimal digits.
    QString CRCText() const;

    std::array<quint32, 256> FTable{};
    quint32 FCRC = 0xFFFFFFFFu;
};
