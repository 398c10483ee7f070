// A 100,000-file archive of three chapters, made once with the stand-in
// archiver, listed end to end through the real machine: Jar started, its
// listing written, read and put into the grids. Beside it, the parts: the
// stand-in writing the listing alone, and Brak's reader on that listing.
#include "ContentsBench.h"
#include "contents/Contents.h"
#include "contents/DumpReader.h"
#include "ui/Brak.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace brak;
namespace fs = std::filesystem;

namespace {

constexpr int Files = 100'000;
const std::string Jar = std::string(BRAK_BIN_DIR) + "/JAR32.EXE";

std::string madeDirectory; // removed at the end

// The archive's directory, made the first time it is asked for.
const std::string& archiveDirectory() {
    static const std::string directory = [] {
        std::string made = (fs::temp_directory_path() / "brak-bench-XXXXXX").string();
        if (!::mkdtemp(made.data()))
            std::abort();
        madeDirectory = made;
        PosixPlatform platform;
        const int chapters[] = {40'000, 30'000, 30'000};
        int next = 0;
        for (int chapter = 0; chapter < 3; ++chapter) {
            const std::string list = made + "/chapter" + std::to_string(chapter) + ".LST";
            std::ofstream names(list);
            fs::create_directories(made + "/files/d" + std::to_string(chapter));
            for (int i = 0; i < chapters[chapter]; ++i, ++next) {
                const std::string name =
                    "files/d" + std::to_string(chapter) + "/file" + std::to_string(next) + ".txt";
                std::ofstream(made + "/" + name) << next;
                names << name << "\r\n";
            }
            names.close();
            const StartResult result = platform.runAndWait(
                {Jar, {Jar, chapter == 0 ? "a" : "ac", "big.j", "!" + list}, made});
            if (!result.started() || result.exitCode != 0)
                std::abort();
        }
        return made;
    }();
    return directory;
}

// The real machine: Jar runs and Brak waits for it.
struct Window {
    PosixPlatform platform;
    bench::NullDialogs dialogs;
    Brak brak{platform, dialogs};
    Window() {
        MainForm& f = brak.form();
        WriteGridHeadings(f.stChapter, f.stFile);
        f.edPath.setText(BRAK_BIN_DIR);
        f.Directory.setDirectory(archiveDirectory());
        f.edArchive.setText("big.j");
    }
};

void LoadContentsEndToEnd(benchmark::State& state) {
    archiveDirectory();
    Window window;
    for (auto _ : state) {
        if (window.brak.contents().LoadContents() != 0)
            state.SkipWithError("the listing failed");
    }
    state.counters["rows"] = static_cast<double>(window.brak.contents().rowList().rowCount());
}
BENCHMARK(LoadContentsEndToEnd)->Unit(benchmark::kMillisecond)->Iterations(5);

void StandInWritesTheListing(benchmark::State& state) {
    const std::string& directory = archiveDirectory();
    PosixPlatform platform;
    for (auto _ : state)
        platform.runAndWait({Jar, {Jar, "lt", "big.j", "listing.dmp"}, directory});
}
BENCHMARK(StandInWritesTheListing)->Unit(benchmark::kMillisecond)->Iterations(5);

void ReaderReadsThatListing(benchmark::State& state) {
    const std::string name = archiveDirectory() + "/listing.dmp";
    if (!fs::exists(name))
        PosixPlatform().runAndWait({Jar, {Jar, "lt", "big.j", "listing.dmp"}, archiveDirectory()});
    for (auto _ : state) {
        DumpReader reader;
        readDumpFile(name, reader);
        benchmark::DoNotOptimize(reader.rows().rowCount());
    }
}
BENCHMARK(ReaderReadsThatListing)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    if (!madeDirectory.empty())
        fs::remove_all(madeDirectory, ignored);
    return 0;
}
