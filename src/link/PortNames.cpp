#include "link/PortNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

struct Range {
    int First;
    int Count;
    const char *Prefix;
};

constexpr Range SystemRanges[] = {{1, 32, "ttyS"}, {33, 64, "ttyUSB"}, {97, 64, "ttyACM"}};
constexpr int FirstExtraNumber = 161;

// A ttyS device node exists whether or not a UART is behind it; the kernel says "type 0" then.
bool HasHardware(const QString &name)
{
    const QString sys = QStringLiteral("/sys/class/tty/") + name;
    if (!QFileInfo::exists(sys + QStringLiteral("/device")))
        return false;
    if (!name.startsWith(QLatin1String("ttyS")))
        return true;
    QFile type(sys + QStringLiteral("/type"));
    return type.open(QIODevice::ReadOnly) && type.readAll().trimmed() != "0";
}

} // namespace

QString PortName(int number)
{
    return QStringLiteral("COM ") + QString::number(number);
}

std::optional<int> PortNumber(const QString &name)
{
    bool ok = false;
    const int n = name.mid(4).toInt(&ok);
    if (!ok)
        return std::nullopt;
    return n;
}

TPortMap TPortMap::FromEnvironment()
{
    const QString extra = qEnvironmentVariable("VORNELL_SERIAL_PORTS");
    const bool system = qEnvironmentVariable("VORNELL_SYSTEM_PORTS") != QLatin1String("0");
    return TPortMap(extra.split(QLatin1Char(':'), Qt::SkipEmptyParts), system);
}

TPortMap::TPortMap(QStringList extraPaths, bool systemPorts)
    : FExtraPaths(std::move(extraPaths))
    , FSystemPorts(systemPorts)
{}

QString TPortMap::DevicePath(int number) const
{
    if (number >= FirstExtraNumber && number <= LastPortNumber) {
        const int i = number - FirstExtraNumber;
        return i < FExtraPaths.size() ? FExtraPaths[i] : QString();
    }
    if (!FSystemPorts)
        return QString();
    for (const Range &r : SystemRanges)
        if (number >= r.First && number < r.First + r.Count)
            return QStringLiteral("/dev/") + QLatin1String(r.Prefix) + QString::number(number - r.First);
    return QString();
}

bool TPortMap::Exists(int number) const
{
    const QString path = DevicePath(number);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return false;
    return number >= FirstExtraNumber || HasHardware(QFileInfo(path).fileName());
}

std::optional<int> TPortMap::NumberOf(const QString &devicePath) const
{
    const QString wanted = QFileInfo(devicePath).absoluteFilePath();
    for (int n = FirstPortNumber; n <= LastPortNumber; ++n) {
        const QString path = DevicePath(n);
        if (!path.isEmpty() && QFileInfo(path).absoluteFilePath() == wanted)
            return n;
    }
    return std::nullopt;
}
