// Version texts of any form: parsing never fails other than with its message, printing never fails.
#include "model/DeviceInfo.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    TQELVersion v;
    try {
        v.Parse(text);
        v.AsText();
        v.CompareWith(QStringLiteral("2.06S01"));
    } catch (const std::runtime_error &) {
    }
    TDeviceInfo info;
    try {
        info.SetSoftwareVersion(text);
    } catch (const std::runtime_error &) {
    }
    info.IsNewerFirmware();
    return 0;
}
