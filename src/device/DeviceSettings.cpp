// The meter's information record, cell constants, measurement settings and password.
#include "device/Communication.h"

#include "device/SplitParameters.h"
#include "model/Conversions.h"
#include "model/Errors.h"

#include <QScopeGuard>
#include <cmath>

namespace {

const QString ParameterError = QStringLiteral("The received message contained a parameter error.");

const QString SettingInDoubt =
    QStringLiteral("The Talvo may have taken the new value. Please read the settings again to see what it holds.");

// The meter's "ERR 1" answer: this setting is not kept in the meter.
bool IsErr1(const QStringList &p)
{
    return p.size() == 2 && p[0] == QLatin1String("ERR") && p[1] == QLatin1String("1");
}

} // namespace

double ParseDeviceFloat(const QString &text)
{
    return StrToFloat(text, QLatin1Char('.'));
}

QString FormatDeviceFloat(double value)
{
    return QString::number(value, 'g', 15);
}

QString FormatConfigVersion(quint16 number)
{
    return QString::asprintf("V%d.%.2d", number >> 8, number & 0xFF);
}

QString TdmCommunication::ReadConfig(int index)
{
    return Query(QStringLiteral("GET CONFIG ") + QString::number(index), 4)[3];
}

std::unique_ptr<TDeviceInfo> TdmCommunication::ReadDeviceInfo()
{
    EnsureConnected();
    auto info = std::make_unique<TDeviceInfo>();
    const auto finish = qScopeGuard([this] {
        emit OnStatusClear();
        emit OnProgressEnd();
    });
    emit OnStatus(QStringLiteral("Reading information from Talvo."));
    emit OnProgressEnd();
    emit OnProgressStart(16);
    auto step = [this] { emit OnProgress(1); };
    // An optional value: its parameter 3 when the reply has four parameters.
    auto optional = [this](int index) -> std::optional<QString> {
        const QStringList p = SplitParameters(SendCommand(QStringLiteral("GET CONFIG ") + QString::number(index)));
        if (p.size() != 4)
            return std::nullopt;
        return p[3];
    };

    info->SetSoftwareVersion(Query(QStringLiteral("GET VERSION"), 4)[3]);
    step();
    info->SerialNumber = ReadConfig(16);
    step();
    info->SetConfigVersion(FormatConfigVersion(static_cast<quint16>(StrToInt(ReadConfig(0)))));
    step();
    info->ServiceDate = DeviceTimeToDateTime(static_cast<quint32>(StrToInt(ReadConfig(17))));
    step();
    info->ServoLifeTime = static_cast<quint16>(StrToInt(Query(QStringLiteral("GET SERVOLT"), 3)[2]));
    step();
    info->G25 = GetG25();
    step();
    info->DeionizedWater = GetDeionizedWater();
    step();
    info->Alpha = GetAlpha();
    step();
    info->AutoTempComp = GetAutoTempComp();
    step();
    if (info->IsNewerFirmware()) {
        info->BresleOffset = GetBresleOffset();
        info->HasBresleOffset = true;
        step();
    }
    if (const auto total = optional(25))
        StrToInt64(*total); // a total that is not a number fails the read
    step();
    info->ReadingsSinceLastService = static_cast<quint16>(StrToInt(optional(26).value_or(QStringLiteral("0"))));
    step();
    info->ReadingsSinceLastVal = static_cast<quint16>(StrToInt(optional(27).value_or(QStringLiteral("0"))));
    step();
    const auto validation = optional(28);
    info->ValidationDate = validation ? DeviceTimeToDateTime(static_cast<quint32>(StrToInt(*validation))) : DeviceEpoch;
    step();
    info->GClean = static_cast<float>(ParseDeviceFloat(ReadConfig(19)));
    step();
    info->NrOfReadingsTaken = optional(25).value_or(QStringLiteral("Unknown"));
    step();
    info->Valid = true;
    return info;
}

