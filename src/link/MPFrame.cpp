#include "link/MPFrame.h"

#include "link/PortNames.h"
#include "link/QtSerialDriver.h"
#include "link/Wait.h"
#include "model/Win1252.h"

#include <stdexcept>

namespace {

constexpr char CR = 0x0D;
constexpr char LF = 0x0A;

char ByteOf(QChar c)
{
    return ToWin1252(QString(c)).at(0);
}

} // namespace

TMPFrame::TMPFrame(QObject *parent, TSerialDriverFactory factory)
    : QObject(parent)
    , FFactory(std::move(factory))
{
    FConnectTimer.setSingleShot(true);
    FConnectTimer.setTimerType(Qt::PreciseTimer);
    FConnectTimer.setInterval(FTimeOutConnect);
    connect(&FConnectTimer, &QTimer::timeout, this, [this] { FConnectTimedOut = true; });
    CreatePort();
}

TMPFrame::~TMPFrame()
{
    Close();
}

void TMPFrame::SetTimeOutConnect(qint32 ms)
{
    if (ms < 0)
        throw std::out_of_range("TimeOutConnect must not be negative");
    FTimeOutConnect = ms;
    FConnectTimer.setInterval(ms);
}

void TMPFrame::CreatePort()
{
    FPort = FFactory ? FFactory() : std::make_unique<TQtSerialDriver>();
    connect(FPort.get(), &TSerialDriver::BytesAvailable, this, &TMPFrame::OnBytesAvailable);
    connect(FPort.get(), &TSerialDriver::LineErrorOccurred, this, &TMPFrame::OnLineError);
    connect(FPort.get(), &TSerialDriver::OutputDrained, this, &TMPFrame::DoDataSendInd);
    connect(FPort.get(), &TSerialDriver::DeviceLost, this, &TMPFrame::OnDeviceLost);
}

void TMPFrame::ApplySettings()
{
    FPort->ApplySettings(FComSettings);
    FRxState = WaitStart;
}

void TMPFrame::Open()
{
    if (FActive)
        return;
    FConnectTimedOut = false;
    FConnectFailed = false;
    FConnecting = true;
    FConnectTimer.start();

    if (!FDirect) {
        FPort->Close();
        CreatePort();
    }
    ApplySettings();
    FDirect = true;
    if (FPort->Open())
        FActive = true;
    else
        DoComError(feOpenFailed);

    WaitUntil([this] { return FActive || FConnectFailed || FConnectTimedOut; });

    if (FActive) {
        FConnecting = false;
        if (!FPort->ArmLineErrors())
            DoComError(feTriggerFailed);
        return;
    }
    const bool failed = FConnectFailed;
    Close();
    if (!failed)
        DoComError(feGaveUp);
}

void TMPFrame::Close()
{
    if (!FActive && !FConnecting)
        return;
    FConnectTimer.stop();
    // An open still waiting is given up; once over, later errors are reported, not swallowed.
    if (FConnecting)
        FConnectFailed = true;
    FConnecting = false;
    const bool closed = FPort->Close();
    FActive = false;
    if (!closed)
        DoComError(feCloseFailed);
}

void TMPFrame::Send(const QString &data)
{
    if (!FActive) {
        DoComError(feNotOpen);
        return;
    }
    // Late or stray bytes of an earlier exchange are thrown away before every command, and with
    // them a frame partly received: completed from the bytes after the flush, it would pass for a
    // whole reply with a piece cut out of it.
    if (!FPort->FlushInput() || !FPort->ArmOutputDrained())
        DoComError(feTriggerFailed);
    FRxState = WaitStart;
    FRxBuffer.clear();

    QByteArray frame;
    if (FFrameStartCommandChar.unicode() != 0)
        frame.append(ByteOf(FFrameStartCommandChar));
    frame.append(ToWin1252(data));
    if (FFrameStopChar == QLatin1String("CR"))
        frame.append(CR);
    else if (FFrameStopChar == QLatin1String("LF"))
        frame.append(LF);
    else
        frame.append(CR).append(LF);
    if (!FPort->Write(frame))
        DoComError(feWriteFailed);
}

QStringList TMPFrame::GetAvailablePorts() const
{
    QStringList ports;
    for (int n = FirstPortNumber; n <= LastPortNumber; ++n)
        if (FPort->PortExists(n))
            ports << PortName(n);
    return ports;
}

void TMPFrame::OnBytesAvailable(int count)
{
    const TRxRule rule{FFrameStartResponseChar.unicode() == 0,
                       FFrameStartResponseChar.unicode() == 0 ? '\0' : ByteOf(FFrameStartResponseChar),
                       FComSettings.MaxRXBuffer(),
                       FFrameStopChar == QLatin1String("CR"),
                       FFrameStopChar == QLatin1String("LF"),
                       FFrameStopChar == QLatin1String("CRLF")};
    // The port object stays the same for the whole batch: it is only replaced by Open.
    TSerialDriver *port = FPort.get();
    for (int i = 0; i < count && port->IsOpen(); ++i)
        Receive(port->ReadByte(), rule);
}

void TMPFrame::Receive(char b, const TRxRule &rule)
{
    switch (FRxState) {
    case WaitStart:
        if (rule.NoStart) {
            FRxBuffer.clear();
            if (rule.MaxRx > 0)
                FRxBuffer.append(b);
            FRxState = InFrame;
        } else if (b == rule.Start) {
            FRxBuffer.clear();
            FRxState = InFrame;
        }
        break;
    case InFrame:
        if ((b == CR && rule.StopCR) || (b == LF && rule.StopLF)) {
            FRxState = WaitStart;
            DoDataInd(FromWin1252(FRxBuffer));
        } else if (b == CR && rule.StopCRLF) {
            FRxState = GotCR;
        } else if (b == rule.Start) {
            FRxBuffer.clear();
        } else if (FRxBuffer.size() < rule.MaxRx) {
            FRxBuffer.append(b);
        } else {
            FRxState = WaitStart; // too long: the frame is abandoned
        }
        break;
    case GotCR:
        // A CR not followed by LF abandons the frame; even a start character does not begin a new one.
        FRxState = WaitStart;
        if (b == LF)
            DoDataInd(FromWin1252(FRxBuffer));
        break;
    }
}

void TMPFrame::OnLineError(int code)
{
    static const int map[] = {
        0, feBufferOverrun, feReceiverOverrun, feParity, feFraming, 0, 0, 0, feTransmitQueueFull, feBreak};
    if (code >= 1 && code <= 9 && map[code] != 0)
        DoComError(map[code]);
    if (!FPort->ArmLineErrors())
        DoComError(feTriggerFailed);
}

void TMPFrame::OnDeviceLost()
{
    if (!FActive)
        return;
    FActive = false;
    FRxState = WaitStart;
    FRxBuffer.clear();
    DoDeviceLost();
}

void TMPFrame::DoDataInd(const QString &data)
{
    emit OnMPFrameDataInd(data);
}

void TMPFrame::DoComError(int error)
{
    if (FConnecting) {
        FConnectFailed = true;
        return;
    }
    emit OnMPFrameComError(error);
}

void TMPFrame::DoDataSendInd()
{
    emit OnMPFrameDataSendInd();
}

void TMPFrame::DoDeviceLost()
{
    emit OnMPFrameLost();
}
