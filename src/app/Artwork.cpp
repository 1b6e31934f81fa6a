#include "app/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTimer>
#include <QtMath>

namespace {

const QColor Navy(0x1b, 0x2f, 0x5e);
const QColor Teal(0x1f, 0x8a, 0x9a);

// The meter body in a unit box of 100 x 160, scaled by the painter.
void DrawMeter(QPainter &p)
{
    QLinearGradient body(0, 0, 100, 0);
    body.setColorAt(0, QColor(0x2b, 0x44, 0x7a));
    body.setColorAt(1, Navy);
    p.setPen(QPen(QColor(0x10, 0x1c, 0x3a), 2));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(5, 5, 90, 150), 14, 14);
    // Display with a reading.
    p.setPen(QPen(QColor(0x0d, 0x14, 0x26), 1.5));
    p.setBrush(QColor(0xc8, 0xe6, 0xd0));
    p.drawRoundedRect(QRectF(15, 18, 70, 44), 5, 5);
    p.setPen(QColor(0x1a, 0x3a, 0x28));
    QFont f(QStringLiteral("Sans Serif"));
    f.setPixelSize(16);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(15, 18, 70, 30), Qt::AlignCenter, QStringLiteral("27"));
    f.setPixelSize(8);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRectF(15, 44, 70, 14), Qt::AlignCenter, QStringLiteral("µS/cm  21.4 °C"));
    // Keys.
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col) {
            p.setBrush(row == 0 && col == 1 ? Teal : QColor(0xd9, 0xde, 0xe8));
            p.drawRoundedRect(QRectF(18 + col * 24, 78 + row * 20, 16, 11), 4, 4);
        }
    // Cell at the bottom.
    p.setBrush(QColor(0x9a, 0xa4, 0xb8));
    p.drawEllipse(QRectF(38, 122, 24, 24));
    p.setBrush(QColor(0x42, 0x4c, 0x60));
    p.drawEllipse(QRectF(44, 128, 12, 12));
}

} // namespace

QPixmap MeterPicture(QSize size)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(size.width() / 2.0, size.height() / 2.0, size.width() * 0.6);
    glow.setColorAt(0, QColor(0xe8, 0xf3, 0xf6));
    glow.setColorAt(1, QColor(0xbf, 0xd4, 0xdf));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawRoundedRect(QRectF(0, 0, size.width(), size.height()), 18, 18);
    // A few drops of the sample solution.
    p.setBrush(QColor(0x1f, 0x8a, 0x9a, 70));
    p.drawEllipse(QRectF(size.width() * 0.08, size.height() * 0.70, size.width() * 0.22, size.width() * 0.22));
    p.drawEllipse(QRectF(size.width() * 0.74, size.height() * 0.12, size.width() * 0.14, size.width() * 0.14));
    const double scale = qMin(size.width() / 100.0, size.height() / 160.0) * 0.82;
    p.translate((size.width() - 100 * scale) / 2, (size.height() - 160 * scale) / 2);
    p.scale(scale, scale);
    DrawMeter(p);
    return pm;
}

QPixmap ConnectionIcon(bool connected)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x10, 0x1c, 0x3a), 1));
    p.setBrush(Navy);
    p.drawRoundedRect(QRectF(1.5, 1.5, 7, 12), 2, 2);
    p.setBrush(QColor(0xc8, 0xe6, 0xd0));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(3, 3.5, 4, 3));
    if (connected) {
        p.setPen(QPen(QColor(0x20, 0x80, 0x30), 1.6));
        QPainterPath cable(QPointF(8.5, 11));
        cable.cubicTo(QPointF(12, 11), QPointF(11, 5), QPointF(14.5, 5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(cable);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x20, 0x80, 0x30));
        p.drawRect(QRectF(12.5, 3.5, 3, 3));
    } else {
        p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9.5, 7.5), QPointF(14.5, 12.5));
        p.drawLine(QPointF(14.5, 7.5), QPointF(9.5, 12.5));
    }
    return pm;
}

TBusyAnimation::TBusyAnimation(QWidget *parent)
    : QWidget(parent)
    , FTimer(new QTimer(this))
{
    setFixedSize(16, 16);
    FTimer->setInterval(80);
    connect(FTimer, &QTimer::timeout, this, [this] {
        FFrame = (FFrame + 1) % 16;
        update();
    });
}

void TBusyAnimation::Start()
{
    FTimer->start();
}

void TBusyAnimation::Stop()
{
    FTimer->stop();
}

bool TBusyAnimation::Active() const
{
    return FTimer->isActive();
}

void TBusyAnimation::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // A magnifier circling over a serial plug.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9a, 0xa4, 0xb8));
    p.drawRoundedRect(QRectF(3, 5, 10, 6), 2, 2);
    const double a = FFrame * 2 * M_PI / 16;
    const QPointF c(8 + 3 * qCos(a), 8 + 3 * qSin(a));
    p.setPen(QPen(Navy, 1.5));
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawEllipse(c, 3.2, 3.2);
    p.drawLine(c + QPointF(2.3, 2.3), c + QPointF(4.5, 4.5));
}
