#include "model/Batches.h"

#include "model/Conversions.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"

#include <algorithm>
#include <cmath>

float CelsiusToFahrenheit(float t)
{
    return static_cast<float>(static_cast<double>(t) * 9.0 / 5.0 + 32.0);
}

float FahrenheitToCelsius(float t)
{
    return static_cast<float>((static_cast<double>(t) - 32.0) * 5.0 / 9.0);
}

QString CheckResultText(quint8 result)
{
    switch (result) {
    case crPassed:
        return QStringLiteral("Passed");
    case crFailed:
        return QStringLiteral("Failed");
    case crNotAvailable:
        return QStringLiteral("Code not available");
    default:
        return {};
    }
}

const TDeviceInfo &TBatch::DeviceInfo() const
{
    if (!FDeviceInfo)
        throw Error(QStringLiteral("Device information not assigned!."));
    return *FDeviceInfo;
}

const UserLocale &TBatch::Conventions() const
{
    return FFileConventions ? *FFileConventions : UserLocale::Current();
}

TBatch::TBatch(qint32 id)
    : FID(id)
    , FCreationDateTime(Now())
{}

void TBatch::CheckRoom()
{
    if (static_cast<qint64>(FReadings.size()) >= FMaxReadings) {
        ClearReadings();
        throw Error(QStringLiteral("Maximum number of readings is reached"));
    }
}

void TBatch::AddReading(std::unique_ptr<TReading> reading)
{
    CheckRoom();
    FReadings.push_back(std::move(reading));
}

void TBatch::AddReading(qint32 index, qint32 conductivity, TDateTime dateTime, float temperature, bool meterFlag,
                        bool fahrenheit)
{
    auto reading = std::make_unique<TReading>();
    reading->FIndex = index;
    reading->FConductivity = conductivity;
    reading->FDateTime = dateTime;
    reading->FTemperature = temperature;
    reading->FMeterFlag = meterFlag;
    reading->FFahrenheit = fahrenheit;
    AddReading(std::move(reading));
}

const std::vector<std::unique_ptr<TReading>> &TBatch::GetReadings() const
{
    if (FReadings.empty())
        throw Error(QStringLiteral("There are no readings"));
    return FReadings;
}

void TBatch::SetName(const QString &name)
{
    if (name.size() > 12)
        throw Error(QStringLiteral("The batch name is to long."));
    FName = name.leftJustified(12, QLatin1Char(' '));
}

void TBatch::SetMaxReadings(qint32 value)
{
    if (value < 0 || value > 100)
        throw Error(QStringLiteral("The maximum number off readings has to between 0 and 100."));
    FMaxReadings = value;
}

TBatch *TBatches::Add()
{
    FBatches.push_back(std::make_unique<TBatch>(FNextID));
    ++FNextID;
    return FBatches.back().get();
}

TBatch *TBatches::AddBatch(const QString &name, qint32 maxReadings)
{
    // The batch joins the list before its setters run; a refused name or maximum leaves it there.
    TBatch *batch = Add();
    batch->SetName(name);
    batch->SetMaxReadings(maxReadings);
    return batch;
}

TBatch *TBatches::AddBatch(qint32 id, const QString &name, TDateTime creationDateTime, qint32 maxReadings,
                           qint32 readingCount)
{
    TBatch *batch = AddBatch(name, maxReadings);
    batch->FID = id;
    batch->SetCreationDateTime(creationDateTime);
    batch->FReadingCount = readingCount;
    return batch;
}

void TBatches::Delete(const TBatch *batch)
{
    const auto it = std::find_if(FBatches.begin(), FBatches.end(), [&](const auto &b) { return b.get() == batch; });
    if (it != FBatches.end())
        FBatches.erase(it);
}

bool TBatches::Contains(const TBatch *batch) const
{
    return std::any_of(FBatches.begin(), FBatches.end(), [&](const auto &b) { return b.get() == batch; });
}

TBatch *TBatches::GetBatch(qint32 index) const
{
    if (index < 0 || index >= Count())
        throw Error(QStringLiteral("Index out of range."));
    return FBatches[static_cast<std::size_t>(index)].get();
}

