// The measurement settings dialog and the temperature coefficient calculator against the simulated
// meter: what is read and written for each firmware generation, the range checks before anything is
// sent, the calculator, and the warnings and the disconnect when the meter fails.
#include "DialogRig.h"
#include "dialogs/NumericEdit.h"
#include "dialogs/frmCalcTempCoef.h"
#include "dialogs/frmConfiguration.h"
#include "model/DeviceInfo.h"

#include <QGroupBox>
#include <QPushButton>
#include <QtTest>

namespace {

const QString CommunicationProblem =
    QStringLiteral("There was a problem while communicating with Talvo.\r\nDevice will be disconnected!");
const QString NotConnected = QStringLiteral("Could not make a connection to Talvo!\r\nPlease check if the Talvo is "
                                            "connected to the computer and turned on.");
const QString FluidWarning = QStringLiteral("Please supply a valid fluid conductivity.\r\n"
                                            "Fluid conductivity must be between 45µS/cm and 135µS/cm");

// The record a connected meter gives, as the opening command reads it.
const QStringList DeviceInfoCommands = {"GET VERSION",   "GET CONFIG 16", "GET CONFIG 0",  "GET CONFIG 17",
                                        "GET SERVOLT",   "GET CONFIG 10", "GET CONFIG 29", "GET CONFIG 9",
                                        "GET CONFIG 24", "GET CONFIG 25", "GET CONFIG 26", "GET CONFIG 27",
                                        "GET CONFIG 28", "GET CONFIG 19", "GET CONFIG 25"};

struct Fields {
    QString g25, alpha, water, factor;
};

void Type(TfrmConfiguration &d, const Fields &f)
{
    d.iedtValue25Deg->setText(f.g25);
    d.fedtTempCoeff->setText(f.alpha);
    d.iedtCondWater->setText(f.water);
    d.fedtAutoTempCor->setText(f.factor);
}

Fields Shown(const TfrmConfiguration &d)
{
    return {d.iedtValue25Deg->text(), d.fedtTempCoeff->text(), d.iedtCondWater->text(), d.fedtAutoTempCor->text()};
}

// A settings dialog on a connected meter, not shown, as the opener leaves it before showing.
struct Connected : SimRig {
    TfrmConfiguration dialog{comm, prompts};
    explicit Connected(QStringList args = {}, bool fluid = true)
        : SimRig(args)
    {
        comm.Connect(false);
        dialog.FShowValidationFluid = fluid;
        Mark();
    }
};

} // namespace

Q_DECLARE_METATYPE(Fields)

class TestConfiguration : public QObject {
    Q_OBJECT
private slots:
    void init() { qputenv("VORNELL_SYSTEM_PORTS", "0"), qputenv("VORNELL_SERIAL_PORTS", ""); }
    void captionsAndInitialFields();
    void olderMeterReadsAndWritesEverything();
    void newerMeterHidesValidationFluid();
    void writeChecks_data();
    void writeChecks();
    void calculatorFromTheCurrentCoefficient();
    void calculatorCancelAndRefusal();
    void calculatorSameTemperature_data();
    void calculatorSameTemperature();
    void readFailureKeepsWhatWasRead();
    void silentMeterDuringWrite();
    void commandWithoutMeter();
    void commandWhenConnectingFails();
};

