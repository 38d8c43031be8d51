#include "scripting/scriptcommand.h"

#include <array>
#include <climits>

namespace {

enum Need : quint8 {
    NoNeed = 0,
    NeedsArgument = 0x1,
    NeedsSide = 0x2,
    OptionalSide = 0x4,  // a side digit when one was given (FILTER, IFEXIST)
    KeepsArgument = 0x8, // compiled with its argument although it needs none (DDELINK, LOOP)
    ScriptFileOnly = 0x10,
};

struct CommandSpec
{
    const char* keyword;
    ScriptCommand command;
    int needs;
};

constexpr std::array<CommandSpec, 38> Commands{{
    {"CONNECT", ScriptCommand::Connect, NeedsArgument},
    {"DISCONNECT", ScriptCommand::Disconnect, NoNeed},
    {"ABORT", ScriptCommand::Abort, NoNeed},
    {"HIDE", ScriptCommand::Hide, NoNeed},
    {"UNHIDE", ScriptCommand::Unhide, NoNeed},
    {"STATUS", ScriptCommand::Status, NoNeed},
    {"HANGUP", ScriptCommand::Hangup, NoNeed},
    {"SCRIPT", ScriptCommand::Script, NeedsArgument},
    {"EXIT", ScriptCommand::Exit, NoNeed},
    {"ASCII", ScriptCommand::Ascii, NoNeed},
    {"BINARY", ScriptCommand::Binary, NoNeed},
    {"AUTO", ScriptCommand::Auto, NoNeed},
    {"TRANSFER", ScriptCommand::Transfer, NoNeed},
    {"GET", ScriptCommand::Get, NeedsArgument},
    {"PUT", ScriptCommand::Put, NeedsArgument},
    {"DEL", ScriptCommand::Del, NeedsArgument | NeedsSide},
    {"RENAME", ScriptCommand::Rename, NeedsArgument | NeedsSide},
    {"CHMOD", ScriptCommand::Chmod, NeedsArgument},
    {"QUEUE", ScriptCommand::Queue, NeedsArgument | NeedsSide},
    {"RAW", ScriptCommand::Raw, NeedsArgument},
    {"CD", ScriptCommand::Cd, NeedsArgument | NeedsSide},
    {"MD", ScriptCommand::Md, NeedsArgument | NeedsSide},
    {"RD", ScriptCommand::Rd, NeedsArgument | NeedsSide},
    {"DIR", ScriptCommand::Dir, NeedsArgument | NeedsSide},
    {"PATH", ScriptCommand::Path, NeedsArgument | NeedsSide},
    {"FILTER", ScriptCommand::Filter, NeedsArgument | OptionalSide},
    {"DDELINK", ScriptCommand::DdeLink, KeepsArgument},
    {"DDEOPEN", ScriptCommand::DdeOpen, NoNeed},
    {"DDECLOSE", ScriptCommand::DdeClose, NoNeed},
    {"LOADQUEUE", ScriptCommand::LoadQueue, NeedsArgument},
    {"SAVEQUEUE", ScriptCommand::SaveQueue, NeedsArgument},
    {"CLEARQUEUE", ScriptCommand::ClearQueue, NoNeed},
    {"LOOP", ScriptCommand::Loop, KeepsArgument | ScriptFileOnly},
    {"ENDLOOP", ScriptCommand::EndLoop, ScriptFileOnly},
    {"DELAY", ScriptCommand::Delay, NeedsArgument | ScriptFileOnly},
    {"IFEXIST", ScriptCommand::IfExist, NeedsArgument | OptionalSide},
    {"ENDIF", ScriptCommand::EndIf, NoNeed},
    {"DIAL", ScriptCommand::Dial, NeedsArgument},
}};

const CommandSpec* findKeyword(const QString& keyword)
{
    for (const CommandSpec& spec : Commands)
        if (keyword == QLatin1String(spec.keyword))
            return &spec;
    return nullptr;
}

const CommandSpec& specOf(ScriptCommand command)
{
    for (const CommandSpec& spec : Commands)
        if (spec.command == command)
            return spec;
    return Commands[5];  // unreachable: every command is in the table
}

// The timer takes milliseconds in an int.
constexpr qint64 MaxDelaySeconds = INT_MAX / 1000;

// DELAY: the whole (trimmed) text is a number of seconds.
std::optional<qint64> delaySeconds(const QString& argument)
{
    bool ok = false;
    const QString text = argument.trimmed();
    const qint64 seconds = text.toLongLong(&ok);
    for (const QChar c : text)
        if (!c.isDigit() || c.unicode() > 127)
            return std::nullopt;
    if (!ok || seconds > MaxDelaySeconds)
        return std::nullopt;
    return seconds;
}

// LOOP: the leading decimal digits of the count ("3 times" is 3).
std::optional<qint64> loopCount(const QString& argument)
{
    const QString text = argument.trimmed();
    qsizetype digits = 0;
    while (digits < text.size() && text[digits] >= QLatin1Char('0') && text[digits] <= QLatin1Char('9'))
        ++digits;
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    const qint64 count = text.left(digits).toLongLong(&ok);
    if (!ok || count > INT_MAX)
        return std::nullopt;
    return count;
}

// The checks a command's argument gets beyond "not empty".
ScriptError checkArgument(ScriptInstruction& instruction)
{
    switch (instruction.command) {
    case ScriptCommand::Delay:
    case ScriptCommand::Loop: {
        if (instruction.argument.trimmed().isEmpty())
            return ScriptError::MissingArgument;
        const auto number = instruction.command == ScriptCommand::Delay ? delaySeconds(instruction.argument)
                                                                         : loopCount(instruction.argument);
        if (!number)
            return ScriptError::InvalidNumber;
        instruction.number = *number;
        return ScriptError::None;
    }
    case ScriptCommand::Rename:
    case ScriptCommand::Chmod:
        return SplitPair(instruction.argument) ? ScriptError::None : ScriptError::MissingArgument;
    case ScriptCommand::Get:
    case ScriptCommand::Put:
        return ParseTransferArgument(instruction.argument).name.isEmpty() ? ScriptError::MissingArgument
                                                                           : ScriptError::None;
    default:
        return ScriptError::None;
    }
}

// Splits a command text into keyword, argument and side. False: the side is neither L nor R.
bool splitText(const QString& text, QString* keyword, QString* argument, ScriptSide* side)
{
    if (!text.contains(QLatin1Char(':')) && !text.contains(QLatin1Char('-'))) {
        *keyword = text.toUpper();
        return true;
    }
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    *keyword = (colon > 0 ? text.left(colon) : text).toUpper();
    // Without a colon the argument is the whole text: "DIR-L" compiles.
    *argument = colon >= 0 ? text.mid(colon + 1) : text;
    const qsizetype dash = keyword->indexOf(QLatin1Char('-'));
    if (dash < 0)
        return true;
    const QString sideText = keyword->mid(dash + 1);
    if (sideText == QLatin1String("L"))
        *side = ScriptSide::Local;
    else if (sideText == QLatin1String("R"))
        *side = ScriptSide::Remote;
    else
        return false;
    keyword->chop(2);
    return true;
}

}  // namespace

