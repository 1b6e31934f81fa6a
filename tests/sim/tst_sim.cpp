// The simulated meter itself: its replies and state changes, and the pacing of its line.
#include "Chaos.h"
#include "Meter.h"
#include "support/SimProcess.h"

#include <QtTest>

#include <QElapsedTimer>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

class TestSim : public QObject {
    Q_OBJECT
private slots:
    void replies_data();
    void replies();
    void batchesComeAndGo();
    void readingFieldChoices();
    void settingsAndClock();
    void pacingTakesWireTime();
    void chaosIsSeededAndBounded();
    void chaosOnTheLineIsLogged();
};

namespace {

int Count(const QString &reply)
{
    return static_cast<int>(CommandWords(reply).size());
}

} // namespace

void TestSim::replies_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("count");
    QTest::newRow("version") << "GET VERSION"
                             << "V2.07"
                             << "GET VERSION Talvo V2.07" << 4;
    QTest::newRow("clock") << "GET RTC"
                           << "V2.07"
                           << "GET RTC " << 8;
    QTest::newRow("slots") << "GET MAXNROFB"
                           << "V2.07"
                           << "GET MAXNROFB 50" << 3;
    QTest::newRow("batch") << "GET BATCH 0"
                           << "V2.07"
                           << "GET BATCH 1 0 \"DECK A\"" << 8;
    QTest::newRow("empty slot") << "GET BATCH 3"
                                << "V2.07"
                                << "GET BATCH 0 1" << 8;
    QTest::newRow("reading") << "GET READING 1 99"
                             << "V2.07"
                             << "GET READING 1 99 0" << 10;
    QTest::newRow("config") << "GET CONFIG 24"
                            << "V2.07"
                            << "GET CONFIG 24 20" << 4;
    QTest::newRow("bresle newer") << "GET CONFIG 30"
                                  << "V2.07"
                                  << "GET CONFIG 30" << 4;
    QTest::newRow("bresle older") << "GET CONFIG 30"
                                  << "2.06S01"
                                  << "P?" << 1;
    QTest::newRow("servo") << "GET SERVOLT"
                           << "V2.07"
                           << "GET SERVOLT" << 3;
    QTest::newRow("cell") << "GET C 5 3"
                          << "V2.07"
                          << "GET C 5 3" << 5;
    QTest::newRow("cell out of range") << "GET C 6 0"
                                       << "V2.07"
                                       << "P?" << 1;
    QTest::newRow("slot out of range") << "GET BATCH 50"
                                       << "V2.07"
                                       << "P?" << 1;
    QTest::newRow("unknown reading") << "GET READING 1 100"
                                     << "V2.07"
                                     << "P?" << 1;
    QTest::newRow("unknown command") << "HELLO THERE"
                                     << "V2.07"
                                     << "C?" << 1;
}

void TestSim::replies()
{
    QFETCH(QString, command);
    QFETCH(QString, firmware);
    QFETCH(QString, start);
    QFETCH(int, count);
    MeterState state = MeterState::Demo();
    state.Firmware = firmware;
    Meter meter(state, {});
    const QString reply = meter.Handle(command);
    const QStringList want = CommandWords(start);
    QVERIFY2(CommandWords(reply).mid(0, want.size()) == want, qPrintable(reply));
    QCOMPARE(Count(reply), count);
}

void TestSim::batchesComeAndGo()
{
    Meter meter(MeterState::Demo(), {});
    QCOMPARE(meter.Handle(QStringLiteral("NEW BATCH \"ab cd       \" 86400 50")),
             QStringLiteral("NEW BATCH \"ab cd       \" 86400 50 0 4"));
    QVERIFY(meter.Handle(QStringLiteral("GET BATCH 3"))
                .startsWith(QLatin1String("GET BATCH 4 0 \"ab cd       \" 86400 50 0")));
    QCOMPARE(meter.Handle(QStringLiteral("DEL BATCH 4")), QStringLiteral("DEL BATCH 4 0"));
    QCOMPARE(meter.Handle(QStringLiteral("DEL BATCH 4")), QStringLiteral("DEL BATCH 3 -1"));
    QCOMPARE(meter.Handle(QStringLiteral("NEW BATCH \"much too long name\" 1 5")), QStringLiteral("P?"));
    QCOMPARE(meter.Handle(QStringLiteral("NEW BATCH \"a\" 4294967296 5")), QStringLiteral("P?")); // beyond 32 bits
    MeterState full = MeterState::Demo();
    full.Slots.resize(8); // slots 0-7, of which 3 and 6 are free; IDs 4 and 7 are unused
    Meter small(full, {});
    QVERIFY(small.Handle(QStringLiteral("NEW BATCH \"a\" 1 5")).endsWith(QLatin1String(" 0 4")));
    QVERIFY(small.Handle(QStringLiteral("NEW BATCH \"b\" 1 5")).endsWith(QLatin1String(" 0 7")));
    QVERIFY(small.Handle(QStringLiteral("NEW BATCH \"c\" 1 5")).endsWith(QLatin1String(" 2 0")));
    Meter refusing(MeterState::Demo(), {false, 9});
    QCOMPARE(refusing.Handle(QStringLiteral("DEL BATCH 1")), QStringLiteral("DEL BATCH 9 -1"));
}