namespace {

QString Quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Outside 5-50 °C the compensation is not trusted; NaN fails both comparisons, hence the negation.
bool OutsideWindow(float celsius)
{
    return !(celsius >= 5.0f && celsius <= 50.0f);
}

// The denominator of the compensation to 25 °C, shared by the compensated value and the surface density.
double Compensation(float celsius, const TDeviceInfo &info)
{
    return (static_cast<double>(celsius) - 25.0) * info.AutoTempComp + 1.0;
}

// The surface density before rounding; a conductivity below that of deionized water gives 0.
double SurfaceDensity(qint32 conductivity, double compensation, const TDeviceInfo &info)
{
    double s = static_cast<double>(static_cast<qint64>(conductivity) - info.DeionizedWater) * SurfaceDensityFactor;
    s = Divide(s, compensation);
    return s >= 0 ? s : 0;
}

} // namespace

TReadingRow ReadingToRow(TReading &reading, const TDeviceInfo &info)
{
    if (reading.FFahrenheit) {
        reading.FTemperature = FahrenheitToCelsius(reading.FTemperature);
        reading.FFahrenheit = false;
    }
    const float t = reading.FTemperature;
    TReadingRow row;
    row.Number = reading.FIndex + 1;
    row.DateTime = reading.FDateTime;
    row.Conductivity = reading.FConductivity;
    row.Celsius = t;
    row.Fahrenheit = CelsiusToFahrenheit(t);
    if (OutsideWindow(t)) {
        row.Compensated = row.SurfaceDensity = TFigure::None();
        if (ShowsBresle(info))
            row.Bresle = TFigure::None();
        return row;
    }
    const double d = Compensation(t, info);
    row.Compensated = TFigure::Number(RoundHalfEven(Divide(reading.FConductivity, d)));
    const double s = SurfaceDensity(reading.FConductivity, d, info);
    row.SurfaceDensity = TFigure::Number(RoundHalfEven(s));
    if (ShowsBresle(info))
        row.Bresle = TFigure::Number(RoundHalfEven(s + info.BresleOffset));
    return row;
}

QString RowToLine(const TReadingRow &row, const TDeviceInfo &info)
{
    QStringList fields = ReadingRowTexts(row, 9);
    // Outside the temperature window newer firmware writes a third "---", Bresle column or not.
    const bool outside = row.Compensated == TFigure::None();
    const int count = ShowsBresle(info) || (outside && info.IsNewerFirmware()) ? 9 : 8;
    if (outside && count == 9 && fields[rcBresle].isEmpty())
        fields[rcBresle] = NoValue;
    fields = fields.mid(0, count);
    // A row cut short in its file ends where its cells end.
    while (fields.size() > rcCompensated && fields.last().isEmpty())
        fields.removeLast();
    for (qsizetype i = 1; i < fields.size(); ++i) {
        QString &f = fields[i];
        // The temperatures and derived values are quoted so that a decimal comma does not split them
        // when the line is divided again; a date format with blanks or commas ("d MMM yyyy") is quoted
        // for the same reason, and so is any other text a file's cell held.
        const bool quoted =
            i == rcDate
                ? std::any_of(f.begin(), f.end(), [](QChar c) { return c == QLatin1Char(',') || c.unicode() <= 32; })
                : i >= rcCelsius && f != NoValue;
        if (quoted)
            f = Quoted(QString(f).replace(QLatin1Char('"'), QStringLiteral("\"\"")));
    }
    return fields.join(QLatin1Char(','));
}

QString ReadingToLine(TReading &reading, const TDeviceInfo &info)
{
    return RowToLine(ReadingToRow(reading, info), info);
}

void TBresleOffsetRange::Add(double surfaceDensity, qint64 bresle)
{
    FLines.emplace_back(surfaceDensity, bresle);
}

bool TBresleOffsetRange::Reproduces(double offset) const
{
    return std::all_of(FLines.begin(), FLines.end(),
                       [offset](const auto &line) { return RoundHalfEven(line.first + offset) == line.second; });
}

