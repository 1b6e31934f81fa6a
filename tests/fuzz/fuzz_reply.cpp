// Meter replies of any text, through the splitting, the matching and the reply checks of every meter
// operation. The first byte chooses the operation; the rest is one reply per line, given in turn to
// the commands the operation sends (a line starting with '*' is the command itself followed by the
// rest of the line, so that the deeper checks are reached). When the lines run out the meter answers
// "C?". Each operation either works or raises; a crash, a hang or a sanitizer report is a fault.
#include "device/Communication.h"
#include "device/ReplyMatch.h"
#include "device/SplitParameters.h"
#include "link/MPDataLink.h"
#include "model/Batches.h"
#include "model/DateTime.h"
#include "model/DeviceInfo.h"
#include "support/ScriptedMeter.h"
#include "support/ScriptedPrompts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <cstdlib>
#include <functional>

namespace {

using Operation = std::function<void(TdmCommunication &)>;

const std::vector<Operation> &Operations()
{
    static const std::vector<Operation> ops = {
        [](TdmCommunication &c) {
            c.Disconnect();
            c.Connect(true);
        },
        [](TdmCommunication &c) { c.GetDeviceTime(); },
        [](TdmCommunication &c) { c.SetDeviceTime(DateTimeFromQDateTime(QDateTime::currentDateTime())); },
        [](TdmCommunication &c) {
            TBatches batches;
            c.ReadBatches(batches);
        },
        [](TdmCommunication &c) {
            TBatches batches;
            TBatch *batch = batches.AddBatch(7, QStringLiteral("B"), 0, 100, 3);
            c.ReadBatchReadings(*batch);
            if (batch->Readings().size() > 3)
                std::abort();
        },
        [](TdmCommunication &c) {
            qint32 id = 0;
            c.NewBatch(QStringLiteral("Deck A      "), 50, DateTimeFromQDateTime(QDateTime::currentDateTime()), id);
        },
        [](TdmCommunication &c) { c.DeleteBatch(7); },
        [](TdmCommunication &c) { c.ReadDeviceInfo(); },
        [](TdmCommunication &c) { c.ReadCellConstants(); },
        [](TdmCommunication &c) { c.SetG25(c.GetG25()); },
        [](TdmCommunication &c) { c.SetAlpha(c.GetAlpha()); },
        [](TdmCommunication &c) { c.SetDeionizedWater(c.GetDeionizedWater()); },
        [](TdmCommunication &c) { c.SetAutoTempComp(c.GetAutoTempComp()); },
        [](TdmCommunication &c) { c.GetBresleOffset(); },
        [](TdmCommunication &c) { c.GetPassword(); },
        [](TdmCommunication &c) { c.SetPassword(QStringLiteral("1234")); },
    };
    return ops;
}

// With VORNELL_REPLY_SEEDS set to a folder, a well-formed conversation for each operation goes there.
void WriteSeeds(const QString &folder)
{
    const QString version = QStringLiteral("*TALVO 2.10S05\n");
    const QString clock = QStringLiteral("GET RTC 12 30 05 21 03 2012\n");
    const QString config = QStringLiteral("*5\n");
    const QStringList seeds = {
        version + clock,
        clock,
        QStringLiteral("*\n"),
        QStringLiteral("*3\n*7 0 \"Deck A\" 86400 100 2\n*0 0 x 0 0 0\n*8 1 x 0 0 0\n"),
        QStringLiteral("*0 86400 1250 215 1 0\n*1 86400 1250 215 0 1\n*0 86400 99 -40 0 0\n"),
        QStringLiteral("*0 0 12\n"),
        QStringLiteral("*0\n"),
        version + QStringLiteral("*L1234\n*258\n*86400\n*40\n*1.5\n*1\n*0.02\n*1900\n"),
        QStringLiteral("*0.5\n*0.9\n") + QStringLiteral("*0.25\n").repeated(24),
        QStringLiteral("*1.41\n*1.41\n"),
        QStringLiteral("*0.02\nERR 1\n"),
        QStringLiteral("ERR 1\nERR 1\n"),
        QStringLiteral("*1900\n*1900\n"),
        QStringLiteral("*0.5\n"),
        config.repeated(4),
        config.repeated(4),
    };
    for (int op = 0; op < seeds.size(); ++op) {
        QFile file(QDir(folder).filePath(QStringLiteral("op%1").arg(op)));
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(1, static_cast<char>(op)) + seeds[op].toLatin1());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (const char *folder = std::getenv("VORNELL_REPLY_SEEDS"))
        WriteSeeds(QString::fromLocal8Bit(folder));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_reply";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static FakeLine line;
    static ScriptedMeter meter(line);
    static ScriptedPrompts prompts;
    static TdmCommunication comm(prompts, nullptr, FakeFactory(line));
    static bool ready = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
        comm.DataLink().SetTimeOutResponse(1);
        comm.ConnectTimeOutTimer().setInterval(10);
        return true;
    }();
    (void)ready;
    if (size == 0)
        return 0;
    line.Written.clear();
    line.Writes.clear();
    meter.Commands.clear();

    const QString text =
        QString::fromLatin1(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    for (const QString &p : SplitParameters(text))
        if (p.size() > text.size())
            std::abort();
    QStringList replies = text.split(QLatin1Char('\n'));
    for (QString &r : replies)
        r.remove(QLatin1Char('\r')).remove(QLatin1Char('/'));

    // Every operation but the connection itself starts from a connected meter.
    if (!comm.Connected()) {
        meter.Reply = [](const QString &command) {
            return command == QLatin1String("GET VERSION") ? QStringLiteral("GET VERSION TALVO 2.10S05")
                                                           : QStringLiteral("C?");
        };
        comm.Connect(false);
    }
    qsizetype next = 0;
    meter.Reply = [&](const QString &command) {
        if (next >= replies.size())
            return QStringLiteral("C?");
        const QString &r = replies[next++];
        const QString reply = r.startsWith(QLatin1Char('*')) ? command + QLatin1Char(' ') + r.mid(1) : r;
        // "NEW BATCH" waits 10 s for its answer: a reply it cannot take is followed by a refusal,
        // which ends the wait at once.
        if (!ReplyAnswers(command, reply) && command.startsWith(QLatin1String("NEW BATCH")))
            return reply + QStringLiteral("\r\n/C?");
        return reply;
    };
    prompts.Answers = {data[0] & 0x80 ? TMsgResult::Yes : TMsgResult::No};
    prompts.Messages.clear();
    try {
        Operations()[data[0] % Operations().size()](comm);
    } catch (const std::exception &) {
    }
    return 0;
}
