// Log console figures (offscreen): adding a line with 200 and with 30,000 lines held, with and
// without a repaint after each line, and the re-wrap of 30,000 lines after a resize.
#include "console/xconsole.h"
#include "guibenchmain.h"

#include <QApplication>
#include <QFont>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

const TColor Kinds[] = {clBlack, clGreen, clNavy, clRed};

// Session-like lines: short commands, replies, now and then one that wraps.
QString LogText(int n)
{
    switch (n % 5) {
    case 0: return QStringLiteral("PASV");
    case 1: return QStringLiteral("227 Entering Passive Mode (127,0,0,1,195,%1).").arg(n % 256);
    case 2: return QStringLiteral("RETR file-%1.bin").arg(n);
    case 3: return QStringLiteral("150 Opening BINARY mode data connection for file-%1.bin (1048576 bytes).").arg(n);
    default:
        return QStringLiteral("226 Transfer complete. %1 bytes received in 0.42 seconds; the rest of this line is long "
                              "enough to wrap onto a second row of the console at its usual width.")
            .arg(n * 1024);
    }
}

std::unique_ptr<TcXConsole> MakeConsole(int held)
{
    auto console = std::make_unique<TcXConsole>();
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(12);
    console->setFont(font);
    console->SetScrollBars(TcXConsole::ssVertical);
    console->SetURLRecognize(false);  // as the program's consoles run
    console->SetMaxLines(held);
    console->resize(800, 300);
    console->show();
    console->FinishRewrap();
    for (int i = 0; i < held + 1; ++i)
        console->AddLine(LogText(i), Kinds[i % 4]);
    QCoreApplication::processEvents();
    return console;
}

void AddLine(benchmark::State& state, bool paintEach)
{
    const int held = int(state.range(0));
    auto console = MakeConsole(held);
    int n = 0;
    for (auto _ : state) {
        console->AddLine(LogText(n), Kinds[n % 4]);
        ++n;
        if (paintEach || n % 1000 == 0)
            QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["held"] = console->Count();
}

void BM_AddLine(benchmark::State& state) { AddLine(state, false); }
void BM_AddLinePainted(benchmark::State& state) { AddLine(state, true); }

void BM_ResizeRewrap(benchmark::State& state)
{
    const int held = int(state.range(0));
    auto console = MakeConsole(held);
    bool narrow = false;
    for (auto _ : state) {
        narrow = !narrow;
        console->resize(narrow ? 640 : 800, 300);
        while (console->Rewrapping())
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();  // and the repaint that follows
    }
    state.counters["held"] = console->Count();
    state.counters["rows"] = double(console->TotalHeight() / console->RowHeight());
}

}  // namespace

BENCHMARK(BM_AddLine)->Arg(200)->Arg(30000);
BENCHMARK(BM_AddLinePainted)->Arg(200)->Arg(30000);
BENCHMARK(BM_ResizeRewrap)->Arg(30000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runGuiBenchmarks(argc, argv);
}
