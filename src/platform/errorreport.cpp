#include "platform/errorreport.h"

#include "platform/apperror.h"
#include "platform/prompt.h"

void showAppError(const AppError& error)
{
    prompts().messageBox(error.text(), QStringLiteral("Error"), Prompt::Icon::Error, Prompt::Ok);
}
