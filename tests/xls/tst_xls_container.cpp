// The compound file container: what we write reads back, and damaged files are refused with a
// message instead of a crash, a loop or a read outside the file.
#include "model/Errors.h"
#include "xls/CompoundFile.h"

#include <QtEndian>
#include <QtTest>
#include <functional>

namespace {

QByteArray Pattern(qsizetype size, int seed)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 31 + seed * 7 + i / 251) & 0xFF);
    return data;
}

void SetU32(QByteArray &bytes, qsizetype at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
}
quint32 GetU32(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// Layout our writer gives one 100-byte and one 5000-byte stream: FAT in sector 0, directory in
// sector 1 (root, "Small", "Large"), mini FAT in 2, mini stream in 3, "Large" from sector 4.
constexpr qsizetype FatAt = 512;
constexpr qsizetype DirectoryAt = 1024;
qsizetype Entry(int index, int field)
{
    return DirectoryAt + 128 * index + field;
}
constexpr int Left = 68, Child = 76, Start = 116, Size = 120;

QByteArray TwoStreamFile()
{
    CompoundFile file;
    file.addStream(QStringLiteral("Small"), Pattern(100, 1));
    file.addStream(QStringLiteral("Large"), Pattern(5000, 2));
    return file.toBytes();
}

} // namespace

