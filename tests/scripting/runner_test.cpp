// The script runner against a fake executor: which instructions run, in which order, and that
// each line waits for its own completion, exactly once.
#include "fakeexecutor.h"
#include "platform/core/scriptedprompt.h"
#include "testutil.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class RunnerTest : public ::testing::Test
{
protected:
    RunnerTest()
    {
        QObject::connect(&runner, &ScriptRunner::finished, [this](ScriptRunner::End end) { ends.push_back(end); });
        QObject::connect(&runner, &ScriptRunner::logLine, [this](const QString& text, int) { logs << text; });
        QObject::connect(&runner, &ScriptRunner::reply, [this](const QString& text) { replies << text; });
        QObject::connect(&runner, &ScriptRunner::instructionFinished,
                         [this](const ScriptInstruction& instruction, const ScriptOutcome& outcome) {
                             outcomes.emplace_back(instruction.CompiledText(), outcome);
                         });
    }

    ScriptProgram compile(const QByteArray& file)
    {
        const CompileResult result = CompileScriptFile(file);
        EXPECT_TRUE(result.ok()) << result.Message().toStdString();
        return result.program;
    }

    // Runs a script to its end and returns what the executor was asked to run.
    QStringList run(const QByteArray& file, int timeoutMs = 10000)
    {
        runner.RunProgram(compile(file));
        EXPECT_TRUE(testutil::waitFor([this] { return !ends.empty(); }, timeoutMs));
        return executor.executed;
    }

    bool writeScript(const QString& name, const QByteArray& text)
    {
        return testutil::writeFile(dir.filePath(name), text);
    }

    FakeExecutor executor;
    ScriptRunner runner{executor};
    QTemporaryDir dir;
    std::vector<ScriptRunner::End> ends;
    std::vector<std::pair<QString, ScriptOutcome>> outcomes;
    QStringList logs;
    QStringList replies;
};

struct FlowCase
{
    const char* comment;
    QByteArray script;
    QStringList executed;
};

TEST_F(RunnerTest, ControlFlowRunsTheLinesInTheirOrder)
{
    executor.localFiles = {QStringLiteral("here.txt")};
    executor.remoteFiles = {QStringLiteral("there.txt")};
    const std::vector<FlowCase> cases = {
        {"LOOP:3 runs the body three times", "LOOP:3\nSTATUS\nENDLOOP\n", {"06$", "06$", "06$"}},
        {"LOOP:0 runs it once", "LOOP:0\nSTATUS\nENDLOOP\n", {"06$"}},
        {"LOOP:1 once, then on", "LOOP:1\nSTATUS\nENDLOOP\nHIDE\n", {"06$", "04$"}},
        {"a body of two lines", "STATUS\nLOOP:2\nHIDE\nUNHIDE\nENDLOOP\nEXIT\n",
         {"06$", "04$", "05$", "04$", "05$", "09$"}},
        {"IFEXIST of a local file that exists", "IFEXIST:here.txt\nHIDE\nENDIF\nUNHIDE\n", {"04$", "05$"}},
        {"IFEXIST of a missing file skips to ENDIF", "IFEXIST:gone.txt\nHIDE\nSTATUS\nENDIF\nUNHIDE\n", {"05$"}},
        {"IFEXIST-R asks the remote side", "IFEXIST-R:there.txt\nHIDE\nENDIF\nIFEXIST-R:here.txt\nSTATUS\nENDIF\n",
         {"04$"}},
        {"IFEXIST inside a loop", "LOOP:2\nIFEXIST:gone.txt\nHIDE\nENDIF\nSTATUS\nENDLOOP\n", {"06$", "06$"}},
        {"SCRIPT inside a running script goes on with the next line", "SCRIPT:other.txt\nSTATUS\n", {"06$"}},
        {"two loops", "LOOP:2\nSTATUS\nENDLOOP\nLOOP:2\nHIDE\nENDLOOP\n", {"06$", "06$", "04$", "04$"}},
    };
    for (const FlowCase& c : cases) {
        SCOPED_TRACE(c.comment);
        executor.executed.clear();
        ends.clear();
        EXPECT_EQ(run(c.script), c.executed);
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0], ScriptRunner::End::Completed);
        EXPECT_FALSE(runner.ScriptRunning());
    }
    EXPECT_TRUE(logs.contains(QStringLiteral("A script is running: \"other.txt\" is not started.")));
}

