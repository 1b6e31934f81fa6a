// Reading a full meter (50 slots, 10 batches of 100 readings) from the simulated meter paced at
// 38400 baud, against the wire-time lower bound: every byte of every command and reply, 10 bits each.
#include "Figure.h"
#include "device/Communication.h"
#include "support/ScriptedPrompts.h"
#include "support/SimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

namespace {

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

QJsonObject FullMeter()
{
    QJsonArray batches;
    for (int b = 0; b < 10; ++b) {
        QJsonArray readings;
        for (int i = 0; i < 100; ++i)
            readings.append(QJsonObject{{"status", 0},
                                        {"time", 1479889200.0 + b * 86400 + i * 60},
                                        {"conductivity", 100 + (i * 37) % 900},
                                        {"temperature", 150 + i},
                                        {"flag", 0},
                                        {"fahrenheit", 0}});
        batches.append(QJsonObject{{"slot", b * 5},
                                   {"id", b + 1},
                                   {"name", QStringLiteral("BATCH %1").arg(b + 1)},
                                   {"created", 1479888900.0 + b * 86400},
                                   {"max", 100},
                                   {"readings", readings}});
    }
    return QJsonObject{{"firmware", "V2.07"}, {"slots", 50}, {"batches", batches}};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("meter.json"));
    const QString log = dir.filePath(QStringLiteral("commands.log"));
    QFile f(state);
    f.open(QIODevice::WriteOnly);
    f.write(QJsonDocument(FullMeter()).toJson(QJsonDocument::Compact));
    f.close();

    SimProcess sim({QStringLiteral("--pace"), QStringLiteral("--state"), state, QStringLiteral("--log"), log});
    ScriptedPrompts prompts;
    TdmCommunication comm(prompts);
    if (!comm.Connect(false)) {
        std::fprintf(stderr, "bench_meter: no simulated meter\n");
        return 2;
    }
    qint64 replyBytes = 0;
    QObject::connect(&comm.DataLink(), &TMPDataLink::OnMPDLDataConf,
                     [&](const QString &reply) { replyBytes += reply.size() + 3; });
    QFile(log).resize(0);

    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    TBatches batches;
    comm.ReadBatches(batches);
    for (int i = 0; i < batches.Count(); ++i)
        comm.ReadBatchReadings(*batches.GetBatch(i));
    const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double cpu = CpuSeconds() - cpu0;

    QFile commands(log);
    commands.open(QIODevice::ReadOnly);
    qint64 commandBytes = 0, count = 0;
    while (!commands.atEnd()) {
        commandBytes += commands.readLine().trimmed().size() + 3;
        ++count;
    }
    const double bound = static_cast<double>(commandBytes + replyBytes) * 10.0 / 38400.0;
    std::printf("full meter read (%lld commands, %lld bytes)\t%.3f s\twire bound %.3f s\tratio %.3f (goal <= 1.05)\n",
                static_cast<long long>(count), static_cast<long long>(commandBytes + replyBytes), seconds, bound,
                seconds / bound);
    std::printf("application CPU during the read\t%.3f s\t%.1f %% of wall time (goal < 5 %%)\n", cpu,
                100.0 * cpu / seconds);
    Figure("full meter read at 38400 baud (10 x 100 readings)", seconds, "s", "wire-time bound", bound, "<= 1.05");
    Figure("application CPU during that read, share of wall time", 100.0 * cpu / seconds, "%", "goal", 5, "< 1");
    return 0;
}