void TestSim::readingFieldChoices()
{
    // The field before the reading index holds the batch ID, 0 or the batch's slot index.
    for (const auto field : {MeterOptions::BatchId, MeterOptions::Zero, MeterOptions::Slot}) {
        MeterOptions options;
        options.ReadingFieldHolds = field;
        Meter meter(MeterState::Demo(), options);
        int batches = 0;
        for (int slot = 0; slot < 50; ++slot) {
            const QStringList batch = CommandWords(meter.Handle(QStringLiteral("GET BATCH %1").arg(slot)));
            if (batch[3] != QLatin1String("0") || batch[7] == QLatin1String("0"))
                continue;
            ++batches;
            const QStringList reading = CommandWords(meter.Handle(QStringLiteral("GET READING %1 0").arg(batch[2])));
            const QString want = field == MeterOptions::BatchId ? batch[2]
                                 : field == MeterOptions::Zero  ? QStringLiteral("0")
                                                                : QString::number(slot);
            QCOMPARE(reading[2], want);
            QCOMPARE(reading[3], QStringLiteral("0"));
        }
        QVERIFY(batches > 1);
    }
}

void TestSim::settingsAndClock()
{
    Meter meter(MeterState::Demo(), {});
    meter.Clock = [] { return QDateTime(QDate(2026, 12, 10), QTime(8, 0)); };
    QCOMPARE(meter.Handle(QStringLiteral("SET CONFIG 12 7")), QStringLiteral("SET CONFIG 12 7"));
    QCOMPARE(meter.Handle(QStringLiteral("GET CONFIG 12")), QStringLiteral("GET CONFIG 12 7"));
    QCOMPARE(meter.Handle(QStringLiteral("SET CONFIG 12 x")), QStringLiteral("P?"));
    QCOMPARE(meter.Handle(QStringLiteral("SET CONFIG 9 0.025")), QStringLiteral("SET CONFIG 9 0.025"));
    QCOMPARE(meter.Handle(QStringLiteral("SET RTC 09 30 00 10 12 2026")),
             QStringLiteral("SET RTC 09 30 00 10 12 2026 0"));
    QCOMPARE(meter.Handle(QStringLiteral("GET RTC")), QStringLiteral("GET RTC 09 30 00 10 12 2026"));
    QCOMPARE(meter.Handle(QStringLiteral("SET RTC 25 30 00 10 12 2026")), QStringLiteral("P?"));
    // A serial number with separators (or none) is quoted to stay one parameter in the application.
    const QList<std::pair<QString, QString>> serials{{QStringLiteral("TV-20417"), QStringLiteral("TV-20417")},
                                                     {QStringLiteral("TV 20417"), QStringLiteral("\"TV 20417\"")},
                                                     {QStringLiteral("TV:1(2)"), QStringLiteral("\"TV:1(2)\"")},
                                                     {QString(), QStringLiteral("\"\"")}};
    for (const auto &[serial, sent] : serials) {
        MeterState state = MeterState::Demo();
        state.Config[16] = serial;
        QCOMPARE(Meter(state, {}).Handle(QStringLiteral("GET CONFIG 16")), QStringLiteral("GET CONFIG 16 ") + sent);
    }
    Meter err1(MeterState::Demo(), {true, 0});
    QCOMPARE(err1.Handle(QStringLiteral("GET CONFIG 29")), QStringLiteral("ERR 1"));
    QCOMPARE(err1.Handle(QStringLiteral("SET CONFIG 24 20")), QStringLiteral("ERR 1"));
    QCOMPARE(err1.Handle(QStringLiteral("GET CONFIG 10")), QStringLiteral("GET CONFIG 10 84"));
}

