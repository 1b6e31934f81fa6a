// The command exchange: replies split into parameters, refusals, link failures and attempts.
#include "device/Communication.h"
#include "device/ReplyMatch.h"
#include "device/SplitParameters.h"
#include "model/Errors.h"
#include "support/Raised.h"
#include "support/ScriptedMeter.h"
#include "support/ScriptedPrompts.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

struct Rig {
    FakeLine line;
    ScriptedMeter meter{line};
    ScriptedPrompts prompts;
    TdmCommunication comm{prompts, nullptr, FakeFactory(line)};
    Rig() { comm.DataLink().Open(); }
};

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void split_data();
    void split();
    void refusals_data();
    void refusals();
    void nulCharactersRemoved();
    void silentMeterRealTime();
    void lateReplyWithinSecondAttempt();
    void lateRepliesNeverAnswerTheNextCommand_data();
    void lateRepliesNeverAnswerTheNextCommand();
    void barrierWaitsOutEveryOwedReply_data();
    void barrierWaitsOutEveryOwedReply();
    void refusalNeverEndsTheBarrier();
    void punctualMeterSeesNoBarrier();
    void lostDeviceIsSaidAsSuch();
    void replyMatching_data();
    void replyMatching();
    void closedPort();
    void nestedCommandRefused();
    void creationSettings();
    void deviceNumbers();
};

void TestExchange::split_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("params");
    QTest::newRow("clock") << "GET RTC 12 30 05 21 03 2012"
                           << QStringList{"GET", "RTC", "12", "30", "05", "21", "03", "2012"};
    QTest::newRow("quoted name") << "GET BATCH 3 0 \"my batch 1\" 5 100 7"
                                 << QStringList{"GET", "BATCH", "3", "0", "my batch 1", "5", "100", "7"};
    QTest::newRow("empty quoted") << "A \"\" B" << QStringList{"A", "", "B"};
    QTest::newRow("text joins quote") << "ab\"cd\"" << QStringList{"abcd"};
    QTest::newRow("unterminated quote") << "A \"b c,d" << QStringList{"A", "b c,d"};
    QTest::newRow("separator runs") << "  A,,;B=[C]{D}(E)'F:G  " << QStringList{"A", "B", "C", "D", "E", "F", "G"};
    QTest::newRow("tab is ordinary") << "A\tB C" << QStringList{"A\tB", "C"};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestExchange::split()
{
    QFETCH(QString, reply);
    QFETCH(QStringList, params);
    QCOMPARE(SplitParameters(reply), params);
}

void TestExchange::refusals_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("message");
    const QString sent = QStringLiteral("\r\nCommand send was \"GET CONFIG 9\"");
    QTest::newRow("ERR") << "ERR"
                         << "The Slave reported an error. " + sent;
    QTest::newRow("err") << "err"
                         << "The Slave reported an error. " + sent;
    QTest::newRow("P?") << "P?"
                        << "The Slave reported a parmeter error. " + sent;
    QTest::newRow("c?") << "c?"
                        << "The Slave reported an unkown command. " + sent;
    QTest::newRow("ERR 1 is an answer") << "ERR 1" << QString();
    QTest::newRow("ERR with blank is an answer") << "ERR " << QString();
}

void TestExchange::refusals()
{
    QFETCH(QString, reply);
    QFETCH(QString, message);
    Rig r;
    r.meter.Reply = [&](const QString &) { return reply; };
    QString got;
    QCOMPARE(Raised([&] { got = r.comm.SendCommand(QStringLiteral("GET CONFIG 9")); }), message);
    if (message.isEmpty())
        QCOMPARE(got, reply);
}

void TestExchange::nulCharactersRemoved()
{
    Rig r;
    r.meter.Reply = [](const QString &) { return QString::fromLatin1("E\0RR", 4); };
    QCOMPARE(Raised([&] { r.comm.SendCommand(QStringLiteral("X")); }),
             QStringLiteral("The Slave reported an error. \r\nCommand send was \"X\""));
}

void TestExchange::silentMeterRealTime()
{
    Rig r;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(Raised([&] { r.comm.SendCommand(QStringLiteral("GET VERSION")); }),
             QStringLiteral("Data Link layer time out"));
    QVERIFY(clock.elapsed() >= 1490);
    QCOMPARE(r.meter.Commands, QStringList(3, QStringLiteral("GET VERSION")));
}

void TestExchange::lateReplyWithinSecondAttempt()
{
    Rig r;
    r.comm.DataLink().SetTimeOutResponse(80);
    // The first transmission is answered late, while the second attempt waits.
    int sent = 0;
    r.meter.Reply = [&](const QString &) {
        if (++sent == 1)
            QTimer::singleShot(120, [&] { r.line.Deliver("/GET MAXNROFB 50\r\n"); });
        return QString();
    };
    QCOMPARE(r.comm.SendCommand(QStringLiteral("GET MAXNROFB")), QStringLiteral("GET MAXNROFB 50"));
    QCOMPARE(sent, 2);
}

