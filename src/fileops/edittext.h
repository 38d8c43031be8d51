#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// How a text file was written, so that the built-in editor writes it back the same way: its
// encoding (UTF-8 when it is valid UTF-8, else Latin-1, which takes any bytes), whether it
// began with a UTF-8 byte-order mark, and its line ends.
struct TextFileFormat
{
    enum class Encoding : quint8 { Utf8, Latin1 };
    Encoding encoding = Encoding::Utf8;
    bool byteOrderMark = false;
    QString lineEnd = QStringLiteral("\n");  // "\r\n", "\n" or "\r"

    bool operator==(const TextFileFormat&) const = default;
};

struct DecodedText
{
    QString text;  // lines separated by "\n"
    TextFileFormat format;
};

// The file's bytes as text. Every line end (CR LF, LF, a lone CR) becomes "\n"; the format
// keeps the one most lines use, so a file that mixes them is written back with that one.
DecodedText DecodeTextFile(const QByteArray& bytes);

// The text (lines separated by "\n") as the bytes of a file of `format`. Empty when the text
// holds a character the encoding cannot store (Latin-1 stores U+0000..U+00FF only).
std::optional<QByteArray> EncodeTextFile(const QString& text, const TextFileFormat& format);