std::optional<double> TBresleOffsetRange::Offset() const
{
    if (FLines.empty())
        return std::nullopt;
    double low = -HUGE_VAL;
    double high = HUGE_VAL;
    for (const auto &[s, bresle] : FLines) {
        low = std::max(low, static_cast<double>(bresle) - 0.5 - s);
        high = std::min(high, static_cast<double>(bresle) + 0.5 - s);
    }
    // The meter's offset is a short decimal, and with it every line may sit right on a rounding limit,
    // so the limits computed here can cross by a rounding error. The middle, rounded to ever more
    // decimals, finds the meter's own value or another one inside; each candidate is checked.
    const double middle = (low + high) / 2;
    if (!(high - low > -1e-6))
        return std::nullopt;
    for (double scale = 1; scale <= 1e6; scale *= 10)
        if (const double candidate = std::round(middle * scale) / scale; Reproduces(candidate))
            return candidate;
    if (Reproduces(middle))
        return middle;
    return std::nullopt;
}

void TBresleOffsetRange::Apply(TDeviceInfo &info) const
{
    if (Reproduces(info.BresleOffset))
        return;
    if (const auto offset = Offset())
        info.BresleOffset = *offset;
}

namespace {

const QString &Field(const QStringList &fields, qsizetype i)
{
    if (i >= fields.size())
        throw Error(QStringLiteral("List index out of bounds (%1)").arg(i));
    return fields[i];
}

void FillReading(TReading &reading, QStringList &fields, TDeviceInfo &info, TBresleOffsetRange *range)
{
    reading.FIndex = StrToInt(Field(fields, 0)) - 1;

    // A spreadsheet hands dates and times back as numbers: show them as the text they were written as.
    TDateTime date;
    if (const auto day = TryStrToInt(Field(fields, 1))) {
        date = *day;
        fields[1] = DateToStr(date);
    } else {
        date = StrToDate(fields[1]);
    }
    TDateTime when;
    if (const auto fraction = TryStrToFloat(Field(fields, 2))) {
        when = date + *fraction;
        fields[2] = TimeToStr(when);
    } else {
        when = date + StrToTime(fields[2]);
    }
    reading.FDateTime = when;

    reading.FConductivity = StrToInt(Field(fields, 3));
    reading.FTemperature = static_cast<float>(StrToFloat(Field(fields, 4)));
    fields[4] = FormatFixed(reading.FTemperature, 1);
    fields[5] = FormatFixed(StrToFloat(Field(fields, 5)), 1);
    reading.FFahrenheit = false;

    if (info.IsNewerFirmware()) {
        if (fields.size() < 9) {
            info.HasBresleOffset = false;
        } else {
            const auto surface = TryStrToInt(fields[7]);
            const auto bresle = TryStrToInt(fields[8]);
            // A line outside the temperature window carries "---" and tells nothing of the offset.
            if (surface && bresle) {
                info.BresleOffset = static_cast<double>(*bresle) - *surface;
                info.HasBresleOffset = true;
                if (range && !OutsideWindow(reading.FTemperature))
                    range->Add(SurfaceDensity(reading.FConductivity, Compensation(reading.FTemperature, info), info),
                               *bresle);
            }
        }
    }
}

} // namespace

TReadingRow FileRowFromFields(const TReading &reading, const QStringList &fields)
{
    TReadingRow row;
    row.Number = reading.FIndex + 1;
    row.DateTime = reading.FDateTime;
    row.Conductivity = reading.FConductivity;
    row.Celsius = reading.FTemperature;
    row.Fahrenheit = static_cast<float>(StrToFloat(fields.value(rcFahrenheit)));
    for (int column = rcCompensated; column <= rcBresle; ++column)
        row.Figure(column) = TFigure::FromText(fields.value(column));
    return row;
}

void ReadingFromFields(TReading &reading, QStringList &fields, TDeviceInfo &info, TBresleOffsetRange *range)
{
    try {
        FillReading(reading, fields, info, range);
    } catch (const std::exception &e) {
        throw Error(QStringLiteral("A problem occurred while converting reading from string, message:\r\n") +
                    MessageOf(e));
    }
}
