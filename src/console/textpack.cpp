#include "console/textpack.h"

#include <algorithm>

QColor ColorToQColor(TColor color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TColor QColorToColor(const QColor& color)
{
    return TColor(color.red()) | (TColor(color.green()) << 8) | (TColor(color.blue()) << 16);
}

namespace ConsoleCode {

namespace {

QString Code(char16_t code, quint32 value, int digits)
{
    static constexpr char16_t Hex[] = u"0123456789ABCDEF";
    QString text(1 + digits, Qt::Uninitialized);
    QChar* out = text.data();
    out[0] = QChar(code);
    for (int i = digits; i > 0; --i, value >>= 4)
        out[i] = QChar(Hex[value & 15]);
    return text;
}

}  // namespace

QString StyleCode(int style)
{
    return Code(Style, quint32(style) & 0xFF, 2);
}

QString ColorCode(TColor color)
{
    return Code(Color, color & 0xFFFFFF, 6);
}

QString BackCode(TColor color)
{
    return Code(Back, color & 0xFFFFFF, 6);
}

quint32 CodeValue(const QString& text, int pos)
{
    const int digits = CodeLength(text[pos].unicode()) - 1;
    if (pos + 1 + digits > text.size())
        return 0;
    bool ok = false;
    const quint32 value = QStringView(text).mid(pos + 1, digits).toUInt(&ok, 16);
    return ok ? value : 0;
}

QString WithoutControls(const QString& text)
{
    QString clean;
    clean.reserve(text.size());
    for (QChar c : text) {
        if (c.unicode() >= 32)
            clean += c;
    }
    return clean;
}

QString PlainText(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    const int n = int(text.size());
    for (int i = 0; i < n;) {
        const char16_t c = text[i].unicode();
        if (IsCode(c)) {
            i += CodeLength(c);
        } else {
            if (c >= 32)
                plain += QChar(c);
            ++i;
        }
    }
    return plain;
}

}  // namespace ConsoleCode

void TLines::Append(TTextPack line)
{
    m_totalHeight += line.Height;
    m_items.push_back(std::move(line));
}

qint64 TLines::RemoveOldest(int count)
{
    count = std::clamp(count, 0, Count());
    qint64 removed = 0;
    for (int i = 0; i < count; ++i) {
        removed += m_items.front().Height;
        m_items.pop_front();
    }
    m_totalHeight -= removed;
    m_firstSerial += count;
    return removed;
}

void TLines::Clear()
{
    m_firstSerial += Count();
    m_items.clear();
    m_totalHeight = 0;
}

void TLines::Update(int index, const std::function<void(TTextPack&)>& change)
{
    TTextPack& line = m_items[size_t(index)];
    m_totalHeight -= line.Height;
    change(line);
    m_totalHeight += line.Height;
}
