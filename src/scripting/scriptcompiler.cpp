#include "scripting/scriptcompiler.h"

#include <QStringDecoder>

namespace {

// A LOOP or IFEXIST that waits for its ENDLOOP or ENDIF.
struct OpenBlock
{
    ScriptCommand command;
    int index;  // in the program
    int line;
};

bool loopOpen(const std::vector<OpenBlock>& open)
{
    for (const OpenBlock& block : open)
        if (block.command == ScriptCommand::Loop)
            return true;
    return false;
}

bool ifOpen(const std::vector<OpenBlock>& open)
{
    for (const OpenBlock& block : open)
        if (block.command == ScriptCommand::IfExist)
            return true;
    return false;
}

CompileResult failure(ScriptError error, int line)
{
    CompileResult result;
    result.error = error;
    result.errorLine = line;
    return result;
}

// The error for a block end that does not close the innermost open block: that block is
// the one left open.
ScriptError unclosedError(const OpenBlock& block)
{
    return block.command == ScriptCommand::Loop ? ScriptError::LoopWithoutEnd : ScriptError::IfWithoutEnd;
}

// Matches the block structure of one instruction; None when it fits, else the error and its line.
std::pair<ScriptError, int> matchBlock(ScriptInstruction& instruction, int index, std::vector<OpenBlock>& open,
                                       std::vector<ScriptInstruction>& program)
{
    switch (instruction.command) {
    case ScriptCommand::Loop:
        if (loopOpen(open))
            return {ScriptError::NestedLoop, instruction.line};
        open.push_back({ScriptCommand::Loop, index, instruction.line});
        break;
    case ScriptCommand::IfExist:
        open.push_back({ScriptCommand::IfExist, index, instruction.line});
        break;
    case ScriptCommand::EndLoop:
        if (!loopOpen(open))
            return {ScriptError::EndLoopWithoutLoop, instruction.line};
        if (open.back().command != ScriptCommand::Loop)
            return {unclosedError(open.back()), open.back().line};
        instruction.jump = open.back().index + 1;
        open.pop_back();
        break;
    case ScriptCommand::EndIf:
        if (!ifOpen(open))
            return {ScriptError::EndIfWithoutIf, instruction.line};
        if (open.back().command != ScriptCommand::IfExist)
            return {unclosedError(open.back()), open.back().line};
        program[std::size_t(open.back().index)].jump = index;
        open.pop_back();
        break;
    default:
        break;
    }
    return {ScriptError::None, 0};
}

}  // namespace

QString CompileResult::Message() const
{
    return QStringLiteral("Error in script file (Line %1). ").arg(errorLine) + ScriptErrorText(error);
}

QStringList ScriptFileLines(const QByteArray& data)
{
    QByteArray bytes = data;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);  // written in a single-byte code page
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        lines.removeLast();  // the line end of the last line starts no line of its own
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

CompileResult CompileScript(const QStringList& lines)
{
    CompileResult result;
    std::vector<ScriptInstruction>& program = result.program.instructions;
    std::vector<OpenBlock> open;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& text = lines[i];
        if (text.isEmpty() || text == QLatin1String("END"))
            break;
        if (text.startsWith(QLatin1Char('#')))
            continue;
        ParsedCommand parsed = ParseCommand(text, i + 1);
        if (!parsed.ok())
            return failure(parsed.error, i + 1);
        const auto [error, line] = matchBlock(parsed.instruction, int(program.size()), open, program);
        if (error != ScriptError::None)
            return failure(error, line);
        program.push_back(parsed.instruction);
    }
    if (!open.empty())
        return failure(unclosedError(open.back()), open.back().line);
    return result;
}

CompileResult CompileScriptFile(const QByteArray& data)
{
    return CompileScript(ScriptFileLines(data));
}