TEST_F(RunnerTest, EachLineWaitsForItsOwnCompletionExactlyOnce)
{
    executor.modes[ScriptCommand::Get] = FakeExecutor::Mode::Wait;
    runner.RunProgram(compile("GET:a.txt\nSTATUS\nGET:b.txt\nHIDE\n"));
    testutil::spin(50);
    EXPECT_EQ(executor.executed, QStringList{"21$a.txt"});

    ScriptCompletion first = executor.waiting.front();
    executor.completeOldest();
    first.Succeed();  // a second report of the same operation is ignored
    first.Fail();
    ASSERT_TRUE(testutil::waitFor([&] { return executor.waiting.size() == 1; }));
    testutil::spin(50);
    EXPECT_EQ(executor.executed, (QStringList{"21$a.txt", "06$", "21$b.txt"}));

    executor.completeOldest(false);  // a failure: the script goes on
    ASSERT_TRUE(testutil::waitFor([&] { return !ends.empty(); }));
    EXPECT_EQ(executor.executed, (QStringList{"21$a.txt", "06$", "21$b.txt", "04$"}));
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_EQ(outcomes[0].first, QStringLiteral("21$a.txt"));
    EXPECT_TRUE(outcomes[0].second.ok);
    EXPECT_FALSE(outcomes[2].second.ok);
    EXPECT_EQ(outcomes[2].second.failure, ScriptFailure::Operation);  // GET's own kind
}

TEST_F(RunnerTest, FailuresCarryTheirCommandsKind)
{
    for (const auto command : {ScriptCommand::Connect, ScriptCommand::Cd, ScriptCommand::Raw, ScriptCommand::Dial})
        executor.modes[command] = FakeExecutor::Mode::Fail;
    run("CONNECT:host\nCD-R:/x\nRAW:NOOP\nDIAL:isp\nSTATUS\n");
    ASSERT_EQ(outcomes.size(), 5u);
    EXPECT_EQ(outcomes[0].second.failure, ScriptFailure::Connect);
    EXPECT_EQ(outcomes[1].second.failure, ScriptFailure::Operation);
    EXPECT_EQ(outcomes[2].second.failure, ScriptFailure::Other);
    EXPECT_EQ(outcomes[3].second.failure, ScriptFailure::Other);
    EXPECT_TRUE(outcomes[4].second.ok);
}

TEST_F(RunnerTest, LongLoopsFinishWithoutGrowingTheStack)
{
    // Commands that complete at once used to continue the script from inside their own
    // completion, one stack frame per line.
    const char* lowest = nullptr;
    const char* highest = nullptr;
    executor.onExecute = [&](const ScriptInstruction&) {
        const char marker = 0;
        const char* here = &marker;
        lowest = lowest ? std::min(lowest, here) : here;
        highest = highest ? std::max(highest, here) : here;
    };
    const QStringList executed = run("LOOP:100000\nSTATUS\nENDLOOP\n", 120000);
    EXPECT_EQ(executed.size(), 100000);
    EXPECT_LT(highest - lowest, 64 * 1024);
}

