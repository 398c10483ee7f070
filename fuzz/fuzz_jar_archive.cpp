// Gives arbitrary bytes to the stand-in archiver as an archive, in process:
// it lists them, tests them, writes their technical listing and extracts
// them. Errors are expected; crashes, leaks, undefined behaviour, hangs,
// memory beyond what the input holds, any file written outside the
// extraction directory, and a control character in what it shows or in the
// listing are not. Inputs that other programs' formats claim (zip, tar, 7z,
// cpio...) take the libarchive path; its seeds are in tests/data/foreign_archives.
#include "Archive.h"
#include "Commands.h"
#include "Console.h"
#include "foreign/ForeignCommands.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace brak::jar;

fs::path work;  // holds the archive, the listing and, two levels down, "out"
int shown = -1; // what the stand-in writes to standard output and error

std::uint64_t littleEndian(const std::string& data, size_t at, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(data[at + i]);
    return value;
}

// Gives the index the CRC it claims to have, so that the fuzzer reaches what
// a hostile archive would reach: the checks of what the index says.
void seal(std::string& archive) {
    constexpr size_t Footer = 24;
    if (archive.size() < 8 + Footer)
        return;
    const size_t footer = archive.size() - Footer;
    const std::uint64_t offset = littleEndian(archive, footer, 8);
    const std::uint64_t length = littleEndian(archive, footer + 8, 4);
    if (offset > footer || length != footer - offset)
        return;
    Crc32 crc;
    crc.update(archive.data() + offset, static_cast<size_t>(length));
    for (int i = 0; i < 4; ++i)
        archive[footer + 12 + i] = static_cast<char>((crc.value() >> (8 * i)) & 0xFF);
}

void run(const std::string& command, std::vector<std::string> names = {}) {
    Options options;
    options.command = command;
    options.archive = (work / "arc.J").string();
    options.names = std::move(names);
    options.yes = true;
    options.output = (work / "a/b/out").string();
    try {
        runCommand(options);
    } catch (const JarError&) {
    }
}

// Nothing but the archive, the listing and the directories down to "out";
// below "out" only directories and regular files.
void checkNothingEscaped() {
    for (const auto& [directory, allowed] :
         {std::pair<fs::path, std::vector<std::string>>{work, {"arc.J", "a", "dump.dmp"}},
          {work / "a", {"b"}},
          {work / "a/b", {"out"}}}) {
        for (const auto& entry : fs::directory_iterator(directory)) {
            const std::string name = entry.path().filename().string();
            if (std::find(allowed.begin(), allowed.end(), name) == allowed.end())
                std::abort();
        }
    }
    if (fs::exists(work / "a/b/out")) {
        for (const auto& entry : fs::recursive_directory_iterator(work / "a/b/out")) {
            // Links come only from other programs' formats; nothing is
            // written through them, which the check of the work directory sees.
            if (!entry.is_directory() && !entry.is_regular_file() && !entry.is_symlink())
                std::abort();
        }
    }
}

// Line ends are the only control characters allowed: LF on the console,
// CR LF in the listing.
void checkNoControlCharacter(const std::string& text, std::string_view allowed) {
    for (char c : text) {
        if ((static_cast<unsigned char>(c) < 0x20 || c == 0x7F) &&
            allowed.find(c) == std::string_view::npos)
            std::abort();
    }
}

std::string takeShown() {
    std::string text(static_cast<size_t>(::lseek(shown, 0, SEEK_END)), '\0');
    if (::pread(shown, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()) ||
        ::ftruncate(shown, 0) != 0 || ::lseek(shown, 0, SEEK_SET) != 0)
        std::abort();
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (fs::temp_directory_path() / "fuzz_jar_archive.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    work = pattern;
    fs::create_directories(work / "a/b");
    std::atexit([] {
        std::error_code error;
        fs::remove_all(work, error);
    });
    shown = ::memfd_create("shown", MFD_CLOEXEC);
    if (shown < 0)
        std::abort();
    Console::instance().setDescriptors(shown, shown);
    // An encrypted input asks for no password: there is no terminal to ask
    // on, and the fuzzer's own switches are not the archiver's.
    ::setsid();
    const int nothing = ::open("/dev/null", O_RDONLY);
    if (nothing < 0 || ::dup2(nothing, 0) < 0)
        std::abort();
    ::close(nothing);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string archive(reinterpret_cast<const char*>(data), size);
    // Half the inputs are sealed; the others test the CRC's own checks.
    if (size > 0 && (data[size / 2] & 1))
        seal(archive);
    std::ofstream(work / "arc.J", std::ios::binary | std::ios::trunc) << archive;

    run("l");
    run("v");
    run("t");
    run("lt", {(work / "dump.dmp").string()});
    std::ifstream dump(work / "dump.dmp", std::ios::binary);
    checkNoControlCharacter(std::string(std::istreambuf_iterator<char>(dump), {}), "\r\n");
    run("x");
    run("e");
    Console::instance().finish();
    checkNoControlCharacter(takeShown(), "\n");
    checkNothingEscaped();
    std::error_code error;
    fs::remove_all(work / "a/b/out", error);
    return 0;
}
