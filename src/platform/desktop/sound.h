#pragma once

#include <QString>

// Event sounds through the desktop's sound theme; silent (never an error) without a sound
// server.
namespace Sound {

enum class SystemSound { None, Asterisk, Beep, Exclamation, Question, Stop };

void play(SystemSound sound);
// Plays a sound file asynchronously.
void playFile(const QString& path);

// The program's sound settings: 0 none, 1 asterisk, 2 beep, 3 exclamation, 4 question,
// 5 stop, 6 the file `wavFile`.
void playSetting(int choice, const QString& wavFile);

// Tests count what would have played instead of playing it.
void setRecorderForTests(void (*recorder)(const QString& what));

}  // namespace Sound
