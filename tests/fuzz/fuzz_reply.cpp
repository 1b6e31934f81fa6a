// A meter reply of any text: splitting, the reply checks of every meter operation, the matching.
#include "device/Communication.h"
#include "device/ReplyMatch.h"
#include "device/SplitParameters.h"
#include "support/ScriptedMeter.h"
#include "support/ScriptedPrompts.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_reply";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    const QString reply = QString::fromLatin1(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QStringList params = SplitParameters(reply);
    for (const QString &p : params)
        if (p.size() > reply.size())
            __builtin_trap();
    ReplyAnswers(QStringLiteral("GET READING 7 3"), reply);

    // Every operation sees this reply for every command it sends; each either works or raises.
    static FakeLine line;
    static ScriptedMeter meter(line);
    static ScriptedPrompts prompts;
    static TdmCommunication comm(prompts, nullptr, FakeFactory(line));
    static bool ready = [] {
        comm.DataLink().SetTimeOutResponse(20);
        comm.ConnectTimeOutTimer().setInterval(100);
        comm.DataLink().Open();
        return true;
    }();
    (void)ready;
    QString answer = reply;
    answer.remove(QLatin1Char('\r')).remove(QLatin1Char('\n')).remove(QLatin1Char('/'));
    meter.Reply = [&](const QString &) { return answer; };
    TBatches batches;
    TBatch *batch = batches.AddBatch(7, QStringLiteral("B"), 0, 100, 2);
    auto attempt = [](auto f) {
        try {
            f();
        } catch (const std::exception &) {
        }
    };
    attempt([&] { comm.GetDeviceTime(); });
    attempt([&] { comm.GetPassword(); });
    attempt([&] { comm.GetAutoTempComp(); });
    attempt([&] { comm.ReadCellConstants(); });
    attempt([&] { comm.ReadBatchReadings(*batch); });
    attempt([&] {
        qint32 id = 0;
        comm.DeleteBatch(1);
        comm.NewBatch(QStringLiteral("X"), 5, 0, id);
    });
    return 0;
}
