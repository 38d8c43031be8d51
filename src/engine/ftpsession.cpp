// The session core of TFtp: connecting with retries, reply intake and dispatch, the deferred
// completion events, closing and error reporting. Protocol steps live in ftplogin.cpp,
// ftpcommands.cpp and ftptransfer.cpp.
#include "engine/ftp.h"

#include "engine/hooks.h"
#include "engine/winsockerrors.h"
#include "platform/core/clock.h"

#include <QDebug>
#include <QLocale>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

bool traceStates()
{
    static const bool on = qEnvironmentVariableIsSet("ORVOFTP_TRACE_STATES");
    return on;
}

QString logStamp()
{
    const QDateTime now = Clock::now();
    const QLocale locale;  // the default locale: the system's unless a test pinned one
    return locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ')
           + locale.toString(now.time(), QLocale::LongFormat);
}

QChar charAt(const QString& line, int position1)
{
    return line.size() >= position1 ? line.at(position1 - 1) : QChar();
}

bool isReplyCode(const QString& line)
{
    return line.size() >= 3 && line.at(0).isDigit() && line.at(1).isDigit() && line.at(2).isDigit();
}

}  // namespace

TFtp::TFtp(QObject* owner)
    : TStarSocket(owner)
    , m_listenSocket(std::make_unique<TStarSocket>(this))
    , m_activeDataSocket(std::make_unique<TStarSocket>(this))
    , m_passiveDataSocket(std::make_unique<TStarSocket>(this))
{
    FtpPort = 21;
    NoDelay = true;  // one command line at a time: no reason to wait for more
    OnMessage = [this](quint32 message, qint64 param) { onMessage(message, param); };
    OnLineTooLong = [this] { onControlLineTooLong(); };
    m_watchdog = new QTimer(this);
    m_watchdog->setSingleShot(true);
    connect(m_watchdog, &QTimer::timeout, this, [this] { onWatchdog(); });
    m_listenSocket->Startup();
    m_activeDataSocket->Startup();
    m_passiveDataSocket->Startup();
    Startup();
    ReceiveMode = LineMode;
}

TFtp::~TFtp()
{
    // Nothing may reach the owner from a half-destroyed engine.
    OnFtpInfo = nullptr;
    OnFtpError = nullptr;
    TFtp::Close();
}

void TFtp::SetWinsockStarted(bool started)
{
    if (started) {
        Startup();
    } else {
        Cleanup();
        UnloadWinsock();
    }
}

