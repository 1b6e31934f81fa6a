// The date and time dialog: the clock running from the meter's time, following the PC, editing,
// the date of the calendar, writing into the simulated meter with the connection held only as long as
// needed, and the failures.
#include "DialogRig.h"
#include "dialogs/ClockFace.h"
#include "dialogs/frmDateTime.h"

#include <QCalendarWidget>
#include <QDateTimeEdit>
#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QString NotConnected = QStringLiteral("Could not make a connection to Talvo!\r\nPlease check if the Talvo is "
                                            "connected to the computer and turned on.");
const QDateTime PcClock(QDate(2026, 12, 10), QTime(14, 15, 16));

// The PC's clock stands still at PcClock while a test runs.
struct FixedPcClock {
    FixedPcClock()
    {
        SetNowFunction([] { return PcClock; });
    }
    ~FixedPcClock() { SetNowFunction({}); }
};

// A meter whose clock reads `at` now or up to a second later; the simulator's clock then runs on.
QString MeterClockAt(const QTemporaryDir &dir, const QDateTime &at)
{
    const qint64 ms = QDateTime::currentDateTime().msecsTo(at);
    return MeterState(dir, {{"clockOffset", static_cast<double>((ms + 999) / 1000)}});
}

QTime PickerTime(const TfrmDateTime &d)
{
    return d.dtpTime->time();
}

// What the user does to the picker: a change through its arrows, then leaving it.
void EditPicker(TfrmDateTime &d, const QTime &time)
{
    d.dtpTime->setTime(time);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(d.dtpTime, &out);
}

} // namespace

class TestDateTime : public QObject {
    Q_OBJECT
private slots:
    void init() { qputenv("VORNELL_SYSTEM_PORTS", "0"), qputenv("VORNELL_SERIAL_PORTS", ""); }
    void clockFaceHands();
    void runsFromItsOwnTime();
    void realTimerAdvancesTheClock();
    void editingThePicker();
    void synchronizeFollowsThePc();
    void commandReadsMeterClockAndDisconnects();
    void writeSendsCalendarDateAndPickerTime();
    void synchronizeAfterWriteSendsThePcTime();
    void withoutMeterShowsPcTime();
    void readingTheClockFails_data();
    void readingTheClockFails();
    void writeFailsAndTimeRunsOn();
    void meterGoneBeforeWrite();
};

void TestDateTime::clockFaceHands()
{
    QCOMPARE(TClockFace::HourAngle(QTime(3, 0)), 90.0);
    QCOMPARE(TClockFace::HourAngle(QTime(15, 30)), 105.0);
    QCOMPARE(TClockFace::MinuteAngle(QTime(0, 45, 30)), 273.0);
    QCOMPARE(TClockFace::SecondAngle(QTime(0, 0, 15)), 90.0);
    // The face draws what it is given, in whole seconds.
    TClockFace face;
    face.resize(121, 121);
    face.SetTime(QTime(10, 10, 30, 700));
    QCOMPARE(face.Time(), QTime(10, 10, 30));
    const QImage three = [&] {
        face.SetTime(QTime(3, 0));
        return face.grab().toImage();
    }();
    face.SetTime(QTime(9, 0));
    QVERIFY(face.grab().toImage() != three);
}

void TestDateTime::runsFromItsOwnTime()
{
    FixedPcClock pc;
    ScriptedPrompts prompts;
    TfrmDateTime d(prompts);
    d.ShowTime(QDateTime(QDate(2024, 2, 29), QTime(10, 0, 0)));
    QCOMPARE(d.jclkTime->Time(), QTime(10, 0, 0));
    QCOMPARE(PickerTime(d), QTime(10, 0, 0));
    QCOMPARE(d.jmcDate->selectedDate(), QDate(2024, 2, 29));
    for (int tick = 0; tick < 5; ++tick)
        d.TimerTimer();
    QCOMPARE(d.jclkTime->Time(), QTime(10, 0, 5)); // whatever the PC's clock says
    QCOMPARE(PickerTime(d), QTime(10, 0, 5));
    QVERIFY(!d.lblPCTime->isVisible());
    QCOMPARE(d.windowTitle(), QStringLiteral(" Device Date and Time"));
    QVERIFY(!d.windowIcon().isNull());
    QCOMPARE(d.Timer->interval(), 1000);
    // Another day in the calendar changes the date written, not the clock.
    d.jmcDate->setSelectedDate(QDate(2025, 1, 2));
    d.TimerTimer();
    QCOMPARE(d.jclkTime->Time(), QTime(10, 0, 6));
    QCOMPARE(QDateTimeFromDateTime(d.SelectedDateTime()), QDateTime(QDate(2025, 1, 2), QTime(10, 0, 6)));
}

