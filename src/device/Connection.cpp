// Finding the meter on the serial ports, identifying it, its clock, and disconnecting.
#include "device/Communication.h"

#include "device/SplitParameters.h"
#include "link/PortNames.h"
#include "link/Wait.h"
#include "model/Conversions.h"
#include "model/Errors.h"
#include "model/Prompts.h"

#include <QScopeGuard>

namespace {

constexpr qint64 ClockTolerance = 5 * 60 * 1000; // ms
// The shortest time between two "GET VERSION" of one identification, ms.
constexpr qint64 IdentifyPace = 100;

} // namespace

void TdmCommunication::SetPreferredPort(qint32 port)
{
    if (port == FPreferredPort)
        return;
    if (FDataLink->GetAvailablePorts().contains(PortName(port))) {
        FPreferredPort = port;
        FDataLink->ComSettings().SetDeviceComport(static_cast<quint16>(port));
    } else {
        FPreferredPort = -1;
    }
}

bool TdmCommunication::Identify()
{
    FConnectTimedOut = false;
    FConnectTimeOut.start();
    // Any reply stops the time-out timer, so a meter that refuses every "GET VERSION" would keep
    // this going for ever; the same seven seconds bound the whole identification.
    const QDeadlineTimer bound(FConnectTimeOut.interval(), Qt::PreciseTimer);
    for (;;) {
        const QDeadlineTimer pace(IdentifyPace, Qt::PreciseTimer);
        try {
            if (!Send(TCommand::GetVersion, {}).isEmpty())
                return true;
        } catch (const std::exception &) {
            // A silent or refusing port; keep asking until the time is up. While the link still
            // waits for an earlier transmission every command is refused at once: wait for it.
            // A meter that refuses at once is asked no faster than the pace allows.
            WaitUntil([this] { return !FDataLink->Busy() || FConnectTimedOut; }, bound);
            WaitUntil([this] { return FConnectTimedOut; }, qMin(pace, bound));
        }
        if (FConnectTimedOut || bound.hasExpired()) {
            FConnectTimeOut.stop();
            return false;
        }
    }
}

bool TdmCommunication::Connect(bool checkClock)
{
    if (FConnected)
        throw Error(QStringLiteral("Port is already open. Please close port first."));
    emit OnConnecting();
    const auto finish = qScopeGuard([this] {
        if (FConnected)
            emit OnConnected();
        else
            emit OnDisconnected();
    });

    QStringList ports = FDataLink->GetAvailablePorts();
    if (FPreferredPort != -1 && ports.contains(PortName(FPreferredPort))) {
        ports.removeAll(PortName(FPreferredPort));
        ports.prepend(PortName(FPreferredPort));
    }
    for (const QString &name : ports) {
        emit OnStatus(QStringLiteral("Trying to connect to ") + name);
        const int number = PortNumber(name).value_or(0);
        FDataLink->ComSettings().SetDeviceComport(static_cast<quint16>(number));
        FDataLink->Open();
        // What another port owed does not come on this one.
        FOwed.clear();
        FLinkLost = false;
        if (FDataLink->Active() && Identify()) {
            const QStringList params = SplitParameters(FLastResponse);
            if (params.size() > 2) {
                TDeviceInfo info;
                info.SetSoftwareVersion(params.size() == 4 ? params[3] : FLastResponse);
                FConnected = true;
                FPreferredPort = number;
                emit OnStatus(QStringLiteral("Connect to Talvo on serial port ") + name);
                emit OnDeviceInfo(info);
                if (checkClock)
                    CheckClock();
                return FConnected;
            }
        }
        FDataLink->Close();
    }
    emit OnStatusClear();
    return FConnected;
}

void TdmCommunication::CheckClock()
{
    const QDateTime meter = QDateTimeFromDateTime(GetDeviceTime());
    FClockDifference = NowQDateTime().msecsTo(meter);
    if (qAbs(FClockDifference) <= ClockTolerance)
        return;
    const TMsgResult answer = FPrompts.Message(
        TMsgKind::Information,
        QStringLiteral(
            "Time difference between PC and Talvo is more then 5 minutes.\r\nDo you want to synchronize the time?"),
        TMsgButtons::YesNo);
    if (answer == TMsgResult::Yes)
        SetDeviceTime(Now()); // the time of the answer, not of the measurement
}

void TdmCommunication::Disconnect()
{
    FDataLink->Close();
    FConnected = false;
    emit OnDisconnected();
}

void TdmCommunication::EnsureConnected()
{
    if (!FConnected)
        Connect(true);
    if (!FConnected)
        throw Error(QStringLiteral("Could not connect to Talvo."));
}

TDateTime TdmCommunication::GetDeviceTime()
{
    const QStringList p = Query(TCommand::GetRtc);
    const QTime time(StrToInt(p[2]), StrToInt(p[3]), StrToInt(p[4]));
    const QDate date(StrToInt(p[7]), StrToInt(p[6]), StrToInt(p[5]));
    if (!time.isValid() || !date.isValid())
        throw ConvertError(QStringLiteral("'%1' is not a valid date").arg(p.mid(2).join(QLatin1Char(' '))));
    return EncodeDateTime(date, time);
}

void TdmCommunication::SetDeviceTime(TDateTime value)
{
    const QStringList fields =
        QDateTimeFromDateTime(value).toString(QStringLiteral("HH mm ss dd MM yyyy")).split(QLatin1Char(' '));
    Change(
        QStringLiteral("The Talvo may have set its clock. Please read its date and time again to see what it holds."),
        [&] { return Query(TCommand::SetRtc, fields); });
}
