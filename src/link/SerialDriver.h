#pragma once
// What the frame layer needs of a serial port, and nothing more. Notifications arrive on the
// event thread through the event queue, as a real port delivers them.

#include "link/MpComSettings.h"

#include <QByteArray>
#include <QObject>

class TSerialDriver : public QObject {
    Q_OBJECT
public:
    // Driver line-error codes, as the notification carries them.
    enum LineError {
        leBufferOverrun = 1,
        leReceiverOverrun = 2,
        leParity = 3,
        leFraming = 4,
        leCtsTimeout = 5,
        leDsrTimeout = 6,
        leDcdTimeout = 7,
        leTransmitQueueFull = 8,
        leBreak = 9,
    };

    using QObject::QObject;

    // Line settings are copied before open; the port always runs with 8 data bits, no flow control.
    virtual void ApplySettings(const TMpComSettings &settings) = 0;
    virtual bool Open() = 0;
    virtual bool Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual bool FlushInput() = 0;
    // Queues all bytes at once, in order; false when they could not be queued.
    virtual bool Write(const QByteArray &bytes) = 0;
    // The next received byte; only called for bytes announced by BytesAvailable.
    virtual char ReadByte() = 0;
    // One OutputDrained when the output buffer has become empty.
    virtual bool ArmOutputDrained() = 0;
    // LineErrorOccurred for overrun, parity, framing and break; armed again after each one.
    virtual bool ArmLineErrors() = 0;
    virtual bool PortExists(int number) const = 0;

signals:
    void BytesAvailable(int count);
    void LineErrorOccurred(int code);
    void OutputDrained();
    // The device went away (a pulled cable, a meter switched off, a closed pseudo-terminal); the
    // port is closed by then.
    void DeviceLost();
};
