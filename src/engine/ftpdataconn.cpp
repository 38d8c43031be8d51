// Data connections of TFtp: the protocol texts (PASV, PORT, size announcements), opening
// the passive or active connection (through SOCKS when asked) and the rule that finishes a
// transfer command's reply.
#include "engine/ftp.h"

#include "engine/winsockerrors.h"
#include "platform/core/clock.h"

namespace {

bool startsWithDigit(const QString& line, char digit)
{
    return !line.isEmpty() && line.at(0) == QLatin1Char(digit);
}

}  // namespace

// --- Helpers of the protocol -------------------------------------------------------------

QString TFtp::SizeAnnouncement(const QString& reply)
{
    const qsizetype open = reply.indexOf(QLatin1Char('('));
    if (open < 0)
        return reply.left(reply.indexOf(QLatin1Char(' ')));
    const qsizetype space = reply.indexOf(QLatin1Char(' '), open + 1);
    return space < 0 ? reply.mid(open + 1) : reply.mid(open + 1, space - open - 1);
}

QString TFtp::BuildPortArgument(const QString& localAddress, quint16 port)
{
    QString argument = localAddress;
    argument.replace(QLatin1Char('.'), QLatin1Char(','));
    return argument + QStringLiteral(",%1,%2").arg(port >> 8).arg(port & 0xFF);
}

bool TFtp::ParsePasvReply(const QString& reply, QString* address, quint16* port)
{
    // The six numbers usually stand in parentheses; some servers leave those out, so
    // without them the numbers after the reply code are taken.
    QString inner;
    const qsizetype open = reply.indexOf(QLatin1Char('('));
    if (open >= 0) {
        const qsizetype close = reply.indexOf(QLatin1Char(')'), open + 1);
        inner = close < 0 ? reply.mid(open + 1) : reply.mid(open + 1, close - open - 1);
    } else {
        inner = reply.mid(4);
        const qsizetype firstDigit = [&] {
            for (qsizetype i = 0; i < inner.size(); ++i) {
                if (inner.at(i).isDigit())
                    return i;
            }
            return qsizetype(-1);
        }();
        if (firstDigit < 0)
            return false;
        inner = inner.mid(firstDigit);
    }
    if (!inner.contains(QLatin1Char(',')))
        return false;
    const QStringList parts = inner.split(QLatin1Char(','));
    if (parts.size() < 6)
        return false;
    int numbers[6];
    for (int i = 0; i < 6; ++i) {
        QString part = parts[i].trimmed();
        if (i == 5) {
            qsizetype end = 0;
            while (end < part.size() && part.at(end).isDigit())
                ++end;
            part.truncate(end);
        }
        bool ok = false;
        numbers[i] = part.toInt(&ok);
        if (!ok || numbers[i] < 0 || numbers[i] > 255)
            return false;
    }
    *address = QStringLiteral("%1.%2.%3.%4").arg(numbers[0]).arg(numbers[1]).arg(numbers[2]).arg(numbers[3]);
    *port = quint16(numbers[4] * 256 + numbers[5]);
    return true;
}

void TFtp::updateElapsed()
{
    m_elapsedMs = Clock::tickMs() - m_startTick;
}

// --- Choosing the data connection --------------------------------------------------------

void TFtp::startDataConnection(int pasvState, int portState, std::function<void()> onAccepted)
{
    m_preliminarySeen = false;
    m_deferredDataTls = nullptr;
    if (UsePasv) {
        SendCommand(UsesExtendedPassive() ? QStringLiteral("EPSV") : QStringLiteral("PASV"), pasvState);
        return;
    }
    // The hook is in place before the PORT goes out: some servers connect at once.
    m_listenSocket->OnAccept = std::move(onAccepted);
    openListener();
    if (m_listenSocket->LastError != 0) {
        LastError = m_listenSocket->LastError;
        FatalError(ftpErrorFor(LastError));
        return;
    }
    SendCommand(portCommand(), portState);
}

void TFtp::openListener()
{
    TStarSocket& listener = *m_listenSocket;
    listener.Close();
    listener.SetAddressText(GetLocalAddress());
    listener.SetPort(0);
    listener.CreateSocket();
    listener.Listen();
    if (listener.LastError != 0)
        return;
    m_portArgument = IsIPv6() && FirewallType == fwNone
                         ? BuildEprtArgument(listener.GetLocalAddress(), listener.GetLocalPort())
                         : BuildPortArgument(listener.GetLocalAddress(), listener.GetLocalPort());
}

