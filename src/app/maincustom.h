#pragma once

#include "settings/customcommandlist.h"

#include <QList>
#include <QObject>

class CustomCommandRunner;
class QKeySequence;
class QMenu;
class TfrmCustom;
class TfrmMain;

// The main window's custom commands: the "Custom Commands" submenu (built from [Commands]
// at start-up and whenever the editing window closes), one registry command per entry
// ("mnuCustom1", ...; enabled while the session is idle) with its Ctrl+Shift shortcut, the
// editing window, and the runner that sends the commands.
class MainCustomCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* EntryPrefix = "mnuCustom";

    explicit MainCustomCommands(TfrmMain& window);

    // Adds "mnuCustomCommands" (the editing window) and the submenu's entries.
    void buildCommands();

    QMenu* Menu = nullptr;  // "Custom Commands"
    CustomCommandRunner* Runner = nullptr;
    // The live list the submenu shows; the editing window changes it in place.
    QList<CustomCommand> Entries;

    // Reads [Commands] and builds the submenu and its commands again.
    void BuildMenu();
    TfrmCustom* ShowEditor();
    // Runs entry `index` (from 0) on the remote view's selection.
    void Run(int index);
    // The caption of the window's command that has `sequence` as its shortcut; the
    // submenu's own entries do not count (the editing window checks those itself).
    QString ShortcutOwner(const QKeySequence& sequence) const;

private:
    void rebuildEntries();

    TfrmMain& m_window;
    int m_registered = 0;  // mnuCustom1..N in the registry
};
