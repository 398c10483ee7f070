// Peak memory of a million-file listing: the file rows, the file grid showing
// all of them, and a sort. Prints what the process's high-water mark grew by.
#include "ContentsBench.h"
#include "contents/Contents.h"
#include "ui/Brak.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>

using namespace brak;

namespace {

// A field of /proc/self/status, in kB.
long statusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t files = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1'000'000;
    char name[] = "/tmp/brak-listing-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0)
        return 1;
    ::close(fd);
    {
        std::ofstream out(name, std::ios::binary);
        bench::generateDump(files, [&out](const std::string& piece) { out << piece; });
    }

    bench::NullPlatform platform;
    bench::NullDialogs dialogs;
    Brak brak(platform, dialogs);
    WriteGridHeadings(brak.form().stChapter, brak.form().stFile);
    const long before = statusKb("VmRSS");
    {
        DumpReader reader;
        readDumpFile(name, reader);
        brak.contents().applyListing(reader);
    }
    brak.contents().SelectChapter(1);
    brak.contents().stFileSelectCell(ColName, 1);
    brak.contents().stFileSelectCell(ColModifyDate, 1);
    const long peak = statusKb("VmHWM");
    std::remove(name);

    std::cout << "files: " << files << "\nrows shown: " << brak.form().stFile.rowCount() - 1
              << "\nresident before reading: " << before / 1024 << " MB"
              << "\npeak growth (rows, grid, sorts): " << (peak - before) / 1024 << " MB, "
              << (peak - before) * 1024 / static_cast<long>(std::max<std::size_t>(files, 1))
              << " bytes per row (target 140)"
              << "\nresident after: " << statusKb("VmRSS") / 1024 << " MB\n";
    return 0;
}
