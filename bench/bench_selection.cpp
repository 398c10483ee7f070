// The Selection tab over a directory of 100,000 files (made in a temporary
// directory, removed at the end): reading it into the file list, selecting
// by masks, showing both in the window, a click in a list with every other
// file selected, and opening a directory of 5,000 directories in the tree.
#include "ContentsBench.h"
#include "base/MaskMatcher.h"
#include "ui/Brak.h"
#include "view/Binding.h"
#include "view/SelectionWidgets.h"

#include <QApplication>
#include <QTest>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

using namespace brak;

namespace {

constexpr int Files = 100'000;
constexpr int Directories = 5'000;

// The directories the benchmarks read, made once.
struct Disk {
    std::string root;
    std::string big, small, tree;
    Disk() {
        char pattern[] = "/tmp/brak-bench-XXXXXX";
        root = ::mkdtemp(pattern);
        big = root + "/big";
        small = root + "/small";
        tree = root + "/tree";
        for (const std::string& d : {big, small, tree})
            std::filesystem::create_directory(d);
        char name[64];
        // Names of every sort, .txt and .doc taking turns in the list's order.
        for (int i = 0; i < Files; ++i) {
            std::snprintf(name, sizeof name, "/%s-%06d.%s", i % 3 ? "Report" : "notes", i / 2,
                          i % 2 ? "doc" : "TXT");
            const int fd = ::open((big + name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd >= 0)
                ::close(fd);
        }
        ::close(::open((small + "/one.txt").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        for (int i = 0; i < Directories; ++i) {
            std::snprintf(name, sizeof name, "/folder-%05d", i);
            std::filesystem::create_directory(tree + name);
        }
    }
    ~Disk() { std::filesystem::remove_all(root); }
};

Disk& disk() {
    static Disk made;
    return made;
}

// The model of the window with its handlers, masks mode, "*.txt" typed.
struct Model {
    bench::NullPlatform platform;
    bench::NullDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
    Model() { f.edContentMask.setText("*.txt"); }
};

void ReadDirectoryIntoTheFileList(benchmark::State& state) {
    Model m;
    for (auto _ : state) {
        state.PauseTiming();
        m.f.Directory.setDirectory(disk().small);
        state.ResumeTiming();
        m.f.Directory.setDirectory(disk().big);
    }
    state.counters["files"] = static_cast<double>(m.f.FileList1.items().size());
    state.counters["selected"] = static_cast<double>(m.f.FileList1.selectedCount());
}
BENCHMARK(ReadDirectoryIntoTheFileList)->Unit(benchmark::kMillisecond)->Iterations(5);

// What the file list reads, and, for comparison, a listing with every
// entry's attributes, which looks at each entry four times.
void ListFileNames(benchmark::State& state) {
    PosixPlatform platform;
    for (auto _ : state) {
        int error = 0;
        benchmark::DoNotOptimize(platform.listFileNames(disk().big, error).size());
    }
}
BENCHMARK(ListFileNames)->Unit(benchmark::kMillisecond)->Iterations(5);

void ListWithAttributes(benchmark::State& state) {
    PosixPlatform platform;
    for (auto _ : state) {
        int error = 0;
        benchmark::DoNotOptimize(platform.listDirectory(disk().big, error).size());
    }
}
BENCHMARK(ListWithAttributes)->Unit(benchmark::kMillisecond)->Iterations(5);

void ChangeTheMasks(benchmark::State& state) {
    Model m;
    m.f.Directory.setDirectory(disk().big);
    bool txt = false;
    for (auto _ : state) {
        m.f.edContentMask.setText(txt ? "*.txt" : "*.DOC notes-*");
        txt = !txt;
    }
    state.counters["selected"] = static_cast<double>(m.f.FileList1.selectedCount());
}
BENCHMARK(ChangeTheMasks)->Unit(benchmark::kMillisecond)->Iterations(10);

void MaskOfTenThousandCharacters(benchmark::State& state) {
    Model m;
    m.f.Directory.setDirectory(disk().big);
    std::string masks;
    for (int i = 0; masks.size() < 10'000; ++i)
        masks += "*-" + std::to_string(i * 37 % 100'000) + ".?x? ";
    for (auto _ : state) {
        m.f.edContentMask.setText("");
        m.f.edContentMask.setText(masks);
    }
    state.counters["selected"] = static_cast<double>(m.f.FileList1.selectedCount());
}
BENCHMARK(MaskOfTenThousandCharacters)->Unit(benchmark::kMillisecond)->Iterations(3);

// The model bound to the Selection tab's widgets, on the offscreen screen.
struct Window : Model {
    QWidget holder;
    Binding binding{dialogs, &holder};
    FileListView* list = binding.fileList(f.FileList1);
    DirectoryView* tree = binding.directoryList(f.Directory);
    Window() {
        list->setParent(&holder);
        tree->setParent(&holder);
        list->setGeometry(0, 0, 400, 600);
        tree->setGeometry(400, 0, 400, 600);
        holder.resize(800, 600);
        holder.show();
        QApplication::processEvents();
    }
    // What the user sees: everything painted.
    void paint() {
        QApplication::processEvents();
        list->viewport()->repaint();
        tree->viewport()->repaint();
    }
};

void ShowDirectoryInTheWindow(benchmark::State& state) {
    Window w;
    for (auto _ : state) {
        state.PauseTiming();
        w.f.Directory.setDirectory(disk().small);
        w.paint();
        state.ResumeTiming();
        w.f.Directory.setDirectory(disk().big);
        w.paint();
    }
    state.counters["rows"] = static_cast<double>(w.list->model()->rowCount());
}
BENCHMARK(ShowDirectoryInTheWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

void ChangeTheMasksInTheWindow(benchmark::State& state) {
    Window w;
    w.f.Directory.setDirectory(disk().big);
    w.paint();
    bool txt = false;
    for (auto _ : state) {
        w.f.edContentMask.setText(txt ? "*.txt" : "*.DOC notes-*");
        w.paint();
        txt = !txt;
    }
}
BENCHMARK(ChangeTheMasksInTheWindow)->Unit(benchmark::kMillisecond)->Iterations(10);

void CtrlClickAmongFiftyThousandSelected(benchmark::State& state) {
    Window w;
    w.f.Directory.setDirectory(disk().big);
    w.paint();
    const QPoint at = w.list->visualRect(w.list->model()->index(3, 0)).center();
    for (auto _ : state) {
        QTest::mouseClick(w.list->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
        w.paint();
    }
    state.counters["selected"] = static_cast<double>(w.f.FileList1.selectedCount());
}
BENCHMARK(CtrlClickAmongFiftyThousandSelected)->Unit(benchmark::kMillisecond)->Iterations(10);

void OpenDirectoryOfFiveThousandDirectories(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<Window>();
        state.ResumeTiming();
        w->f.Directory.setDirectory(disk().tree);
        w->paint();
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(OpenDirectoryOfFiveThousandDirectories)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    disk();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
