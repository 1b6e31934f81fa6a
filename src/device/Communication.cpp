#include "device/Communication.h"

#include "device/ExchangeLog.h"
#include "device/ReplyMatch.h"
#include "device/SplitParameters.h"
#include "link/PortNames.h"
#include "link/Wait.h"
#include "model/Errors.h"

#include <QScopeGuard>
#include <QTime>
#include <algorithm>

namespace {

constexpr quint32 ResponseTimeOut = 500;
constexpr int IdentificationTimeOut = 7000;
// How many response times each transmission of the barrier waits.
constexpr quint32 BarrierPatience = 7;
const QString LinkLostText = QStringLiteral("The connection to the Talvo was lost.");
const QString OutOfStepText = QStringLiteral("The Talvo is still answering earlier commands.\r\n"
                                             "Please wait a moment and try again.");

} // namespace

QString DataLinkErrorText(int code)
{
    static const char *const texts[] = {"Data Link layer time out", "Data Link layer is waiting for response",
                                        "Error from Frame layer", "Port not opened", "Can not open port"};
    return code >= 0 && code <= 4 ? QString::fromLatin1(texts[code]) : QString();
}

QString FrameErrorText(int code)
{
    static const char *const texts[] = {"No Error",
                                        "Buffer overrun in COMM.DRV",
                                        "UART receiver overrun",
                                        "UART receiver parity error",
                                        "UART receiver framing error",
                                        "Transmit queue is full",
                                        "Break condition received",
                                        "Detected a busy signal",
                                        "Disconnected from remote modem",
                                        "Dial failed due to busy or other error",
                                        "Error opening device",
                                        "Error closing device",
                                        "Send failed due to buffer to small or other error",
                                        "Error while setting triggers",
                                        "Communcation device not open",
                                        "UnExpected Error",
                                        "Can not open port"};
    return code >= 0 && code <= 16 ? QString::fromLatin1(texts[code]) : QString();
}

TdmCommunication::TdmCommunication(Prompts &prompts, QObject *parent, TSerialDriverFactory factory)
    : QObject(parent)
    , FPrompts(prompts)
    , FDataLink(std::make_unique<TMPDataLink>(nullptr, std::move(factory)))
{
    FDataLink->ComSettings().SetBaudrate(38400);
    const QStringList ports = FDataLink->GetAvailablePorts();
    if (!ports.isEmpty())
        FDataLink->ComSettings().SetDeviceComport(static_cast<quint16>(PortNumber(ports.first()).value_or(1)));
    connect(FDataLink.get(), &TMPDataLink::OnMPDLDataConf, this, &TdmCommunication::OnLinkDataConf);
    connect(FDataLink.get(), &TMPDataLink::OnMPDLError, this, &TdmCommunication::OnLinkError);
    connect(FDataLink.get(), &TMPDataLink::OnMPDLFrameError, this, &TdmCommunication::OnLinkFrameError);
    connect(FDataLink.get(), &TMPDataLink::OnMPDLDiscarded, this, &TdmCommunication::OnLinkDiscarded);
    FDataLink->SetRetries(0);
    FDataLink->SetTimeOutResponse(ResponseTimeOut);
    FConnectTimeOut.setSingleShot(true);
    FConnectTimeOut.setTimerType(Qt::PreciseTimer);
    FConnectTimeOut.setInterval(IdentificationTimeOut);
    connect(&FConnectTimeOut, &QTimer::timeout, this, [this] { FConnectTimedOut = true; });
}

TdmCommunication::~TdmCommunication()
{
    if (FDataLink->Active())
        FDataLink->Close();
}

void TdmCommunication::OnLinkDataConf(const QString &data)
{
    FConnectTimeOut.stop();
    FLastResponse = data;
    FLastResponse.remove(QChar(0));
    FResponseReceived = true;
    ++FFramesHeard;
    for (qsizetype i = 0; i < FOwed.size(); ++i)
        if (FOwed[i].Command == FCommand) {
            ReplyCame(i);
            return;
        }
}

void TdmCommunication::OnLinkError(int error)
{
    if (error >= 0 && error <= 4)
        FLastError = DataLinkErrorText(error);
    if (error == TMPDataLink::dlLost) {
        // The port is closed and nothing it owed can come; the next command connects afresh.
        FLastError = LinkLostText;
        FLinkLost = true;
        FOwed.clear();
        if (FConnected) {
            FConnected = false;
            emit OnDisconnected();
        }
    }
    FErrorReported = true;
}

void TdmCommunication::OnLinkFrameError(int error)
{
    if (error >= 0 && error <= 16)
        FLastError = FrameErrorText(error);
    FErrorReported = true;
}

