#pragma once
// The chart of a batch: the judged figure of each reading (the Bresle value, else the surface density)
// against the reading number, with the acceptance limit as a line. Painted with the painter's font, so
// that the same chart suits the batch window and a printed page.

#include "model/BatchStatistics.h"

#include <QColor>
#include <QLineF>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

class QFontMetricsF;
class QPainter;

// Where the chart puts its parts inside a rectangle.
struct TChartLayout {
    QRectF Plot;
    // The figure's axis title: turned along the axis where the axis is long enough for it, else
    // written across, above the axis.
    QRectF YTitle;
    bool YTitleAlong = true;
    // Beside the limit's line where it covers no reading; empty without a limit.
    QRectF LimitLabel;
    // The readings' marks and the lines joining neighbours.
    QList<QPointF> Marks;
    double MarkSize = 0;
    QList<QLineF> Joins;
};

struct TChartPoint {
    int Number; // the reading number the table shows
    int Figure;
};

class TBatchChart {
public:
    TBatchChart() = default;
    // From the rows of the readings table; readings that show "---" leave a gap.
    TBatchChart(const QList<TReadingRow> &rows, int column, TAcceptanceLimit limit);

    // The axes, the readings and the limit, inside the rectangle.
    void Paint(QPainter &painter, const QRectF &rect) const;
    // The same places, for text measured with fm; no plot (an empty one) when the rectangle is too
    // small for one.
    TChartLayout Layout(const QFontMetricsF &fm, const QRectF &rect) const;
    QString YTitle() const;
    QString LimitText() const;

    const QList<TChartPoint> &Points() const { return FPoints; }

private:
    QList<TChartPoint> FPoints;
    int FLastNumber = 0;
    QString FFigureName;
    TAcceptanceLimit FLimit;
};

// The mark of a reading above the limit, in the chart, the grid and the report: a triangle pointing
// up, so that it does not rely on colour alone.
void PaintAboveLimitMark(QPainter &painter, const QPointF &centre, double size);
// The colour of the mark, and a light tint of it for a cell's background.
QColor AboveLimitColor();
QColor AboveLimitTint();
