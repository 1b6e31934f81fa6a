// vornell-cli against meters that answer late, and against one that fills the unused field of its
// readings with something else. Each case has a simulated meter of its own and all cases run at
// once: the time goes on the meters' lateness, not on the machine. A meter that answers within the
// three transmissions gives exactly the data of a punctual one; a later one the same data or the
// time-out message, never wrong, doubled or shifted data.
#include "support/SimProcess.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

const QString TimeOut = QStringLiteral("Data Link layer time out");

struct Run {
    int Status = -1;
    QByteArray Out;
    QString Err;
};

struct Case {
    QString Name;
    QStringList Flags;
    bool Within = true; // within the three transmissions: the punctual data, always
    std::unique_ptr<SimProcess> Sim;
    QString Log;
    Run List, Export;
};

// Runs one vornell-cli per case at the same time and waits for all of them.
void RunAll(std::vector<Case> &cases, Run Case::*result, const std::function<QStringList(const Case &)> &args)
{
    std::vector<std::unique_ptr<QProcess>> running;
    for (const Case &c : cases) {
        running.push_back(std::make_unique<QProcess>());
        running.back()->start(QStringLiteral(VORNELL_CLI), args(c));
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        QProcess &p = *running[i];
        p.waitForFinished(300000);
        cases[i].*result = {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                            QString::fromUtf8(p.readAllStandardError())};
    }
}

qsizetype Sent(const QString &log, const QString &words)
{
    QFile f(log);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')).filter(QRegularExpression(u'^' + words)).size();
}

