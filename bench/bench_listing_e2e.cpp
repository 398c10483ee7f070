// A million-file archive of three chapters, made once with the stand-in
// archiver and kept in the build folder, listed end to end through the real
// machine: Enter typed in the archive name field, Jar started, its listing
// written, read and put into the grids. Beside it, the parts: the stand-in
// writing the listing alone, and Brak's reader on that listing.
//
// bench_listing_e2e [files] [runs]
#include "ContentsBench.h"
#include "base/Threads.h"
#include "contents/Contents.h"
#include "contents/DumpReader.h"
#include "ui/Brak.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/resource.h>

using namespace brak;
namespace fs = std::filesystem;

namespace {

const std::string Jar = std::string(BRAK_BIN_DIR) + "/JAR32.EXE";
constexpr double TargetMs = 600;

// Jar's report of each file it adds goes nowhere.
void runJar(const std::string& arguments, const std::string& directory) {
    const std::string command =
        "cd '" + directory + "' && '" + Jar + "' " + arguments + " >/dev/null";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "%s failed\n", command.c_str());
        std::exit(1);
    }
}

// The archive, made the first time and kept: four tenths of the files in
// chapter 1, three tenths more in each of chapters 2 and 3 (which hold the
// files before them too). The files are made and added a batch at a time, so
// that the disk never holds more than one batch of them.
std::string archiveDirectory(std::size_t files) {
    const std::string directory =
        std::string(BRAK_BENCH_CACHE) + "/listing-" + std::to_string(files);
    if (fs::exists(directory + "/complete"))
        return directory;
    fs::remove_all(directory);
    fs::create_directories(directory);
    std::printf("making the %zu-file archive in %s (once)\n", files, directory.c_str());
    std::fflush(stdout);
    constexpr std::size_t Batch = 50'000;
    const std::size_t chapters[] = {files * 4 / 10, files * 3 / 10, files - files * 7 / 10};
    std::size_t next = 0;
    for (int chapter = 0; chapter < 3; ++chapter)
        for (std::size_t done = 0; done < chapters[chapter]; done += Batch) {
            const std::string folder =
                "files/d" + std::to_string(chapter) + "/b" + std::to_string(done / Batch);
            fs::create_directories(directory + "/" + folder);
            std::ofstream names(directory + "/batch.LST");
            for (std::size_t i = done; i < std::min(done + Batch, chapters[chapter]); ++i) {
                const std::string name = folder + "/file" + std::to_string(next) + ".txt";
                std::ofstream(directory + "/" + name) << next++;
                names << name << "\r\n";
            }
            names.close();
            const bool newChapter = chapter > 0 && done == 0;
            runJar(std::string(newChapter ? "ac" : "a") + " big.j !batch.LST", directory);
            fs::remove_all(directory + "/files");
        }
    fs::remove(directory + "/batch.LST");
    std::ofstream(directory + "/complete") << files << "\n";
    return directory;
}

// The real machine: Jar runs and Brak waits for it.
struct Window {
    PosixPlatform platform;
    bench::NullDialogs dialogs;
    Brak brak{platform, dialogs};
    explicit Window(const std::string& directory) {
        MainForm& f = brak.form();
        WriteGridHeadings(f.stChapter, f.stFile);
        f.edPath.setText(BRAK_BIN_DIR);
        f.Directory.setDirectory(directory);
        f.edArchive.setText("big.j");
    }
};

using Clock = std::chrono::steady_clock;

// Processor time of this process and of the children it waited for.
double cpuMs() {
    double ms = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        for (const timeval& t : {usage.ru_utime, usage.ru_stime})
            ms += static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    }
    return ms;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void measure(const char* name, int runs, double target, const std::function<void()>& run) {
    std::vector<double> times, cpus;
    double cold = 0;
    for (int r = 0; r <= runs; ++r) {
        const double cpuBefore = cpuMs();
        const auto start = Clock::now();
        run();
        const double took = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (r == 0) {
            cold = took; // the first run meets cold caches and fresh memory
            continue;
        }
        times.push_back(took);
        cpus.push_back(cpuMs() - cpuBefore);
    }
    const double t = median(times);
    std::printf("%-28s %8.1f %9.1f %7.1f  %s\n", name, cold, t, median(cpus),
                target > 0 ? (t <= target ? "<= 600 ms met" : "<= 600 ms MISSED") : "");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t files = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1'000'000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::string directory = archiveDirectory(std::max<std::size_t>(files, 10));

    Window window(directory);
    MainForm& f = window.brak.form();
    std::printf("bench_listing_e2e: %zu files, %u cores; each figure is the median of %d runs\n"
                "after a first (cold) one; cpu ms: processor time of Brak and of Jar.\n\n",
                files, coreCount(), runs);
    std::printf("%-28s %8s %9s %7s  %s\n", "figure", "cold ms", "median ms", "cpu ms", "target");
    measure("Enter -> filled grids", runs, TargetMs, [&] {
        f.stFile.setRowCount(1);
        f.edArchive.keyPress('\r');
        if (f.stFile.rowCount() < 2 || f.stFile.cell(0, 1) == "No Files") {
            std::fprintf(stderr, "the listing failed\n");
            std::exit(1);
        }
    });
    std::printf("  (%d chapters, %d files shown, %llu rows)\n", f.stChapter.rowCount() - 1,
                f.stFile.rowCount() - 1,
                static_cast<unsigned long long>(window.brak.contents().rowList().rowCount()));
    measure("  Jar writes the listing", runs, 0,
            [&] { runJar("lt big.j listing.dmp", directory); });
    measure("  Brak reads that listing", runs, 0, [&] {
        DumpReader reader;
        readDumpFile(directory + "/listing.dmp", reader);
    });
    measure("  the last chapter shown", runs, 0,
            [&] { window.brak.contents().SelectChapter(f.stChapter.rowCount() - 1); });
    fs::remove(directory + "/listing.dmp");
    return 0;
}
