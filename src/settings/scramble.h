#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Stored form of site passwords ("sites.ini" `Pass`) and of the proxy password
// ("orvoftp.ini" `ProxyPass`): a marker byte 127, then for each byte of the UTF-8 password
// the byte plus ScrambleOffset (mod 256) and a random filler byte from '2' (50) to 'c' (99).
// The offset is chosen so that no byte of a password without control characters becomes
// 0, 10 or 13, which an INI line cannot hold: only 0xF5, 0xFF (never in UTF-8) and 0x02
// map there. This is obfuscation against a glance over the shoulder, not encryption; the
// files are kept private (mode 0600) for that.
inline constexpr quint8 ScrambleOffset = 11;
inline constexpr char ScrambleMarker = 127;
// The longest password whose stored form (2n + 1 bytes) is still read back whole.
inline constexpr int MaxPasswordBytes = 511;

// Why a password cannot be stored, or nothing when it can.
std::optional<QString> passwordProblem(const QString& password);

// Throws AppError with passwordProblem()'s text for a password that cannot be stored.
QByteArray ScramblePassword(const QString& password);

// Takes every second byte after the marker and undoes the offset. Does not check the
// marker: a value of one byte (the marker alone) or an empty value gives "".
QString UnscramblePassword(const QByteArray& stored);

// True when `stored` is in scrambled form (starts with the marker).
bool IsScrambled(const QByteArray& stored);

// The password a stored value stands for: unscrambled when it has the marker, else taken
// as plain text (a password typed into the file by hand; the program never stores one).
QString StoredPassword(const QByteArray& stored);
