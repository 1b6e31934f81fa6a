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

namespace {

// The axes' ranges and steps, and the width of the widest figure at the y axis.
struct TScale {
    double YStep, YMax, XStep;
    int XLast;
    double LabelWidth = 0;
};

TScale ScaleOf(const QList<TChartPoint> &points, int lastNumber, TAcceptanceLimit limit, const QFontMetricsF &fm)
{
    int top = limit.value_or(0);
    for (const TChartPoint &p : points)
        top = std::max(top, p.Figure);
    TScale s;
    s.YStep = NiceStep(std::max(top, 5) * 1.05, 5);
    s.YMax = std::ceil(std::max(top, 5) * 1.05 / s.YStep) * s.YStep;
    s.XLast = std::max(lastNumber, 1);
    s.XStep = std::max(1.0, NiceStep(s.XLast, 10));
    for (double y = 0; y <= s.YMax + s.YStep / 2; y += s.YStep)
        s.LabelWidth = std::max(s.LabelWidth, fm.horizontalAdvance(QString::number(y, 'f', 0)));
    return s;
}

// How many marks and joining lines the rectangle covers.
int Covered(const QRectF &r, const TChartLayout &layout)
{
    int count = 0;
    const double half = layout.MarkSize;
    for (const QPointF &m : layout.Marks)
        count += r.intersects(QRectF(m.x() - half, m.y() - half, 2 * half, 2 * half));
    const QLineF edges[] = {{r.topLeft(), r.topRight()},
                            {r.topRight(), r.bottomRight()},
                            {r.bottomRight(), r.bottomLeft()},
                            {r.bottomLeft(), r.topLeft()}};
    for (const QLineF &join : layout.Joins) {
        bool crosses = r.contains(join.p1()) || r.contains(join.p2());
        for (const QLineF &edge : edges)
            crosses = crosses || join.intersects(edge, nullptr) == QLineF::BoundedIntersection;
        count += crosses;
    }
    return count;
}

} // namespace

QString TBatchChart::YTitle() const
{
    return FFigureName + QStringLiteral(" (mg/m²)");
}

QString TBatchChart::LimitText() const
{
    return FLimit ? QStringLiteral("Limit %1 mg/m²").arg(*FLimit) : QString();
}

TChartLayout TBatchChart::Layout(const QFontMetricsF &fm, const QRectF &rect) const
{
    TChartLayout out;
    const double line = fm.height();
    const TScale s = ScaleOf(FPoints, FLastNumber, FLimit, fm);
    QRectF plot(rect.left() + line * 1.4 + s.LabelWidth, rect.top() + line * 0.6,
                rect.width() - line * 1.9 - s.LabelWidth, rect.height() - line * 3);
    // A title longer than the axis goes above it, across, whole.
    const double title = fm.horizontalAdvance(YTitle());
    out.YTitleAlong = title <= plot.height();
    if (out.YTitleAlong) {
        out.YTitle = QRectF(rect.left(), plot.center().y() - title / 2, line, title);
    } else {
        out.YTitle = QRectF(rect.left(), rect.top(), title, line);
        plot.setTop(plot.top() + line * 1.2);
    }
    if (plot.width() <= 0 || plot.height() <= 0)
        return out;
    out.Plot = plot;
    auto xOf = [&](double number) { return plot.left() + (number - 0.5) / s.XLast * plot.width(); };
    auto yOf = [&](double figure) { return plot.bottom() - figure / s.YMax * plot.height(); };
    out.MarkSize = std::clamp(plot.width() / s.XLast * 0.7, line * 0.25, line * 0.5);
    for (qsizetype i = 0; i < FPoints.size(); ++i) {
        out.Marks << QPointF(xOf(FPoints[i].Number), yOf(FPoints[i].Figure));
        // Readings next to each other are joined; a reading without a figure breaks the line.
        if (i > 0 && FPoints[i].Number == FPoints[i - 1].Number + 1)
            out.Joins << QLineF(out.Marks[i - 1], out.Marks[i]);
    }
    if (!FLimit)
        return out;
    // Above the line, else below it, else at the top or the bottom of the plot, from the right end
    // to the left: the first place that covers no reading, else the one that covers fewest.
    const QSizeF label(fm.horizontalAdvance(LimitText()) + line * 0.4, line);
    const double y = yOf(*FLimit);
    const int steps = 12;
    int fewest = -1;
    for (const double top :
         {y - label.height() - line * 0.05, y + line * 0.1, plot.top(), plot.bottom() - label.height()}) {
        for (int k = 0; k <= steps && fewest != 0; ++k) {
            const double left = plot.right() - label.width() - (plot.width() - label.width()) * k / steps;
            const QRectF place(
                QPointF(std::max(left, plot.left()),
                        std::clamp(top, plot.top(), std::max(plot.top(), plot.bottom() - label.height()))),
                label);
            const int covered = Covered(place, out);
            if (fewest < 0 || covered < fewest) {
                fewest = covered;
                out.LimitLabel = place;
            }
        }
    }
    return out;
}

