#pragma once

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <deque>
#include <functional>
#include <map>
#include <vector>

// An FTP server that plays scripted replies, for exact reply sequences (multi-line replies,
// 421, silence, odd PASV replies). Runs on the test's own event loop on 127.0.0.1.
//
// A rule answers a command by its verb ("USER") or by a whole line when the key holds a
// space ("LIST -al"). Rules given with `once` are used up in order before the standing rule
// of the same key. Commands without a rule get "502 Command not implemented.".
class ScriptedServer : public QObject
{
    Q_OBJECT

public:
    class Session
    {
    public:
        explicit Session(QTcpSocket* socket) : m_socket(socket) {}
        void send(const QStringList& lines);
        void sendRaw(const QByteArray& bytes);
        void close();
        QTcpSocket* socket() const { return m_socket; }

    private:
        QTcpSocket* m_socket;
    };
    using Action = std::function<void(Session& session, const QString& line)>;

    explicit ScriptedServer(QObject* parent = nullptr);
    quint16 port() const { return m_server.serverPort(); }

    void setGreeting(const QStringList& lines) { m_greeting = lines; }  // empty: say nothing
    void reply(const QString& key, const QStringList& lines);
    void replyOnce(const QString& key, const QStringList& lines);
    void act(const QString& key, Action action);
    void actOnce(const QString& key, Action action);
    // USER 331, PASS 230, SYST UNIX, REST 350, TYPE 200, PWD "/", CWD 250, NOOP 200, QUIT 221.
    void useStandardReplies();

    const QStringList& received() const { return m_received; }
    int connectionCount() const { return m_connections; }
    void closeAll();

    // Passive data: a listener on 127.0.0.1; `onData` runs for each data connection.
    quint16 openDataListener();
    // "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)." naming `address` and the data port.
    QString pasvReply(const QString& address = QStringLiteral("127.0.0.1"));
    std::function<void(QTcpSocket*)> onData;
    int dataConnections() const { return m_dataConnections; }
    QString lastDataPeer() const { return m_lastDataPeer; }

private:
    void onNewConnection();
    void onLine(Session& session, const QString& line);

    QTcpServer m_server;
    QTcpServer m_dataServer;
    QStringList m_greeting{QStringLiteral("220 Scripted server ready.")};
    std::map<QString, std::deque<Action>> m_onceRules;
    std::map<QString, Action> m_rules;
    QStringList m_received;
    int m_connections = 0;
    int m_dataConnections = 0;
    QString m_lastDataPeer;
    std::vector<QTcpSocket*> m_sockets;
};
