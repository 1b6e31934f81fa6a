// vornell-cli from the outside: every command against the simulated meter, its output and exit status.
#include "support/CliRun.h"
#include "support/SimProcess.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

QStringList Lines(const QString &text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void portsAndHelp();
    void info();
    void list();
    void exportThenVerify_data();
    void exportThenVerify();
    void verifyFindsAlteredFile();
    void verifyGoesThroughEveryFile();
    void showPrintsTheFilesFigures();
    void clock();
    void settings();
    void newAndDeleteBatch();
    void meterErrorsEndInTheirMessage();
    void usageErrors_data();
    void usageErrors();
    void clockOffIsReported();
    void listShowsWhatWasReadBeforeAFailure();
    void remembersThePortOfTheMeter();
    void lateBatchCommandsGoOutOnce();
    void malformedSlotCountIsAnError_data();
    void malformedSlotCountIsAnError();
    void changesInDoubtSaySo();
    void partialSettingsWriteNamesTheValues();
    void emptyMeterAndClockToTheSecond();
    void longWaitCountsItsSeconds();
};

void TestCli::portsAndHelp()
{
    SimProcess sim;
    const Run r = Cli({QStringLiteral("ports")});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, QStringLiteral("COM 161\t") + sim.Path + QLatin1Char('\n'));
    for (const char *c : {"ports", "info", "list", "export", "verify", "show", "report", "clock", "settings",
                          "new-batch", "delete-batch"}) {
        const Run help = Cli({QString::fromLatin1(c), QStringLiteral("--help")});
        QCOMPARE(help.Status, 0);
        QVERIFY(help.Out.startsWith(QStringLiteral("usage: vornell-cli ")));
    }
    QCOMPARE(Cli({QStringLiteral("frobnicate")}).Status, 2);
}

void TestCli::info()
{
    SimProcess sim({QStringLiteral("--firmware"), QStringLiteral("2.06S01")});
    const Run r = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("info")});
    QCOMPARE(r.Status, 0);
    const QStringList lines = Lines(r.Out);
    QCOMPARE(lines.first(), QStringLiteral("Serial Number: TV-20417"));
    QVERIFY(lines.contains(QStringLiteral("Software Version: 2.06S01")));
    QVERIFY(lines.contains(QStringLiteral("Servo Usage: 12.5 Hours")));
    QVERIFY(lines.contains(QStringLiteral("Validation Fluid Conductivity: 84 µS/cm @ 25°C/77°F")));
    QVERIFY(lines.contains(QStringLiteral("Surface Density Conversion: 1.2 mg/m² per µS/cm")));
}

void TestCli::list()
{
    SimProcess sim;
    const Run r = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("list")});
    QCOMPARE(r.Status, 0);
    const QStringList lines = Lines(r.Out);
    QCOMPARE(lines.size(), 8);
    const QStringList first = lines[1].split(QLatin1Char('\t'));
    QCOMPARE(first.size(), 5);
    QCOMPARE(first[0], QStringLiteral("2"));
    QCOMPARE(first[1], QStringLiteral("HULL PORT 1"));
    QCOMPARE(first[3], QStringLiteral("100"));
}

void TestCli::exportThenVerify_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("text") << QStringLiteral("CSV");
    QTest::newRow("workbook") << QStringLiteral("XLS");
}

void TestCli::exportThenVerify()
{
    QFETCH(QString, format);
    SimProcess sim;
    QTemporaryDir dir;
    const QString ext = QLatin1Char('.') + format;
    const QString one = dir.filePath(QStringLiteral("one") + ext), all = dir.filePath(QStringLiteral("all") + ext);
    QCOMPARE(Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("export"), QStringLiteral("--batch"),
                  QStringLiteral("3"), one})
                 .Status,
             0);
    QCOMPARE(Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("export"), QStringLiteral("--all"), all}).Status,
             0);
    QDir(dir.path()).mkdir(QStringLiteral("each"));
    QCOMPARE(
        Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("export"), QStringLiteral("--all"),
             QStringLiteral("--separate"), QStringLiteral("--format"), format, dir.filePath(QStringLiteral("each"))})
            .Status,
        0);
    QCOMPARE(QDir(dir.filePath(QStringLiteral("each"))).entryList(QDir::Files).size(), 8);
    // The single file and the separate file of the same batch are the same bytes.
    QFile a(one), b(dir.filePath(QStringLiteral("each/TANK 3") + ext));
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(a.readAll(), b.readAll());
    QCOMPARE(QFileInfo(one).lastModified(), QDateTime(QDate(2026, 11, 25), QTime(8, 15)));

    const Run r = Cli({QStringLiteral("verify"), one, all});
    QCOMPARE(r.Status, 0);
    const QStringList lines = Lines(r.Out);
    QCOMPARE(lines.size(), 9);
    QCOMPARE(lines[0], one + QStringLiteral("\tTANK 3\tPassed"));
    QCOMPARE(lines.filter(QStringLiteral("\tPassed")).size(), 9);
}

