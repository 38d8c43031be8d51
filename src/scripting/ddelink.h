#pragma once

#include <QDBusConnection>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

class DBusLinkClient;
class DBusLinkServer;
struct ConfigData;

// The program's DDE side over D-Bus: the command server (DBusLinkServer), the client link to
// a partner (DBusLinkClient) and the rules between them and the log, with the settings
// DDEService, DDETopic, DDECommand, DDEFilter, DDEPrompt and DDEShow.
//
// Every text meant for a DDE client goes through SendToDdeClient: it becomes a Reply signal
// of the server whether or not the client link is on, and a poke of "DDECommand text" to the
// partner while it is. Log lines reach it through ForwardLogLine when DDEFilter is on. The
// link's own lines that must not travel (the "DDE> " echo of a poke, the report of a failed
// delivery) are marked so that ForwardLogLine drops them when the owner's log hands them back.
class DdeLink : public QObject
{
    Q_OBJECT

public:
    using OpenDone = std::function<void(bool ok)>;

    // The session bus, connected when first needed (the headless mode may have none).
    explicit DdeLink(const ConfigData& config, QObject* parent = nullptr);
    DdeLink(const ConfigData& config, const QDBusConnection& connection, QObject* parent = nullptr);
    ~DdeLink() override;

    // --- Server -------------------------------------------------------------------------------
    // Serves /link and asks for org.orvoftp.OrvoFTP (the window only). False without a bus.
    bool StartServer();
    DBusLinkServer* Server() const { return m_server.get(); }

    // --- Texts --------------------------------------------------------------------------------
    void SendToDdeClient(const QString& message);
    // A line written to the log console (every colour).
    void ForwardLogLine(const QString& text);

    // --- Client link --------------------------------------------------------------------------
    // DDEOPEN: the current service and topic (the settings', or those DDELINK gave). `done`
    // gets the result once.
    void OpenClient(OpenDone done = {});
    // DDELINK "service:topic:command": closes the link, takes the three for this run, opens.
    void LinkTo(const QString& argument, OpenDone done = {});
    // DDECLOSE and the exit. An open in progress ends as failed.
    void CloseClient();
    // "&DDE Client": closes an open link; otherwise opens it and, with DDEPrompt, asks for the
    // command prefix of this run ("Enter DDE command").
    void ToggleFromMenu();
    bool ClientOpen() const;
    QString CommandPrefix() const;
    QString CurrentService() const;
    QString CurrentTopic() const;

signals:
    void logLine(const QString& text, int kind);  // SessionController::LogKind
    void clientOpenChanged(bool open);            // the "&DDE Client" check mark
    void commandPoked(const QString& text);       // a command arrived at the server
    void replied(const QString& text);            // every text SendToDdeClient took

private:
    QDBusConnection& connection();
    DBusLinkClient& client();
    void openCurrent(OpenDone done, bool fromMenu);
    void clientOpenFinished(bool ok);
    void clientClosed();
    void clientSendFailed(const QString& error);
    void logUnforwarded(const QString& text, int kind);
    void commandArrived(const QString& text);
    void closeQuietly();

    const ConfigData& m_config;
    std::optional<QDBusConnection> m_connection;
    std::unique_ptr<DBusLinkServer> m_server;
    std::unique_ptr<DBusLinkClient> m_client;
    std::optional<QString> m_service;  // DDELINK's, for this run
    std::optional<QString> m_topic;
    std::optional<QString> m_command;  // DDELINK's or the one asked for (DDEPrompt)
    OpenDone m_openDone;
    bool m_openFromMenu = false;
    bool m_closingQuietly = false;  // an open given up for a new one is no failure to log
    int m_unforwarded = 0;
};
