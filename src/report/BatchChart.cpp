#include "report/BatchChart.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace {

// A step of 1, 2 or 5 times a power of ten that divides the range into at most `count` parts.
double NiceStep(double range, int count)
{
    const double raw = range / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 5.0})
        if (f * power >= raw)
            return f * power;
    return 10 * power;
}

} // namespace

TBatchChart::TBatchChart(const QList<TReadingRow> &rows, int column, TAcceptanceLimit limit)
    : FFigureName(JudgedFigureName(column))
    , FLimit(limit)
{
    for (const TReadingRow &row : rows) {
        const int number = row.Number;
        FLastNumber = std::max(FLastNumber, number);
        if (const auto figure = JudgedFigure(row, column))
            FPoints.append({number, *figure});
    }
}

void TBatchChart::Paint(QPainter &painter, const QRectF &rect) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetricsF fm(painter.font(), painter.device());
    const double line = fm.height();
    const double thin = std::max(1.0, line / 14);

    int top = FLimit.value_or(0);
    for (const TChartPoint &p : FPoints)
        top = std::max(top, p.Figure);
    const double yStep = NiceStep(std::max(top, 5) * 1.05, 5);
    const double yMax = std::ceil(std::max(top, 5) * 1.05 / yStep) * yStep;
    const int xLast = std::max(FLastNumber, 1);
    const double xStep = std::max(1.0, NiceStep(xLast, 10));

    double labelWidth = 0;
    for (double y = 0; y <= yMax + yStep / 2; y += yStep)
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(QString::number(y, 'f', 0)));
    const QRectF plot(rect.left() + line * 1.4 + labelWidth, rect.top() + line * 0.6,
                      rect.width() - line * 1.9 - labelWidth, rect.height() - line * 3);
    if (plot.width() <= 0 || plot.height() <= 0) {
        painter.restore();
        return;
    }
    auto xOf = [&](double number) { return plot.left() + (number - 0.5) / xLast * plot.width(); };
    auto yOf = [&](double figure) { return plot.bottom() - figure / yMax * plot.height(); };

    // The grid and the tick labels.
    painter.setPen(QPen(QColor(0xd0, 0xd0, 0xd0), thin));
    for (double y = 0; y <= yMax + yStep / 2; y += yStep) {
        painter.drawLine(QPointF(plot.left(), yOf(y)), QPointF(plot.right(), yOf(y)));
        const QString text = QString::number(y, 'f', 0);
        painter.save();
        painter.setPen(Qt::black);
        painter.drawText(QRectF(plot.left() - labelWidth - line * 0.3, yOf(y) - line / 2, labelWidth, line),
                         Qt::AlignRight | Qt::AlignVCenter, text);
        painter.restore();
    }
    painter.setPen(Qt::black);
    for (double x = xStep == 1 ? 1 : xStep; x <= FLastNumber; x += xStep) {
        painter.drawLine(QPointF(xOf(x), plot.bottom()), QPointF(xOf(x), plot.bottom() + line * 0.25));
        painter.drawText(QRectF(xOf(x) - line * 2, plot.bottom() + line * 0.3, line * 4, line), Qt::AlignHCenter,
                         QString::number(x, 'f', 0));
    }
    painter.setPen(QPen(Qt::black, thin));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.drawText(QRectF(plot.left(), plot.bottom() + line * 1.3, plot.width(), line), Qt::AlignHCenter,
                     QStringLiteral("Reading"));
    painter.save();
    painter.translate(rect.left(), plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), line), Qt::AlignHCenter,
                     FFigureName + QStringLiteral(" (mg/m²)"));
    painter.restore();

    if (FPoints.isEmpty())
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("No reading has a derived value."));

    // Readings next to each other are joined; a reading without a figure breaks the line.
    const double mark = std::clamp(plot.width() / xLast * 0.7, line * 0.25, line * 0.5);
    painter.setPen(QPen(QColor(0x1f, 0x4e, 0x9a), thin));
    for (qsizetype i = 1; i < FPoints.size(); ++i)
        if (FPoints[i].Number == FPoints[i - 1].Number + 1)
            painter.drawLine(QPointF(xOf(FPoints[i - 1].Number), yOf(FPoints[i - 1].Figure)),
                             QPointF(xOf(FPoints[i].Number), yOf(FPoints[i].Figure)));
    for (const TChartPoint &p : FPoints) {
        const QPointF at(xOf(p.Number), yOf(p.Figure));
        if (IsAboveLimit(p.Figure, FLimit)) {
            PaintAboveLimitMark(painter, at, mark * 1.6);
        } else {
            painter.setBrush(QColor(0x1f, 0x4e, 0x9a));
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(at, mark / 2, mark / 2);
        }
    }

    if (FLimit) {
        QPen dashed(AboveLimitColor(), thin * 1.5, Qt::DashLine);
        painter.setPen(dashed);
        painter.drawLine(QPointF(plot.left(), yOf(*FLimit)), QPointF(plot.right(), yOf(*FLimit)));
        painter.setPen(AboveLimitColor());
        painter.drawText(QRectF(plot.left(), yOf(*FLimit) - line * 1.05, plot.width() - line * 0.2, line),
                         Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Limit %1 mg/m²").arg(*FLimit));
    }
    painter.restore();
}

void PaintAboveLimitMark(QPainter &painter, const QPointF &centre, double size)
{
    const double h = size * 0.866;
    const QPolygonF triangle({QPointF(centre.x(), centre.y() - h * 2 / 3),
                              QPointF(centre.x() - size / 2, centre.y() + h / 3),
                              QPointF(centre.x() + size / 2, centre.y() + h / 3)});
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(AboveLimitColor());
    painter.drawPolygon(triangle);
    painter.restore();
}

QColor AboveLimitColor()
{
    return QColor(0xc0, 0x1c, 0x28);
}

QColor AboveLimitTint()
{
    return QColor(0xfb, 0xdc, 0xdc);
}
