#pragma once
// An analog clock face: twelve hour marks and sixty minute ticks, hour, minute and second hands. It
// draws the time it was last given; whoever owns it decides which time that is and when it moves.

#include <QIcon>
#include <QTime>
#include <QWidget>

class TClockFace : public QWidget {
    Q_OBJECT
public:
    explicit TClockFace(QWidget *parent = nullptr);

    QTime Time() const { return FTime; }
    void SetTime(const QTime &time);

    // A small face at ten past ten, as a window icon.
    static QIcon Icon();

    QSize sizeHint() const override { return {121, 121}; }

    // Angles of the hands in degrees clockwise from twelve; the hour and minute hands move smoothly.
    static double HourAngle(const QTime &time);
    static double MinuteAngle(const QTime &time);
    static double SecondAngle(const QTime &time);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTime FTime{0, 0};
};
