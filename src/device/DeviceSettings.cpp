// The meter's information record, cell constants, measurement settings and password.
#include "device/Communication.h"

#include "model/Conversions.h"
#include "model/Errors.h"

#include <QScopeGuard>
#include <cmath>

namespace {

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
    return Query(TCommand::GetConfig, {QString::number(index)})[3];
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
        const QStringList p = Ask(TCommand::GetConfig, {QString::number(index)});
        if (!Fits(TCommand::GetConfig, p))
            return std::nullopt;
        return p[3];
    };

    info->SetSoftwareVersion(Query(TCommand::GetVersion)[3]);
    step();
    info->SerialNumber = ReadConfig(Setting::SerialNumber);
    step();
    info->SetConfigVersion(FormatConfigVersion(static_cast<quint16>(StrToInt(ReadConfig(Setting::ConfigVersion)))));
    step();
    info->ServiceDate = DeviceTimeToDateTime(static_cast<quint32>(StrToInt(ReadConfig(Setting::ServiceDate))));
    step();
    info->ServoLifeTime = static_cast<quint16>(StrToInt(Query(TCommand::GetServolt)[2]));
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
    if (const auto total = optional(Setting::NrOfReadingsTaken))
        StrToInt64(*total); // a total that is not a number fails the read
    step();
    info->ReadingsSinceLastService =
        static_cast<quint16>(StrToInt(optional(Setting::ReadingsSinceLastService).value_or(QStringLiteral("0"))));
    step();
    info->ReadingsSinceLastVal =
        static_cast<quint16>(StrToInt(optional(Setting::ReadingsSinceLastVal).value_or(QStringLiteral("0"))));
    step();
    const auto validation = optional(Setting::ValidationDate);
    info->ValidationDate = validation ? DeviceTimeToDateTime(static_cast<quint32>(StrToInt(*validation))) : DeviceEpoch;
    step();
    info->GClean = static_cast<float>(ParseDeviceFloat(ReadConfig(Setting::GClean)));
    step();
    info->NrOfReadingsTaken = optional(Setting::NrOfReadingsTaken).value_or(QStringLiteral("Unknown"));
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
    values[TCellConstants::KpropFactory] = static_cast<float>(ParseDeviceFloat(ReadConfig(Setting::KpropFactory)));
    emit OnProgress(1);
    values[TCellConstants::KpropMeter] = static_cast<float>(ParseDeviceFloat(ReadConfig(Setting::KpropMeter)));
    emit OnProgress(1);
    for (int row = 0; row < TCellConstants::Rows; ++row) {
        for (int column = 0; column < TCellConstants::Columns; ++column) {
            const QStringList p = Query(TCommand::GetC, {QString::number(row), QString::number(column)});
            values[TCellConstants::Cell(row, column)] = static_cast<float>(ParseDeviceFloat(p[4]));
            emit OnProgress(1);
        }
    }
    return values;
}

double TdmCommunication::GetG25()
{
    return ParseDeviceFloat(ReadConfig(Setting::G25));
}

void TdmCommunication::SetConfig(int index, const QString &value)
{
    Change(SettingInDoubt, [&] { return Query(TCommand::SetConfig, {QString::number(index), value}); });
}

QStringList TdmCommunication::SetConfigOrErr1(int index, const QString &value)
{
    return Change(SettingInDoubt, [&] {
        const QStringList p = Ask(TCommand::SetConfig, {QString::number(index), value});
        if (!Fits(TCommand::SetConfig, p) && !IsErr1(p))
            WrongCount(TCommand::SetConfig);
        return p;
    });
}

void TdmCommunication::SetG25(double value)
{
    SetConfig(Setting::G25, FormatDeviceFloat(value));
}

double TdmCommunication::GetAlpha()
{
    return ParseDeviceFloat(ReadConfig(Setting::Alpha)) * 100;
}

void TdmCommunication::SetAlpha(double value)
{
    SetConfig(Setting::Alpha, FormatDeviceFloat(value / 100));
}

double TdmCommunication::GetBresleOffset()
{
    return ParseDeviceFloat(ReadConfig(Setting::BresleOffset));
}

quint8 TdmCommunication::GetDeionizedWater()
{
    const QStringList p = Ask(TCommand::GetConfig, {QString::number(Setting::DeionizedWater)});
    if (Fits(TCommand::GetConfig, p))
        return static_cast<quint8>(StrToInt(p[3]));
    if (IsErr1(p))
        return FDeionizedWater;
    WrongCount(TCommand::GetConfig);
}

void TdmCommunication::SetDeionizedWater(quint8 value)
{
    if (IsErr1(SetConfigOrErr1(Setting::DeionizedWater, QString::number(value))))
        FDeionizedWater = value;
}

double TdmCommunication::GetAutoTempComp()
{
    const QStringList p = Ask(TCommand::GetConfig, {QString::number(Setting::AutoTempComp)});
    if (Fits(TCommand::GetConfig, p))
        return StrToInt(p[3]) / 1000.0;
    if (IsErr1(p))
        return FAutoTempComp;
    WrongCount(TCommand::GetConfig);
}

void TdmCommunication::SetAutoTempComp(double value)
{
    if (IsErr1(SetConfigOrErr1(Setting::AutoTempComp, QString::number(RoundHalfEven(value * 1000)))))
        FAutoTempComp = value;
}

QString TdmCommunication::GetPassword()
{
    QString password;
    for (int n = Setting::PasswordFirst; n <= Setting::PasswordLast; ++n)
        password += ReadConfig(n);
    return password;
}

bool TdmCommunication::SetPassword(const QString &text)
{
    for (int i = 0; i < 4; ++i)
        if (i >= text.size() || text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            throw Error(QStringLiteral("The new password is invalid."));
    for (int n = Setting::PasswordFirst; n <= Setting::PasswordLast; ++n)
        Change(QStringLiteral("The Talvo may have taken the new password or part of it. Please read the password "
                              "again to see what it holds."),
               [&] {
                   return Query(TCommand::SetConfig, {QString::number(n), text.at(n - Setting::PasswordFirst)});
               });
    return true;
}
