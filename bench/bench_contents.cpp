// The View tab with a million files: reading the listing, showing a chapter,
// and sorting the file grid by size, name and date.
#include "ContentsBench.h"
#include "contents/Contents.h"
#include "contents/DumpReader.h"
#include "ui/Brak.h"

#include <benchmark/benchmark.h>

using namespace brak;

namespace {

constexpr std::size_t Files = 1'000'000;

const std::string& listing() {
    static const std::string text = [] {
        std::string all;
        bench::generateDump(Files, [&all](const std::string& piece) { all += piece; });
        return all;
    }();
    return text;
}

void feed(DumpReader& reader, const std::string& text) {
    // In the pieces a file is read in.
    constexpr std::size_t Piece = 1 << 16;
    for (std::size_t at = 0; at < text.size(); at += Piece)
        reader.feed(std::string_view(text).substr(at, Piece));
    reader.finish();
}

void ParseListing(benchmark::State& state) {
    const std::string& text = listing();
    for (auto _ : state) {
        DumpReader reader;
        feed(reader, text);
        benchmark::DoNotOptimize(reader.rows().rowCount());
    }
    state.counters["rows"] = static_cast<double>(Files);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(ParseListing)->Unit(benchmark::kMillisecond)->Iterations(3);

// A window holding the listing, as LoadContents leaves it.
struct Window {
    bench::NullPlatform platform;
    bench::NullDialogs dialogs;
    Brak brak{platform, dialogs};
    Window() {
        WriteGridHeadings(brak.form().stChapter, brak.form().stFile);
        DumpReader reader;
        feed(reader, listing());
        brak.contents().applyListing(reader);
    }
};

Window& window() {
    static Window w;
    return w;
}

void SelectChapter(benchmark::State& state) {
    Window& w = window();
    for (auto _ : state) {
        w.brak.contents().SelectChapter(1);
        benchmark::DoNotOptimize(w.brak.form().stFile.rowCount());
    }
    state.counters["rows"] = w.brak.form().stFile.rowCount() - 1;
}
BENCHMARK(SelectChapter)->Unit(benchmark::kMillisecond)->Iterations(5);

void SortBy(benchmark::State& state) {
    Window& w = window();
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        w.brak.contents().SelectChapter(1); // the listing's order again
        state.ResumeTiming();
        w.brak.contents().stFileSelectCell(column, 1);
    }
    state.SetLabel(w.brak.form().stFile.cell(column, 0));
}
BENCHMARK(SortBy)
    ->Arg(ColSize)
    ->Arg(ColName)
    ->Arg(ColModifyDate)
    ->Arg(ColFlags)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

BENCHMARK_MAIN();
