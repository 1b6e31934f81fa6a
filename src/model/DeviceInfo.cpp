#include "model/DeviceInfo.h"

namespace {

void SetVersion(QString &stored, TQELVersion &number, const QString &text)
{
    if (text == stored)
        return;
    stored = text;
    // An empty text stands for no version at all: the number is cleared, the record stays usable.
    if (text.isEmpty()) {
        number.Clear();
        return;
    }
    const QChar first = text.at(0);
    // A leading letter such as the V of V2.05 is dropped: exactly one character, whatever it is.
    number.Parse(first >= QLatin1Char('0') && first <= QLatin1Char('9') ? text : text.mid(1));
}

} // namespace

TDeviceInfo::TDeviceInfo()
    : ServiceDate(EncodeDate(1900, 1, 1))
    , ValidationDate(EncodeDate(1900, 1, 1))
{}

void TDeviceInfo::SetSoftwareVersion(const QString &text)
{
    SetVersion(SoftwareVersion, SoftwareVersionNr, text);
}

void TDeviceInfo::SetConfigVersion(const QString &text)
{
    SetVersion(ConfigVersion, ConfigVersionNr, text);
}

bool TDeviceInfo::IsNewerFirmware() const
{
    return SoftwareVersionNr.CompareWith(NewFirmwareVersion) == vcNewer;
}
