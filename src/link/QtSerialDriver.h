#pragma once
// The serial port driver over QSerialPort: 38400 8N1 as set, DTR and RTS on, no flow control.

#include "link/PortNames.h"
#include "link/SerialDriver.h"

#include <QSerialPort>
#include <memory>

class TQtSerialDriver : public TSerialDriver {
    Q_OBJECT
public:
    explicit TQtSerialDriver(QObject *parent = nullptr);

    void ApplySettings(const TMpComSettings &settings) override;
    bool Open() override;
    bool Close() override;
    bool IsOpen() const override;
    bool FlushInput() override;
    bool Write(const QByteArray &bytes) override;
    char ReadByte() override;
    bool ArmOutputDrained() override;
    bool ArmLineErrors() override;
    bool PortExists(int number) const override;

private:
    void OnReadyRead();
    void OnBytesWritten();
    void OnError(QSerialPort::SerialPortError error);

    // Made afresh for every open: a port that lost its device keeps no stale state.
    std::unique_ptr<QSerialPort> FPort;
    QString FPortName;
    TMpComSettings FSettings;
    bool FDrainArmed = false;
};
