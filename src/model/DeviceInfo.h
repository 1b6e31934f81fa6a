#pragma once
// Everything the application knows about one meter: identity, service history and the
// measurement settings the derived values depend on.

#include "model/DateTime.h"
#include "model/QelvanVersion.h"

#include <QString>
#include <array>
#include <cstddef>

// The meter's cell constants: the 6 x 4 table row by row, then Kprop of the meter, then factory Kprop.
// The one layout the meter read, the properties sheet and the properties dialog index by.
struct TCellConstants : std::array<float, 26> {
    static constexpr int Rows = 6;
    static constexpr int Columns = 4;
    static constexpr std::size_t KpropMeter = Rows * Columns;
    static constexpr std::size_t KpropFactory = KpropMeter + 1;

    // The table cell in row and column, both from 0.
    static constexpr std::size_t Cell(int row, int column) { return static_cast<std::size_t>(row * Columns + column); }
    // KCell n (1 to Rows), the constant the properties show for a row: its first column.
    static constexpr std::size_t KCell(int n) { return Cell(n - 1, 0); }
};

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
