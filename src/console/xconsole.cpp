#include "console/xconsole.h"

#include "console/consolelog.h"
#include "console/urlmatch.h"
#include "console/wrapthread.h"
#include "platform/core/clock.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A re-wrap slice yields to the event loop after this long.
constexpr qint64 RewrapSliceMs = 12;

int ClampToInt(qint64 value)
{
    return int(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}

}  // namespace

TcXConsole::TcXConsole(QWidget* parent)
    : QAbstractScrollArea(parent),
      m_wrap(new TWrapThread([this](bool restart) { return RewrapSlice(restart); }, this))
{
    m_color = QColorToColor(palette().color(QPalette::Base));
    // Every pixel comes from the back buffer: the system need not erase anything first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SetScrollBars(ssNone);
    SetBorderStyle(bsSingle);
    m_metrics.SetFont(font(), viewport());
    BuildMenu();
    UpdateScrollBar();
}

TcXConsole::~TcXConsole()
{
    m_wrap->Stop();
}

void TcXConsole::BuildMenu()
{
    m_menu = new QMenu(this);
    m_copyAction = m_menu->addAction(QStringLiteral("&Copy to clipboard"), this, &TcXConsole::CopyAll);
    m_clearAction = m_menu->addAction(QStringLiteral("C&lear"), this, &TcXConsole::Clear);
}

// --- Properties ----------------------------------------------------------------------------

void TcXConsole::SetMaxLines(int value)
{
    if (value < 1 || value > MaxLinesLimit)
        return;
    m_maxLines = value;
    // A MaxRemove above MaxLines would keep the console from ever trimming again.
    m_maxRemove = std::min(m_maxRemove, value);
    if (Count() > value) {
        RemoveOldest(Count() - value);
        UpdateScrollBar();
        Invalidate();
    }
}

void TcXConsole::SetMaxRemove(int value)
{
    if (value < 1 || value > MaxLinesLimit || value > m_maxLines)
        return;
    m_maxRemove = value;
}

void TcXConsole::SetLogFileName(const QString& name)
{
    if (name != m_logFileName && (name.isEmpty() || ConsoleLog::IsValidLogFileName(name)))
        m_logFileName = name;
}

void TcXConsole::SetMonochrome(bool value)
{
    m_monochrome = value;
    Invalidate();
}

void TcXConsole::SetImages(const QList<QPixmap>& images)
{
    m_images = images;
    m_imageSize = QSize();
    for (const QPixmap& image : images)
        m_imageSize = m_imageSize.expandedTo(image.deviceIndependentSize().toSize());
    Invalidate();
    m_wrapWidth = -1;
    if (viewport()->width() >= Geometry().MinWidth())
        StartRewrap();
}

void TcXConsole::SetColor(TColor value)
{
    m_color = value & 0xFFFFFF;
    Invalidate();
}

