#pragma once

#include <QChar>
#include <QList>
#include <QString>

class IniDocument;

// One entry of the "Custom Commands" submenu as [Commands] of "orvoftp.ini" keeps it:
// c<n> the caption, p<n> the command text, k<n> the shortcut's display text
// ("Ctrl+Shift+A"), empty for none.
struct CustomCommand {
    QString caption;
    QString command;
    QString shortcutText;

    // The shortcut's character (Ctrl+Shift+that key): the last character of its text, upper
    // case ("a" was a key of the numeric pad and never what was meant); null for none.
    QChar key() const;

    bool operator==(const CustomCommand&) const = default;
};

// c1, p1, k1, c2, ... up to the first missing or empty caption.
QList<CustomCommand> readCustomCommands(const IniDocument& doc);
// Erases [Commands] and writes the entries with counters 1..N.
void writeCustomCommands(IniDocument& doc, const QList<CustomCommand>& commands);
