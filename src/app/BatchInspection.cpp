#include "app/BatchInspection.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTableWidget>

namespace {

const QStringList PanelLabels = {QStringLiteral("Readings"),
                                 QStringLiteral("Mean"),
                                 QStringLiteral("Minimum"),
                                 QStringLiteral("Maximum"),
                                 QStringLiteral("Standard deviation"),
                                 QStringLiteral("Above limit"),
                                 QStringLiteral("Acceptance limit")};

QIcon MarkIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    PaintAboveLimitMark(p, QPointF(size / 2.0, size / 2.0 + 1), size - 2);
    return QIcon(pixmap);
}

} // namespace

void TBatchChartView::SetChart(const TBatchChart &chart)
{
    FChart = chart;
    update();
}

void TBatchChartView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    FChart.Paint(p, QRectF(rect()).adjusted(4, 4, -8, -4));
}

TBatchInspection::TBatchInspection(QWidget *parent)
    : gpbStatistics(new QGroupBox(QStringLiteral("Statistics"), parent))
    , Chart(new TBatchChartView(parent))
    , FFigureName(new QLabel(gpbStatistics))
{
    auto *grid = new QGridLayout(gpbStatistics);
    grid->setContentsMargins(10, 4, 10, 4);
    grid->setVerticalSpacing(0);
    grid->addWidget(FFigureName, 0, 0, 1, 2);
    for (int i = 0; i < PanelLabels.size(); ++i) {
        auto *caption = new QLabel(PanelLabels[i], gpbStatistics);
        grid->addWidget(caption, i + 1, 0);
        if (PanelLabels[i] == QLatin1String("Above limit"))
            FAboveLimitCaption = caption;
        auto *value = new QLabel(gpbStatistics);
        value->setObjectName(PanelLabels[i]);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(value, i + 1, 1);
    }
}

QLabel *TBatchInspection::ValueLabel(const QString &label) const
{
    return gpbStatistics->findChild<QLabel *>(label);
}

void TBatchInspection::SetRows(const QList<TReadingRow> &rows, int column)
{
    FRows = rows;
    FColumn = column;
    FFigureName->setText(JudgedFigureName(column) + QStringLiteral(" (mg/m²)"));
}

void TBatchInspection::Show(QTableWidget &grid, TAcceptanceLimit limit)
{
    const QIcon mark = MarkIcon(grid.fontMetrics().height());
    for (int r = 0; r < FRows.size() && r < grid.rowCount(); ++r) {
        QTableWidgetItem *item = grid.item(r, FColumn);
        const auto figure = JudgedFigure(FRows[r], FColumn);
        if (!item || !figure)
            continue;
        const bool above = IsAboveLimit(*figure, limit);
        QFont font = grid.font();
        font.setBold(above);
        item->setFont(font);
        item->setIcon(above ? mark : QIcon());
        item->setData(Qt::BackgroundRole, above ? QVariant(AboveLimitTint()) : QVariant());
        item->setData(Qt::ForegroundRole, above ? QVariant(QColor(Qt::black)) : QVariant());
        item->setToolTip(above ? QStringLiteral("Above the acceptance limit of %1 mg/m²").arg(*limit) : QString());
    }

    const TBatchStatistics statistics = ComputeStatistics(FRows, FColumn, limit);
    for (const QString &label : PanelLabels)
        ValueLabel(label)->clear();
    for (const auto &[label, value] : StatisticsLines(statistics))
        ValueLabel(label)->setText(value);
    FAboveLimitCaption->setVisible(limit.has_value());
    ValueLabel(QStringLiteral("Above limit"))->setVisible(limit.has_value());
    ValueLabel(QStringLiteral("Acceptance limit"))
        ->setText(limit ? QStringLiteral("%1 mg/m²").arg(*limit) : QStringLiteral("none"));
    Chart->SetChart(TBatchChart(FRows, FColumn, limit));
}
