#include "scriptedserver.h"

#include <memory>

void ScriptedServer::Session::send(const QStringList& lines)
{
    for (const QString& line : lines)
        m_socket->write(line.toUtf8() + "\r\n");
    m_socket->flush();
}

void ScriptedServer::Session::sendRaw(const QByteArray& bytes)
{
    m_socket->write(bytes);
    m_socket->flush();
}

void ScriptedServer::Session::close()
{
    m_socket->flush();
    m_socket->disconnectFromHost();
}

ScriptedServer::ScriptedServer(QObject* parent)
    : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedServer::onNewConnection);
}

static QString ruleKey(const QString& key)
{
    return key.toUpper();
}

void ScriptedServer::reply(const QString& key, const QStringList& lines)
{
    m_rules[ruleKey(key)] = [lines](Session& s, const QString&) { s.send(lines); };
}

void ScriptedServer::replyOnce(const QString& key, const QStringList& lines)
{
    m_onceRules[ruleKey(key)].push_back([lines](Session& s, const QString&) { s.send(lines); });
}

void ScriptedServer::act(const QString& key, Action action)
{
    m_rules[ruleKey(key)] = std::move(action);
}

void ScriptedServer::actOnce(const QString& key, Action action)
{
    m_onceRules[ruleKey(key)].push_back(std::move(action));
}

void ScriptedServer::useStandardReplies()
{
    reply(QStringLiteral("USER"), {QStringLiteral("331 Password required.")});
    reply(QStringLiteral("PASS"), {QStringLiteral("230 Logged in.")});
    reply(QStringLiteral("SYST"), {QStringLiteral("215 UNIX Type: L8")});
    reply(QStringLiteral("REST"), {QStringLiteral("350 Restarting.")});
    reply(QStringLiteral("TYPE"), {QStringLiteral("200 Type set.")});
    reply(QStringLiteral("PWD"), {QStringLiteral("257 \"/\" is the current directory.")});
    reply(QStringLiteral("CWD"), {QStringLiteral("250 Directory changed.")});
    reply(QStringLiteral("NOOP"), {QStringLiteral("200 NOOP ok.")});
    act(QStringLiteral("QUIT"), [](Session& s, const QString&) {
        s.send({QStringLiteral("221 Goodbye.")});
        s.close();
    });
}

void ScriptedServer::closeAll()
{
    for (QTcpSocket* socket : m_sockets)
        socket->abort();
}

void ScriptedServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        ++m_connections;
        m_sockets.push_back(socket);
        auto session = std::make_shared<Session>(socket);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, session, buffer] {
            buffer->append(socket->readAll());
            qsizetype feed;
            while ((feed = buffer->indexOf('\n')) >= 0) {
                QByteArray raw = buffer->left(feed);
                buffer->remove(0, feed + 1);
                if (raw.endsWith('\r'))
                    raw.chop(1);
                // Telnet IAC sequences (the abort's interrupt and synch) are not part of the command.
                QByteArray clean;
                for (qsizetype i = 0; i < raw.size(); ++i) {
                    if (quint8(raw[i]) == 0xFF && i + 1 < raw.size()) {
                        ++i;
                        continue;
                    }
                    if (quint8(raw[i]) >= 0xF0)
                        continue;
                    clean.append(raw[i]);
                }
                onLine(*session, QString::fromUtf8(clean));
            }
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { std::erase(m_sockets, socket); });
        if (!m_greeting.isEmpty())
            session->send(m_greeting);
    }
}

void ScriptedServer::onLine(Session& session, const QString& line)
{
    m_received << line;
    const QString upper = line.toUpper();
    const QString verb = upper.section(QLatin1Char(' '), 0, 0);
    for (const QString& key : {upper, verb}) {
        auto once = m_onceRules.find(key);
        if (once != m_onceRules.end() && !once->second.empty()) {
            Action action = std::move(once->second.front());
            once->second.pop_front();
            action(session, line);
            return;
        }
        auto standing = m_rules.find(key);
        if (standing != m_rules.end()) {
            standing->second(session, line);
            return;
        }
    }
    session.send({QStringLiteral("502 Command not implemented.")});
}

quint16 ScriptedServer::openDataListener()
{
    if (!m_dataServer.isListening()) {
        m_dataServer.listen(QHostAddress::LocalHost, 0);
        connect(&m_dataServer, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_dataServer.nextPendingConnection()) {
                ++m_dataConnections;
                m_lastDataPeer = socket->peerAddress().toString();
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                if (onData)
                    onData(socket);
            }
        });
    }
    return m_dataServer.serverPort();
}

QString ScriptedServer::pasvReply(const QString& address)
{
    const quint16 port = openDataListener();
    QString host = address;
    host.replace(QLatin1Char('.'), QLatin1Char(','));
    return QStringLiteral("227 Entering Passive Mode (%1,%2,%3).").arg(host).arg(port >> 8).arg(port & 0xFF);
}
