#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// The script and DDE command language: one command per text ("GET:readme.txt",
// "CD-R:/pub", "STATUS"), compiled into a typed instruction that a ScriptRunner executes.

// The command codes; the numbers are the two digits of the compiled text form ("21$...").
enum class ScriptCommand : quint8 {
    Connect = 1,
    Disconnect = 2,
    Abort = 3,
    Hide = 4,
    Unhide = 5,
    Status = 6,
    Hangup = 7,
    Script = 8,
    Exit = 9,
    Ascii = 10,
    Binary = 11,
    Auto = 12,
    Transfer = 20,
    Get = 21,
    Put = 22,
    Del = 23,
    Rename = 24,
    Chmod = 25,
    Queue = 26,
    Raw = 27,
    Cd = 30,
    Md = 31,
    Rd = 32,
    Dir = 33,
    Path = 34,
    Filter = 35,
    DdeLink = 40,
    DdeOpen = 41,
    DdeClose = 42,
    LoadQueue = 45,
    SaveQueue = 46,
    ClearQueue = 47,
    Loop = 50,
    EndLoop = 51,
    Delay = 52,
    IfExist = 53,
    EndIf = 54,
    Dial = 60,
};

// The side a command acts on: "-L" the local view, "-R" the remote view.
enum class ScriptSide : quint8 { None = 0, Local = 1, Remote = 2 };

// Why a text did not compile. The first three are the command texts' own errors; the others
// guard the control flow of script files.
enum class ScriptError : quint8 {
    None,
    MissingSide,        // "Missing local-remote argument"
    MissingArgument,    // "Missing command argument."
    InvalidCommand,     // "Invalid command"
    InvalidNumber,      // DELAY or LOOP without a usable number
    ScriptOnly,         // LOOP, ENDLOOP or DELAY typed or poked
    NestedLoop,
    LoopWithoutEnd,
    EndLoopWithoutLoop,
    IfWithoutEnd,
    EndIfWithoutIf,
};

QString ScriptErrorText(ScriptError error);

// One compiled command.
struct ScriptInstruction
{
    ScriptCommand command = ScriptCommand::Status;
    ScriptSide side = ScriptSide::None;
    QString argument;
    int line = -1;       // the script line (from 1); -1 for a typed or poked command
    qint64 number = 0;   // LOOP: the count; DELAY: the seconds
    int jump = -1;       // set by the script compiler: ENDLOOP → first body line, IFEXIST → its ENDIF

    // The compiled text: two digits, the side digit of a command with a side, "$" and the
    // argument ("21$readme.txt", "301$/tmp", "06$").
    QString CompiledText() const;
    bool operator==(const ScriptInstruction&) const = default;
};

// The outcome of ParseCommand: an instruction, or the error (with the line it was given).
struct ParsedCommand
{
    ScriptInstruction instruction;
    ScriptError error = ScriptError::None;

    bool ok() const { return error == ScriptError::None; }
};

// Compiles one command text. `line` is the script line (from 1), or -1 for a typed or
// poked command: LOOP, ENDLOOP and DELAY are only accepted in script files.
ParsedCommand ParseCommand(const QString& text, int line);

// ABORT, STATUS, PATH and DDECLOSE act at once, even while another command runs.
bool IsImmediate(ScriptCommand command);
// Commands the runner itself carries out (LOOP, ENDLOOP, DELAY, IFEXIST, ENDIF).
bool IsControlFlow(ScriptCommand command);
// The keyword of a command ("GET").
QString CommandKeyword(ScriptCommand command);

// --- Argument forms ----------------------------------------------------------------------------

// GET and PUT: "name", "name:other" (the target name), or a mask (any "*": the whole text).
struct TransferArgument
{
    bool isMask = false;
    QString name;    // the source name, or the mask
    QString target;  // the target name: `other`, else `name`; empty for a mask
};
TransferArgument ParseTransferArgument(const QString& argument);

// RENAME "old:new" and CHMOD "mode:mask": split at the first ":"; nothing when either part
// is empty.
std::optional<std::pair<QString, QString>> SplitPair(const QString& argument);

// DDELINK "service:topic:command", split at the first two colons; missing parts are empty.
struct LinkArgument
{
    QString service;
    QString topic;
    QString command;
};
LinkArgument ParseLinkArgument(const QString& argument);
