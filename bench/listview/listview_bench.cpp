// The file list view with 100,000 rows: sorting by name, size and date, filling the view,
// fitting its columns and switching to the list style. Runs offscreen.
#include "controls/columnfit.h"
#include "controls/orvoview.h"
#include "guibenchmain.h"

#include <QApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QTreeView>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <random>

namespace {

constexpr int Rows = 100000;

// A listing like a large local directory: "..", 10% directories, 2% links, the rest files with
// sizes up to 10 GB and dates over twenty years, in the views' own text formats.
std::vector<TListItem> makeListing()
{
    QRandomGenerator random(42);
    const QLocale locale;
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ')
                               + locale.timeFormat(QLocale::LongFormat);
    const QDateTime start(QDate(2005, 1, 1), QTime(0, 0));
    const char* extensions[] = {"txt", "jpg", "tar.gz", "c", "h", "PDF", "doc", "iso"};
    std::vector<TListItem> items;
    items.push_back({QStringLiteral(".."), {}, 0});
    for (int i = 1; i < Rows; ++i) {
        const quint32 roll = random.bounded(100);
        const int kind = roll < 10 ? 1 : roll < 12 ? 2 : 3;
        QString name = QStringLiteral("%1_%2").arg(random.bounded(1000000), 6, 10, QLatin1Char('0'))
                           .arg(QString::number(random.generate(), 36));
        if (kind == 3)
            name += QLatin1Char('.') + QLatin1String(extensions[random.bounded(8)]);
        const QString size = kind == 1 ? QString() : locale.toString(qint64(random.bounded(10000000000.0)));
        const QString date = locale.toString(start.addSecs(qint64(random.bounded(630000000))), dateFormat);
        items.push_back({name, {size, date}, kind});
    }
    return items;
}

const std::vector<TListItem>& listing()
{
    static const std::vector<TListItem> items = makeListing();
    return items;
}

void setUp(TOrvoListView& view)
{
    view.AddColumn(QStringLiteral("Name"), 100);
    view.AddColumn(QStringLiteral("Size"), 65, Qt::AlignRight);
    view.AddColumn(QStringLiteral("Date"), 100);
    view.resize(800, 600);
    view.show();
}

void fill(TOrvoListView& view, const std::vector<TListItem>& items)
{
    view.BeginUpdate();
    view.Clear();
    for (const TListItem& item : items)
        view.AddItem(item);
    view.EndUpdate();
}

// Lets the views do their delayed layout and paint the visible rows.
void settle(TOrvoListView& view)
{
    QCoreApplication::processEvents();
    view.repaint();
}

void sortBench(benchmark::State& state, int column)
{
    TOrvoListView view;
    setUp(view);
    std::vector<TListItem> items = listing();
    std::mt19937 shuffle(7);
    for (auto _ : state) {
        state.PauseTiming();
        std::shuffle(items.begin(), items.end(), shuffle);
        fill(view, items);
        settle(view);
        state.ResumeTiming();
        view.SortFiles(column, true, false);
        settle(view);
    }
    state.counters["rows"] = view.Count();
}

// The order alone (keys and comparisons), without moving rows or updating views.
void BM_SortOrderOnly(benchmark::State& state)
{
    std::vector<TListItem> items = listing();
    std::mt19937 shuffle(7);
    std::shuffle(items.begin(), items.end(), shuffle);
    const auto field = TSortField(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(FileSortOrder(items, {field, true, false}));
}

void BM_SortByName(benchmark::State& state) { sortBench(state, 0); }
void BM_SortBySize(benchmark::State& state) { sortBench(state, 1); }
void BM_SortByDate(benchmark::State& state) { sortBench(state, 2); }

void BM_SortByExtension(benchmark::State& state)
{
    TOrvoListView view;
    setUp(view);
    fill(view, listing());
    for (auto _ : state) {
        view.SortByExtension(true);
        state.PauseTiming();
        view.SortFiles(1, true, true);  // leave a different order for the next round
        state.ResumeTiming();
    }
}

// The listing path: rows added one by one inside BeginUpdate/EndUpdate, then shown.
void BM_Fill(benchmark::State& state)
{
    TOrvoListView view;
    setUp(view);
    const std::vector<TListItem>& items = listing();
    for (auto _ : state) {
        fill(view, items);
        settle(view);
    }
    state.counters["rows"] = view.Count();
}

// The same rows without BeginUpdate: one insertion notice per row.
void BM_FillUnbatched(benchmark::State& state)
{
    TOrvoListView view;
    setUp(view);
    const std::vector<TListItem>& items = listing();
    for (auto _ : state) {
        view.Clear();
        for (const TListItem& item : items)
            view.AddItem(item);
        settle(view);
    }
}

void BM_FitColumns(benchmark::State& state)
{
    TOrvoListView view;
    setUp(view);
    fill(view, listing());
    settle(view);
    for (auto _ : state)
        FitColumns(view);
}

void switchBench(benchmark::State& state, TViewStyle style)
{
    TOrvoListView view;
    setUp(view);
    fill(view, listing());
    settle(view);
    for (auto _ : state) {
        view.SetViewStyle(style);
        settle(view);
        state.PauseTiming();
        view.SetViewStyle(vsReport);
        settle(view);
        state.ResumeTiming();
    }
}

void BM_SwitchToListStyle(benchmark::State& state) { switchBench(state, vsList); }
void BM_SwitchToLargeIcons(benchmark::State& state) { switchBench(state, vsIcon); }

}  // namespace

BENCHMARK(BM_SortByName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortBySize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByDate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByExtension)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortOrderOnly)->ArgName("field")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillUnbatched)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SwitchToListStyle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SwitchToLargeIcons)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runGuiBenchmarks(argc, argv);
}
