#include "scripting/ddelink.h"

#include "platform/core/prompt.h"
#include "scripting/dbuslinkclient.h"
#include "scripting/dbuslinkserver.h"
#include "scripting/ddetexts.h"
#include "scripting/scriptcommand.h"
#include "session/sessioncontroller.h"
#include "settings/configdata.h"

DdeLink::DdeLink(const ConfigData& config, QObject* parent)
    : QObject(parent)
    , m_config(config)
{
}

DdeLink::DdeLink(const ConfigData& config, const QDBusConnection& connection, QObject* parent)
    : QObject(parent)
    , m_config(config)
    , m_connection(connection)
{
}

DdeLink::~DdeLink()
{
    if (m_client)
        m_client->disconnect(this);
}

QDBusConnection& DdeLink::connection()
{
    if (!m_connection)
        m_connection = QDBusConnection::sessionBus();
    return *m_connection;
}

DBusLinkClient& DdeLink::client()
{
    if (!m_client) {
        m_client = std::make_unique<DBusLinkClient>(connection());
        connect(m_client.get(), &DBusLinkClient::openFinished, this, &DdeLink::clientOpenFinished);
        connect(m_client.get(), &DBusLinkClient::closed, this, &DdeLink::clientClosed);
        connect(m_client.get(), &DBusLinkClient::sendFailed, this, &DdeLink::clientSendFailed);
    }
    return *m_client;
}

// --- Server ----------------------------------------------------------------------------------

bool DdeLink::StartServer()
{
    if (m_server)
        return m_server->OwnsName();
    auto server = std::make_unique<DBusLinkServer>(connection());
    server->OnCommand = [this](const QString& text) { commandArrived(text); };
    if (!server->Start())
        return false;
    m_server = std::move(server);
    return true;
}

void DdeLink::commandArrived(const QString& text)
{
    if (m_config.DDEShow)
        logUnforwarded(QStringLiteral("DDE> ") + text, SessionController::LogCommand);
    emit commandPoked(text);
}

// --- Texts ----------------------------------------------------------------------------------

void DdeLink::SendToDdeClient(const QString& message)
{
    if (m_server)
        m_server->SendReply(message);
    if (ClientOpen())
        m_client->Send(CommandPrefix() + QLatin1Char(' ') + message);
    emit replied(message);
}

void DdeLink::ForwardLogLine(const QString& text)
{
    if (!m_config.DDEFilter || m_unforwarded > 0)
        return;
    // Continuation lines of multi-line replies ("230-...") stay in the log.
    if (text.size() >= 4 && text[3] == QLatin1Char('-'))
        return;
    SendToDdeClient(text);
}

void DdeLink::logUnforwarded(const QString& text, int kind)
{
    ++m_unforwarded;
    emit logLine(text, kind);
    --m_unforwarded;
}

// --- Client link -------------------------------------------------------------------------------

bool DdeLink::ClientOpen() const
{
    return m_client && m_client->IsOpen();
}

QString DdeLink::CommandPrefix() const
{
    return m_command.value_or(m_config.DDECommand);
}

QString DdeLink::CurrentService() const
{
    return m_service.value_or(m_config.DDEService);
}

QString DdeLink::CurrentTopic() const
{
    return m_topic.value_or(m_config.DDETopic);
}

void DdeLink::OpenClient(OpenDone done)
{
    openCurrent(std::move(done), false);
}

void DdeLink::LinkTo(const QString& argument, OpenDone done)
{
    closeQuietly();
    const LinkArgument link = ParseLinkArgument(argument);
    m_service = link.service;
    m_topic = link.topic;
    m_command = link.command;
    openCurrent(std::move(done), false);
}

void DdeLink::ToggleFromMenu()
{
    if (ClientOpen()) {
        CloseClient();
        return;
    }
    openCurrent({}, true);
}

void DdeLink::CloseClient()
{
    if (m_client)
        m_client->Close();
}

void DdeLink::closeQuietly()
{
    m_closingQuietly = true;
    CloseClient();
    m_closingQuietly = false;
}

void DdeLink::openCurrent(OpenDone done, bool fromMenu)
{
    closeQuietly();
    m_openDone = std::move(done);
    m_openFromMenu = fromMenu;
    client().Open(CurrentService(), CurrentTopic());
}

void DdeLink::clientOpenFinished(bool ok)
{
    OpenDone done = std::move(m_openDone);
    m_openDone = {};
    if (!ok) {
        if (!m_closingQuietly)
            emit logLine(QStringLiteral("ERROR: DDE link failed."), SessionController::LogError);
        emit clientOpenChanged(false);
    } else {
        SendToDdeClient(QString::fromLatin1(DdeText::LinkEnabled));
        emit logLine(QStringLiteral("DDE link enabled."), SessionController::LogStatus);
        emit clientOpenChanged(true);
        if (m_openFromMenu && m_config.DDEPrompt) {
            const auto typed = prompts().inputBox(QStringLiteral("DDE Command"), QStringLiteral("Enter DDE command"),
                                                  CommandPrefix());
            if (typed)
                m_command = *typed;  // for this run; the setting stays as it is
        }
    }
    if (done)
        done(ok);
}

void DdeLink::clientClosed()
{
    emit logLine(QStringLiteral("DDE link closed."), SessionController::LogStatus);
    emit clientOpenChanged(false);
}

void DdeLink::clientSendFailed(const QString& error)
{
    // Forwarding this line would fail again and report again: it stays in the log.
    logUnforwarded(QStringLiteral("ERROR: DDE link failed: ") + error, SessionController::LogError);
}
