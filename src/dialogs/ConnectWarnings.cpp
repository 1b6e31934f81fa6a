#include "dialogs/ConnectWarnings.h"

#include "model/Errors.h"
#include "model/Prompts.h"

void WarnNotConnected(Prompts &prompts)
{
    prompts.Message(TMsgKind::Warning,
                    QStringLiteral("Could not make a connection to Talvo!\r\nPlease check if the Talvo is connected "
                                   "to the computer and turned on."),
                    TMsgButtons::Ok);
}

void WarnConnectProblem(Prompts &prompts, const std::exception &e)
{
    prompts.Message(TMsgKind::Warning,
                    QStringLiteral("A problem occurred while connecting with the message: \r\n\t") + MessageOf(e),
                    TMsgButtons::Ok);
}

void WarnCommunicationProblem(Prompts &prompts)
{
    prompts.Message(
        TMsgKind::Warning,
        QStringLiteral("There was a problem while communicating with Talvo.\r\nDevice will be disconnected!"),
        TMsgButtons::Ok);
}
