// Lines per second of the listing parser on listings shaped like real ones, and the cost of
// very long lines (which must grow with the length, not its square).
#include "engine/listparser.h"

#include <QLocale>
#include <QStringList>
#include <benchmark/benchmark.h>

namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QString fileName(int i)
{
    static const char* const stems[] = {"README", "release-notes", "linux-6.1.12", "photo_2019",
                                        "backup of home", "index", "setup", "data-export"};
    static const char* const types[] = {".tar.gz", ".txt", ".html", ".jpg", ".zip", "", ".iso", ".csv"};
    return QStringLiteral("%1-%2%3").arg(QLatin1String(stems[i % 8])).arg(i).arg(QLatin1String(types[(i / 8) % 8]));
}

// ls -l as common servers write it: mostly files, some directories and links, recent files
// with a time, older ones with a year.
QStringList unixListing(int count)
{
    QStringList lines;
    lines << QStringLiteral("total %1").arg(count * 8);
    for (int i = 0; i < count; ++i) {
        const char* mode = i % 10 == 0 ? "drwxr-xr-x" : i % 25 == 1 ? "lrwxrwxrwx" : "-rw-r--r--";
        const qint64 size = (qint64(i) * 7919 * 104729) % 5000000000LL;
        const QString when = i % 3 == 0 ? QStringLiteral("%1:%2").arg(i % 24, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0'))
                                        : QString::number(1995 + i % 29);
        QString line = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                           .arg(QLatin1String(mode))
                           .arg(1 + i % 9, 3)
                           .arg(QStringLiteral("ftp"), -8)
                           .arg(QStringLiteral("ftpusers"), -8)
                           .arg(size, 12)
                           .arg(QLatin1String(kMonths[i % 12]))
                           .arg(1 + i % 28, 2)
                           .arg(when, 5)
                           .arg(fileName(i));
        if (mode[0] == 'l')
            line += QStringLiteral(" -> ../shared/") + fileName(i + 1);
        lines << line;
    }
    return lines;
}

// IIS in its DOS style.
QStringList ntListing(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        const QString date = QStringLiteral("%1-%2-%3  %4:%5%6")
                                 .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                                 .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                                 .arg((95 + i) % 100, 2, 10, QLatin1Char('0'))
                                 .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                                 .arg(i % 60, 2, 10, QLatin1Char('0'))
                                 .arg(i % 2 ? QStringLiteral("PM") : QStringLiteral("AM"));
        const QString column = i % 10 == 0 ? QStringLiteral("       <DIR>         ")
                                           : QStringLiteral("%1").arg((qint64(i) * 104729) % 900000000, 20);
        lines << date + column + QLatin1Char(' ') + fileName(i);
    }
    return lines;
}

void parseAll(benchmark::State& state, TFTPServerType type, const QStringList& lines)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TListParser parser;
    qint64 accepted = 0;
    for (auto _ : state) {
        for (const QString& line : lines) {
            ListEntry entry;
            accepted += parser.ParseListLine(type, line, entry);
            benchmark::DoNotOptimize(entry);
        }
    }
    state.SetItemsProcessed(state.iterations() * lines.size());
    state.counters["accepted"] = double(accepted) / double(state.iterations());
}

void BM_UnixListing(benchmark::State& state)
{
    parseAll(state, ftpstUNIX, unixListing(1000));
}
BENCHMARK(BM_UnixListing);

void BM_NtListing(benchmark::State& state)
{
    parseAll(state, ftpstWinNT, ntListing(1000));
}
BENCHMARK(BM_NtListing);

// One line of the given length: a long name, a long run of spaces, many short words.
QStringList longLines(int length)
{
    const QString head = QStringLiteral("-rw-r--r-- 1 ftp ftp 1234 Jan 5 2001 ");
    QString words;
    while (words.size() < length)
        words += QStringLiteral("ab -");
    return {head + QString(length, QLatin1Char('n')), QLatin1Char('-') + QString(length, QLatin1Char(' ')) + QLatin1Char('x'),
            words.left(length), QStringLiteral("01-15-99  10:30PM  1 ") + QString(length, QLatin1Char('n')),
            QString(length, QLatin1Char('N')) + QStringLiteral(";1")};
}

void BM_LongLines(benchmark::State& state)
{
    const int length = int(state.range(0));
    const QStringList lines = longLines(length);
    TListParser parser;
    for (auto _ : state) {
        for (int type : {ftpstUNIX, ftpstWinNT, ftpstVmsUcx, ftpstVM, ftpstVMVPS, ftpstMacOS}) {
            for (const QString& line : lines) {
                ListEntry entry;
                benchmark::DoNotOptimize(parser.ParseListLine(TFTPServerType(type), line, entry));
            }
        }
    }
    state.SetBytesProcessed(state.iterations() * 6 * lines.size() * qint64(length) * 2);
}
BENCHMARK(BM_LongLines)->Arg(4096)->Arg(16384)->Arg(65536);

}  // namespace

BENCHMARK_MAIN();
