#include "xls/CompoundFile.h"

#include "model/Errors.h"
#include "xls/XlsBytes.h"

#include <algorithm>
#include <functional>

using namespace XlsBytes;

namespace {

constexpr char Signature[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};
constexpr quint32 DifSect = 0xFFFFFFFC;
constexpr quint32 FatSect = 0xFFFFFFFD;
constexpr quint32 EndOfChain = 0xFFFFFFFE;
constexpr quint32 FreeSect = 0xFFFFFFFF;
constexpr quint32 NoStream = 0xFFFFFFFF;
constexpr quint32 HeaderDifatCount = 109;
constexpr quint32 EntrySize = 128;
constexpr quint32 MiniSectorSize = 64;
constexpr quint32 WriteSectorSize = 512;
constexpr quint8 TypeStream = 2;
constexpr quint8 TypeRoot = 5;

[[noreturn]] void Fail(const QString &what)
{
    throw Error(QStringLiteral("The file is not a readable Excel 97 workbook (%1).").arg(what));
}

// The 512-byte header at the start of the file (MS-CFB 2.2).
struct CfbHeader {
    explicit CfbHeader(const QByteArray &file)
    {
        if (!CompoundFile::hasSignature(file))
            throw Error(QStringLiteral("The file is not an Excel 97 workbook (no compound file signature)."));
        if (file.size() < 512)
            Fail(QStringLiteral("the compound file header is truncated"));
        const char *p = file.constData();
        majorVersion = U16(p + 26);
        if (U16(p + 28) != 0xFFFE)
            Fail(QStringLiteral("the compound file byte order mark is wrong"));
        const quint16 sectorShift = U16(p + 30);
        if (!((majorVersion == 3 && sectorShift == 9) || (majorVersion == 4 && sectorShift == 12)))
            Fail(QStringLiteral("unsupported compound file version %1 with sector shift %2")
                     .arg(majorVersion)
                     .arg(sectorShift));
        sectorSize = 1u << sectorShift;
        if (U16(p + 32) != 6)
            Fail(QStringLiteral("the mini sector size is not 64 bytes"));
        fatSectorCount = U32(p + 44);
        firstDirectorySector = U32(p + 48);
        if (U32(p + 56) != CompoundFile::MiniStreamCutoff)
            Fail(QStringLiteral("the mini stream cut-off is not 4096 bytes"));
        firstMiniFatSector = U32(p + 60);
        miniFatSectorCount = U32(p + 64);
        firstDifatSector = U32(p + 68);
        difatSectorCount = U32(p + 72);
        for (quint32 i = 0; i < HeaderDifatCount; ++i)
            difat[i] = U32(p + 76 + 4 * i);
    }

    quint16 majorVersion = 0;
    quint32 sectorSize = 0;
    quint32 fatSectorCount = 0;
    quint32 firstDirectorySector = 0;
    quint32 firstMiniFatSector = 0;
    quint32 miniFatSectorCount = 0;
    quint32 firstDifatSector = 0;
    quint32 difatSectorCount = 0;
    quint32 difat[HeaderDifatCount] = {};
};

// One 128-byte directory entry (MS-CFB 2.6).
struct CfbDirectoryEntry {
    CfbDirectoryEntry(const char *p, bool version3)
    {
        const int nameBytes = std::min<int>(U16(p + 64), 64);
        const int chars = std::max(0, nameBytes / 2 - 1);
        name.reserve(chars);
        for (int i = 0; i < chars; ++i)
            name.append(QChar(U16(p + 2 * i)));
        type = U8(p + 66);
        left = U32(p + 68);
        right = U32(p + 72);
        child = U32(p + 76);
        start = U32(p + 116);
        // Version 3 files may carry garbage in the high half of the size.
        size = version3 ? U32(p + 120) : U64(p + 120);
    }

