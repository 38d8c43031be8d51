// The order in which poked and typed commands run: arrival order when the program can take
// them, immediate ones ahead of the queue.
#include "fakeexecutor.h"
#include "scripting/pokequeue.h"
#include "testutil.h"

#include <gtest/gtest.h>

namespace {

TEST(PokeQueue, RunsInArrivalOrderWhenAllowedAndImmediateOnesAtOnce)
{
    bool modal = true;
    QStringList ran;
    PokeQueue queue([&] { return !modal; }, [&](const QString& text, PokeQueue::Origin) { ran << text; });
    queue.Arrive(QStringLiteral("CD-L:/tmp"));
    queue.Arrive(QStringLiteral("FOO"));  // errors keep their place too
    queue.Arrive(QStringLiteral("status"));
    queue.Arrive(QStringLiteral("Path-R"));
    queue.Arrive(QStringLiteral("ABORT"));
    queue.Arrive(QStringLiteral("DDECLOSE"));
    queue.Arrive(QStringLiteral("GET:a.txt"), PokeQueue::Origin::Typed);
    EXPECT_EQ(ran, (QStringList{"status", "Path-R", "ABORT", "DDECLOSE"}));
    EXPECT_EQ(queue.Waiting(), 3);

    modal = false;
    queue.Poll();
    EXPECT_EQ(ran, (QStringList{"status", "Path-R", "ABORT", "DDECLOSE", "CD-L:/tmp", "FOO", "GET:a.txt"}));
    queue.Arrive(QStringLiteral("HIDE"));
    EXPECT_EQ(ran.last(), QStringLiteral("HIDE"));
}

TEST(PokeQueue, ImmediateTexts)
{
    for (const char* text : {"ABORT", "status", "PATH-L", "path-r:x", "DDECLOSE"})
        EXPECT_TRUE(PokeQueue::IsImmediateText(QString::fromLatin1(text))) << text;
    for (const char* text : {"PATH", "DIR-R", "STATUSX", "", "GET:a"})
        EXPECT_FALSE(PokeQueue::IsImmediateText(QString::fromLatin1(text))) << text;
}

TEST(PokeQueue, ARunThatPollsAgainDoesNotNest)
{
    PokeQueue* self = nullptr;
    QStringList ran;
    int depth = 0;
    int deepest = 0;
    PokeQueue queue([] { return true; }, [&](const QString& text, PokeQueue::Origin) {
        ++depth;
        deepest = std::max(deepest, depth);
        ran << text;
        self->Poll();
        --depth;
    });
    self = &queue;
    queue.Arrive(QStringLiteral("HIDE"));
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(ran, QStringList{"HIDE"});
}

// The queue with the runner, wired as the window wires them: a command runs when no modal
// dialog is open and the runner is not busy.
class PokeWiring : public ::testing::Test
{
protected:
    PokeWiring()
    {
        QObject::connect(&runner, &ScriptRunner::readyForCommands, [this] { queue.Poll(); });
    }

    FakeExecutor executor;
    ScriptRunner runner{executor};
    bool modal = false;
    PokeQueue queue{[this] { return !modal && !runner.Busy(); },
                    [this](const QString& text, PokeQueue::Origin origin) {
                        origin == PokeQueue::Origin::Typed ? runner.ExecuteTyped(text) : runner.ExecutePoke(text);
                    }};
};

TEST_F(PokeWiring, APokeWaitsForTheCommandBeforeItButStatusAnswersAtOnce)
{
    executor.modes[ScriptCommand::Get] = FakeExecutor::Mode::Wait;
    queue.Arrive(QStringLiteral("GET:big.iso"));
    queue.Arrive(QStringLiteral("CD-L:/tmp"));
    queue.Arrive(QStringLiteral("STATUS"));
    EXPECT_EQ(executor.executed, (QStringList{"21$big.iso", "06$"}));
    executor.completeOldest();
    ASSERT_TRUE(testutil::waitFor([&] { return executor.executed.size() == 3; }));
    EXPECT_EQ(executor.executed.last(), QStringLiteral("301$/tmp"));
}

TEST_F(PokeWiring, APokeDuringAModalQuestionRunsAfterIt)
{
    modal = true;
    queue.Arrive(QStringLiteral("HIDE"));
    queue.Arrive(QStringLiteral("UNHIDE"));
    testutil::spin(20);
    EXPECT_TRUE(executor.executed.isEmpty());
    modal = false;
    queue.Poll();  // the owner polls when the dialog closes
    ASSERT_TRUE(testutil::waitFor([&] { return executor.executed.size() == 2; }));
    EXPECT_EQ(executor.executed, (QStringList{"04$", "05$"}));
}

TEST_F(PokeWiring, PokesWaitWhileAScriptRuns)
{
    executor.modes[ScriptCommand::Get] = FakeExecutor::Mode::Wait;
    runner.RunProgram(CompileScriptFile("GET:a\nGET:b\n").program);
    queue.Arrive(QStringLiteral("HIDE"));
    executor.completeOldest();
    ASSERT_TRUE(testutil::waitFor([&] { return executor.waiting.size() == 1; }));
    EXPECT_EQ(executor.executed, (QStringList{"21$a", "21$b"}));
    executor.completeOldest();
    ASSERT_TRUE(testutil::waitFor([&] { return executor.executed.size() == 3; }));
    EXPECT_EQ(executor.executed.last(), QStringLiteral("04$"));
}

}  // namespace
