#include "Server.h"

#include "model/Win1252.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t StopRequested = 0;

// Longer than any command the application sends; bounds what a stray stream can pile up.
constexpr qsizetype MaxCommand = 4096;

void OnSignal(int)
{
    StopRequested = 1;
}

qint64 NowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<qint64>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

} // namespace

Server::Server(Meter &meter, Faults faults, const QString &logFile)
    : FMeter(meter)
    , FFaults(std::move(faults))
    , FLog(logFile)
    , FChaos(FFaults.ChaosSeed, FFaults.ChaosPercent, FFaults.ChaosLateMs)
{
    if (!logFile.isEmpty() && !FLog.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        FError = QStringLiteral("cannot write the log file ") + logFile;
}

Server::~Server()
{
    if (FMaster >= 0)
        ::close(FMaster);
    if (FSlave >= 0)
        ::close(FSlave);
}

QString Server::Open()
{
    FMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (FMaster < 0 || ::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0) {
        FError = QStringLiteral("cannot open a pseudo-terminal");
        return QString();
    }
    const QString path = QString::fromLocal8Bit(::ptsname(FMaster));
    FSlave = ::open(::ptsname(FMaster), O_RDWR | O_NOCTTY);
    termios tio{};
    if (FSlave < 0 || ::tcgetattr(FSlave, &tio) != 0) {
        FError = QStringLiteral("cannot open ") + path;
        return QString();
    }
    ::cfmakeraw(&tio);
    ::tcsetattr(FSlave, TCSANOW, &tio);
    ::fcntl(FMaster, F_SETFL, ::fcntl(FMaster, F_GETFL) | O_NONBLOCK);
    return path;
}

void Server::Queue(const QByteArray &bytes, qint64 startNs, qint64 stepNs)
{
    qint64 due = startNs;
    for (char b : bytes) {
        FOut.push_back({due, b});
        due += stepNs;
    }
    FTxFreeNs = qMax(FTxFreeNs, due);
}

void Server::OnByte(char b)
{
    if (b == '/') {
        FRx.clear();
        FInFrame = true;
    } else if (FInFrame && b == '\n' && FRx.endsWith('\r')) {
        FRx.chop(1);
        FInFrame = false;
        OnCommand(FromWin1252(FRx));
    } else if (FInFrame) {
        FRx.append(b);
        // A frame that never ends is dropped; the next "/" starts afresh.
        FInFrame = FRx.size() <= MaxCommand;
    }
}

void Server::OnCommand(const QString &command)
{
    if (FFaults.DropAfter >= 0 && FCommands >= FFaults.DropAfter) {
        FDropped = true;
        return;
    }
    ++FCommands;
    Log(command);
    QString reply = FMeter.Handle(command);
    if (FFaults.Silent)
        return;
    if (!FFaults.Refuse.isEmpty() &&
        (FFaults.RefuseCommand.isEmpty() || Faults::Matches(command, FFaults.RefuseCommand)))
        reply = FFaults.Refuse;
    if (!FFaults.WrongCount.isEmpty() && Faults::Matches(command, FFaults.WrongCount))
        reply += QStringLiteral(" 0");
    if (!FFaults.ShortCount.isEmpty() && Faults::Matches(command, FFaults.ShortCount))
        reply.truncate(qMax<qsizetype>(0, reply.lastIndexOf(QLatin1Char(' '))));

    const ChaosFault chaos = FFaults.ChaosPercent > 0 ? FChaos.Next() : ChaosFault{};
    if (chaos.What != ChaosFault::None)
        Log(QStringLiteral("# chaos ") + chaos.Describe());
    if (chaos.What == ChaosFault::Dropout)
        return;
    if (chaos.What == ChaosFault::Refusal)
        reply = chaos.Reply;
    const int garbage = FFaults.Garbage + (chaos.What == ChaosFault::Garbage ? chaos.Amount : 0);
    const int split = chaos.What == ChaosFault::Split ? chaos.Amount : FFaults.Split;

    QByteArray frame;
    for (int i = 0; i < garbage; ++i) {
        FRandom = FRandom * 1103515245u + 12345u;
        char g = static_cast<char>((FRandom >> 16) & 0xFF);
        frame.append(g == '/' ? 'x' : g);
    }
    frame += '/' + ToWin1252(reply) + "\r\n";

    const qint64 now = NowNs();
    const qint64 byteNs = FFaults.Baud > 0 ? 10LL * 1000000000 / FFaults.Baud : 0;
    // On a paced line the command has only arrived once its own bytes have crossed the wire.
    qint64 start = now;
    if (byteNs > 0) {
        FRxFreeNs = qMax(FRxFreeNs, now) + (command.size() + 3) * byteNs;
        start = FRxFreeNs;
    }
    if (FFaults.OneAtATime)
        start = qMax(start, FMeterFreeNs);
    start += static_cast<qint64>(FFaults.LateFor(command)) * 1000000;
    if (chaos.What == ChaosFault::Late)
        start += static_cast<qint64>(chaos.Amount) * 1000000;
    if (FFaults.OneAtATime)
        FMeterFreeNs = start;
    start = qMax(start, FTxFreeNs);
    if (byteNs > 0) {
        Queue(frame, start, byteNs);
    } else if (split > 0) {
        for (qsizetype i = 0; i < frame.size(); i += split)
            Queue(frame.mid(i, split), start + (i / split) * 2000000, 0);
    } else {
        Queue(frame, start, 0);
    }
}

void Server::Log(const QString &line)
{
    if (FLog.isOpen()) {
        FLog.write(line.toUtf8() + '\n');
        FLog.flush();
    }
}

void Server::Run()
{
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    sigset_t blocked, waitMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);

    while (!StopRequested && !FDropped) {
        // Write what is due; bytes that fell behind go out together.
        const qint64 now = NowNs();
        QByteArray due;
        qsizetype n = 0;
        while (n < static_cast<qsizetype>(FOut.size()) && FOut[n].DueNs <= now)
            due.append(FOut[n++].Byte);
        if (!due.isEmpty()) {
            const ssize_t written = ::write(FMaster, due.constData(), static_cast<size_t>(due.size()));
            // A full buffer (nobody reading) keeps the rest for later.
            FOut.erase(FOut.begin(), FOut.begin() + (written > 0 ? written : 0));
        }
        timespec timeout{1, 0};
        if (!FOut.empty()) {
            // Still due after the write: the reader is behind; try again in a millisecond.
            const bool stuck = FOut.front().DueNs <= now;
            const qint64 ns = stuck ? 1000000 : qMax<qint64>(FOut.front().DueNs - NowNs(), 0);
            timeout = {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        }
        pollfd p{FMaster, POLLIN, 0};
        const int ready = ::ppoll(&p, 1, &timeout, &waitMask);
        if (ready > 0 && (p.revents & POLLIN)) {
            char buf[4096];
            const ssize_t got = ::read(FMaster, buf, sizeof buf);
            for (ssize_t i = 0; i < got; ++i)
                OnByte(buf[i]);
        } else if (ready > 0 && (p.revents & POLLHUP)) {
            // Cannot happen while the slave is held open; guard against a busy loop all the same.
            timespec pause{0, 10000000};
            ::nanosleep(&pause, nullptr);
        }
    }
}