    QString name;
    quint8 type = 0;
    quint32 left = NoStream, right = NoStream, child = NoStream;
    quint32 start = EndOfChain;
    quint64 size = 0;
};

// Follows a chain through a sector table. Every link must lie inside the table and below limit, and
// no sector may come twice: a corrupt file ends in an error, never in a loop or a wild read.
std::vector<quint32> Chain(quint32 start, const std::vector<quint32> &table, quint32 limit, quint64 maxLength,
                           const QString &what)
{
    std::vector<quint32> sectors;
    std::vector<bool> seen(std::min<size_t>(table.size(), limit));
    for (quint32 s = start; s != EndOfChain && sectors.size() < maxLength; s = table[s]) {
        if (s >= seen.size())
            Fail(QStringLiteral("the %1 refers to sector %2, outside the file").arg(what).arg(s));
        if (seen[s])
            Fail(QStringLiteral("the %1 loops back to sector %2").arg(what).arg(s));
        seen[s] = true;
        sectors.push_back(s);
    }
    return sectors;
}

QString SortKey(const QString &name)
{
    return name.toUpper();
}

// The format orders siblings by name length first, then by upper-case code units.
bool EntryLess(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return a.size() < b.size();
    return SortKey(a) < SortKey(b);
}

void PutEntry(QByteArray &out, const QString &name, quint8 type, quint8 color, quint32 left, quint32 right,
              quint32 child, quint32 start, quint64 size)
{
    const qsizetype at = out.size();
    out.append(static_cast<qsizetype>(EntrySize), '\0');
    char *p = out.data() + at;
    if (type != 0) {
        for (qsizetype i = 0; i < name.size(); ++i)
            qToLittleEndian(name.at(i).unicode(), p + 2 * i);
        qToLittleEndian(static_cast<quint16>((name.size() + 1) * 2), p + 64);
    }
    p[66] = static_cast<char>(type);
    p[67] = static_cast<char>(color);
    qToLittleEndian(left, p + 68);
    qToLittleEndian(right, p + 72);
    qToLittleEndian(child, p + 76);
    qToLittleEndian(start, p + 116);
    qToLittleEndian(size, p + 120);
}

quint32 SectorsFor(quint64 bytes, quint32 sectorSize)
{
    return static_cast<quint32>((bytes + sectorSize - 1) / sectorSize);
}

} // namespace

bool CompoundFile::hasSignature(const QByteArray &head)
{
    return head.startsWith(QByteArrayView(Signature, sizeof Signature));
}

