// The View tab with a million files: reading the listing, showing a chapter,
// sorting the file grid by size, name and date, and narrowing it as each key
// is typed into the filter field.
#include "ContentsBench.h"
#include "contents/Contents.h"
#include "contents/DumpReader.h"
#include "ui/Brak.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

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

// The listing as Jar leaves it: a real file, removed at exit. It is on the
// disk before anything is measured, so that no writing back of it competes
// with the reading.
class ListingFile {
public:
    ListingFile() {
        char name[] = "/tmp/brak-bench-XXXXXX";
        const int fd = ::mkstemp(name);
        name_ = name;
        if (fd < 0)
            return;
        for (std::size_t at = 0; at < listing().size();) {
            const ::ssize_t written = ::write(fd, listing().data() + at, listing().size() - at);
            if (written <= 0)
                break;
            at += static_cast<std::size_t>(written);
        }
        ::fsync(fd);
        ::close(fd);
    }
    ~ListingFile() { std::remove(name_.c_str()); }
    const std::string& name() const { return name_; }

private:
    std::string name_;
};

const std::string& listingFile() {
    static const ListingFile file;
    return file.name();
}

// What reading the file costs at the least: the pieces the reader gets and
// one search for each line end. The reader is measured against it.
std::size_t readReference(const std::string& name) {
    static std::vector<char> buffer(std::size_t{1} << 16);
    std::FILE* file = std::fopen(name.c_str(), "rb");
    std::size_t lines = 0;
    while (const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file)) {
        const char* at = buffer.data();
        const char* end = at + got;
        while (const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at))) {
            at = static_cast<const char*>(found) + 1;
            ++lines;
        }
    }
    std::fclose(file);
    return lines;
}

void ReadFileReference(benchmark::State& state) {
    const std::string& name = listingFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(readReference(name));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * listing().size()));
}
BENCHMARK(ReadFileReference)->Unit(benchmark::kMillisecond)->Iterations(5);

// Brak's reader, and beside it how many times the reference it takes: each
// reading is paired with a reference pass just before it, so that a machine
// busy with other work weighs on both alike.
void ReadDumpFile(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const std::string& name = listingFile();
    Clock::duration reference{}, reading{};
    for (auto _ : state) {
        state.PauseTiming();
        const auto before = Clock::now();
        benchmark::DoNotOptimize(readReference(name));
        reference += Clock::now() - before;
        state.ResumeTiming();
        const auto start = Clock::now();
        auto reader = std::make_unique<DumpReader>();
        readDumpFile(name, *reader);
        benchmark::DoNotOptimize(reader->rows().rowCount());
        reading += Clock::now() - start;
        // Reading ends here; giving the rows back is not part of it.
        state.PauseTiming();
        reader.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(Files);
    state.counters["x_reference"] =
        std::chrono::duration<double>(reading) / std::chrono::duration<double>(reference);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * listing().size()));
}
BENCHMARK(ReadDumpFile)->Unit(benchmark::kMillisecond)->Iterations(5);

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

// One keystroke in the filter field: the chapter's million files narrowed
// afresh to the names that hold the text, or match the mask; the empty text
// is the key that clears the field and shows them all again.
const char* const FilterTexts[] = {"file_0", "MODULE12", "*part1?/*.DAT", "", "\xC3\xA9t\xC3\xA9"};

void NarrowByFilter(benchmark::State& state) {
    Window& w = window();
    Edit& filter = w.brak.form().edFilter;
    const std::string text = FilterTexts[state.range(0)];
    w.brak.contents().SelectChapter(1);
    for (auto _ : state) {
        state.PauseTiming();
        filter.setText(text.empty() ? "x" : ""); // the text before the key
        state.ResumeTiming();
        filter.setText(text);
    }
    state.SetLabel(text.empty() ? "(cleared)" : text);
    state.counters["shown"] = w.brak.form().stFile.rowCount() - 1;
    filter.setText("");
}
BENCHMARK(NarrowByFilter)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
