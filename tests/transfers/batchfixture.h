#pragma once

// A batch without a window: settings, sites and statistics in a fresh program directory, a
// session, the local directory, the queue and the runner, scripted prompts, and a real server.
#include "engine/ftp.h"
#include "realserver.h"
#include "session/localdirectory.h"
#include "session/sessioncontroller.h"
#include "sessionhome.h"
#include "testutil.h"
#include "transfers/batchrunner.h"
#include "transfers/transferqueue.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class BatchTest : public ::testing::Test, protected SessionHome
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(localRoot.isValid());
        ConfigData& config = settings->config();
        config.Email = "guest@example.com";
        config.FreeSpace = false;
        local = std::make_unique<LocalDirectoryModel>();
        session->SetLocalDirectory(local.get());
        local->setCurrentDirectory(localRoot.path());
        local->read(false);
        queue = std::make_unique<TransferQueue>();
        runner = std::make_unique<BatchRunner>(*session, *queue, *local, *stats);
        QObject::connect(runner.get(), &BatchRunner::batchFinished,
                         [this](const BatchSummary& summary) { finished.push_back(summary); });
        QObject::connect(session.get(), &SessionController::logLine, [this](const QString& text, int) { log << text; });
    }
    void TearDown() override
    {
        runner.reset();
        session.reset();
        QDir::setCurrent(QDir::tempPath());
    }

    // The server serves `server.root()`; returns false (after skipping or failing) when it
    // cannot start.
    bool start(ServerKind kind, const PyFtpOptions& options = {})
    {
        if (server.start(kind, options))
            return true;
        if (!server.skipReason.isEmpty())
            skipReason = server.skipReason;
        else
            ADD_FAILURE() << server.error.toStdString();
        return false;
    }
    // Logs in with the remote directory `directory` (empty: the login directory) and waits
    // for the first listing.
    bool connect(const QString& directory = {})
    {
        ConnectionRequest request;
        request.origin = ConnectionRequest::Origin::Typed;
        request.host = "127.0.0.1";
        request.port = QString::number(server.port());
        request.user = server.user();
        request.password = server.password();
        if (!directory.isEmpty())
            request.initialDirectory = directory;
        session->SetFollow(FollowUp::None);
        session->SetState(SessionState::LoggingIn);
        session->Connect(request);
        return waitIdle();
    }
    bool waitIdle(int ms = 15000)
    {
        testutil::waitFor([&] {
            return session->State() == SessionState::Idle || session->State() == SessionState::NotConnected;
        }, ms);
        return session->State() == SessionState::Idle;
    }
    // Waits for the end of batch `id` and gives its summary (empty id when none came).
    BatchSummary waitBatch(quint64 id, int ms = 60000)
    {
        testutil::waitFor([&] { return finishedCount(id) > 0; }, ms);
        for (const BatchSummary& summary : finished)
            if (summary.id == id)
                return summary;
        return {};
    }
    int finishedCount(quint64 id) const
    {
        return int(std::count_if(finished.begin(), finished.end(), [id](const BatchSummary& s) { return s.id == id; }));
    }

    // A selection of the remote directory shown (or of the local one), by names.
    QueueSelection remoteSelection(const QStringList& names) const
    {
        QueueSelection selection;
        selection.side = QueueSide::Remote;
        selection.localDir = local->currentDirectory();
        selection.remoteDir = session->Remote().currentDirectory();
        for (const FileEntry& entry : session->Remote().entries())
            if (names.contains(entry.name))
                selection.items.push_back(entry);
        return selection;
    }
    QueueSelection localSelection(const QStringList& names) const
    {
        QueueSelection selection;
        selection.side = QueueSide::Local;
        selection.localDir = local->currentDirectory();
        selection.remoteDir = session->Remote().currentDirectory();
        for (const FileEntry& entry : local->entries())
            if (names.contains(entry.name))
                selection.items.push_back(entry);
        return selection;
    }

    QString localPath(const QString& name) const { return localRoot.filePath(name); }
    QString joinedLog() const { return log.join('\n'); }
    QStringList logMatching(const QString& start) const
    {
        QStringList out;
        for (const QString& line : log)
            if (line.startsWith(start))
                out << line;
        return out;
    }

    QTemporaryDir localRoot;
    RealServer server;
    QString skipReason;
    std::unique_ptr<LocalDirectoryModel> local;
    std::unique_ptr<TransferQueue> queue;
    std::unique_ptr<BatchRunner> runner;
    std::vector<BatchSummary> finished;
    QStringList log;
};

#define START_OR_SKIP(kind, ...)                                   \
    do {                                                           \
        if (!start((kind), ##__VA_ARGS__)) {                       \
            if (!skipReason.isEmpty())                             \
                GTEST_SKIP() << skipReason.toStdString();          \
            return;                                                \
        }                                                          \
    } while (0)

// The SHA-256 of every file below `root` by relative path, and every folder (as "dir/").
inline QMap<QString, QByteArray> treeHashes(const QString& root)
{
    QMap<QString, QByteArray> out;
    QDir base(root);
    std::function<void(const QString&)> walk = [&](const QString& dir) {
        for (const QFileInfo& info : QDir(dir).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            const QString rel = base.relativeFilePath(info.filePath());
            if (info.isDir()) {
                out.insert(rel + '/', QByteArray());
                walk(info.filePath());
            } else {
                out.insert(rel, testutil::sha256OfFile(info.filePath()));
            }
        }
    };
    walk(root);
    return out;
}
