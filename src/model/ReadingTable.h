#pragma once
// The readings table as the batch window shows it, the files hold it and the report prints it: its
// columns and one typed row per reading. A row holds numbers and "no value" as such; they become text
// only where they are shown, written or printed.

#include "model/DateTime.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class TBatch;
class TDeviceInfo;

// The columns, by position in the grid, the file's reading rows and the report.
enum TReadingColumn : int {
    rcNumber = 0,
    rcDate,
    rcTime,
    rcConductivity,
    rcCelsius,
    rcFahrenheit,
    rcCompensated,
    rcSurfaceDensity,
    rcBresle,
};

// What a derived value outside the temperature window shows.
inline const QString NoValue = QStringLiteral("---");

// One derived figure: a whole number, no value ("---"), or, in a file, an empty cell or another text
// that stays as the file holds it.
class TFigure {
public:
    TFigure() = default;
    static TFigure Number(qint64 value);
    static TFigure None() { return FromText(NoValue); }
    // An integer becomes a number; any other text stays as it is.
    static TFigure FromText(const QString &text);

    std::optional<qint64> Value() const { return FIsNumber ? std::optional<qint64>(FNumber) : std::nullopt; }
    QString Text() const;
    bool operator==(const TFigure &other) const = default;

private:
    // Plain members rather than an optional: every byte compared is always set.
    bool FIsNumber = false;
    qint64 FNumber = 0;
    QString FText;
};

struct TReadingRow {
    qint32 Number = 0; // as shown: the reading's index + 1
    TDateTime DateTime = 0;
    qint32 Conductivity = 0;
    float Celsius = 0;
    float Fahrenheit = 0;
    TFigure Compensated;
    TFigure SurfaceDensity;
    TFigure Bresle;

    // The figure of a derived column (rcCompensated to rcBresle).
    const TFigure &Figure(int column) const;
    TFigure &Figure(int column);
    bool operator==(const TReadingRow &other) const = default;
};

// Newer firmware with a Bresle offset shows the Bresle column.
bool ShowsBresle(const TDeviceInfo &info);
// 8 columns, or 9 with the Bresle column.
int ReadingColumnCount(const TDeviceInfo &info);
// A column's title, its lines separated by "\r\n".
QString ReadingColumnTitle(int column);
// The header section a column belongs to: 0 none, 1 "Measured", 2 "Calculated".
int ReadingColumnSection(int column);

// The batch's rows, in order: an imported batch's as its file holds them, a meter batch's derived from
// its readings with its own device record. None when the batch reports no readings; raises "There are
// no readings" when it reports some but holds none. A reading held in °F is converted for good.
QList<TReadingRow> ReadingRows(TBatch &batch);
// The same with the record given for a meter batch: the record its save writes into the file.
QList<TReadingRow> ReadingRows(TBatch &batch, const TDeviceInfo &info);
// The batch's column count, from its own record.
int ReadingColumnCount(const TBatch &batch);

// A row's cells as text, columns of them, with the conventions in force (UserLocale::Current).
QStringList ReadingRowTexts(const TReadingRow &row, int columns);
// The batch's rows (ReadingRows) as text, formatted with the conventions the batch's figures are
// written in: its file's for an imported batch, the user's for a meter batch.
QList<QStringList> ReadingTexts(const TBatch &batch, const QList<TReadingRow> &rows);