QString ScriptErrorText(ScriptError error)
{
    switch (error) {
    case ScriptError::None: return {};
    case ScriptError::MissingSide: return QStringLiteral("Missing local-remote argument");
    case ScriptError::MissingArgument: return QStringLiteral("Missing command argument.");
    case ScriptError::InvalidCommand: return QStringLiteral("Invalid command");
    case ScriptError::InvalidNumber: return QStringLiteral("Invalid number");
    case ScriptError::ScriptOnly: return QStringLiteral("Only allowed in script files");
    case ScriptError::NestedLoop: return QStringLiteral("Loops cannot be nested");
    case ScriptError::LoopWithoutEnd: return QStringLiteral("LOOP without ENDLOOP");
    case ScriptError::EndLoopWithoutLoop: return QStringLiteral("ENDLOOP without LOOP");
    case ScriptError::IfWithoutEnd: return QStringLiteral("IFEXIST without ENDIF");
    case ScriptError::EndIfWithoutIf: return QStringLiteral("ENDIF without IFEXIST");
    }
    return {};
}

QString ScriptInstruction::CompiledText() const
{
    QString text = QStringLiteral("%1").arg(int(command), 2, 10, QLatin1Char('0'));
    if (side != ScriptSide::None)
        text += QString::number(int(side));
    return text + QLatin1Char('$') + argument;
}

