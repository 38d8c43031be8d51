// Transfers and file operations of the script language.
#include "scripting/sessionexecutor.h"

void SessionScriptExecutor::executeFileCommand(const ScriptInstruction& instruction, ScriptCompletion done)
{
    done.Fail(QStringLiteral("not yet: ") + instruction.CompiledText());
}
