#include "app/AppException.h"

#include "model/Errors.h"
#include "model/Prompts.h"

#include <QDebug>
#include <QIcon>

TVornellApplication::TVornellApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // Every window without an icon of its own shows the application's.
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/vornell-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
}

TVornellApplication *TVornellApplication::Instance()
{
    return qobject_cast<TVornellApplication *>(QCoreApplication::instance());
}

bool TVornellApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        if (FPrompts)
            HandleAppException(*FPrompts, e);
        else
            qWarning() << "A problem occurred in Vornell, the messages was:" << MessageOf(e);
    }
    return false;
}
