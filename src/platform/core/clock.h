#pragma once

#include <QDateTime>
#include <functional>

// The one source of "now" for everything that stamps or compares dates (log lines,
// listing dates), so tests can pin the time.
namespace Clock {

QDateTime now();
qint64 tickMs();  // monotonic milliseconds, for elapsed-time figures

// Tests install a fixed or stepping source; an empty function restores the system clock.
void setSource(std::function<QDateTime()> source);

}  // namespace Clock
