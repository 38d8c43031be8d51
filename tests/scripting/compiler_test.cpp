// The command compiler and the script file reader: the command texts, their errors and the
// block structure of script files.
#include "scripting/scriptcompiler.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase
{
    const char* text;
    int line;
    const char* compiled;  // nullptr: an error is expected
    ScriptError error;
};

const ParseCase ParseCases[] = {
    {"get:readme.txt", 1, "21$readme.txt", ScriptError::None},
    {"GET", 1, nullptr, ScriptError::MissingArgument},
    {"cd-x:/pub", 1, nullptr, ScriptError::MissingSide},
    {"CD:/pub", 1, nullptr, ScriptError::MissingArgument},  // a side is needed
    {"FOO", 1, nullptr, ScriptError::InvalidCommand},
    {"", 1, nullptr, ScriptError::InvalidCommand},
    {"DIR-L", 1, "331$DIR-L", ScriptError::None},  // without a colon the argument is the whole text
    {"cd-r:/Pub Dir", 1, "302$/Pub Dir", ScriptError::None},  // arguments keep their case
    {"CD-L:/tmp", -1, "301$/tmp", ScriptError::None},
    {"status", -1, "06$", ScriptError::None},
    {"DISCONNECT:now", 1, "02$", ScriptError::None},  // commands without argument drop it
    {"STATUS-L", 1, "06$", ScriptError::None},        // and their side
    {"get-file.txt", 1, nullptr, ScriptError::MissingSide},
    {"GET:a-b.txt", 1, "21$a-b.txt", ScriptError::None},
    {"GET:*.log", 1, "21$*.log", ScriptError::None},
    {"GET::other", 1, nullptr, ScriptError::MissingArgument},
    {"PUT:local.txt:remote.txt", 1, "22$local.txt:remote.txt", ScriptError::None},
    {"CONNECT:ftp.example.org:user:pass", 1, "01$ftp.example.org:user:pass", ScriptError::None},
    {"RENAME-R:a.txt:b.txt", 1, "242$a.txt:b.txt", ScriptError::None},
    {"RENAME-L:a.txt", 1, nullptr, ScriptError::MissingArgument},  // no new name
    {"CHMOD:755:*.sh", 1, "25$755:*.sh", ScriptError::None},
    {"CHMOD:755", 1, nullptr, ScriptError::MissingArgument},
    {"DEL-R:*.tmp", 1, "232$*.tmp", ScriptError::None},
    {"QUEUE-L:*", 1, "261$*", ScriptError::None},
    {"RAW:SITE CHMOD 644 x", 1, "27$SITE CHMOD 644 x", ScriptError::None},
    {"FILTER:*.txt", 1, "35$*.txt", ScriptError::None},
    {"FILTER-L:*.txt", 1, "351$*.txt", ScriptError::None},
    {"PATH-R", -1, "342$PATH-R", ScriptError::None},
    {"DDELINK:svc.name:topic:cmd:x", -1, "40$svc.name:topic:cmd:x", ScriptError::None},
    {"DDELINK", -1, "40$", ScriptError::None},
    {"DDECLOSE", -1, "42$", ScriptError::None},
    {"LOADQUEUE:q.oqf", 1, "45$q.oqf", ScriptError::None},
    {"DIAL:My ISP", 1, "60$My ISP", ScriptError::None},
    {"SCRIPT:next.txt", 1, "08$next.txt", ScriptError::None},
    {"IFEXIST:a.txt", 1, "53$a.txt", ScriptError::None},
    {"IFEXIST-R:a.txt", 1, "532$a.txt", ScriptError::None},
    {"ENDIF", -1, "54$", ScriptError::None},
    // The counters: a number, or the compile fails (it used to wait forever).
    {"LOOP:3", 1, "50$3", ScriptError::None},
    {"LOOP:3 times", 1, "50$3 times", ScriptError::None},
    {"LOOP:x", 1, nullptr, ScriptError::InvalidNumber},
    {"LOOP", 1, nullptr, ScriptError::MissingArgument},
    {"LOOP:99999999999", 1, nullptr, ScriptError::InvalidNumber},
    {"DELAY:5", 1, "52$5", ScriptError::None},
    {"DELAY:abc", 1, nullptr, ScriptError::InvalidNumber},
    {"DELAY:5s", 1, nullptr, ScriptError::InvalidNumber},
    {"DELAY:-1", 1, nullptr, ScriptError::InvalidNumber},
    {"DELAY:99999999", 1, nullptr, ScriptError::InvalidNumber},  // beyond the timer's range
    // Loops and delays belong to script files: a poked LOOP left its state for the next script.
    {"LOOP:3", -1, nullptr, ScriptError::ScriptOnly},
    {"ENDLOOP", -1, nullptr, ScriptError::ScriptOnly},
    {"DELAY:1", -1, nullptr, ScriptError::ScriptOnly},
};

