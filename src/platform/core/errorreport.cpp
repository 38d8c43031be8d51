#include "platform/core/errorreport.h"

#include "platform/core/apperror.h"
#include "platform/core/prompt.h"

void showAppError(const AppError& error)
{
    prompts().messageBox(error.text(), QStringLiteral("Error"), Prompt::Icon::Error, Prompt::Ok);
}
