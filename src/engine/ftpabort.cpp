// Ending a listing or transfer early: the two aborts, a data connection that fails or falls
// silent, and the bound on how long the engine waits for a server. Nothing waits forever:
// a running data operation whose control and data connections both stay silent for
// TimeOutConnect seconds (60 when it is 0) is aborted, and a server that leaves the ABOR
// unanswered as long loses the session.
#include "engine/ftp.h"

#include "platform/core/clock.h"

#include <QTimer>

#include <limits>

namespace {

constexpr qint64 kDefaultSilenceMs = 60 * 1000;
constexpr qint64 kAbortReplyWaitMs = 15 * 1000;

}  // namespace

bool TFtp::dataOperationRunning() const
{
    return m_busy
           && (m_pendingEvent == PendingEvents::ListingDone || m_pendingEvent == PendingEvents::FileReceived
               || m_pendingEvent == PendingEvents::FileStored);
}

void TFtp::AbortWithSynch()
{
    startAbort(true);
}

void TFtp::Abort()
{
    startAbort(false);
}

void TFtp::startAbort(bool synch)
{
    // Only a listing or a transfer has something to abort; a single command ends with its
    // own reply, and one whose completion is posted already has ended.
    if (m_aborting || !dataOperationRunning() || m_donePosted)
        return;
    m_aborting = true;
    m_deferredDataTls = nullptr;
    m_sending = false;
    // An aborted transfer did not succeed, whatever the server's last word on it.
    Success = false;
    // The command waiting for its final reply gets one, and so does the ABOR.
    m_abortFinalsPending = m_replyDone ? 1 : 2;
    armWatchdog();
    // Inside TLS there is no urgent data to carry the Telnet Synch: ABOR alone.
    if (synch && !UsesTls()) {
        static const char interrupt[] = {char(255), char(244)};
        static const char mark[] = {char(255), char(242)};
        SendAll(QByteArray(interrupt, 2));
        if (CheckSocketError())
            return;
        // Sent as urgent data, the data mark is the urgent byte and the IAC before it goes in
        // line, which is the Telnet Synch.
        SendUrgent(mark, 2);
        if (CheckSocketError())
            return;
    }
    SendLine(QStringLiteral("ABOR"));
    // Many servers act on ABOR only once the transfer is over; closing the data connection
    // ends it now. Their replies then close the operation (handleAbortReply).
    closeDataSockets();
    m_dataActive = false;
    m_dataDone = true;
}

void TFtp::handleAbortReply(const QString& line)
{
    if (line.isEmpty() || line.at(0) == QLatin1Char('1'))
        return;
    // The operation ends with the last final reply, so no late reply is taken for the answer
    // to the next command.
    if (m_abortFinalsPending > 0 && --m_abortFinalsPending > 0)
        return;
    m_replyDone = true;
    setReplyState(ReplyStates::Nothing);
    SignalDone();
}

void TFtp::dataConnectionFailed(const QString& reason)
{
    // The data connection failed or fell silent: the operation fails, and an ABOR brings the
    // control connection back in step, so the session stays usable.
    if (m_aborting || m_donePosted)
        return;
    ReportFtpError(FtpError::DataConnection, reason);
    startAbort(false);
}

// --- The silence bound ---------------------------------------------------------------------

qint64 TFtp::silenceBoundMs() const
{
    const qint64 bound = TimeOutConnect > 0 ? qint64(TimeOutConnect) * 1000 : kDefaultSilenceMs;
    return m_aborting ? qMin(bound, kAbortReplyWaitMs) : bound;
}

void TFtp::armWatchdog()
{
    m_lastActivityMs = Clock::tickMs();
    m_watchdog->start(int(qMin<qint64>(silenceBoundMs(), std::numeric_limits<int>::max())));
}

void TFtp::noteActivity()
{
    m_lastActivityMs = Clock::tickMs();
}

void TFtp::stopWatchdog()
{
    m_watchdog->stop();
}

void TFtp::onWatchdog()
{
    // Activity only moves a time stamp; the timer looks at it when it runs out.
    const qint64 bound = silenceBoundMs();
    const qint64 silent = Clock::tickMs() - m_lastActivityMs;
    if (silent < bound) {
        m_watchdog->start(int(qMin<qint64>(bound - silent, std::numeric_limits<int>::max())));
        return;
    }
    const QString seconds = QString::number(bound / 1000.0, 'g', 3);
    if (m_aborting) {
        // Late replies would be taken for the answers to later commands.
        ReportFtpError(FtpError::DataConnection, QStringLiteral("no reply to ABOR for %1 s").arg(seconds));
        endSession();
        return;
    }
    dataConnectionFailed(QStringLiteral("no data and no reply for %1 s").arg(seconds));
}