void TdmCommunication::OnLinkDiscarded(const QString &data)
{
    ++FFramesHeard;
    for (qsizetype i = 0; i < FOwed.size(); ++i)
        if (ReplyAnswers(FOwed[i].Command, data)) {
            ReplyCame(i);
            return;
        }
}

void TdmCommunication::ReplyCame(qsizetype owed)
{
    // The meter answers in order: the barrier's reply comes after every reply owed before it, so
    // those that have not come by then never will.
    if (FOwed[owed].Barrier) {
        FOwed.remove(0, owed + 1);
        FBarrierAnswered = true;
    } else {
        FOwed.remove(owed);
    }
}

void TdmCommunication::BringInStep(const QString &next)
{
    // Replies still owed by a meter that answered late, or not at all, would be taken for the
    // answer of the next command wherever that command cannot tell them from its own ("GET BATCH"
    // repeats nothing of its slot, "GET READING" only the reading index). The same command may
    // take them: they answer the same question. A punctual meter owes nothing and waits for
    // nothing here.
    if (std::all_of(FOwed.cbegin(), FOwed.cend(), [&next](const TOwed &o) { return o.Command == next; }))
        return;
    if (!FDataLink->Active()) {
        FOwed.clear();
        return;
    }
    // Replies up to seven response times after the last transmission are waited for and dropped,
    // in whatever order they come.
    WaitUntil([this] { return FOwed.isEmpty() || FLinkLost; }, FOwedUntil);
    if (FLinkLost)
        throw LinkError(LinkLostText);
    if (FOwed.isEmpty())
        return;

    // Later ones, or lost ones: a barrier goes out, a question that changes nothing, with words
    // that no owed command and not the next one has. The meter answers in order, so once the
    // barrier's reply is in, nothing owed is left to come.
    QStringList taken{CommandKey(next)};
    for (const TOwed &o : std::as_const(FOwed))
        taken << CommandKey(o.Command);
    // The barrier is a question that changes nothing and takes no argument.
    const auto &table = MeterCommands();
    const auto barrier = std::find_if(table.cbegin(), table.cend(), [&taken](const TCommandSpec &c) {
        return c.Args.isEmpty() && !c.Changes && !taken.contains(QLatin1String(c.Words));
    });
    if (barrier == table.cend())
        throw LinkError(OutOfStepText);
    const QString command = CommandLine(barrier->Id);

    // A meter that works through its commands one at a time answers the barrier only after all it
    // owes: the barrier waits seven response times for a reply, and goes on waiting as long as
    // owed replies keep coming. Only a line that stayed quiet may have lost it; then it goes out
    // again, at most three times.
    WaitUntil([this] { return !FDataLink->Busy(); });
    const quint32 previous = FDataLink->TimeOutResponse();
    const quint32 patience = previous * BarrierPatience;
    FDataLink->SetTimeOutResponse(patience);
    FCommand = command;
    // A refusal names no command: it may be the answer to an owed one, so it is not the barrier's.
    FDataLink->SetResponseFilter(
        [command](const QString &reply) { return !IsRefusal(reply) && ReplyAnswers(command, reply); });
    const auto restore = qScopeGuard([this, previous] {
        FDataLink->SetTimeOutResponse(previous);
        FDataLink->SetResponseFilter({});
    });
    const qsizetype owedBefore = FOwed.size();
    const int heardBefore = FFramesHeard;
    FBarrierAnswered = false;
    const auto inStep = [this] { return FLinkLost || FBarrierAnswered; };
    bool send = true;
    for (int round = 0, quiet = 0; !inStep() && quiet < Attempts && round < owedBefore + Attempts; ++round) {
        const int heard = FFramesHeard;
        if (send) {
            qCDebug(lcExchange).noquote() << QStringLiteral("Barrier=%1").arg(command);
            const bool waiting = FDataLink->Busy();
            FDataLink->Send(command);
            if (!waiting && FDataLink->Busy())
                FOwed.append({command, true});
            WaitUntil([&] { return inStep() || !FDataLink->Busy(); });
        } else {
            WaitUntil(inStep, QDeadlineTimer(patience, Qt::PreciseTimer));
        }
        send = FFramesHeard == heard;
        quiet += send ? 1 : 0;
    }
    if (FLinkLost)
        throw LinkError(LinkLostText);
    if (!inStep())
        // Nothing at all came back: the meter is silent, not behind.
        throw LinkError(FFramesHeard == heardBefore ? DataLinkErrorText(TMPDataLink::dlTimeOut) : OutOfStepText);
}

QString TdmCommunication::SendCommand(const QString &command)
{
    return Exchange(command, Attempts);
}