void TestExchange::lateRepliesNeverAnswerTheNextCommand_data()
{
    QTest::addColumn<int>("late");
    QTest::addColumn<bool>("oneAtATime");
    QTest::addColumn<int>("transmissions");
    QTest::newRow("punctual") << 30 << false << 1;
    for (const bool oneAtATime : {false, true}) {
        const char *model = oneAtATime ? "one at a time" : "at once";
        if (!oneAtATime)
            QTest::addRow("%s, resent once", model) << 130 << oneAtATime << 2;
        QTest::addRow("%s, resent twice", model) << 230 << oneAtATime << 3;
        QTest::addRow("%s, near the end", model) << 250 << oneAtATime << 3;
    }
}

void TestExchange::lateRepliesNeverAnswerTheNextCommand()
{
    // Every command answered `late` ms late with a 100 ms response time-out: each goes out up to
    // three times and is answered as often. A meter that takes one command at a time answers each
    // resend that much later again. No reply may land on the next command, also where the reply
    // repeats nothing of its command ("GET BATCH").
    QFETCH(int, late);
    QFETCH(bool, oneAtATime);
    QFETCH(int, transmissions);
    Rig r;
    r.comm.DataLink().SetTimeOutResponse(100);
    QElapsedTimer clock;
    clock.start();
    qint64 free = 0; // one at a time: when the meter takes the next command
    r.meter.Reply = [&](const QString &c) {
        const QString reply =
            c == QLatin1String("GET MAXNROFB")  ? QStringLiteral("GET MAXNROFB 50")
            : c == QLatin1String("GET VERSION") ? QStringLiteral("GET VERSION Talvo V2.07")
            : c.startsWith(QLatin1String("GET BATCH "))
                ? QStringLiteral("GET BATCH 1 0 \"") + c.mid(10) + QStringLiteral("\" 0 100 5")
                : QStringLiteral("GET READING 0 ") + c.section(u' ', 3) + QStringLiteral(" 0 1250 215 0 0 0");
        const qint64 due = (oneAtATime ? qMax(clock.elapsed(), free) : clock.elapsed()) + late;
        free = due;
        QTimer::singleShot(static_cast<int>(due - clock.elapsed()), Qt::PreciseTimer, &r.comm,
                           [&r, reply] { r.line.Deliver("/" + reply.toLatin1() + "\r\n"); });
        return QString();
    };
    const QStringList commands{"GET MAXNROFB", "GET BATCH 0", "GET BATCH 1", "GET READING 4 0"};
    QCOMPARE(r.comm.SendCommand(commands[0]), QStringLiteral("GET MAXNROFB 50"));
    QCOMPARE(r.comm.SendCommand(commands[1]), QStringLiteral("GET BATCH 1 0 \"0\" 0 100 5"));
    QCOMPARE(r.comm.SendCommand(commands[2]), QStringLiteral("GET BATCH 1 0 \"1\" 0 100 5"));
    QCOMPARE(r.comm.SendCommand(commands[3]), QStringLiteral("GET READING 0 0 0 1250 215 0 0 0"));
    QStringList sent;
    for (const QString &c : commands)
        sent += QStringList(transmissions, c);
    // The owed replies came within seven response times: waited for, no barrier needed.
    QCOMPARE(r.meter.Commands, sent);
}

void TestExchange::barrierWaitsOutEveryOwedReply_data()
{
    QTest::addColumn<int>("late");
    QTest::addColumn<bool>("inStep");
    // A 100 ms response time: the barrier's transmissions wait 700 ms each.
    QTest::newRow("late, answered in time") << 400 << true;
    QTest::newRow("later than the barrier can wait") << 2000 << false;
}

