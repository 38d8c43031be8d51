#include "fileops/edittext.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const QByteArray kBom("\xEF\xBB\xBF", 3);

// The line end most lines of the text use; LF when there are none or on a tie.
QString mainLineEnd(const QString& text)
{
    qsizetype crlf = 0, lf = 0, cr = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\r')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
                ++crlf;
                ++i;
            } else {
                ++cr;
            }
        } else if (text[i] == QLatin1Char('\n')) {
            ++lf;
        }
    }
    if (crlf > lf && crlf >= cr)
        return QStringLiteral("\r\n");
    if (cr > lf && cr > crlf)
        return QStringLiteral("\r");
    return QStringLiteral("\n");
}

}  // namespace

DecodedText DecodeTextFile(const QByteArray& bytes)
{
    DecodedText decoded;
    QByteArrayView body(bytes);
    if (body.startsWith(kBom)) {
        decoded.format.byteOrderMark = true;
        body = body.sliced(kBom.size());
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(body);
    if (utf8.hasError()) {
        // Not UTF-8: every byte is one Latin-1 character, so nothing is lost on the way back.
        text = QString::fromLatin1(bytes);
        decoded.format.encoding = TextFileFormat::Encoding::Latin1;
        decoded.format.byteOrderMark = false;
    }
    decoded.format.lineEnd = mainLineEnd(text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    decoded.text = std::move(text);
    return decoded;
}

std::optional<QByteArray> EncodeTextFile(const QString& text, const TextFileFormat& format)
{
    QString lines = text;
    if (format.lineEnd != QLatin1String("\n"))
        lines.replace(QLatin1Char('\n'), format.lineEnd);
    if (format.encoding == TextFileFormat::Encoding::Latin1) {
        for (const QChar c : lines) {
            if (c.unicode() > 0xff)
                return std::nullopt;
        }
        return lines.toLatin1();
    }
    QByteArray bytes = format.byteOrderMark ? kBom : QByteArray();
    return bytes + lines.toUtf8();
}
