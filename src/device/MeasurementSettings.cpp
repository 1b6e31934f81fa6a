#include "device/MeasurementSettings.h"

#include "device/Communication.h"
#include "model/Conversions.h"
#include "model/Errors.h"

#include <QList>
#include <functional>

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
    struct Step {
        QString Label;
        std::function<void()> Write;
    };
    QList<Step> steps;
    if (validationFluid) {
        steps.append(
            {QStringLiteral("Validation Fluid Conductivity"), [&] { comm.SetG25(static_cast<double>(s.G25)); }});
        steps.append({QStringLiteral("Validation Fluid Temp. Coefficient"), [&] { comm.SetAlpha(s.Alpha); }});
    }
    steps.append({QStringLiteral("Conductivity Deionized Water"),
                  [&] { comm.SetDeionizedWater(static_cast<quint8>(s.DeionizedWater)); }});
    steps.append({QStringLiteral("Compensation Factor"), [&] { comm.SetAutoTempComp(s.AutoTempComp / 100); }});

    // A write that fails half-way leaves the meter with some values new and some old: the message
    // says which.
    const auto labels = [&steps](qsizetype from, qsizetype to) {
        QStringList names;
        for (qsizetype i = from; i < to; ++i)
            names << steps[i].Label;
        return names.join(QStringLiteral(", "));
    };
    for (qsizetype i = 0; i < steps.size(); ++i) {
        try {
            steps[i].Write();
        } catch (const Error &e) {
            QString message = e.message() + QStringLiteral("\r\nFailed: ") + steps[i].Label + QLatin1Char('.');
            if (i > 0)
                message += QStringLiteral("\r\nWritten: ") + labels(0, i) + QLatin1Char('.');
            if (i + 1 < steps.size())
                message += QStringLiteral("\r\nNot written: ") + labels(i + 1, steps.size()) + QLatin1Char('.');
            RaiseLike(e, message);
        }
    }
}