TCellConstants TdmCommunication::ReadCellConstants()
{
    EnsureConnected();
    const auto finish = qScopeGuard([this] {
        emit OnStatusClear();
        emit OnProgressEnd();
    });
    emit OnStatus(QStringLiteral("Reading information from Talvo."));
    emit OnProgressEnd();
    TCellConstants values{};
    emit OnProgressStart(static_cast<int>(values.size()));
    values[TCellConstants::KpropFactory] = static_cast<float>(ParseDeviceFloat(ReadConfig(22)));
    emit OnProgress(1);
    values[TCellConstants::KpropMeter] = static_cast<float>(ParseDeviceFloat(ReadConfig(18)));
    emit OnProgress(1);
    for (int row = 0; row < TCellConstants::Rows; ++row) {
        for (int column = 0; column < TCellConstants::Columns; ++column) {
            const QStringList p = Query(QStringLiteral("GET C %1 %2").arg(row).arg(column), 5);
            values[TCellConstants::Cell(row, column)] = static_cast<float>(ParseDeviceFloat(p[4]));
            emit OnProgress(1);
        }
    }
    return values;
}

double TdmCommunication::GetG25()
{
    return ParseDeviceFloat(ReadConfig(10));
}

void TdmCommunication::SetConfig(int index, const QString &value)
{
    Change(SettingInDoubt, [&] { return Query(QStringLiteral("SET CONFIG %1 ").arg(index) + value, 4); });
}

QStringList TdmCommunication::SetConfigOrErr1(int index, const QString &value)
{
    return Change(SettingInDoubt, [&] {
        const QStringList p = SplitParameters(SendCommand(QStringLiteral("SET CONFIG %1 ").arg(index) + value));
        if (p.size() != 4 && !IsErr1(p))
            throw Error(ParameterError);
        return p;
    });
}

void TdmCommunication::SetG25(double value)
{
    SetConfig(10, FormatDeviceFloat(value));
}

double TdmCommunication::GetAlpha()
{
    return ParseDeviceFloat(ReadConfig(9)) * 100;
}

void TdmCommunication::SetAlpha(double value)
{
    SetConfig(9, FormatDeviceFloat(value / 100));
}

double TdmCommunication::GetBresleOffset()
{
    return ParseDeviceFloat(ReadConfig(30));
}

quint8 TdmCommunication::GetDeionizedWater()
{
    const QStringList p = SplitParameters(SendCommand(QStringLiteral("GET CONFIG 29")));
    if (p.size() == 4)
        return static_cast<quint8>(StrToInt(p[3]));
    if (IsErr1(p))
        return FDeionizedWater;
    throw Error(ParameterError);
}

void TdmCommunication::SetDeionizedWater(quint8 value)
{
    if (IsErr1(SetConfigOrErr1(29, QString::number(value))))
        FDeionizedWater = value;
}

double TdmCommunication::GetAutoTempComp()
{
    const QStringList p = SplitParameters(SendCommand(QStringLiteral("GET CONFIG 24")));
    if (p.size() == 4)
        return StrToInt(p[3]) / 1000.0;
    if (IsErr1(p))
        return FAutoTempComp;
    throw Error(ParameterError);
}

void TdmCommunication::SetAutoTempComp(double value)
{
    if (IsErr1(SetConfigOrErr1(24, QString::number(RoundHalfEven(value * 1000)))))
        FAutoTempComp = value;
}

QString TdmCommunication::GetPassword()
{
    QString password;
    for (int n = 12; n <= 15; ++n)
        password += ReadConfig(n);
    return password;
}

bool TdmCommunication::SetPassword(const QString &text)
{
    for (int i = 0; i < 4; ++i)
        if (i >= text.size() || text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            throw Error(QStringLiteral("The new password is invalid."));
    for (int n = 12; n <= 15; ++n)
        Change(QStringLiteral("The Talvo may have taken the new password or part of it. Please read the password "
                              "again to see what it holds."),
               [&] { return Query(QStringLiteral("SET CONFIG %1 ").arg(n) + text.at(n - 12), 4); });
    return true;
}
