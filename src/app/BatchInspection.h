#pragma once
// The inspection part of the batch window: a compact statistics panel, the chart, and the marks of the
// readings above the acceptance limit in the grid (a tint, a triangle and a bold figure, so that
// colour is not the only sign).

#include "model/BatchStatistics.h"
#include "report/BatchChart.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QTableWidget;

class TBatchChartView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    void SetChart(const TBatchChart &chart);
    const TBatchChart &Chart() const { return FChart; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TBatchChart FChart;
};

class TBatchInspection {
public:
    // The panel and the chart are made children of parent; the window places them.
    explicit TBatchInspection(QWidget *parent);

    // The grid's rows as the window filled them, and the column that is judged.
    void SetRows(const QList<TReadingRow> &rows, int column);
    // Marks the grid's judged cells and fills the panel and the chart.
    void Show(QTableWidget &grid, TAcceptanceLimit limit);

    // A value of the panel by its label ("Mean", "Acceptance limit"), for the window's users.
    QLabel *ValueLabel(const QString &label) const;

    QGroupBox *gpbStatistics;
    TBatchChartView *Chart;

private:
    QLabel *FFigureName;
    QLabel *FAboveLimitCaption = nullptr; // the count's row shows only while a limit is set
    QList<TReadingRow> FRows;
    int FColumn = 7;
};
