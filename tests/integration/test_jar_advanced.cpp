// The Advanced switches as Brak passes them (the fifth piece of the command
// line), each run a real JAR32.EXE in a temporary tree.

#include "RunCommand.h"
#include "TempDir.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace brak::test {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

constexpr int Success = 0, Warning = 1, Fatal = 2, CrcError = 3, CannotOpen = 6, BadParameters = 7;

class JarAdvanced : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::unsetenv("JAR_CFG_FILE");
        work_.write("src/new.txt", "new\n");
        work_.write("src/keep.bak", "backup\n");
        work_.write("src/old.txt", "old\n");
        work_.write("exclude.lst", "*.bak\n");
        // 2020-01-01 00:00:00 UTC
        const struct timespec old[2] = {{1577836800, 0}, {1577836800, 0}};
        ::utimensat(AT_FDCWD, work_.file("src/old.txt").c_str(), old, 0);
    }
    CommandResult jar(Args args) {
        args.insert(args.begin(), {"timeout", "-s", "KILL", "20", BRAK_BIN_DIR "/JAR32.EXE"});
        return runCommand(args, work_.path());
    }
    std::string names(const std::string& archive) { return jar({"ls", archive}).output; }
    // The password on descriptor 3 and a new one on descriptor 4, as Brak hands them over.
    CommandResult withPassword(const std::string& command, const std::string& password,
                               const std::string& newPassword = "") {
        return runJarLine(work_.path(), command, password, newPassword);
    }
    TempDir work_;
};

// Each row adds src to a fresh archive with the Advanced piece given, then
// lists it: the names shown and hidden say what took part.
TEST_F(JarAdvanced, SelectionSwitchesChooseTheFilesAdded) {
    const struct Row {
        std::string piece;
        std::string shows;
        std::string hides;
    } rows[] = {
        {"-x\"*.bak\" ", "new.txt", "keep.bak"},
        {"-x!\"exclude.lst\" ", "old.txt", "keep.bak"},
        {"-x\"*.bak\" -x\"new*\" ", "old.txt", "new.txt"},
        {"-ta\"20210101000000\" ", "new.txt", "old.txt"},
        {"-ta ", "keep.bak", "old.txt"},
        {"-tb\"20210101000000\" ", "old.txt", "new.txt"},
        {"-to365 ", "old.txt", "keep.bak"},
    };
    for (const Row& row : rows) {
        fs::remove(work_.file("arc.J"));
        const CommandResult run = jar({"a ", "\"arc.J\" src ", "-r ", row.piece});
        EXPECT_EQ(run.exitCode, Success) << row.piece << run.output;
        const std::string listed = names("arc.J");
        EXPECT_NE(listed.find(row.shows), std::string::npos) << row.piece << listed;
        EXPECT_EQ(listed.find(row.hides), std::string::npos) << row.piece << listed;
        EXPECT_EQ(listed.find("exclude.lst"), std::string::npos) << row.piece;
    }
    // Reading and deleting commands select stored files the same way.
    ASSERT_EQ(jar({"a", "arc.J", "src", "-r"}).exitCode, Success);
    EXPECT_EQ(jar({"l", "arc.J", "-ta\"20210101000000\""}).output.find("old.txt"),
              std::string::npos);
    EXPECT_NE(jar({"t", "arc.J", "-x\"*.txt\""}).output.find("1 file(s) tested"),
              std::string::npos);
    ASSERT_EQ(jar({"d", "arc.J", "*.*", "-tb\"20210101000000\""}).exitCode, Success);
    const std::string left = names("arc.J");
    EXPECT_EQ(left.find("old.txt"), std::string::npos) << left;
    EXPECT_NE(left.find("new.txt"), std::string::npos) << left;
}