CompoundFile CompoundFile::fromBytes(const QByteArray &bytes)
{
    const CfbHeader header(bytes);
    CompoundFile file;
    file.FBytes = bytes;
    file.FSectorSize = header.sectorSize;
    if (static_cast<quint64>(bytes.size()) < header.sectorSize)
        Fail(QStringLiteral("the compound file header is truncated"));
    // A short last sector is read as if padded with zeros.
    file.FSectorCount = SectorsFor(static_cast<quint64>(bytes.size()) - header.sectorSize, header.sectorSize);
    const quint32 sectorCount = file.FSectorCount;
    const quint32 perSector = header.sectorSize / 4;
    auto sectorData = [&](quint32 s) {
        const quint64 offset = (static_cast<quint64>(s) + 1) * header.sectorSize;
        QByteArray data = bytes.mid(static_cast<qsizetype>(offset), header.sectorSize);
        data.resize(header.sectorSize, '\0');
        return data;
    };

    // The FAT's own sectors: 109 in the header, the rest in the DIFAT chain.
    if (header.fatSectorCount == 0 || header.fatSectorCount > sectorCount)
        Fail(QStringLiteral("the header claims %1 FAT sectors in a file of %2 sectors")
                 .arg(header.fatSectorCount)
                 .arg(sectorCount));
    std::vector<quint32> fatSectors;
    fatSectors.reserve(header.fatSectorCount);
    for (quint32 i = 0; i < HeaderDifatCount && fatSectors.size() < header.fatSectorCount; ++i)
        fatSectors.push_back(header.difat[i]);
    std::vector<bool> difatSeen(sectorCount);
    quint32 difatSector = header.firstDifatSector;
    for (quint32 n = 0; fatSectors.size() < header.fatSectorCount; ++n) {
        if (n >= header.difatSectorCount || difatSector >= sectorCount)
            Fail(
                QStringLiteral("the DIFAT chain ends before all %1 FAT sectors are listed").arg(header.fatSectorCount));
        if (difatSeen[difatSector])
            Fail(QStringLiteral("the DIFAT chain loops back to sector %1").arg(difatSector));
        difatSeen[difatSector] = true;
        const QByteArray data = sectorData(difatSector);
        for (quint32 i = 0; i + 1 < perSector && fatSectors.size() < header.fatSectorCount; ++i)
            fatSectors.push_back(U32(data.constData() + 4 * i));
        difatSector = U32(data.constData() + 4 * (perSector - 1));
    }
    file.FFat.reserve(static_cast<size_t>(header.fatSectorCount) * perSector);
    for (quint32 s : fatSectors) {
        if (s >= sectorCount)
            Fail(QStringLiteral("FAT sector %1 lies outside the file").arg(s));
        const QByteArray data = sectorData(s);
        for (quint32 i = 0; i < perSector; ++i)
            file.FFat.push_back(U32(data.constData() + 4 * i));
    }

    // Directory.
    const std::vector<quint32> directorySectors =
        Chain(header.firstDirectorySector, file.FFat, sectorCount, sectorCount, QStringLiteral("directory chain"));
    if (directorySectors.empty())
        Fail(QStringLiteral("the directory is empty"));
    QByteArray directory;
    directory.reserve(static_cast<qsizetype>(directorySectors.size()) * header.sectorSize);
    for (quint32 s : directorySectors)
        directory.append(sectorData(s));
    const quint32 entryCount = static_cast<quint32>(directory.size() / EntrySize);
    auto entry = [&](quint32 index) {
        return CfbDirectoryEntry(directory.constData() + static_cast<qsizetype>(index) * EntrySize,
                                 header.majorVersion == 3);
    };
    const CfbDirectoryEntry root = entry(0);
    if (root.type != TypeRoot)
        Fail(QStringLiteral("the first directory entry is not the root storage"));

    // Mini stream and its table, needed only when a small stream exists.
    const quint64 fileBytes = static_cast<quint64>(bytes.size());
    if (root.size > fileBytes)
        Fail(QStringLiteral("the mini stream claims %1 bytes in a file of %2 bytes").arg(root.size).arg(fileBytes));
    if (root.size > 0) {
        StreamRef miniRef{QStringLiteral("Root Entry"), root.start, root.size};
        file.FMiniStream = file.readRegular(miniRef);
        const std::vector<quint32> miniFatSectors =
            Chain(header.firstMiniFatSector, file.FFat, sectorCount, sectorCount, QStringLiteral("mini FAT chain"));
        file.FMiniFat.reserve(miniFatSectors.size() * perSector);
        for (quint32 s : miniFatSectors) {
            const QByteArray data = sectorData(s);
            for (quint32 i = 0; i < perSector; ++i)
                file.FMiniFat.push_back(U32(data.constData() + 4 * i));
        }
    }

    // The root's children form a binary tree through the left, right and child links.
    std::vector<bool> visited(entryCount);
    std::vector<quint32> pending;
    if (root.child != NoStream)
        pending.push_back(root.child);
    visited[0] = true;
    while (!pending.empty()) {
        const quint32 index = pending.back();
        pending.pop_back();
        if (index >= entryCount)
            Fail(QStringLiteral("a directory entry points to entry %1, outside the directory").arg(index));
        if (visited[index])
            Fail(QStringLiteral("the directory tree returns to entry %1").arg(index));
        visited[index] = true;
        const CfbDirectoryEntry e = entry(index);
        if (e.type == TypeStream) {
            if (e.size > fileBytes)
                Fail(QStringLiteral("the stream \"%1\" claims %2 bytes in a file of %3 bytes")
                         .arg(e.name)
                         .arg(e.size)
                         .arg(fileBytes));
            file.FEntries.append(StreamRef{e.name, e.start, e.size});
        }
        for (quint32 link : {e.left, e.right})
            if (link != NoStream)
                pending.push_back(link);
    }
    return file;
}

