// FTP over TLS in TFtp: AUTH TLS (explicit) or TLS from the first byte (implicit), the
// certificate check, PBSZ/PROT after the login, and data connections that resume the control
// connection's session. Also the extended passive/active commands of IPv6 (EPSV, EPRT).
#include "engine/ftp.h"

#include "engine/hooks.h"
#include "engine/winsockerrors.h"

#include <QTimer>

namespace {

bool startsWithDigit(const QString& line, char digit)
{
    return !line.isEmpty() && line.at(0) == QLatin1Char(digit);
}

QString withoutBrackets(const QString& host)
{
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        return host.mid(1, host.size() - 2);
    return host;
}

}  // namespace

bool TFtp::wantsAuthTls() const
{
    return (Encryption == ftpeExplicit || Encryption == ftpeExplicitOptional) && !m_controlTls;
}

void TFtp::sendAuthTls(bool fromFirewallGreeting)
{
    m_authFromFirewall = fromFirewallGreeting;
    SendCommand(QStringLiteral("AUTH TLS"), ReplyStates::AuthTls);
}

bool TFtp::handleTlsReply(const QString& line)
{
    switch (m_replyState) {
    case ReplyStates::AuthTls:
        if (line.startsWith(QLatin1String("234")) || line.startsWith(QLatin1String("334"))) {
            startControlTls();
        } else if (Encryption == ftpeExplicitOptional) {
            note(QStringLiteral("The server does not offer TLS; the session is not encrypted"));
            if (m_authFromFirewall)
                SendCommand(QStringLiteral("USER ") + ProxyUser, ReplyStates::FirewallUser);
            else
                sendUserCommand();
        } else {
            secureFailed(QStringLiteral("AUTH TLS refused: ") + line);
        }
        return true;
    case ReplyStates::Pbsz:
        SendCommand(QStringLiteral("PROT P"), ReplyStates::Prot);
        return true;
    case ReplyStates::Prot:
        m_dataTls = startsWithDigit(line, '2');
        if (!m_dataTls)
            note(QStringLiteral("The server refused PROT P; data connections are not encrypted"));
        SendCommand(QStringLiteral("SYST"), ReplyStates::Syst);
        return true;
    default:
        return false;
    }
}

void TFtp::afterLogin()
{
    // The data connections' protection is set once the login is through.
    if (m_controlTls)
        SendCommand(QStringLiteral("PBSZ 0"), ReplyStates::Pbsz);
    else
        SendCommand(QStringLiteral("SYST"), ReplyStates::Syst);
}

// The TLS peer: the server itself, or behind an FTP-level firewall the firewall (through
// SOCKS the tunnel reaches the server).
QString TFtp::certificateName() const
{
    return withoutBrackets(FirewallType == fwSocks ? SocksHost.trimmed() : FtpServer().trimmed());
}

quint16 TFtp::certificatePort() const
{
    return FirewallType == fwSocks ? quint16(SocksPort) : FtpPort;
}

void TFtp::startControlTls()
{
    if (!m_tlsContext)
        m_tlsContext = std::make_shared<TlsContext>();
    OnTlsDone = [this] { onControlTlsDone(); };
    TlsOptions options;
    options.context = m_tlsContext;
    options.verifyName = certificateName();
    m_tlsSessions = std::make_shared<TlsSessionPool>();
    options.sessions = m_tlsSessions;
    StartTls(options);
}

void TFtp::onControlTlsDone()
{
    OnTlsDone = nullptr;
    if (LastError != 0) {
        secureFailed(TlsError().isEmpty() ? ErrorName(LastError) : TlsError());
        return;
    }
    if (!certificateTrusted())
        return;
    m_controlTls = true;
    m_controlFingerprint = TlsPeerCertificate().sha256;
    note(QStringLiteral("Secure connection established (%1)").arg(TlsDescription()));
    RaiseInfo(FtpInfo::Secured, TlsDescription());
    if (Encryption == ftpeImplicit) {
        // The greeting comes over TLS; the reply state waits for it already.
        if (TimeOutConnect > 0)
            SetTimeout(TimeOutConnect);
        return;
    }
    if (m_authFromFirewall)
        SendCommand(QStringLiteral("USER ") + ProxyUser, ReplyStates::FirewallUser);
    else
        sendUserCommand();
}

bool TFtp::certificateTrusted()
{
    if (TlsVerifyResult() == 0)
        return true;
    TlsCertificateCheck check;
    check.host = certificateName();
    check.port = certificatePort();
    check.certificate = TlsPeerCertificate();
    check.problem = TlsVerifyText();
    if (!OnCertificateCheck) {
        secureFailed(QStringLiteral("certificate not trusted: ") + check.problem);
        return false;
    }
    // Nothing of the server may be acted on while the owner decides.
    const qint64 closes = m_closeCount;
    PauseReading(true);
    const auto hook = OnCertificateCheck;  // a copy: the handler may rewire the engine
    const bool trusted = hook(check);
    if (closes != m_closeCount)
        return false;  // the owner ended the session meanwhile
    PauseReading(false);
    if (!trusted) {
        secureFailed(QStringLiteral("certificate not accepted: ") + check.problem);
        return false;
    }
    note(QStringLiteral("Certificate accepted (SHA-256 %1)").arg(check.certificate.sha256));
    return true;
}

