#pragma once
// What the device dialog tests share: a simulated meter with its command log, a communication module
// and scripted prompts, meter states made from the small fixture, and a way to act on a modal dialog
// once it runs.

#include "device/Communication.h"
#include "support/ScriptedPrompts.h"
#include "support/SimProcess.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#ifndef FIXTURES
#error "FIXTURES must name the test fixture folder"
#endif

inline const QString SmallMeter = QStringLiteral(FIXTURES "/sim/small.json");
inline const QString OlderFirmware = QStringLiteral("2.06S01");

inline QStringList LogOf(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The small meter with a cell constant table (row r, column c holds 0.95 + 0.01 x (4r + c)) and some
// of its top-level values or settings replaced, written into dir.
inline QString MeterState(const QTemporaryDir &dir, const QJsonObject &top = {}, const QJsonObject &config = {})
{
    QFile in(SmallMeter);
    in.open(QIODevice::ReadOnly);
    QJsonObject state = QJsonDocument::fromJson(in.readAll()).object();
    QJsonArray cells;
    for (int r = 0; r < 6; ++r) {
        QJsonArray row;
        for (int c = 0; c < 4; ++c)
            row.append(0.95 + 0.01 * (r * 4 + c));
        cells.append(row);
    }
    state.insert(QStringLiteral("cells"), cells);
    for (auto it = top.begin(); it != top.end(); ++it)
        state.insert(it.key(), it.value());
    QJsonObject settings = state.value(QStringLiteral("config")).toObject();
    for (auto it = config.begin(); it != config.end(); ++it)
        settings.insert(it.key(), it.value());
    state.insert(QStringLiteral("config"), settings);
    static int count = 0;
    const QString file = dir.filePath(QStringLiteral("meter%1.json").arg(++count));
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    out.write(QJsonDocument(state).toJson());
    return file;
}

struct SimRig {
    QTemporaryDir dir;
    QString log = dir.filePath(QStringLiteral("commands.log"));
    SimProcess sim;
    ScriptedPrompts prompts;
    TdmCommunication comm{prompts};
    qsizetype mark = 0;

    // Flags for talvo-sim; without --state the small meter of MeterState.
    explicit SimRig(QStringList args = {})
        : sim(WithDefaults(args, dir, log))
    {
        comm.ConnectTimeOutTimer().setInterval(300);
    }
    QStringList Log() const { return LogOf(log); }
    // The commands the meter received since the last Mark().
    QStringList Sent() const { return Log().mid(mark); }
    void Mark() { mark = Log().size(); }
    // No exchange with the meter is waiting for its response.
    std::function<bool()> Idle()
    {
        return [this] { return !comm.DataLink().Busy(); };
    }

private:
    static QStringList WithDefaults(QStringList args, const QTemporaryDir &dir, const QString &log)
    {
        if (!args.contains(QStringLiteral("--state")))
            args << QStringLiteral("--state") << MeterState(dir);
        return args << QStringLiteral("--log") << log;
    }
};

// Runs fn on the first modal dialog of type T once it is shown; the test goes on inside the dialog's
// own event loop, as a user would. A dialog that talks to the meter as it opens is acted on only once
// ready() holds (the exchange is over). Stops looking when it goes out of scope.
template <class T> class WhenShown {
public:
    explicit WhenShown(std::function<void(T &)> fn, std::function<bool()> ready = {})
    {
        FTimer.setInterval(5);
        QObject::connect(&FTimer, &QTimer::timeout, &FTimer, [this, fn, ready] {
            auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || (ready && !ready()))
                return;
            FTimer.stop();
            FReached = true;
            fn(*dialog);
        });
        FTimer.start();
    }
    WhenShown(const WhenShown &) = delete;
    WhenShown &operator=(const WhenShown &) = delete;
    bool Reached() const { return FReached; }

private:
    QTimer FTimer;
    bool FReached = false;
};
