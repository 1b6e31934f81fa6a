#include "model/Prompts.h"

#include "model/Errors.h"

void HandleAppException(Prompts &prompts, const std::exception &e)
{
    prompts.Message(TMsgKind::Warning,
                    QStringLiteral("A problem occurred in Vornell, the messages was:\r\n") + MessageOf(e),
                    TMsgButtons::Ok);
}