const CompoundFile::StreamRef *CompoundFile::find(const QString &name) const
{
    for (const StreamRef &ref : FEntries)
        if (ref.name.compare(name, Qt::CaseInsensitive) == 0)
            return &ref;
    return nullptr;
}

bool CompoundFile::hasStream(const QString &name) const
{
    return find(name) != nullptr;
}

QStringList CompoundFile::streamNames() const
{
    QStringList names;
    for (const StreamRef &ref : FEntries)
        names.append(ref.name);
    return names;
}

QByteArray CompoundFile::stream(const QString &name) const
{
    const StreamRef *ref = find(name);
    if (!ref)
        Fail(QStringLiteral("there is no \"%1\" stream").arg(name));
    return ref->size < MiniStreamCutoff ? readMini(*ref) : readRegular(*ref);
}

QByteArray CompoundFile::readRegular(const StreamRef &ref) const
{
    const quint64 needed = SectorsFor(ref.size, FSectorSize);
    const std::vector<quint32> sectors =
        Chain(ref.start, FFat, FSectorCount, needed, QStringLiteral("sector chain of \"%1\"").arg(ref.name));
    if (sectors.size() < needed)
        Fail(QStringLiteral("the stream \"%1\" is truncated").arg(ref.name));
    QByteArray data;
    data.reserve(static_cast<qsizetype>(ref.size));
    for (quint32 s : sectors) {
        const quint64 offset = (static_cast<quint64>(s) + 1) * FSectorSize;
        const quint64 wanted = std::min<quint64>(FSectorSize, ref.size - static_cast<quint64>(data.size()));
        const qsizetype at = data.size();
        const quint64 available = static_cast<quint64>(FBytes.size()) - offset;
        data.append(FBytes.constData() + offset, static_cast<qsizetype>(std::min(wanted, available)));
        data.resize(at + static_cast<qsizetype>(wanted), '\0');
    }
    return data;
}

QByteArray CompoundFile::readMini(const StreamRef &ref) const
{
    const quint64 needed = SectorsFor(ref.size, MiniSectorSize);
    const quint32 limit = SectorsFor(static_cast<quint64>(FMiniStream.size()), MiniSectorSize);
    const std::vector<quint32> sectors =
        Chain(ref.start, FMiniFat, limit, needed, QStringLiteral("mini sector chain of \"%1\"").arg(ref.name));
    if (sectors.size() < needed)
        Fail(QStringLiteral("the stream \"%1\" is truncated").arg(ref.name));
    QByteArray data;
    data.reserve(static_cast<qsizetype>(ref.size));
    for (quint32 s : sectors) {
        const qsizetype offset = static_cast<qsizetype>(s) * MiniSectorSize;
        const qsizetype wanted = std::min<qsizetype>(MiniSectorSize, static_cast<qsizetype>(ref.size) - data.size());
        const qsizetype at = data.size();
        data.append(FMiniStream.constData() + offset, std::min<qsizetype>(wanted, FMiniStream.size() - offset));
        data.resize(at + wanted, '\0');
    }
    return data;
}

void CompoundFile::addStream(const QString &name, const QByteArray &data)
{
    const bool forbidden = std::any_of(name.begin(), name.end(),
                                       [](QChar c) { return c == u'/' || c == u'\\' || c == u':' || c == u'!'; });
    if (name.isEmpty() || name.size() > 31 || forbidden)
        throw Error(QStringLiteral("\"%1\" is not a valid stream name.").arg(name));
    for (const auto &stream : std::as_const(FStreams))
        if (stream.first.compare(name, Qt::CaseInsensitive) == 0)
            throw Error(QStringLiteral("The stream \"%1\" is added twice.").arg(name));
    FStreams.append({name, data});
}

