#pragma once
// The application's pictures, drawn in code: the meter for the splash and the background, the two
// connection icons and the frames of the busy animation.

#include <QPixmap>
#include <QWidget>

class QTimer;

// The handheld meter on a soft backdrop, at the given size.
QPixmap MeterPicture(QSize size);
// 16 x 16: the meter with a red cross (not connected) or with its cable plugged in (connected).
QPixmap ConnectionIcon(bool connected);

// 16 x 16 searching animation: a magnifier sweeping over a port.
class TBusyAnimation : public QWidget {
    Q_OBJECT
public:
    explicit TBusyAnimation(QWidget *parent = nullptr);
    void Start();
    void Stop();
    bool Active() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer *FTimer;
    int FFrame = 0;
};
