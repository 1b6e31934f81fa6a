#include "device/Communication.h"

#include "device/ExchangeLog.h"
#include "device/ReplyMatch.h"
#include "device/SplitParameters.h"
#include "link/PortNames.h"
#include "link/Wait.h"
#include "model/Errors.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTime>

namespace {

constexpr quint32 ResponseTimeOut = 500;
constexpr int IdentificationTimeOut = 7000;

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
    if (FOwedReplies > 0)
        --FOwedReplies;
}

void TdmCommunication::OnLinkError(int error)
{
    if (error >= 0 && error <= 4)
        FLastError = DataLinkErrorText(error);
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
    if (FOwedReplies > 0 && ReplyAnswers(FLastCommand, data))
        --FOwedReplies;
}

void TdmCommunication::DrainOwedReplies(const QString &command)
{
    // A command that went out more than once is answered more than once, and the meter answers in
    // order. Those replies are let in and dropped before another command goes out: that command
    // might not tell them from its own answer ("GET BATCH" repeats nothing of its slot), and a
    // meter that works through its commands one at a time would fall further behind with each.
    // The same command again may take them: they answer the same question. Past the time they
    // were waited for, they are not counted on any more.
    if (FOwedUntil.hasExpired())
        FOwedReplies = 0;
    if (command == FLastCommand)
        return;
    if (FOwedReplies > 0 && FDataLink->Active())
        WaitUntil([this] { return FOwedReplies == 0; }, FOwedUntil);
    FOwedReplies = 0;
}

QString TdmCommunication::SendCommand(const QString &command)
{
    return Exchange(command, Attempts);
}

QString TdmCommunication::Exchange(const QString &command, int transmissions)
{
    // The wait below runs other events; a second command started from one of them would take
    // this command's reply. It is refused instead.
    if (FInExchange)
        throw Error(QStringLiteral("Another command is still waiting for the Talvo. Please try again."));
    FInExchange = true;
    const auto done = qScopeGuard([this] {
        FInExchange = false;
        FDataLink->SetResponseFilter({});
    });
    DrainOwedReplies(command);
    FLastCommand = command;
    FDataLink->SetResponseFilter([command](const QString &reply) { return ReplyAnswers(command, reply); });

    FResponseReceived = false;
    FErrorReported = false;
    FConnectTimedOut = false;
    FLastResponse.clear();
    auto stamp = [] { return QTime::currentTime().toString(QStringLiteral("HH:mm:ss:zzz")); };
    int counter = transmissions;
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    qint64 lastSent = 0;
    do {
        FResponseReceived = false;
        FErrorReported = false;
        qCDebug(lcExchange).noquote()
            << QStringLiteral("Send=%1, Retries=%2TimeStamp=%3").arg(command).arg(counter).arg(stamp());
        --counter;
        const bool waiting = FDataLink->Busy(); // a refused send transmits nothing
        FDataLink->Send(command);
        if (!waiting && FDataLink->Busy()) {
            ++FOwedReplies;
            lastSent = sinceFirst.elapsed();
        }
        WaitUntil([this] { return FErrorReported || FResponseReceived || FConnectTimedOut; });
        if (FResponseReceived) {
            qCDebug(lcExchange).noquote() << QStringLiteral("Send=%1, Response=%2, Retries=%3TimeStamp=%4")
                                                 .arg(command, FLastResponse)
                                                 .arg(counter)
                                                 .arg(stamp());
            break;
        }
    } while (counter > 0);

    // The replies still owed answer the later transmissions. They are let in until seven response
    // times after the last transmission (3.5 s: a reply up to three seconds late is heard out);
    // from a meter that works through its commands one at a time, and so answers each resend as
    // late again as the answer came, until that much later if it is later still.
    const qint64 timeOut = FDataLink->TimeOutResponse();
    const qint64 now = sinceFirst.elapsed();
    qint64 until = lastSent + (2 * Attempts + 1) * timeOut;
    if (FResponseReceived)
        until = qMax(until, now + qMin(FOwedReplies, Attempts) * now + timeOut);
    FOwedUntil = QDeadlineTimer(qMax<qint64>(0, until - now), Qt::PreciseTimer);

    if (FErrorReported)
        throw Error(FLastError);
    const QString upper = FLastResponse.toUpper();
    const QString sent = QStringLiteral("\r\nCommand send was \"") + command + QLatin1Char('"');
    if (upper == QLatin1String("ERR"))
        throw Error(QStringLiteral("The Slave reported an error. ") + sent);
    if (upper == QLatin1String("P?"))
        throw Error(QStringLiteral("The Slave reported a parmeter error. ") + sent);
    if (upper == QLatin1String("C?"))
        throw Error(QStringLiteral("The Slave reported an unkown command. ") + sent);
    return FLastResponse;
}

QStringList TdmCommunication::Query(const QString &command, qsizetype count)
{
    return Parameters(SendCommand(command), count);
}

QStringList TdmCommunication::Parameters(const QString &reply, qsizetype count)
{
    const QStringList params = SplitParameters(reply);
    if (params.size() != count)
        throw Error(QStringLiteral("The received message contained a parameter error."));
    return params;
}
