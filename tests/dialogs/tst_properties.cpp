// The device properties dialog against the simulated meter: the rows of both firmware generations,
// the cell constants read as it opens, and the properties file with its date.
#include "DialogRig.h"
#include "dialogs/frmTalvoProperties.h"
#include "files/StatusLine.h"
#include "model/Conversions.h"
#include "model/DeviceInfo.h"
#include "model/UserLocale.h"

#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

namespace {

const QString NotConnected = QStringLiteral("Could not make a connection to Talvo!\r\nPlease check if the Talvo is "
                                            "connected to the computer and turned on.");
const QString Failure = QStringLiteral("A problem occurred in Vornell, the messages was:\r\n");

struct RecordingStatus : TStatusLine {
    void ShowStatus(const QString &text) override { Texts << text, Current = text; }
    void ClearStatus() override { Current.clear(); }
    void ShowProgress(int) override {}
    void HideProgress() override {}
    QStringList Texts;
    QString Current;
};

QStringList CellConstantCommands()
{
    QStringList out{"GET CONFIG 22", "GET CONFIG 18"};
    for (int row = 0; row < 6; ++row)
        for (int col = 0; col < 4; ++col)
            out << QStringLiteral("GET C %1 %2").arg(row).arg(col);
    return out;
}

// What the rows show, by value label.
QMap<QString, QString> Values(const TfrmTalvoProperties &d)
{
    QMap<QString, QString> out;
    for (const QLabel *l : d.findChildren<QLabel *>())
        if (l->objectName().startsWith(QLatin1String("lbl")))
            out.insert(l->objectName(), l->text());
    return out;
}

QStringList CsvLines(const QString &file)
{
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    QStringList lines = QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
    if (lines.value(lines.size() - 1).isEmpty())
        lines.removeLast();
    return lines;
}

// Commas outside double quotes.
int SeparatorCount(const QString &line)
{
    int count = 0;
    bool quoted = false;
    for (QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted)
            ++count;
    }
    return count;
}

struct PropertiesRig : SimRig {
    std::shared_ptr<TDeviceInfo> info = std::make_shared<TDeviceInfo>();
    QString lastSavePath = QStringLiteral("/nowhere/");
    RecordingStatus status;

    using SimRig::SimRig;
    // Runs the command; fn acts on the dialog once it is shown. False when no dialog was shown.
    bool Open(const std::function<void(TfrmTalvoProperties &)> &fn)
    {
        WhenShown<TfrmTalvoProperties> act([fn](TfrmTalvoProperties &d) {
            fn(d);
            d.btnClose->click();
        });
        ShowTalvoProperties(comm, info, lastSavePath, status, prompts, nullptr);
        return act.Reached();
    }
};

} // namespace

class TestProperties : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        qputenv("VORNELL_SYSTEM_PORTS", "0"), qputenv("VORNELL_SERIAL_PORTS", "");
        UserLocale::SetCurrent(UserLocale());
    }
    void newerMeterRowsAndCommands();
    void olderMeterShowsEveryRow();
    void valuesAsShown();
    void saveCsvForBothGenerations_data();
    void saveCsvForBothGenerations();
    void saveWorkbookUnlessCsv();
    void saveCancelledAndFailures();
    void withoutMeter();
    void readFailuresShowNoDialog_data();
    void readFailuresShowNoDialog();
};

