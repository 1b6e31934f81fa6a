#include "model/BatchStatistics.h"

#include "model/Batches.h"
#include "model/Conversions.h"
#include "model/Errors.h"
#include "model/ReadingTable.h"

#include <algorithm>
#include <cmath>
#include <limits>

int StrToAcceptanceLimit(const QString &text)
{
    const std::optional<qint32> value = TryStrToInt(text);
    if (!value || *value < MinAcceptanceLimit || *value > MaxAcceptanceLimit)
        throw ConvertError(QStringLiteral("The acceptance limit has to be a whole number of mg/m² from %1 to %2.")
                               .arg(MinAcceptanceLimit)
                               .arg(MaxAcceptanceLimit));
    return *value;
}

int JudgedColumn(const TDeviceInfo &info)
{
    return ShowsBresle(info) ? 8 : 7;
}

QString JudgedFigureName(int column)
{
    return column == 8 ? QStringLiteral("Bresle value") : QStringLiteral("Surface density");
}

int JudgedColumn(const TBatch &batch)
{
    return JudgedColumn(batch.DeviceInfo());
}

std::optional<int> JudgedFigure(const TReadingRow &row, int column)
{
    const auto value = row.Figure(column).Value();
    if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*value);
}

bool IsAboveLimit(int figure, TAcceptanceLimit limit)
{
    return limit && figure > *limit;
}

TBatchStatistics ComputeStatistics(const QList<TReadingRow> &rows, int column, TAcceptanceLimit limit)
{
    QList<int> figures;
    for (const TReadingRow &row : rows)
        if (const auto figure = JudgedFigure(row, column))
            figures << *figure;
    TBatchStatistics s;
    s.Readings = static_cast<int>(figures.size());
    if (limit)
        s.AboveLimit = static_cast<int>(
            std::count_if(figures.begin(), figures.end(), [&](int f) { return IsAboveLimit(f, limit); }));
    if (figures.isEmpty())
        return s;
    const auto [min, max] = std::minmax_element(figures.begin(), figures.end());
    s.Minimum = *min;
    s.Maximum = *max;
    double sum = 0;
    for (int f : figures)
        sum += f;
    s.Mean = sum / s.Readings;
    if (s.Readings > 1) {
        double squares = 0;
        for (int f : figures)
            squares += (f - s.Mean) * (f - s.Mean);
        s.StandardDeviation = std::sqrt(squares / (s.Readings - 1));
    }
    return s;
}

QList<std::pair<QString, QString>> StatisticsLines(const TBatchStatistics &s)
{
    const QString none = NoValue;
    QList<std::pair<QString, QString>> lines = {
        {QStringLiteral("Readings"), QString::number(s.Readings)},
        {QStringLiteral("Mean"), s.Readings > 0 ? FormatFixed(s.Mean, 1) : none},
        {QStringLiteral("Minimum"), s.Readings > 0 ? QString::number(s.Minimum) : none},
        {QStringLiteral("Maximum"), s.Readings > 0 ? QString::number(s.Maximum) : none},
        {QStringLiteral("Standard deviation"), s.Readings > 1 ? FormatFixed(s.StandardDeviation, 1) : none},
    };
    if (s.AboveLimit)
        lines.append({QStringLiteral("Above limit"), QString::number(*s.AboveLimit)});
    return lines;
}