ParsedCommand ParseCommand(const QString& text, int line)
{
    ParsedCommand result;
    result.instruction.line = line;
    QString keyword;
    QString argument;
    ScriptSide side = ScriptSide::None;
    if (!splitText(text, &keyword, &argument, &side)) {
        result.error = ScriptError::MissingSide;
        return result;
    }
    const CommandSpec* spec = findKeyword(keyword);
    if (!spec) {
        result.error = ScriptError::InvalidCommand;
        return result;
    }
    ScriptInstruction& instruction = result.instruction;
    instruction.command = spec->command;
    if ((spec->needs & ScriptFileOnly) && line < 1) {
        result.error = ScriptError::ScriptOnly;
        return result;
    }
    if (((spec->needs & NeedsArgument) && argument.isEmpty())
        || ((spec->needs & NeedsSide) && side == ScriptSide::None)) {
        result.error = ScriptError::MissingArgument;
        return result;
    }
    if (spec->needs & (NeedsArgument | KeepsArgument))
        instruction.argument = argument;
    if (spec->needs & (NeedsSide | OptionalSide))
        instruction.side = side;
    result.error = checkArgument(instruction);
    return result;
}

bool IsImmediate(ScriptCommand command)
{
    return command == ScriptCommand::Abort || command == ScriptCommand::Status || command == ScriptCommand::Path
        || command == ScriptCommand::DdeClose;
}

bool IsControlFlow(ScriptCommand command)
{
    return command == ScriptCommand::Loop || command == ScriptCommand::EndLoop || command == ScriptCommand::Delay
        || command == ScriptCommand::IfExist || command == ScriptCommand::EndIf;
}

QString CommandKeyword(ScriptCommand command)
{
    return QString::fromLatin1(specOf(command).keyword);
}

TransferArgument ParseTransferArgument(const QString& argument)
{
    TransferArgument result;
    if (argument.contains(QLatin1Char('*'))) {
        result.isMask = true;
        result.name = argument;
        return result;
    }
    const qsizetype colon = argument.indexOf(QLatin1Char(':'));
    result.name = colon < 0 ? argument : argument.left(colon);
    const QString other = colon < 0 ? QString() : argument.mid(colon + 1);
    result.target = other.isEmpty() ? result.name : other;
    return result;
}

std::optional<std::pair<QString, QString>> SplitPair(const QString& argument)
{
    const qsizetype colon = argument.indexOf(QLatin1Char(':'));
    if (colon <= 0 || colon == argument.size() - 1)
        return std::nullopt;
    return std::make_pair(argument.left(colon), argument.mid(colon + 1));
}

LinkArgument ParseLinkArgument(const QString& argument)
{
    LinkArgument result;
    const qsizetype first = argument.indexOf(QLatin1Char(':'));
    if (first < 0) {
        result.service = argument;
        return result;
    }
    result.service = argument.left(first);
    const qsizetype second = argument.indexOf(QLatin1Char(':'), first + 1);
    if (second < 0) {
        result.topic = argument.mid(first + 1);
        return result;
    }
    result.topic = argument.mid(first + 1, second - first - 1);
    result.command = argument.mid(second + 1);
    return result;
}