void TestProperties::newerMeterRowsAndCommands()
{
    PropertiesRig r;
    QMap<QString, QString> values;
    QStringList hidden;
    QStringList sentBeforeShow;
    int kcell1Top = 0, waterTop = 0;
    QVERIFY(r.Open([&](TfrmTalvoProperties &d) {
        sentBeforeShow = r.Log();
        values = Values(d);
        for (const QString &name : values.keys())
            if (!d.RowShown(name))
                hidden << name;
        kcell1Top = d.ValueLabel(QStringLiteral("lblKcel1"))->geometry().top();
        waterTop = d.ValueLabel(QStringLiteral("lblDeionizedWater"))->geometry().top();
        QCOMPARE(d.windowTitle(), QStringLiteral("  Talvo Properties "));
    }));
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join('|')));
    QVERIFY(r.info->Valid);
    const QStringList log = sentBeforeShow;
    QCOMPARE(log.mid(0, 2), (QStringList{"GET VERSION", "GET RTC"}));
    QCOMPARE(log.mid(2 + 16), CellConstantCommands()); // after the record of a newer meter
    std::sort(hidden.begin(), hidden.end());
    QCOMPARE(hidden, (QStringList{"lblAlpha", "lblG25", "lblKpropDefault", "lblKpropMeter"}));
    QCOMPARE(values.value("lblSerialNumber"), QStringLiteral("SMALL 1"));
    QCOMPARE(values.value("lblSoftwareVersion"), QStringLiteral("V2.07"));
    QCOMPARE(values.value("lblConfigVersion"), QStringLiteral("V2.05"));
    QCOMPARE(values.value("lblServoLT"), QStringLiteral("2.0"));
    QCOMPARE(values.value("lblConversionFactor"), QStringLiteral("1.2"));
    QCOMPARE(values.value("lblKcel1"), QStringLiteral("0.95")); // the demo cell table's first column
    // Hidden rows keep their lines: the rows below sit where they sit for an older meter.
    QVERIFY(waterTop > 0 && kcell1Top > waterTop);
    QVERIFY(r.comm.Connected());
}

void TestProperties::olderMeterShowsEveryRow()
{
    QMap<int, int> tops[2];
    for (int older = 0; older < 2; ++older) {
        PropertiesRig r(older ? QStringList{QStringLiteral("--firmware"), OlderFirmware} : QStringList{});
        QVERIFY(r.Open([&](TfrmTalvoProperties &d) {
            int row = 0;
            for (const char *name : {"lblSerialNumber", "lblDeionizedWater", "lblKcel1", "lblKcel6"})
                tops[older][row++] = d.ValueLabel(QString::fromLatin1(name))->geometry().top();
            if (older) {
                for (const char *name : {"lblG25", "lblAlpha", "lblKpropMeter", "lblKpropDefault"})
                    QVERIFY2(d.RowShown(QString::fromLatin1(name)), name);
                QCOMPARE(d.ValueLabel(QStringLiteral("lblG25"))->text(), QStringLiteral("84"));
                QCOMPARE(d.ValueLabel(QStringLiteral("lblAlpha"))->text(), QStringLiteral("2.0"));
                QCOMPARE(d.ValueLabel(QStringLiteral("lblKpropMeter"))->text(), QStringLiteral("1.03"));
                QCOMPARE(d.ValueLabel(QStringLiteral("lblKpropDefault"))->text(), QStringLiteral("1.02"));
            }
        }));
        QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join('|')));
    }
    QCOMPARE(tops[0], tops[1]); // the other rows do not move
}

void TestProperties::valuesAsShown()
{
    QTemporaryDir dir;
    PropertiesRig r({QStringLiteral("--state"),
                     MeterState(dir, {{"servo", 5400}}, {{"10", "84.5"}, {"24", "20"}, {"19", "20.5"}}),
                     QStringLiteral("--firmware"), OlderFirmware});
    UserLocale comma;
    comma.DecimalSeparator = QLatin1Char(',');
    UserLocale::SetCurrent(comma);
    QMap<QString, QString> values;
    QVERIFY(r.Open([&](TfrmTalvoProperties &d) { values = Values(d); }));
    QCOMPARE(values.value("lblServoLT"), QStringLiteral("1,5"));
    QCOMPARE(values.value("lblAutoTempComp"), QStringLiteral("2,0"));
    QCOMPARE(values.value("lblG25"), QStringLiteral("84")); // an exact half to the even neighbour
    QCOMPARE(values.value("lblGClean"), QStringLiteral("20"));
    QCOMPARE(values.value("lblReadingsSinceLastVal"), QStringLiteral("312"));
    QCOMPARE(values.value("lblReadingsSinceLastService"), QStringLiteral("2210"));
    QCOMPARE(values.value("lblNrOfReadingsTaken"), QStringLiteral("18342"));
    QCOMPARE(values.value("lblValidationDate"), DateToStr(r.info->ValidationDate));
    QCOMPARE(values.value("lblServiceDate"), DateToStr(r.info->ServiceDate));
    QCOMPARE(values.value("lblKcel1"), QStringLiteral("0,95"));
}

