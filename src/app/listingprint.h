#pragma once

#include <QFont>
#include <QStringList>
#include <functional>

class QPrinter;
class QWidget;

// Asks the user which printer to use (the system's print dialog) and sets `printer` up;
// false when the user cancelled. Tests replace it, typically with PDF output to a file.
using PrinterChooser = std::function<bool(QPrinter& printer, QWidget* parent)>;
void setPrinterChooser(PrinterChooser chooser);  // empty restores the print dialog
bool choosePrinter(QPrinter& printer, QWidget* parent);

// Prints `lines` in `font`, tabs expanded, long lines wrapped, as many pages as they need.
// False when the printer could not be started.
bool printLines(QPrinter& printer, const QFont& font, const QStringList& lines);
