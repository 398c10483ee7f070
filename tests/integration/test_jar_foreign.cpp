// The stand-in archiver on other programs' formats, run as a child process:
// round trips through every format it writes, archives made by bsdtar and 7z,
// hostile archives, and the switches it refuses.

#include "RunCommand.h"
#include "TempDir.h"
#include "contents/DumpReader.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace brak::test {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

const std::string JarProgram = std::string(BRAK_BIN_DIR) + "/JAR32.EXE";
constexpr int Success = 0, BadParameters = 7;

struct Result {
    int code = -1;
    std::string output;
};

// Runs a program in `directory` without a terminal, its input at its end.
Result run(const std::string& directory, const std::string& program, const Args& args) {
    Args argv{"setsid", program};
    argv.insert(argv.end(), args.begin(), args.end());
    const CommandResult result = runCommand(argv, directory);
    return {result.exitCode, result.output};
}

bool installed(const std::string& program) {
    return run("/tmp", "sh", {"-c", "command -v " + program}).code == 0;
}

// Every regular file below a directory, by relative name, with its contents.
std::map<std::string, std::string> tree(const std::string& root) {
    std::map<std::string, std::string> files;
    if (!fs::exists(root))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = readFile(entry.path().string());
    }
    return files;
}

class ForeignTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(work());
        fs::create_directories(outside());
    }
    std::string work() const { return dir_.file("work"); }
    std::string outside() const { return dir_.file("outside"); }
    Result jar(const Args& args) { return run(work(), JarProgram, args); }

    // A tree of files of random lengths and contents, some empty, some named
    // beyond ASCII.
    std::map<std::string, std::string> makeTree(const std::string& root, unsigned seed) {
        std::mt19937 random(seed);
        const std::vector<std::string> names = {
            "a.txt", "Ünïcödé.txt",     "日本語/名前.bin", "deep/er/still.dat",
            "empty", "blank space.txt", "deep/leer"};
        std::map<std::string, std::string> files;
        for (const std::string& name : names) {
            const size_t length = name.find("e") == 0 || name.find("leer") != std::string::npos
                                      ? 0
                                      : std::uniform_int_distribution<size_t>(1, 200'000)(random);
            std::string data(length, '\0');
            for (char& c : data)
                c = static_cast<char>(random() % 7 == 0 ? random() : 'a' + random() % 3);
            dir_.write("work/" + root + "/" + name, data);
            files[name] = data;
        }
        return files;
    }

    DumpReader listing(const std::string& archive) {
        const Result listed = jar({"lt", "\"" + archive + "\"", "dump.dmp"});
        EXPECT_EQ(listed.code, Success) << listed.output;
        DumpReader reader;
        reader.feed(dir_.read("work/dump.dmp"));
        reader.finish();
        return reader;
    }

    TempDir dir_;
};

const std::vector<std::string> Written = {".zip", ".7z",     ".tar",     ".tar.gz",
                                          ".tgz", ".tar.xz", ".tar.zst", ".tar.bz2"};