QByteArray Contents(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestLateness : public QObject {
    Q_OBJECT
private slots:
    void sameDataAsAPunctualMeter();
    void oneLateReadingSpoilsNoOtherBatch();
};

void TestLateness::sameDataAsAPunctualMeter()
{
    QTemporaryDir dir;
    std::vector<Case> cases;
    auto add = [&](const QString &name, const QStringList &flags, bool within = true) {
        cases.push_back({name, flags, within, nullptr, {}, {}, {}});
    };
    add(QStringLiteral("punctual"), {});
    for (const char *words : {"GET BATCH", "GET READING"})
        for (int ms : {300, 800, 1300, 1450})
            add(QStringLiteral("%1 %2 ms").arg(QLatin1String(words)).arg(ms),
                {QStringLiteral("--late-for"), QStringLiteral("%1=%2").arg(QLatin1String(words)).arg(ms)});
    for (int ms : {800, 1300})
        add(QStringLiteral("every command %1 ms").arg(ms), {QStringLiteral("--late"), QString::number(ms)});
    // A meter that takes one command at a time answers each resend that much later again.
    add(QStringLiteral("one at a time, GET BATCH 1300 ms"),
        {QStringLiteral("--one-at-a-time"), QStringLiteral("--late-for"), QStringLiteral("GET BATCH=1300")});
    add(QStringLiteral("one at a time, every command 800 ms"),
        {QStringLiteral("--one-at-a-time"), QStringLiteral("--late"), QStringLiteral("800")});
    for (const char *words : {"GET BATCH", "GET READING"})
        for (int ms : {1700, 2600})
            add(QStringLiteral("%1 %2 ms").arg(QLatin1String(words)).arg(ms),
                {QStringLiteral("--late-for"), QStringLiteral("%1=%2").arg(QLatin1String(words)).arg(ms)}, false);
    add(QStringLiteral("reading field 0"), {QStringLiteral("--reading-field"), QStringLiteral("zero")});
    add(QStringLiteral("reading field slot"), {QStringLiteral("--reading-field"), QStringLiteral("slot")});

    for (std::size_t i = 0; i < cases.size(); ++i) {
        Case &c = cases[i];
        c.Log = dir.filePath(QStringLiteral("meter%1.log").arg(i));
        c.Sim = std::make_unique<SimProcess>(QStringList{QStringLiteral("--state"),
                                                         QStringLiteral(FIXTURES "/sim/lateness.json"),
                                                         QStringLiteral("--log"), c.Log} +
                                             c.Flags);
        QVERIFY2(!c.Sim->Path.isEmpty(), qPrintable(c.Name));
    }
    RunAll(cases, &Case::List, [](const Case &c) {
        return QStringList{QStringLiteral("--device"), c.Sim->Path, QStringLiteral("list")};
    });
    const auto file = [&](const Case &c) { return dir.filePath(QStringLiteral("%1.CSV").arg(&c - cases.data())); };
    RunAll(cases, &Case::Export, [&](const Case &c) {
        return QStringList{QStringLiteral("--device"), c.Sim->Path, QStringLiteral("export"), QStringLiteral("--all"),
                           file(c)};
    });

    const Case &punctual = cases.front();
    QCOMPARE(punctual.List.Status, 0);
    QCOMPARE(punctual.List.Out.count('\n'), 2);
    QCOMPARE(punctual.Export.Status, 0);
    const QByteArray exported = Contents(file(punctual));
    QVERIFY(exported.contains("DECK A") && exported.contains("HOLD 2"));
    for (const Case &c : cases) {
        const char *name = qPrintable(c.Name);
        if (c.Within || c.List.Status == 0) {
            QVERIFY2(c.List.Status == 0, qPrintable(c.Name + u' ' + c.List.Err));
            QVERIFY2(c.List.Out == punctual.List.Out, name);
        } else {
            // What was read before the time-out is the meter's first batches, as they are.
            QVERIFY2(c.List.Status == 2 && c.List.Err.contains(TimeOut), qPrintable(c.Name + u' ' + c.List.Err));
            QVERIFY2(punctual.List.Out.startsWith(c.List.Out), name);
        }
        if (c.Within || c.Export.Status == 0) {
            QVERIFY2(c.Export.Status == 0, qPrintable(c.Name + u' ' + c.Export.Err));
            QVERIFY2(Contents(file(c)) == exported, name);
        } else {
            QVERIFY2(c.Export.Status == 2 && c.Export.Err.contains(TimeOut), qPrintable(c.Name + u' ' + c.Export.Err));
        }
    }
    // The unused field holding something else costs nothing: one transmission a reading.
    for (const Case &c : cases)
        if (c.Name.startsWith(QLatin1String("reading field")) || c.Name == punctual.Name)
            QCOMPARE(Sent(c.Log, QStringLiteral("GET READING")), 3);
}

void TestLateness::oneLateReadingSpoilsNoOtherBatch()
{
    // A meter that works through its commands one at a time answers the first reading of DECK A
    // too late for all three transmissions, and each of them as late again; everything else is
    // punctual. The late replies must not be taken for HOLD 2's reading: DECK A is named as not
    // saved, HOLD 2 is saved exactly as from a meter that failed DECK A at once, and on its own
    // exactly as from a punctual meter.
    QTemporaryDir dir;
    std::vector<Case> cases;
    auto add = [&](const QString &name, const QStringList &flags) {
        cases.push_back({name, flags, false, nullptr, {}, {}, {}});
    };
    add(QStringLiteral("punctual"), {});
    add(QStringLiteral("refused at once"), {QStringLiteral("--refuse"), QStringLiteral("ERR"),
                                            QStringLiteral("--refuse-command"), QStringLiteral("GET READING 5 0")});
    for (const bool noise : {false, true})
        for (int ms : {1550, 1900, 2800, 3400}) {
            QStringList flags{QStringLiteral("--one-at-a-time"), QStringLiteral("--late-for"),
                              QStringLiteral("GET READING 5 0=%1").arg(ms)};
            if (noise)
                flags << QStringLiteral("--garbage") << QStringLiteral("12");
            add(QStringLiteral("%1 ms%2").arg(ms).arg(noise ? " with noise" : ""), flags);
        }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Case &c = cases[i];
        c.Sim = std::make_unique<SimProcess>(
            QStringList{QStringLiteral("--state"), QStringLiteral(FIXTURES "/sim/lateness.json")} + c.Flags);
        QVERIFY2(!c.Sim->Path.isEmpty(), qPrintable(c.Name));
        QVERIFY(QDir(dir.path()).mkpath(QString::number(i)));
    }
    const auto folder = [&](const Case &c) { return dir.filePath(QString::number(&c - cases.data())); };
    RunAll(cases, &Case::Export, [&](const Case &c) {
        return QStringList{QStringLiteral("--device"), c.Sim->Path, QStringLiteral("export"), QStringLiteral("--all"),
                           folder(c) + QStringLiteral("/all.CSV")};
    });
    RunAll(cases, &Case::List, [&](const Case &c) {
        return QStringList{QStringLiteral("--device"),   c.Sim->Path, QStringLiteral("export"), QStringLiteral("--all"),
                           QStringLiteral("--separate"), folder(c)};
    });

    const Case &punctual = cases[0];
    QCOMPARE(punctual.Export.Status, 0);
    QCOMPARE(punctual.List.Status, 0);
    const QByteArray hold = Contents(folder(punctual) + QStringLiteral("/HOLD 2.CSV"));
    QVERIFY(hold.contains("HOLD 2"));
    const QByteArray withoutDeck = Contents(folder(cases[1]) + QStringLiteral("/all.CSV"));
    QVERIFY(withoutDeck.contains("HOLD 2") && !withoutDeck.contains("DECK A"));
    for (std::size_t i = 1; i < cases.size(); ++i) {
        const Case &c = cases[i];
        const QString name = c.Name + u' ';
        for (const Run *run : {&c.Export, &c.List}) {
            QVERIFY2(run->Status == 2, qPrintable(name + run->Err));
            QVERIFY2(run->Err.contains(QStringLiteral("The batch DECK A")) &&
                         run->Err.contains(QStringLiteral("could not be saved")) &&
                         !run->Err.contains(QStringLiteral("HOLD 2")),
                     qPrintable(name + run->Err));
        }
        QVERIFY2(Contents(folder(c) + QStringLiteral("/all.CSV")) == withoutDeck, qPrintable(name));
        QVERIFY2(Contents(folder(c) + QStringLiteral("/HOLD 2.CSV")) == hold, qPrintable(name));
        QVERIFY2(!QFile::exists(folder(c) + QStringLiteral("/DECK A.CSV")), qPrintable(name));
    }
}

QTEST_GUILESS_MAIN(TestLateness)
#include "tst_lateness.moc"
