#include "Meter.h"

#include "model/QelvanVersion.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {

const QString Refused = QStringLiteral("P?");
const QString Unknown = QStringLiteral("C?");
// A setting this meter does not keep.
const QString Err1 = QStringLiteral("ERR 1");

// A reply repeats the command's words.
QString Reply(TCommand id, const QString &rest)
{
    return QLatin1String(CommandSpec(id).Words) + QLatin1Char(' ') + rest;
}

// Whether a setting of this form takes the value.
bool Takes(TSettingForm form, const QString &value)
{
    bool ok = false;
    switch (form) {
    case TSettingForm::Digit:
        return value.size() == 1 && value.at(0).isDigit();
    case TSettingForm::Integer:
        value.toInt(&ok);
        return ok;
    case TSettingForm::Number: {
        const double number = value.toDouble(&ok);
        return ok && std::isfinite(number);
    }
    case TSettingForm::Text:
        return true;
    }
    return false;
}

std::optional<qint64> Number(const QString &text)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    return ok ? std::optional<qint64>(v) : std::nullopt;
}

QString Quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// An empty text, or one holding a separator, stays one parameter at the other end only when quoted.
QString AsParameter(const QString &text)
{
    static const QString separators = QStringLiteral(" '(),:;=[]{}");
    const bool plain =
        !text.isEmpty() && std::none_of(text.begin(), text.end(), [](QChar c) { return separators.contains(c); });
    return plain ? text : Quoted(text);
}

} // namespace

Meter::Meter(MeterState state, MeterOptions options)
    : FState(std::move(state))
    , FOptions(options)
{}

bool Meter::NewerFirmware() const
{
    TQELVersion v;
    QString text = FState.Firmware;
    if (!text.isEmpty() && !text.at(0).isDigit())
        text.remove(0, 1);
    try {
        v.Parse(text);
        return v.CompareWith(QStringLiteral("2.06S01")) == vcNewer;
    } catch (const std::exception &) {
        return false;
    }
}

SimBatch *Meter::FindBatch(int id)
{
    for (auto &slot : FState.Slots)
        if (slot && slot->Id == id)
            return &*slot;
    return nullptr;
}

QString Meter::Handle(const QString &command)
{
    const TCommandSpec *spec = FindCommand(command);
    const QStringList w = CommandWords(command);
    // The meter knows its words in upper case only.
    if (!spec || w[0] + QLatin1Char(' ') + w[1] != QLatin1String(spec->Words))
        return Unknown;
    const auto parsed = ParseArguments(*spec, command);
    if (!parsed)
        return Refused;
    const QStringList &args = *parsed;
    switch (spec->Id) {
    case TCommand::GetVersion:
        return Reply(TCommand::GetVersion, QStringLiteral("Talvo ") + FState.Firmware);
    case TCommand::GetRtc:
        return Reply(TCommand::GetRtc,
                     Clock().addSecs(FState.ClockOffset).toString(QStringLiteral("HH mm ss dd MM yyyy")));
    case TCommand::GetServolt:
        return Reply(TCommand::GetServolt, QString::number(FState.ServoSeconds));
    case TCommand::GetMaxNrOfB:
        return Reply(TCommand::GetMaxNrOfB, QString::number(FState.Slots.size()));
    case TCommand::SetRtc:
        return SetRtc(args);
    case TCommand::GetBatch:
        return GetBatch(args);
    case TCommand::GetReading:
        return GetReading(args);
    case TCommand::NewBatch:
        return NewBatch(command);
    case TCommand::DelBatch:
        return DelBatch(args);
    case TCommand::GetConfig:
        return GetConfig(args);
    case TCommand::SetConfig:
        return SetConfig(args);
    case TCommand::GetC:
        return GetC(args);
    }
    return Unknown;
}

QString Meter::GetC(const QStringList &args)
{
    const auto row = Number(args[0]), col = Number(args[1]);
    if (!row || !col || *row < 0 || *row > 5 || *col < 0 || *col > 3)
        return Refused;
    return Reply(
        TCommand::GetC,
        QStringLiteral("%1 %2 %3").arg(*row).arg(*col).arg(static_cast<double>(FState.Cells[*row][*col]), 0, 'g', 7));
}

QString Meter::SetRtc(const QStringList &args)
{
    if (args.size() != 6)
        return Refused;
    int v[6];
    for (int i = 0; i < 6; ++i) {
        const auto n = Number(args[i]);
        if (!n)
            return Refused;
        v[i] = static_cast<int>(*n);
    }
    const QDate date(v[5], v[4], v[3]);
    const QTime time(v[0], v[1], v[2]);
    if (!date.isValid() || !time.isValid())
        return Refused;
    const QDateTime t(date, time);
    if (!t.isValid())
        return Refused;
    FState.ClockOffset = Clock().secsTo(t);
    return Reply(TCommand::SetRtc, args.join(QLatin1Char(' ')) + QStringLiteral(" 0"));
}

