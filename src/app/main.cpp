#include "app/AppException.h"
#include "app/QtPrompts.h"
#include "app/frmAbout.h"
#include "app/frmMain.h"
#include "model/Settings.h"

#include <QPushButton>
#include <QSocketNotifier>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int TerminatePipe[2] = {-1, -1};

void OnTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(TerminatePipe[1], &byte, 1);
}

// SIGTERM (the session ending, a service manager, kill) closes the main window as the user would:
// the settings are written and unsaved batches are asked about. The handler only wakes the event
// loop through a pipe; the window is closed there.
void CloseOnTerminate(QWidget &window)
{
    if (::pipe2(TerminatePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(TerminatePipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte;
        while (::read(TerminatePipe[0], &byte, 1) > 0) {
        }
        window.close();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    TVornellApplication app(argc, argv);
    // No display name: the platform would append it to every window caption.
    QApplication::setApplicationName(QStringLiteral("Vornell"));
    QApplication::setApplicationVersion(QStringLiteral(VORNELL_PRODUCT_VERSION));

    auto *splash = new TfrmAbout;
    splash->btnClose->setVisible(false);
    splash->show();
    splash->repaint();
    QApplication::processEvents(); // the splash is drawn before the blocking work that follows

    TQtPrompts prompts;
    const TSettingsPlace settings = SettingsPlaceFor(QCoreApplication::applicationFilePath());
    TfrmMain window(prompts, settings.File, settings.DefaultFolder);
    prompts.SetParent(&window);
    CloseOnTerminate(window);
    QThread::msleep(2000);
    splash->hide();
    delete splash;
    window.show();
    return QApplication::exec();
}