void TestDateTime::realTimerAdvancesTheClock()
{
    ScriptedPrompts prompts;
    TfrmDateTime d(prompts);
    QVERIFY(d.Timer->isActive()); // from the moment the dialog exists
    d.ShowTime(QDateTime(QDate(2024, 1, 1), QTime(23, 59, 59)));
    QTRY_COMPARE_WITH_TIMEOUT(d.jclkTime->Time(), QTime(0, 0, 0), 3000);
    QCOMPARE(d.FTime.date(), QDate(2024, 1, 2));
}

void TestDateTime::editingThePicker()
{
    FixedPcClock pc;
    ScriptedPrompts prompts;
    TfrmDateTime d(prompts);
    d.ShowTime(QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0)));
    d.dtpTime->setTime(QTime(8, 30, 0)); // changed, not yet left
    QVERIFY(d.FEditing);
    d.TimerTimer();
    QCOMPARE(PickerTime(d), QTime(8, 30, 0));      // frozen at the user's value
    QCOMPARE(d.jclkTime->Time(), QTime(10, 0, 1)); // the face runs on
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(d.dtpTime, &out);
    QVERIFY(!d.FEditing);
    QCOMPARE(d.jclkTime->Time(), QTime(8, 30, 0));
    d.TimerTimer();
    QCOMPARE(d.jclkTime->Time(), QTime(8, 30, 1));
    QCOMPARE(PickerTime(d), QTime(8, 30, 1)); // follows again
    QCOMPARE(QDateTimeFromDateTime(d.SelectedDateTime()), QDateTime(QDate(2024, 5, 1), QTime(8, 30, 1)));
    // Leaving the picker without a change keeps the running time.
    QCoreApplication::sendEvent(d.dtpTime, &out);
    QCOMPARE(d.jclkTime->Time(), QTime(8, 30, 1));
}

void TestDateTime::synchronizeFollowsThePc()
{
    FixedPcClock pc;
    ScriptedPrompts prompts;
    TfrmDateTime d(prompts);
    d.ShowTime(QDateTime(QDate(2020, 3, 4), QTime(10, 0, 0)));
    d.btnSynchronize->click();
    QVERIFY(!d.FUseOwnTime);
    QCOMPARE(d.jmcDate->selectedDate(), PcClock.date());
    QCOMPARE(d.jclkTime->Time(), PcClock.time());
    d.TimerTimer();
    QCOMPARE(d.jclkTime->Time(), PcClock.time()); // the PC's clock, not the own time
    QCOMPARE(QDateTimeFromDateTime(d.SelectedDateTime()), PcClock);
}

void TestDateTime::commandReadsMeterClockAndDisconnects()
{
    // A meter at 10:00:00, or at 22:00:00 while the PC's clock is near ten, so that the two differ.
    QTemporaryDir dir;
    const QTime meter = qAbs(QTime::currentTime().secsTo(QTime(10, 0))) > 3600 ? QTime(10, 0) : QTime(22, 0);
    SimRig r({QStringLiteral("--state"), MeterClockAt(dir, QDateTime(QDate::currentDate(), meter))});
    bool connectedWhileShown = true, writeEnabled = false, pcLabel = true;
    QTime shown;
    WhenShown<TfrmDateTime> act([&](TfrmDateTime &d) {
        connectedWhileShown = r.comm.Connected();
        writeEnabled = d.btnWrite->isEnabled();
        pcLabel = d.lblPCTime->isVisible();
        shown = d.jclkTime->Time();
        d.btnClose->click();
    });
    r.comm.Connect(false); // connected before: the command disconnects all the same
    r.Mark();
    ShowDeviceDateTime(r.comm, r.prompts, nullptr);
    QVERIFY(act.Reached());
    QVERIFY(r.prompts.Messages.isEmpty());
    QCOMPARE(r.Sent(), QStringList{"GET RTC"});
    QVERIFY(!connectedWhileShown);
    QVERIFY(writeEnabled && !pcLabel);
    QVERIFY2(shown >= meter && shown <= meter.addSecs(5), qPrintable(shown.toString())); // the meter's, running
}