void TestConfiguration::captionsAndInitialFields()
{
    ScriptedPrompts prompts;
    TdmCommunication comm(prompts);
    TfrmConfiguration d(comm, prompts);
    QCOMPARE(d.windowTitle(), QStringLiteral("  Measurement Settings"));
    QCOMPARE(d.gpbValidationFluid->title(), QStringLiteral("Validation Fluid"));
    QCOMPARE(d.gpbDeionizedWater->title(), QStringLiteral("Deionized Water"));
    QCOMPARE(d.btnCalculate->text(), QStringLiteral("C&alculate"));
    QCOMPARE(d.btnCalculate->toolTip(),
             QStringLiteral("Calculates temperature coefficient from two fluid conductivity values."));
    QCOMPARE((QStringList{d.btnRead->text(), d.btnWrite->text(), d.btnclose->text()}),
             (QStringList{"&Read", "&Write", "&Close"}));
    QCOMPARE(Shown(d).g25, QStringLiteral("0"));
    QCOMPARE(Shown(d).alpha, QStringLiteral("0.0"));
    QCOMPARE(Shown(d).water, QStringLiteral("0"));
    QCOMPARE(Shown(d).factor, QStringLiteral("0.0"));
    for (const QLineEdit *f : d.findChildren<QLineEdit *>())
        QCOMPARE(f->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    TfrmCalcTempCoef c(prompts);
    QCOMPARE(c.windowTitle(), QStringLiteral("  Temperature Coefficient Calculator"));
    QCOMPARE(c.iedtTemp1->text(), QStringLiteral("25"));
    for (const QLineEdit *f : {static_cast<QLineEdit *>(c.iedtTemp1), static_cast<QLineEdit *>(c.iedtConductivity1),
                               static_cast<QLineEdit *>(c.fedtTempCoef)}) {
        QVERIFY(f->isReadOnly());
        QVERIFY(!(f->focusPolicy() & Qt::TabFocus));
    }
    QVERIFY(!c.iedtTemp2->isReadOnly() && (c.iedtTemp2->focusPolicy() & Qt::TabFocus));
}

void TestConfiguration::olderMeterReadsAndWritesEverything()
{
    SimRig r({QStringLiteral("--firmware"), OlderFirmware});
    auto info = std::make_shared<TDeviceInfo>();
    QStringList sentBeforeShow;
    Fields read;
    QString status;
    int heightShown = 0;
    int replaced = 0;
    std::shared_ptr<const TDeviceInfo> readRecord;
    WhenShown<TfrmConfiguration> act(
        [&](TfrmConfiguration &d) {
            sentBeforeShow = r.Log();
            readRecord = info;
            read = Shown(d);
            status = d.StatusText();
            heightShown = d.height();
            QVERIFY(d.gpbValidationFluid->isVisible());
            QVERIFY(d.btnRead->isEnabled() && d.btnWrite->isEnabled());
            r.Mark();
            Type(d, {"135", "100.0", "9", "5.0"});
            d.btnWrite->click();
            QCOMPARE(d.StatusText(), QStringLiteral("  The Measurement Settings are written!"));
            d.btnclose->click();
        },
        r.Idle());
    ShowMeasurementSettings(r.comm, info, r.prompts, nullptr, [&] { ++replaced; });
    QVERIFY(act.Reached());
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join('|')));
    // Connection with the clock check, the device record, then the settings.
    const QStringList expected = QStringList{"GET VERSION", "GET RTC"} + DeviceInfoCommands +
                                 QStringList{"GET CONFIG 9", "GET CONFIG 10", "GET CONFIG 29", "GET CONFIG 24"};
    QCOMPARE(sentBeforeShow, expected);
    QVERIFY(info->Valid);
    QCOMPARE(read.g25, QStringLiteral("84"));
    QCOMPARE(read.alpha, QStringLiteral("2.0"));
    QCOMPARE(read.water, QStringLiteral("2"));
    QCOMPARE(read.factor, QStringLiteral("2.0"));
    QCOMPARE(status, QStringLiteral("  The Measurement Settings are read!"));
    QCOMPARE(r.Sent(), (QStringList{"SET CONFIG 10 135", "SET CONFIG 9 1", "SET CONFIG 29 9", "SET CONFIG 24 50"}));
    QVERIFY(r.comm.Connected()); // the command leaves the connection open
    QVERIFY(heightShown > 0);
    // The record read at opening, then one with what was written in its place; the first stays whole.
    QCOMPARE(replaced, 2);
    QCOMPARE(readRecord->AutoTempComp, 0.02);
    QVERIFY(info != readRecord && info->Valid);
    QCOMPARE(info->SerialNumber, readRecord->SerialNumber);
    QCOMPARE(info->G25, 135.0);
    QCOMPARE(info->Alpha, 100.0);
    QCOMPARE(info->DeionizedWater, quint8(9));
    QCOMPARE(info->AutoTempComp, 0.05);
}