void TestProperties::saveCsvForBothGenerations_data()
{
    QTest::addColumn<bool>("older");
    QTest::newRow("newer") << false;
    QTest::newRow("older") << true;
}

void TestProperties::saveCsvForBothGenerations()
{
    QFETCH(bool, older);
    PropertiesRig r(older ? QStringList{QStringLiteral("--firmware"), OlderFirmware} : QStringList{});
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("props.CSV"));
    r.prompts.Files = {file};
    QStringList sentDuringSave{"not run"};
    QVERIFY(r.Open([&](TfrmTalvoProperties &d) {
        r.Mark();
        d.btnSave->click();
        sentDuringSave = r.Sent();
    }));
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join('|')));
    QCOMPARE(sentDuringSave, QStringList()); // the file holds what the dialog shows
    const TFileDialog &asked = r.prompts.Dialogs.value(0);
    QCOMPARE(asked.Title, QStringLiteral("Save Batch to file"));
    QCOMPARE(asked.FileName, QStringLiteral("SMALL 1_TalvoProperties"));
    QCOMPARE(asked.Filter, QStringLiteral("Talvometer (*.CSV)|*.CSV|Talvometer (*.XLS)|*.XLS"));
    QCOMPARE(asked.FilterIndex, 2);
    QCOMPARE(asked.DefaultExt, QStringLiteral("XLS"));
    QCOMPARE(asked.InitialDir, QStringLiteral("/nowhere/"));
    QVERIFY(asked.OverwritePrompt);
    QCOMPARE(r.lastSavePath, out.path() + QLatin1Char('/'));
    QCOMPARE(r.status.Texts, (QStringList{"Write device configuration to file.", "Write Talvo Properties to file."}));
    QCOMPARE(r.status.Current, QStringLiteral("Write Talvo Properties to file.")); // stays after the save

    const QStringList lines = CsvLines(file);
    QCOMPARE(lines.size(), 23);
    for (const QString &line : lines)
        QCOMPARE(SeparatorCount(line), 7);
    QCOMPARE(lines[0], QStringLiteral("\"Serial Number\",,,,\"SMALL 1\",,,"));
    QStringList cells;
    for (int row = 15; row < 23; ++row)
        cells << lines[row];
    if (older)
        QCOMPARE(cells, (QStringList{"\"Kprop meter\",,,,1.03,,,", "\"Kprop Factory\",,,,1.02,,,", "KCell1,,,,0.95,,,",
                                     "KCell2,,,,0.99,,,", "KCell3,,,,1.03,,,", "KCell4,,,,1.07,,,", "KCell5,,,,1.11,,,",
                                     "KCell6,,,,1.15,,,"}));
    else
        QCOMPARE(cells, (QStringList{",,,,,,,", "KCell1,,,,0.95,,,", "KCell2,,,,0.99,,,", "KCell3,,,,1.03,,,",
                                     "KCell4,,,,1.07,,,", "KCell5,,,,1.11,,,", "KCell6,,,,1.15,,,", ",,,,,,,"}));
    // The file is dated now, in the two-second form.
    const qint64 age = QFileInfo(file).lastModified().secsTo(QDateTime::currentDateTime());
    QVERIFY2(age >= 0 && age <= 5, qPrintable(QString::number(age)));
    QCOMPARE(QFileInfo(file).lastModified().time().second() % 2, 0);
}

void TestProperties::saveWorkbookUnlessCsv()
{
    PropertiesRig r({QStringLiteral("--firmware"), OlderFirmware});
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("props.xls"));
    r.prompts.Files = {file};
    QVERIFY(r.Open([&](TfrmTalvoProperties &d) { d.btnSave->click(); }));
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join('|')));
    // Read back by a reader nobody here wrote.
    QProcess xlrd;
    xlrd.start(QStringLiteral("/usr/bin/python3"),
               {QStringLiteral("-c"),
                QStringLiteral("import sys, xlrd\n"
                               "b = xlrd.open_workbook(sys.argv[1])\n"
                               "s = b.sheet_by_index(0)\n"
                               "print(s.name)\n"
                               "print(s.nrows)\n"
                               "for r in (0, 15, 17, 22): print(s.cell_value(r, 0), s.cell_value(r, 4))\n"),
                file});
    QVERIFY(xlrd.waitForFinished(30000));
    const QStringList printed = QString::fromUtf8(xlrd.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(printed, (QStringList{"Talvometer Properties", "23", "Serial Number SMALL 1", "Kprop meter 1.03",
                                   "KCell1 0.95", "KCell6 1.15"}));
}

