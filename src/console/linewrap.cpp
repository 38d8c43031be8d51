#include "console/linewrap.h"

#include <QPaintDevice>
#include <algorithm>
#include <limits>

TConsoleMetrics::TConsoleMetrics()
{
    SetFont(QFont(), nullptr);
}

void TConsoleMetrics::SetFont(const QFont& font, const QPaintDevice* device)
{
    for (int style = 0; style < 16; ++style) {
        QFont variant = font;
        // Runs are drawn whole but measured character by character: without kerning both agree.
        variant.setKerning(false);
        variant.setBold(style & ConsoleCode::fsBold);
        variant.setItalic(style & ConsoleCode::fsItalic);
        variant.setUnderline(style & ConsoleCode::fsUnderline);
        variant.setStrikeOut(style & ConsoleCode::fsStrikeOut);
        Variant& v = m_variants[size_t(style)];
        v.font = variant;
        v.metrics.emplace(device ? QFontMetrics(variant, device) : QFontMetrics(variant));
    }
    for (int style = 0; style < 4; ++style) {
        AdvanceTable& table = m_advances[size_t(style)];
        const QFontMetrics& fm = Metrics(style);
        for (int c = 0; c < 256; ++c)
            table.latin[size_t(c)] = c < 32 ? 0 : fm.horizontalAdvance(QChar(c));
        table.other.clear();
    }
    m_rowHeight = std::max(1, Metrics(0).height());
}

int TConsoleMetrics::Advance(int style, char32_t codePoint)
{
    AdvanceTable& table = m_advances[size_t(style & 3)];
    if (codePoint < 256)
        return table.latin[codePoint];
    auto it = table.other.constFind(codePoint);
    if (it != table.other.constEnd())
        return *it;
    const int width = Metrics(style & 3).horizontalAdvance(QString::fromUcs4(&codePoint, 1));
    table.other.insert(codePoint, width);
    return width;
}

namespace {

// The code point at `i` and how many UTF-16 units it takes (a surrogate pair is never split).
char32_t CodePointAt(QStringView text, qsizetype i, int* length)
{
    const char16_t c = text[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
        *length = 2;
        return QChar::surrogateToUcs4(c, text[i + 1].unicode());
    }
    *length = 1;
    return c;
}

}  // namespace

int TConsoleMetrics::RunWidth(int style, QStringView run)
{
    int width = 0;
    int length = 1;
    for (qsizetype i = 0; i < run.size(); i += length)
        width += Advance(style, CodePointAt(run, i, &length));
    return width;
}

bool WrapLine(TTextPack& line, TConsoleMetrics& metrics, const TWrapGeometry& geometry)
{
    if (geometry.clientWidth < geometry.MinWidth())
        return false;
    const QString& text = line.Text;
    const int n = int(text.size());
    const int startX = geometry.StartX(line);
    QList<int> breaks;
    int style = 0;
    int x = startX;
    bool rowHasChar = false;
    int lastSpace = -1;  // in the current row
    int styleAfterSpace = 0;
    for (int i = 0; i < n;) {
        const char16_t c = text[i].unicode();
        if (ConsoleCode::IsCode(c)) {
            if (c == ConsoleCode::Style)
                style = int(ConsoleCode::CodeValue(text, i));
            i += ConsoleCode::CodeLength(c);
            continue;
        }
        int length = 1;
        x += metrics.Advance(style, CodePointAt(text, i, &length));
        if (x < geometry.clientWidth) {
            if (c == u' ') {
                lastSpace = i;
                styleAfterSpace = style;
            }
            rowHasChar = true;
            i += length;
            continue;
        }
        // The row is full: end it after its last space (a space that overflows hangs at the
        // end), else before this character; a lone character wider than the row keeps it.
        if (c == u' ' || !rowHasChar) {
            i += length;
        } else if (lastSpace >= 0) {
            i = lastSpace + 1;
            style = styleAfterSpace;
        }
        breaks.append(i);
        x = startX;
        rowHasChar = false;
        lastSpace = -1;
    }
    // Codes after the last full row belong to it rather than to an empty row of their own.
    if (breaks.isEmpty() || rowHasChar)
        breaks.append(n);
    else
        breaks.last() = n;

    qint64 height = qint64(breaks.size()) * metrics.RowHeight();
    if (geometry.ShowsImage(line))
        height = std::max<qint64>(height, geometry.imageHeight);
    line.Breaks = std::move(breaks);
    line.Height = qint32(std::min<qint64>(height, std::numeric_limits<qint32>::max()));
    return true;
}
