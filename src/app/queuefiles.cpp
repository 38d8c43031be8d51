// The queue's files: queue files the user loads and saves, the pending queue of an
// unfinished batch at exit and at the next start, and the file an "ftp://" address names.
#include "app/queuecontroller.h"

#include "app/mainwindow.h"
#include "app/quickconnectbar.h"
#include "engine/ftp.h"
#include "platform/core/apperror.h"
#include "platform/core/errorreport.h"
#include "platform/core/prompt.h"
#include "session/localdirectory.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "transfers/pendingqueue.h"
#include "transfers/queuebuilder.h"
#include "transfers/queuefile.h"
#include "transfers/transferqueue.h"

#include <QFileInfo>

namespace {

QString caption()
{
    return QString::fromLatin1(TfrmMain::Caption);
}

}  // namespace

// --- Queue files -------------------------------------------------------------------------------

void QueueController::queLoadQueueClick()
{
    const auto file = prompts().openFile(QStringLiteral("Load Queue"), m_window.LocalDir->currentDirectory(),
                                         QString::fromLatin1(QueueFile::Filter));
    if (file && !file->isEmpty())
        LoadQueueFile(*file);
}

bool QueueController::LoadQueueFile(const QString& path)
{
    QueueFile::ReadResult read = QueueFile::read(path);
    if (!read.ok) {
        showAppError(AppError(read.error));
        return false;
    }
    Queue().append(std::move(read.entries));
    if (!read.problems.isEmpty()) {
        log(read.problems, SessionController::LogError);
        prompts().messageBox(QStringLiteral("Some lines of ") + path + QStringLiteral(" were left out:\n\n")
                                 + read.problems.join(QLatin1Char('\n')),
                             caption(), Prompt::Icon::Warning, Prompt::Ok);
    }
    return true;
}

bool QueueController::confirmOverwrite(const QString& path) const
{
    if (!QFileInfo::exists(path))
        return true;
    return prompts().messageBox(path + QStringLiteral(" already exists.\nDo you want to replace it?"), caption(),
                                Prompt::Icon::Warning, Prompt::Yes | Prompt::No)
           == Prompt::Yes;
}

void QueueController::queSaveQueueClick()
{
    if (Queue().isEmpty())
        return;
    auto file = prompts().saveFile(QStringLiteral("Save Queue"), m_window.LocalDir->currentDirectory(),
                                   QString::fromLatin1(QueueFile::Filter));
    if (!file || file->isEmpty())
        return;
    // The dialog asked about the name as chosen; a name that gets the extension only now
    // is asked about here.
    if (QFileInfo(*file).suffix().isEmpty()) {
        *file += QLatin1String(QueueFile::Extension);
        if (!confirmOverwrite(*file))
            return;
    }
    SaveQueueFile(*file);
}

bool QueueController::SaveQueueFile(const QString& path)
{
    const QueueFile::WriteResult written = QueueFile::write(path, Queue().snapshot());
    if (!written.ok) {
        showAppError(AppError(written.error));
        return false;
    }
    if (!written.skipped.isEmpty()) {
        prompts().messageBox(QStringLiteral("These entries have names a queue file cannot hold and were left out:\n\n")
                                 + written.skipped.join(QLatin1Char('\n')),
                             caption(), Prompt::Icon::Warning, Prompt::Ok);
    }
    return true;
}

// --- The pending queue -------------------------------------------------------------------------

PendingQueue& QueueController::pending()
{
    if (!m_pending)
        m_pending = std::make_unique<PendingQueue>(m_window.ProgramDir + QStringLiteral("qfile.dat"), m_window.Settings->file());
    return *m_pending;
}

void QueueController::SavePendingQueue()
{
    const SessionState state = m_window.Session->State();
    const bool batchUnderway = m_window.Session->TransferRunning() || state == SessionState::AbortingBatch
                               || state == SessionState::ConnectionLost;
    const QString site = m_window.Session->CurrentSiteName();
    if (!batchUnderway || site.isEmpty() || Queue().isEmpty())
        return;
    try {
        pending().save(Queue().snapshot(), site);
    } catch (const AppError& error) {
        showAppError(error);
    }
}

bool QueueController::PostPendingQueueOffer()
{
    if (pending().site().isEmpty())
        return false;
    // Message 0x8001: asked once the window is up.
    QMetaObject::invokeMethod(this, &QueueController::OfferPendingQueue, Qt::QueuedConnection);
    return true;
}

void QueueController::OfferPendingQueue()
{
    // After the window is shown: the start-up ends with its first resize.
    if (m_window.Session->State() == SessionState::StartingUp) {
        auto* once = new QObject(this);
        connect(m_window.Session, &SessionController::stateChanged, once, [this, once](SessionState state) {
            if (state == SessionState::StartingUp)
                return;
            once->deleteLater();
            QMetaObject::invokeMethod(this, &QueueController::OfferPendingQueue, Qt::QueuedConnection);
        });
        return;
    }
    PendingQueue::Offer offer;
    try {
        offer = pending().ask();
    } catch (const AppError& error) {
        showAppError(error);
        return;
    }
    if (offer.answer != PendingQueue::Answer::Resume)
        return;
    if (!offer.loaded.ok) {
        showAppError(AppError(offer.loaded.error));
        return;
    }
    log(offer.loaded.problems, SessionController::LogError);
    if (offer.loaded.entries.empty())
        return;
    const QString directory = PendingQueue::resumeDirectory(offer.loaded.entries.front());
    Queue().append(std::move(offer.loaded.entries));
    // [Queue] and the file stay until the batch begins: a connect that fails loses nothing.
    m_resumePending = true;
    SessionController& session = *m_window.Session;
    if (session.State() != SessionState::NotConnected)
        session.ResetToDisconnected();
    session.Ftp().InitialDirectory = directory;
    session.SetFollow(FollowUp::ResumeBatch);
    m_window.QuickConnect->SetServerText(offer.site);
    session.SetState(SessionState::LoggingIn);
    m_window.ConnectRoutine();
}

void QueueController::PendingBatchBegins()
{
    if (!std::exchange(m_resumePending, false))
        return;
    try {
        pending().discard();
    } catch (const AppError& error) {
        m_window.Session->LogLine(error.text(), SessionController::LogError);
    }
}

// --- Addresses ---------------------------------------------------------------------------------

void QueueController::QueueUrlFile(const QString& remotePath)
{
    QString refusal;
    if (auto entry = AddressFileEntry(remotePath, m_window.LocalDir->currentDirectory(), &refusal))
        Queue().append(std::move(*entry));
    else
        log({refusal}, SessionController::LogError);
}
