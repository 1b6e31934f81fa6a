#include "dialogs/ClockFace.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

TClockFace::TClockFace(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(81, 81);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TClockFace::SetTime(const QTime &time)
{
    // Whole seconds only: the second hand jumps, as on the meter's own display.
    const QTime shown(time.hour(), time.minute(), time.second());
    if (shown == FTime)
        return;
    FTime = shown;
    update();
}

QIcon TClockFace::Icon()
{
    TClockFace face;
    face.setFixedSize(32, 32);
    face.SetTime(QTime(10, 10, 30));
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    face.render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    return QIcon(picture);
}

double TClockFace::HourAngle(const QTime &time)
{
    return (time.hour() % 12) * 30.0 + time.minute() * 0.5 + time.second() / 120.0;
}

double TClockFace::MinuteAngle(const QTime &time)
{
    return time.minute() * 6.0 + time.second() * 0.1;
}

double TClockFace::SecondAngle(const QTime &time)
{
    return time.second() * 6.0;
}

namespace {

// A hand pointing to twelve in a face of radius 100, from a short tail behind the centre to its tip.
void DrawHand(QPainter &p, double angle, double length, double tail, double width, const QColor &colour)
{
    p.save();
    p.rotate(angle);
    QPainterPath hand;
    hand.moveTo(-width / 2, tail);
    hand.lineTo(-width / 4, -length);
    hand.lineTo(width / 4, -length);
    hand.lineTo(width / 2, tail);
    hand.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(hand);
    p.restore();
}

} // namespace

void TClockFace::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height());
    p.translate(width() / 2.0, height() / 2.0);
    p.scale(side / 210.0, side / 210.0);

    // Dial.
    p.setPen(QPen(palette().color(QPalette::Mid), 3));
    p.setBrush(palette().color(QPalette::Base));
    p.drawEllipse(QPointF(0, 0), 101, 101);

    // Ticks: a heavy mark each hour, a fine one each minute.
    const QColor ink = palette().color(QPalette::Text);
    for (int i = 0; i < 60; ++i) {
        p.save();
        p.rotate(i * 6.0);
        if (i % 5 == 0) {
            p.setPen(QPen(ink, 5, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(0, -94), QPointF(0, -78));
        } else {
            p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(0, -94), QPointF(0, -88));
        }
        p.restore();
    }

    DrawHand(p, HourAngle(FTime), 52, 12, 9, ink);
    DrawHand(p, MinuteAngle(FTime), 80, 14, 7, ink);
    const QColor red(200, 20, 20);
    p.save();
    p.rotate(SecondAngle(FTime));
    p.setPen(QPen(red, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0, 20), QPointF(0, -88));
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawEllipse(QPointF(0, 0), 5, 5);
}
