#include "app/frmMain.h"

#include <QMdiArea>

TfrmMain::TfrmMain(QWidget *parent)
    : QMainWindow(parent)
    , FMdiArea(new QMdiArea(this))
{
    setWindowTitle(QStringLiteral("Vornell"));
    setCentralWidget(FMdiArea);
    resize(800, 600);
}