void TestCli::verifyFindsAlteredFile()
{
    SimProcess sim;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("b.CSV"));
    QCOMPARE(Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("export"), QStringLiteral("--batch"),
                  QStringLiteral("9"), file})
                 .Status,
             0);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    bytes.replace("PIPE 12", "PIPE 13");
    f.seek(0);
    f.write(bytes);
    f.close();
    const Run r = Cli({QStringLiteral("verify"), file});
    QCOMPARE(r.Status, 1);
    QCOMPARE(r.Out, file + QStringLiteral("\tPIPE 13\tFailed\n"));
    QVERIFY(r.Err.contains(QStringLiteral("The batch code check of batch \"PIPE 13     \" failed.")));
    QCOMPARE(Cli({QStringLiteral("verify"), dir.filePath(QStringLiteral("missing.CSV"))}).Status, 2);
}

// Every file gets its verdicts or its error; a file without a batch is an error, a section that ends
// before its batch is complete is not a pass.
void TestCli::verifyGoesThroughEveryFile()
{
    SimProcess sim;
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.CSV"));
    QCOMPARE(Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("export"), QStringLiteral("--batch"),
                  QStringLiteral("3"), QStringLiteral("--batch"), QStringLiteral("9"), good})
                 .Status,
             0);
    QFile in(good);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    auto write = [&](const QString &name, const QByteArray &content) {
        const QString file = dir.filePath(name);
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(file));
        return file;
    };
    const QString empty = write(QStringLiteral("empty.CSV"), QByteArray());
    const QString letter = write(QStringLiteral("letter.CSV"), "Dear inspector,\r\nall is well.\r\n");
    const QString missing = dir.filePath(QStringLiteral("missing.CSV"));
    // Cut inside the second section's device block, and a first name label without its closing quote.
    const qsizetype second = bytes.indexOf("\"Serial Number\"", 10);
    const QString cut = write(QStringLiteral("cut.CSV"), bytes.left(bytes.indexOf("\r\n", second + 200) + 2));
    QByteArray unquoted = bytes;
    unquoted.replace(unquoted.indexOf("\"Batch name\","), 13, "\"Batch name,");
    const QString quote = write(QStringLiteral("quote.CSV"), unquoted);

    for (const QString &file : {empty, letter}) {
        const Run r = Cli({QStringLiteral("verify"), file});
        QCOMPARE(r.Status, 2);
        QCOMPARE(r.Out, QString());
        QVERIFY2(r.Err.contains(file + QStringLiteral(": No batch was found in the file.")), qPrintable(r.Err));
    }
    const Run several = Cli({QStringLiteral("verify"), good, missing, good});
    QCOMPARE(several.Status, 2);
    QCOMPARE(Lines(several.Out), (QStringList{good + "\tTANK 3\tPassed", good + "\tPIPE 12\tPassed",
                                              good + "\tTANK 3\tPassed", good + "\tPIPE 12\tPassed"}));
    QVERIFY(several.Err.contains(missing + QStringLiteral(": Could not read data from csv file.")));

    const Run truncated = Cli({QStringLiteral("verify"), cut});
    QCOMPARE(truncated.Status, 1);
    QCOMPARE(truncated.Out, cut + QStringLiteral("\tTANK 3\tPassed\n"));
    QVERIFY(truncated.Err.contains(cut + QStringLiteral(": A section of the file has no \"Batch name\" row.")));
    const Run unterminated = Cli({QStringLiteral("verify"), quote});
    QCOMPARE(unterminated.Status, 1);
    QCOMPARE(unterminated.Out, quote + QStringLiteral("\tPIPE 12\tPassed\n"));
    QCOMPARE(Cli({QStringLiteral("verify"), good, quote, missing}).Status, 2);
}