class TestContainer : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QList<qsizetype>>("sizes");
        QTest::newRow("one small stream") << QList<qsizetype>{100};
        QTest::newRow("just below the cut-off") << QList<qsizetype>{4095};
        QTest::newRow("at the cut-off") << QList<qsizetype>{4096};
        QTest::newRow("one large stream") << QList<qsizetype>{70000};
        QTest::newRow("empty stream") << QList<qsizetype>{0, 10};
        QTest::newRow("mixed") << QList<qsizetype>{1, 64, 65, 4095, 4096, 513, 0, 20000, 3000, 7};
        // More than 109 FAT sectors need DIFAT sectors.
        QTest::newRow("needs DIFAT") << QList<qsizetype>{8 * 1024 * 1024, 200};
    }
    void roundTrip()
    {
        QFETCH(QList<qsizetype>, sizes);
        CompoundFile out;
        for (qsizetype i = 0; i < sizes.size(); ++i)
            out.addStream(QStringLiteral("Stream %1").arg(i), Pattern(sizes[i], static_cast<int>(i)));
        const QByteArray bytes = out.toBytes();
        QCOMPARE(bytes.size() % 512, 0);

        const CompoundFile in = CompoundFile::fromBytes(bytes);
        QCOMPARE(in.streamNames().size(), sizes.size());
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            const QString name = QStringLiteral("stream %1").arg(i); // names compare without case
            QVERIFY(in.hasStream(name));
            QCOMPARE(in.stream(name), Pattern(sizes[i], static_cast<int>(i)));
        }
        QVERIFY(!in.hasStream(QStringLiteral("Workbook")));
    }

    void smallStreamsLiveInTheMiniStream()
    {
        const QByteArray bytes = TwoStreamFile();
        // "Small" starts at mini sector 0, "Large" at regular sector 4; the file has 14 sectors.
        QCOMPARE(GetU32(bytes, Entry(1, Start)), 0u);
        QCOMPARE(GetU32(bytes, Entry(2, Start)), 4u);
        QCOMPARE(bytes.size(), 512 * 15);
    }

    void readsAShortLastSector()
    {
        QByteArray bytes = TwoStreamFile();
        bytes.chop(512 - (5000 % 512)); // other writers may end the file with the stream's last byte
        QCOMPARE(CompoundFile::fromBytes(bytes).stream(QStringLiteral("Large")), Pattern(5000, 2));
    }

    void refusesInvalidStreamNames()
    {
        CompoundFile file;
        QVERIFY_THROWS_EXCEPTION(Error, file.addStream(QStringLiteral("a/b"), QByteArray()));
        QVERIFY_THROWS_EXCEPTION(Error, file.addStream(QString(32, u'x'), QByteArray()));
        file.addStream(QStringLiteral("Workbook"), QByteArray());
        QVERIFY_THROWS_EXCEPTION(Error, file.addStream(QStringLiteral("WORKBOOK"), QByteArray()));
    }

    void corruptFiles_data()
    {
        QTest::addColumn<std::function<void(QByteArray &)>>("damage");
        QTest::addColumn<QString>("stream");
        QTest::addColumn<QString>("message");
        using Damage = std::function<void(QByteArray &)>;
        const QString small = QStringLiteral("Small"), large = QStringLiteral("Large");

        QTest::newRow("empty file") << Damage([](QByteArray &b) { b.clear(); }) << small
                                    << "no compound file signature";
        QTest::newRow("bad signature") << Damage([](QByteArray &b) { b[0] = 'P'; }) << small
                                       << "no compound file signature";
        QTest::newRow("text file") << Damage([](QByteArray &b) { b = "Serial Number,,,,1234\r\n"; }) << small
                                   << "no compound file signature";
        QTest::newRow("truncated header")
            << Damage([](QByteArray &b) { b.truncate(300); }) << small << "header is truncated";
        QTest::newRow("byte order") << Damage([](QByteArray &b) { b[28] = 0; }) << small << "byte order";
        QTest::newRow("sector shift") << Damage([](QByteArray &b) { b[30] = 10; }) << small << "sector shift";
        QTest::newRow("FAT sector count huge")
            << Damage([](QByteArray &b) { SetU32(b, 44, 0x7FFFFFFF); }) << small << "FAT sectors";
        QTest::newRow("FAT sector outside the file")
            << Damage([](QByteArray &b) { SetU32(b, 76, 5000); }) << small << "outside the file";
        QTest::newRow("DIFAT chain loops") << Damage([](QByteArray &b) {
            SetU32(b, 44, 111); // more FAT sectors than the header lists...
            SetU32(b, 68, 0);   // ...with a DIFAT chain that starts at the FAT and never ends
            SetU32(b, 72, 1000);
            SetU32(b, FatAt + 508, 0);
        }) << small << "FAT";
        QTest::newRow("directory outside the file")
            << Damage([](QByteArray &b) { SetU32(b, 48, 900); }) << small << "outside the file";
        QTest::newRow("no root entry") << Damage([](QByteArray &b) { b[Entry(0, 66)] = 1; }) << small << "root";
        QTest::newRow("child outside the directory")
            << Damage([](QByteArray &b) { SetU32(b, Entry(0, Child), 500); }) << small << "outside the directory";
        QTest::newRow("directory tree cycle")
            << Damage([](QByteArray &b) { SetU32(b, Entry(2, Left), 2); }) << small << "returns to entry";
        QTest::newRow("FAT chain cycle") << Damage([](QByteArray &b) { SetU32(b, FatAt + 4 * 8, 5); }) << large
                                         << "loops back";
        QTest::newRow("chain to a free sector")
            << Damage([](QByteArray &b) { SetU32(b, FatAt + 4 * 8, 0xFFFFFFFF); }) << large << "outside the file";
        QTest::newRow("start beyond the file")
            << Damage([](QByteArray &b) { SetU32(b, Entry(2, Start), 99999); }) << large << "outside the file";
        QTest::newRow("huge stream size")
            << Damage([](QByteArray &b) { SetU32(b, Entry(2, Size), 0xFFFFFFF0); }) << large << "claims";
        QTest::newRow("stream longer than its chain")
            << Damage([](QByteArray &b) { SetU32(b, FatAt + 4 * 6, 0xFFFFFFFE); }) << large << "truncated";
        QTest::newRow("truncated file") << Damage([](QByteArray &b) { b.truncate(512 * 11); }) << large
                                        << "outside the file";
        QTest::newRow("mini chain cycle")
            << Damage([](QByteArray &b) { SetU32(b, 512 * 3, 0); }) << small << "loops back";
        QTest::newRow("mini stream beyond its size")
            << Damage([](QByteArray &b) { SetU32(b, Entry(1, Start), 40); }) << small << "outside the file";
        QTest::newRow("mini FAT chain cycle")
            << Damage([](QByteArray &b) { SetU32(b, FatAt + 4 * 2, 2); }) << small << "loops back";
    }
    void corruptFiles()
    {
        QFETCH(std::function<void(QByteArray &)>, damage);
        QFETCH(QString, stream);
        QFETCH(QString, message);
        QByteArray bytes = TwoStreamFile();
        damage(bytes);
        try {
            const CompoundFile file = CompoundFile::fromBytes(bytes);
            file.stream(stream);
            QFAIL("the damaged file was accepted");
        } catch (const Error &e) {
            QVERIFY2(e.message().contains(message, Qt::CaseInsensitive), qPrintable(e.message()));
        }
    }
};

QTEST_GUILESS_MAIN(TestContainer)
#include "tst_xls_container.moc"
