// Login of TFtp: firewall routes, USER/PASS/ACCT, system type detection, the resume probe
// and the initial directory.
#include "engine/ftp.h"

#include <QTimer>

namespace {

bool startsWithDigit(const QString& line, char digit)
{
    return !line.isEmpty() && line.at(0) == QLatin1Char(digit);
}

constexpr int kSocksReplySize = 8;
constexpr quint8 kSocksGranted = 90;

}  // namespace

QByteArray TFtp::SocksRequest(const QString& dottedAddress, quint16 port)
{
    QByteArray request;
    request.append(char(4));
    request.append(char(1));
    request.append(char(port >> 8));
    request.append(char(port & 0xFF));
    const QStringList parts = dottedAddress.split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i)
        request.append(char(i < parts.size() ? parts[i].toUInt() & 0xFF : 0));
    request.append(char(0));
    return request;
}

TFTPServerType TFtp::DetectServerType(const QString& text)
{
    struct Rule {
        const char* word;
        TFTPServerType type;
    };
    // Order matters: every later match overrides the earlier ones.
    static const Rule rules[] = {
        {"4.0", ftpstWinNT},       {"3.51", ftpstWinNT}, {"UNIX", ftpstUNIX},   {"CLIX", ftpstClix},
        {"ULTRIX", ftpstULTRIX},   {"WAR", ftpstWarFTPD}, {"MVS", ftpstMVS},    {"QVT", ftpstQVT},
        {"NCSA", ftpstNCSA},       {"CHAMELEON", ftpstChameleon}, {"REDHAT", ftpstRedhat},
        {"MACOS", ftpstMacOS},
    };
    TFTPServerType type = ftpstDefault;
    for (const Rule& rule : rules) {
        if (text.contains(QLatin1String(rule.word)))
            type = rule.type;
    }
    if (text.contains(QLatin1String("VMS")))
        type = text.contains(QLatin1String("MULTINET")) ? ftpstVmsMultinet : ftpstVmsUcx;
    else if (text.contains(QLatin1String("VM")))
        type = text.contains(QLatin1String("VPS")) ? ftpstVMVPS : ftpstVM;
    return type;
}

// --- SOCKS 4 ------------------------------------------------------------------------------

void TFtp::awaitSocksReply(TStarSocket& socket, const std::function<void(bool, const QString&)>& done)
{
    // The proxy answers with 8 bytes before the first byte of the peer; read exactly those,
    // so nothing of what follows (the greeting, file data) is lost.
    auto received = std::make_shared<QByteArray>();
    const quint8 savedMode = socket.ReceiveMode;
    const auto savedData = socket.OnDataAvailable;
    const auto savedClosed = socket.OnClosed;
    auto finish = [this, &socket, savedMode, savedData, savedClosed, done](bool ok, const QString& reason) {
        stopSocksReplyTimer();
        socket.ReceiveMode = savedMode;
        socket.OnDataAvailable = savedData;
        socket.OnClosed = savedClosed;
        done(ok, reason);
    };
    socket.ReceiveMode = RawMode;
    socket.OnDataAvailable = [&socket, received, finish] {
        char buffer[kSocksReplySize];
        const qint64 got = socket.Receive(buffer, kSocksReplySize - received->size());
        if (got <= 0)
            return;
        received->append(buffer, int(got));
        if (received->size() < kSocksReplySize)
            return;
        const quint8 status = quint8(received->at(1));
        if (status == kSocksGranted)
            finish(true, {});
        else
            finish(false, QStringLiteral("SOCKS proxy refused the connection (status %1)").arg(status));
    };
    socket.OnClosed = [finish] { finish(false, QStringLiteral("SOCKS proxy closed the connection")); };
    stopSocksReplyTimer();
    m_socksReplyTimer = new QTimer(this);
    m_socksReplyTimer->setSingleShot(true);
    connect(m_socksReplyTimer, &QTimer::timeout, this, [finish] {
        finish(false, QStringLiteral("SOCKS proxy did not answer in time"));
    });
    m_socksReplyTimer->start((TimeOutConnect > 0 ? TimeOutConnect : 30) * 1000);
}

void TFtp::stopSocksReplyTimer()
{
    if (!m_socksReplyTimer)
        return;
    m_socksReplyTimer->stop();
    m_socksReplyTimer->deleteLater();
    m_socksReplyTimer = nullptr;
}

void TFtp::sendSocksRequestOnControl()
{
    UsePasv = true;
    auto onReply = [this](bool ok, const QString& reason) {
        if (ok) {
            // The greeting through the proxy starts the login; with implicit TLS the
            // handshake (with the server) comes first.
            if (Encryption == ftpeImplicit)
                startControlTls();
            return;
        }
        RaiseInfo(FtpInfo::ReplyLine, reason);
        writeLog(reason);
        if (!RetryScheduled())
            failedAttempt(false);
    };
    const auto send = [this, onReply](const QString& address) {
        awaitSocksReply(*this, onReply);
        SendAll(SocksRequest(address, quint16(SocksPort & 0xFFFF)));
        CheckSocketError();
    };
    if (!SocksHost.isEmpty() && IsNumericAddress(SocksHost)) {
        send(SocksHost);
        return;
    }
    TStarSocket& resolver = PassiveDataSocket();
    resolver.SetFtpServer(SocksHost);
    resolver.OnLookupDone = [this, &resolver, send] {
        resolver.OnLookupDone = nullptr;
        if (resolver.LastError != 0) {
            const QString reason = QStringLiteral("Unable to resolve %1 (%2)")
                                       .arg(SocksHost, ErrorName(resolver.LastError));
            RaiseInfo(FtpInfo::ReplyLine, reason);
            writeLog(reason);
            if (!RetryScheduled())
                failedAttempt(false);
            return;
        }
        resolver.UseResolvedAddress();
        resolver.AddressText = resolver.GetAddressText();
        send(resolver.AddressText);
    };
    resolver.ClearLookupHandle();
    resolver.ResolveHost(resolver.HostName);
}

