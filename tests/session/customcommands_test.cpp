// Custom commands on a session without a window: the expansion of "%d" and "%f", and runs
// against pyftpdlib (one command per selected name, each after the answer to the one before).
#include "engine/ftp.h"
#include "serverprocess.h"
#include "session/customcommands.h"
#include "session/quickconnect.h"
#include "session/sessioncontroller.h"
#include "sessionhome.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testutil::waitFor;

namespace {

TEST(CustomCommandExpand, TokensAreReplacedOnceFromTheTemplate)
{
    const struct {
        const char* command;
        const char* argument;
        QStringList names;
        QStringList expected;
        const char* why;
    } cases[] = {
        {"NOOP", "", {"a"}, {"NOOP"}, "no token: sent as it stands, once"},
        {"SITE IDLE %d", "600", {}, {"SITE IDLE 600"}, "argument only"},
        {"SITE CHMOD %d %f", "644", {"a", "..", "b c"}, {"SITE CHMOD 644 a", "SITE CHMOD 644 b c"}, "'..' skipped"},
        {"SITE CHMOD %d %f", "%f", {"a"}, {"SITE CHMOD %f a"}, "an answer holding %f stays"},
        {"%f then %d", "x", {"%d"}, {"%d then x"}, "a name holding %d stays"},
        {"COPY %f %f", "", {"a"}, {"COPY a %f"}, "only the first %f"},
        {"DELE %f", "", {}, {}, "no selection: nothing"},
        {"DELE %f", "", {".."}, {}, "only the parent: nothing"},
        {"%d", "", {}, {}, "an empty result is not sent"},
        {"SITE 100%", "", {}, {"SITE 100%"}, "a lone % is text"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CustomCommandRunner::Expand(c.command, c.argument, c.names), c.expected) << c.why;
}

class CustomCommandTest : public ::testing::Test, protected SessionHome
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        runner = std::make_unique<CustomCommandRunner>(*session);
        QObject::connect(session.get(), &SessionController::activityFinished,
                         [this](quint64, bool) { ++activities; });
    }

    bool connect(PyFtpOptions options = {})
    {
        options.users << "tester:pw-Tester9:" + serverRoot.path();
        options.commandLog = home.filePath("commands.log");
        if (!server.start(options)) {
            ADD_FAILURE() << server.error().toStdString();
            return false;
        }
        session->SetState(SessionState::LoggingIn);
        session->Connect(resolveServerText("127.0.0.1:tester:pw-Tester9:" + QString::number(server.port()), {}, {},
                                           *sites, "guest@example.com"));
        return waitIdle() && waitFor([&] { return activities > 0; });
    }
    bool waitIdle()
    {
        waitFor([&] { return session->State() == SessionState::Idle || session->State() == SessionState::NotConnected; });
        return session->State() == SessionState::Idle;
    }
    // The SITE commands the server received.
    QStringList siteCommands() const
    {
        QStringList out;
        for (const QByteArray& line : testutil::readFile(home.filePath("commands.log")).split('\n')) {
            if (line.toUpper().contains("SITE"))
                out << QString::fromUtf8(line.trimmed());
        }
        return out;
    }

    QTemporaryDir serverRoot;
    PyFtpServer server;
    std::unique_ptr<CustomCommandRunner> runner;
    int activities = 0;
};

// One command per selected entry, each sent after the answer to the one before; the server
// really changed the modes; the run is one activity and ends in Idle.
TEST_F(CustomCommandTest, ChmodOfThreeFilesSendsThreeCommandsInTurn)
{
    const QStringList files = {"a.txt", "b.bin", "with blank.txt"};
    for (const QString& name : files) {
        ASSERT_TRUE(testutil::writeFile(serverRoot.filePath(name), "x"));
        QFile(serverRoot.filePath(name)).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    ASSERT_TRUE(connect());
    const int before = activities;
    QList<SessionState> states;
    QObject::connect(session.get(), &SessionController::stateChanged, [&](SessionState s) { states << s; });

    prompt.answer(QStringLiteral("644"));
    ASSERT_TRUE(runner->Run("SITE CHMOD %d %f", QStringList{".."} + files));
    EXPECT_EQ(session->State(), SessionState::CustomCommand);
    EXPECT_EQ(runner->Pending().size(), 2);  // the first is on its way
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(waitFor([&] { return activities == before + 1; }));

    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].caption, "Custom Command");
    EXPECT_EQ(prompt.asked()[0].text, "Enter Argument");
    EXPECT_EQ(siteCommands(), QStringList({"SITE CHMOD 644 a.txt", "SITE CHMOD 644 b.bin", "SITE CHMOD 644 with blank.txt"}));
    for (const QString& name : files)
        EXPECT_EQ(testutil::fileMode(serverRoot.filePath(name)), 0644) << name.toStdString();
    EXPECT_EQ(states, QList<SessionState>({SessionState::CustomCommand, SessionState::Idle}));
    EXPECT_FALSE(runner->Running());
}

// Nothing is sent, and the session stays idle, when the user cancels the argument, when a
// "%f" command has no entry to work on, or when the command is empty; a busy session sends
// nothing (a custom command in the middle of a listing or transfer broke it).
TEST_F(CustomCommandTest, WhatSendsNothing)
{
    PyFtpOptions slowHelp;
    slowHelp.delay = {"HELP=2"};
    ASSERT_TRUE(connect(slowHelp));
    const int before = activities;

    prompt.answerCancel();
    EXPECT_FALSE(runner->Run("SITE CHMOD %d %f", {"a.txt"}));
    EXPECT_FALSE(runner->Run("DELE %f", {".."}));
    EXPECT_FALSE(runner->Run("   ", {}));
    EXPECT_EQ(session->State(), SessionState::Idle);

    ASSERT_TRUE(session->SendRawCommand("HELP"));  // answered after two seconds
    EXPECT_FALSE(runner->Run("SITE HELP", {}));
    ASSERT_TRUE(waitIdle());

    testutil::spin(200);
    EXPECT_EQ(siteCommands(), QStringList());
    EXPECT_EQ(activities, before + 1);  // the HELP alone
    EXPECT_EQ(prompt.unanswered(), 0);
}

// Abort during a run drops the commands not yet sent; the one under way is answered and the
// session is idle again.
TEST_F(CustomCommandTest, AbortDropsTheRest)
{
    PyFtpOptions slowChmod;
    slowChmod.delay = {"SITE CHMOD=1"};
    ASSERT_TRUE(connect(slowChmod));
    QList<bool> outcomes;
    QObject::connect(session.get(), &SessionController::activityFinished,
                     [&](quint64, bool success) { outcomes << success; });
    ASSERT_TRUE(runner->Run("SITE CHMOD 600 %f", {"a", "b", "c"}));
    session->Abort();
    EXPECT_FALSE(runner->Running());
    ASSERT_TRUE(waitIdle());
    testutil::spin(1500);
    EXPECT_EQ(siteCommands().size(), 1);
    EXPECT_EQ(session->State(), SessionState::Idle);
    EXPECT_EQ(outcomes, QList<bool>({false}));  // the run ends once, as not done
}

}  // namespace
