// View and Edit of remote files: the fetch into the private store, the viewer or the editor,
// the re-upload and the listing after it.
#include "fileops/remoteedit.h"

#include "engine/ftp.h"
#include "fileops/editstore.h"
#include "fileops/remotepath.h"
#include "platform/core/prompt.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "transfers/transferrules.h"

#include <QFileInfo>
#include <QPointer>
#include <QtDebug>

RemoteEdit::RemoteEdit(SessionController& session, EditStore& store, EditHooks hooks, QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_store(store)
    , m_hooks(std::move(hooks))
{
    connect(&session, &SessionController::fileReceived, this, &RemoteEdit::FTPFileReceived);
    connect(&session, &SessionController::fileStored, this, &RemoteEdit::FTPFileStored);
    connect(&session, &SessionController::activityFinished, this, &RemoteEdit::activityFinished);
}

RemoteEdit::~RemoteEdit()
{
    // The program ends with an edit open or on its way back: the user's changes stay.
    const bool editing = m_phase == Phase::Editing || m_phase == Phase::Uploading;
    if (Running() && editing && (m_phase == Phase::Uploading || copyChangedSinceFetch()))
        m_store.Keep(m_result.localCopy);
}

quint64 RemoteEdit::View(const QString& remoteName, RemoteEditDone done)
{
    return start(false, remoteName, std::move(done));
}

quint64 RemoteEdit::Edit(const QString& remoteName, RemoteEditDone done)
{
    return start(true, remoteName, std::move(done));
}

quint64 RemoteEdit::refuse(RemoteEditDone done, const QString& remoteName, const QString& message)
{
    RemoteEditResult result;
    result.remoteFile = remoteName;
    result.message = message;
    const quint64 id = ++m_lastId;
    QMetaObject::invokeMethod(this, [this, id, done = std::move(done), result] {
        emit finished(id, result);
        if (done)
            done(result);
    }, Qt::QueuedConnection);
    return 0;
}

quint64 RemoteEdit::start(bool edit, const QString& remoteName, RemoteEditDone done)
{
    if (remoteName.isEmpty() || remoteName.endsWith(QLatin1Char('/')))
        return refuse(std::move(done), remoteName, QStringLiteral("No file was named"));
    if (Running())
        return refuse(std::move(done), remoteName, QStringLiteral("Another file is being viewed or edited"));
    if (!m_session.Ftp().SessionConnected())
        return refuse(std::move(done), remoteName, QStringLiteral("Not connected"));
    if (m_session.State() != SessionState::Idle)
        return refuse(std::move(done), remoteName, QStringLiteral("The session is busy"));
    const QString remoteFile = remoteName.startsWith(QLatin1Char('/'))
                                   ? remoteName
                                   : RemoteJoin(m_session.Remote().currentDirectory(), remoteName);
    QString error;
    const QString localFile = m_store.NewCopyPath(remoteName, &error);
    if (localFile.isEmpty()) {
        log(QStringLiteral("ERROR: ") + error, true);
        return refuse(std::move(done), remoteFile, error);
    }

    m_id = ++m_lastId;
    m_done = std::move(done);
    m_edit = edit;
    m_phase = Phase::Fetching;
    m_activityEnded = false;
    m_fetchedSize = -1;
    m_result = {};
    m_result.localCopy = localFile;
    m_result.remoteFile = remoteFile;
    m_session.SetState(edit ? SessionState::EditFetch : SessionState::ViewFetch);
    m_activity = m_session.CurrentActivity();
    m_session.EnterBusy();
    const QString name = RemoteFileName(remoteFile);
    m_session.ShowStatusText((edit ? QStringLiteral("Editing: ") : QStringLiteral("Viewing: ")) + name);
    // The transfer rules choose the mode: an edit forced to ASCII would change a binary file's
    // bytes on a server that converts line ends. The upload uses the same mode.
    m_mode = TransferTypeFor(name, m_session.TransferMode(), m_session.Settings().prefs().AsciiExtensions);
    TFtp& ftp = m_session.Ftp();
    ftp.TransferMode = m_mode;
    ftp.LocalFile = localFile;
    ftp.RemoteFile = remoteFile;
    ftp.Download(false);
    return m_id;
}

// The session is still in the activity this edit began, in its state.
bool RemoteEdit::sessionStillOurs() const
{
    const SessionState state = m_edit ? SessionState::EditFetch : SessionState::ViewFetch;
    return Running() && !m_activityEnded && m_session.CurrentActivity() == m_activity && m_session.State() == state;
}

void RemoteEdit::FTPFileReceived(bool success)
{
    if (m_phase != Phase::Fetching || !sessionStillOurs())
        return;
    m_session.ShowProgressText(QString());
    m_session.IdleSeconds = 0;
    if (!success) {
        // What arrived, if anything, is not the file: it is neither opened nor ever uploaded.
        m_result.message = QStringLiteral("Unable to fetch ") + m_result.remoteFile;
        log(QStringLiteral("ERROR: ") + m_result.message + QStringLiteral("; nothing was opened"), true);
        m_store.Remove(std::exchange(m_result.localCopy, QString()));
        endActivity(true);
        return;
    }
    const QFileInfo copy(m_result.localCopy);
    m_fetchedSize = copy.size();
    m_fetchedTime = copy.lastModified();
    if (!m_edit) {
        FinishView();
        return;
    }
    m_phase = Phase::Editing;
    // The editor opens once the engine's handler has returned.
    QMetaObject::invokeMethod(this, &RemoteEdit::openEditor, Qt::QueuedConnection);
}

void RemoteEdit::FinishView()
{
    m_phase = Phase::Ending;
    ViewLocalFile(m_session.Config(), m_result.localCopy, m_hooks.openWithDesktop);
    endActivity(false);
}

// The session's activity of this view or edit ends (ready again, or reset when the connection
// is gone); its end completes the edit. When it has ended already, the edit completes now.
void RemoteEdit::endActivity(bool failed)
{
    m_phase = Phase::Ending;
    if (m_activityEnded || m_session.CurrentActivity() != m_activity) {
        complete();
        return;
    }
    if (failed)
        m_session.markActivityFailed();
    if (m_session.Ftp().SessionConnected())
        m_session.EnterReady();
    else
        m_session.ResetToDisconnected();
}

void RemoteEdit::openEditor()
{
    if (m_phase != Phase::Editing)
        return;
    QPointer<RemoteEdit> self(this);
    const quint64 id = m_id;
    EditFile(m_result.localCopy, [self, id](bool reupload) {
        if (self && self->m_id == id)
            self->edited(reupload);
    });
}

void RemoteEdit::EditFile(const QString& path, std::function<void(bool reupload)> decided)
{
    // Whatever the editor does, the decision counts once.
    auto once = [decided = std::move(decided), called = false](bool reupload) mutable {
        if (!std::exchange(called, true) && decided)
            decided(reupload);
    };
    if (RunEditorRule(m_session.Settings().file(), path)) {
        const Prompt::Button answer =
            prompts().messageBox(QStringLiteral("Click OK to re-upload edited file, or click Cancel to abort."),
                                 QString::fromLatin1(SessionController::Caption), Prompt::Icon::Information,
                                 Prompt::Ok | Prompt::Cancel);
        once(answer == Prompt::Ok);
        return;
    }
    if (m_hooks.builtInEditor) {
        m_hooks.builtInEditor(path, std::move(once));
        return;
    }
    log(QStringLiteral("ERROR: No editor is available for ") + path, true);
    once(false);
}

void RemoteEdit::edited(bool reupload)
{
    if (m_phase != Phase::Editing)
        return;
    if (!reupload) {
        m_result.declined = true;
        // A rule's program may have saved changes the user now chose not to send.
        if (copyChangedSinceFetch())
            keepCopy(QStringLiteral("The edited file was not uploaded."), false);
        endActivity(false);
        return;
    }
    if (!sessionStillOurs() || !m_session.Ftp().SessionConnected()) {
        // NOOPs keep only an idle session alive; a long edit may have outlived it.
        m_result.message = m_session.Ftp().SessionConnected()
                               ? QStringLiteral("The session went on to other work, so the edited file was not uploaded.")
                               : QStringLiteral("The connection to the server was lost, so the edited file was not uploaded.");
        keepCopy(m_result.message, true);
        endActivity(true);
        return;
    }
    ReuploadEditedFile();
}

void RemoteEdit::ReuploadEditedFile()
{
    m_phase = Phase::Uploading;
    m_session.EnterBusy();
    m_session.ShowStatusText(QStringLiteral("Updating: ") + QFileInfo(m_result.localCopy).fileName());
    TFtp& ftp = m_session.Ftp();
    ftp.ResumePos = 0;
    ftp.TransferMode = m_mode;
    ftp.LocalFile = m_result.localCopy;
    ftp.RemoteFile = m_result.remoteFile;
    ftp.Upload();
}

void RemoteEdit::FTPFileStored(bool success)
{
    if (m_phase != Phase::Uploading || !sessionStillOurs())
        return;
    if (!success) {
        m_result.message = QStringLiteral("The edited file could not be uploaded.");
        keepCopy(m_result.message, true);
        endActivity(true);
        return;
    }
    m_result.uploaded = true;
    m_phase = Phase::Listing;
    m_session.SetState(SessionState::RemoteCommand);
    RemoteDirectoryModel& remote = m_session.Remote();
    if (const int cached = remote.cache().find(remote.currentDirectory()); cached >= 0)
        m_session.DropCacheEntry(cached);
    m_session.ShowProgressText(QString());
    m_session.RefreshRemote();
}

void RemoteEdit::activityFinished(quint64 activity, bool)
{
    if (!Running() || activity != m_activity)
        return;
    m_activityEnded = true;
    switch (m_phase) {
    case Phase::Fetching:
        m_result.message = QStringLiteral("The session ended before ") + m_result.remoteFile + QStringLiteral(" arrived");
        m_store.Remove(std::exchange(m_result.localCopy, QString()));
        break;
    case Phase::Editing:
        return;  // the editor is still open; its decision completes the edit
    case Phase::Uploading:
        m_result.message = QStringLiteral("The connection to the server was lost, so the edited file was not uploaded.");
        keepCopy(m_result.message, true);
        break;
    default:
        break;
    }
    complete();
}

void RemoteEdit::keepCopy(const QString& why, bool tellUser)
{
    m_store.Keep(m_result.localCopy);
    m_result.kept = true;
    const QString text = why + QStringLiteral("  Your changes are kept in: ") + m_result.localCopy;
    log(text, tellUser);
    if (tellUser)
        prompts().messageBox(text, QString::fromLatin1(SessionController::Caption), Prompt::Icon::Error, Prompt::Ok);
}

bool RemoteEdit::copyChangedSinceFetch() const
{
    const QFileInfo copy(m_result.localCopy);
    return m_fetchedSize >= 0 && (copy.size() != m_fetchedSize || copy.lastModified() != m_fetchedTime);
}

void RemoteEdit::complete()
{
    RemoteEditResult result = m_result;
    result.ok = result.message.isEmpty();
    const quint64 id = std::exchange(m_id, 0);
    RemoteEditDone done = std::move(m_done);
    m_done = nullptr;
    m_phase = Phase::None;
    emit finished(id, result);
    if (done)
        done(result);
}

void RemoteEdit::log(const QString& text, bool error)
{
    m_session.LogLine(text, error ? SessionController::LogError : SessionController::LogStatus);
}