QByteArray CompoundFile::toBytes() const
{
    const quint32 perSector = WriteSectorSize / 4;

    // Where every stream goes: small ones into the mini stream, the others into their own sectors.
    struct Placed {
        quint32 start = EndOfChain;
        quint32 count = 0;
        bool mini = false;
    };
    std::vector<Placed> placed(FStreams.size());
    quint32 miniSectors = 0, bigSectors = 0;
    for (qsizetype i = 0; i < FStreams.size(); ++i) {
        const quint64 size = static_cast<quint64>(FStreams[i].second.size());
        if (size == 0)
            continue;
        placed[i].mini = size < MiniStreamCutoff;
        placed[i].count = SectorsFor(size, placed[i].mini ? MiniSectorSize : WriteSectorSize);
        quint32 &next = placed[i].mini ? miniSectors : bigSectors;
        placed[i].start = next;
        next += placed[i].count;
    }
    const quint32 miniStreamSectors = SectorsFor(static_cast<quint64>(miniSectors) * MiniSectorSize, WriteSectorSize);
    const quint32 miniFatSectors = SectorsFor(static_cast<quint64>(miniSectors) * 4, WriteSectorSize);
    const quint32 entryCount = static_cast<quint32>(FStreams.size()) + 1;
    const quint32 directorySectors = SectorsFor(static_cast<quint64>(entryCount) * EntrySize, WriteSectorSize);
    const quint32 dataSectors = directorySectors + miniFatSectors + miniStreamSectors + bigSectors;

    // The FAT must also cover its own sectors and those of the DIFAT.
    quint32 fatSectors = 1, difatSectors = 0;
    for (;;) {
        difatSectors = fatSectors > HeaderDifatCount ? SectorsFor(fatSectors - HeaderDifatCount, perSector - 1) : 0;
        if (static_cast<quint64>(fatSectors) * perSector >=
            static_cast<quint64>(dataSectors) + fatSectors + difatSectors)
            break;
        ++fatSectors;
    }

    // Layout: FAT, DIFAT, directory, mini FAT, mini stream, large streams.
    const quint32 firstDifat = fatSectors;
    const quint32 firstDirectory = firstDifat + difatSectors;
    const quint32 firstMiniFat = firstDirectory + directorySectors;
    const quint32 firstMiniStream = firstMiniFat + miniFatSectors;
    const quint32 firstBig = firstMiniStream + miniStreamSectors;
    const quint32 totalSectors = firstBig + bigSectors;

    std::vector<quint32> fat(static_cast<size_t>(fatSectors) * perSector, FreeSect);
    auto link = [](std::vector<quint32> &table, quint32 first, quint32 count) {
        for (quint32 i = 0; i < count; ++i)
            table[first + i] = i + 1 < count ? first + i + 1 : EndOfChain;
    };
    for (quint32 i = 0; i < fatSectors; ++i)
        fat[i] = FatSect;
    for (quint32 i = 0; i < difatSectors; ++i)
        fat[firstDifat + i] = DifSect;
    link(fat, firstDirectory, directorySectors);
    link(fat, firstMiniFat, miniFatSectors);
    link(fat, firstMiniStream, miniStreamSectors);
    std::vector<quint32> miniFat(static_cast<size_t>(miniFatSectors) * perSector, FreeSect);
    for (const Placed &p : placed)
        if (p.count > 0)
            link(p.mini ? miniFat : fat, p.mini ? p.start : firstBig + p.start, p.count);

    // Directory: the root, then the streams as a balanced red-black tree of siblings.
    std::vector<int> order(FStreams.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return EntryLess(FStreams[a].first, FStreams[b].first); });
    std::vector<quint32> left(order.size(), NoStream), right(order.size(), NoStream);
    std::vector<int> depth(order.size());
    int maxDepth = -1;
    std::function<quint32(int, int, int)> build = [&](int lo, int hi, int level) -> quint32 {
        if (lo >= hi)
            return NoStream;
        const int mid = (lo + hi) / 2;
        const int node = order[mid];
        depth[node] = level;
        maxDepth = std::max(maxDepth, level);
        left[node] = build(lo, mid, level + 1);
        right[node] = build(mid + 1, hi, level + 1);
        return static_cast<quint32>(node + 1);
    };
    const quint32 treeRoot = build(0, static_cast<int>(order.size()), 0);
    // Midpoint splitting leaves only the deepest level incomplete; colouring it red keeps every path's
    // count of black nodes equal.
    const bool perfect = order.size() + 1 == (size_t{1} << (maxDepth + 1));

    QByteArray directory;
    directory.reserve(static_cast<qsizetype>(directorySectors) * WriteSectorSize);
    const quint64 miniStreamSize = static_cast<quint64>(miniSectors) * MiniSectorSize;
    PutEntry(directory, QStringLiteral("Root Entry"), TypeRoot, 1, NoStream, NoStream, treeRoot,
             miniSectors ? firstMiniStream : EndOfChain, miniStreamSize);
    for (qsizetype i = 0; i < FStreams.size(); ++i) {
        const Placed &p = placed[i];
        const quint32 start = p.count == 0 ? EndOfChain : p.mini ? p.start : firstBig + p.start;
        const quint8 color = !perfect && depth[i] == maxDepth ? 0 : 1;
        PutEntry(directory, FStreams[i].first, TypeStream, color, left[i], right[i], NoStream, start,
                 static_cast<quint64>(FStreams[i].second.size()));
    }
    while (directory.size() < static_cast<qsizetype>(directorySectors) * WriteSectorSize)
        PutEntry(directory, QString(), 0, 0, NoStream, NoStream, NoStream, 0, 0);

    QByteArray out;
    out.reserve((static_cast<qsizetype>(totalSectors) + 1) * WriteSectorSize);
    out.append(Signature, 8);
    out.append(16, '\0');
    PutU16(out, 0x003E);
    PutU16(out, 3);
    PutU16(out, 0xFFFE);
    PutU16(out, 9);
    PutU16(out, 6);
    out.append(6, '\0');
    PutU32(out, 0); // directory sector count: always 0 in version 3
    PutU32(out, fatSectors);
    PutU32(out, firstDirectory);
    PutU32(out, 0);
    PutU32(out, MiniStreamCutoff);
    PutU32(out, miniFatSectors ? firstMiniFat : EndOfChain);
    PutU32(out, miniFatSectors);
    PutU32(out, difatSectors ? firstDifat : EndOfChain);
    PutU32(out, difatSectors);
    for (quint32 i = 0; i < HeaderDifatCount; ++i)
        PutU32(out, i < fatSectors ? i : FreeSect);

    for (quint32 entry : fat)
        PutU32(out, entry);
    for (quint32 d = 0; d < difatSectors; ++d) {
        for (quint32 i = 0; i + 1 < perSector; ++i) {
            const quint32 n = HeaderDifatCount + d * (perSector - 1) + i;
            PutU32(out, n < fatSectors ? n : FreeSect);
        }
        PutU32(out, d + 1 < difatSectors ? firstDifat + d + 1 : EndOfChain);
    }
    out.append(directory);
    for (quint32 entry : miniFat)
        PutU32(out, entry);
    auto pad = [&out](quint32 unit) {
        const qsizetype rest = out.size() % unit;
        if (rest)
            out.append(unit - rest, '\0');
    };
    for (qsizetype i = 0; i < FStreams.size(); ++i)
        if (placed[i].mini) {
            out.append(FStreams[i].second);
            pad(MiniSectorSize);
        }
    pad(WriteSectorSize);
    for (qsizetype i = 0; i < FStreams.size(); ++i)
        if (!placed[i].mini && placed[i].count > 0) {
            out.append(FStreams[i].second);
            pad(WriteSectorSize);
        }
    return out;
}
