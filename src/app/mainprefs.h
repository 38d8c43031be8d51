#pragma once

#include "settings/preferences.h"

#include <QObject>

class QMenu;
class QWidget;
class TfrmASCII;
class TfrmMain;
class TfrmPref;
class TfrmRename;

// The main window's "&Preferences" submenu and toolbar button: the preferences window and
// the two extension-list windows ("&Custom Commands" belongs to MainCustomCommands). The
// windows write "orvoftp.ini"; the settings store announces the change, and the session and
// the window apply it (no restart).
class MainPreferences : public QObject
{
    Q_OBJECT

public:
    explicit MainPreferences(TfrmMain& window);

    // Adds "mnuGeneral" (toolbar "Preferences"), "mnuAsciiExtensions" and
    // "mnuRenameExtensions" to the window's registry.
    void buildCommands();
    QMenu* BuildMenu(QWidget* parent);

    // What the preferences window starts with: the record, the engine's proxy and log
    // values and the lists.
    PreferencesValues CurrentValues() const;

    // Each opens its window (modal, without blocking the caller) and returns it.
    TfrmPref* ShowPreferences();
    TfrmASCII* ShowAsciiExtensions();
    TfrmRename* ShowRenameExtensions();

private:
    TfrmMain& m_window;
};
