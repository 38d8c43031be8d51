#pragma once

class AppError;

// Shows an AppError to the user: an error box with its text and one OK button, through
// prompts(), so tests see it in their ScriptedPrompt.
void showAppError(const AppError& error);
