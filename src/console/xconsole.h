#pragma once

#include "console/linewrap.h"
#include "console/textpack.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <functional>

class QAction;
class QMenu;
class QPainter;
class TWrapThread;

// The scrolling colour log control: a bounded list of logical lines, each word-wrapped to the
// width of the view and drawn from a back buffer with per-segment style, text colour and
// background. Lines are added at the bottom and the view follows the bottom while it is there.
//
// Adding a line wraps only that line and, when the view follows, scrolls the back buffer and
// draws only the new strip; the cost does not depend on how many lines are held. A resize
// re-wraps every line in time slices on the UI thread (TWrapThread), newest first.
class TcXConsole : public QAbstractScrollArea
{
    Q_OBJECT

public:
    enum TBorderStyle { bsNone, bsSingle };
    enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

    static constexpr int MaxLinesLimit = 30000;

    explicit TcXConsole(QWidget* parent = nullptr);
    ~TcXConsole() override;

    // --- Published properties ---------------------------------------------------------------
    // Setters ignore values outside their ranges. The font is the widget's own (setFont):
    // changing it re-measures the row height and re-wraps every line.
    int MaxLines() const { return m_maxLines; }
    void SetMaxLines(int value);  // 1..30000; lowering it drops the oldest lines at once
    int MaxRemove() const { return m_maxRemove; }
    void SetMaxRemove(int value);  // 1..30000 and at most MaxLines
    bool ScrollOnAdd() const { return m_scrollOnAdd; }
    void SetScrollOnAdd(bool value) { m_scrollOnAdd = value; }
    bool LogKeep() const { return m_logKeep; }
    void SetLogKeep(bool value) { m_logKeep = value; }
    const QString& LogFileName() const { return m_logFileName; }
    void SetLogFileName(const QString& name);  // taken when it differs and is valid or empty
    bool Monochrome() const { return m_monochrome; }
    void SetMonochrome(bool value);
    bool URLRecognize() const { return m_urlRecognize; }
    void SetURLRecognize(bool value) { m_urlRecognize = value; }
    TColor URLColor() const { return m_urlColor; }
    void SetURLColor(TColor value) { m_urlColor = value & 0xFFFFFF; }
    const QList<QPixmap>& Images() const { return m_images; }
    void SetImages(const QList<QPixmap>& images);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle value);
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TScrollStyle value);
    bool Ctl3D() const { return m_ctl3D; }
    void SetCtl3D(bool value);

    // Raised when a line cannot be appended to the log file; the line stays in the console.
    std::function<void(const QString& message)> OnLogError;

    // --- Operations -------------------------------------------------------------------------
    // One complete line in one text colour (no background, style 0, no image).
    void AddLine(const QString& text, TColor color);
    // Appends a segment to the line being composed; clNone stands for no colour.
    void AddText(const QString& text, int image, TColor background, TColor textColor, int style);
    void EndLine();
    void Clear();
    void CopyAll();
    int Count() const { return m_lines.Count(); }

    // --- State, for owners and tests --------------------------------------------------------
    const TLines& Lines() const { return m_lines; }
    // The plain text of every line, each followed by a line feed (what CopyAll copies).
    QString Text() const;
    int RowHeight() const { return m_metrics.RowHeight(); }
    qint64 TotalHeight() const { return m_lines.TotalHeight(); }
    // Content y shown at the bottom edge of the view; equals TotalHeight at the bottom.
    qint64 ScrollPos() const { return m_scrollPos; }
    bool AtBottom() const { return m_scrollPos >= m_lines.TotalHeight(); }
    bool Rewrapping() const;
    void FinishRewrap();

    // The console's own context menu ("&Copy to clipboard", "C&lear"). An owner may show its
    // own menu instead (SetPopupMenu), as the server browser shares the main window's.
    QMenu* ContextMenu() const { return m_menu; }
    QAction* CopyAction() const { return m_copyAction; }
    QAction* ClearAction() const { return m_clearAction; }
    void SetPopupMenu(QMenu* menu) { m_popupMenu = menu; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Lines and scrolling (xconsole.cpp).
    void BuildMenu();
    void RemoveOldest(int count);
    void WriteLog(const QString& line);
    TWrapGeometry Geometry() const;
    void StartRewrap();
    bool RewrapSlice(bool restart);
    void CaptureProportion();
    int ViewHeight() const;
    qint64 ViewTop() const;
    void NormaliseScroll();
    void UpdateScrollBar();
    void Invalidate();

    // Back buffer and drawing (xconsolepaint.cpp).
    void FlushBuffer();
    bool ScrollBuffer(qint64 delta);
    void RenderRows(int fromY, int toY);
    void DrawLine(QPainter& painter, const TTextPack& line, int top, int fromY, int toY);
    QColor TextColor() const;

    TLines m_lines;
    TTextPack m_current;  // the line being composed
    bool m_composing = false;

    int m_maxLines = 200;
    int m_maxRemove = 1;
    bool m_scrollOnAdd = true;
    bool m_logKeep = false;
    QString m_logFileName;
    bool m_monochrome = false;
    bool m_urlRecognize = true;
    TColor m_urlColor = clBlue;
    QList<QPixmap> m_images;
    QSize m_imageSize;
    TColor m_color = 0xFFFFFF;
    TBorderStyle m_borderStyle = bsSingle;
    TScrollStyle m_scrollBars = ssNone;
    bool m_ctl3D = true;

    TConsoleMetrics m_metrics;
    qint64 m_scrollPos = 0;
    bool m_updatingBar = false;

    // Re-wrap: the width lines were last wrapped to (-1: must re-wrap at the next resize),
    // the next line to re-wrap (by serial) and the scroll proportion to keep.
    TWrapThread* m_wrap = nullptr;
    int m_wrapWidth = -1;
    TWrapGeometry m_wrapGeometry;
    qint64 m_wrapCursor = -1;
    double m_proportion = 1.0;
    bool m_proportionAtBottom = true;

    // Back buffer: the content y of its first row and how far down it is up to date.
    QImage m_buffer;
    qint64 m_bufferTop = 0;
    qint64 m_bufferValidEnd = 0;
    bool m_bufferStale = true;

    QMenu* m_menu = nullptr;
    QMenu* m_popupMenu = nullptr;
    QAction* m_copyAction = nullptr;
    QAction* m_clearAction = nullptr;
};
