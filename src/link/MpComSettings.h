#pragma once
// The line settings of one link. Setters store a value only when it differs; none checks a range.
// RTS cannot be on while the line runs in RS-485 half-duplex mode.

#include <QString>

enum TParity { pNone = 0, pOdd = 1, pEven = 2, pMark = 3, pSpace = 4 };

class TMpComSettings {
public:
    qint32 Baudrate() const { return FBaudrate; }
    void SetBaudrate(qint32 v) { FBaudrate = v; }
    quint16 DeviceComport() const { return FDeviceComport; }
    void SetDeviceComport(quint16 v) { FDeviceComport = v; }
    // Stored only: the port always runs with 8 data bits.
    quint16 DataBits() const { return FDataBits; }
    void SetDataBits(quint16 v) { FDataBits = v; }
    TParity Parity() const { return FParity; }
    void SetParity(TParity v) { FParity = v; }
    bool RS485Mode() const { return FRS485Mode; }
    void SetRS485Mode(bool v);
    bool PromptForPort() const { return FPromptForPort; }
    void SetPromptForPort(bool v) { FPromptForPort = v; }
    quint16 StopBits() const { return FStopBits; }
    void SetStopBits(quint16 v) { FStopBits = v; }
    bool DTR() const { return FDTR; }
    void SetDTR(bool v) { FDTR = v; }
    bool RTS() const { return FRTS; }
    void SetRTS(bool v);
    // The modem path is never taken; these are plain stored values.
    bool UseModem() const { return FUseModem; }
    void SetUseModem(bool v) { FUseModem = v; }
    QString DeviceModem() const { return FDeviceModem; }
    void SetDeviceModem(const QString &v) { FDeviceModem = v; }
    QString PhoneNumber() const { return FPhoneNumber; }
    void SetPhoneNumber(const QString &v) { FPhoneNumber = v; }
    quint16 MaxAttempts() const { return FMaxAttempts; }
    void SetMaxAttempts(quint16 v) { FMaxAttempts = v; }
    quint16 RetryWait() const { return FRetryWait; }
    void SetRetryWait(quint16 v) { FRetryWait = v; }
    // Most characters one received frame may hold.
    quint16 MaxRXBuffer() const { return FMaxRXBuffer; }
    void SetMaxRXBuffer(quint16 v) { FMaxRXBuffer = v; }
    // Stored only; never read.
    quint16 MaxTxBuffer() const { return FMaxTxBuffer; }
    void SetMaxTxBuffer(quint16 v) { FMaxTxBuffer = v; }

private:
    qint32 FBaudrate = 19200;
    quint16 FDeviceComport = 1;
    quint16 FDataBits = 8;
    TParity FParity = pNone;
    bool FRS485Mode = false;
    bool FPromptForPort = false;
    quint16 FStopBits = 1;
    bool FDTR = true;
    bool FRTS = true;
    bool FUseModem = false;
    QString FDeviceModem;
    QString FPhoneNumber;
    quint16 FMaxAttempts = 3;
    quint16 FRetryWait = 60;
    quint16 FMaxRXBuffer = 4096;
    quint16 FMaxTxBuffer = 4096;
};