TEST(ParseCommand, CompilesTheCommandTextsAndNamesTheirErrors)
{
    for (const ParseCase& c : ParseCases) {
        SCOPED_TRACE(c.text);
        const ParsedCommand parsed = ParseCommand(QString::fromUtf8(c.text), c.line);
        EXPECT_EQ(parsed.error, c.error);
        if (c.compiled) {
            EXPECT_EQ(parsed.instruction.CompiledText(), QString::fromUtf8(c.compiled));
            EXPECT_EQ(parsed.instruction.line, c.line);
        }
    }
}

TEST(ParseCommand, KeepsTheNumbersOfLoopAndDelay)
{
    EXPECT_EQ(ParseCommand(QStringLiteral("LOOP:3 times"), 1).instruction.number, 3);
    EXPECT_EQ(ParseCommand(QStringLiteral("loop:0"), 1).instruction.number, 0);
    EXPECT_EQ(ParseCommand(QStringLiteral("DELAY: 7 "), 1).instruction.number, 7);
}

TEST(ParseCommand, ErrorTextsAreTheProgramsOwn)
{
    EXPECT_EQ(ScriptErrorText(ScriptError::MissingSide), QStringLiteral("Missing local-remote argument"));
    EXPECT_EQ(ScriptErrorText(ScriptError::MissingArgument), QStringLiteral("Missing command argument."));
    EXPECT_EQ(ScriptErrorText(ScriptError::InvalidCommand), QStringLiteral("Invalid command"));
}

TEST(ParseCommand, ArgumentForms)
{
    const TransferArgument plain = ParseTransferArgument(QStringLiteral("a.txt"));
    EXPECT_FALSE(plain.isMask);
    EXPECT_EQ(plain.target, QStringLiteral("a.txt"));
    const TransferArgument renamed = ParseTransferArgument(QStringLiteral("a.txt:b.txt"));
    EXPECT_EQ(renamed.name, QStringLiteral("a.txt"));
    EXPECT_EQ(renamed.target, QStringLiteral("b.txt"));
    const TransferArgument mask = ParseTransferArgument(QStringLiteral("*.log:x"));
    EXPECT_TRUE(mask.isMask);
    EXPECT_EQ(mask.name, QStringLiteral("*.log:x"));

    const LinkArgument link = ParseLinkArgument(QStringLiteral("org.example.P:topic:CMD: x"));
    EXPECT_EQ(link.service, QStringLiteral("org.example.P"));
    EXPECT_EQ(link.topic, QStringLiteral("topic"));
    EXPECT_EQ(link.command, QStringLiteral("CMD: x"));
    EXPECT_EQ(ParseLinkArgument(QStringLiteral("svc")).topic, QString());

    const auto pair = SplitPair(QStringLiteral("old name:new:name"));
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->second, QStringLiteral("new:name"));
    EXPECT_FALSE(SplitPair(QStringLiteral(":new")));
}

// --- Script files ------------------------------------------------------------------------------

struct ScriptCase
{
    const char* comment;
    QByteArray file;
    QStringList compiled;  // when the file compiles
    ScriptError error;
    int errorLine;
};

