// A randomised soak of the command exchange: replies late, split, garbled, refused, of the wrong
// length or missing. Every operation either returns the meter's true data or fails with one of
// the system's messages; it never returns wrong data.
#include "device/Communication.h"
#include "model/Errors.h"
#include "support/ScriptedMeter.h"
#include "support/ScriptedPrompts.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

constexpr int TimeOut = 30; // ms, the response time-out of this soak

QString TrueReply(const QString &c)
{
    if (c == QLatin1String("GET VERSION"))
        return QStringLiteral("GET VERSION Talvo V2.07");
    if (c == QLatin1String("GET RTC"))
        return QStringLiteral("GET RTC 12 30 05 21 03 2012");
    if (c == QLatin1String("GET MAXNROFB"))
        return QStringLiteral("GET MAXNROFB 4");
    if (c.startsWith(QLatin1String("GET BATCH "))) {
        const int slot = c.mid(10).toInt();
        return slot % 2 ? QStringLiteral("GET BATCH 0 1 \"\" 0 0 0")
                        : QStringLiteral("GET BATCH %1 0 \"B%1\" %2 100 5").arg(slot + 7).arg(86400 * (slot + 1));
    }
    if (c.startsWith(QLatin1String("GET READING "))) {
        const int i = c.section(QLatin1Char(' '), 3, 3).toInt();
        return QStringLiteral("GET READING 7 %1 0 %2 %3 %4 0 0").arg(i).arg(1000 + i).arg(200 + i).arg(150 + i);
    }
    if (c.startsWith(QLatin1String("GET CONFIG "))) {
        const int n = c.mid(11).toInt();
        return QStringLiteral("GET CONFIG %1 %2").arg(n).arg(n - 11);
    }
    return QStringLiteral("C?");
}

const QStringList Allowed = {
    QStringLiteral("Data Link layer time out"),
    QStringLiteral("Data Link layer is waiting for response"),
    QStringLiteral("The Slave reported an error. "),
    QStringLiteral("The Slave reported a parmeter error. "),
    QStringLiteral("The Slave reported an unkown command. "),
    QStringLiteral("The received message contained a parameter error."),
    QStringLiteral("The received message had to many parameters."),
    QStringLiteral("The data received on GETNROFB was of a illegal format."),
    QStringLiteral("The Talvo is still answering earlier commands."),
};

} // namespace

class TestSoak : public QObject {
    Q_OBJECT
private slots:
    void neverWrongData();
};

void TestSoak::neverWrongData()
{
    FakeLine line;
    ScriptedMeter meter(line);
    ScriptedPrompts prompts;
    TdmCommunication comm(prompts, nullptr, FakeFactory(line));
    comm.DataLink().SetTimeOutResponse(TimeOut);
    comm.ConnectTimeOutTimer().setInterval(20 * TimeOut);
    const int seed = qEnvironmentVariableIntValue("SOAK_SEED");
    QRandomGenerator random(static_cast<quint32>(seed != 0 ? seed : 20261210));
    int faults[8] = {};
    meter.Reply = [&](const QString &c) -> QString {
        QString reply = TrueReply(c);
        QByteArray frame;
        int delay = 0;
        const int roll = static_cast<int>(random.bounded(100));
        int kind = 0;
        if (roll < 45) {
            kind = 0; // prompt
        } else if (roll < 55) {
            kind = 1, delay = TimeOut * 13 / 10; // one resend
        } else if (roll < 60) {
            kind = 2, delay = TimeOut * 23 / 10; // two resends
        } else if (roll < 70) {
            kind = 3, frame = "\x01garbage\r\n";
        } else if (roll < 80) {
            kind = 4; // split below
        } else if (roll < 85) {
            kind = 5, reply = QStringList{"ERR", "P?", "C?"}[random.bounded(3)];
        } else if (roll < 90) {
            kind = 6, reply += QStringLiteral(" 9");
        } else {
            kind = 7, reply.clear(); // lost
        }
        ++faults[kind];
        if (reply.isEmpty())
            return QString();
        frame += "/" + reply.toLatin1() + "\r\n";
        const int chunk = kind == 4 ? 3 : 0;
        QTimer::singleShot(delay, &comm, [&line, frame, chunk] { line.Deliver(frame, chunk); });
        return QString();
    };

    int operations = 0, failures = 0;
    while (meter.Commands.size() < 1000) {
        ++operations;
        try {
            if (!comm.Connected()) {
                QTRY_VERIFY(!comm.DataLink().Busy());
                comm.Connect(false);
                continue;
            }
            switch (operations % 4) {
            case 0: {
                TBatches batches;
                batches.AddBatch(7, QStringLiteral("B"), 0, 100, 5);
                comm.ReadBatchReadings(*batches.GetBatch(0));
                const auto &readings = batches.GetBatch(0)->Readings();
                QCOMPARE(readings.size(), std::size_t(5));
                for (int i = 0; i < 5; ++i) {
                    QCOMPARE(readings[i]->FIndex, i);
                    QCOMPARE(readings[i]->FConductivity, 200 + i);
                    QCOMPARE(readings[i]->FTemperature, static_cast<float>((150 + i) / 10.0));
                }
                break;
            }
            case 1: {
                TBatches batches;
                comm.ReadBatches(batches);
                QCOMPARE(batches.Count(), 2);
                QCOMPARE(batches.GetBatch(0)->FID, 7);
                QCOMPARE(batches.GetBatch(1)->FID, 9);
                QCOMPARE(batches.GetBatch(1)->FName, QStringLiteral("B9          "));
                break;
            }
            case 2:
                QCOMPARE(comm.GetPassword(), QStringLiteral("1234"));
                break;
            default:
                QCOMPARE(QDateTimeFromDateTime(comm.GetDeviceTime()), QDateTime(QDate(2012, 3, 21), QTime(12, 30, 5)));
            }
        } catch (const std::exception &e) {
            ++failures;
            const QString message = MessageOf(e);
            const bool known =
                std::any_of(Allowed.begin(), Allowed.end(), [&](const QString &a) { return message.startsWith(a); });
            QVERIFY2(known, qPrintable(message));
        }
    }
    qInfo("%d operations, %d failed with a message, %lld exchanges; faults: %d prompt, %d late, %d very late, "
          "%d garbage, %d split, %d refused, %d wrong count, %d lost",
          operations, failures, static_cast<long long>(meter.Commands.size()), faults[0], faults[1], faults[2],
          faults[3], faults[4], faults[5], faults[6], faults[7]);
    QVERIFY(failures < operations);
}

QTEST_GUILESS_MAIN(TestSoak)
#include "tst_soak.moc"
