// Gives arbitrary bytes to the stand-in archiver as an archive, in process:
// it lists them, tests them, writes their technical listing, extracts them
// and rebuilds their index. Errors are expected; crashes, leaks, undefined behaviour, hangs,
// memory beyond what the input holds, any file written outside the
// extraction directory, and a control character in what it shows or in the
// listing are not. Inputs that other programs' formats claim (zip, tar, 7z,
// cpio...) take the libarchive path; its seeds are in tests/data/foreign_archives.
#include "Archive.h"
#include "Commands.h"
#include "Console.h"
#include "Password.h"
#include "foreign/ForeignCommands.h"
#include "format/Codec.h"
#include "format/Protection.h"

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

// The password of the protected seeds in tests/data/jar_archives (the
// v2_protected_* ones). Only this build knows it: every password the
// stand-in asks for is this one, as if handed over on a descriptor.
constexpr char FuzzPassword[] = "fuzz-seed-password";

fs::path work;  // holds the archive, the listing and, two levels down, "out"
int shown = -1; // what the stand-in writes to standard output and error

std::uint64_t littleEndian(const std::string& data, size_t at, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(data[at + i]);
    return value;
}

void putLittleEndian(std::string& data, size_t at, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i)
        data[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Version 2: each block gets the checksums it claims to have, and an index
// marked by a raw size of 0xFFFFFFFF is given uncompressed and compressed
// here (and, for a hidden index, encrypted), so that the fuzzer can reach
// what a hostile index says. A tag is made again as well, with the key of
// the fuzzing password when the header carries one.
void sealVersion2(std::string& archive) {
    constexpr size_t Footer = 32;
    if (archive.size() < 16 + Footer || archive.compare(archive.size() - 8, 8, "JARINDX2") != 0)
        return;
    const auto flags = static_cast<std::uint32_t>(littleEndian(archive, 12, 4));
    const size_t headerEnd = 16 + (v2::carriesKey(flags) ? v2::ProtectionSize : 0);
    const size_t tagSize = v2::carriesTag(flags) ? v2::TagSize : 0;
    if (archive.size() < headerEnd + tagSize + Footer)
        return;
    const size_t footer = archive.size() - Footer;
    const size_t indexEnd = footer - tagSize;
    const std::uint64_t offset = littleEndian(archive, footer, 8);
    if (offset < headerEnd || offset > indexEnd)
        return;
    bool keyed = false;
    if (v2::carriesKey(flags)) {
        try {
            v2::Protection& protection = v2::Protection::instance();
            protection.unlock("arc.J", archive.data() + 16);
            protection.ready(); // a wrong password shows once the key is made
            keyed = true;
        } catch (const JarError&) {
        }
    }
    std::vector<std::pair<size_t, size_t>> blocks; // where each starts, its stored size
    for (size_t at = headerEnd; at + 32 <= offset && archive.compare(at, 4, "JBLK") == 0;) {
        const std::uint64_t stored = littleEndian(archive, at + 12, 4);
        if (stored > offset - at - 32)
            break;
        putLittleEndian(archive, at + 24, Crc32::of(archive.data() + at + 32, stored), 4);
        putLittleEndian(archive, at + 28, Crc32::of(archive.data() + at, 28), 4);
        blocks.emplace_back(at, stored);
        at += 32 + stored;
    }
    std::string index = archive.substr(offset, indexEnd - offset);
    std::string tail = archive.substr(footer);
    if (littleEndian(archive, footer + 12, 4) == 0xFFFFFFFFu) {
        putLittleEndian(tail, 12, index.size(), 4);
        index = compressFrame(index);
        if ((flags & v2::HiddenFlag) && keyed)
            index = v2::Protection::instance().sealIndex(index);
    }
    putLittleEndian(tail, 8, index.size(), 4);
    putLittleEndian(tail, 16, Crc32::of(index.data(), index.size()), 4);
    archive = archive.substr(0, offset) + index;
    if (tagSize > 0 && (keyed || !v2::carriesKey(flags))) {
        v2::Digest digest(keyed);
        if (flags & v2::FramedTagFlag) {
            // The header, each block's header, nonce and AEAD tag, the index.
            digest.update(archive.data(), headerEnd);
            for (const auto& [at, stored] : blocks)
                if (stored >= v2::SealOverhead) {
                    digest.update(archive.data() + at, 32 + v2::NonceSize);
                    digest.update(archive.data() + at + 32 + stored - v2::AeadTagSize,
                                  v2::AeadTagSize);
                }
            digest.update(archive.data() + offset, archive.size() - offset);
        } else {
            digest.update(archive.data(), archive.size());
        }
        digest.update(tail.data(), tail.size());
        unsigned char tag[v2::TagSize];
        digest.finish(tag);
        archive.append(reinterpret_cast<const char*>(tag), v2::TagSize);
    } else {
        archive.append(tagSize, '\0');
    }
    archive += tail;
}

// Gives the index the CRC it claims to have, so that the fuzzer reaches what
// a hostile archive would reach: the checks of what the index says.
void seal(std::string& archive) {
    if (archive.compare(0, 8, "JARSTND2") == 0) {
        sealVersion2(archive);
        return;
    }
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

void run(const std::string& command, std::vector<std::string> names = {},
         void (*recovery)(Options&) = nullptr) {
    Options options;
    options.command = command;
    if (recovery != nullptr)
        recovery(options);
    options.archive = (work / "arc.J").string();
    options.names = std::move(names);
    options.yes = true;
    options.output = (work / "a/b/out").string();
    try {
        runCommand(options);
    } catch (const JarError&) {
    }
}

// The index rebuilt from the blocks alone, and every file it finds read.
void recover() {
    try {
        ArchiveFile file((work / "arc.J").string());
        Outcome outcome;
        const Archive archive = recoverArchive(file, outcome);
        for (const Entry& entry : archive.entries)
            readEntryData(file, entry, [](const char*, size_t) {});
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
            // A link is looked at, never followed: it may point at itself.
            const fs::file_type type = entry.symlink_status().type();
            if (type != fs::file_type::directory && type != fs::file_type::regular &&
                type != fs::file_type::symlink)
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
    // A protected input is opened with the fuzzing password; none is ever
    // asked on a terminal, and the fuzzer's own switches are not the archiver's.
    int handOver[2];
    if (::pipe(handOver) != 0 || ::write(handOver[1], FuzzPassword, sizeof FuzzPassword - 1) !=
                                     static_cast<ssize_t>(sizeof FuzzPassword - 1))
        std::abort();
    ::close(handOver[1]);
    takePasswordFrom(handOver[0]);
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
    // Recovery records: repaired in memory, then in the file.
    run("x", {}, [](Options& o) { o.useRecords = true; });
    run("l", {}, [](Options& o) { o.repairArchive = true; });
    recover();
    Console::instance().finish();
    checkNoControlCharacter(takeShown(), "\n");
    checkNothingEscaped();
    std::error_code error;
    fs::remove_all(work / "a/b/out", error);
    return 0;
}
