#pragma once
// Readings and batches as the meter stores them, their limits, and the domain arithmetic that turns
// a reading into its line of derived values (compensated conductivity, surface density, Bresle).

#include "model/DateTime.h"
#include "model/ReadingTable.h"
#include "model/UserLocale.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class TDeviceInfo;

// Conversion from conductivity to surface density, mg/m² per µS/cm; the same for the whole run.
inline constexpr double SurfaceDensityFactor = 1.2;

float CelsiusToFahrenheit(float t);
float FahrenheitToCelsius(float t);

class TReading {
public:
    void Temperature(float value) { FTemperature = value; }
    void Fahrenheit(bool value) { FFahrenheit = value; }

    qint32 FIndex = 0;
    TDateTime FDateTime = 0;
    qint32 FConductivity = 0;
    float FTemperature = 0;
    bool FFahrenheit = false;
    bool FMeterFlag = false;
};

enum TCheckResult : quint8 { crPassed = 0, crFailed = 1, crNotAvailable = 2, crNotApplicable = 3 };
// "Passed", "Failed", "Code not available", or empty for a batch that was not imported.
QString CheckResultText(quint8 result);

class TBatch {
public:
    explicit TBatch(qint32 id);

    void AddReading(std::unique_ptr<TReading> reading);
    void AddReading(qint32 index, qint32 conductivity, TDateTime dateTime, float temperature, bool meterFlag,
                    bool fahrenheit);
    // Raises "There are no readings" when the batch holds none.
    const std::vector<std::unique_ptr<TReading>> &GetReadings() const;
    // The readings held, possibly none.
    const std::vector<std::unique_ptr<TReading>> &Readings() const { return FReadings; }
    void ClearReadings() { FReadings.clear(); }
    void SetName(const QString &name);
    void SetMaxReadings(qint32 value);
    void SetCreationDateTime(TDateTime value) { FCreationDateTime = value; }
    void SetSaved(bool value) { FSaved = value; }

    qint32 FID;
    bool FSaved = false;
    TDateTime FCreationDateTime;
    qint32 FMaxReadings = 0;
    qint32 FReadingCount = 0;
    QString FName;
    bool FReadingsLoaded = false;
    bool FImported = false;
    quint8 FCheckResult = crNotApplicable;
    // The check code the file of an imported batch holds, without its apostrophe; empty otherwise.
    QString FCheckCode;
    // The code of an imported batch's section as the file holds it now, which FCheckCode is compared with.
    QString FFiguresCode;

    // The device record the batch's figures derive from, from the batch's own source: the meter's
    // record, or the device block of the batch's file section. Raises "Device information not
    // assigned!." when there is none.
    const TDeviceInfo &DeviceInfo() const;
    std::shared_ptr<const TDeviceInfo> FDeviceInfo;

    // An imported batch's reading rows as its file holds them: what it shows, prints and saves.
    QList<TReadingRow> FFileRows;
    // The file an imported batch was read from, and the conventions it was read with.
    QString FSourceFile;
    std::optional<UserLocale> FFileConventions;
    // The conventions the batch's figures are written in: its file's, or the user's.
    const UserLocale &Conventions() const;

private:
    void CheckRoom();

    std::vector<std::unique_ptr<TReading>> FReadings;
};

class TBatches {
public:
    TBatch *Add();
    TBatch *AddBatch(const QString &name, qint32 maxReadings);
    TBatch *AddBatch(qint32 id, const QString &name, TDateTime creationDateTime, qint32 maxReadings,
                     qint32 readingCount);
    void Delete(const TBatch *batch);
    bool Contains(const TBatch *batch) const;
    // Raises "Index out of range." outside 0 to Count - 1.
    TBatch *GetBatch(qint32 index) const;
    qint32 Count() const { return static_cast<qint32>(FBatches.size()); }
    void Clear() { FBatches.clear(); }

    qint32 FNextID = 0;

private:
    std::vector<std::unique_ptr<TBatch>> FBatches;
};

// The Bresle offsets that give reading lines back their Bresle values. A line's Bresle value is its
// surface density plus the offset, rounded, so each line bounds the offset to an interval of width 1
// around its Bresle value minus the unrounded surface density of its reading; an offset inside all
// the intervals gives every line back as the file holds it.
class TBresleOffsetRange {
public:
    void Add(double surfaceDensity, qint64 bresle);
    bool Reproduces(double offset) const;
    // An offset that gives every line added its Bresle value, when there is one.
    std::optional<double> Offset() const;
    // Keeps the offset of info when it reproduces every line, otherwise sets one that does; with no
    // such offset (an edited file) info stays as it is.
    void Apply(TDeviceInfo &info) const;

private:
    std::vector<std::pair<double, qint64>> FLines;
};

// The reading's row with the values derived with info: the derived figures, or NoValue outside the
// temperature window. A reading held in °F is converted to °C here, for good.
TReadingRow ReadingToRow(TReading &reading, const TDeviceInfo &info);
// The row as one comma-separated line of a batch file, the temperatures and derived values quoted.
// Newer firmware writes three derived cells outside the temperature window, with or without the
// Bresle column.
QString RowToLine(const TReadingRow &row, const TDeviceInfo &info);
// The reading's line: RowToLine of ReadingToRow.
QString ReadingToLine(TReading &reading, const TDeviceInfo &info);
// Fills a reading from the fields of such a line (quotes removed), rewriting the date, time and
// temperature fields into the text they had when written; may set the Bresle offset of info. A line
// that carries a surface density and a Bresle value also narrows range, when one is given.
void ReadingFromFields(TReading &reading, QStringList &fields, TDeviceInfo &info, TBresleOffsetRange *range = nullptr);
// The row of such a line as the file holds it, once ReadingFromFields has rewritten its fields into
// the reading: the °F value and the derived figures are the file's own, not derived again.
TReadingRow FileRowFromFields(const TReading &reading, const QStringList &fields);
