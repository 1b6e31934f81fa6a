#include "device/MeasurementSettings.h"

#include "device/Communication.h"
#include "model/Conversions.h"

QString CheckFluidConductivity(qint64 g25)
{
    if (g25 < 45 || g25 > 135)
        return QStringLiteral("Please supply a valid fluid conductivity.\r\n"
                              "Fluid conductivity must be between 45µS/cm and 135µS/cm");
    return QString();
}

QString CheckMeasurementSettings(const TMeasurementSettings &s, bool validationFluid)
{
    if (validationFluid) {
        if (const QString problem = CheckFluidConductivity(s.G25); !problem.isEmpty())
            return problem;
        if (!(s.Alpha >= 0) || s.Alpha > 100)
            return QStringLiteral("The calibration fluid temperature coefficient is out of range.\r\n"
                                  "The temperature coefficient value must be between 0.0 and 100.0 %. ");
    }
    if (s.DeionizedWater < 0 || s.DeionizedWater > 9)
        return QStringLiteral("The deionized water conductivity value is out of range.\r\n"
                              "The deionized water conductivity must be between 0 µS/cm and 9 µS/cm.");
    if (!(s.AutoTempComp >= 0) || s.AutoTempComp > 5)
        return QStringLiteral("The compensation factor is out of range.\r\n"
                              "The temperature coefficient value must be between 0.0 and 5.0 %.");
    return QString();
}

TMeasurementSettings ReadMeasurementSettings(TdmCommunication &comm, bool validationFluid)
{
    TMeasurementSettings s;
    ReadMeasurementSettings(comm, validationFluid, s);
    return s;
}

void ReadMeasurementSettings(TdmCommunication &comm, bool validationFluid, TMeasurementSettings &s)
{
    if (validationFluid) {
        s.Alpha = comm.GetAlpha();
        s.G25 = RoundHalfEven(comm.GetG25());
    }
    s.DeionizedWater = comm.GetDeionizedWater();
    s.AutoTempComp = comm.GetAutoTempComp() * 100;
}

void WriteMeasurementSettings(TdmCommunication &comm, const TMeasurementSettings &s, bool validationFluid)
{
    if (validationFluid) {
        comm.SetG25(static_cast<double>(s.G25));
        comm.SetAlpha(s.Alpha);
    }
    comm.SetDeionizedWater(static_cast<quint8>(s.DeionizedWater));
    comm.SetAutoTempComp(s.AutoTempComp / 100);
}
