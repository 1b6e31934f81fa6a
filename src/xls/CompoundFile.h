#pragma once
// The compound file container (Microsoft's Compound File Binary format, MS-CFB) that holds the
// streams of an Excel 97 workbook. Writing produces version 3 with 512-byte sectors; reading accepts
// versions 3 and 4. Reading trusts nothing in the file: every sector number is checked against the
// tables and the file size, every chain is bounded and cycles are caught, and a fault raises Error
// with a message that names it.

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

class CompoundFile {
public:
    // Streams smaller than this live in the mini stream, in 64-byte mini sectors.
    static constexpr quint32 MiniStreamCutoff = 4096;

    CompoundFile() = default;

    // Whether the bytes start with the signature every compound file starts with.
    static bool hasSignature(const QByteArray &head);
    // Parses the header, the sector tables and the directory; streams are read on request.
    static CompoundFile fromBytes(const QByteArray &bytes);

    // Streams of the root storage, compared without regard to case as the format does.
    bool hasStream(const QString &name) const;
    QByteArray stream(const QString &name) const;
    QStringList streamNames() const;

    // Writing: the streams, in the order added, as children of the root storage.
    void addStream(const QString &name, const QByteArray &data);
    QByteArray toBytes() const;

private:
    struct StreamRef {
        QString name;
        quint32 start = 0;
        quint64 size = 0;
    };

    const StreamRef *find(const QString &name) const;
    QByteArray readRegular(const StreamRef &ref) const;
    QByteArray readMini(const StreamRef &ref) const;

    // Read side.
    QByteArray FBytes;
    quint32 FSectorSize = 512;
    quint32 FSectorCount = 0;
    std::vector<quint32> FFat;
    std::vector<quint32> FMiniFat;
    QByteArray FMiniStream;
    QList<StreamRef> FEntries;

    // Write side.
    QList<std::pair<QString, QByteArray>> FStreams;
};