TEST_F(RunnerTest, DelayWaitsAndStopDuringDelayRunsNothingMore)
{
    runner.RunProgram(compile("STATUS\nDELAY:1\nHIDE\n"));
    ASSERT_TRUE(testutil::waitFor([&] { return runner.Delaying(); }));
    EXPECT_EQ(executor.executed, QStringList{"06$"});
    runner.Stop();
    testutil::spin(1300);
    EXPECT_EQ(executor.executed, QStringList{"06$"});
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0], ScriptRunner::End::Stopped);

    executor.executed.clear();
    ends.clear();
    EXPECT_EQ(run("DELAY:1\nHIDE\n"), QStringList{"04$"});
}

TEST_F(RunnerTest, StopDropsTheCompletionOfTheLineUnderWay)
{
    executor.modes[ScriptCommand::Get] = FakeExecutor::Mode::Wait;
    QList<bool> running;
    QObject::connect(&runner, &ScriptRunner::runningChanged, [&](bool on) { running << on; });
    runner.RunProgram(compile("GET:a.txt\nHIDE\n"));
    runner.Stop();
    EXPECT_FALSE(runner.Busy());
    executor.completeOldest();
    testutil::spin(50);
    EXPECT_EQ(executor.executed, QStringList{"21$a.txt"});
    EXPECT_EQ(running, (QList<bool>{true, false}));
    EXPECT_TRUE(outcomes.empty());
}

TEST_F(RunnerTest, AbortWhileBusyStopsTheScriptBeforeAbortingTheOperation)
{
    executor.modes[ScriptCommand::Get] = FakeExecutor::Mode::Wait;
    bool scriptRanAtAbort = true;
    executor.onExecute = [&](const ScriptInstruction& instruction) {
        if (instruction.command != ScriptCommand::Abort)
            return;
        scriptRanAtAbort = runner.ScriptRunning();
        executor.completeOldest(false);  // the aborted transfer reports its end
    };
    runner.RunProgram(compile("GET:big.iso\nHIDE\n"));
    executor.busy = true;
    EXPECT_TRUE(runner.ExecuteCommand(ParseCommand(QStringLiteral("ABORT"), -1).instruction));
    testutil::spin(50);
    EXPECT_FALSE(scriptRanAtAbort);
    EXPECT_EQ(executor.executed, (QStringList{"21$big.iso", "03$"}));
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0], ScriptRunner::End::Stopped);
}

TEST_F(RunnerTest, AbortLineWhileIdleGoesOn)
{
    EXPECT_EQ(run("ABORT\nSTATUS\n"), (QStringList{"03$", "06$"}));
}

TEST_F(RunnerTest, SingleCommandsWaitForTheRunnerButImmediateOnesDoNot)
{
    executor.modes[ScriptCommand::Get] = FakeExecutor::Mode::Wait;
    EXPECT_TRUE(runner.ExecuteCommand(ParseCommand(QStringLiteral("GET:a"), -1).instruction));
    EXPECT_TRUE(runner.Busy());
    EXPECT_FALSE(runner.ExecuteCommand(ParseCommand(QStringLiteral("HIDE"), -1).instruction));
    for (const char* immediate : {"STATUS", "PATH-L", "DDECLOSE"})
        EXPECT_TRUE(runner.ExecuteCommand(ParseCommand(QString::fromLatin1(immediate), -1).instruction));
    EXPECT_EQ(executor.executed, (QStringList{"21$a", "06$", "341$PATH-L", "42$"}));

    bool ready = false;
    QObject::connect(&runner, &ScriptRunner::readyForCommands, [&] { ready = true; });
    executor.completeOldest();
    EXPECT_FALSE(ready);  // announced on a later turn, never from inside the completion
    EXPECT_TRUE(testutil::waitFor([&] { return ready; }));
    EXPECT_FALSE(runner.Busy());
}

