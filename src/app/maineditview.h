#pragma once

#include "fileops/remoteedit.h"

#include <QObject>
#include <memory>

class CommandRegistry;
class EditStore;
class FilePanel;
class QToolBar;
class QWidget;
class TfrmMain;

// The main window's View and Edit commands ("&View" Ctrl+Shift+V, "&Edit" Ctrl+E, the
// toolbar's "View file" and "Edit file", the views' pop-up, a double click when DoubleClick
// is 1 or 2). A local file goes to its program at once; a remote one is fetched and viewed
// or edited through RemoteEdit on the window's session. The private store of fetched copies
// lives here for the whole program, so that a server browser can share it.
class MainEditView : public QObject
{
    Q_OBJECT

public:
    explicit MainEditView(TfrmMain& window);
    ~MainEditView() override;

    // "mnuView", "mnuEdit", "popView", "popEdit" with their rules and keys.
    void RegisterCommands(CommandRegistry& commands);
    void AddToolButtons(QToolBar* toolBar);

    EditStore& Store() { return *m_store; }
    RemoteEdit& Remote() { return *m_remote; }
    // What a RemoteEdit needs of the desktop: its opener, and the built-in editor as a window
    // of `parent` (the window it blocks while it is open).
    static EditHooks DesktopHooks(QWidget* parent);

    void popViewClick();
    void popEditClick();
    // The same on a given pane (a double click).
    void ViewFrom(FilePanel* panel);
    void EditFrom(FilePanel* panel);

private:
    QString localPath(const QString& name) const;

    TfrmMain& m_window;
    std::unique_ptr<EditStore> m_store;    // outlives the edit that uses it
    std::unique_ptr<RemoteEdit> m_remote;
};
