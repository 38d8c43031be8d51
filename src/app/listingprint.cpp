#include "app/listingprint.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace {

PrinterChooser& chooserSlot()
{
    static PrinterChooser chooser;
    return chooser;
}

}  // namespace

void setPrinterChooser(PrinterChooser chooser)
{
    chooserSlot() = std::move(chooser);
}

bool choosePrinter(QPrinter& printer, QWidget* parent)
{
    if (const PrinterChooser& chooser = chooserSlot())
        return chooser(printer, parent);
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool printLines(QPrinter& printer, const QFont& font, const QStringList& lines)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setFont(font);
    const QRect page = painter.viewport();
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;
    const QFontMetrics metrics = painter.fontMetrics();
    int y = 0;
    for (const QString& line : lines) {
        // An empty line still takes a line's height.
        const QString text = line.isEmpty() ? QStringLiteral(" ") : line;
        const QRect needed = metrics.boundingRect(QRect(0, 0, page.width(), page.height()), flags, text);
        const int height = qMin(qMax(needed.height(), metrics.lineSpacing()), page.height());
        if (y > 0 && y + height > page.height()) {
            printer.newPage();
            y = 0;
        }
        painter.drawText(QRect(0, y, page.width(), height), flags, text);
        y += height;
    }
    return painter.end();
}