// show prints what the batch window shows after an import; its reading lines are the file's own.
void TestCli::showPrintsTheFilesFigures()
{
    SimProcess sim;
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("demo.CSV"));
    const QString book = dir.filePath(QStringLiteral("demo.xls"));
    for (const QString &file : {text, book})
        QCOMPARE(Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("export"), QStringLiteral("--batch"),
                      QStringLiteral("1"), QStringLiteral("--batch"), QStringLiteral("2"), QStringLiteral("--batch"),
                      QStringLiteral("3"), file})
                     .Status,
                 0);
    QFile in(text);
    QVERIFY(in.open(QIODevice::ReadOnly));
    static const QRegularExpression reading(QStringLiteral("^\\d+,"));
    const QStringList fileLines =
        QString::fromLatin1(in.readAll()).split(QStringLiteral("\r\n")).filter(reading); // only ASCII in readings
    QCOMPARE(fileLines.size(), 100 + 100 + 17);
    QVERIFY(fileLines[0].count(QLatin1Char(',')) >= 8);
    for (const QString &file : {text, book}) {
        const Run r = Cli({QStringLiteral("show"), file});
        QCOMPARE(r.Status, 0);
        const QStringList lines = Lines(r.Out);
        QCOMPARE(lines.filter(reading), fileLines);
        QCOMPARE(lines[0], file + QStringLiteral("\tDECK A\tPassed"));
        QCOMPARE(lines[1], QStringLiteral("Batch ID: 1"));
        QVERIFY(lines.contains(QStringLiteral("Number of Readings: 17")));
        QVERIFY(lines.contains(QStringLiteral("Surface Density Conversion: 1.2 mg/m² per µS/cm")));
        QCOMPARE(lines.filter(QStringLiteral("Batch Code Check: Passed")).size(), 3);
    }
    const Run none = Cli({QStringLiteral("show"), dir.filePath(QStringLiteral("missing.xls"))});
    QCOMPARE(none.Status, 2);
}

void TestCli::clock()
{
    SimProcess sim;
    const Run set = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("clock"), QStringLiteral("--set"),
                         QStringLiteral("2031-05-06 07:08:09")});
    QCOMPARE(set.Status, 0);
    QVERIFY(set.Out.startsWith(QStringLiteral("2031-05-06 07:08:")));
    const Run now = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("clock"), QStringLiteral("--set"),
                         QStringLiteral("now")});
    QCOMPARE(now.Status, 0);
    QVERIFY(qAbs(QDateTime::fromString(now.Out.trimmed(), QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                     .secsTo(QDateTime::currentDateTime())) < 10);
    QCOMPARE(Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("clock"), QStringLiteral("--set"),
                  QStringLiteral("soon")})
                 .Status,
             2);
}

void TestCli::settings()
{
    SimProcess sim({QStringLiteral("--firmware"), QStringLiteral("2.06S01")});
    const Run r = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("settings"), QStringLiteral("--g25"),
                       QStringLiteral("90"), QStringLiteral("--comp"), QStringLiteral("1.9")});
    QCOMPARE(r.Status, 0);
    QCOMPARE(Lines(r.Out),
             (QStringList{"Validation Fluid Conductivity: 90 µS/cm", "Validation Fluid Temp. Coefficient: 2.0 %/°C",
                          "Conductivity Deionized Water: 2 µS/cm", "Compensation Factor: 1.9 %/°C"}));
    const Run bad = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("settings"), QStringLiteral("--water"),
                         QStringLiteral("10")});
    QCOMPARE(bad.Status, 2);
    QVERIFY(bad.Err.contains(QStringLiteral("The deionized water conductivity value is out of range.")));
}

void TestCli::newAndDeleteBatch()
{
    SimProcess sim;
    const Run created = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("new-batch"), QStringLiteral("ROOF"),
                             QStringLiteral("30")});
    QCOMPARE(created.Status, 0);
    QCOMPARE(created.Out, QStringLiteral("4\n"));
    QCOMPARE(Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("delete-batch"), QStringLiteral("4")}).Status,
             0);
    const Run again = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("delete-batch"), QStringLiteral("4")});
    QCOMPARE(again.Status, 2);
    QVERIFY(again.Err.contains(QStringLiteral("The batch was not found in the Talvo.")));
    const Run tooLong = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("new-batch"),
                             QStringLiteral("THIRTEEN CHAR"), QStringLiteral("5")});
    QCOMPARE(tooLong.Status, 2);
    QVERIFY(tooLong.Err.contains(QStringLiteral("The batch name is to long.")));
}

