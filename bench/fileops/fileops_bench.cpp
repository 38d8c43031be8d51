// Deletes one remote folder with everything in it through a session and RemoteFileOps, as the
// window's Delete does, and prints how long it took.
//
//   bench_fileops HOST PORT USER PASSWORD FOLDER
//
// FOLDER is a folder of the login directory. Exit code 0 when the folder is gone.
#include "fileops/remotefileops.h"
#include "session/connectionrequest.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "sites/sitedatabase.h"
#include "sites/sitestats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

int fail(const char* what)
{
    std::fprintf(stderr, "bench_fileops: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6)
        return fail("usage: bench_fileops HOST PORT USER PASSWORD FOLDER");
    QTemporaryDir home;
    SettingsStore settings(home.filePath(QStringLiteral("orvoftp.ini")));
    TSiteDatabase sites(home.filePath(QStringLiteral("sites.ini")));
    TSiteStats stats(home.filePath(QStringLiteral("stats.dat")));
    SessionController session(settings, sites, stats);
    session.SetTempDir(home.path() + QLatin1Char('/'));
    session.SetScriptRunning(true);  // no questions
    RemoteFileOps ops(session);
    int commands = 0;
    QObject::connect(&session, &SessionController::logLine, [&](const QString&, int kind) {
        if (kind == SessionController::LogCommand)
            ++commands;
    });

    QElapsedTimer clock;
    int exitCode = 1;
    bool started = false;
    QObject::connect(&session, &SessionController::stateChanged, [&](SessionState state) {
        if (state == SessionState::NotConnected && !started) {
            std::fprintf(stderr, "bench_fileops: the connection failed\n");
            app.exit(2);
        }
        if (state != SessionState::Idle || started)
            return;
        started = true;
        // Started from the event loop, once the login's listing has ended.
        QTimer::singleShot(0, [&] {
            std::vector<FileEntry> chosen;
            for (const FileEntry& entry : session.Remote().entries()) {
                if (entry.name == args[5])
                    chosen.push_back(entry);
            }
            if (chosen.empty()) {
                std::fprintf(stderr, "bench_fileops: %s is not listed\n", qPrintable(args[5]));
                app.exit(3);
                return;
            }
            commands = 0;
            clock.start();
            ops.Delete(chosen, [&](const FileOpResult& result) {
                const double seconds = double(clock.nsecsElapsed()) / 1e9;
                std::printf("deleted %s in %.3f s, %d commands, %s\n", qPrintable(args[5]), seconds, commands,
                            result.ok ? "ok" : qPrintable(result.message));
                exitCode = result.ok ? 0 : 4;
                app.exit(exitCode);
            });
        });
    });
    session.SetState(SessionState::LoggingIn);
    const QString text = args[1] + QLatin1Char(':') + args[3] + QLatin1Char(':') + args[4] + QLatin1Char(':') + args[2];
    session.Connect(resolveServerText(text, {}, {}, sites, QStringLiteral("bench@example.com")));
    const int code = app.exec();
    session.Shutdown();
    return code;
}
