// The end of a batch (views back where it began, sound, completion action, the one report
// of its end) and its progress display (totals, the transfer timer, statistics).
#include "transfers/batchrunner.h"

#include "dialup/tapi.h"
#include "engine/ftp.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "sites/sitestats.h"
#include "transfers/transferqueue.h"
#include "transfers/transferrules.h"

void BatchRunner::EndBatch()
{
    const SessionState previous = m_session.State();
    m_step = Step::Ending;
    m_session.SetState(SessionState::BatchEnding);
    m_session.SetFollow(FollowUp::None);
    TransferTimer.stop();
    m_localRead.stop();
    emit titleChanged(QString());
    emit transferLayout(false);
    const ConfigData& config = m_session.Config();
    emit playSound(config.TransferSound, config.TransferWav);
    if (m_local.currentDirectory() != m_batchLocalHome || previous == SessionState::Downloading) {
        m_local.setCurrentDirectory(m_batchLocalHome);
        m_local.read(false);
    }
    if (m_completion == CompletionAction::Disconnect || m_completion == CompletionAction::Hangup) {
        if (m_completion == CompletionAction::Hangup)
            hangUp();
        m_session.Disconnect();  // the batch reports its end as the session resets
        return;
    }
    m_quitAfter = m_completion == CompletionAction::Quit;
    restoreRemote(previous);
}

// The remote view goes back to the directory the batch began in, listed anew after uploads;
// the session becomes ready, which ends the batch.
void BatchRunner::restoreRemote(SessionState previous)
{
    TFtp& ftp = m_session.Ftp();
    if (!ftp.SessionConnected()) {
        m_session.ResetToDisconnected();
        return;
    }
    const RemoteDirectoryModel& remote = m_session.Remote();
    const QString current = remote.currentDirectory();
    const bool emptyView = remote.entries().empty();
    if (EnsureTrailingSeparator(current) != m_batchRemoteHome || previous == SessionState::Uploading
        || (previous == SessionState::Downloading && emptyView)) {
        ftp.ChangeDirectory(m_batchRemoteHome);
        return;
    }
    if (current.size() > 1 && !emptyView && !remote.hasParent())
        m_session.RefilterRemote();  // the rows again, the parent entry above them
    m_session.EnterReady();
}

void BatchRunner::hangUp()
{
    if (!m_dialup)
        m_dialup = std::make_unique<TTapi>(nullptr, m_dialupService);
    if (!m_dialup->Available()) {
        log(QStringLiteral("No dial-up connection to hang up."));
        return;
    }
    m_dialup->HangUpActive([this](int error, const QString& text) {
        if (error != 0)
            log(QStringLiteral("Hang up failed: ") + text, SessionController::LogError);
        else if (m_dialup->ActiveConnections().isEmpty())
            log(QStringLiteral("No dial-up connection to hang up."));
        else
            log(QStringLiteral("Dial-up connection hung up: ") + m_dialup->ActiveConnections().first());
    });
}

// The batch's one report of its end.
void BatchRunner::finishBatch()
{
    if (!m_running)
        return;
    m_running = false;
    m_step = Step::None;
    m_direct = false;
    m_entry = QueueEntry{};
    const BatchSummary summary = m_summary;
    emit batchFinished(summary);
    if (std::exchange(m_quitAfter, false))
        QMetaObject::invokeMethod(this, &BatchRunner::quitRequested, Qt::QueuedConnection);
}

// The session ended (or became ready after an abort) under the batch: the display goes back
// to normal and the batch reports its end; the queue keeps what was not done.
void BatchRunner::abandonBatch()
{
    TransferTimer.stop();
    m_localRead.stop();
    m_quitAfter = false;
    emit titleChanged(QString());
    emit transferLayout(false);
    finishBatch();
}

// --- Progress ------------------------------------------------------------------------------

void BatchRunner::ComputeBatchTotals()
{
    const QueueTotals totals = m_queue.totals();
    m_batchBytes = totals.bytes;
    m_batchFiles = qMax(0, totals.files - 1);
    m_batchFolders = totals.folders;
    if (m_running)
        emit titleChanged(BatchTitle(m_batchFolders, m_batchFiles));
}

void BatchRunner::resetProgress()
{
    TransferTimer.stop();
    m_elapsedSeconds = 0;
    m_progressPercent = 0;
    m_progressText.clear();
    m_currentFileSize = -1;
    emit progressChanged(0, QString());
    emit elapsedText(QString());
    emit remainText(QString());
}

void BatchRunner::onTransferInfo(quint8 info, const QString& addinfo)
{
    if (!m_running || m_step != Step::Transfer)
        return;
    if (info == FtpInfo::Progress) {
        if (!TransferTimer.isActive())
            TransferTimer.start();
        return;
    }
    if (info != FtpInfo::SizeAnnounced)
        return;
    // The server's "(N bytes)": the size is raised when the queue knew less. A reply without
    // one ("150 Opening data connection.") announces its own code, which is no size.
    bool ok = false;
    const qint64 announced = addinfo.trimmed().toLongLong(&ok);
    const bool replyCode = addinfo.size() == 3 && announced >= 100 && announced < 200;
    if (ok && !replyCode && announced > m_currentFileSize) {
        m_batchBytes += announced - qMax<qint64>(0, m_currentFileSize);
        m_currentFileSize = announced;
    }
}

void BatchRunner::TransferTimerTimer()
{
    ++m_elapsedSeconds;
    emit elapsedText(QStringLiteral("Elapsed: ") + ClockText(m_elapsedSeconds));
    ProgressInputs in;
    in.transferred = m_session.Ftp().BytesTransferred();
    in.resumePos = m_session.Ftp().ResumePos;
    in.elapsedSeconds = m_elapsedSeconds;
    in.fileSize = m_currentFileSize;
    in.batchBytes = m_batchBytes;
    in.folders = m_batchFolders;
    in.files = m_batchFiles;
    in.cps = m_session.Config().ShowCps;
    const ProgressTexts texts = ProgressTick(in);
    m_progressPercent = texts.percent;
    m_progressText = texts.progress;
    emit progressChanged(m_progressPercent, m_progressText);
    if (!texts.moving)
        return;
    if (!texts.remain.isEmpty())
        emit remainText(texts.remain);
    emit titleChanged(texts.title);
}

void BatchRunner::countStatistics(bool upload, qint64 bytes)
{
    const QString site = m_session.CurrentSiteName();
    if (site.isEmpty())
        return;
    try {
        if (upload)
            m_stats.AddUpload(site, bytes);
        else
            m_stats.AddDownload(site, bytes);
    } catch (const std::exception& error) {
        // Statistics are a courtesy: a read-only file must not stop the batch.
        log(QStringLiteral("Statistics not written: ") + QString::fromUtf8(error.what()), SessionController::LogError);
    }
}
