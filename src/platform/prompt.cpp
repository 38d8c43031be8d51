#include "platform/prompt.h"

#include "platform/qtprompt.h"

namespace {
Prompt* installed = nullptr;
}

Prompt::Button Prompt::dismissButton(Buttons buttons)
{
    if (buttons & Cancel)
        return Cancel;
    if (buttons & No)
        return No;
    if (buttons & Abort)
        return Abort;
    return Ok;
}

Prompt& prompts()
{
    if (installed)
        return *installed;
    static QtPrompt qtPrompt;
    return qtPrompt;
}

void setPrompt(Prompt* prompt)
{
    installed = prompt;
}
