// A site brought in by the text import logs in: the scrambled password, the port and the
// fresh options the import writes are what the connect routine reads.
#include "platform/core/scriptedprompt.h"
#include "serverprocess.h"
#include "session/connectionrequest.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "sites/sitedatabase.h"
#include "sites/siteimport.h"
#include "sites/sitestats.h"
#include "testutil.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(SiteImportConnectTest, AnImportedSiteLogsIn)
{
    QTemporaryDir home;
    QTemporaryDir serverRoot;
    ScriptedPrompt prompt;
    PyFtpServer server;
    PyFtpOptions options;
    options.users << "tester:pw-Tester9:" + serverRoot.path();
    ASSERT_TRUE(server.start(options)) << server.error().toStdString();

    SettingsStore settings(home.filePath("orvoftp.ini"));
    TSiteDatabase sites(home.filePath("sites.ini"));
    TSiteStats stats(home.filePath("stats.dat"));
    settings.config().Retry = 1;
    settings.config().Delay = 10;
    sites.saveGroups({"Personal"}, 1);
    const QByteArray line = "Imported:127.0.0.1:tester:pw-Tester9:" + QByteArray::number(server.port()) + "\r\n";
    ASSERT_EQ(importText(sites, "Personal", line).added, 1);

    SessionController session(settings, sites, stats);
    session.SetTempDir(home.path() + '/');
    QStringList log;
    QString loggedIn;
    QObject::connect(&session, &SessionController::logLine, [&](const QString& text, int) { log << text; });
    QObject::connect(&session, &SessionController::loggedIn, [&](const QString& name) { loggedIn = name; });
    session.SetState(SessionState::LoggingIn);
    session.Connect(resolveServerText("Imported", {}, QString(), sites, "guest@example.com"));
    testutil::waitFor([&] { return session.State() == SessionState::Idle || session.State() == SessionState::NotConnected; },
                      15000);
    ASSERT_EQ(session.State(), SessionState::Idle) << log.join('\n').toStdString();
    EXPECT_EQ(session.CurrentSiteName(), "Imported");
    EXPECT_EQ(loggedIn, "Imported");
    EXPECT_TRUE(log.contains("PASS xxxxxx"));
    session.Shutdown();
}

}  // namespace
