#pragma once
// The frame layer: wraps every text in a start character and a stop sequence, assembles received
// bytes into frames with a small state machine, opens and closes the port, and reports every
// failure as a numbered error. It never raises.

#include "link/MpComSettings.h"
#include "link/SerialDriver.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

using TSerialDriverFactory = std::function<std::unique_ptr<TSerialDriver>()>;

class TMPFrame : public QObject {
    Q_OBJECT
public:
    // Frame-layer error codes.
    enum {
        feBufferOverrun = 1,
        feReceiverOverrun = 2,
        feParity = 3,
        feFraming = 4,
        feTransmitQueueFull = 5,
        feBreak = 6,
        feOpenFailed = 10,
        feCloseFailed = 11,
        feWriteFailed = 12,
        feTriggerFailed = 13,
        feNotOpen = 14,
        feGaveUp = 16,
    };
    enum TRxState { WaitStart, InFrame, GotCR };

    // Without a factory the port is the system's serial port.
    explicit TMPFrame(QObject *parent = nullptr, TSerialDriverFactory factory = {});
    ~TMPFrame() override;

    TMpComSettings &ComSettings() { return FComSettings; }
    qint32 TimeOutConnect() const { return FTimeOutConnect; }
    // A negative value is refused (std::out_of_range).
    void SetTimeOutConnect(qint32 ms);
    QString FrameStopChar() const { return FFrameStopChar; }
    void SetFrameStopChar(const QString &v) { FFrameStopChar = v; }
    QChar FrameStartCommandChar() const { return FFrameStartCommandChar; }
    void SetFrameStartCommandChar(QChar c) { FFrameStartCommandChar = c; }
    QChar FrameStartResponseChar() const { return FFrameStartResponseChar; }
    void SetFrameStartResponseChar(QChar c) { FFrameStartResponseChar = c; }

    // Returns when the port is open, opening failed, or TimeOutConnect has passed.
    virtual void Open();
    virtual void Close();
    void Send(const QString &data);
    void ApplySettings();
    bool Active() const { return FActive; }
    // "COM n" for every existing port, ascending.
    QStringList GetAvailablePorts() const;

signals:
    void OnMPFrameDataInd(const QString &data);
    void OnMPFrameDataSendInd();
    void OnMPFrameComError(int error);
    // The device went away; the port is closed.
    void OnMPFrameLost();

protected:
    virtual void DoDataInd(const QString &data);
    virtual void DoComError(int error);
    virtual void DoDataSendInd();
    virtual void DoDeviceLost();

    bool FConnecting = false;
    bool FConnectFailed = false;
    bool FConnectTimedOut = false;

private:
    void CreatePort();
    void OnBytesAvailable(int count);
    void OnLineError(int code);
    void OnDeviceLost();
    // The framing settings, taken once for each batch of received bytes.
    struct TRxRule {
        bool NoStart;
        char Start;
        int MaxRx;
        bool StopCR, StopLF, StopCRLF;
    };
    void Receive(char b, const TRxRule &rule);

    TMpComSettings FComSettings;
    qint32 FTimeOutConnect = 10000;
    QString FFrameStopChar = QStringLiteral("CRLF");
    QChar FFrameStartCommandChar = QLatin1Char('/');
    QChar FFrameStartResponseChar = QLatin1Char('/');
    TSerialDriverFactory FFactory;
    std::unique_ptr<TSerialDriver> FPort;
    bool FDirect = false; // the port object has been made afresh for direct use
    QTimer FConnectTimer;
    bool FActive = false;
    TRxState FRxState = WaitStart;
    QByteArray FRxBuffer;
};
