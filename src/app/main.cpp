#include "app/frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vornell"));
    TfrmMain window;
    window.show();
    return QApplication::exec();
}
