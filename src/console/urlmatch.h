#pragma once

#include "console/textpack.h"

#include <QString>

namespace ConsoleUrl {

// Whether one space-free word is taken for a URL: a "www." host, a "news:" or "mailto:"
// address, an e-mail address, an "http://" or "ftp://" address, or a dotted IPv4 address.
bool IsURL(QStringView word);

// Underlines text[pos, pos + length) in `urlColor`, then restores the style and colour that
// were in force before it (the console's default colour when no colour code precedes it).
QString MarkURL(const QString& text, int pos, int length, TColor urlColor);

// Marks every space-separated word of `text` that is a URL. Words holding codes are not
// tested: they were either marked already or cannot be URLs.
QString MarkURLs(const QString& text, TColor urlColor);

}  // namespace ConsoleUrl
