// Drawing of the log console: the back buffer, kept in step with the content by scrolling it
// and drawing only what is new, and the rows of each line with their inline codes.
#include "console/xconsole.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

// What the codes met so far in a line have set.
struct RunState
{
    int style = 0;
    QColor text;
    std::optional<QColor> background;
};

}  // namespace

QColor TcXConsole::TextColor() const
{
    return palette().color(QPalette::Text);
}

void TcXConsole::paintEvent(QPaintEvent* event)
{
    FlushBuffer();
    if (m_buffer.isNull())
        return;
    QPainter painter(viewport());
    const QRectF target = event->rect();
    const qreal ratio = m_buffer.devicePixelRatio();
    const QRectF source(target.x() * ratio, target.y() * ratio, target.width() * ratio, target.height() * ratio);
    painter.drawImage(target, m_buffer, source);
}

void TcXConsole::FlushBuffer()
{
    const QSize size = viewport()->size();
    const qreal ratio = viewport()->devicePixelRatio();
    const QSize pixels(qRound(size.width() * ratio), qRound(size.height() * ratio));
    if (pixels.isEmpty()) {
        m_buffer = QImage();
        m_bufferStale = true;
        return;
    }
    if (m_buffer.size() != pixels || m_buffer.devicePixelRatio() != ratio) {
        m_buffer = QImage(pixels, QImage::Format_RGB32);
        m_buffer.setDevicePixelRatio(ratio);
        // Fonts resolve at the window's resolution, as they were measured.
        m_buffer.setDotsPerMeterX(qRound(viewport()->logicalDpiX() / 0.0254));
        m_buffer.setDotsPerMeterY(qRound(viewport()->logicalDpiY() / 0.0254));
        m_bufferStale = true;
    }
    const int height = size.height();
    const qint64 top = ViewTop();
    int from = 0;
    if (!m_bufferStale) {
        const qint64 delta = top - m_bufferTop;
        if (delta >= 0 && delta < height && ScrollBuffer(delta))
            from = int(std::clamp<qint64>(std::min<qint64>(height - delta, m_bufferValidEnd - top), 0, height));
    }
    if (from < height)
        RenderRows(from, height);
    m_bufferTop = top;
    m_bufferValidEnd = top + height;
    m_bufferStale = false;
}

bool TcXConsole::ScrollBuffer(qint64 delta)
{
    if (delta == 0)
        return true;
    const qreal rows = qreal(delta) * m_buffer.devicePixelRatio();
    if (rows != std::floor(rows))
        return false;  // a fractional device row cannot be moved; draw everything instead
    const qsizetype lineBytes = m_buffer.bytesPerLine();
    const int shift = int(rows);
    uchar* bits = m_buffer.bits();
    std::memmove(bits, bits + shift * lineBytes, size_t((m_buffer.height() - shift) * lineBytes));
    return true;
}

void TcXConsole::RenderRows(int fromY, int toY)
{
    QPainter painter(&m_buffer);
    const QRect area(0, fromY, viewport()->width(), toY - fromY);
    painter.setClipRect(area);
    painter.fillRect(area, ColorToQColor(m_color));
    // From the newest line upward: at the bottom, where the view usually is, this touches
    // only the lines on screen.
    const qint64 top = ViewTop();
    qint64 y = TotalHeight();
    for (int i = Count() - 1; i >= 0; --i) {
        const TTextPack& line = m_lines[i];
        y -= line.Height;
        const qint64 lineTop = y - top;
        if (lineTop >= toY)
            continue;
        if (lineTop + line.Height <= fromY)
            break;
        DrawLine(painter, line, int(lineTop), fromY, toY);
    }
}

void TcXConsole::DrawLine(QPainter& painter, const TTextPack& line, int top, int fromY, int toY)
{
    if (line.Breaks.isEmpty())
        return;
    const TWrapGeometry geometry = Geometry();
    if (geometry.ShowsImage(line))
        painter.drawPixmap(2, top, m_images[line.Image]);
    const QString& text = line.Text;
    const int rowHeight = RowHeight();
    RunState state;
    state.text = TextColor();
    int painterStyle = -1;
    int pos = 0;
    for (int row = 0; row < line.Breaks.size(); ++row) {
        const qint64 rowTop = qint64(top) + qint64(row) * rowHeight;
        if (rowTop >= toY)
            break;
        const int rowEnd = std::min(line.Breaks[row], int(text.size()));
        const bool visible = rowTop + rowHeight > fromY;
        int x = geometry.StartX(line);
        while (pos < rowEnd) {
            const char16_t c = text[pos].unicode();
            if (ConsoleCode::IsCode(c)) {
                const quint32 value = ConsoleCode::CodeValue(text, pos);
                if (c == ConsoleCode::Style) {
                    state.style = int(value & 15);
                } else if (!m_monochrome && c == ConsoleCode::Color) {
                    state.text = value == clNone ? TextColor() : ColorToQColor(value);
                } else if (!m_monochrome && c == ConsoleCode::Back) {
                    state.background = value == clNone ? std::nullopt : std::optional(ColorToQColor(value));
                }
                pos += ConsoleCode::CodeLength(c);
                continue;
            }
            int end = pos;
            while (end < rowEnd && !ConsoleCode::IsCode(text[end].unicode()))
                ++end;
            if (visible) {
                const QStringView run = QStringView(text).mid(pos, end - pos);
                const int width = m_metrics.RunWidth(state.style, run);
                if (state.background)
                    painter.fillRect(QRect(x, int(rowTop), width, rowHeight), *state.background);
                if (painterStyle != state.style) {
                    painter.setFont(m_metrics.Font(state.style));
                    painterStyle = state.style;
                }
                const QFontMetrics& fm = m_metrics.Metrics(state.style);
                painter.setPen(state.text);
                painter.drawText(QPoint(x, int(rowTop) + (rowHeight - fm.height()) / 2 + fm.ascent()), run.toString());
                x += width;
            }
            pos = end;
        }
    }
}
