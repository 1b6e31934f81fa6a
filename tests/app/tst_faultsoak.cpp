// Read All and the reading of every batch, round after round, against a simulated meter whose
// replies go wrong at random: garbage before a reply, replies in pieces, late replies, a line that
// goes dead for a few commands, refusals. After every round the main window must be idle and its
// batch list and tree must agree with each other and with the meter; a clean run at the end must
// read everything. The faults are seeded: VORNELL_SOAK_SEED and VORNELL_SOAK_FAULTS (1000 faulted
// exchanges by default) repeat or lengthen a run, and the meter's log of the faults is kept when a
// round fails.
#include "app/BatchTree.h"
#include "app/BatchWindows.h"
#include "app/BusyCursor.h"
#include "app/frmMain.h"
#include "app/frmViewBatch.h"
#include "device/Communication.h"
#include "link/MPDataLink.h"
#include "model/Batches.h"
#include "model/DateTime.h"
#include "model/DeviceInfo.h"
#include "support/ScriptedPrompts.h"
#include "support/SimProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

struct Reading {
    int Index, Status, Time, Conductivity, Temperature, Fahrenheit;
};
struct Batch {
    int Slot, Id;
    QString Name;
    int Created, Max;
    QList<Reading> Readings;
};

// Five batches in twelve slots, with names the meter has to quote.
QList<Batch> MeterBatches()
{
    QList<Batch> out;
    const QStringList names{QStringLiteral("DECK A"), QStringLiteral("HOLD (2)"), QStringLiteral("TANK:3"),
                            QStringLiteral("HULL"), QStringLiteral("X,Y=Z")};
    const int slotOf[] = {0, 2, 3, 7, 11};
    for (int b = 0; b < names.size(); ++b) {
        Batch batch{slotOf[b], 10 + b, names[b], 1479888900 + b * 3600, 100, {}};
        for (int i = 0; i < 3 + b; ++i)
            batch.Readings << Reading{i, 0, batch.Created + 60 * i, 20 + 37 * i + b, 150 + 11 * i, b == 3 ? 1 : 0};
        out << batch;
    }
    return out;
}

QByteArray StateJson(const QList<Batch> &batches)
{
    QJsonArray list;
    for (const Batch &b : batches) {
        QJsonArray readings;
        for (const Reading &r : b.Readings)
            readings.append(QJsonObject{{QStringLiteral("status"), r.Status},
                                        {QStringLiteral("time"), r.Time},
                                        {QStringLiteral("conductivity"), r.Conductivity},
                                        {QStringLiteral("temperature"), r.Temperature},
                                        {QStringLiteral("flag"), 0},
                                        {QStringLiteral("fahrenheit"), r.Fahrenheit}});
        list.append(QJsonObject{{QStringLiteral("slot"), b.Slot},
                                {QStringLiteral("id"), b.Id},
                                {QStringLiteral("name"), b.Name},
                                {QStringLiteral("created"), b.Created},
                                {QStringLiteral("max"), b.Max},
                                {QStringLiteral("readings"), readings}});
    }
    const QJsonObject config{{"0", "517"},         {"9", "0.02"},   {"10", "84"},   {"12", "1"},
                             {"13", "2"},          {"14", "3"},     {"15", "4"},    {"16", "SOAK 1"},
                             {"17", "1394614800"}, {"18", "1.032"}, {"19", "20"},   {"22", "1.018"},
                             {"24", "20"},         {"25", "18342"}, {"26", "2210"}, {"27", "312"},
                             {"28", "1472740200"}, {"29", "2"},     {"30", "3.5"}};
    return QJsonDocument(QJsonObject{{QStringLiteral("firmware"), QStringLiteral("V2.07")},
                                     {QStringLiteral("slots"), 12},
                                     {QStringLiteral("servo"), 7200},
                                     {QStringLiteral("config"), config},
                                     {QStringLiteral("batches"), list}})
        .toJson();
}

// The introductions of the warnings that Read All and opening a batch may show; anything else
// (the application-wide handler above all) means a failure escaped its command.
const QStringList Introductions{
    QStringLiteral("Could not make a connection to Talvo!"),
    QStringLiteral("A problem occurred while connecting with the message: \r\n\t"),
    QStringLiteral("A problem occurred while reading the batches!\r\nThe message was:\r\n\r\n"),
    QStringLiteral("The window to show the batch data could not be created.\r\nMessage: "),
};

