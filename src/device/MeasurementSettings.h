#pragma once
// The meter's measurement settings as the user sees and edits them, their range checks, and reading
// and writing them in the meter. The measurement settings dialog and vornell-cli share these.

#include <QString>

class TdmCommunication;

struct TMeasurementSettings {
    // The validation fluid, only on meters of the older generation.
    qint64 G25 = 0;            // µS/cm at 25 °C
    double Alpha = 0;          // %/°C
    qint64 DeionizedWater = 0; // µS/cm
    double AutoTempComp = 0;   // %/°C, as shown (the meter keeps a fraction)
};

// The warning for a validation fluid conductivity outside 45 to 135 µS/cm, or an empty text.
QString CheckFluidConductivity(qint64 g25);
// The warning for the first value out of range, or an empty text when all may be written.
QString CheckMeasurementSettings(const TMeasurementSettings &s, bool validationFluid);
TMeasurementSettings ReadMeasurementSettings(TdmCommunication &comm, bool validationFluid);
// Reads into s in the meter's order, so that after a failure half-way s keeps the values already read
// and its earlier values for the rest.
void ReadMeasurementSettings(TdmCommunication &comm, bool validationFluid, TMeasurementSettings &s);
// Sends the values in the meter's order; the checks are the caller's, before anything is sent. A
// failure names the value that failed, those written before it and those not written.
void WriteMeasurementSettings(TdmCommunication &comm, const TMeasurementSettings &s, bool validationFluid);