QString TdmCommunication::Exchange(const QString &command, int transmissions, quint32 timeOut)
{
    // The wait below runs other events; a second command started from one of them would take
    // this command's reply. It is refused instead.
    if (FInExchange)
        throw Error(QStringLiteral("Another command is still waiting for the Talvo. Please try again."));
    FInExchange = true;
    const auto done = qScopeGuard([this] { FInExchange = false; });
    FSent = 0;
    FRefused = false;
    // The line is brought in step with the usual response time; a longer one is this command's own.
    BringInStep(command);
    FSent = 0;
    const quint32 previous = FDataLink->TimeOutResponse();
    if (timeOut != 0)
        FDataLink->SetTimeOutResponse(timeOut);
    const auto restore = qScopeGuard([this, previous] { FDataLink->SetTimeOutResponse(previous); });
    return Transmit(command, transmissions, BarrierPatience * previous);
}

QString TdmCommunication::Transmit(const QString &command, int transmissions, quint32 owedFor)
{
    FCommand = command;
    FDataLink->SetResponseFilter([command](const QString &reply) { return ReplyAnswers(command, reply); });
    const auto done = qScopeGuard([this] { FDataLink->SetResponseFilter({}); });

    FResponseReceived = false;
    FErrorReported = false;
    FConnectTimedOut = false;
    FRefused = false;
    FLastResponse.clear();
    auto stamp = [] { return QTime::currentTime().toString(QStringLiteral("HH:mm:ss:zzz")); };
    int counter = transmissions;
    do {
        FResponseReceived = false;
        FErrorReported = false;
        qCDebug(lcExchange).noquote()
            << QStringLiteral("Send=%1, Retries=%2TimeStamp=%3").arg(command).arg(counter).arg(stamp());
        --counter;
        const bool waiting = FDataLink->Busy(); // a refused send transmits nothing
        FDataLink->Send(command);
        if (!waiting && FDataLink->Busy()) {
            FOwed.append({command, false});
            ++FSent;
            FOwedUntil = QDeadlineTimer(owedFor, Qt::PreciseTimer);
        }
        WaitUntil([this] { return FErrorReported || FResponseReceived || FConnectTimedOut; });
        if (FLinkLost)
            throw LinkError(LinkLostText);
        if (FResponseReceived) {
            qCDebug(lcExchange).noquote() << QStringLiteral("Send=%1, Response=%2, Retries=%3TimeStamp=%4")
                                                 .arg(command, FLastResponse)
                                                 .arg(counter)
                                                 .arg(stamp());
            break;
        }
    } while (counter > 0);

    if (FErrorReported)
        throw Error(FLastError);
    const QString upper = FLastResponse.toUpper();
    const QString sent = QStringLiteral("\r\nCommand send was \"") + command + QLatin1Char('"');
    FRefused = upper == QLatin1String("ERR") || upper == QLatin1String("P?") || upper == QLatin1String("C?");
    if (upper == QLatin1String("ERR"))
        throw Error(QStringLiteral("The Slave reported an error. ") + sent);
    if (upper == QLatin1String("P?"))
        throw Error(QStringLiteral("The Slave reported a parmeter error. ") + sent);
    if (upper == QLatin1String("C?"))
        throw Error(QStringLiteral("The Slave reported an unkown command. ") + sent);
    return FLastResponse;
}

QStringList TdmCommunication::Change(const QString &hint, const std::function<QStringList()> &query)
{
    try {
        return query();
    } catch (const Error &e) {
        // Refused, or never sent: the meter did not carry it out. Anything else proves nothing.
        if (FSent == 0 || FRefused)
            throw;
        const QString message = e.message() + QStringLiteral("\r\n") + hint;
        RaiseLike(e, message);
    }
}

QString TdmCommunication::Send(TCommand id, const QStringList &args)
{
    const QString line = CommandLine(id, args);
    const TCommandSpec &spec = CommandSpec(id);
    if (spec.TimeOut == TTimeOutClass::Resent)
        return Exchange(line, Attempts);
    // Sent again, such a command would be carried out again: a second batch of the same name, or
    // a deletion reported as failed because the first one did it. It goes out once and is given
    // the time all the transmissions would have had.
    return Exchange(
        line, 1,
        Attempts * (spec.TimeOut == TTimeOutClass::OnceNewBatch ? FNewBatchTimeOut : FDataLink->TimeOutResponse()));
}

QStringList TdmCommunication::Ask(TCommand id, const QStringList &args)
{
    return SplitParameters(Send(id, args));
}

QStringList TdmCommunication::Query(TCommand id, const QStringList &args)
{
    const QStringList params = Ask(id, args);
    if (!Fits(id, params))
        WrongCount(id);
    return params;
}

void TdmCommunication::WrongCount(TCommand id)
{
    throw Error(QString::fromLatin1(CommandSpec(id).WrongCountText));
}

bool TdmCommunication::Fits(TCommand id, const QStringList &params)
{
    return params.size() == CommandSpec(id).ReplyCount;
}