void TestExchange::barrierWaitsOutEveryOwedReply()
{
    // "GET BATCH 0" is answered `late` ms late for each of its three transmissions, one after
    // the other, and its answers repeat nothing of the slot; the meter answers everything in order.
    // The next command must get its own answer, or a clear failure, never one of those.
    QFETCH(int, late);
    QFETCH(bool, inStep);
    Rig r;
    r.comm.DataLink().SetTimeOutResponse(100);
    QElapsedTimer clock;
    clock.start();
    qint64 free = 0;
    r.meter.Reply = [&](const QString &c) {
        const QString reply = c == QLatin1String("GET BATCH 0")   ? QStringLiteral("GET BATCH 7 0 \"STALE\" 0 100 5")
                              : c == QLatin1String("GET BATCH 1") ? QStringLiteral("GET BATCH 8 0 \"FRESH\" 0 100 5")
                                                                  : c + QStringLiteral(" 1");
        const qint64 due = qMax(clock.elapsed(), free) + (c == QLatin1String("GET BATCH 0") ? late : 5);
        free = due;
        QTimer::singleShot(static_cast<int>(due - clock.elapsed()), Qt::PreciseTimer, &r.comm,
                           [&r, reply] { r.line.Deliver("/" + reply.toLatin1() + "\r\n"); });
        return QString();
    };
    QCOMPARE(Raised([&] { r.comm.SendCommand(QStringLiteral("GET BATCH 0")); }),
             QStringLiteral("Data Link layer time out"));
    if (inStep) {
        QCOMPARE(r.comm.SendCommand(QStringLiteral("GET BATCH 1")), QStringLiteral("GET BATCH 8 0 \"FRESH\" 0 100 5"));
        QCOMPARE(r.meter.Commands.mid(3, 1), QStringList{QStringLiteral("GET VERSION")});
    } else {
        QString failure;
        try {
            r.comm.SendCommand(QStringLiteral("GET BATCH 1"));
        } catch (const LinkError &e) {
            failure = e.message();
        }
        QCOMPARE(failure, QStringLiteral("The Talvo is still answering earlier commands.\r\n"
                                         "Please wait a moment and try again."));
        QVERIFY(!r.meter.Commands.contains(QStringLiteral("GET BATCH 1")));
    }
}

void TestExchange::refusalNeverEndsTheBarrier()
{
    // "GET BATCH 0" goes unanswered within its three transmissions and the wait for late replies
    // after them; then, in order, a refusal and two late "GET BATCH" replies come, and only after
    // them the barrier's reply. A refusal names
    // no command: taken as the barrier's answer, it would let the stale replies in on "GET BATCH 1".
    Rig r;
    r.comm.DataLink().SetTimeOutResponse(100);
    QElapsedTimer clock;
    clock.start();
    const auto at = [&](int ms, const QByteArray &reply) {
        QTimer::singleShot(qMax<int>(1, ms - static_cast<int>(clock.elapsed())), Qt::PreciseTimer, &r.comm,
                           [&r, reply] { r.line.Deliver("/" + reply + "\r\n"); });
    };
    r.meter.Reply = [&](const QString &c) {
        if (c == QLatin1String("GET BATCH 0") && r.meter.Commands.size() == 1) {
            at(1000, "C?");
            at(1050, "GET BATCH 7 0 \"STALE\" 0 100 5");
            at(1100, "GET BATCH 7 0 \"STALE\" 0 100 5");
        } else if (c == QLatin1String("GET VERSION")) {
            at(1150, "GET VERSION Talvo V2.07");
        } else if (c == QLatin1String("GET BATCH 1")) {
            at(0, "GET BATCH 8 0 \"FRESH\" 0 100 5");
        }
        return QString();
    };
    QCOMPARE(Raised([&] { r.comm.SendCommand(QStringLiteral("GET BATCH 0")); }),
             QStringLiteral("Data Link layer time out"));
    QCOMPARE(r.comm.SendCommand(QStringLiteral("GET BATCH 1")), QStringLiteral("GET BATCH 8 0 \"FRESH\" 0 100 5"));
    QCOMPARE(r.meter.Commands,
             (QStringList{"GET BATCH 0", "GET BATCH 0", "GET BATCH 0", "GET VERSION", "GET BATCH 1"}));
}

void TestExchange::punctualMeterSeesNoBarrier()
{
    Rig r;
    r.meter.Reply = [](const QString &c) {
        return c == QLatin1String("GET BATCH 1") ? QStringLiteral("P?") : c + QStringLiteral(" 1");
    };
    const QStringList commands{"GET MAXNROFB", "GET BATCH 0", "GET BATCH 1", "GET READING 3 0"};
    for (const QString &c : commands)
        Raised([&] { r.comm.SendCommand(c); });
    QCOMPARE(r.meter.Commands, commands);
}

void TestExchange::lostDeviceIsSaidAsSuch()
{
    // The device goes away while the command waits: said at once, without the resends.
    Rig r;
    r.meter.Reply = [&](const QString &) {
        r.line.Lose();
        return QString();
    };
    bool link = false;
    QString message;
    try {
        r.comm.SendCommand(QStringLiteral("GET BATCH 0"));
    } catch (const LinkError &e) {
        link = true;
        message = e.message();
    }
    QVERIFY(link);
    QCOMPARE(message, QStringLiteral("The connection to the Talvo was lost."));
    QCOMPARE(r.meter.Commands.size(), 1);
    QVERIFY(!r.comm.DataLink().Active());
}