// The exchanges the meter saw and those it gave a fault, from its log.
std::pair<qsizetype, qsizetype> Logged(const QString &log)
{
    QFile f(log);
    if (!f.open(QIODevice::ReadOnly))
        return {0, 0};
    const QByteArray text = f.readAll();
    const qsizetype faulted = text.count("\n# chaos ");
    return {text.count('\n') - faulted, faulted};
}

} // namespace

class TestFaultSoak : public QObject {
    Q_OBJECT
private slots:
    void soak();

private:
    // Every check of one round; a failure names the round.
    void CheckRound(int round, bool readAllFailed);

    QList<Batch> FMeter = MeterBatches();
    ScriptedPrompts FPrompts;
    std::unique_ptr<TfrmMain> FWindow;
};

void TestFaultSoak::CheckRound(int round, bool readAllFailed)
{
    const QString where = QStringLiteral("round %1: ").arg(round);
    TfrmMain &w = *FWindow;
    // Idle: no busy cursor, no command waiting for the meter, the displays reset.
    QVERIFY2(!TBusyCursor::IsBusy() && !QGuiApplication::overrideCursor(), qPrintable(where + "busy"));
    QTRY_VERIFY2_WITH_TIMEOUT(!w.Communication().DataLink().Busy(), qPrintable(where + "link waits"), 5000);
    QVERIFY2(w.findChild<QProgressBar *>(QStringLiteral("ProgressBar"))->isHidden(),
             qPrintable(where + "progress shown"));
    for (const auto &m : FPrompts.Messages) {
        const bool known = std::any_of(Introductions.begin(), Introductions.end(),
                                       [&](const QString &intro) { return m.Text.startsWith(intro); });
        QVERIFY2(m.Kind == TMsgKind::Warning && known, qPrintable(where + m.Text));
    }

    // The list and the tree hold the same batches, once each, and each is the meter's.
    QTreeWidgetItem *root = w.Tree().Root();
    QCOMPARE(root->childCount(), w.Batches().Count());
    QSet<qint32> ids;
    for (int i = 0; i < root->childCount(); ++i) {
        TBatch *b = w.Tree().BatchOf(root->child(i));
        QVERIFY2(b && w.Batches().Contains(b), qPrintable(where + "node without batch"));
        QVERIFY2(!ids.contains(b->FID), qPrintable(where + QStringLiteral("batch %1 twice").arg(b->FID)));
        ids << b->FID;
        const auto m = std::find_if(FMeter.begin(), FMeter.end(), [&](const Batch &s) { return s.Id == b->FID; });
        QVERIFY2(m != FMeter.end(), qPrintable(where + QStringLiteral("unknown batch %1").arg(b->FID)));
        QCOMPARE(b->FName.trimmed(), m->Name);
        QCOMPARE(b->FCreationDateTime, DeviceTimeToDateTime(static_cast<quint32>(m->Created)));
        QCOMPARE(b->FMaxReadings, m->Max);
        QCOMPARE(b->FReadingCount, m->Readings.size());
        // Readings are there in full or not at all.
        if (!b->FReadingsLoaded) {
            QVERIFY2(b->Readings().empty(), qPrintable(where + "partial readings kept"));
            continue;
        }
        QCOMPARE(b->Readings().size(), static_cast<std::size_t>(m->Readings.size()));
        for (qsizetype r = 0; r < m->Readings.size(); ++r) {
            const TReading &got = *b->Readings()[static_cast<std::size_t>(r)];
            const Reading &want = m->Readings[r];
            QCOMPARE(got.FIndex, want.Index);
            QCOMPARE(got.FConductivity, want.Conductivity);
            // Showing a reading in the batch window turns degrees Fahrenheit into Celsius.
            const auto celsius = [](float t, bool fahrenheit) { return fahrenheit ? FahrenheitToCelsius(t) : t; };
            QCOMPARE(celsius(got.FTemperature, got.FFahrenheit),
                     celsius(static_cast<float>(want.Temperature) / 10, want.Fahrenheit != 0));
            QCOMPARE(got.FDateTime, DeviceTimeToDateTime(static_cast<quint32>(want.Time)));
        }
    }
    // A Read All that ended without a warning read every batch.
    if (!readAllFailed)
        QCOMPARE(ids.size(), FMeter.size());
    // A batch window is open for every batch whose readings were read, and only for those.
    int loaded = 0;
    for (int i = 0; i < root->childCount(); ++i)
        loaded += w.Tree().BatchOf(root->child(i))->FReadingsLoaded;
    QCOMPARE(w.Windows().subWindowList().size(), loaded);
}