void TFtp::secureFailed(const QString& reason)
{
    // No password goes out: the login ends here, and retrying would meet the same refusal.
    writeLog(QStringLiteral("Secure connection failed (%1)").arg(reason));
    if (!UsesTls() && m_sessionConnected)
        SendLine(QStringLiteral("QUIT"));
    stopWatchdog();
    closeDataSockets();
    TStarSocket::Close();
    m_sessionConnected = false;
    Success = false;
    m_lastFtpError = FtpError::SecureConnection;
    raiseHook(OnFtpError, quint8(FtpError::SecureConnection), reason);
    PostMessage(MsgSessionOver, m_closeCount);
}

// --- Data connections --------------------------------------------------------------------

void TFtp::dataReady(TStarSocket& data, const std::function<void()>& then)
{
    if (!m_dataTls) {
        dataConnectionUp();
        then();
        return;
    }
    auto start = [this, &data, then] {
        startDataTls(data, [this, then] {
            dataConnectionUp();
            then();
        });
    };
    if (&data != m_activeDataSocket.get() || m_preliminarySeen) {
        start();
        return;
    }
    // Accepted before the server answered the transfer command (it may connect on PORT):
    // the handshake waits for its preliminary reply, or a moment for a server that wants
    // the handshake first.
    m_deferredDataTls = start;
    const quint64 token = ++m_dataTlsToken;
    QTimer::singleShot(300, this, [this, token] {
        if (token == m_dataTlsToken && m_deferredDataTls)
            std::exchange(m_deferredDataTls, nullptr)();
    });
}

void TFtp::notePreliminaryReply(const QString& line)
{
    if (!startsWithDigit(line, '1'))
        return;
    m_preliminarySeen = true;
    if (m_deferredDataTls) {
        ++m_dataTlsToken;
        std::exchange(m_deferredDataTls, nullptr)();
    }
}

void TFtp::startDataTls(TStarSocket& data, const std::function<void()>& then)
{
    TlsOptions options;
    options.context = m_tlsContext;
    options.verifyName = certificateName();
    // With TLS 1.3 the control connection's tickets came after its handshake; every reply
    // read since has passed them, so they are in the pool by now.
    options.sessions = m_tlsSessions;
    options.resume = m_tlsSessions ? m_tlsSessions->take() : nullptr;
    data.TimeOutConnect = TimeOutConnect;
    data.OnTimeOut = [this] { dataConnectionFailed(QStringLiteral("TLS: the handshake timed out")); };
    data.OnTlsDone = [this, &data, then] {
        data.OnTlsDone = nullptr;
        QString reason;
        if (data.LastError != 0)
            reason = QStringLiteral("TLS: ") + (data.TlsError().isEmpty() ? ErrorName(data.LastError) : data.TlsError());
        // (Behind an FTP-level firewall the control connection's peer is the firewall, and the
        // data come from the server behind it.)
        else if (FirewallType != fwSite && FirewallType != fwUserHost
                 && data.TlsPeerCertificate().sha256 != m_controlFingerprint)
            reason = QStringLiteral("TLS: the data connection's certificate is not the server's");
        if (reason.isEmpty()) {
            then();
            return;
        }
        data.Close();
        if (!m_aborting)
            dataConnectionFailed(reason);
    };
    data.StartTls(options);
}

// --- EPSV and EPRT ------------------------------------------------------------------------

bool TFtp::UsesExtendedPassive() const
{
    // The firewall routes reach IPv4 servers only (SOCKS 4 cannot name anything else).
    return FirewallType == fwNone && (m_epsv || IsIPv6());
}

bool TFtp::retryPassiveWithEpsv(const QString& line)
{
    if (!startsWithDigit(line, '5') || UsesExtendedPassive() || FirewallType != fwNone)
        return false;
    m_epsv = true;
    note(QStringLiteral("PASV refused; using EPSV for this session"));
    SendCommand(QStringLiteral("EPSV"), m_replyState);
    return true;
}

QString TFtp::portCommand() const
{
    return (IsIPv6() && FirewallType == fwNone ? QStringLiteral("EPRT ") : QStringLiteral("PORT ")) + m_portArgument;
}

bool TFtp::ParseEpsvReply(const QString& reply, quint16* port)
{
    // "(<d><d><d>port<d>)" with any printable delimiter, "|" as a rule.
    const qsizetype open = reply.indexOf(QLatin1Char('('));
    if (open < 0 || open + 5 >= reply.size())
        return false;
    const QChar delimiter = reply.at(open + 1);
    if (reply.at(open + 2) != delimiter || reply.at(open + 3) != delimiter)
        return false;
    const qsizetype end = reply.indexOf(delimiter, open + 4);
    if (end < 0)
        return false;
    bool ok = false;
    const uint number = reply.mid(open + 4, end - open - 4).toUInt(&ok);
    if (!ok || number == 0 || number > 65535)
        return false;
    *port = quint16(number);
    return true;
}

QString TFtp::BuildEprtArgument(const QString& localAddress, quint16 port)
{
    const char family = localAddress.contains(QLatin1Char(':')) ? '2' : '1';
    return QStringLiteral("|%1|%2|%3|").arg(QLatin1Char(family)).arg(localAddress).arg(port);
}