TEST_F(ForeignTest, EveryWrittenFormatRoundTripsAndListsAsBrakReadsIt) {
    const auto files = makeTree("src", 25);
    for (const std::string& ending : Written) {
        SCOPED_TRACE(ending);
        const std::string archive = "arc" + ending;
        ASSERT_EQ(jar({"a", archive, "src", "-r", "-m1"}).code, Success);
        EXPECT_EQ(jar({"t", archive}).code, Success);
        const Result extracted = jar({"x", archive, "-oout" + ending, "-y"});
        EXPECT_EQ(extracted.code, Success) << extracted.output;
        EXPECT_EQ(tree(work() + "/out" + ending + "/src"), files);

        const DumpReader reader = listing(archive);
        EXPECT_EQ(reader.maxChapter(), 1);
        std::set<std::string> listed;
        for (const auto& row : reader.rows().expand())
            listed.insert(row[0]);
        std::set<std::string> expected;
        for (const auto& [name, data] : files)
            expected.insert("src/" + name);
        EXPECT_EQ(listed, expected);

        // Delete and update rewrite the archive; the rest stays as it was.
        ASSERT_EQ(jar({"d", archive, "*.txt"}).code, Success);
        dir_.write("work/src/a.txt", "changed");
        ASSERT_EQ(jar({"u", archive, "src/a.txt"}).code, Success);
        fs::remove_all(work() + "/again");
        ASSERT_EQ(jar({"x", archive, "-oagain", "-y"}).code, Success);
        auto changed = files;
        changed.erase("Ünïcödé.txt");
        changed.erase("blank space.txt");
        changed["a.txt"] = "changed";
        EXPECT_EQ(tree(work() + "/again/src"), changed);
        dir_.write("work/src/a.txt", files.at("a.txt"));
    }
    // y copies into another format.
    ASSERT_EQ(jar({"y", "arc.tar.xz", "copy.7z"}).code, Success);
    ASSERT_EQ(jar({"x", "copy.7z", "-ocopy", "-y"}).code, Success);
    EXPECT_EQ(tree(work() + "/copy").size(), files.size() - 2);
}

