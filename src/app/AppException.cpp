#include "app/AppException.h"

#include "model/Errors.h"
#include "model/Prompts.h"

#include <QDebug>

TVornellApplication::TVornellApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{}

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
