#include "link/QtSerialDriver.h"

TQtSerialDriver::TQtSerialDriver(QObject *parent)
    : TSerialDriver(parent)
{}

void TQtSerialDriver::ApplySettings(const TMpComSettings &settings)
{
    FSettings = settings;
    FPortName = TPortMap::FromEnvironment().DevicePath(settings.DeviceComport());
}

bool TQtSerialDriver::Open()
{
    Close();
    if (FPortName.isEmpty())
        return false;
    FPort = std::make_unique<QSerialPort>(FPortName);
    connect(FPort.get(), &QSerialPort::readyRead, this, &TQtSerialDriver::OnReadyRead);
    connect(FPort.get(), &QSerialPort::bytesWritten, this, &TQtSerialDriver::OnBytesWritten);
    connect(FPort.get(), &QSerialPort::errorOccurred, this, &TQtSerialDriver::OnError);
    FPort->setBaudRate(FSettings.Baudrate());
    FPort->setDataBits(QSerialPort::Data8);
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    FPort->setParity(parities[FSettings.Parity() <= pSpace ? FSettings.Parity() : pNone]);
    FPort->setStopBits(FSettings.StopBits() == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    FPort->setFlowControl(QSerialPort::NoFlowControl);
    if (!FPort->open(QIODevice::ReadWrite)) {
        FPort.reset();
        return false;
    }
    // A pseudo-terminal or a simple adapter may refuse the modem lines; that is no reason to fail.
    FPort->setDataTerminalReady(FSettings.DTR());
    FPort->setRequestToSend(FSettings.RTS());
    FPort->clearError();
    FDrainArmed = false;
    return true;
}

bool TQtSerialDriver::Close()
{
    FDrainArmed = false;
    if (FPort && FPort->isOpen())
        FPort->close();
    return true;
}

bool TQtSerialDriver::IsOpen() const
{
    return FPort && FPort->isOpen();
}

bool TQtSerialDriver::FlushInput()
{
    if (!IsOpen())
        return false;
    // Bytes QSerialPort has read but nobody has taken yet, then what the system still holds.
    FPort->readAll();
    return FPort->clear(QSerialPort::Input);
}

bool TQtSerialDriver::Write(const QByteArray &bytes)
{
    return IsOpen() && FPort->write(bytes) == bytes.size();
}

char TQtSerialDriver::ReadByte()
{
    char c = 0;
    if (FPort)
        FPort->getChar(&c);
    return c;
}

bool TQtSerialDriver::ArmOutputDrained()
{
    if (!IsOpen())
        return false;
    FDrainArmed = true;
    return true;
}

bool TQtSerialDriver::ArmLineErrors()
{
    // Qt 6 reports no parity, framing, overrun or break conditions; there is nothing to arm.
    return IsOpen();
}

bool TQtSerialDriver::PortExists(int number) const
{
    return TPortMap::FromEnvironment().Exists(number);
}

void TQtSerialDriver::OnReadyRead()
{
    const qint64 count = FPort->bytesAvailable();
    if (count > 0)
        emit BytesAvailable(static_cast<int>(qMin<qint64>(count, INT_MAX)));
}

void TQtSerialDriver::OnBytesWritten()
{
    if (FDrainArmed && FPort->bytesToWrite() == 0) {
        FDrainArmed = false;
        emit OutputDrained();
    }
}

void TQtSerialDriver::OnError(QSerialPort::SerialPortError error)
{
    // A device that went away (a pulled cable, a closed pseudo-terminal) keeps signalling until the
    // port is closed; close it, so that later writes fail cleanly and nothing spins. A pseudo-terminal
    // whose other end closed reports a read error on every read, a real port one that is gone.
    if ((error == QSerialPort::ResourceError || error == QSerialPort::ReadError) && FPort->isOpen()) {
        FPort->close();
        FDrainArmed = false;
        emit DeviceLost();
    }
}
