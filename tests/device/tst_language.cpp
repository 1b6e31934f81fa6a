// The table of the meter's language: every operation sends only commands of the table, in the
// forms it gives, and a meter that keeps to the table is understood by every operation.
#include "Meter.h"
#include "device/CommandTable.h"
#include "device/Communication.h"
#include "device/MeasurementSettings.h"
#include "device/ReplyMatch.h"
#include "device/SplitParameters.h"
#include "support/ScriptedMeter.h"
#include "support/ScriptedPrompts.h"

#include <QSet>
#include <QtTest>

namespace {

// Why a command line does not belong to the language, or an empty text.
QString NotInTable(const QString &line)
{
    const TCommandSpec *spec = FindCommand(line);
    if (!spec)
        return QStringLiteral("no row for \"%1\"").arg(line);
    if (!line.startsWith(QLatin1String(spec->Words)))
        return QStringLiteral("\"%1\" does not begin with the words %2").arg(line, QLatin1String(spec->Words));
    if (!ParseArguments(*spec, line))
        return QStringLiteral("\"%1\" does not have the arguments of its row").arg(line);
    if (CommandLine(spec->Id, *ParseArguments(*spec, line)) != line)
        return QStringLiteral("\"%1\" is not written as its row writes it").arg(line);
    return QString();
}

// A module connected to the simulated meter, answering through a fake line.
struct Rig {
    FakeLine line;
    ScriptedMeter scripted{line};
    ScriptedPrompts prompts;
    Meter meter;
    TdmCommunication comm{prompts, nullptr, FakeFactory(line)};

    explicit Rig(MeterState state)
        : meter(std::move(state), {})
    {
        comm.ConnectTimeOutTimer().setInterval(300);
        comm.DataLink().SetTimeOutResponse(50);
        scripted.Reply = [this](const QString &c) { return meter.Handle(c); };
    }
};

} // namespace

class TestLanguage : public QObject {
    Q_OBJECT
private slots:
    void tableIsWhole();
    void everyOperationSpeaksTheTable();
    void foreignCommandIsFound_data();
    void foreignCommandIsFound();
    void simulatedMeterAnswersEveryRow();
};

void TestLanguage::tableIsWhole()
{
    QSet<QString> words;
    QSet<int> ids;
    bool barrier = false;
    for (const TCommandSpec &c : MeterCommands()) {
        QVERIFY2(!words.contains(QLatin1String(c.Words)), c.Words);
        words << QLatin1String(c.Words);
        ids << static_cast<int>(c.Id);
        QCOMPARE(&CommandSpec(c.Id), &c);
        QCOMPARE(CommandWords(QLatin1String(c.Words)).size(), 2);
        QVERIFY2(c.ReplyCount >= 2, c.Words); // the words are repeated
        for (qsizetype arg : c.Echoed)
            QVERIFY2(arg >= 0 && arg < c.Args.size() && 2 + arg < c.ReplyCount, c.Words);
        // A command sent again would be carried out again.
        if (c.TimeOut != TTimeOutClass::Resent)
            QVERIFY2(c.Changes, c.Words);
        barrier = barrier || (c.Args.isEmpty() && !c.Changes);
    }
    QCOMPARE(ids.size(), static_cast<int>(MeterCommands().size()));
    QVERIFY(barrier);
    QSet<int> indexes;
    for (const TSettingSpec &s : SettingTable) {
        QVERIFY(!indexes.contains(s.Index));
        indexes << s.Index;
        QCOMPARE(FindSetting(s.Index), &s);
    }
}

void TestLanguage::everyOperationSpeaksTheTable()
{
    MeterState state = MeterState::Demo();
    state.ClockOffset = 3600; // the clock check sets the clock
    Rig r(state);
    r.prompts.Answers = {TMsgResult::Yes};
    QVERIFY(r.comm.Connect(true));
    TBatches batches;
    r.comm.ReadBatches(batches);
    QVERIFY(batches.Count() > 0);
    r.comm.ReadBatchReadings(*batches.GetBatch(0));
    qint32 id = 0;
    r.comm.NewBatch(QStringLiteral("NEW ONE     "), 20, 45000.5, id);
    r.comm.DeleteBatch(id);
    QVERIFY(r.comm.ReadDeviceInfo()->HasBresleOffset);
    r.comm.ReadCellConstants();
    const TMeasurementSettings settings = ReadMeasurementSettings(r.comm, true);
    WriteMeasurementSettings(r.comm, settings, true);
    r.comm.GetBresleOffset();
    QVERIFY(r.comm.SetPassword(r.comm.GetPassword()));
    r.comm.SetDeviceTime(r.comm.GetDeviceTime());

    QSet<TCommand> used;
    for (const QString &c : std::as_const(r.scripted.Commands)) {
        QVERIFY2(NotInTable(c).isEmpty(), qPrintable(NotInTable(c)));
        used << FindCommand(c)->Id;
    }
    // Every row is spoken by some operation.
    QCOMPARE(used.size(), MeterCommands().size());
}

void TestLanguage::foreignCommandIsFound_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("unknown words") << "GET FOO 3";
    QTest::newRow("missing argument") << "GET READING 7";
    QTest::newRow("extra argument") << "GET VERSION 1";
    QTest::newRow("name not quoted") << "NEW BATCH name 86400 50";
    QTest::newRow("number not a number") << "GET BATCH x";
    QTest::newRow("two blanks") << "GET CONFIG  16";
    QTest::newRow("lower case") << "get config 16";
}

void TestLanguage::foreignCommandIsFound()
{
    QFETCH(QString, line);
    QVERIFY(!NotInTable(line).isEmpty());
}

void TestLanguage::simulatedMeterAnswersEveryRow()
{
    // One command of each row, as the operations send them: the meter's reply is of the row's form
    // and answers the command.
    const QStringList lines{
        QStringLiteral("GET VERSION"),
        QStringLiteral("GET RTC"),
        QStringLiteral("GET SERVOLT"),
        QStringLiteral("GET MAXNROFB"),
        QStringLiteral("SET RTC 12 30 05 21 03 2012"),
        QStringLiteral("GET BATCH 0"),
        QStringLiteral("GET READING 1 0"),
        QStringLiteral("NEW BATCH \"A           \" 86400 50"),
        QStringLiteral("DEL BATCH 1"),
        QStringLiteral("GET CONFIG 16"),
        QStringLiteral("SET CONFIG 10 84"),
        QStringLiteral("GET C 2 3"),
    };
    Meter meter(MeterState::Demo(), {});
    QSet<TCommand> rows;
    for (const QString &line : lines) {
        QVERIFY2(NotInTable(line).isEmpty(), qPrintable(line));
        const TCommandSpec &spec = *FindCommand(line);
        rows << spec.Id;
        const QString reply = meter.Handle(line);
        QCOMPARE(SplitParameters(reply).size(), spec.ReplyCount);
        QVERIFY2(ReplyAnswers(line, reply), qPrintable(reply));
    }
    QCOMPARE(rows.size(), MeterCommands().size());
}

QTEST_GUILESS_MAIN(TestLanguage)
#include "tst_language.moc"