// --- Login states -------------------------------------------------------------------------

void TFtp::sendUserCommand()
{
    QString user = UserName;
    if (FirewallType == fwUserHost) {
        user += QLatin1Char('@') + SocksHost;
        if (SocksPort != 21)
            user += QLatin1Char(':') + QString::number(SocksPort);
    }
    SendCommand(QStringLiteral("USER ") + user, ReplyStates::User);
}

void TFtp::afterSystemReply(const QString& line)
{
    RaiseInfo(FtpInfo::SystemReply);
    m_pendingEvent = PendingEvents::LoggedIn;
    if (startsWithDigit(line, '5')) {
        ServerType = ftpstDefault;
    } else if (ServerDetect) {
        m_systemText = line.mid(4, 99).toUpper();
        ServerType = DetectServerType(m_systemText);
    }
    RaiseInfo(FtpInfo::LoggedIn, QStringLiteral("Logged in"));
    SendCommand(QStringLiteral("REST 100"), ReplyStates::Rest100);
}

void TFtp::directoryStep()
{
    if (!InitialDirectory.isEmpty())
        SendCommand(QStringLiteral("CWD ") + InitialDirectory, ReplyStates::InitialCwd);
    else
        SendCommand(QStringLiteral("PWD"), ReplyStates::Pwd);
}

bool TFtp::handleLoginReply(const QString& line)
{
    switch (m_replyState) {
    case ReplyStates::FirewallGreeting:
        // Behind the firewall the TLS session is with the firewall: before its login.
        if (wantsAuthTls())
            sendAuthTls(true);
        else
            SendCommand(QStringLiteral("USER ") + ProxyUser, ReplyStates::FirewallUser);
        return true;
    case ReplyStates::FirewallUser:
        SendCommand(QStringLiteral("PASS ") + ProxyPass, ReplyStates::FirewallPass);
        return true;
    case ReplyStates::FirewallPass: {
        // The port goes along unless it is the standard one, or the firewall would reach
        // the wrong service.
        QString target = SocksHost;
        if (SocksPort != 21 && SocksPort != 0)
            target += QLatin1Char(':') + QString::number(SocksPort);
        SendCommand(QStringLiteral("SITE ") + target, ReplyStates::Greeting);
        return true;
    }
    case ReplyStates::Greeting:
        if (!startsWithDigit(line, '2'))
            loginRefused();
        else if (wantsAuthTls() && FirewallType != fwSite)
            sendAuthTls(false);
        else
            sendUserCommand();
        return true;
    case ReplyStates::User:
        if (startsWithDigit(line, '2')) {
            // Logged in without a password: a later server close must still be reported.
            m_loggedIn = true;
            afterLogin();
        } else if (startsWithDigit(line, '3')) {
            SendCommand(QStringLiteral("PASS ") + UserPassword, ReplyStates::Pass);
        } else {
            loginRefused();
        }
        return true;
    case ReplyStates::Pass:
        if (startsWithDigit(line, '2')) {
            m_loggedIn = true;
            afterLogin();
        } else if (startsWithDigit(line, '3')) {
            SendCommand(QStringLiteral("ACCT ") + UserAccount, ReplyStates::Acct);
        } else if (line.size() < 4 || line.at(3) != QLatin1Char('-')) {
            loginRefused();
        }
        return true;
    case ReplyStates::Acct:
        if (startsWithDigit(line, '2')) {
            m_loggedIn = true;  // as for PASS: a later server close must be reported
            afterLogin();
        } else {
            loginRefused();
        }
        return true;
    case ReplyStates::Syst:
        afterSystemReply(line);
        return true;
    case ReplyStates::Rest100:
        if (startsWithDigit(line, '5') && !line.startsWith(QLatin1String("504"))) {
            directoryStep();
        } else {
            RaiseInfo(FtpInfo::ResumeSupported);
            SendCommand(QStringLiteral("REST 0"), ReplyStates::Rest0);
        }
        return true;
    case ReplyStates::Rest0:
        directoryStep();
        return true;
    case ReplyStates::InitialCwd:
        if (!startsWithDigit(line, '2'))
            RaiseInfo(FtpInfo::InitialDirectoryFailed);
        RaiseInfo(FtpInfo::LoggedIn, QStringLiteral("Logged in"));
        SendCommand(QStringLiteral("PWD"), ReplyStates::Pwd);
        return true;
    default:
        return false;
    }
}
