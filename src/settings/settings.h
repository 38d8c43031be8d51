#pragma once

#include "settings/configdata.h"

#include <QList>
#include <QString>
#include <QStringList>

class IniDocument;
class IniFile;

// Reads every behaviour key of [Setup] into the record (missing or malformed keys give
// their defaults), [Skip] Enabled, and rebuilds the lists: AsciiExtensions from
// [Extensions] (".txt" becomes "*.txt"), RenameRules from [Rename], SkipList from [Skip]
// and `noProxyHost` (the engine's NoProxyHost) from [Proxy].
void LoadSettings(const IniDocument& doc, Settings& settings, QStringList& noProxyHost);
void LoadSettings(const IniFile& ini, Settings& settings, QStringList& noProxyHost);

// The [Setup] keys that are not kept in ConfigData: they go to the engine, the log console
// and the file views. ProxyPass is the plain password (stored scrambled); a ProxyPort
// outside 1..65535 reads as the default.
struct ViewSettings {
    QString ProxyHost;
    qint32 ProxyPort = 21;
    QString ProxyUser;
    QString ProxyPass;
    QString LogFile;
    qint32 BuffSize = 200;
    bool HideHeader = false;
    bool SelectLine = false;
    QString FontName = QStringLiteral("MS Sans Serif");
    qint32 FontSize = 8;

    bool operator==(const ViewSettings&) const = default;
};
ViewSettings readViewSettings(const IniDocument& doc);

// What the log console takes from the settings: its line limit (TcXConsole::MaxLines, which
// itself ignores values outside 1..30000) and its font.
struct ConsoleViewSettings {
    int maxLines = 200;
    QString fontName;
    int fontSize = 8;

    bool operator==(const ConsoleViewSettings&) const = default;
};
ConsoleViewSettings consoleViewSettings(const ViewSettings& view);


// One [Editors] entry: extensions (for example ".htm;.html"), a comma, a program.
struct EditorRule {
    QString extensions;
    QString program;

    bool operator==(const EditorRule&) const = default;
};
// e1, e2, ... each split at its first comma; an entry without a comma has no extensions.
QList<EditorRule> readEditorRules(const IniDocument& doc);
// The program of the first [Editors] entry whose extension part contains the file's
// extension (with its dot, compared in upper case); empty when none does or the file has
// no extension.
QString editorForFile(const IniDocument& doc, const QString& fileName);
