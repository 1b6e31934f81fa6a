#pragma once
// Statistics of a batch and its acceptance limit, over the figures the readings table shows: the
// Bresle value where the batch shows it, else the surface density, of every reading that has one.
// The batch window, the report and vornell-cli share them.

#include "model/ReadingTable.h"

#include <QList>
#include <QString>
#include <optional>
#include <utility>

class TBatch;
class TDeviceInfo;

// The acceptance limit in mg/m², a whole number; none when off.
using TAcceptanceLimit = std::optional<int>;
constexpr int MinAcceptanceLimit = 1;
constexpr int MaxAcceptanceLimit = 9999;
// A limit typed by the user; raises an error that names the range when the text is not one.
int StrToAcceptanceLimit(const QString &text);

// The column of the readings table that statistics, limit and chart judge.
int JudgedColumn(const TDeviceInfo &info);
int JudgedColumn(const TBatch &batch);
// "Bresle value" or "Surface density", for captions.
QString JudgedFigureName(int column);
// The row's figure in that column; none for "---".
std::optional<int> JudgedFigure(const TReadingRow &row, int column);
// Strictly above: a reading at the limit passes.
bool IsAboveLimit(int figure, TAcceptanceLimit limit);

struct TBatchStatistics {
    int Readings = 0;
    double Mean = 0;
    int Minimum = 0;
    int Maximum = 0;
    double StandardDeviation = 0;  // sample (n - 1); meaningful from two readings on
    std::optional<int> AboveLimit; // only with a limit
};

TBatchStatistics ComputeStatistics(const QList<TReadingRow> &rows, int column, TAcceptanceLimit limit);

// The labels and formatted values in the order they are shown: "Readings", "Mean", "Minimum",
// "Maximum", "Standard deviation" and, with a limit, "Above limit". A value that needs more readings
// than there are shows "---".
QList<std::pair<QString, QString>> StatisticsLines(const TBatchStatistics &statistics);