void TestConfiguration::newerMeterHidesValidationFluid()
{
    SimRig r;
    auto info = std::make_shared<TDeviceInfo>();
    QStringList readCommands;
    int older = 0, newer = 0;
    Fields read;
    {
        // The same dialog with the group: the height the newer meter's dialog is compared with.
        TfrmConfiguration withGroup(r.comm, r.prompts);
        withGroup.btnRead->setEnabled(false);
        withGroup.show();
        QCoreApplication::processEvents();
        older = withGroup.height();
    }
    WhenShown<TfrmConfiguration> act(
        [&](TfrmConfiguration &d) {
            readCommands = r.Log().mid(2 + DeviceInfoCommands.size() + 1); // GET CONFIG 30 on the newer meter
            read = Shown(d);
            QCoreApplication::processEvents();
            newer = d.height();
            QVERIFY(!d.gpbValidationFluid->isVisible());
            r.Mark();
            Type(d, {"0", "500.0", "3", "2.0"}); // the hidden fluid values are neither checked nor sent
            d.btnWrite->click();
            d.btnclose->click();
        },
        r.Idle());
    ShowMeasurementSettings(r.comm, info, r.prompts, nullptr);
    QVERIFY(act.Reached());
    QVERIFY(info->IsNewerFirmware());
    QCOMPARE(readCommands, (QStringList{"GET CONFIG 29", "GET CONFIG 24"}));
    QCOMPARE(read.g25, QStringLiteral("0")); // untouched
    QCOMPARE(read.water, QStringLiteral("2"));
    QCOMPARE(older - newer, TfrmConfiguration::ValidationFluidHeight);
    QCOMPARE(r.Sent(), (QStringList{"SET CONFIG 29 3", "SET CONFIG 24 20"}));
    QVERIFY2(r.prompts.Messages.isEmpty(), qPrintable(r.prompts.Texts().join('|')));
    // The record holds what was written; the validation fluid it was not offered stays as read.
    QCOMPARE(info->DeionizedWater, quint8(3));
    QCOMPARE(info->AutoTempComp, 0.02);
    QCOMPARE(info->G25, 84.0);
}

void TestConfiguration::writeChecks_data()
{
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QStringList>("sent");
    const QString alphaWarning = QStringLiteral("The calibration fluid temperature coefficient is out of range.\r\n"
                                                "The temperature coefficient value must be between 0.0 and 100.0 %. ");
    const QString waterWarning =
        QStringLiteral("The deionized water conductivity value is out of range.\r\n"
                       "The deionized water conductivity must be between 0 µS/cm and 9 µS/cm.");
    const QString factorWarning = QStringLiteral("The compensation factor is out of range.\r\n"
                                                 "The temperature coefficient value must be between 0.0 and 5.0 %.");
    const QStringList none;
    QTest::newRow("fluid 44") << Fields{"44", "2.0", "2", "2.0"} << FluidWarning << none;
    QTest::newRow("fluid 136") << Fields{"136", "2.0", "2", "2.0"} << FluidWarning << none;
    QTest::newRow("fluid 45, lowest of all")
        << Fields{"45", "0.0", "0", "0.0"} << QString()
        << QStringList{"SET CONFIG 10 45", "SET CONFIG 9 0", "SET CONFIG 29 0", "SET CONFIG 24 0"};
    QTest::newRow("coefficient below 0") << Fields{"84", "-0.1", "2", "2.0"} << alphaWarning << none;
    QTest::newRow("coefficient 100.1") << Fields{"84", "100.1", "2", "2.0"} << alphaWarning << none;
    QTest::newRow("water 10") << Fields{"84", "2.0", "10", "2.0"} << waterWarning << none;
    QTest::newRow("water -1") << Fields{"84", "2.0", "-1", "2.0"} << waterWarning << none;
    QTest::newRow("factor 5.1") << Fields{"84", "2.0", "2", "5.1"} << factorWarning << none;
    QTest::newRow("factor below 0") << Fields{"84", "2.0", "2", "-0.1"} << factorWarning << none;
    // A decimal field that does not convert says so and counts as 0.
    QTest::newRow("factor with the other separator")
        << Fields{"84", "2.0", "2", "0,5"} << QStringLiteral("EConvertError\r'0,5' is not a valid floating point value")
        << QStringList{"SET CONFIG 10 84", "SET CONFIG 9 0.02", "SET CONFIG 29 2", "SET CONFIG 24 0"};
    // The first failing check is the one reported.
    QTest::newRow("all wrong") << Fields{"0", "200.0", "10", "9.0"} << FluidWarning << none;
    QTest::newRow("factor 2.0 as 20 thousandths")
        << Fields{"84", "2.0", "2", "2.0"} << QString()
        << QStringList{"SET CONFIG 10 84", "SET CONFIG 9 0.02", "SET CONFIG 29 2", "SET CONFIG 24 20"};
}