bool TFtp::IsNumericAddress(const QString& text)
{
    if (text.contains(QLatin1Char(':'))) {
        QString six = text;
        if (six.startsWith(QLatin1Char('[')) && six.endsWith(QLatin1Char(']')))
            six = six.mid(1, six.size() - 2);
        return QHostAddress(six).protocol() == QAbstractSocket::IPv6Protocol;
    }
    for (const QChar c : text) {
        if (c < QLatin1Char('.') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool TFtp::IsSafeCommandText(const QString& text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.isNull())
            return false;
    }
    return true;
}

bool TFtp::CheckNoProxyHost(const QString& host)
{
    for (const QString& entry : NoProxyHost) {
        bool match = entry == host;
        if (!match && entry.startsWith(QLatin1Char('*')))
            match = host.contains(entry.mid(1));
        const qsizetype star = entry.indexOf(QLatin1Char('*'), 1);
        if (!match && star > 0)
            match = host.left(star) == entry.left(star);
        if (match) {
            FirewallType = fwNone;
            return true;
        }
    }
    return false;
}

// --- Events and errors ---------------------------------------------------------------------

void TFtp::RaiseInfo(quint8 info, const QString& addinfo)
{
    raiseHook(OnFtpInfo, info, addinfo);
}

void TFtp::ReportFtpError(quint8 code, const QString& addinfo)
{
    Success = false;
    m_lastFtpError = code;
    raiseHook(OnFtpError, code, addinfo);
}

void TFtp::setReplyState(int state)
{
    if (traceStates() && state != m_replyState)
        qDebug().noquote() << QStringLiteral("[TFtp %1] ReplyState %2 -> %3").arg(FtpServer()).arg(m_replyState).arg(state);
    m_replyState = state;
}

quint8 TFtp::ftpErrorFor(quint16 code)
{
    switch (code) {
    case Winsock::WSANOTINITIALISED: return FtpError::SocketsUnavailable;
    case Winsock::WSAENETDOWN: return FtpError::NetworkDown;
    case Winsock::WSAEACCES: return FtpError::AccessDenied;
    case Winsock::WSAEINTR:
    case Winsock::WSAEFAULT:
    case Winsock::WSAEINVAL:
    case Winsock::WSAEINPROGRESS:
    case Winsock::WSAEMSGSIZE:
    case Winsock::WSAEOPNOTSUPP:
    case Winsock::WSAEAFNOSUPPORT:
    case Winsock::WSAEADDRINUSE:
    case Winsock::WSAEISCONN:
    case Winsock::WSAENOTCONN: return FtpError::InvalidOperation;
    case Winsock::WSAENETRESET:
    case Winsock::WSAENOBUFS:
    case Winsock::WSAESHUTDOWN: return FtpError::NoBuffers;
    case Winsock::WSAECONNABORTED: return FtpError::ConnectionAborted;
    case Winsock::WSAECONNRESET: return FtpError::ConnectionReset;
    case Winsock::WSAETIMEDOUT: return FtpError::TimedOut;
    case Winsock::WSAEMFILE: return FtpError::TooManySockets;
    case Winsock::WSAENETUNREACH: return FtpError::NetworkUnreachable;
    case Winsock::WSAEADDRNOTAVAIL: return FtpError::AddressNotAvailable;
    case Winsock::WSAECONNREFUSED: return FtpError::ConnectionRefused;
    case Winsock::WSAEHOSTUNREACH: return FtpError::HostUnreachable;
    case Winsock::WSAHOST_NOT_FOUND:
    case Winsock::WSATRY_AGAIN:
    case Winsock::WSANO_RECOVERY:
    case Winsock::WSANO_DATA: return FtpError::HostLookup;
    default: return FtpError::OtherSocketError;
    }
}

bool TFtp::CheckSocketError()
{
    if (LastError == 0) {
        m_lastFtpError = 0;
        return false;
    }
    if (LastError == Winsock::WSAENOTSOCK)
        return false;
    FatalError(ftpErrorFor(LastError));
    return true;
}

void TFtp::FatalError(quint8 code)
{
    const quint16 cause = LastError;
    stopWatchdog();
    m_activeDataSocket->Close();
    m_listenSocket->Close();
    TStarSocket::Close();
    m_sessionConnected = false;
    Success = false;
    m_lastFtpError = code;
    raiseHook(OnFtpError, code, ErrorName(cause));
    PostMessage(MsgSessionOver, m_closeCount);
}

void TFtp::SignalDone()
{
    // An operation completes once: a second call before the first was delivered (a second
    // final reply, a reply racing a time-out) must not complete whatever the owner starts
    // in the first one's handler.
    if (m_donePosted)
        return;
    m_donePosted = true;
    stopWatchdog();
    PostMessage(MsgDone, m_closeCount);
}

void TFtp::endSession()
{
    // As when the server hangs up: the running operation completes as failed, then the
    // session is over.
    stopWatchdog();
    m_sending = false;
    m_passiveDataSocket->Close();
    m_activeDataSocket->Close();
    m_listenSocket->Close();
    m_dataActive = false;
    TStarSocket::Close();
    m_sessionConnected = false;
    if (m_busy) {
        Success = false;
        SignalDone();
    }
    PostMessage(MsgSessionOver, m_closeCount);
}

void TFtp::note(const QString& text)
{
    writeLog(text);
    RaiseInfo(FtpInfo::Notice, text);
}

void TFtp::onMessage(quint32 message, qint64 param)
{
    // Close raises nothing: what was posted before it is dropped.
    if ((message == MsgDone || message == MsgSessionOver) && param != m_closeCount)
        return;
    switch (message) {
    case MsgDone:
        m_donePosted = false;
        raiseDone();
        break;
    case MsgSessionOver:
        stopWatchdog();
        m_busy = false;
        closeDataFile();
        closeLog();
        closeDataSockets();
        raiseHook(OnFtpQuit);
        break;
    case MsgError:
        raiseHook(OnFtpError, quint8(param), QStringLiteral("Error"));
        break;
    default:
        break;
    }
}

void TFtp::raiseDone()
{
    m_busy = false;
    closeDataFile();
    stopWatchdog();
    if (m_aborting) {
        closeDataSockets();
        m_aborting = false;
        m_abortFinalsPending = 0;
    }
    const quint8 event = m_pendingEvent;
    m_pendingEvent = PendingEvents::None;
    const auto raise = [](const std::function<void()>& hook) { raiseHook(hook); };
    switch (event) {
    case PendingEvents::LoggedIn: raise(OnLoggedIn); break;
    case PendingEvents::DirectoryChanged: raise(OnDirectoryChanged); break;
    case PendingEvents::DirectoryCreated: raise(OnDirectoryCreated); break;
    case PendingEvents::DirectoryDeleted: raise(OnDirectoryDeleted); break;
    case PendingEvents::FileDeleted: raise(OnFileDeleted); break;
    case PendingEvents::FileReceived:
        RaiseInfo(FtpInfo::TransferDone, QStringLiteral("Transfer done:"));
        raise(OnFileReceived);
        break;
    case PendingEvents::FileStored:
        RaiseInfo(FtpInfo::TransferDone, QStringLiteral("Transfer done:"));
        raise(OnFileStored);
        break;
    case PendingEvents::ListingDone:
        RaiseInfo(FtpInfo::TransferDone, QStringLiteral("Transfer done:"));
        raise(OnListingDone);
        break;
    case PendingEvents::FileRenamed: raise(OnFileRenamed); break;
    default: break;
    }
}

// --- Session log ---------------------------------------------------------------------------

void TFtp::openLog()
{
    if (!LogSession || m_log.isOpen() || LogFile.isEmpty())
        return;
    m_log.setFileName(LogFile);
    if (!m_log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    writeLog(QString());
    writeLog(QStringLiteral("*** Log Opened: ") + logStamp());
}

void TFtp::writeLog(const QString& line)
{
    if (!m_log.isOpen())
        return;
    if (m_log.write(line.toUtf8() + '\n') < 0 || !m_log.flush())
        m_log.close();
}

void TFtp::closeLog()
{
    if (!m_log.isOpen())
        return;
    writeLog(QStringLiteral("*** Log Closed: ") + logStamp());
    m_log.close();
}

// --- Connecting ----------------------------------------------------------------------------

void TFtp::ConnectSession()
{
    closeDataFile();
    if (loginTextsRefused()) {
        RaiseInfo(FtpInfo::ConnectFailed);
        return;
    }
    m_attemptCount = 0;
    openLog();
    connectAttempt();
}

void TFtp::connectAttempt()
{
    OnTimeOut = [this] { onControlTimeOut(); };
    m_lastFtpError = 0;
    Success = true;
    m_loggedIn = false;
    if (!Startup()) {
        ReportFtpError(FtpError::SocketsUnavailable);
        return;
    }
    if (FtpPort == 0)
        FtpPort = 21;
    m_inMultiline = false;
    m_heldReplyCode.clear();
    m_currentType = 0;
    m_portArgument.clear();
    m_controlTls = false;
    m_dataTls = false;
    m_authFromFirewall = false;
    m_controlFingerprint.clear();
    m_epsv = false;
    // A fresh context per attempt: it picks up every --ca given so far.
    m_tlsContext = Encryption != ftpeNone ? std::make_shared<TlsContext>() : nullptr;
    LastDirectory.clear();
    OnConnected = [this] { onControlConnected(); };
    OnLine = [this](const QString& line) { onControlLine(line); };
    OnClosed = [this] { onControlClosed(); };
    CreateSocket();
    if (CheckSocketError())
        return;
    ++m_attemptCount;
    if (!AddressText.isEmpty() && IsNumericAddress(AddressText)) {
        RaiseInfo(FtpInfo::ConnectAttempt, QString::number(m_attemptCount));
        SetAddressText(AddressText);
        SetPort(FtpPort);
        Connect();
    } else {
        if (!AddressText.isEmpty())
            HostName = AddressText;
        RaiseInfo(FtpInfo::Resolving, HostName);
        ClearLookupHandle();
        OnLookupDone = [this] { onControlLookupDone(); };
        ResolveHost(HostName);
    }
    CheckSocketError();
}

void TFtp::onControlLookupDone()
{
    if (CheckSocketError())
        return;
    UseResolvedAddress();
    SetPort(FtpPort);
    AddressText = GetAddressText();
    RaiseInfo(FtpInfo::Resolved, AddressText);
    RaiseInfo(FtpInfo::ConnectAttempt, QString::number(m_attemptCount));
    Connect();
    CheckSocketError();
}

void TFtp::onControlConnected()
{
    if (LastError != 0) {
        // A refused or unreachable connect is a failed attempt while attempts remain; the
        // last one reports the socket error itself.
        if (m_attemptCount < Retry && !m_retryTimer) {
            failedAttempt(false);
            return;
        }
        CheckSocketError();
        return;
    }
    setReplyState(FirewallType == fwSite ? ReplyStates::FirewallGreeting : ReplyStates::Greeting);
    RaiseInfo(FtpInfo::Connected, AddressText);
    LocalHost = GetLocalAddress();
    if (TimeOutConnect > 0)
        SetTimeout(TimeOutConnect);
    m_sessionConnected = true;
    if (FirewallType == fwSocks)
        sendSocksRequestOnControl();
    else if (Encryption == ftpeImplicit)
        startControlTls();
}

void TFtp::onControlTimeOut()
{
    setReplyState(ReplyStates::Nothing);
    if (!m_retryTimer)
        failedAttempt(false);
}

void TFtp::failedAttempt(bool withQuit)
{
    if (withQuit && m_sessionConnected)
        SendLine(QStringLiteral("QUIT"));
    Close();
    m_sessionConnected = false;
    m_busy = false;
    if (m_attemptCount < Retry) {
        RaiseInfo(FtpInfo::RetryScheduled, RetryDelay != 0 ? QStringLiteral(" Waiting for retry...") : QString());
        scheduleRetry();
    } else {
        RaiseInfo(FtpInfo::ConnectFailed);
        SignalDone();
    }
}

void TFtp::loginRefused()
{
    if (!m_retryTimer)
        failedAttempt(true);
    setReplyState(ReplyStates::Nothing);
}

void TFtp::scheduleRetry()
{
    Close();
    m_retryTimer = new QTimer(this);
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, [this] {
        m_retryTimer->deleteLater();
        m_retryTimer = nullptr;
        connectAttempt();
    });
    // In 64 bits and within what a timer takes: a delay of days must not wrap to a few
    // milliseconds (or to a negative interval, which would never retry at all).
    m_retryTimer->start(int(std::clamp<qint64>(qint64(RetryDelay) * 1000 + 100, 0, std::numeric_limits<int>::max())));
}

// --- Sending -------------------------------------------------------------------------------

QString TFtp::LoggedForm(const QString& command)
{
    // Whatever the letter case: a raw "pass secret" must not reach the log either.
    if (command.trimmed().left(4).compare(QLatin1String("PASS"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("PASS xxxxxx");
    return command;
}

void TFtp::SendLine(const QString& command)
{
    // The operations refuse such texts before they start; this is the last line of defence,
    // and a state machine that cannot send its command cannot go on.
    if (commandTextRefused(command)) {
        endSession();
        return;
    }
    const QString logged = LoggedForm(command);
    RaiseInfo(FtpInfo::CommandSent, logged);
    writeLog(logged);
    // The socket layer keeps what the kernel cannot take yet and sends it when it can, so
    // nothing here waits for the network.
    SendAll(command.toUtf8() + "\r\n");
    CheckSocketError();
}

void TFtp::SendCommand(const QString& command, int state)
{
    if (!command.isEmpty())
        SendLine(command);
    setReplyState(state);
}

static QString visibleCommandText(const QString& text)
{
    QString shown = TFtp::LoggedForm(text).left(200);
    shown.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    shown.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    shown.replace(QChar(0), QLatin1String("\\0"));
    return text.size() > 200 ? shown + QStringLiteral("...") : shown;
}

bool TFtp::commandTextRefused(const QString& text)
{
    if (IsSafeCommandText(text))
        return false;
    ReportFtpError(FtpError::CommandRefused, visibleCommandText(text));
    return true;
}

bool TFtp::loginTextsRefused()
{
    const std::pair<const char*, const QString*> texts[] = {
        {"UserName", &UserName},   {"UserPassword", &UserPassword}, {"UserAccount", &UserAccount},
        {"ProxyUser", &ProxyUser}, {"ProxyPass", &ProxyPass},       {"SocksHost", &SocksHost},
        {"InitialDirectory", &InitialDirectory},
    };
    for (const auto& [name, text] : texts) {
        if (!IsSafeCommandText(*text)) {
            // The name of the field only: the text may be a password.
            ReportFtpError(FtpError::CommandRefused, QLatin1String(name));
            return true;
        }
    }
    return false;
}

bool TFtp::guardConnectedIdle()
{
    if (!m_sessionConnected) {
        RaiseInfo(FtpInfo::NotConnected);
        return false;
    }
    if (m_busy) {
        RaiseInfo(FtpInfo::Busy);
        return false;
    }
    m_lastFtpError = 0;
    m_busy = true;
    return true;
}

// --- Replies -------------------------------------------------------------------------------

void TFtp::onControlLine(const QString& line)
{
    noteActivity();
    writeLog(line);
    const qint64 closes = m_closeCount;
    RaiseInfo(FtpInfo::ReplyLine, line);
    if (closes != m_closeCount)
        return;  // the owner closed the session on seeing the line
    HandleReply(line);
}

void TFtp::HandleReply(const QString& line)
{
    if (line.isEmpty())
        return;
    if (m_inMultiline) {
        if (charAt(line, 4) != QLatin1Char(' ')) {
            RaiseInfo(FtpInfo::MultilineInner, line);
            return;
        }
        if (line.at(0) != QLatin1Char('2') && !line.startsWith(QLatin1String("530"))) {
            RaiseInfo(FtpInfo::MultilineInner, line);
            return;
        }
        RaiseInfo(FtpInfo::MultilineLast, line);
    } else if (!m_heldReplyCode.isEmpty()) {
        // Any other multi-line reply is acted on once, at its last line: the same code
        // followed by a space. (A refusal acted on at each line completed its operation twice.)
        if (!line.startsWith(m_heldReplyCode) || charAt(line, 4) != QLatin1Char(' '))
            return;
        m_heldReplyCode.clear();
    } else if (charAt(line, 4) == QLatin1Char('-') && line.at(0) != QLatin1Char('2') && isReplyCode(line)) {
        m_heldReplyCode = line.left(3);
        return;
    }
    if (charAt(line, 4) == QLatin1Char('-') && line.at(0) == QLatin1Char('2')) {
        if (m_replyState > 1)
            m_loggedIn = true;
        m_inMultiline = true;
        RaiseInfo(FtpInfo::MultilineFirst, line);
        return;
    }
    m_inMultiline = false;
    if (line.startsWith(QLatin1String("421"))) {
        if (!m_loggedIn) {
            if (!m_retryTimer)
                failedAttempt(false);
            return;
        }
    }
    dispatchReply(line);
}

void TFtp::dispatchReply(const QString& line)
{
    // While an abort runs, every reply answers the interrupted command or the ABOR.
    if (m_aborting) {
        handleAbortReply(line);
        return;
    }
    notePreliminaryReply(line);
    if (handleTlsReply(line) || handleLoginReply(line))
        return;
    if (handleCommandReply(line))
        return;
    handleTransferReply(line);
}

void TFtp::onControlLineTooLong()
{
    // No reply line is that long; a server sending one is broken or hostile.
    note(QStringLiteral("The server sent a line longer than %1 bytes; closing the connection").arg(MaxLineLength));
    LastError = 0;
    FatalError(FtpError::ProtocolError);
}

// --- Closing -------------------------------------------------------------------------------

void TFtp::onControlClosed()
{
    keepReceivedData();
    closeDataFile();
    if (m_loggedIn) {
        // An operation cut off by the hang-up did not succeed, whatever its event says.
        if (m_busy)
            Success = false;
        RaiseInfo(FtpInfo::NotConnected, QStringLiteral("Disconnected"));
        SignalDone();
        PostMessage(MsgSessionOver, m_closeCount);
        m_sessionConnected = false;
        return;
    }
    // A server that hangs up before the login finished ends the attempt; left unreported
    // the owner would wait for a login that never comes.
    if (!m_retryTimer)
        failedAttempt(false);
}

void TFtp::Close()
{
    ++m_closeCount;
    if (m_retryTimer) {
        m_retryTimer->stop();
        m_retryTimer->deleteLater();
        m_retryTimer = nullptr;
    }
    stopSocksReplyTimer();
    stopWatchdog();
    m_donePosted = false;
    m_heldReplyCode.clear();
    m_aborting = false;
    m_abortFinalsPending = 0;
    closeLog();
    if (m_dataActive) {
        closeDataSockets();
        m_dataActive = false;
    }
    m_sending = false;
    m_deferredDataTls = nullptr;
    closeDataFile();
    TStarSocket::Close();
}

void TFtp::closeDataFile()
{
    m_passiveDataSocket->ReceiveStream.reset();
    m_activeDataSocket->ReceiveStream.reset();
}

void TFtp::closeDataSockets()
{
    if (UsePasv) {
        m_passiveDataSocket->Close();
    } else {
        m_activeDataSocket->Close();
        m_listenSocket->Close();
    }
}
