#include "app/frmAbout.h"

#include "app/Artwork.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

TfrmAbout::TfrmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , btnClose(new QPushButton(QStringLiteral("&Close"), this))
    , lblVersion(new QLabel(this))
{
    setWindowTitle(QStringLiteral("  About"));
    setFixedSize(346, 382);

    auto *product = new QLabel(QStringLiteral("Vornell"), this);
    QFont f = product->font();
    f.setPixelSize(27);
    f.setBold(true);
    f.setItalic(true);
    product->setFont(f);
    product->setStyleSheet(QStringLiteral("color: navy"));
    product->setAlignment(Qt::AlignCenter);
    product->setGeometry(0, 6, 346, 34);

    auto *picture = new QLabel(this);
    picture->setPixmap(MeterPicture(QSize(299, 265)));
    picture->setGeometry(23, 44, 299, 265);

    auto *versionTitle = new QLabel(QStringLiteral("Version:"), this);
    versionTitle->setGeometry(196, 318, 60, 18);
    lblVersion->setGeometry(256, 318, 80, 18);

    btnClose->setGeometry(12, 316, 75, 25);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    auto *legal = new QLabel(QStringLiteral(" © Vornell authors. Measurements are the user's responsibility."), this);
    legal->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QFont small = legal->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    legal->setFont(small);
    legal->setGeometry(0, 382 - 22, 346, 22);

    if (parent)
        move(parent->geometry().center() - rect().center());
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmAbout::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TfrmAbout::FormShow()
{
    lblVersion->setText(QStringLiteral("V") + QCoreApplication::applicationVersion());
}