void TestDateTime::writeSendsCalendarDateAndPickerTime()
{
    FixedPcClock pc;
    SimRig r;
    QStringList sentOnOpen;
    QTime afterWrite, later;
    bool connectedAfterWrite = true, timerAfterWrite = true;
    WhenShown<TfrmDateTime> act([&](TfrmDateTime &d) {
        sentOnOpen = r.Log();
        r.Mark();
        d.btnSynchronize->click(); // the PC's time of day, today's date
        d.jmcDate->setSelectedDate(QDate(2027, 1, 31));
        d.btnWrite->click();
        connectedAfterWrite = r.comm.Connected();
        timerAfterWrite = d.Timer->isActive();
        afterWrite = d.jclkTime->Time();
        // Edited and left: the own time from 08:30, written with the calendar's date.
        EditPicker(d, QTime(8, 30, 0));
        d.TimerTimer();
        d.btnWrite->click();
        later = d.jclkTime->Time();
        d.btnClose->click();
    });
    ShowDeviceDateTime(r.comm, r.prompts, nullptr);
    QVERIFY(act.Reached());
    QCOMPARE(sentOnOpen, (QStringList{"GET VERSION", "GET RTC"}));
    QCOMPARE(r.Sent(),
             (QStringList{"GET VERSION", "SET RTC 14 15 16 31 01 2027", "GET VERSION", "SET RTC 08 30 01 31 01 2027"}));
    const QString ok = QStringLiteral("Setting the time in device was succesful.");
    QCOMPARE(r.prompts.Texts(), (QStringList{ok, ok}));
    QCOMPARE(r.prompts.Messages[0].Kind, TMsgKind::Information);
    QVERIFY(!connectedAfterWrite);
    QVERIFY(!timerAfterWrite); // the shown time stands still
    QCOMPARE(afterWrite, PcClock.time());
    QCOMPARE(later, QTime(8, 30, 1));
    QVERIFY(!r.comm.Connected());
}

void TestDateTime::synchronizeAfterWriteSendsThePcTime()
{
    // A PC clock that moves only when the test says so; the dialog's ticks do not move it.
    QDateTime pc = PcClock;
    SetNowFunction([&] { return pc; });
    SimRig r;
    bool timerAfterSync = false;
    QTime shownAfterSync;
    WhenShown<TfrmDateTime> act([&](TfrmDateTime &d) {
        r.Mark();
        d.btnWrite->click(); // the meter's own time; the shown time stops
        pc = pc.addSecs(19);
        d.btnSynchronize->click();
        timerAfterSync = d.Timer->isActive();
        pc = pc.addSecs(1);
        d.TimerTimer();
        shownAfterSync = d.jclkTime->Time();
        pc = pc.addMSecs(1500); // no tick since: the write takes the PC's time at that moment
        d.btnWrite->click();
        d.btnClose->click();
    });
    ShowDeviceDateTime(r.comm, r.prompts, nullptr);
    SetNowFunction({});
    QVERIFY(act.Reached());
    QVERIFY(timerAfterSync); // the PC's clock runs again
    QCOMPARE(shownAfterSync, PcClock.time().addSecs(20));
    const QStringList sent = r.Sent();
    QCOMPARE(sent.size(), 4);
    QCOMPARE(sent[3], QStringLiteral("SET RTC 14 15 37 10 12 2026")); // 14:15:16 + 21.5 s
}

