// Jar's console: a listing of 100,000 lines fed to the terminal screen in
// the pieces a terminal delivers, plain and coloured, with and without the
// log of the lines that scroll away; and the text of a full selection.
#include "console/TerminalScreen.h"
#include "run/RunLog.h"

#include <benchmark/benchmark.h>
#include <cstdio>

using namespace brak;

namespace {

constexpr int Lines = 100000;

// Lines as a listing shows them, each ended the way a terminal ends it.
std::string listing(bool coloured) {
    std::string text;
    for (int n = 1; n <= Lines; ++n) {
        char line[160];
        if (coloured)
            std::snprintf(line, sizeof line,
                          "\x1b[37m%08d  2026/12/06 14:30:05  \x1b[32mA....\x1b[37m  1-1  "
                          "\x1b[96msome/path/file%06d.txt\x1b[0m\r\n",
                          n, n);
        else
            std::snprintf(line, sizeof line,
                          "%08d  2026/12/06 14:30:05  A....  1-1  some/path/file%06d.txt\r\n", n,
                          n);
        text += line;
    }
    return text;
}

void feed(TerminalScreen& screen, const std::string& text, std::size_t piece) {
    for (std::size_t at = 0; at < text.size(); at += piece)
        screen.feed(std::string_view(text).substr(at, piece));
}

void FeedListing(benchmark::State& state) {
    const bool coloured = state.range(0) != 0;
    const bool logged = state.range(1) != 0;
    const std::string text = listing(coloured);
    for (auto _ : state) {
        TerminalScreen screen({25, 80});
        CappedText log(RunLog::OutputLimit);
        if (logged)
            screen.setLineLog([&log](std::string_view line) { log.appendLine(line); });
        feed(screen, text, 4096);
        benchmark::DoNotOptimize(screen.scrollbackLines());
    }
    state.SetLabel(std::string(coloured ? "coloured" : "plain") + (logged ? ", logged" : ""));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(Lines) * state.iterations(),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(FeedListing)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Progress lines rewritten in place, as the stand-in archiver draws them.
void RewriteProgressLine(benchmark::State& state) {
    std::string text;
    for (int n = 0; n < Lines; ++n)
        text += "\rAdding some/path/file.txt  " + std::to_string(n % 100) + "%";
    for (auto _ : state) {
        TerminalScreen screen({25, 80});
        feed(screen, text, 4096);
        benchmark::DoNotOptimize(screen.cursor());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(RewriteProgressLine)->Unit(benchmark::kMillisecond)->Iterations(3);

// Copying everything the console holds: the scrollback and the screen.
void SelectAllText(benchmark::State& state) {
    TerminalScreen screen({25, 80});
    feed(screen, listing(true), 65536);
    for (auto _ : state) {
        const std::string text = screen.text({0, 0}, {screen.lineCount(), 0});
        benchmark::DoNotOptimize(text.size());
    }
}
BENCHMARK(SelectAllText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
