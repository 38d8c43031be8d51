// The main window's file views with 100,000 entries: reading a local directory into the
// local view, and showing a cached remote listing (parse, rows, sort, column fit). Offscreen.
#include "app/filepanel.h"
#include "app/mainwindow.h"
#include "controls/orvoview.h"
#include "engine/ftp.h"
#include "session/localdir.h"
#include "session/sessioncontroller.h"
#include "session/viewtext.h"
#include "guibenchmain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int Entries = 100000;

// 100,000 files (10% of them directories) with sizes and times spread like a download
// folder's; made once.
QString makeBigDirectory(const QTemporaryDir& dir)
{
    {
        QRandomGenerator random(7);
        const QByteArray base = QFile::encodeName(dir.path()) + '/';
        for (int i = 0; i < Entries; ++i) {
            const QByteArray name = base + QByteArray::number(random.generate(), 36) + '_' + QByteArray::number(i);
            if (i % 10 == 0) {
                ::mkdir(name.constData(), 0755);
            } else {
                const int fd = ::open((name + ".dat").constData(), O_CREAT | O_WRONLY, 0644);
                ::ftruncate(fd, off_t(random.bounded(5000000)));
                const timespec times[2] = {{0, UTIME_OMIT}, {time_t(1100000000 + random.bounded(630000000)), 0}};
                ::futimens(fd, times);
                ::close(fd);
            }
        }
    }
    return dir.path();
}

const QString& bigDirectory()
{
    static QTemporaryDir dir;
    static const QString path = makeBigDirectory(dir);
    return path;
}

struct Window
{
    Window()
    {
        qputenv("ORVOFTP_HOME", home.path().toUtf8());
        window = std::make_unique<TfrmMain>();
        window->resize(1000, 700);
        window->show();
        QApplication::processEvents();
    }
    QTemporaryDir home;
    std::unique_ptr<TfrmMain> window;
};

void BM_ReadLocalDirectory(benchmark::State& state)
{
    const QString dir = bigDirectory();
    std::vector<TLocalEntry> entries;
    for (auto _ : state)
        ReadLocalDirectory(dir, entries);
    state.counters["entries"] = double(entries.size());
}

void BM_ListLocal(benchmark::State& state)
{
    const QString dir = bigDirectory();
    Window w;
    w.window->EnterLocalDirectory(dir);
    for (auto _ : state) {
        w.window->ListLocal();
        QApplication::processEvents();  // the view lays the rows out and paints
    }
    state.counters["rows"] = w.window->LocalPanel->View()->Count();
}

void BM_FileTimeTexts(benchmark::State& state)
{
    // 0: QDateTime in local time and QLocale, as a plain implementation would; 1: ours.
    const bool own = state.range(0) == 1;
    TDateTimeTexts texts;
    const QLocale locale;
    const QString format = locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') + LongTimeFormat();
    for (auto _ : state) {
        for (int i = 0; i < Entries; ++i) {
            const qint64 ms = (1100000000 + qint64(i) * 6301) * 1000;
            benchmark::DoNotOptimize(own ? texts.text(ms) : locale.toString(QDateTime::fromMSecsSinceEpoch(ms), format));
        }
    }
}

void BM_RemoteFromCache(benchmark::State& state)
{
    Window w;
    TfrmMain& window = *w.window;
    SessionController& session = *window.Session;
    TListingCache& cache = session.Remote().cache();
    QRandomGenerator random(11);
    session.SetTempDir(w.home.path() + QLatin1Char('/'));
    cache.beginEntry(QStringLiteral("/big/"));
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < Entries; ++i) {
        const bool folder = i % 10 == 0;
        cache.writeLine(QStringLiteral("%1 1 owner group %2 %3 %4 %5 %6")
                                          .arg(folder ? "drwxr-xr-x" : "-rw-r--r--")
                                          .arg(random.bounded(5000000))
                                          .arg(QLatin1String(months[random.bounded(12)]))
                                          .arg(1 + random.bounded(28), 2)
                                          .arg(random.bounded(2) ? QStringLiteral("2019") : QStringLiteral("12:34"))
                                          .arg(QString::number(random.generate(), 36) + QStringLiteral(".bin")));
    }
    cache.endEntry();
    session.Ftp().InitialDirectory = QStringLiteral("/big/");
    session.Remote().setCurrentDirectory(QStringLiteral("/big/"));
    for (auto _ : state) {
        session.ShowCachedListing(0);
        QApplication::processEvents();
    }
    state.counters["rows"] = window.RemotePanel->View()->Count();
}

}  // namespace

BENCHMARK(BM_ReadLocalDirectory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListLocal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileTimeTexts)->ArgName("own")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoteFromCache)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runGuiBenchmarks(argc, argv);
}