void TestExchange::replyMatching_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("answers");
    QTest::newRow("words") << "GET VERSION"
                           << "GET VERSION Talvo 2.07" << true;
    QTest::newRow("other words") << "GET BATCH 3"
                                 << "GET MAXNROFB 50" << false;
    QTest::newRow("config index") << "GET CONFIG 16"
                                  << "GET CONFIG 16 SN1" << true;
    QTest::newRow("other config index") << "GET CONFIG 16"
                                        << "GET CONFIG 0 517" << false;
    QTest::newRow("reading index") << "GET READING 7 6"
                                   << "GET READING 7 6 0 1 2 3 4 5" << true;
    QTest::newRow("other reading") << "GET READING 7 6"
                                   << "GET READING 7 5 0 1 2 3 4 5" << false;
    QTest::newRow("unused field holds anything") << "GET READING 8 0"
                                                 << "GET READING 0 0 0 1 2 3 4 5" << true;
    QTest::newRow("cell") << "GET C 2 3"
                          << "GET C 2 3 1.5" << true;
    QTest::newRow("other cell") << "GET C 2 3"
                                << "GET C 2 2 1.5" << false;
    QTest::newRow("refusal") << "GET C 2 3"
                             << "C?" << true;
    QTest::newRow("ERR 1") << "GET CONFIG 24"
                           << "ERR 1" << true;
    QTest::newRow("short reply left to the count check") << "GET CONFIG 25"
                                                         << "GET CONFIG" << true;
    QTest::newRow("garbage") << "GET RTC"
                             << "xx" << false;
}

void TestExchange::replyMatching()
{
    QFETCH(QString, command);
    QFETCH(QString, reply);
    QFETCH(bool, answers);
    QCOMPARE(ReplyAnswers(command, reply), answers);
}

void TestExchange::closedPort()
{
    Rig r;
    r.comm.DataLink().Close();
    QCOMPARE(Raised([&] { r.comm.SendCommand(QStringLiteral("GET RTC")); }), QStringLiteral("Port not opened"));
}

void TestExchange::nestedCommandRefused()
{
    Rig r;
    r.comm.DataLink().SetTimeOutResponse(100);
    QString inner;
    r.meter.Reply = [&](const QString &c) {
        if (c == QLatin1String("OUTER"))
            QTimer::singleShot(10, [&] { inner = Raised([&] { r.comm.SendCommand(QStringLiteral("INNER")); }); });
        return c == QLatin1String("OUTER") ? QString() : c;
    };
    QTimer::singleShot(50, [&] { r.line.Deliver("/OUTER OK\r\n"); });
    QCOMPARE(r.comm.SendCommand(QStringLiteral("OUTER")), QStringLiteral("OUTER OK"));
    QCOMPARE(inner, QStringLiteral("Another command is still waiting for the Talvo. Please try again."));
    QCOMPARE(r.meter.Commands, QStringList{QStringLiteral("OUTER")});
}

void TestExchange::creationSettings()
{
    FakeLine line;
    line.Ports = {4, 9};
    ScriptedPrompts prompts;
    TdmCommunication comm(prompts, nullptr, FakeFactory(line));
    QCOMPARE(comm.DataLink().ComSettings().Baudrate(), 38400);
    QCOMPARE(comm.DataLink().ComSettings().DeviceComport(), quint16(4));
    QCOMPARE(comm.DataLink().Retries(), qint16(0));
    QCOMPARE(comm.DataLink().TimeOutResponse(), 500u);
    QCOMPARE(comm.ConnectTimeOutTimer().interval(), 7000);
    QCOMPARE(comm.PreferredPort(), -1);
    QVERIFY(!comm.Connected());
}

void TestExchange::deviceNumbers()
{
    QCOMPARE(ParseDeviceFloat(QStringLiteral("0.02")), 0.02);
    QCOMPARE(ParseDeviceFloat(QStringLiteral("-1.5e3")), -1500.0);
    QCOMPARE(Raised([] { ParseDeviceFloat(QStringLiteral("0,02")); }),
             QStringLiteral("'0,02' is not a valid floating point value"));
    QCOMPARE(FormatDeviceFloat(84), QStringLiteral("84"));
    QCOMPARE(FormatDeviceFloat(0.02), QStringLiteral("0.02"));
    QCOMPARE(FormatDeviceFloat(1.0 / 3), QStringLiteral("0.333333333333333"));
    QCOMPARE(FormatConfigVersion(517), QStringLiteral("V2.05"));
    QCOMPARE(FormatConfigVersion(0x0A0C), QStringLiteral("V10.12"));
}

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
