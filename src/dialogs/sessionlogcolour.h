#pragma once

#include "console/textpack.h"
#include "session/sessioncontroller.h"

// The colour of a session's log line in a console, the same in every window that shows one.
inline TColor sessionLogColour(int kind)
{
    switch (kind) {
    case SessionController::LogCommand: return clGreen;
    case SessionController::LogReply: return clNavy;
    case SessionController::LogError: return clRed;
    default: return clBlack;
    }
}
