#include "app/AppException.h"
#include "app/QtPrompts.h"
#include "app/Settings.h"
#include "app/frmAbout.h"
#include "app/frmMain.h"

#include <QPushButton>
#include <QThread>

int main(int argc, char *argv[])
{
    TVornellApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vornell"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vornell"));
    QApplication::setApplicationVersion(QStringLiteral(VORNELL_PRODUCT_VERSION));

    auto *splash = new TfrmAbout;
    splash->btnClose->setVisible(false);
    splash->show();
    splash->repaint();
    QApplication::processEvents(); // the splash is drawn before the blocking work that follows

    TQtPrompts prompts;
    TfrmMain window(prompts, DefaultSettingsFile(), QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    prompts.SetParent(&window);
    QThread::msleep(2000);
    splash->hide();
    delete splash;
    window.show();
    return QApplication::exec();
}