void TestCli::meterErrorsEndInTheirMessage()
{
    SimProcess sim({QStringLiteral("--refuse"), QStringLiteral("P?"), QStringLiteral("--refuse-command"),
                    QStringLiteral("GET BATCH")});
    const Run r = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("list")});
    QCOMPARE(r.Status, 2);
    QVERIFY(r.Err.contains(QStringLiteral("The Slave reported a parmeter error. \nCommand send was \"GET BATCH 0\"")));
}

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("usage");
    const QString options = QStringLiteral("usage: vornell-cli [--port N | --device PATH] [--sync-clock] ");
    QTest::newRow("unknown option") << QStringList{"--bogus", "list"} << "usage: vornell-cli [--port N";
    QTest::newRow("port without number") << QStringList{"--port", "x", "list"} << "usage: vornell-cli [--port N";
    QTest::newRow("extra argument") << QStringList{"list", "now"} << options + "list\n";
    QTest::newRow("unknown option of a command") << QStringList{"info", "--all"} << options + "info\n";
    QTest::newRow("export option") << QStringList{"export", "--all", "--bogus", "x.CSV"} << options + "export ";
    QTest::newRow("export extra file") << QStringList{"export", "--all", "a.CSV", "b.CSV"} << options + "export ";
    QTest::newRow("delete without ID") << QStringList{"delete-batch"} << options + "delete-batch ID\n";
    QTest::newRow("option without value") << QStringList{"clock", "--set"} << options + "clock ";
    QTest::newRow("verify option") << QStringList{"verify", "--x", "a.CSV"} << "usage: vornell-cli verify FILE...\n";
    QTest::newRow("show without file") << QStringList{"show"} << "usage: vornell-cli show FILE...\n";
}

void TestCli::usageErrors()
{
    // Nothing is asked of a meter: there is none.
    QFETCH(QStringList, args);
    QFETCH(QString, usage);
    const Run r = Cli(args);
    QCOMPARE(r.Status, 2);
    QVERIFY2(r.Err.contains(usage), qPrintable(r.Err));
    QVERIFY(r.Out.isEmpty());
    const Run help = Cli({QStringLiteral("--help")});
    QVERIFY(
        help.Out.startsWith(QStringLiteral("usage: vornell-cli [--port N | --device PATH] [--sync-clock] COMMAND")));
    QVERIFY(!help.Out.contains(QStringLiteral("[port]")));
}

void TestCli::clockOffIsReported()
{
    SimProcess sim;
    const QStringList device{QStringLiteral("--device"), sim.Path};
    const QDateTime behind = QDateTime::currentDateTime().addSecs(-(2 * 3600 + 5 * 60 + 7));
    QCOMPARE(Cli(device + QStringList{"clock", "--set", behind.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))}).Status,
             0);
    const Run r = Cli(device + QStringList{"list"});
    QCOMPARE(r.Status, 0);
    QVERIFY2(r.Err.contains(QStringLiteral("The Talvo's clock is 2:05:0")) &&
                 r.Err.contains(QStringLiteral("behind")) && r.Err.contains(QStringLiteral("--sync-clock")) &&
                 r.Err.contains(QStringLiteral("clock --set now")),
             qPrintable(r.Err));
    const Run synced = Cli(QStringList{"--sync-clock"} + device + QStringList{"list"});
    QCOMPARE(synced.Status, 0);
    QVERIFY2(synced.Err.contains(QStringLiteral("The Talvo's clock is 2:05:0")) &&
                 synced.Err.contains(QStringLiteral("setting it")) && !synced.Err.contains(QStringLiteral("run again")),
             qPrintable(synced.Err));
    QCOMPARE(Cli(device + QStringList{"list"}).Err, QString());
}

void TestCli::listShowsWhatWasReadBeforeAFailure()
{
    const QString all = [] {
        SimProcess sim;
        return Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("list")}).Out;
    }();
    // "GET VERSION", "GET RTC", "GET MAXNROFB" and two slots are answered; then the line is gone.
    SimProcess sim({QStringLiteral("--drop-after"), QStringLiteral("5")});
    const Run r = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("list")});
    QCOMPARE(r.Status, 2);
    QVERIFY(!r.Err.trimmed().isEmpty());
    QCOMPARE(Lines(r.Out), Lines(all).mid(0, 2));
}