void TestProperties::saveCancelledAndFailures()
{
    PropertiesRig r;
    QTemporaryDir out;
    const QString dated = out.filePath(QStringLiteral("dated.CSV"));
    QFile earlier(dated);
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier\r\n") == 9);
    earlier.close();
    r.prompts.Files = {QString(), out.filePath(QStringLiteral("missing/props.CSV")), dated};
    QStringList texts;
    QByteArray datedBytes;
    QVERIFY(r.Open([&](TfrmTalvoProperties &d) {
        d.btnSave->click(); // cancelled
        d.btnSave->click(); // a folder that does not exist
        // A clock the file date cannot hold: no new file, and the earlier one is left as it was.
        SetNowFunction([] { return QDateTime(QDate(2108, 1, 1), QTime(12, 0)); });
        d.btnSave->click();
        SetNowFunction({});
        QFile kept(dated);
        if (kept.open(QIODevice::ReadOnly))
            datedBytes = kept.readAll();
        QVERIFY(d.isVisible()); // the dialog stays open after each
    }));
    QCOMPARE(r.prompts.Texts(), (QStringList{"Save cancelled by user.", "Could not save data to csv file.",
                                             "The date could not be set on the Talvo properties file."}));
    QCOMPARE(r.prompts.Messages[0].Kind, TMsgKind::Plain);
    QCOMPARE(r.prompts.Messages[1].Kind, TMsgKind::Warning);
    QCOMPARE(r.prompts.Messages[2].Kind, TMsgKind::Warning);
    QCOMPARE(datedBytes, QByteArray("earlier\r\n"));
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{QStringLiteral("dated.CSV")});
}

void TestProperties::withoutMeter()
{
    ScriptedPrompts prompts;
    TdmCommunication comm(prompts);
    auto info = std::make_shared<TDeviceInfo>();
    QString lastSavePath;
    RecordingStatus status;
    QMap<QString, QString> values;
    WhenShown<TfrmTalvoProperties> act([&](TfrmTalvoProperties &d) {
        values = Values(d);
        d.btnClose->click();
    });
    ShowTalvoProperties(comm, info, lastSavePath, status, prompts, nullptr);
    QVERIFY(act.Reached());
    QCOMPARE(prompts.Texts(), QStringList{NotConnected});
    for (const char *name :
         {"lblKpropMeter", "lblKpropDefault", "lblKcel1", "lblKcel2", "lblKcel3", "lblKcel4", "lblKcel5", "lblKcel6"})
        QCOMPARE(values.value(QString::fromLatin1(name)), QStringLiteral("0.00"));
    QCOMPARE(values.value("lblSerialNumber"), QString());
    QCOMPARE(values.value("lblValidationDate"), DateToStr(EncodeDate(1900, 1, 1)));
}

void TestProperties::readFailuresShowNoDialog_data()
{
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<QString>("message"); // how the message starts
    QTest::newRow("record") << QStringList{"--wrong-count", "GET SERVOLT"}
                            << "The received message contained a parameter error.";
    QTest::newRow("cell constants") << QStringList{"--wrong-count", "GET C"}
                                    << "The received message contained a parameter error.";
    // Connected, the record read, then the line goes away during the cell constants.
    QTest::newRow("line dropped") << QStringList{"--drop-after", "22"} << "The connection to the Talvo was lost.";
}

void TestProperties::readFailuresShowNoDialog()
{
    QFETCH(QStringList, flags);
    QFETCH(QString, message);
    PropertiesRig r(flags);
    QVERIFY(!r.Open([](TfrmTalvoProperties &) {}));
    QCOMPARE(r.prompts.Texts().size(), 1);
    QVERIFY2(r.prompts.Texts()[0].startsWith(Failure + message), qPrintable(r.prompts.Texts()[0]));
}

QTEST_MAIN(TestProperties)
#include "tst_properties.moc"