TEST_F(RunnerTest, PokesAndTypedCommandsThatDoNotCompile)
{
    runner.ExecutePoke(QStringLiteral("FOO"));
    runner.ExecutePoke(QStringLiteral("LOOP:3"));
    EXPECT_EQ(replies, (QStringList{"OrvoFTP: Error in DDE command", "OrvoFTP: Unknown command \"FOO\"",
                                    "OrvoFTP: Error in DDE command", "OrvoFTP: Unknown command \"LOOP:3\""}));
    runner.ExecuteTyped(QStringLiteral("cd-x:/pub"));
    EXPECT_TRUE(logs.contains(QStringLiteral("Invalid command: \"cd-x:/pub\"")));
    EXPECT_TRUE(executor.executed.isEmpty());
    EXPECT_FALSE(runner.Busy());
}

TEST_F(RunnerTest, ScriptFiles)
{
    ScriptedPrompt prompt;
    ASSERT_TRUE(writeScript(QStringLiteral("ok.txt"), "\xEF\xBB\xBFSTATUS\r\nHIDE\r\nEND\r\nEXIT\r\n"));
    ASSERT_TRUE(writeScript(QStringLiteral("bad.txt"), "STATUS\nDELAY:soon\nHIDE\n"));

    runner.RunScriptFile(dir.filePath(QStringLiteral("missing.txt")));
    EXPECT_EQ(logs.last(), QStringLiteral("ERROR: Cant open script file"));

    runner.RunScriptFile(dir.filePath(QStringLiteral("bad.txt")));
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text, QStringLiteral("Error in script file (Line 2). Invalid number"));
    EXPECT_EQ(prompt.asked()[0].icon, Prompt::Icon::Error);
    EXPECT_EQ(replies, QStringList{"OrvoFTP: Error in DDE command"});

    runner.RunScriptFile(dir.path());  // there, but no file that can be read
    ASSERT_EQ(prompt.asked().size(), 2u);
    EXPECT_EQ(prompt.asked()[1].text, QStringLiteral("Error opening script file."));

    runner.RunScriptFile(dir.filePath(QStringLiteral("ok.txt")));
    ASSERT_TRUE(testutil::waitFor([&] { return ends.size() == 4; }));
    EXPECT_EQ(ends, (std::vector<ScriptRunner::End>{ScriptRunner::End::Unreadable, ScriptRunner::End::CompileError,
                                                    ScriptRunner::End::Unreadable, ScriptRunner::End::Completed}));
    EXPECT_EQ(executor.executed, (QStringList{"06$", "04$"}));
}

TEST_F(RunnerTest, RunScriptFileStartsAfreshAndPokedScriptResolvesInTheLocalDirectory)
{
    ASSERT_TRUE(writeScript(QStringLiteral("second.txt"), "LOOP:2\nUNHIDE\nENDLOOP\n"));
    executor.localDir = dir.path() + QLatin1Char('/');
    runner.RunProgram(compile("LOOP:5\nDELAY:1\nHIDE\nENDLOOP\n"));
    ASSERT_TRUE(testutil::waitFor([&] { return runner.Delaying(); }));
    runner.RunScriptFile(dir.filePath(QStringLiteral("second.txt")));  // the first script's timer goes with it
    ASSERT_TRUE(testutil::waitFor([&] { return ends.size() == 2; }));
    testutil::spin(1200);
    EXPECT_EQ(executor.executed, (QStringList{"05$", "05$"}));
    EXPECT_EQ(ends[0], ScriptRunner::End::Stopped);
    EXPECT_EQ(ends[1], ScriptRunner::End::Completed);

    executor.executed.clear();
    runner.ExecutePoke(QStringLiteral("SCRIPT:second.txt"));
    ASSERT_TRUE(testutil::waitFor([&] { return ends.size() == 3; }));
    EXPECT_EQ(executor.executed, (QStringList{"05$", "05$"}));
}

TEST_F(RunnerTest, AnEmptyScriptCompletesWithoutRunning)
{
    int changes = 0;
    QObject::connect(&runner, &ScriptRunner::runningChanged, [&](bool) { ++changes; });
    runner.RunProgram({});
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0], ScriptRunner::End::Completed);
    EXPECT_EQ(changes, 0);
}

}  // namespace