void TestFaultSoak::soak()
{
    const uint seed =
        qEnvironmentVariableIsSet("VORNELL_SOAK_SEED") ? qEnvironmentVariable("VORNELL_SOAK_SEED").toUInt() : 20261210;
    // Rounds go on until this many exchanges were faulted, within a bound on the rounds.
    const qsizetype wanted =
        qEnvironmentVariableIsSet("VORNELL_SOAK_FAULTS") ? qEnvironmentVariableIntValue("VORNELL_SOAK_FAULTS") : 1000;
    const int maxRounds = 400;
    QTemporaryDir dir;
    dir.setAutoRemove(false);
    const QString state = dir.filePath(QStringLiteral("meter.json"));
    const QString log = dir.filePath(QStringLiteral("chaos.log"));
    {
        QFile f(state);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(StateJson(FMeter));
    }

    FWindow = std::make_unique<TfrmMain>(FPrompts, dir.filePath(QStringLiteral("vornell.ini")), dir.path() + u'/');
    TdmCommunication &comm = FWindow->Communication();
    const quint32 normalTimeOut = comm.DataLink().TimeOutResponse();
    const int normalIdentification = comm.ConnectTimeOutTimer().interval();
    // Short time-outs keep the faults cheap; the late replies come both within and beyond them, up
    // to six response times late (three seconds at the meter's own 500 ms).
    comm.DataLink().SetTimeOutResponse(25);
    comm.ConnectTimeOutTimer().setInterval(400);
    FWindow->show();

    {
        SimProcess sim({QStringLiteral("--state"), state, QStringLiteral("--chaos"), QStringLiteral("%1:30").arg(seed),
                        QStringLiteral("--chaos-late"), QStringLiteral("150"), QStringLiteral("--log"), log});
        QVERIFY(!sim.Path.isEmpty());
        int round = 0, readAlls = 0, opened = 0;
        qsizetype faulted = 0;
        while (faulted < wanted && round < maxRounds) {
            ++round;
            FPrompts.Messages.clear();
            FWindow->mniReadAllClick();
            const bool readAllFailed = !FPrompts.Messages.isEmpty();
            readAlls += !readAllFailed;
            for (int i = 0; i < FWindow->Tree().Root()->childCount(); ++i) {
                FWindow->Tree().setCurrentItem(FWindow->Tree().Root()->child(i));
                FWindow->tvwBatchesDblClick();
            }
            CheckRound(round, readAllFailed);
            opened += static_cast<int>(FWindow->Windows().subWindowList().size());
            if (QTest::currentTestFailed()) {
                qWarning("seed %u; the meter's log is %s", seed, qPrintable(log));
                return;
            }
            faulted = Logged(log).second;
        }
        qInfo("%d rounds, %lld exchanges of which %lld faulted, %d whole Read Alls, %d batch windows, seed %u", round,
              static_cast<long long>(Logged(log).first), static_cast<long long>(faulted), readAlls, opened, seed);
        QVERIFY2(faulted >= wanted, qPrintable(QString::number(faulted)));
        QVERIFY(sim.Running());
    }

    // The meter comes back without faults on another line: everything is read as it stands.
    SimProcess clean({QStringLiteral("--state"), state});
    comm.DataLink().SetTimeOutResponse(normalTimeOut);
    comm.ConnectTimeOutTimer().setInterval(normalIdentification);
    FWindow->mniDisconnectClick();
    FPrompts.Messages.clear();
    FWindow->mniReadAllClick();
    for (int i = 0; i < FWindow->Tree().Root()->childCount(); ++i) {
        FWindow->Tree().setCurrentItem(FWindow->Tree().Root()->child(i));
        FWindow->tvwBatchesDblClick();
    }
    QVERIFY2(FPrompts.Messages.isEmpty(), qPrintable(FPrompts.Texts().join(u'|')));
    CheckRound(0, false);
    QCOMPARE(FWindow->Windows().subWindowList().size(), FMeter.size());
    QVERIFY(FWindow->DeviceInfo().Valid);

    FPrompts.Answers = {TMsgResult::No};
    FWindow->close();
    FWindow.reset();
    dir.setAutoRemove(true);
}

QTEST_MAIN(TestFaultSoak)
#include "tst_faultsoak.moc"
