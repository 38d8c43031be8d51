// bench_batch: one folder download through the main window, as a user starts it, offscreen.
//
//   bench_batch HOST PORT USER PASS REMOTE_FOLDER LOCAL_DIR [--expand]
//
// Opens the window in a fresh program directory, logs in to the folder's parent, queues the
// folder as a download into LOCAL_DIR and runs the batch. Prints on stdout
//   "<files> files in <s> s (<n> files/s), longest stall <ms> ms (<ms> ms CPU)"
// for the batch alone (from its start to the session being ready again). A 2 ms heartbeat
// measures the stalls as ftpbench does: the longest gap between two ticks and the most CPU
// time the thread spent between two ticks.
// --expand: the batch stops after the folder's first file; prints how long the folder's
// expansion took (from the remote view having shown its listing to the first command of its
// first file: the entries made, queued and shown in the queue list) and how many it queued.
#include "app/maintransfers.h"
#include "app/mainwindow.h"
#include "engine/ftp.h"
#include "session/connectionrequest.h"
#include "session/sessioncontroller.h"
#include "transfers/batchrunner.h"
#include "transfers/transferqueue.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Heartbeat
{
    QTimer timer;
    QElapsedTimer sinceBeat;
    qint64 longestNs = 0;
    qint64 longestCpuNs = 0;
    qint64 lastCpuNs = 0;

    void start()
    {
        timer.setInterval(2);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            longestNs = qMax(longestNs, sinceBeat.nsecsElapsed());
            sinceBeat.restart();
            const qint64 cpu = threadCpuNs();
            longestCpuNs = qMax(longestCpuNs, cpu - lastCpuNs);
            lastCpuNs = cpu;
        });
        sinceBeat.start();
        lastCpuNs = threadCpuNs();
        timer.start();
    }
};

bool spinUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QStringList args = app.arguments();
    if (args.size() < 7) {
        std::fprintf(stderr, "usage: bench_batch HOST PORT USER PASS REMOTE_FOLDER LOCAL_DIR [--expand]\n");
        return 2;
    }
    const bool expand = args.contains(QStringLiteral("--expand"));
    QTemporaryDir home;
    qputenv("ORVOFTP_HOME", home.path().toUtf8());
    QDir().mkpath(args[6]);

    TfrmMain window;
    window.resize(1000, 700);
    window.show();

    if (!spinUntil([&] { return window.Session->State() != SessionState::StartingUp; }, 10000))
        return 1;
    SessionController& session = *window.Session;
    const QString folder = args[5].endsWith('/') ? args[5] : args[5] + '/';
    ConnectionRequest request;
    request.host = args[1];
    request.port = args[2];
    request.user = args[3];
    request.password = args[4];
    request.initialDirectory = QDir::cleanPath(folder + QStringLiteral(".."));
    session.SetState(SessionState::LoggingIn);
    session.Connect(request);
    if (!spinUntil([&] { return session.State() == SessionState::Idle || session.State() == SessionState::NotConnected; }, 20000)
        || session.State() != SessionState::Idle) {
        std::fprintf(stderr, "login failed\n");
        return 1;
    }

    BatchRunner& runner = window.Transfers->Runner();
    QElapsedTimer expansion;
    qint64 expansionNs = -1;
    int queued = 0;
    if (expand) {
        // The remote view has taken the listing in; the batch's own step comes next.
        QObject::connect(&session.Remote(), &RemoteDirectoryModel::finished, [&] {
            if (session.State() == SessionState::Downloading && !expansion.isValid())
                expansion.start();
        });
        QObject::connect(&session, &SessionController::logLine, [&](const QString&, int kind) {
            if (kind == SessionController::LogCommand && expansion.isValid() && expansionNs < 0) {
                expansionNs = expansion.nsecsElapsed();
                queued = window.QueueModel->count();
                runner.SetHalt(true);
            }
        });
    }
    BatchSummary result;
    QObject::connect(&runner, &BatchRunner::batchFinished, [&](const BatchSummary& summary) { result = summary; });
    Heartbeat heartbeat;
    heartbeat.start();
    QElapsedTimer clock;
    clock.start();
    window.QueueModel->append(QueueEntry::make(QueueEntry::DownloadFolder, folder, {}, QDir(args[6]).absolutePath() + '/'));
    if (runner.RunQueue() == 0 || !spinUntil([&] { return result.id != 0; }, 600000)) {
        std::fprintf(stderr, "the batch did not run\n");
        return 1;
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    if (expand) {
        std::printf("expansion of %d entries: %.1f ms\n", queued, double(expansionNs) / 1e6);
    } else {
        std::printf("%d files in %.3f s (%.0f files/s), longest stall %.1f ms (%.1f ms CPU)\n", result.files, seconds,
                    result.files / seconds, double(heartbeat.longestNs) / 1e6, double(heartbeat.longestCpuNs) / 1e6);
    }
    std::fflush(stdout);
    session.Shutdown();
    return result.failed == 0 ? 0 : 3;
}