const std::vector<ScriptCase>& scriptCases()
{
    static const std::vector<ScriptCase> cases = {
        {"END ends the script", "STATUS\nEND\nHIDE\n", {"06$"}, ScriptError::None, 0},
        {"an empty line ends it", "STATUS\n\nFOO\n", {"06$"}, ScriptError::None, 0},
        {"comments are skipped", "# a comment\nSTATUS\n", {"06$"}, ScriptError::None, 0},
        {"END is case-sensitive", "STATUS\nend\n", {}, ScriptError::InvalidCommand, 2},
        {"CR LF line ends", "STATUS\r\nGET:a.txt\r\nEND\r\nHIDE\r\n", {"06$", "21$a.txt"}, ScriptError::None, 0},
        {"a byte-order mark", "\xEF\xBB\xBFSTATUS\n", {"06$"}, ScriptError::None, 0},
        {"no line end at the end", "STATUS\nHIDE", {"06$", "04$"}, ScriptError::None, 0},
        {"Latin-1 file", "GET:caf\xE9.txt\n", {QStringLiteral("21$caf\u00e9.txt")}, ScriptError::None, 0},
        {"a loop", "LOOP:3\nSTATUS\nENDLOOP\nHIDE\n", {"50$3", "06$", "51$", "04$"}, ScriptError::None, 0},
        {"the first bad line names the error", "STATUS\nFOO\nBAR\n", {}, ScriptError::InvalidCommand, 2},
        {"a bad DELAY", "STATUS\nDELAY:soon\n", {}, ScriptError::InvalidNumber, 2},
        {"a bad LOOP count", "LOOP:x\nSTATUS\nENDLOOP\n", {}, ScriptError::InvalidNumber, 1},
        {"LOOP without ENDLOOP", "LOOP:2\nSTATUS\n", {}, ScriptError::LoopWithoutEnd, 1},
        {"an empty line before ENDLOOP", "LOOP:2\nSTATUS\n\nENDLOOP\n", {}, ScriptError::LoopWithoutEnd, 1},
        {"a nested LOOP", "LOOP:2\nLOOP:3\nSTATUS\nENDLOOP\nENDLOOP\n", {}, ScriptError::NestedLoop, 2},
        {"ENDLOOP without LOOP", "STATUS\nENDLOOP\n", {}, ScriptError::EndLoopWithoutLoop, 2},
        {"two loops one after the other", "LOOP:2\nSTATUS\nENDLOOP\nLOOP:1\nHIDE\nENDLOOP\n",
         {"50$2", "06$", "51$", "50$1", "04$", "51$"}, ScriptError::None, 0},
        {"IFEXIST without ENDIF", "IFEXIST:a\nSTATUS\n", {}, ScriptError::IfWithoutEnd, 1},
        {"ENDIF without IFEXIST", "STATUS\nENDIF\n", {}, ScriptError::EndIfWithoutIf, 2},
        {"blocks overlap (IF first)", "IFEXIST:a\nLOOP:2\nENDIF\nENDLOOP\n", {}, ScriptError::LoopWithoutEnd, 2},
        {"blocks overlap (LOOP first)", "LOOP:2\nIFEXIST:a\nENDLOOP\nENDIF\n", {}, ScriptError::IfWithoutEnd, 2},
        {"blocks nest", "LOOP:2\nIFEXIST:a\nSTATUS\nENDIF\nENDLOOP\n", {"50$2", "53$a", "06$", "54$", "51$"},
         ScriptError::None, 0},
        {"an empty file", "", {}, ScriptError::None, 0},
    };
    return cases;
}

TEST(CompileScript, ReadsScriptFilesAsTheyAreWritten)
{
    for (const ScriptCase& c : scriptCases()) {
        SCOPED_TRACE(c.comment);
        const CompileResult result = CompileScriptFile(c.file);
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(result.errorLine, c.errorLine);
        QStringList compiled;
        for (const ScriptInstruction& instruction : result.program.instructions)
            compiled << instruction.CompiledText();
        EXPECT_EQ(compiled, c.compiled);
    }
}

TEST(CompileScript, MatchesBlocksAndKeepsLineNumbers)
{
    const CompileResult result =
        CompileScriptFile("# header\nLOOP:2\nIFEXIST-R:a.txt\nGET:a.txt\nENDIF\nENDLOOP\nSTATUS\n");
    ASSERT_TRUE(result.ok());
    const auto& program = result.program.instructions;
    ASSERT_EQ(program.size(), 6u);
    EXPECT_EQ(program[0].line, 2);
    EXPECT_EQ(program[5].line, 7);
    EXPECT_EQ(program[1].jump, 3);  // IFEXIST → its ENDIF
    EXPECT_EQ(program[4].jump, 1);  // ENDLOOP → the first line of the body
    EXPECT_EQ(program[1].side, ScriptSide::Remote);
}

TEST(CompileScript, MessageNamesTheLine)
{
    const CompileResult result = CompileScriptFile("STATUS\r\nGET\r\n");
    EXPECT_EQ(result.Message(), QStringLiteral("Error in script file (Line 2). Missing command argument."));
    EXPECT_TRUE(result.program.empty());
}

}  // namespace