void TestSim::pacingTakesWireTime()
{
    SimProcess sim({QStringLiteral("--pace")});
    QVERIFY(!sim.Path.isEmpty());
    const int fd = ::open(sim.Path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    const QByteArray command = "/GET BATCH 0\r\n";
    const QByteArray expected = "/GET BATCH 1 0 \"DECK A\" ";
    QElapsedTimer clock;
    clock.start();
    QVERIFY(::write(fd, command.constData(), command.size()) == command.size());
    QByteArray got;
    while (!got.endsWith("\r\n") && clock.elapsed() < 3000) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0) {
            char buf[256];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                got.append(buf, n);
        }
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    ::close(fd);
    QVERIFY2(got.startsWith(expected), got.constData());
    // The command's own bytes cross the wire first, then the reply's.
    const double bound = static_cast<double>(command.size() + got.size()) * 10.0 / 38400.0;
    QVERIFY2(seconds >= 0.95 * bound && seconds <= bound + 0.15,
             qPrintable(QStringLiteral("%1 s for a bound of %2 s").arg(seconds).arg(bound)));
}

void TestSim::chaosIsSeededAndBounded()
{
    auto draws = [](quint32 seed, int percent, int n) {
        Chaos chaos(seed, percent, 300);
        QList<ChaosFault> out;
        for (int i = 0; i < n; ++i)
            out << chaos.Next();
        return out;
    };
    auto describe = [](const QList<ChaosFault> &faults) {
        QStringList out;
        for (const ChaosFault &f : faults)
            out << f.Describe();
        return out;
    };
    QCOMPARE(describe(draws(7, 30, 500)), describe(draws(7, 30, 500)));
    QVERIFY(describe(draws(7, 30, 500)) != describe(draws(8, 30, 500)));

    const QList<ChaosFault> all = draws(3, 100, 2000);
    QSet<int> kinds;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const ChaosFault &f = all[i];
        kinds << f.What;
        switch (f.What) {
        case ChaosFault::None:
            QFAIL("a reply without a fault at 100 percent");
            break;
        case ChaosFault::Garbage:
            QVERIFY(f.Amount >= 1 && f.Amount <= 16);
            break;
        case ChaosFault::Split:
            QVERIFY(f.Amount >= 1 && f.Amount <= 7);
            break;
        case ChaosFault::Late:
            QVERIFY(f.Amount >= 1 && f.Amount <= 300);
            break;
        case ChaosFault::Dropout:
            // A dropout lasts 1 to 4 commands, counting down to its end.
            QVERIFY(f.Amount >= 0 && f.Amount <= 3);
            for (int k = 1; k <= f.Amount && i + k < all.size(); ++k) {
                QCOMPARE(all[i + k].What, ChaosFault::Dropout);
                QCOMPARE(all[i + k].Amount, f.Amount - k);
            }
            i += f.Amount;
            break;
        case ChaosFault::Refusal:
            QVERIFY(QStringList({QStringLiteral("ERR"), QStringLiteral("P?"), QStringLiteral("C?")}).contains(f.Reply));
            break;
        }
    }
    QCOMPARE(kinds.size(), 5);

    qsizetype faulted = 0;
    for (const ChaosFault &f : draws(11, 20, 10000))
        faulted += f.What != ChaosFault::None;
    // One draw in five starts a fault; dropouts stretch some of them over a few commands.
    QVERIFY2(faulted > 1800 && faulted < 3000, qPrintable(QString::number(faulted)));
}

void TestSim::chaosOnTheLineIsLogged()
{
    QTemporaryDir dir;
    auto run = [&](const QString &name) {
        const QString log = dir.filePath(name);
        SimProcess sim({QStringLiteral("--chaos"), QStringLiteral("5:50"), QStringLiteral("--chaos-late"),
                        QStringLiteral("20"), QStringLiteral("--log"), log});
        const int fd = ::open(sim.Path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        termios tio{};
        ::tcgetattr(fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
        QByteArray commands;
        for (int i = 0; i < 40; ++i)
            commands += "/GET BATCH " + QByteArray::number(i % 8) + "\r\n";
        const bool written = ::write(fd, commands.constData(), static_cast<size_t>(commands.size())) == commands.size();
        QStringList lines;
        QElapsedTimer clock;
        clock.start();
        while (lines.filter(QStringLiteral("GET BATCH")).size() < 40 && clock.elapsed() < 5000) {
            QTest::qWait(20);
            QFile f(log);
            if (f.open(QIODevice::ReadOnly))
                lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        }
        ::close(fd);
        return written ? lines : QStringList();
    };
    const QStringList first = run(QStringLiteral("first.log"));
    QCOMPARE(first.filter(QStringLiteral("GET BATCH")).size(), 40);
    const qsizetype marked =
        first.filter(QRegularExpression(QStringLiteral("^# chaos (garbage|split|late|dropped|refused)"))).size();
    QVERIFY2(marked > 5 && marked < 40, qPrintable(first.join(QLatin1Char('|'))));
    // Each mark follows the command it hit, and the same seed marks the same commands.
    QCOMPARE(run(QStringLiteral("second.log")), first);
    QVERIFY(!first.first().startsWith(QLatin1Char('#')));
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
