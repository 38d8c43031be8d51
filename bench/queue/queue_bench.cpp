// The transfer queue with its list: adding, reordering, deleting and clearing entries at
// several queue sizes, and queue files of 100,000 entries. Each figure includes the list's
// update, its one column fit and a paint, as the window does them. Runs offscreen.
#include "app/queueview.h"
#include "controls/columnfit.h"
#include "controls/orvoview.h"
#include "guibenchmain.h"
#include "transfers/queuebuilder.h"
#include "transfers/queuefile.h"
#include "transfers/transferqueue.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A remote selection like a large mirror directory: folders and files with sizes up to 10 GB.
std::vector<FileEntry> selection(int count)
{
    std::vector<FileEntry> items;
    items.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        FileEntry item;
        item.kind = i % 10 == 0 ? FileEntry::Folder : FileEntry::File;
        item.name = item.isFolder() ? QStringLiteral("release-%1").arg(i)
                                    : QStringLiteral("package-%1_amd64.tar.gz").arg(i);
        item.size = item.isFolder() ? 4096 : qint64(i) * 104729 % 10000000000LL;
        items.push_back(std::move(item));
    }
    return items;
}

QueueSelection remoteSelection(std::vector<FileEntry> items)
{
    return {QueueSide::Remote, std::move(items), QStringLiteral("/home/user/Downloads/"),
            QStringLiteral("/pub/mirror/debian/pool/main/"), {}, false};
}

// The queue and its list as the main window has them.
struct QueueUnderTest
{
    QueueUnderTest()
        : view(queue, list)
    {
        list.resize(800, 300);
        list.show();
        settle();
    }
    void fill(int count)
    {
        queue.clear();
        AddSelectionToQueue(queue, remoteSelection(selection(count)), nullptr);
        settle();
    }
    // The fit that was scheduled runs, the list lays out and paints.
    void settle()
    {
        QCoreApplication::processEvents();
        list.repaint();
    }

    TransferQueue queue;
    TOrvoListView list;
    QueueView view;
};