TEST_F(JarAdvanced, ChapterRangesPickTheVersionsOfTheirChapters) {
    for (const char* text : {"one", "two", "three"}) {
        work_.write("f.txt", text);
        ASSERT_EQ(jar({"ac", "c.J", "f.txt"}).exitCode, Success);
    }
    const struct Row {
        std::string range;
        int code;
        std::string extracted;
    } rows[] = {{"-jc1-1", Success, "one"},   {"-jc-2", Success, "two"},
                {"-jc2-", Success, "three"},  {"-jc-", Success, "three"},
                {"-jc4-", BadParameters, ""}, {"-jc3-1", BadParameters, ""}};
    for (const Row& row : rows) {
        fs::remove_all(work_.file("out"));
        EXPECT_EQ(jar({"x", "c.J", row.range, "-o\"out\""}).exitCode, row.code) << row.range;
        EXPECT_EQ(work_.read("out/f.txt"), row.extracted) << row.range;
    }
    EXPECT_NE(jar({"l", "c.J", "-jc1-2"}).output.find("6 bytes in 2 file(s)"), std::string::npos);
    // Brak passes the Advanced piece with every command.
    EXPECT_EQ(jar({"lc", "c.J", "-ta", "-jc1-", "-x\"*.bak\"", "-jyo", "-v700", "-vt"}).exitCode,
              Success);
    EXPECT_EQ(jar({"x", "c.J", "-jc1-"}).exitCode, Success);
    ASSERT_EQ(jar({"dc", "c.J", "-jc1-2"}).exitCode, Success);
    fs::remove_all(work_.file("out"));
    ASSERT_EQ(jar({"x", "c.J", "-jc1-1", "-o\"out\""}).exitCode, Success);
    EXPECT_EQ(work_.read("out/f.txt"), "three");
}

// With nothing on standard input an unanswered question is "no".
TEST_F(JarAdvanced, AssumedAnswersCoverOnlyTheirKinds) {
    ASSERT_EQ(jar({"a", "arc.J", "src", "-r"}).exitCode, Success);
    const struct Row {
        Args args;
        std::string file;
        bool changed;
    } rows[] = {
        {{"x", "arc.J", "new.txt", "-jyd"}, "src/new.txt", false},
        {{"x", "arc.J", "new.txt", "-jyo"}, "src/new.txt", true},
        {{"m", "arc.J", "src/old.txt", "-d", "-jyo"}, "src/old.txt", false},
        {{"m", "arc.J", "src/old.txt", "-d", "-jycknrvd"}, "src/old.txt", true},
    };
    for (const Row& row : rows) {
        work_.write("src/new.txt", "edited\n");
        EXPECT_EQ(jar(row.args).exitCode, Success) << row.args.back();
        const bool changed =
            row.file == "src/new.txt" ? work_.read(row.file) == "new\n" : !work_.exists(row.file);
        EXPECT_EQ(changed, row.changed) << row.args.back();
    }
    EXPECT_EQ(jar({"x", "arc.J", "-jyq"}).exitCode, BadParameters);
}

// A password handed over on descriptor 3 encrypts a new archive and opens
// it again; a new password with a command that only reads is refused.
TEST_F(JarAdvanced, APasswordOnADescriptorEncryptsAndOpensAgain) {
    work_.write("src/secret.txt", "a sentence nobody may read\n");
    ASSERT_EQ(withPassword("a arc.J src -r", "hunter2").exitCode, Success);
    EXPECT_EQ(work_.read("arc.J").find("nobody may read"), std::string::npos);
    EXPECT_EQ(withPassword("x arc.J -owrong", "hunter3").exitCode, CrcError);
    EXPECT_FALSE(work_.exists("wrong/src/secret.txt"));
    EXPECT_EQ(jar({"x", "arc.J", "-onone"}).exitCode, BadParameters);
    ASSERT_EQ(withPassword("x arc.J -oright", "hunter2").exitCode, Success);
    EXPECT_EQ(work_.read("right/src/secret.txt"), "a sentence nobody may read\n");
    const std::string before = work_.read("arc.J");
    for (const char* password : {"-np", "-np-", "-npfd4"}) {
        const CommandResult run = jar({"t", "arc.J", password});
        EXPECT_EQ(run.exitCode, BadParameters) << password;
        EXPECT_NE(run.output.find("means nothing for the command \"t\""), std::string::npos)
            << run.output;
    }
    EXPECT_EQ(work_.read("arc.J"), before);
}

