#pragma once

#include "engine/ftptypes.h"
#include "fileops/editprograms.h"
#include "session/sessionstate.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>

class EditStore;
class SessionController;

// How a View or an Edit of a remote file ended.
struct RemoteEditResult
{
    bool ok = false;        // viewed; or edited and uploaded; or edited and left as the user chose
    bool uploaded = false;  // the edited copy went back to the server
    bool declined = false;  // the user chose not to upload it (Cancel, Abort)
    bool kept = false;      // an edited copy that did not go back: it stays on disk after exit
    QString localCopy;      // the fetched copy (empty when none was made)
    QString remoteFile;     // the file on the server, a full path
    QString message;        // why it failed; empty when ok
};
using RemoteEditDone = std::function<void(const RemoteEditResult& result)>;

// What the window lends to a RemoteEdit: the desktop's opener and the built-in editor.
struct EditHooks
{
    // Opens a local file with the desktop's program for its type; false when nothing could.
    // Without it, "xdg-open" is started.
    DesktopOpener openWithDesktop;
    // Opens the built-in editor on `path` and calls `closed` exactly once when it closes:
    // true when it wrote the text back to `path` and the file is to be uploaded ("&Re-Upload"),
    // false when the user aborted. Without it, an edit without an [Editors] rule fails.
    std::function<void(const QString& path, std::function<void(bool reupload)> closed)> builtInEditor;
};

// View and Edit of remote files on one session (the main window's, or a server browser's):
// the file is fetched into a fresh subfolder of the private EditStore, in the mode the
// transfer rules choose for its name, then
//   View: handed to the viewer (DefaultViewer, Viewer), and the session is ready again;
//   Edit: opened in the program an [Editors] rule names, followed by the question "Click OK
//     to re-upload edited file, or click Cancel to abort.", or else in the built-in editor;
//     when the user wants it back it is uploaded to where it came from (same mode), the
//     listing-cache entry of the current directory is dropped and the directory listed again.
// The session is busy (state ViewFetch or EditFetch) from the fetch to the end, the editing
// included; Abort of the session ends a fetch or an upload under way.
//
// Every View and Edit returns its id (0 when it could not start: not connected, the session
// not idle, an edit running, no private directory) and completes exactly once: `done` is
// called and `finished` emitted from the event loop, never inside the call, also when it
// could not start. It completes when the session's activity has ended (the session is ready
// or disconnected, the final listing shown) and the editor is closed. A failed fetch opens
// nothing. An edited copy that could not go back (the session was lost, the upload failed,
// the user declined after a rule's program changed it) is kept, the user is told where, and
// the path is logged.
class RemoteEdit : public QObject
{
    Q_OBJECT

public:
    RemoteEdit(SessionController& session, EditStore& store, EditHooks hooks = {}, QObject* parent = nullptr);
    ~RemoteEdit() override;

    // `remoteName`: a name in the session's current remote directory, or an absolute path.
    quint64 View(const QString& remoteName, RemoteEditDone done = {});
    quint64 Edit(const QString& remoteName, RemoteEditDone done = {});

    bool Running() const { return m_id != 0; }
    // The copy of the view or edit under way.
    const QString& LocalFile() const { return m_result.localCopy; }
    const QString& RemoteFile() const { return m_result.remoteFile; }

    // EditFile: the editing step on a local copy. A matching [Editors] rule's program starts
    // and the re-upload question is asked; otherwise (or when that program cannot start) the
    // built-in editor opens. `decided(true)` when the copy is to go back to the server; called
    // exactly once, possibly before EditFile returns.
    void EditFile(const QString& path, std::function<void(bool reupload)> decided);

signals:
    void finished(quint64 id, const RemoteEditResult& result);

private:
    enum class Phase : quint8 { None, Fetching, Editing, Uploading, Listing, Ending };

    quint64 start(bool edit, const QString& remoteName, RemoteEditDone done);
    quint64 refuse(RemoteEditDone done, const QString& remoteName, const QString& message);
    void FTPFileReceived(bool success);
    void FinishView();
    void openEditor();
    void edited(bool reupload);
    void ReuploadEditedFile();
    void FTPFileStored(bool success);
    void activityFinished(quint64 activity, bool ok);
    void endActivity(bool failed);
    bool sessionStillOurs() const;
    void keepCopy(const QString& why, bool tellUser);
    bool copyChangedSinceFetch() const;
    void complete();
    void log(const QString& text, bool error = false);

    SessionController& m_session;
    EditStore& m_store;
    EditHooks m_hooks;

    quint64 m_id = 0;
    quint64 m_lastId = 0;
    quint64 m_activity = 0;
    bool m_edit = false;
    Phase m_phase = Phase::None;
    bool m_activityEnded = false;
    TTransferType m_mode = BinaryTransfer;
    QDateTime m_fetchedTime;  // the copy as the fetch left it
    qint64 m_fetchedSize = -1;
    RemoteEditResult m_result;
    RemoteEditDone m_done;
};
