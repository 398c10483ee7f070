// Jar's archive format through the real JAR32.EXE: what goes in comes out
// byte for byte at every level, older archives still read, damage is found,
// and a crafted claim cannot make it take memory.

#include "Archive.h"
#include "RunCommand.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace brak::test {
namespace {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::string>; // stored name: contents

const std::string Jar = std::string(BRAK_BIN_DIR) + "/JAR32.EXE";
constexpr int Success = 0, CrcError = 3;

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRAK_NO_MEMORY_CAP
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BRAK_NO_MEMORY_CAP
#endif

CommandResult jar(const TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), Jar);
    return runCommand(args, dir.path());
}

// Every regular file below `root`, by its name relative to it.
Tree readTree(const std::string& root) {
    Tree tree;
    if (!fs::exists(root))
        return tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            tree[fs::relative(entry.path(), root).generic_string()] =
                readFile(entry.path().string());
    }
    return tree;
}

// Text that compresses, or bytes that do not.
std::string contents(std::mt19937& random, size_t size, bool text) {
    static const std::string words[] = {"int ", "return ", "struct ", "(x)", ";\n", "{\n", "}\n"};
    std::string out;
    while (out.size() < size)
        out += text ? words[random() % 7] : std::string(1, static_cast<char>(random()));
    out.resize(size);
    return out;
}

std::uint64_t get(const std::string& data, size_t at, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(data[at + i]);
    return value;
}

