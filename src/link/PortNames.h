#pragma once
// Serial ports are named "COM n", n from 1 to 256. On Linux n maps to a device path:
//   COM 1-32    /dev/ttyS0-31
//   COM 33-96   /dev/ttyUSB0-63
//   COM 97-160  /dev/ttyACM0-63
//   COM 161-256 the device paths listed in VORNELL_SERIAL_PORTS (':'-separated), in order.
// VORNELL_SYSTEM_PORTS=0 hides COM 1-160, so that tests and the demo never touch the machine's
// own serial lines.

#include <QString>
#include <QStringList>
#include <optional>

constexpr int FirstPortNumber = 1;
constexpr int LastPortNumber = 256;

QString PortName(int number);
// The number of a "COM n" name: its first four characters dropped, the rest converted.
std::optional<int> PortNumber(const QString &name);

class TPortMap {
public:
    // From the environment, read afresh on every call.
    static TPortMap FromEnvironment();
    TPortMap(QStringList extraPaths, bool systemPorts);

    // Empty when n maps to nothing.
    QString DevicePath(int number) const;
    // A port exists when its device is present, whether or not someone holds it open.
    bool Exists(int number) const;
    // The port number of a device path, if the map has one.
    std::optional<int> NumberOf(const QString &devicePath) const;

private:
    QStringList FExtraPaths;
    bool FSystemPorts;
};
