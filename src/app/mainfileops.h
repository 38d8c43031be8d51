#pragma once

#include <QObject>
#include <QStringList>

class CommandRegistry;
class FilePanel;
class QKeyEvent;
class QMenu;
class QToolBar;
class RemoteFileOps;
class TfrmMain;
class TOrvoListView;
struct FileOpResult;

// The main window's file commands on whichever view has the focus: make directory, delete,
// rename, move (by command and by dropping onto a folder of the same view), CHMOD, execute
// and properties; the "C&ommands" menu and the views' command pop-up (PopupCommand). The
// remote side runs through RemoteFileOps on the window's session, the local side through
// LocalFileOps; the questions are asked here.
class MainFileOps : public QObject
{
    Q_OBJECT

public:
    explicit MainFileOps(TfrmMain& window);
    ~MainFileOps() override;

    RemoteFileOps& Remote() const { return *m_remote; }

    // The commands (ids "mnuNewFold", "popNewFold", "popDelete", "popRename", "popMove",
    // "mnuCHMOD", "popCHMOD", "popExecute", "popProperties") with their rules and shortcuts.
    void RegisterCommands(CommandRegistry& commands);
    // "C&ommands" and PopupCommand list their commands in a fixed order by id; an id nobody
    // registered (yet) is left out, so the transfer and edit commands take their places
    // when they exist.
    QMenu* BuildMenu(QWidget* parent);
    // The "Custom Commands" submenu shown at the end of "C&ommands" (the custom commands' own).
    QMenu* CustomCommandsMenu = nullptr;
    QMenu* BuildPopup(QWidget* parent);
    void AddToolButtons(QToolBar* toolBar);
    // The Delete key and drops of a view onto its own folders. Chains to the hooks the views
    // had before, so call it once the panes are wired.
    void WireViews();

    static const QStringList MenuOrder;
    static const QStringList PopupOrder;

    // --- Commands --------------------------------------------------------------------------
    void popNewFoldClick();
    void popDeleteClick();
    void popRenameClick();
    void popMoveClick();
    void popCHMODClick();
    void popExecuteClick();
    void popPropertiesClick();

    // --- Drops onto a folder of the same view ------------------------------------------------
    bool FolderDragOver(FilePanel* panel, int targetRow) const;
    void FolderDrop(FilePanel* panel, int targetRow);

private:
    void wireView(FilePanel* panel);
    bool viewKeyDown(FilePanel* panel, QKeyEvent* event);
    void fillMenu(QMenu* menu, const QStringList& order);
    bool remoteActive() const;
    QStringList selectedNames(FilePanel* panel) const;
    QStringList selectedLocalPaths() const;
    void localDelete();
    void moveLocal(const QStringList& paths, const QString& target);
    void reportLocal(const FileOpResult& result);
    bool ask(const QString& text) const;

    TfrmMain& m_window;
    RemoteFileOps* m_remote = nullptr;
};
