// The View tab with a million files: reading the listing, showing a chapter,
// sorting the file grid by size, name and date, and narrowing it as each key
// is typed into the filter field. Each figure is timed in several runs, each
// just after a plain read pass over the listing file, and printed beside that
// pass: a machine busy with other work weighs on both alike.
#include "ContentsBench.h"
#include "base/Threads.h"
#include "contents/Contents.h"
#include "contents/DumpReader.h"
#include "ui/Brak.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
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

using Clock = std::chrono::steady_clock;
volatile std::size_t lineSink = 0; // the pass's result is used, so the pass is made

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Processor time of the whole process, every thread: on a busy machine the
// work a figure takes, whatever share of the cores it was given.
double cpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A figure: what is set up before each run (not timed), what is timed, and
// what it must reach.
struct Figure {
    std::string name;
    std::function<void()> prepare, run, after;
    double maxMs = 0;   // 0: no limit
    double maxPass = 0; // times the plain pass; 0: no limit
};

std::string targetText(const Figure& f) {
    char text[64] = "";
    if (f.maxMs > 0 && f.maxPass > 0)
        std::snprintf(text, sizeof text, "<= %.0f ms, <= %.0f x", f.maxMs, f.maxPass);
    else if (f.maxMs > 0)
        std::snprintf(text, sizeof text, "<= %.0f ms", f.maxMs);
    else if (f.maxPass > 0)
        std::snprintf(text, sizeof text, "<= %.0f x", f.maxPass);
    return text;
}

void measure(const Figure& f, int runs) {
    std::vector<double> times, passes, cpus, passCpus;
    double cold = 0;
    for (int r = 0; r <= runs; ++r) {
        auto start = Clock::now();
        const double passCpuBefore = cpuMs();
        lineSink = readReference(listingFile());
        const double pass = msSince(start), passCpu = cpuMs() - passCpuBefore;
        if (f.prepare)
            f.prepare();
        start = Clock::now();
        const double cpuBefore = cpuMs();
        f.run();
        const double took = msSince(start), cpu = cpuMs() - cpuBefore;
        if (f.after)
            f.after();
        if (r == 0) {
            cold = took; // the first run meets cold caches and fresh memory
            continue;
        }
        times.push_back(took);
        passes.push_back(pass);
        cpus.push_back(cpu);
        passCpus.push_back(passCpu);
    }
    const double t = median(times), pass = median(passes), ratio = t / pass;
    const bool met = (f.maxMs <= 0 || t <= f.maxMs) && (f.maxPass <= 0 || ratio <= f.maxPass);
    std::printf("%-20s %8.1f %9.1f %7.1f %8.1f %8.1f %6.2f  %-19s %s\n", f.name.c_str(), cold, t,
                median(cpus), pass, median(passCpus), ratio, targetText(f).c_str(),
                f.maxMs > 0 || f.maxPass > 0 ? (met ? "met" : "MISSED") : "");
    std::fflush(stdout);
}

} // namespace

// bench_contents [runs] [part of a figure's name]
int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string only = argc > 2 ? argv[2] : "";
    listingFile(); // written, and on the disk, before anything is timed

    std::unique_ptr<DumpReader> reader;
    std::vector<Figure> figures;
    figures.push_back({"read listing", [&] { reader = std::make_unique<DumpReader>(); },
                       [&] { readDumpFile(listingFile(), *reader); }, [&] { reader.reset(); }, 0,
                       2}); // giving the rows back is not reading
    figures.push_back({"show chapter", {}, [] { window().brak.contents().SelectChapter(1); }, {}});
    const std::pair<int, double> sorts[] = {
        {ColSize, 80}, {ColName, 150}, {ColModifyDate, 80}, {ColFlags, 0}};
    for (const auto& [column, limit] : sorts)
        figures.push_back(
            {std::string("sort ") + FileHeadings[static_cast<std::size_t>(column)],
             [] { window().brak.contents().SelectChapter(1); }, // the listing's order
             [column = column] { window().brak.contents().stFileSelectCell(column, 1); },
             {},
             limit,
             column == ColName ? 3.0 : 0.0});
    // One keystroke in the filter field: the chapter's million files narrowed
    // afresh to the names that hold the text, or match the mask; the empty
    // text is the key that clears the field and shows them all again.
    for (const std::string text :
         {"file_0", "MODULE12", "*part1?/*.DAT", "", "\xC3\xA9t\xC3\xA9"}) {
        Edit& filter = window().brak.form().edFilter;
        figures.push_back({"filter " + (text.empty() ? std::string("(cleared)") : text),
                           [&filter, text] { filter.setText(text.empty() ? "x" : ""); },
                           [&filter, text] { filter.setText(text); },
                           {}});
    }

    std::printf("bench_contents: %zu files, %u cores; each figure is the median of %d runs after\n"
                "a first (cold) one, each run timed just after a plain read pass over the listing\n"
                "file (pieces read, one search per line end); x pass = median / pass; cpu ms,\n"
                "pass cpu: the median processor time of all threads.\n\n",
                Files, coreCount(), runs);
    std::printf("%-20s %8s %9s %7s %8s %8s %6s  %-19s\n", "figure", "cold ms", "median ms",
                "cpu ms", "pass ms", "pass cpu", "x pass", "target");
    for (const Figure& f : figures)
        if (f.name.find(only) != std::string::npos) {
            if (f.name.rfind("filter", 0) == 0)
                window().brak.contents().SelectChapter(1);
            measure(f, runs);
        }
    window().brak.form().edFilter.setText("");
    return 0;
}
