#pragma once

#include "scripting/scriptcommand.h"

#include <QByteArray>
#include <QStringList>
#include <vector>

// A compiled script file: the instructions in file order. LOOP/ENDLOOP and IFEXIST/ENDIF
// are matched (ScriptInstruction::jump), so a runner only steps and jumps.
struct ScriptProgram
{
    std::vector<ScriptInstruction> instructions;

    bool empty() const { return instructions.empty(); }
    int size() const { return int(instructions.size()); }
};

struct CompileResult
{
    ScriptProgram program;  // empty when there is an error
    ScriptError error = ScriptError::None;
    int errorLine = 0;

    bool ok() const { return error == ScriptError::None; }
    // "Error in script file (Line 3). Invalid command"
    QString Message() const;
};

// The lines of a script file as text: a UTF-8 byte-order mark goes, a CR before the LF of a
// line end goes ("END\r" is "END"), and a file that is not valid UTF-8 is read as Latin-1.
QStringList ScriptFileLines(const QByteArray& data);

// Compiles a script file's lines, numbered from 1. Reading stops at the first empty line
// and at a line that is exactly "END"; lines starting with "#" are comments. The first line
// that does not compile, and a LOOP or IFEXIST block that is not closed properly (a nested
// LOOP, LOOP without ENDLOOP, ENDLOOP without LOOP, blocks that overlap), make the whole
// script an error naming that line.
CompileResult CompileScript(const QStringList& lines);
CompileResult CompileScriptFile(const QByteArray& data);