void TestConfiguration::writeChecks()
{
    QFETCH(Fields, fields);
    QFETCH(QString, warning);
    QFETCH(QStringList, sent);
    Connected r;
    Type(r.dialog, fields);
    r.dialog.btnWriteClick();
    QCOMPARE(r.prompts.Texts(), warning.isEmpty() ? QStringList() : QStringList{warning});
    const bool written = !sent.isEmpty();
    if (!warning.isEmpty())
        QCOMPARE(r.prompts.Messages[0].Kind, written ? TMsgKind::Plain : TMsgKind::Warning);
    QCOMPARE(r.Sent(), sent);
    QCOMPARE(r.dialog.StatusText(), written ? QStringLiteral("  The Measurement Settings are written!") : "");
    QCOMPARE(Shown(r.dialog).g25, fields.g25); // the user's values stay
    QVERIFY(r.comm.Connected());
}

void TestConfiguration::calculatorFromTheCurrentCoefficient()
{
    ScriptedPrompts prompts;
    TdmCommunication comm(prompts);
    TfrmConfiguration d(comm, prompts);
    d.iedtValue25Deg->setText(QStringLiteral("84"));
    d.fedtTempCoeff->setText(QStringLiteral("2.0"));
    QStringList opened, calculated;
    WhenShown<TfrmCalcTempCoef> act([&](TfrmCalcTempCoef &c) {
        opened = QStringList{c.iedtTemp1->text(), c.iedtConductivity1->text(), c.iedtTemp2->text(),
                             c.iedtConductivity2->text(), c.fedtTempCoef->text()};
        c.btnCalculate->click();
        calculated << c.fedtTempCoef->text();
        c.btnOk->click();
    });
    d.btnCalculateClick();
    QVERIFY(act.Reached());
    QCOMPARE(opened, (QStringList{"25", "84", "20", "76", "2.0"}));
    QCOMPARE(calculated, QStringList{"1.9"}); // from the rounded 76
    QCOMPARE(d.fedtTempCoeff->text(), QStringLiteral("1.9"));
    QCOMPARE(d.StatusText(), QStringLiteral("  Temperature Cofficient calculated."));
    QVERIFY(prompts.Messages.isEmpty());

    // "Ok" calculates once more: values changed after the last calculation count.
    WhenShown<TfrmCalcTempCoef> changed([&](TfrmCalcTempCoef &c) {
        c.iedtTemp2->setText(QStringLiteral("15"));
        c.iedtConductivity2->setText(QStringLiteral("68"));
        c.btnOk->click();
    });
    d.btnCalculateClick();
    QVERIFY(changed.Reached());
    QCOMPARE(d.fedtTempCoeff->text(), QStringLiteral("1.9")); // (68 - 84) / -10 / 84 = 1.90 %
    d.iedtValue25Deg->setText(QStringLiteral("100"));
    WhenShown<TfrmCalcTempCoef> other([&](TfrmCalcTempCoef &c) {
        c.iedtConductivity2->setText(QStringLiteral("85"));
        c.btnOk->click();
    });
    d.btnCalculateClick();
    QCOMPARE(d.fedtTempCoeff->text(), QStringLiteral("3.0"));
}

void TestConfiguration::calculatorCancelAndRefusal()
{
    ScriptedPrompts prompts;
    TdmCommunication comm(prompts);
    TfrmConfiguration d(comm, prompts);
    d.fedtTempCoeff->setText(QStringLiteral("2.0"));
    // No valid conductivity: the plain message and no calculator.
    for (const char *g25 : {"0", "44", "136"}) {
        prompts.Messages.clear();
        d.iedtValue25Deg->setText(QString::fromLatin1(g25));
        WhenShown<TfrmCalcTempCoef> never([](TfrmCalcTempCoef &c) { c.reject(); });
        d.btnCalculateClick();
        QVERIFY(!never.Reached());
        QCOMPARE(prompts.Texts(), QStringList{FluidWarning});
        QCOMPARE(prompts.Messages[0].Kind, TMsgKind::Plain);
    }
    prompts.Messages.clear();
    d.iedtValue25Deg->setText(QStringLiteral("45"));
    WhenShown<TfrmCalcTempCoef> cancel([](TfrmCalcTempCoef &c) {
        c.btnCalculate->click();
        c.btnCancel->click();
    });
    d.btnCalculateClick();
    QVERIFY(cancel.Reached());
    QCOMPARE(d.fedtTempCoeff->text(), QStringLiteral("2.0"));
    QCOMPARE(d.StatusText(), QString());
    QVERIFY(prompts.Messages.isEmpty());
}