TEST_F(ForeignTest, SparseFileOfTwoGibibytesRoundTripsWithItsHolesThroughTar) {
    const std::int64_t size = std::int64_t{2} << 30;
    dir_.resize("work/big/sparse.img", size);
    {
        const int fd = ::open(dir_.file("work/big/sparse.img").c_str(), O_WRONLY);
        ASSERT_EQ(::pwrite(fd, "head", 4, 0), 4);
        ASSERT_EQ(::pwrite(fd, "tail", 4, size - 4), 4);
        ::close(fd);
    }
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(jar({"a", "big.tar.zst", "big", "-r"}).code, Success);
    EXPECT_LT(fs::file_size(work() + "/big.tar.zst"), 1u << 20);
    EXPECT_EQ(jar({"t", "big.tar.zst"}).code, Success);
    const DumpReader reader = listing("big.tar.zst");
    ASSERT_EQ(reader.rows().expand().size(), 1u);
    EXPECT_EQ(reader.rows().expand()[0][1], "2147483648");
    ASSERT_EQ(jar({"x", "big.tar.zst", "-oback"}).code, Success);
    const std::string back = work() + "/back/big/sparse.img";
    struct stat info {};
    ASSERT_EQ(::stat(back.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, size);
    EXPECT_LT(info.st_blocks, 1024) << "the holes come back as holes";
    char ends[8] = {};
    const int fd = ::open(back.c_str(), O_RDONLY);
    EXPECT_EQ(::pread(fd, ends, 4, 0), 4);
    EXPECT_EQ(::pread(fd, ends + 4, 4, size - 4), 4);
    ::close(fd);
    EXPECT_EQ(std::string(ends, 8), "headtail");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
}

TEST_F(ForeignTest, ArchivesOfOtherProgramsListAndExtractByteForByte) {
    const auto files = makeTree("src", 7);
    struct Maker {
        std::string program;
        std::string archive;
        Args args;
    };
    const std::vector<Maker> makers = {
        {"bsdtar", "b.tar", {"-cf", "b.tar", "src"}},
        {"bsdtar", "b.tar.gz", {"-czf", "b.tar.gz", "src"}},
        {"bsdtar", "b.tar.xz", {"-cJf", "b.tar.xz", "src"}},
        {"bsdtar", "b.cpio", {"--format", "cpio", "-cf", "b.cpio", "src"}},
        {"bsdtar", "b.bsd.zip", {"--format", "zip", "-cf", "b.bsd.zip", "src"}},
        {"bsdtar", "b.iso", {"--format", "iso9660", "-cf", "b.iso", "src"}},
        {"7z", "s.7z", {"a", "-bd", "s.7z", "src"}},
        {"7z", "s.7z.zip", {"a", "-bd", "-tzip", "s.7z.zip", "src"}},
        {"zip", "z.zip", {"-qr", "z.zip", "src"}}};
    for (const Maker& maker : makers) {
        SCOPED_TRACE(maker.archive);
        if (!installed(maker.program)) {
            std::cout << maker.program << " is not installed; " << maker.archive
                      << " is not tried\n";
            continue;
        }
        const Result made = run(work(), maker.program, maker.args);
        ASSERT_EQ(made.code, Success) << made.output;
        const Result listed = jar({"l", maker.archive});
        EXPECT_EQ(listed.code, Success) << listed.output;
        EXPECT_NE(listed.output.find("日本語/名前.bin"), std::string::npos) << listed.output;
        const std::string out = "out-" + maker.archive;
        const Result extracted = jar({"x", maker.archive, "-o" + out, "-y"});
        EXPECT_EQ(extracted.code, Success) << extracted.output;
        EXPECT_EQ(tree(work() + "/" + out + "/src"), files);
    }
}

// A ustar header that claims a size far beyond the data after it.
std::string hugeTarHeader() {
    std::string header(512, '\0');
    header.replace(0, 8, "huge.bin");
    header.replace(100, 7, "0000644");
    header.replace(124, 11, "77777777777");
    header.replace(136, 11, "00000000000");
    header[156] = '0';
    header.replace(257, 6, std::string("ustar\0", 6));
    header.replace(263, 2, "00");
    header.replace(148, 8, "        ");
    unsigned sum = 0;
    for (unsigned char c : header)
        sum += c;
    char text[8];
    std::snprintf(text, sizeof text, "%06o", sum);
    header.replace(148, 7, std::string(text, 6) + '\0');
    return header + std::string(4096, 'A');
}

TEST_F(ForeignTest, HostileArchivesWriteNothingOutsideTheTarget) {
    if (!installed("bsdtar"))
        GTEST_SKIP() << "bsdtar is not installed";
    // Made two levels down, so that "../../" leads out of the work directory.
    const std::string maker = work() + "/a/b";
    dir_.write("work/a/b/ok.txt", "ok");
    fs::create_symlink(outside(), maker + "/link");
    for (const std::string format : {"pax", "zip"}) {
        SCOPED_TRACE(format);
        dir_.write("work/escape.txt", "escape");
        dir_.write("outside/through.txt", "through");
        const std::string archive = work() + "/evil." + format;
        ASSERT_EQ(run(maker, "bsdtar",
                      {"--format", format, "-cPf", archive, "ok.txt", "../../escape.txt",
                       work() + "/escape.txt", "link", "link/through.txt"})
                      .code,
                  Success);
        fs::remove(work() + "/escape.txt");
        fs::remove(outside() + "/through.txt");
        const std::string target = "deep/er/out-" + format;
        const Result extracted = jar({"x", archive, "-o" + target, "-y"});
        EXPECT_NE(extracted.code, Success) << extracted.output;
        EXPECT_TRUE(fs::exists(work() + "/" + target + "/ok.txt"));
        EXPECT_FALSE(fs::exists(work() + "/escape.txt"));
        EXPECT_FALSE(fs::exists(work() + "/deep/escape.txt"));
        EXPECT_TRUE(fs::is_empty(outside()));
    }
    writeFile(work() + "/huge.tar", hugeTarHeader());
    const Result huge = jar({"x", "huge.tar", "-ohuge", "-y"});
    EXPECT_NE(huge.code, Success);
    EXPECT_FALSE(fs::exists(work() + "/huge/huge.bin"));
}

TEST_F(ForeignTest, MeaninglessSwitchesAndMissingPasswordsAreRefusedAtOnce) {
    dir_.write("work/f.txt", "f");
    ASSERT_EQ(jar({"a", "t.tar", "f.txt"}).code, Success);
    const std::string before = dir_.read("work/t.tar");
    for (const Args& args : {Args{"ac", "t.tar", "f.txt"}, Args{"a", "t.tar", "f.txt", "-hy"},
                             Args{"a", "t.tar", "f.txt", "-jl"}, Args{"a", "t.tar", "-hg1"},
                             Args{"a", "t.7z", "f.txt", "-hg1"}}) {
        const Result refused = jar(args);
        EXPECT_EQ(refused.code, BadParameters) << args[0] << ' ' << args.back();
        // The message names the format, or the switch that no archive takes yet.
        EXPECT_TRUE(refused.output.find(args[1].substr(2)) != std::string::npos ||
                    refused.output.find(args.back()) != std::string::npos)
            << refused.output;
    }
    EXPECT_EQ(dir_.read("work/t.tar"), before);
    EXPECT_FALSE(dir_.exists("work/t.7z"));

    if (!installed("7z"))
        GTEST_SKIP() << "7z is not installed";
    ASSERT_EQ(run(work(), "7z", {"a", "-bd", "-tzip", "-psecret", "locked.zip", "f.txt"}).code,
              Success);
    const auto started = std::chrono::steady_clock::now();
    const Result locked = jar({"x", "locked.zip", "-olocked", "-y"});
    EXPECT_NE(locked.code, Success);
    EXPECT_NE(locked.output.find("password"), std::string::npos) << locked.output;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
}

TEST_F(ForeignTest, AHardLinkIsNeverLeftWithoutItsData) {
    if (!installed("bsdtar"))
        GTEST_SKIP() << "bsdtar is not installed";
    dir_.write("work/t/data", "data");
    fs::create_hard_link(work() + "/t/data", work() + "/t/link");
    ASSERT_EQ(run(work(), "bsdtar", {"-cf", "linked.tar", "t"}).code, Success);
    const std::string before = dir_.read("work/linked.tar");
    // A zip keeps no links; deleting the name that holds the data would
    // leave the other one empty, and deleting the link itself is fine.
    EXPECT_NE(jar({"y", "linked.tar", "linked.zip"}).code, Success);
    for (const char* name : {"t/data", "t/link"}) {
        const Result deleted = jar({"d", "linked.tar", name});
        if (deleted.code == Success) {
            ASSERT_EQ(jar({"x", "linked.tar", "-oback", "-y"}).code, Success);
            EXPECT_EQ(tree(work() + "/back/t").size(), 1u);
            EXPECT_EQ(tree(work() + "/back/t").begin()->second, "data");
            writeFile(work() + "/linked.tar", before);
        } else {
            EXPECT_EQ(dir_.read("work/linked.tar"), before) << name;
        }
    }
    EXPECT_FALSE(dir_.exists("work/linked.zip"));
}

// Answers each question on a terminal once it is shown.
Result withTerminal(const std::string& directory, const Args& args,
                    const std::vector<std::pair<std::string, std::string>>& answers) {
    const CommandResult result = runJarOnTerminal(directory, args, answers);
    return {result.exitCode, result.output};
}

TEST_F(ForeignTest, EncryptWritesAesZipThatAsksForItsPassword) {
    dir_.write("work/secret.txt", "the secret");
    const Result written = withTerminal(work(), {"a", "locked.zip", "secret.txt", "-hg1"},
                                        {{"Password", "pw"}, {"again", "pw"}});
    ASSERT_EQ(written.code, Success) << written.output;
    EXPECT_EQ(written.output.find("pw"), std::string::npos) << "echoed: " << written.output;
    EXPECT_NE(dir_.read("work/locked.zip").find("secret.txt"), std::string::npos);
    EXPECT_EQ(dir_.read("work/locked.zip").find("the secret"), std::string::npos);
    if (installed("7z")) {
        const Result technical = run(work(), "7z", {"l", "-slt", "locked.zip"});
        EXPECT_NE(technical.output.find("AES-256"), std::string::npos) << technical.output;
    }
    const Result read = withTerminal(work(), {"e", "locked.zip", "-oout", "-y"},
                                     {{"Password", "wrong"}, {"Password", "pw"}});
    EXPECT_EQ(read.code, Success) << read.output;
    EXPECT_NE(read.output.find("Wrong password"), std::string::npos) << read.output;
    EXPECT_EQ(dir_.read("work/out/secret.txt"), "the secret");
}

} // namespace
} // namespace brak::test