void perEntry(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// N selections of one entry each (N clicks of "Add to queue"): one fit per turn of the event
// loop, not one per entry.
void BM_AddOneByOne(benchmark::State& state)
{
    QueueUnderTest q;
    const std::vector<FileEntry> items = selection(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        q.queue.clear();
        q.settle();
        state.ResumeTiming();
        for (const FileEntry& item : items)
            AddSelectionToQueue(q.queue, remoteSelection({item}), nullptr);
        q.settle();
    }
    perEntry(state);
}

// One selection of N entries.
void BM_AddSelection(benchmark::State& state)
{
    QueueUnderTest q;
    const std::vector<FileEntry> items = selection(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        q.queue.clear();
        q.settle();
        state.ResumeTiming();
        AddSelectionToQueue(q.queue, remoteSelection(items), nullptr);
        q.settle();
    }
    perEntry(state);
}

// What a column fit after every added entry would cost instead.
void BM_AddOneByOneFittingEachEntry(benchmark::State& state)
{
    QueueUnderTest q;
    const std::vector<FileEntry> items = selection(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        q.queue.clear();
        q.settle();
        state.ResumeTiming();
        for (const FileEntry& item : items) {
            AddSelectionToQueue(q.queue, remoteSelection({item}), nullptr);
            FitColumns(q.list);
        }
        q.settle();
    }
    perEntry(state);
}

// "Move Down" N-1 times: the first entry walks to the end, the selection with it.
void BM_MoveDownStepwise(benchmark::State& state)
{
    QueueUnderTest q;
    q.fill(int(state.range(0)));
    for (auto _ : state) {
        for (int row = 0; row + 1 < q.queue.count(); ++row) {
            q.queue.moveDown(row, false);
            q.view.SelectRows({row + 1});
        }
        q.settle();
    }
    perEntry(state);
}

// Every other entry dragged to the front of the queue in one drop.
void BM_DragHalfToFront(benchmark::State& state)
{
    QueueUnderTest q;
    q.fill(int(state.range(0)));
    std::vector<int> rows;
    for (int row = 1; row < q.queue.count(); row += 2)
        rows.push_back(row);
    for (auto _ : state) {
        q.view.SelectRows(q.queue.moveRows(rows, 0, false));
        q.settle();
    }
    perEntry(state);
}

// Every other entry selected and deleted.
void BM_DeleteHalf(benchmark::State& state)
{
    QueueUnderTest q;
    for (auto _ : state) {
        state.PauseTiming();
        q.fill(int(state.range(0)));
        std::vector<quint64> ids;
        for (int row = 0; row < q.queue.count(); row += 2)
            ids.push_back(q.queue.at(row).id);
        state.ResumeTiming();
        q.queue.removeIds(ids);
        q.settle();
    }
    perEntry(state);
}

// One completed file: the batch removes its entry by identity (one operation on a queue of N).
void BM_RemoveRunningEntry(benchmark::State& state)
{
    QueueUnderTest q;
    q.fill(int(state.range(0)));
    const QueueEntry spare = q.queue.at(1);
    for (auto _ : state) {
        q.queue.removeById(q.queue.first()->id);
        q.settle();
        state.PauseTiming();
        q.queue.append(spare);
        q.settle();
        state.ResumeTiming();
    }
}

void BM_Clear(benchmark::State& state)
{
    QueueUnderTest q;
    for (auto _ : state) {
        state.PauseTiming();
        q.fill(int(state.range(0)));
        state.ResumeTiming();
        q.queue.clear();
        q.settle();
    }
    perEntry(state);
}

void BM_SaveQueueFile(benchmark::State& state)
{
    QTemporaryDir dir;
    QueueUnderTest q;
    q.fill(int(state.range(0)));
    const QString path = dir.filePath(QStringLiteral("big.oqf"));
    for (auto _ : state) {
        if (!QueueFile::write(path, q.queue.entries()).ok)
            state.SkipWithError("write failed");
    }
    state.counters["bytes"] = double(QFileInfo(path).size());
    perEntry(state);
}

// Reading the file, appending its entries to the queue and showing them.
void BM_LoadQueueFile(benchmark::State& state)
{
    QTemporaryDir dir;
    QueueUnderTest q;
    q.fill(int(state.range(0)));
    const QString path = dir.filePath(QStringLiteral("big.oqf"));
    QueueFile::write(path, q.queue.entries());
    for (auto _ : state) {
        state.PauseTiming();
        q.queue.clear();
        q.settle();
        state.ResumeTiming();
        q.queue.append(QueueFile::read(path).entries);
        q.settle();
    }
    perEntry(state);
}

// The file alone: read and decode, no queue.
void BM_ReadQueueFileOnly(benchmark::State& state)
{
    QTemporaryDir dir;
    QueueUnderTest q;
    q.fill(int(state.range(0)));
    const QString path = dir.filePath(QStringLiteral("big.oqf"));
    QueueFile::write(path, q.queue.entries());
    for (auto _ : state)
        benchmark::DoNotOptimize(QueueFile::read(path));
    perEntry(state);
}

void sizes(benchmark::internal::Benchmark* b)
{
    b->ArgName("entries")->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_AddOneByOne)->Apply(sizes);
BENCHMARK(BM_AddSelection)->Apply(sizes);
BENCHMARK(BM_AddOneByOneFittingEachEntry)->ArgName("entries")->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveDownStepwise)->Apply(sizes);
BENCHMARK(BM_DragHalfToFront)->Apply(sizes);
BENCHMARK(BM_DeleteHalf)->Apply(sizes);
BENCHMARK(BM_RemoveRunningEntry)->ArgName("entries")->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Clear)->Apply(sizes);
BENCHMARK(BM_SaveQueueFile)->ArgName("entries")->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadQueueFile)->ArgName("entries")->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadQueueFileOnly)->ArgName("entries")->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runGuiBenchmarks(argc, argv);
}