void TestCli::remembersThePortOfTheMeter()
{
    // A copy of the program keeps the application's settings file beside itself. COM 161 never
    // answers; the meter is on COM 162.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("vornell-cli"));
    QVERIFY(QFile::copy(QStringLiteral(VORNELL_CLI), program));
    const QString silentLog = dir.filePath(QStringLiteral("silent.log"));
    SimProcess silent({QStringLiteral("--silent"), QStringLiteral("--log"), silentLog});
    SimProcess meter;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VORNELL_SERIAL_PORTS"), silent.Path + u':' + meter.Path);
    env.insert(QStringLiteral("VORNELL_SYSTEM_PORTS"), QStringLiteral("0"));

    // A port named is not remembered until a meter answers there.
    QCOMPARE(Cli({QStringLiteral("--port"), QStringLiteral("161"), QStringLiteral("ports")}, program, env).Status, 0);
    QFile ini(dir.filePath(QStringLiteral("vornell.ini")));
    QVERIFY(!ini.exists());
    QCOMPARE(Cli({QStringLiteral("--port"), QStringLiteral("162"), QStringLiteral("list")}, program, env).Status, 0);
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("LastPort=162"));
    // The next run goes straight to the meter's port.
    QCOMPARE(Cli({QStringLiteral("list")}, program, env).Status, 0);
    QCOMPARE(QFileInfo(silentLog).size(), 0);
}

void TestCli::lateBatchCommandsGoOutOnce()
{
    // Answered after the first transmission's wait would have ended: sent once all the same.
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("meter.log"));
    SimProcess sim({QStringLiteral("--late-for"), QStringLiteral("NEW BATCH=10500"), QStringLiteral("--late-for"),
                    QStringLiteral("DEL BATCH=1200"), QStringLiteral("--log"), log});
    const QStringList device{QStringLiteral("--device"), sim.Path};
    const Run created = Cli(device + QStringList{"new-batch", "ROOF", "30"});
    QCOMPARE(created.Status, 0);
    QCOMPARE(created.Out, QStringLiteral("4\n"));
    const Run deleted = Cli(device + QStringList{"delete-batch", "2"});
    QCOMPARE(deleted.Status, 0);
    QCOMPARE(deleted.Err, QString());
    const Run list = Cli(device + QStringList{"list"});
    QCOMPARE(list.Status, 0);
    QCOMPARE(Lines(list.Out).filter(QStringLiteral("\tROOF\t")).size(), 1);
    QCOMPARE(Lines(list.Out).filter(QRegularExpression(QStringLiteral("^2\t"))).size(), 0);
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList sent = QString::fromUtf8(f.readAll()).split(u'\n');
    QCOMPARE(sent.filter(QRegularExpression(QStringLiteral("^NEW BATCH "))).size(), 1);
    QCOMPARE(sent.filter(QRegularExpression(QStringLiteral("^DEL BATCH "))).size(), 1);
}

void TestCli::malformedSlotCountIsAnError_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("4 parameters") << "--wrong-count";
    QTest::newRow("2 parameters") << "--short-count";
}

void TestCli::malformedSlotCountIsAnError()
{
    // A meter whose slot count cannot be read is not an empty meter.
    QFETCH(QString, fault);
    QTemporaryDir dir;
    SimProcess sim({fault, QStringLiteral("GET MAXNROFB")});
    const QStringList device{QStringLiteral("--device"), sim.Path};
    const QString message = QStringLiteral("The received message contained a parameter error.");
    const Run list = Cli(device + QStringList{"list"});
    QCOMPARE(list.Status, 2);
    QVERIFY2(list.Err.contains(message), qPrintable(list.Err));
    const QString file = dir.filePath(QStringLiteral("all.CSV"));
    const Run all = Cli(device + QStringList{"export", "--all", file});
    QCOMPARE(all.Status, 2);
    QVERIFY2(all.Err.contains(message), qPrintable(all.Err));
    QVERIFY(!QFile::exists(file));
    const Run one = Cli(device + QStringList{"export", "--batch", "2", file});
    QCOMPARE(one.Status, 2);
    QVERIFY2(one.Err.contains(message) && !one.Err.contains(QStringLiteral("not found")), qPrintable(one.Err));
}