// A new password seals every block again: the old one is refused after it, a
// wrong current one writes nothing, and -np- leaves plain data behind.
TEST_F(JarAdvanced, ANewPasswordReplacesTheOldOneOrRemovesIt) {
    const std::string noise = randomBytes(6000, 4);
    work_.write("src/noise.bin", noise);
    ASSERT_EQ(withPassword("a arc.J src -r", "old").exitCode, Success);
    const std::string sealed = work_.read("arc.J");
    EXPECT_EQ(withPassword("y arc.J", "wrong", "new").exitCode, CrcError);
    EXPECT_EQ(withPassword("a arc.J exclude.lst -np-", "wrong").exitCode, CrcError);
    EXPECT_EQ(work_.read("arc.J"), sealed);

    ASSERT_EQ(withPassword("a arc.J exclude.lst -v2", "old", "new").exitCode, Success);
    EXPECT_TRUE(work_.exists("arc.002")) << "split into volumes once sealed again";
    EXPECT_EQ(withPassword("t arc.J", "old").exitCode, CrcError);
    ASSERT_EQ(withPassword("x arc.J -onew", "new").exitCode, Success);
    EXPECT_TRUE(work_.read("new/src/noise.bin") == noise);

    ASSERT_EQ(withPassword("y arc.J -np-", "new").exitCode, Success);
    EXPECT_EQ(work_.read("arc.J").substr(12, 4), std::string(4, '\0')) << "no encryption flag";
    EXPECT_NE(work_.read("arc.J").find(noise.substr(0, 64)), std::string::npos) << "plain data";
    ASSERT_EQ(jar({"x", "arc.J", "-oplain"}).exitCode, Success);
    EXPECT_TRUE(work_.read("plain/src/noise.bin") == noise);
}

TEST_F(JarAdvanced, VolumesSplitTheArchiveAndReadBackWhole) {
    const std::string noise = randomBytes(3 * 1024 * 1024, 24);
    work_.write("big.bin", noise);
    const CommandResult split = jar({"a ", "\"v.J\" big.bin ", "", "-v700 "});
    ASSERT_EQ(split.exitCode, Success) << split.output;
    // 3 MiB does not compress: five volumes of 700 KiB, the last one shorter.
    EXPECT_EQ(fs::file_size(work_.file("v.J")), 700u * 1024);
    for (const char* volume : {"v.001", "v.002", "v.003"})
        EXPECT_EQ(fs::file_size(work_.file(volume)), 700u * 1024) << volume;
    EXPECT_TRUE(work_.exists("v.004"));
    EXPECT_FALSE(work_.exists("v.005"));
    ASSERT_EQ(jar({"x", "v.J", "-o\"out\""}).exitCode, Success);
    EXPECT_TRUE(work_.read("out/big.bin") == noise);
    EXPECT_EQ(jar({"t", "v.J"}).exitCode, Success);

    fs::rename(work_.file("v.002"), work_.file("gone"));
    const CommandResult missing = jar({"l", "v.J"});
    EXPECT_EQ(missing.exitCode, CannotOpen);
    EXPECT_NE(missing.output.find("\"v.002\""), std::string::npos) << missing.output;
    fs::rename(work_.file("gone"), work_.file("v.002"));
    EXPECT_EQ(jar({"rh", "v.J"}).exitCode, BadParameters);

    // The next-volume question: unanswered it stops and keeps the archive
    // whole; -jyv answers it, and -ve runs its command before each volume.
    EXPECT_EQ(jar({"a", "v.J", "exclude.lst", "-v1024", "-vt"}).exitCode, Warning);
    EXPECT_FALSE(work_.exists("v.001"));
    EXPECT_EQ(jar({"t", "v.J"}).exitCode, Success);
    const CommandResult asked =
        jar({"a", "v.J", "exclude.lst", "-v1024", "-vt", "-jyv", "-ve\"echo $JAR_VOLUME >>log\""});
    EXPECT_EQ(asked.exitCode, Success) << asked.output;
    EXPECT_EQ(work_.read("log"), "v.001\nv.002\nv.003\n");
    EXPECT_EQ(jar({"a", "v.J", "exclude.lst", "-v1024", "-vc\"exit 3\""}).exitCode, Fatal);
    // Written again in one piece, its old volumes go.
    ASSERT_EQ(jar({"d", "v.J", "big.bin"}).exitCode, Success);
    EXPECT_FALSE(work_.exists("v.001"));
    EXPECT_EQ(names("v.J"), "exclude.lst\n");
}

TEST_F(JarAdvanced, HelpNamesTheAdvancedSwitches) {
    const std::string help = jar({"--help"}).output;
    for (const char* name : {"-ta[", "-tb[", "-to<", "-jc[", "-x<", "-jy<", "-va ", "-v<", "-vt ",
                             "-vb ", "-vc<", "-ve<", "-p ", "-pfd<", "-np ", "-np- ", "-npfd<"})
        EXPECT_NE(help.find(std::string("\n  ") + name), std::string::npos) << name;
}

} // namespace
} // namespace brak::test