void TestDateTime::withoutMeterShowsPcTime()
{
    FixedPcClock pc;
    ScriptedPrompts prompts;
    TdmCommunication comm(prompts);
    bool writeEnabled = true, pcLabel = false;
    QTime shown;
    QDate date;
    WhenShown<TfrmDateTime> act([&](TfrmDateTime &d) {
        writeEnabled = d.btnWrite->isEnabled();
        pcLabel = d.lblPCTime->isVisible();
        shown = d.jclkTime->Time();
        date = d.jmcDate->selectedDate();
        d.TimerTimer();
        QCOMPARE(d.jclkTime->Time(), PcClock.time().addSecs(1)); // the PC's time, running as the own time
        d.btnClose->click();
    });
    ShowDeviceDateTime(comm, prompts, nullptr);
    QVERIFY(act.Reached());
    QVERIFY(prompts.Messages.isEmpty());
    QVERIFY(!writeEnabled && pcLabel);
    QCOMPARE(shown, PcClock.time());
    QCOMPARE(date, PcClock.date());
}

void TestDateTime::readingTheClockFails_data()
{
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<QString>("message"); // how the message starts
    QTest::newRow("wrong count") << QStringList{"--wrong-count", "GET RTC"}
                                 << "The received message contained a parameter error.";
    QTest::newRow("line dropped") << QStringList{"--drop-after", "1"} << "The connection to the Talvo was lost.";
}

void TestDateTime::readingTheClockFails()
{
    QFETCH(QStringList, flags);
    QFETCH(QString, message);
    SimRig r(flags);
    WhenShown<TfrmDateTime> never([](TfrmDateTime &d) { d.reject(); });
    ShowDeviceDateTime(r.comm, r.prompts, nullptr);
    QVERIFY(!never.Reached());
    QCOMPARE(r.prompts.Texts().size(), 1);
    const QString shown = r.prompts.Texts()[0];
    QVERIFY2(shown.startsWith(QStringLiteral("A problem occurred in Vornell, the messages was:\r\n") + message),
             qPrintable(shown));
    QVERIFY(!r.comm.Connected());
}

void TestDateTime::writeFailsAndTimeRunsOn()
{
    SimRig r({QStringLiteral("--refuse"), QStringLiteral("C?"), QStringLiteral("--refuse-command"),
              QStringLiteral("SET RTC")});
    bool timerRuns = false, connected = true;
    WhenShown<TfrmDateTime> act([&](TfrmDateTime &d) {
        d.btnWrite->click();
        timerRuns = d.Timer->isActive();
        connected = r.comm.Connected();
        d.btnClose->click();
    });
    ShowDeviceDateTime(r.comm, r.prompts, nullptr);
    QVERIFY(act.Reached());
    QCOMPARE(r.prompts.Texts().size(), 1);
    QVERIFY2(r.prompts.Texts()[0].startsWith(
                 QLatin1String("A problem occurred while setting the time the messages was:\r\n")),
             qPrintable(r.prompts.Texts()[0]));
    QVERIFY(r.prompts.Texts()[0].size() > 62); // followed by the failure's own message
    QCOMPARE(r.prompts.Messages[0].Kind, TMsgKind::Warning);
    QVERIFY(timerRuns && !connected);
}

void TestDateTime::meterGoneBeforeWrite()
{
    // The meter answers at opening and then goes away.
    SimRig r;
    r.comm.DataLink().SetTimeOutConnect(300);
    WhenShown<TfrmDateTime> act([&](TfrmDateTime &d) {
        r.sim.Stop();
        d.btnWrite->click();
        d.btnClose->click();
    });
    ShowDeviceDateTime(r.comm, r.prompts, nullptr);
    QVERIFY(act.Reached());
    QCOMPARE(r.prompts.Texts(), QStringList{NotConnected});
    QCOMPARE(r.Log(), (QStringList{"GET VERSION", "GET RTC"}));
    QVERIFY(!r.comm.Connected());
}

QTEST_MAIN(TestDateTime)
#include "tst_datetime.moc"
