#pragma once

// A session without a window, connected to pyftpdlib or vsftpd serving a temporary tree,
// with the remote file operations on it. Records the commands the client sent, the status
// texts and every result.
#include "engine/ftp.h"
#include "fileops/remotefileops.h"
#include "serverprocess.h"
#include "session/connectionrequest.h"
#include "session/sessioncontroller.h"
#include "sessionhome.h"
#include "testutil.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

class RemoteOpsTest : public ::testing::Test, protected SessionHome
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(serverRoot.isValid());
        QDir::setCurrent(QDir::tempPath());  // a server must not inherit a vanished directory
        settings->config().ConfirmDel = true;
        ops = std::make_unique<RemoteFileOps>(*session);
        QObject::connect(session.get(), &SessionController::logLine, [this](const QString& text, int kind) {
            log << text;
            if (kind == SessionController::LogCommand)
                commands << text;
        });
        QObject::connect(session.get(), &SessionController::statusText, [this](const QString& text) { status << text; });
        QObject::connect(session.get(), &SessionController::progressText,
                         [this](const QString& text) { progress << text; });
        QObject::connect(ops.get(), &RemoteFileOps::finished, [this](quint64 id, const FileOpResult&) { finishedIds << id; });
    }
    void TearDown() override
    {
        ops.reset();
        session.reset();
    }

    QString dir(const QString& relative = {}) const { return serverRoot.filePath(relative); }
    void makeTree(const QStringList& paths)
    {
        for (const QString& path : paths) {
            if (path.endsWith('/'))
                QDir().mkpath(dir(path));
            else
                ASSERT_TRUE(testutil::writeFile(dir(path), path.toUtf8()));
        }
    }

    bool connectPyftpd(PyFtpOptions options = {})
    {
        options.users << "tester:pw-Tester9:" + serverRoot.path();
        if (!pyftpd.start(options)) {
            ADD_FAILURE() << pyftpd.error().toStdString();
            return false;
        }
        return connectTo("127.0.0.1:tester:pw-Tester9:" + QString::number(pyftpd.port()));
    }
    // False with a skip reason when vsftpd cannot run here.
    bool connectVsftpd(QString* skip)
    {
        *skip = VsftpdServer::unavailableReason();
        if (!skip->isEmpty())
            return false;
        if (!vsftpd.start(serverRoot.path())) {
            ADD_FAILURE() << vsftpd.error().toStdString();
            return false;
        }
        return connectTo(QStringLiteral("127.0.0.1:%1:%2:%3").arg(VsftpdServer::kUser, VsftpdServer::kPassword).arg(vsftpd.port()));
    }
    bool connectTo(const QString& text)
    {
        session->SetState(SessionState::LoggingIn);
        session->Connect(resolveServerText(text, {}, {}, *sites, "guest@example.com"));
        testutil::waitFor([&] { return idle() || session->State() == SessionState::NotConnected; }, 15000);
        commands.clear();
        return idle();
    }
    bool idle() const { return session->State() == SessionState::Idle; }

    // Starts an operation with `start` and waits for its one completion.
    template <class Start>
    FileOpResult run(Start start, int ms = 20000)
    {
        int calls = 0;
        FileOpResult result;
        start([&](const FileOpResult& r) {
            ++calls;
            result = r;
        });
        EXPECT_TRUE(testutil::waitFor([&] { return calls > 0; }, ms)) << log.join('\n').toStdString();
        testutil::spin(50);
        EXPECT_EQ(calls, 1);
        return result;
    }

    // The entries of the remote listing shown, by name.
    std::vector<FileEntry> entries(const QStringList& names) const
    {
        std::vector<FileEntry> chosen;
        for (const QString& name : names) {
            for (const FileEntry& entry : session->Remote().entries()) {
                if (entry.name == name)
                    chosen.push_back(entry);
            }
        }
        EXPECT_EQ(chosen.size(), size_t(names.size()));
        return chosen;
    }
    QStringList listedNames() const
    {
        QStringList names;
        for (const FileEntry& entry : session->Remote().entries())
            names << entry.name;
        names.sort();
        return names;
    }
    // The commands sent from the first one starting with `from` on.
    QStringList commandsFrom(const QString& from) const
    {
        for (qsizetype i = 0; i < commands.size(); ++i) {
            if (commands[i].startsWith(from))
                return commands.mid(i);
        }
        return {};
    }
    static QStringList verbs(const QStringList& lines, const QStringList& keep)
    {
        QStringList out;
        for (const QString& line : lines) {
            if (keep.contains(line.section(' ', 0, 0)))
                out << line;
        }
        return out;
    }

    QTemporaryDir serverRoot;
    PyFtpServer pyftpd;
    VsftpdServer vsftpd;
    std::unique_ptr<RemoteFileOps> ops;
    QStringList log;
    QStringList commands;
    QStringList status;
    QStringList progress;
    QList<quint64> finishedIds;
};
