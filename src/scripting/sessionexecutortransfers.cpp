// The script language's transfers: TRANSFER, GET and PUT through the batch runner.
#include "scripting/sessionexecutor.h"

void SessionScriptExecutor::executeTransfer(const ScriptInstruction& instruction, ScriptCompletion done)
{
    done.Fail(QStringLiteral("not yet: ") + instruction.CompiledText());
}