void TestConfiguration::calculatorSameTemperature_data()
{
    QTest::addColumn<QString>("conductivity2");
    QTest::addColumn<QString>("message");
    QTest::newRow("division by zero") << "76"
                                      << "Floating point division by zero";
    QTest::newRow("nothing changes") << "84"
                                     << "Invalid floating point operation";
}

void TestConfiguration::calculatorSameTemperature()
{
    QFETCH(QString, conductivity2);
    QFETCH(QString, message);
    ScriptedPrompts prompts;
    TdmCommunication comm(prompts);
    TfrmConfiguration d(comm, prompts);
    d.iedtValue25Deg->setText(QStringLiteral("84"));
    d.fedtTempCoeff->setText(QStringLiteral("2.0"));
    QString afterCalculate;
    WhenShown<TfrmCalcTempCoef> act([&](TfrmCalcTempCoef &c) {
        c.iedtTemp2->setText(QStringLiteral("25"));
        c.iedtConductivity2->setText(conductivity2);
        c.btnCalculate->click();
        afterCalculate = c.fedtTempCoef->text();
        c.btnOk->click(); // closes all the same, with the value shown before
    });
    d.btnCalculateClick();
    QVERIFY(act.Reached());
    const QString failure = QStringLiteral("A problem occurred in Vornell, the messages was:\r\n") + message;
    QCOMPARE(prompts.Texts(), (QStringList{failure, failure}));
    QCOMPARE(afterCalculate, QStringLiteral("2.0"));
    QCOMPARE(d.fedtTempCoeff->text(), QStringLiteral("2.0"));
    QCOMPARE(d.StatusText(), QStringLiteral("  Temperature Cofficient calculated."));
}

void TestConfiguration::readFailureKeepsWhatWasRead()
{
    // The line goes away after GET CONFIG 9 and 10 were answered.
    Connected r({QStringLiteral("--firmware"), OlderFirmware, QStringLiteral("--drop-after"), QStringLiteral("3")});
    Type(r.dialog, {"50", "1.0", "7", "4.0"});
    r.dialog.btnReadClick();
    QCOMPARE(r.prompts.Texts(), QStringList{CommunicationProblem});
    QCOMPARE(r.prompts.Messages[0].Kind, TMsgKind::Warning);
    QCOMPARE(r.dialog.StatusText(), QStringLiteral("  Reading Measurement Settings Failed!"));
    const Fields f = Shown(r.dialog);
    QCOMPARE(f.alpha, QStringLiteral("2.0"));
    QCOMPARE(f.g25, QStringLiteral("84"));
    QCOMPARE(f.water, QStringLiteral("7"));
    QCOMPARE(f.factor, QStringLiteral("4.0"));
    QVERIFY(!r.comm.Connected());
    // Disconnected: Read and Write keep failing, the buttons stay enabled, nothing reaches the meter.
    r.prompts.Messages.clear();
    Type(r.dialog, {"84", "2.0", "2", "2.0"});
    r.dialog.btnWriteClick();
    QCOMPARE(r.prompts.Texts(), QStringList{CommunicationProblem});
    QCOMPARE(r.dialog.StatusText(), QString());
    QVERIFY(r.dialog.btnRead->isEnabled() && r.dialog.btnWrite->isEnabled());
    QCOMPARE(r.Sent(), (QStringList{"GET CONFIG 9", "GET CONFIG 10"}));
}

void TestConfiguration::silentMeterDuringWrite()
{
    // The meter stops answering the deionized water setting: what was sent before stays in the meter.
    Connected r({QStringLiteral("--firmware"), OlderFirmware, QStringLiteral("--late"), QStringLiteral("3000"),
                 QStringLiteral("--late-command"), QStringLiteral("SET CONFIG")});
    r.dialog.FShowValidationFluid = false;
    bool written = false;
    r.dialog.OnWritten = [&](const TMeasurementSettings &) { written = true; };
    Type(r.dialog, {"0", "0.0", "5", "2.0"});
    r.dialog.btnWriteClick();
    QVERIFY(!written);
    QCOMPARE(r.prompts.Texts(), QStringList{CommunicationProblem});
    QCOMPARE(r.dialog.StatusText(), QString());
    QVERIFY(!r.comm.Connected());
    QCOMPARE(r.Sent().value(0), QStringLiteral("SET CONFIG 29 5"));
    QVERIFY(!r.Sent().contains(QStringLiteral("SET CONFIG 24 20")));
}

