#pragma once
// Everything the application knows about one meter: identity, service history and the
// measurement settings the derived values depend on.

#include "model/DateTime.h"
#include "model/QelvanVersion.h"

#include <QString>

class TDeviceInfo {
public:
    TDeviceInfo();

    // Keep the text and its parsed number in step; the same text again is not parsed again.
    void SetSoftwareVersion(const QString &text);
    void SetConfigVersion(const QString &text);

    // The one firmware generation test: strictly newer than NewFirmwareVersion.
    bool IsNewerFirmware() const;

    QString SerialNumber;
    QString SoftwareVersion;
    TQELVersion SoftwareVersionNr;
    QString ConfigVersion;
    TQELVersion ConfigVersionNr;
    TDateTime ServiceDate;
    TDateTime ValidationDate;
    double G25 = 0;
    double Alpha = 0;
    quint8 DeionizedWater = 0;
    quint16 ServoLifeTime = 0;
    double AutoTempComp = 0;
    quint16 ReadingsSinceLastService = 0;
    quint16 ReadingsSinceLastVal = 0;
    float GClean = 0;
    QString NrOfReadingsTaken;
    double BresleOffset = 0;
    bool HasBresleOffset = false;
    bool Valid = false;
};
