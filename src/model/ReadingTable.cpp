#include "model/ReadingTable.h"

#include "model/Batches.h"
#include "model/Conversions.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "model/UserLocale.h"

namespace {

const char *const Titles[] = {
    "Number",
    "Date",
    "Time",
    "Conductivity\r\n(µS/cm)",
    "Temp.\r\n(°C)",
    "Temp.\r\n(°F)",
    "Conductivity @\r\n25°C/77°F (µS/cm)",
    "Surface Density\r\n(mg/m²)",
    "Surface Density\r\n(Bresle)\r\n(mg/m²)",
};

} // namespace

TFigure TFigure::Number(qint64 value)
{
    TFigure f;
    f.FIsNumber = true;
    f.FNumber = value;
    return f;
}

TFigure TFigure::FromText(const QString &text)
{
    if (const auto value = TryStrToInt64(text))
        return Number(*value);
    TFigure f;
    f.FText = text;
    return f;
}

QString TFigure::Text() const
{
    return FIsNumber ? QString::number(FNumber) : FText;
}

const TFigure &TReadingRow::Figure(int column) const
{
    return column == rcCompensated ? Compensated : column == rcSurfaceDensity ? SurfaceDensity : Bresle;
}

TFigure &TReadingRow::Figure(int column)
{
    return column == rcCompensated ? Compensated : column == rcSurfaceDensity ? SurfaceDensity : Bresle;
}

bool ShowsBresle(const TDeviceInfo &info)
{
    return info.IsNewerFirmware() && info.HasBresleOffset;
}

int ReadingColumnCount(const TDeviceInfo &info)
{
    return ShowsBresle(info) ? 9 : 8;
}

QString ReadingColumnTitle(int column)
{
    return QString::fromUtf8(Titles[column]);
}

int ReadingColumnSection(int column)
{
    return column == 0 ? 0 : column <= 4 ? 1 : 2;
}

QList<TReadingRow> ReadingRows(TBatch &batch)
{
    return batch.FImported ? batch.FFileRows : ReadingRows(batch, batch.DeviceInfo());
}

QList<TReadingRow> ReadingRows(TBatch &batch, const TDeviceInfo &info)
{
    if (batch.FImported)
        return batch.FFileRows;
    QList<TReadingRow> rows;
    if (batch.FReadingCount <= 0)
        return rows;
    for (const auto &reading : batch.GetReadings())
        rows << ReadingToRow(*reading, info);
    return rows;
}

int ReadingColumnCount(const TBatch &batch)
{
    return ReadingColumnCount(batch.DeviceInfo());
}

QStringList ReadingRowTexts(const TReadingRow &row, int columns)
{
    QStringList cells = {QString::number(row.Number),
                         DateToStr(row.DateTime),
                         TimeToStr(row.DateTime),
                         QString::number(row.Conductivity),
                         FormatFixed(row.Celsius, 1),
                         FormatFixed(row.Fahrenheit, 1),
                         row.Compensated.Text(),
                         row.SurfaceDensity.Text(),
                         row.Bresle.Text()};
    return cells.mid(0, columns);
}

QList<QStringList> ReadingTexts(const TBatch &batch, const QList<TReadingRow> &rows)
{
    const int columns = ReadingColumnCount(batch);
    const TLocaleInForce conventions(batch.Conventions());
    QList<QStringList> texts;
    for (const TReadingRow &row : rows)
        texts << ReadingRowTexts(row, columns);
    return texts;
}