void TestConfiguration::commandWithoutMeter()
{
    // No port at all, then a meter that never answers: the warning, and a dialog that cannot read or
    // write but still calculates.
    for (bool silent : {false, true}) {
        std::unique_ptr<SimRig> r =
            silent ? std::make_unique<SimRig>(QStringList{QStringLiteral("--silent")}) : nullptr;
        ScriptedPrompts own;
        ScriptedPrompts &prompts = r ? r->prompts : own;
        TdmCommunication ownComm(prompts);
        TdmCommunication &comm = r ? r->comm : ownComm;
        auto info = std::make_shared<TDeviceInfo>();
        bool readEnabled = true, writeEnabled = true, groupShown = false;
        Fields shown;
        QString calculated;
        WhenShown<TfrmCalcTempCoef> calc([&](TfrmCalcTempCoef &c) {
            c.btnCalculate->click();
            calculated = c.fedtTempCoef->text();
            c.btnOk->click();
        });
        WhenShown<TfrmConfiguration> act([&](TfrmConfiguration &d) {
            readEnabled = d.btnRead->isEnabled();
            writeEnabled = d.btnWrite->isEnabled();
            groupShown = d.gpbValidationFluid->isVisible(); // an empty record counts as older firmware
            shown = Shown(d);
            d.iedtValue25Deg->setText(QStringLiteral("84"));
            d.fedtTempCoeff->setText(QStringLiteral("2.0"));
            d.btnCalculateClick();
            d.btnclose->click();
        });
        ShowMeasurementSettings(comm, info, prompts, nullptr);
        QVERIFY(act.Reached());
        QCOMPARE(prompts.Texts(), QStringList{NotConnected});
        QVERIFY(!readEnabled && !writeEnabled && groupShown);
        QCOMPARE(shown.g25, QStringLiteral("0"));
        QCOMPARE(shown.factor, QStringLiteral("0.0"));
        QCOMPARE(calculated, QStringLiteral("1.9"));
        QVERIFY(!info->Valid);
        if (r) {
            const QStringList log = r->Log();
            QCOMPARE(QSet<QString>(log.begin(), log.end()), QSet<QString>{QStringLiteral("GET VERSION")});
        }
    }
}

void TestConfiguration::commandWhenConnectingFails()
{
    // The meter's clock is an hour off; setting it is refused, so Connect fails after connecting. The
    // failure is shown, the device record is not read, and the dialog reads what it can.
    QTemporaryDir dir;
    SimRig r({QStringLiteral("--state"), MeterState(dir, {{"clockOffset", 3600}}), QStringLiteral("--firmware"),
              OlderFirmware, QStringLiteral("--refuse"), QStringLiteral("ERR"), QStringLiteral("--refuse-command"),
              QStringLiteral("SET RTC")});
    r.prompts.Answers = {TMsgResult::Yes};
    auto info = std::make_shared<TDeviceInfo>();
    bool readEnabled = false;
    WhenShown<TfrmConfiguration> act(
        [&](TfrmConfiguration &d) {
            readEnabled = d.btnRead->isEnabled();
            d.btnclose->click();
        },
        r.Idle());
    ShowMeasurementSettings(r.comm, info, r.prompts, nullptr);
    QVERIFY(act.Reached());
    QCOMPARE(r.prompts.Texts().size(), 2);
    QVERIFY(r.prompts.Texts()[0].startsWith(QLatin1String("Time difference between PC and Talvo")));
    QVERIFY2(
        r.prompts.Texts()[1].startsWith(QLatin1String("A problem occurred while connecting with the message: \r\n\t")),
        qPrintable(r.prompts.Texts()[1]));
    QVERIFY(!info->Valid);
    QVERIFY(readEnabled);
    QCOMPARE(r.Log().mid(3), (QStringList{"GET CONFIG 9", "GET CONFIG 10", "GET CONFIG 29", "GET CONFIG 24"}));
}

QTEST_MAIN(TestConfiguration)
#include "tst_configuration.moc"