void TBatchChart::Paint(QPainter &painter, const QRectF &rect) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetricsF fm(painter.font(), painter.device());
    const double line = fm.height();
    const double thin = std::max(1.0, line / 14);
    const TChartLayout layout = Layout(fm, rect);
    const QRectF plot = layout.Plot;
    if (plot.isEmpty()) {
        painter.restore();
        return;
    }
    const TScale s = ScaleOf(FPoints, FLastNumber, FLimit, fm);
    auto xOf = [&](double number) { return plot.left() + (number - 0.5) / s.XLast * plot.width(); };
    auto yOf = [&](double figure) { return plot.bottom() - figure / s.YMax * plot.height(); };

    // The grid and the tick labels.
    painter.setPen(QPen(QColor(0xd0, 0xd0, 0xd0), thin));
    for (double y = 0; y <= s.YMax + s.YStep / 2; y += s.YStep) {
        painter.drawLine(QPointF(plot.left(), yOf(y)), QPointF(plot.right(), yOf(y)));
        const QString text = QString::number(y, 'f', 0);
        painter.save();
        painter.setPen(Qt::black);
        painter.drawText(QRectF(plot.left() - s.LabelWidth - line * 0.3, yOf(y) - line / 2, s.LabelWidth, line),
                         Qt::AlignRight | Qt::AlignVCenter, text);
        painter.restore();
    }
    painter.setPen(Qt::black);
    for (double x = s.XStep == 1 ? 1 : s.XStep; x <= FLastNumber; x += s.XStep) {
        painter.drawLine(QPointF(xOf(x), plot.bottom()), QPointF(xOf(x), plot.bottom() + line * 0.25));
        painter.drawText(QRectF(xOf(x) - line * 2, plot.bottom() + line * 0.3, line * 4, line), Qt::AlignHCenter,
                         QString::number(x, 'f', 0));
    }
    painter.setPen(QPen(Qt::black, thin));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.drawText(QRectF(plot.left(), plot.bottom() + line * 1.3, plot.width(), line), Qt::AlignHCenter,
                     QStringLiteral("Reading"));
    if (layout.YTitleAlong) {
        painter.save();
        painter.translate(layout.YTitle.left(), layout.YTitle.bottom());
        painter.rotate(-90);
        painter.drawText(QRectF(0, 0, layout.YTitle.height(), line), Qt::AlignHCenter | Qt::TextDontClip, YTitle());
        painter.restore();
    } else {
        painter.drawText(layout.YTitle, Qt::AlignLeft | Qt::TextDontClip, YTitle());
    }

    if (FPoints.isEmpty())
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("No reading has a derived value."));

    painter.setPen(QPen(QColor(0x1f, 0x4e, 0x9a), thin));
    for (const QLineF &join : layout.Joins)
        painter.drawLine(join);
    for (qsizetype i = 0; i < FPoints.size(); ++i) {
        if (IsAboveLimit(FPoints[i].Figure, FLimit)) {
            PaintAboveLimitMark(painter, layout.Marks[i], layout.MarkSize * 1.6);
        } else {
            painter.setBrush(QColor(0x1f, 0x4e, 0x9a));
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(layout.Marks[i], layout.MarkSize / 2, layout.MarkSize / 2);
        }
    }

    if (FLimit) {
        QPen dashed(AboveLimitColor(), thin * 1.5, Qt::DashLine);
        painter.setPen(dashed);
        painter.drawLine(QPointF(plot.left(), yOf(*FLimit)), QPointF(plot.right(), yOf(*FLimit)));
        painter.setPen(AboveLimitColor());
        painter.drawText(layout.LimitLabel, Qt::AlignCenter | Qt::TextDontClip, LimitText());
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