QString Meter::GetBatch(const QStringList &args)
{
    const auto slot = args.size() == 1 ? Number(args[0]) : std::nullopt;
    if (!slot || *slot < 0 || *slot >= FState.Slots.size())
        return Refused;
    const auto &b = FState.Slots[*slot];
    if (!b)
        return Reply(TCommand::GetBatch, QStringLiteral("0 1 \"\" 0 0 0"));
    return Reply(TCommand::GetBatch, QStringLiteral("%1 0 %2 %3 %4 %5")
                                         .arg(b->Id)
                                         .arg(Quoted(b->Name))
                                         .arg(b->Created)
                                         .arg(b->Max)
                                         .arg(b->Readings.size()));
}

QString Meter::GetReading(const QStringList &args)
{
    if (args.size() != 2)
        return Refused;
    const auto id = Number(args[0]), index = Number(args[1]);
    SimBatch *b = id ? FindBatch(static_cast<int>(*id)) : nullptr;
    if (!b || !index || *index < 0 || *index >= b->Readings.size())
        return Refused;
    const SimReading &r = b->Readings[*index];
    const qsizetype field = FOptions.ReadingFieldHolds == MeterOptions::BatchId ? b->Id
                            : FOptions.ReadingFieldHolds == MeterOptions::Zero
                                ? 0
                                : std::find_if(FState.Slots.begin(), FState.Slots.end(), [b](const auto &s) {
                                      return s && &*s == b;
                                  }) - FState.Slots.begin();
    return Reply(TCommand::GetReading, QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                                           .arg(field)
                                           .arg(*index)
                                           .arg(r.Status)
                                           .arg(r.Time)
                                           .arg(r.Conductivity)
                                           .arg(r.TemperatureTenths)
                                           .arg(r.Flag)
                                           .arg(r.Fahrenheit));
}

QString Meter::NewBatch(const QString &command)
{
    static const QRegularExpression form(QStringLiteral("^NEW BATCH \"([^\"]*)\" (\\d+) (\\d+)$"));
    const auto m = form.match(command);
    bool secondsFit = false;
    if (m.hasMatch())
        m.captured(2).toUInt(&secondsFit); // meter seconds are 32 bits wide
    if (!secondsFit || m.captured(1).size() > 12 || m.captured(3).toInt() > 100)
        return Refused;
    const QString echo =
        Reply(TCommand::NewBatch, QStringLiteral("%1 %2 %3 ").arg(Quoted(m.captured(1)), m.captured(2), m.captured(3)));
    const auto free = std::find_if(FState.Slots.begin(), FState.Slots.end(), [](const auto &s) { return !s; });
    if (free == FState.Slots.end())
        return echo + QStringLiteral("2 0");
    int id = 1;
    while (FindBatch(id))
        ++id;
    SimBatch b;
    b.Id = id;
    b.Name = m.captured(1);
    b.Created = m.captured(2).toUInt();
    b.Max = m.captured(3).toInt();
    *free = b;
    return echo + QStringLiteral("0 %1").arg(id);
}

QString Meter::DelBatch(const QStringList &args)
{
    const auto id = args.size() == 1 ? Number(args[0]) : std::nullopt;
    if (!id)
        return Refused;
    // A refusal carries the meter's error code where the batch ID stands otherwise; 3: not found.
    if (FOptions.DelError != 0)
        return Reply(TCommand::DelBatch, QStringLiteral("%1 -1").arg(FOptions.DelError));
    for (auto &slot : FState.Slots) {
        if (slot && slot->Id == *id) {
            slot.reset();
            return Reply(TCommand::DelBatch, QStringLiteral("%1 0").arg(*id));
        }
    }
    return Reply(TCommand::DelBatch, QStringLiteral("3 -1"));
}

QString Meter::GetConfig(const QStringList &args)
{
    const auto index = args.size() == 1 ? Number(args[0]) : std::nullopt;
    if (!index)
        return Refused;
    const TSettingSpec *setting = FindSetting(static_cast<int>(*index));
    if (FOptions.Err1 && setting && setting->Err1)
        return Err1;
    if (setting && setting->NewerFirmware && !NewerFirmware())
        return Refused;
    const auto it = FState.Config.find(static_cast<int>(*index));
    if (it == FState.Config.end())
        return Refused;
    return Reply(TCommand::GetConfig, QStringLiteral("%1 %2").arg(*index).arg(AsParameter(it.value())));
}

QString Meter::SetConfig(const QStringList &args)
{
    if (args.size() != 2)
        return Refused;
    const auto index = Number(args[0]);
    if (!index || !FState.Config.contains(static_cast<int>(*index)))
        return Refused;
    const QString &value = args[1];
    const TSettingSpec *setting = FindSetting(static_cast<int>(*index));
    if (FOptions.Err1 && setting && setting->Err1)
        return Err1;
    if (!Takes(setting ? setting->Form : TSettingForm::Number, value))
        return Refused;
    FState.Config[static_cast<int>(*index)] = value;
    return Reply(TCommand::SetConfig, QStringLiteral("%1 %2").arg(*index).arg(value));
}