void TestCli::changesInDoubtSaySo()
{
    // The meter carried the command out, but its reply is of the wrong form: the user is told that
    // it may have been done and how to see, so that running it again is a decision, not a guess.
    {
        SimProcess sim({QStringLiteral("--wrong-count"), QStringLiteral("NEW BATCH")});
        const QStringList device{QStringLiteral("--device"), sim.Path};
        const Run created = Cli(device + QStringList{"new-batch", "NB1", "20"});
        QCOMPARE(created.Status, 2);
        QVERIFY2(created.Err.contains(QStringLiteral("The received message contained a parameter error.\n"
                                                     "The Talvo may have created the batch. Please read the batches "
                                                     "again to see what the Talvo holds.")),
                 qPrintable(created.Err));
        QCOMPARE(Lines(Cli(device + QStringList{"list"}).Out).filter(QStringLiteral("\tNB1\t")).size(), 1);
    }
    {
        SimProcess sim({QStringLiteral("--short-count"), QStringLiteral("DEL BATCH")});
        const Run deleted = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("delete-batch"), "2"});
        QCOMPARE(deleted.Status, 2);
        QVERIFY2(deleted.Err.contains(QStringLiteral("The Talvo may have deleted the batch.")),
                 qPrintable(deleted.Err));
    }
    {
        // Refused: the meter says it did nothing, and nothing more is said.
        SimProcess sim({QStringLiteral("--refuse"), QStringLiteral("ERR"), QStringLiteral("--refuse-command"),
                        QStringLiteral("SET RTC")});
        const Run set = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("clock"), QStringLiteral("--set"),
                             QStringLiteral("now")});
        QCOMPARE(set.Status, 2);
        QVERIFY2(set.Err.contains(QStringLiteral("The Slave reported an error.")) &&
                     !set.Err.contains(QStringLiteral("may have")),
                 qPrintable(set.Err));
    }
}

void TestCli::partialSettingsWriteNamesTheValues()
{
    SimProcess sim({QStringLiteral("--refuse"), QStringLiteral("P?"), QStringLiteral("--refuse-command"),
                    QStringLiteral("SET CONFIG 24")});
    const Run r = Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("settings"), QStringLiteral("--water"),
                       QStringLiteral("3"), QStringLiteral("--comp"), QStringLiteral("2.5")});
    QCOMPARE(r.Status, 2);
    QVERIFY2(r.Err.contains(QStringLiteral("Command send was \"SET CONFIG 24 25\"\nFailed: Compensation Factor.\n"
                                           "Written: Conductivity Deionized Water.")),
             qPrintable(r.Err));
}

void TestCli::emptyMeterAndClockToTheSecond()
{
    // The meter's clock is 301 s ahead; it holds no batch.
    QTemporaryDir dir;
    SimProcess sim({QStringLiteral("--state"), QStringLiteral(FIXTURES "/sim/empty.json")});
    const QStringList device{QStringLiteral("--device"), sim.Path};
    const QString file = dir.filePath(QStringLiteral("all.CSV"));
    const Run all = Cli(device + QStringList{"export", "--all", file});
    QCOMPARE(all.Status, 0);
    QVERIFY2(all.Err.contains(QStringLiteral("The Talvo holds no batch; no file was written.")), qPrintable(all.Err));
    QVERIFY(!QFile::exists(file));
    // More than five minutes is never shown as five minutes.
    QVERIFY2(all.Err.contains(QStringLiteral("The Talvo's clock is 0:05:01 ahead of")), qPrintable(all.Err));
    // Setting the clock does not first advise setting the clock.
    const Run set = Cli(device + QStringList{"clock", "--set", "now"});
    QCOMPARE(set.Status, 0);
    QCOMPARE(set.Err, QString());
}

void TestCli::longWaitCountsItsSeconds()
{
    // Standard error on a terminal (a pseudo-terminal here): the status line of a wait of more
    // than a second shows how long it has waited.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const auto closeMaster = qScopeGuard([master] { ::close(master); });
    SimProcess sim({QStringLiteral("--late-for"), QStringLiteral("NEW BATCH=2600")});
    QProcess p;
    p.setStandardErrorFile(QString::fromLatin1(::ptsname(master)));
    p.start(QStringLiteral(VORNELL_CLI), {QStringLiteral("--device"), sim.Path, QStringLiteral("new-batch"),
                                          QStringLiteral("ROOF"), QStringLiteral("30")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    // Everything it wrote waits in the terminal's buffer.
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    QByteArray screen;
    char buf[4096];
    for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
        screen.append(buf, n);
    QVERIFY2(screen.contains("Creating new Batch in Talvo. This can take up to 10 seconds (1 s)") &&
                 screen.contains("(2 s)"),
             screen.constData());
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