std::uint32_t crc32(const std::string& data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

// Random trees are added, updated, put in a new chapter and thinned out; at
// each step extraction gives back exactly the files of the last chapter.
TEST(JarFormat, RandomTreesComeBackByteForByteAtEveryLevel) {
    std::mt19937 random(2026);
    for (const std::string level : {"-m1", "-m2", "-m3", "-m4"}) {
        SCOPED_TRACE(level);
        TempDir dir;
        Tree expected;
        auto put = [&](const std::string& name, std::string data) {
            dir.write("src/" + name, data);
            expected[name] = std::move(data);
        };
        auto check = [&](const std::string& step) {
            fs::remove_all(dir.file("out"));
            const CommandResult run = jar(dir, {"x", "arc.j", "-oout", "-y"});
            ASSERT_EQ(run.exitCode, Success) << step << ": " << run.output;
            Tree want;
            for (const auto& [name, data] : expected)
                want["src/" + name] = data;
            EXPECT_TRUE(readTree(dir.file("out")) == want) << step;
            EXPECT_EQ(jar(dir, {"t", "arc.j"}).exitCode, Success) << step;
        };
        const char* names[] = {"a.txt", "dir/b c.h", "dir/sub/ünï.c", "empty", "x/y/z/deep.md"};
        for (int i = 0; i < 40; ++i) {
            const size_t size = i % 9 == 0 ? 0 : random() % 3000;
            put(std::to_string(i) + names[i % 5], contents(random, size, i % 4 != 0));
        }
        // Spans blocks at the levels with blocks smaller than it.
        put("big/large.bin",
            contents(random, (4 << 20) + 12345, true) + contents(random, 5000, false));
        ASSERT_EQ(jar(dir, {"a", "arc.j", "src", "-r", level}).exitCode, Success);
        check("added");

        for (int i = 0; i < 40; i += 3)
            put(std::to_string(i) + names[i % 5], contents(random, random() % 2000, true));
        ASSERT_EQ(jar(dir, {"ac", "arc.j", "src", "-r", level}).exitCode, Success);
        check("a new chapter with updated files");

        std::vector<std::string> doomed = {"d", "arc.j", "-y"};
        for (int i = 1; i < 40; i += 4) {
            const std::string name = std::to_string(i) + names[i % 5];
            doomed.push_back("\"src/" + name + "\"");
            expected.erase(name);
            fs::remove(dir.file("src/" + name));
        }
        ASSERT_EQ(jar(dir, doomed).exitCode, Success);
        check("files deleted out of solid blocks");

        put("late.txt", "added last");
        ASSERT_EQ(jar(dir, {"a", "arc.j", "src/late.txt", level}).exitCode, Success);
        check("one more file");
    }
}

// Archives written by the first version still list, test and extract, and
// are written as version 2 when next changed, with the same files.
TEST(JarFormat, VersionOneArchivesStillReadAndAreRewrittenAsVersionTwo) {
    for (const std::string name : {"one_file.J", "paths.J", "three_chapters.J"}) {
        SCOPED_TRACE(name);
        TempDir dir;
        writeFile(dir.file("arc.j"),
                  readFile(std::string(BRAK_TEST_DATA) + "/jar_archives/" + name));
        ASSERT_EQ(jar(dir, {"t", "arc.j"}).exitCode, Success);
        ASSERT_EQ(jar(dir, {"x", "arc.j", "-obefore", "-y"}).exitCode, Success);
        dir.write("new.txt", "new");
        ASSERT_EQ(jar(dir, {"a", "arc.j", "new.txt"}).exitCode, Success);
        EXPECT_EQ(readFile(dir.file("arc.j")).substr(0, 8), "JARSTND2");
        ASSERT_EQ(jar(dir, {"x", "arc.j", "-oafter", "-y"}).exitCode, Success);
        Tree after = readTree(dir.file("after"));
        EXPECT_EQ(after["new.txt"], "new");
        after.erase("new.txt");
        EXPECT_TRUE(after == readTree(dir.file("before")));
    }
}

// Any byte changed after the magic, in a block's header or payload, the
// index or the footer, makes the test fail with a CRC error.
TEST(JarFormat, AChangedByteIsACrcError) {
    TempDir dir;
    std::mt19937 random(7);
    for (int i = 0; i < 5; ++i)
        dir.write("f" + std::to_string(i) + ".c", contents(random, 3000, true));
    ASSERT_EQ(jar(dir, {"a", "arc.j", "*.c"}).exitCode, Success);
    const std::string good = readFile(dir.file("arc.j"));
    for (size_t at = 8; at < good.size(); at += 1 + good.size() / 60) {
        std::string bad = good;
        bad[at] = static_cast<char>(bad[at] ^ 0x10);
        writeFile(dir.file("arc.j"), bad);
        const CommandResult run = jar(dir, {"t", "arc.j"});
        EXPECT_EQ(run.exitCode, CrcError)
            << "byte " << at << " of " << good.size() << ": " << run.output;
    }
}

// An index or a block claiming more than it holds is refused before any
// memory is set aside for the claim, and in a small address space.
TEST(JarFormat, CraftedClaimsTakeNoMemory) {
    if (!haveCommand("prlimit") || !haveCommand("zstd"))
        GTEST_SKIP() << "needs prlimit and zstd";
    TempDir dir;
    dir.write("f.c", std::string(200000, 'c'));
    ASSERT_EQ(jar(dir, {"a", "arc.j", "f.c"}).exitCode, Success);
    const std::string good = readFile(dir.file("arc.j"));
    const size_t footer = good.size() - 32;
    const size_t indexAt = get(good, footer, 8);
    auto put = [](std::string& data, size_t at, std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            data[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    auto refused = [&](const std::string& archive, const std::string& what) {
        writeFile(dir.file("arc.j"), archive);
        std::vector<std::string> args = {Jar, "t", "arc.j"};
#ifndef BRAK_NO_MEMORY_CAP
        args.insert(args.begin(), {"prlimit", "--as=" + std::to_string(96 << 20)});
#endif
        const CommandResult run = runCommand(args, dir.path());
        EXPECT_EQ(run.exitCode, CrcError) << what << ": " << run.output;
    };
    std::string claim = good;
    put(claim, footer + 12, 0xFFFFFFF0u, 4); // the index's decoded size
    refused(claim, "an index claiming 4 GiB");

    // The block's record in the index and its header both claim the most a
    // block may hold; its frame says otherwise.
    writeFile(dir.file("index.zst"), good.substr(indexAt, footer - indexAt));
    ASSERT_EQ(runCommand({"zstd", "-dqf", "index.zst", "-o", "index"}, dir.path()).exitCode, 0);
    std::string index = readFile(dir.file("index"));
    const size_t record = index.find(std::string("\x10\0\0\0\0\0\0\0", 8)); // block at 16
    ASSERT_NE(record, std::string::npos);
    const std::uint64_t table = get(index, record + 16, 4);
    put(index, record + 12, (32u << 20) + table, 4);
    writeFile(dir.file("index"), index);
    ASSERT_EQ(runCommand({"zstd", "-qf", "index", "-o", "index.zst"}, dir.path()).exitCode, 0);
    const std::string packed = readFile(dir.file("index.zst"));
    std::string block = good.substr(0, indexAt) + packed + good.substr(footer);
    const size_t newFooter = block.size() - 32;
    put(block, newFooter + 8, packed.size(), 4);
    put(block, newFooter + 12, index.size(), 4);
    put(block, newFooter + 16, crc32(packed), 4);
    put(block, 16 + 16, (32u << 20) + table, 4);
    put(block, 16 + 28, crc32(block.substr(16, 28)), 4);
    refused(block, "a block claiming 32 MiB");
}

// In process: the write settings (a work directory on another file system,
// the new archive tested and its files compared with their sources, every
// level and a recompressing copy reading back alike) and rh's rebuilding.
TEST(JarFormat, WriteSettingsAndIndexRebuilding) {
    TempDir dir;
    const std::string shm = "/dev/shm/jar_format_test_" + std::to_string(::getpid());
    fs::create_directories(shm);
    std::mt19937 random(11);
    jar::Archive archive;
    archive.chapters.push_back({1, 1, 0, "chapter"});
    archive.comment = "archive";
    for (int i = 0; i < 6; ++i) {
        dir.write("f" + std::to_string(i), contents(random, 1000u * i, i % 2 == 0));
        jar::Entry entry;
        entry.name = "f" + std::to_string(i);
        entry.source = dir.file(entry.name);
        entry.comment = i == 2 ? "a file" : "";
        archive.entries.push_back(entry);
    }
    for (int level = 1; level <= 4; ++level) {
        jar::WriteSettings settings;
        settings.level = level;
        settings.testBeforeReplace = true;
        settings.checkStored = jar::WriteSettings::Check::Compare;
        settings.workDirectory = shm;
        for (jar::Entry& entry : archive.entries)
            entry.source = dir.file(entry.name);
        ASSERT_NO_THROW(jar::writeArchive(dir.file("arc.j"), archive, nullptr, settings));
        // Copied again with every block decoded and stored anew.
        jar::ArchiveFile file(dir.file("arc.j"));
        jar::Archive read = jar::readArchive(file);
        settings.recompress = true;
        settings.level = 5 - level;
        ASSERT_NO_THROW(jar::writeArchive(dir.file("copy.j"), read, &file, settings));
        jar::ArchiveFile copy(dir.file("copy.j"));
        const jar::Archive copied = jar::readArchive(copy);
        EXPECT_EQ(copied.comment, "archive");
        EXPECT_EQ(copied.chapters[0].comment, "chapter");
        ASSERT_EQ(copied.entries.size(), 6u);
        for (const jar::Entry& entry : copied.entries) {
            std::string data;
            EXPECT_TRUE(jar::readEntryData(
                copy, entry, [&](const char* bytes, size_t size) { data.append(bytes, size); }));
            EXPECT_EQ(data, dir.read(entry.name)) << entry.name;
            EXPECT_EQ(entry.comment, entry.name == "f2" ? "a file" : "");
        }
    }
    EXPECT_TRUE(fs::is_empty(shm)) << "nothing left in the work directory";
    fs::remove_all(shm);

    // With its index cut away, the files come back from the blocks alone;
    // with its one block damaged too, nothing does.
    std::string cut = readFile(dir.file("arc.j"));
    cut.resize(cut.size() - 40);
    for (bool damaged : {false, true}) {
        if (damaged)
            cut[cut.find("JBLK") + 40] ^= 1;
        writeFile(dir.file("cut.j"), cut);
        jar::ArchiveFile file(dir.file("cut.j"));
        jar::Outcome outcome;
        if (damaged) { // its only block
            EXPECT_THROW(jar::recoverArchive(file, outcome), jar::JarError);
            continue;
        }
        jar::Archive found = jar::recoverArchive(file, outcome);
        EXPECT_EQ(outcome.code(), 0);
        EXPECT_EQ(found.entries.size(), 6u);
        // Written out again, its blocks copied as they are.
        ASSERT_NO_THROW(jar::writeArchive(dir.file("cut.j"), found, &file));
        jar::ArchiveFile fixed(dir.file("cut.j"));
        const jar::Archive again = jar::readArchive(fixed);
        EXPECT_EQ(again.entries.size(), 6u);
        for (const jar::Entry& entry : again.entries) {
            std::string data;
            EXPECT_TRUE(jar::readEntryData(
                fixed, entry, [&](const char* bytes, size_t size) { data.append(bytes, size); }));
            EXPECT_EQ(data, dir.read(entry.name)) << entry.name;
        }
    }
}

} // namespace
} // namespace brak::test
