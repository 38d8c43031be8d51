// The script language's transfers: TRANSFER, GET and PUT through the batch runner. Each
// line waits for the batch it started (TRANSFER too: a script that goes on at once would
// race the batch for the session).
#include "scripting/sessionexecutor.h"

#include "scripting/selection.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "transfers/batchrunner.h"
#include "transfers/queuebuilder.h"
#include "transfers/transferqueue.h"

#include <QFileInfo>

namespace {

// "name" or "name:other": the part before the first ":" and the rest (empty without one).
std::pair<QString, QString> nameAndOther(const QString& argument)
{
    const qsizetype colon = argument.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return {argument, QString()};
    return {argument.left(colon), argument.mid(colon + 1)};
}

QString lastName(const QString& path)
{
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    return trimmed.mid(trimmed.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace

void SessionScriptExecutor::completeWithBatch(quint64 batch, ScriptCompletion done, const QString& refusal)
{
    if (batch == 0) {
        const QString text = QStringLiteral("ERROR: ") + refusal;
        m_session.LogLine(text, SessionController::LogError);
        done.Fail(text, ScriptFailure::Operation);
        return;
    }
    auto* watch = new QObject(this);
    connect(m_batch, &BatchRunner::batchFinished, watch, [watch, batch, done](const BatchSummary& summary) {
        if (summary.id != batch)
            return;
        watch->deleteLater();
        if (summary.ok())
            done.Succeed();
        else
            done.Fail(QStringLiteral("ERROR: %1 of the transfers failed.").arg(summary.failed), ScriptFailure::Operation);
    });
}

void SessionScriptExecutor::executeTransfer(const ScriptInstruction& instruction, ScriptCompletion done)
{
    if (!m_batch) {
        done.Fail(QStringLiteral("ERROR: Transfers are not available here."), ScriptFailure::Operation);
        return;
    }
    if (instruction.command == ScriptCommand::Transfer) {
        if (m_queue.count() == 0) {
            done.Succeed();
            return;
        }
        completeWithBatch(m_batch->RunQueue(), done, QStringLiteral("The queue cannot run now."));
        return;
    }
    if (!ensureIdle(instruction, done))
        return;
    const bool get = instruction.command == ScriptCommand::Get;
    const QString& argument = instruction.argument;
    const QString localDir = m_local.currentDirectory();
    const QString remoteDir = EnsureTrailingSeparator(m_session.Remote().currentDirectory());

    if (argument.contains(QLatin1Char('*'))) {
        const std::vector<FileEntry>& entries = get ? m_session.Remote().entries() : m_local.entries();
        QueueSelection selection;
        selection.side = get ? QueueSide::Remote : QueueSide::Local;
        for (const int index : SelectByMask(entries, argument))
            selection.items.push_back(entries[size_t(index)]);
        if (selection.items.empty()) {
            m_session.LogLine(QStringLiteral("No files found matching: ") + argument);
            done.Succeed();
            return;
        }
        selection.localDir = localDir;
        selection.remoteDir = remoteDir;
        selection.linksAsFiles = m_session.Remote().filter().resolveLinks;
        const quint64 batch = get ? m_batch->StartDownload(selection) : m_batch->StartUpload(selection);
        completeWithBatch(batch, done, QStringLiteral("The transfer cannot start now."));
        return;
    }

    const auto [name, other] = nameAndOther(argument);
    QueueEntry entry;
    if (get) {
        // The local name is the one given, or the remote file's own name: never a path that
        // leaves the local directory by itself.
        const QString target = other.isEmpty() ? localDir + lastName(name) : LocalPath(other);
        entry = QueueEntry::make(QueueEntry::DownloadFile, name.startsWith(QLatin1Char('/')) ? name : remoteDir + name,
                                 QString(), target);
    } else {
        const QFileInfo source(LocalPath(name));
        if (!source.isFile()) {
            const QString text = QStringLiteral("ERROR: Local file does not exist: ") + source.filePath();
            m_session.LogLine(text, SessionController::LogError);
            done.Fail(text, ScriptFailure::Operation);
            return;
        }
        const QString target = other.isEmpty() ? remoteDir + source.fileName()
                               : other.startsWith(QLatin1Char('/')) ? other
                                                                    : remoteDir + other;
        entry = QueueEntry::make(QueueEntry::UploadFile, source.absoluteFilePath(), QString::number(source.size()), target);
    }
    m_queue.append(entry);
    const quint64 batch = get ? m_batch->StartDownload({}) : m_batch->StartUpload({});
    completeWithBatch(batch, done, QStringLiteral("The transfer cannot start now."));
}
