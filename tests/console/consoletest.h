#pragma once

#include "console/xconsole.h"

#include <QFont>
#include <QSize>
#include <memory>

namespace consoletest {

// A font whose advances are fixed and whose pixels are not blended, so widths and colours
// can be asserted exactly.
QFont TestFont();

// A shown console with the test font and a vertical scroll bar, its viewport `viewport` in
// size, with every re-wrap finished.
std::unique_ptr<TcXConsole> MakeConsole(QSize viewport = QSize(400, 200));

// Resizes so that the viewport gets `viewport` and waits for the re-wrap.
void ResizeViewport(TcXConsole& console, QSize viewport);

// Adds "line 1" .. "line N" (each `prefix` + number), in black.
void AddNumbered(TcXConsole& console, int first, int last, const QString& prefix = QStringLiteral("line "));

// The plain text of the line at content y, or an empty text.
QString LineAt(const TcXConsole& console, qint64 y);
// The plain text of the line shown at the top edge of the view.
QString TopLine(const TcXConsole& console);

}  // namespace consoletest