namespace {

void ApplyFrame(QFrame* frame, TcXConsole::TBorderStyle border, bool ctl3D)
{
    if (border == TcXConsole::bsNone) {
        frame->setFrameStyle(QFrame::NoFrame);
        return;
    }
    frame->setFrameStyle(ctl3D ? QFrame::StyledPanel | QFrame::Sunken : QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
}

}  // namespace

void TcXConsole::SetBorderStyle(TBorderStyle value)
{
    m_borderStyle = value;
    ApplyFrame(this, m_borderStyle, m_ctl3D);
}

void TcXConsole::SetCtl3D(bool value)
{
    m_ctl3D = value;
    ApplyFrame(this, m_borderStyle, m_ctl3D);
}

void TcXConsole::SetScrollBars(TScrollStyle value)
{
    // Lines wrap to the width, so there is never anything to scroll sideways.
    m_scrollBars = value;
    const bool vertical = value == ssVertical || value == ssBoth;
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

// --- Adding lines --------------------------------------------------------------------------

void TcXConsole::AddLine(const QString& text, TColor color)
{
    AddText(text, -1, clNone, color, 0);
    EndLine();
}

void TcXConsole::AddText(const QString& text, int image, TColor background, TColor textColor, int style)
{
    if (text.isEmpty())
        return;
    const QString clean = ConsoleCode::WithoutControls(text);
    QString segment = ConsoleCode::StyleCode(style);
    if (background != clNone)
        segment += ConsoleCode::BackCode(background);
    if (textColor != clNone)
        segment += ConsoleCode::ColorCode(textColor);
    if (!m_composing) {
        m_current = TTextPack();
        m_composing = true;
    }
    const int textStart = int(m_current.Text.size() + segment.size());
    m_current.Text += segment;
    m_current.Text += clean;
    if (m_urlRecognize) {
        const qsizetype space = clean.indexOf(u' ');
        const int length = int(space < 0 ? clean.size() : space);
        if (ConsoleUrl::IsURL(QStringView(clean).left(length)))
            m_current.Text = ConsoleUrl::MarkURL(m_current.Text, textStart, length, m_urlColor);
    }
    m_current.Image = image;
}

void TcXConsole::EndLine()
{
    if (!m_composing)
        return;
    TTextPack line = std::move(m_current);
    m_current = TTextPack();
    m_composing = false;

    if (m_urlRecognize && line.Text.size() > 4)
        line.Text = ConsoleUrl::MarkURLs(line.Text, m_urlColor);
    if (m_logKeep && !m_logFileName.isEmpty())
        WriteLog(ConsoleCode::PlainText(line.Text));
    if (Count() > m_maxLines)
        RemoveOldest(std::max(m_maxRemove, Count() - m_maxLines));

    const qint64 oldTotal = TotalHeight();
    const bool wasAtBottom = AtBottom();
    WrapLine(line, m_metrics, Geometry());
    m_lines.Append(std::move(line));
    // The back buffer holds nothing of the new line yet.
    m_bufferValidEnd = std::min(m_bufferValidEnd, oldTotal);
    if (wasAtBottom && (TotalHeight() <= ViewHeight() || m_scrollOnAdd))
        m_scrollPos = TotalHeight();
    NormaliseScroll();
    UpdateScrollBar();
    // Repaint only when something visible changed: the view moved or the line shows in it.
    if (m_bufferStale || ViewTop() != m_bufferTop || m_bufferValidEnd < ViewTop() + ViewHeight())
        viewport()->update();
}

void TcXConsole::RemoveOldest(int count)
{
    const bool atBottom = AtBottom();
    const qint64 removed = m_lines.RemoveOldest(count);
    // Content coordinates move up by what was removed; a reader scrolled up keeps the lines
    // they are looking at.
    m_scrollPos = atBottom ? TotalHeight() : m_scrollPos - removed;
    m_bufferTop -= removed;
    m_bufferValidEnd -= removed;
    NormaliseScroll();
}

void TcXConsole::WriteLog(const QString& line)
{
    const QString failure = ConsoleLog::AppendLine(m_logFileName, line);
    if (failure.isEmpty() || !OnLogError)
        return;
    const auto hook = OnLogError;
    hook(QStringLiteral("Cannot write to the log file %1: %2").arg(m_logFileName, failure));
}

void TcXConsole::Clear()
{
    m_lines.Clear();
    m_scrollPos = 0;
    m_bufferTop = 0;
    m_bufferValidEnd = 0;
    UpdateScrollBar();
    Invalidate();
}

QString TcXConsole::Text() const
{
    QString text;
    for (int i = 0; i < Count(); ++i) {
        text += ConsoleCode::PlainText(m_lines[i].Text);
        text += u'\n';
    }
    return text;
}

void TcXConsole::CopyAll()
{
    QGuiApplication::clipboard()->setText(Text());
}

// --- Wrapping and scrolling ----------------------------------------------------------------

TWrapGeometry TcXConsole::Geometry() const
{
    TWrapGeometry geometry;
    geometry.clientWidth = viewport()->width();
    geometry.imageWidth = m_imageSize.width();
    geometry.imageHeight = m_imageSize.height();
    geometry.imageCount = int(m_images.size());
    return geometry;
}

bool TcXConsole::Rewrapping() const
{
    return m_wrap->Busy();
}

void TcXConsole::FinishRewrap()
{
    m_wrap->Finish();
}

void TcXConsole::StartRewrap()
{
    if (!m_wrap->Busy())
        CaptureProportion();
    m_wrapWidth = viewport()->width();
    m_wrap->Start();
}

void TcXConsole::CaptureProportion()
{
    const qint64 total = TotalHeight();
    m_proportionAtBottom = AtBottom();
    m_proportion = total > 0 ? double(m_scrollPos) / double(total) : 1.0;
}

bool TcXConsole::RewrapSlice(bool restart)
{
    if (restart) {
        m_wrapGeometry = Geometry();
        m_wrapCursor = m_lines.EndSerial() - 1;
    }
    const qint64 deadline = Clock::tickMs() + RewrapSliceMs;
    const auto wrap = [this](TTextPack& line) { WrapLine(line, m_metrics, m_wrapGeometry); };
    int wrapped = 0;
    // Newest first: the lines at the bottom, where the view usually is, are right soonest.
    while (m_wrapCursor >= m_lines.FirstSerial()) {
        m_lines.Update(int(m_wrapCursor - m_lines.FirstSerial()), wrap);
        --m_wrapCursor;
        if (++wrapped % 128 == 0 && Clock::tickMs() >= deadline)
            break;
    }
    const qint64 total = TotalHeight();
    m_scrollPos = m_proportionAtBottom ? total : std::llround(m_proportion * double(total));
    NormaliseScroll();
    UpdateScrollBar();
    Invalidate();
    return m_wrapCursor < m_lines.FirstSerial();
}

int TcXConsole::ViewHeight() const
{
    return viewport()->height();
}

qint64 TcXConsole::ViewTop() const
{
    return std::max<qint64>(0, m_scrollPos - ViewHeight());
}

void TcXConsole::NormaliseScroll()
{
    // Content shorter than the view sits at its top; taller content never leaves a gap below.
    const qint64 total = TotalHeight();
    m_scrollPos = std::clamp(m_scrollPos, std::min<qint64>(total, ViewHeight()), total);
}

void TcXConsole::UpdateScrollBar()
{
    QScrollBar* bar = verticalScrollBar();
    const int viewHeight = ViewHeight();
    m_updatingBar = true;
    bar->setRange(0, ClampToInt(TotalHeight() - viewHeight));
    bar->setPageStep(std::max(1, viewHeight));
    bar->setSingleStep(std::max(1, RowHeight()));
    bar->setValue(ClampToInt(ViewTop()));
    m_updatingBar = false;
}

void TcXConsole::scrollContentsBy(int, int)
{
    if (m_updatingBar)
        return;
    const QScrollBar* bar = verticalScrollBar();
    m_scrollPos = bar->value() >= bar->maximum() ? TotalHeight() : qint64(bar->value()) + ViewHeight();
    NormaliseScroll();
    if (Rewrapping())
        CaptureProportion();
    viewport()->update();
}

void TcXConsole::Invalidate()
{
    m_bufferStale = true;
    viewport()->update();
}

void TcXConsole::resizeEvent(QResizeEvent*)
{
    const QSize size = viewport()->size();
    m_bufferStale = true;
    if (size.width() < Geometry().MinWidth())
        m_wrapWidth = -1;  // nothing is wrapped this narrow; the next wider resize re-wraps
    else if (size.width() >= 31 && size.height() >= 31 && size.width() != m_wrapWidth)
        StartRewrap();
    NormaliseScroll();
    UpdateScrollBar();
}

void TcXConsole::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        m_metrics.SetFont(font(), viewport());
        m_wrapWidth = -1;
        if (viewport()->width() >= Geometry().MinWidth())
            StartRewrap();
        UpdateScrollBar();
        Invalidate();
    } else if (event->type() == QEvent::PaletteChange) {
        Invalidate();
    }
    QAbstractScrollArea::changeEvent(event);
}

void TcXConsole::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = m_popupMenu ? m_popupMenu : m_menu;
    menu->popup(event->globalPos());
}
