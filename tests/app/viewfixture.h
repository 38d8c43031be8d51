#pragma once

// A main window for the view tests: a fresh program directory, scripted prompts, the window
// past its first resize, and ways to connect it to pyftpdlib, vsftpd or a scripted server.
#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/mainwindow.h"
#include "app/quickconnectbar.h"
#include "session/localdirectory.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "console/xconsole.h"
#include "controls/orvoview.h"
#include "engine/ftp.h"
#include "platform/core/scriptedprompt.h"
#include "scriptedserver.h"
#include "serverprocess.h"
#include "testutil.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class ViewWindowTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(serverRoot.isValid());
        qputenv("ORVOFTP_HOME", home.path().toUtf8());
    }
    void TearDown() override
    {
        qunsetenv("ORVOFTP_HOME");
        // The window made the directory it listed the process's own; it may be gone now,
        // and a server started by the next test must not inherit it.
        QDir::setCurrent(QDir::tempPath());
    }

    // A window as the program shows it, past its first resize, keeping its listing cache in
    // a directory of the test's own.
    std::unique_ptr<TfrmMain> openWindow()
    {
        auto window = std::make_unique<TfrmMain>();
        window->resize(900, 600);
        window->show();
        EXPECT_TRUE(testutil::waitFor([&] { return window->Session->State() != SessionState::StartingUp; }));
        window->Config().Retry = 1;
        window->Config().Delay = 10;
        window->Config().Email = "guest@example.com";
        window->Session->SetTempDir(cacheDir.path() + '/');
        return window;
    }

    bool startPyftpd(PyFtpOptions options = {})
    {
        options.users << "tester:pw-Tester9:" + serverRoot.path();
        if (!pyftpd.start(options)) {
            ADD_FAILURE() << pyftpd.error().toStdString();
            return false;
        }
        return true;
    }

    // Types into the quick-connect box, presses Connect and waits until the first listing is
    // shown (or the attempt failed).
    static bool connect(TfrmMain& window, const QString& text)
    {
        window.QuickConnect->txtFTPServer->setEditText(text);
        window.btnConnectClick();
        return waitIdle(window, 15000);
    }
    static bool waitIdle(TfrmMain& window, int ms = 10000)
    {
        testutil::waitFor([&] { return window.Session->State() == SessionState::Idle || window.Session->State() == SessionState::NotConnected; },
                          ms);
        return window.Session->State() == SessionState::Idle;
    }
    bool connectPyftpd(TfrmMain& window, const QString& directory = {})
    {
        const QString host = directory.isEmpty() ? QStringLiteral("127.0.0.1") : "127.0.0.1" + directory;
        return connect(window, host + ":tester:pw-Tester9:" + QString::number(pyftpd.port()));
    }

    // Double-clicks the row named `name` and waits for the directory change and listing.
    static bool open(TfrmMain& window, TOrvoListView* view, const QString& name)
    {
        const int row = rowOf(view, name);
        if (row < 0)
            return false;
        view->SetSelection({row});
        view->OnDblClick(view, row);
        return view == window.LocalPanel->View() || waitIdle(window);
    }

    static int rowOf(const TOrvoListView* view, const QString& name)
    {
        for (int row = 0; row < view->Count(); ++row) {
            if (view->Item(row).Caption == name)
                return row;
        }
        return -1;
    }
    static QStringList names(const TOrvoListView* view)
    {
        QStringList out;
        for (int row = 0; row < view->Count(); ++row)
            out << view->Item(row).Caption;
        return out;
    }
    static QStringList pathBoxItems(const QComboBox* box)
    {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    }
    static int commandCount(const QString& logFile, const QString& verb)
    {
        int count = 0;
        for (const QByteArray& line : testutil::readFile(logFile).split('\n')) {
            if (line.trimmed().toUpper().startsWith(verb.toUtf8()))
                ++count;
        }
        return count;
    }
    QStringList cacheFiles() const { return QDir(cacheDir.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir home;
    QTemporaryDir serverRoot;
    QTemporaryDir cacheDir;
    PyFtpServer pyftpd;
    ScriptedPrompt prompt;
};

// Serves `lines` as the listing of every LIST on a scripted server (passive mode), whichever
// of the data connection and the LIST command arrives first.
class ScriptedListing
{
public:
    ScriptedListing(ScriptedServer& server, QStringList lines)
        : m_server(server)
        , m_lines(std::move(lines))
    {
        server.useStandardReplies();
        server.act("PASV", [this](ScriptedServer::Session& session, const QString&) {
            session.send({m_server.pasvReply()});
        });
        server.act("LIST", [this](ScriptedServer::Session& session, const QString&) {
            session.send({"150 Here comes the directory listing."});
            m_control = &session;
            m_listRequested = true;
            sendIfReady();
        });
        server.onData = [this](QTcpSocket* socket) {
            m_data = socket;
            sendIfReady();
        };
    }
    void setLines(QStringList lines) { m_lines = std::move(lines); }
    int listings() const { return m_listings; }

private:
    void sendIfReady()
    {
        if (!m_listRequested || !m_data)
            return;
        m_listRequested = false;
        QByteArray bytes = m_lines.join("\r\n").toUtf8();
        if (!bytes.isEmpty())
            bytes += "\r\n";
        m_data->write(bytes);
        m_data->disconnectFromHost();
        m_data = nullptr;
        ++m_listings;
        m_control->send({"226 Directory send OK."});
    }

    ScriptedServer& m_server;
    QStringList m_lines;
    QPointer<QTcpSocket> m_data;
    ScriptedServer::Session* m_control = nullptr;
    bool m_listRequested = false;
    int m_listings = 0;
};
