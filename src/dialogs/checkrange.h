#pragma once

#include <QString>
#include <optional>

// The check of the numeric fields (site manager, preferences): an empty text passes; any
// other text must be a whole number from `low` to `high`. The problem is the message
// "Value must be in the range " with the bounds ("1-65535").
std::optional<QString> rangeProblem(const QString& text, qint64 low, qint64 high);

// Shows the problem (error box, OK) through prompts() and returns false; true when the
// text passes. The text stays as typed either way.
bool CheckRange(const QString& text, qint64 low, qint64 high);
