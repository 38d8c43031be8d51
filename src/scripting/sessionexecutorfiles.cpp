// The script language's file operations (DEL, RENAME, CHMOD, MD, RD on either side) and
// transfers (TRANSFER, GET, PUT).
#include "scripting/sessionexecutor.h"

#include "fileops/localfileops.h"
#include "fileops/remotefileops.h"
#include "scripting/selection.h"
#include "session/localdirectory.h"
#include "session/sessioncontroller.h"

#include <QDir>

namespace {

// "old:new" of RENAME and "mode:mask" of CHMOD: the text before and after the first ":".
std::pair<QString, QString> splitPair(const QString& argument)
{
    const qsizetype colon = argument.indexOf(QLatin1Char(':'));
    return {argument.left(colon), argument.mid(colon + 1)};
}

}  // namespace

// A file operation's end becomes the line's end; a local one ends at once.
void SessionScriptExecutor::finishFileOp(const FileOpResult& result, const ScriptCompletion& done)
{
    if (result.ok) {
        done.Succeed();
        return;
    }
    const QString text = QStringLiteral("ERROR: ") + (result.message.isEmpty() ? QStringLiteral("The operation failed.") : result.message);
    m_session.LogLine(text, SessionController::LogError);
    done.Fail(text, ScriptFailure::Operation);
}

void SessionScriptExecutor::executeFileCommand(const ScriptInstruction& instruction, ScriptCompletion done)
{
    const bool local = instruction.side == ScriptSide::Local;
    const auto finish = [this, done](const FileOpResult& result) { finishFileOp(result, done); };
    switch (instruction.command) {
    case ScriptCommand::Del: {
        const std::vector<FileEntry>& entries = local ? m_local.entries() : m_session.Remote().entries();
        std::vector<FileEntry> chosen;
        for (const int index : SelectByMask(entries, instruction.argument))
            chosen.push_back(entries[size_t(index)]);
        if (chosen.empty()) {
            m_session.LogLine(QStringLiteral("No files found matching: ") + instruction.argument);
            done.Succeed();
            return;
        }
        if (local) {
            QStringList paths;
            for (const FileEntry& entry : chosen)
                paths << m_local.currentDirectory() + entry.name;
            const FileOpResult result = LocalFileOps::MoveToTrash(paths);
            m_local.read(m_session.TransferRunning());
            return finish(result);
        }
        m_remoteOps.Delete(chosen, finish);
        return;
    }
    case ScriptCommand::Rename: {
        const auto [from, to] = splitPair(instruction.argument);
        if (local) {
            // Names as they stand, relative ones in the local directory.
            const FileOpResult result = LocalFileOps::Rename(LocalPath(from), LocalPath(to));
            m_local.read(m_session.TransferRunning());
            return finish(result);
        }
        m_remoteOps.Rename(from, to, finish);
        return;
    }
    case ScriptCommand::Chmod: {
        const auto [mode, mask] = splitPair(instruction.argument);
        QStringList names;
        const std::vector<FileEntry>& entries = m_session.Remote().entries();
        for (const int index : SelectByMask(entries, mask))
            names << entries[size_t(index)].name;
        if (names.isEmpty()) {
            m_session.LogLine(QStringLiteral("No files found matching: ") + mask);
            done.Succeed();
            return;
        }
        m_remoteOps.ChangeMode(names, mode, finish);
        return;
    }
    case ScriptCommand::Md:
        if (local) {
            const FileOpResult result = LocalFileOps::MakeDirectory(m_local.currentDirectory(), instruction.argument);
            m_local.read(m_session.TransferRunning());
            return finish(result);
        }
        m_remoteOps.MakeDirectory(instruction.argument, finish);
        return;
    case ScriptCommand::Rd:
        if (local) {
            const QString path = LocalPath(instruction.argument);
            FileOpResult result;
            result.ok = QDir().rmdir(path);
            if (!result.ok)
                result.message = QStringLiteral("Unable to remove ") + path;
            m_local.read(m_session.TransferRunning());
            return finish(result);
        }
        m_remoteOps.RemoveDirectory(instruction.argument, finish);
        return;
    default:
        executeTransfer(instruction, done);
        return;
    }
}
