#include "consoletest.h"

#include "testutil.h"

#include <QScrollBar>

namespace consoletest {

QFont TestFont()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(12);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

std::unique_ptr<TcXConsole> MakeConsole(QSize viewport)
{
    auto console = std::make_unique<TcXConsole>();
    console->setFont(TestFont());
    console->SetScrollBars(TcXConsole::ssVertical);
    console->show();
    ResizeViewport(*console, viewport);
    return console;
}

void ResizeViewport(TcXConsole& console, QSize viewport)
{
    const QSize extra = console.size() - console.viewport()->size();
    console.resize(viewport + extra);
    console.FinishRewrap();
}

void AddNumbered(TcXConsole& console, int first, int last, const QString& prefix)
{
    for (int i = first; i <= last; ++i)
        console.AddLine(prefix + QString::number(i), clBlack);
}

QString LineAt(const TcXConsole& console, qint64 y)
{
    qint64 top = 0;
    for (int i = 0; i < console.Count(); ++i) {
        const TTextPack& line = console.Lines()[i];
        if (y >= top && y < top + line.Height)
            return ConsoleCode::PlainText(line.Text);
        top += line.Height;
    }
    return {};
}

QString TopLine(const TcXConsole& console)
{
    const qint64 viewTop = std::max<qint64>(0, console.ScrollPos() - console.viewport()->height());
    return LineAt(console, viewTop);
}

}  // namespace consoletest