bool TFtp::preparePassive(const QString& reply)
{
    QString address;
    quint16 port = 0;
    if (reply.startsWith(QLatin1String("229"))) {
        // EPSV names a port only: the address is the server's.
        if (!ParseEpsvReply(reply, &port))
            return false;
        address = GetPeerAddress();
    } else if (!ParsePasvReply(reply, &address, &port)) {
        return false;
    }
    if (FirewallType == fwSocks) {
        m_socksTargetAddress = address;
        m_socksTargetPort = port;
        address = AddressText;
        port = FtpPort;
    } else if (FirewallType == fwNone) {
        // The data connection goes to the server we are talking to, whatever address the
        // reply names: a hostile server cannot point us at other hosts, and replies mangled
        // by NAT keep working. (Behind a SITE or USER@host firewall the control peer is the
        // firewall, and the reply names the real server.)
        const QString peer = GetPeerAddress();
        if (!peer.isEmpty() && peer != address) {
            const QString note = QStringLiteral("PASV reply names %1; connecting to the server's address %2 instead")
                                     .arg(address, peer);
            writeLog(note);
            RaiseInfo(FtpInfo::Notice, note);
            address = peer;
        }
    }
    TStarSocket& data = *m_passiveDataSocket;
    data.Close();
    data.CreateSocket();
    data.SetAddressText(address);
    data.SetPort(port);
    data.TimeOutConnect = TimeOutConnect;
    // A connect that never completes must end the operation, not leave it waiting.
    data.OnTimeOut = [this, address, port] {
        dataConnectionFailed(QStringLiteral("%1 connecting to %2:%3").arg(ErrorName(Winsock::WSAETIMEDOUT), address).arg(port));
    };
    return true;
}

void TFtp::failPassiveReply()
{
    // No address to connect to: the operation fails, the session stays usable.
    m_passiveDataSocket->Close();
    closeDataFile();
    m_dataActive = false;
    m_replyDone = true;
    Success = false;
    setReplyState(ReplyStates::Nothing);
    SignalDone();
}

void TFtp::onPassiveConnected(const std::function<void()>& then)
{
    TStarSocket& data = *m_passiveDataSocket;
    if (data.LastError != 0) {
        const quint16 code = data.LastError;
        data.Close();
        if (!m_aborting)
            dataConnectionFailed(ErrorName(code));
        return;
    }
    if (FirewallType != fwSocks) {
        dataReady(data, then);
        return;
    }
    awaitSocksReply(data, [this, then](bool ok, const QString& reason) {
        if (!ok) {
            writeLog(reason);
            RaiseInfo(FtpInfo::Notice, reason);
            m_passiveDataSocket->Close();
            FatalError(FtpError::DataConnection);
            return;
        }
        dataReady(*m_passiveDataSocket, then);
    });
    data.SendAll(SocksRequest(m_socksTargetAddress, m_socksTargetPort));
}

void TFtp::dataConnectionUp()
{
    m_bytesTransferred = 0;
    Success = true;
    m_startTick = Clock::tickMs();
    m_elapsedMs = 0;
    m_dataActive = true;
    noteActivity();
    // An abort asked for before the data connection came up stays in force.
}

void TFtp::onAccept(const std::function<void()>& then)
{
    TStarSocket& data = *m_activeDataSocket;
    data.Accept(*m_listenSocket);
    if (data.LastError == 0) {
        if (acceptedFromServer())
            dataReady(data, then ? then : std::function<void()>([] {}));
        return;
    }
    if (!m_aborting)
        dataConnectionFailed(ErrorName(data.LastError));
}

bool TFtp::acceptedFromServer()
{
    // The data connection belongs to the server we talk to: whoever else reaches our port
    // first must not feed the file or the listing. (Behind a SITE or USER@host firewall the
    // control peer is the firewall and the data come from the server behind it.)
    const QString server = GetPeerAddress();
    const QString peer = m_activeDataSocket->GetPeerAddress();
    if (FirewallType != fwNone || server.isEmpty() || peer == server)
        return true;
    note(QStringLiteral("Refused a data connection from %1: the server is %2").arg(peer, server));
    m_activeDataSocket->Close();  // the listener stays open for the server's own connection
    return false;
}

void TFtp::failTransfer(bool passive)
{
    // What has arrived of a download before the final reply is kept.
    TStarSocket& data = passive ? *m_passiveDataSocket : *m_activeDataSocket;
    if (data.Connected && data.ReceiveMode == RawMode && data.ReceiveStream && data.OnDataAvailable)
        onDownloadData();
    if (passive) {
        m_passiveDataSocket->Close();
    } else {
        m_activeDataSocket->Close();
        m_listenSocket->Close();
    }
    m_dataActive = false;
    m_sending = false;
    m_replyDone = true;
    Success = false;
    setReplyState(ReplyStates::Nothing);
    SignalDone();
}

// A final or preliminary reply to LIST, RETR, STOR or APPE.
void TFtp::finishTransferReply(const QString& line, bool passive)
{
    if (startsWithDigit(line, '1'))
        return;
    if (startsWithDigit(line, '2')) {
        m_replyDone = true;
        if (m_dataDone)
            SignalDone();
        return;
    }
    // A final 4xx or 5xx, such as the 426 of servers whose data connection broke: nothing
    // else will follow, so the transfer ends here as failed and the session stays usable.
    failTransfer(passive);
}

