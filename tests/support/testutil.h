#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <functional>

namespace testutil {

// Spins the event loop until `done` holds or the deadline passes; returns `done()`.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000);

// Spins the event loop for a while (for "nothing else happens" checks only).
void spin(int ms);

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& data);
QByteArray sha256OfFile(const QString& path);
// A file of `size` bytes of a repeatable, non-trivial pattern.
bool writePatternFile(const QString& path, qint64 size, quint32 seed = 1);

// The permission bits of a file (st_mode & 07777), -1 when it cannot be read.
int fileMode(const QString& path);

// Directory with the helper scripts (tests/support in the source tree).
QString supportDir();

// True when the tests run as root (system fixtures such as vsftpd need it).
bool isRoot();

}  // namespace testutil
