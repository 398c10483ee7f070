// The archiver's commands and switches as a user meets them: each run is a
// real JAR32.EXE in a temporary tree, given its pieces as Brak gives them,
// and ended (and failed) if it does not finish within 20 seconds.

#include "Archive.h"
#include "RunCommand.h"
#include "TempDir.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <iomanip>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brak::test {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

constexpr int Success = 0, Warning = 1, BadParameters = 7;
// Comments and compression reach the archive file from format version 2 on.
constexpr bool StoresComments = jar::FormatVersion >= 2;

class JarCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::unsetenv("JAR_CFG_FILE");
        ::unsetenv("JAR_CFG_SECTION");
        work_.write("src/a.txt", "alpha\n");
        work_.write("src/b.dat", std::string(5000, 'b'));
        work_.write("src/sub/c.txt", "gamma\n");
        work_.write("note.txt", "A note\r\non two lines\r\n");
    }
    CommandResult jar(Args args) {
        args.insert(args.begin(), {"timeout", "-s", "KILL", "20", BRAK_BIN_DIR "/JAR32.EXE"});
        return runCommand(args, work_.path());
    }
    std::string names(const std::string& archive) { return jar({"ls", archive}).output; }
    TempDir work_;
};

// Each row runs on what the rows before it left; `probe` (ls of arc.J when
// empty, "own" for the run's own output, "file" for a file) must then show
// `shows` and not `hides`.
TEST_F(JarCommands, EveryCommandHasItsEffectAndExitCode) {
    const struct Row {
        Args args;
        int code;
        std::string shows;
        std::string hides = {};
        Args probe = {};
    } rows[] = {
        {{"a ", "\"arc.J\" src ", "-r "}, Success, "src/sub/c.txt"},
        {{"ac ", "\"arc.J\" src/a.txt ", ""}, Success, "      2 ", "", {"lc", "arc.J"}},
        {{"c ", "\"arc.J\" *.* ", ""}, BadParameters, "src/a.txt"}, // no comment switch
        {{"c ", "\"arc.J\" *.txt ", "-z\"note.txt\" -hz\"note.txt\" "},
         BadParameters,
         "src/a.txt"}, // masks without -jz
        {{"c ", "\"arc.J\" a.txt ", "-z\"note.txt\" -jz\"note.txt\" "}, Success, "src/a.txt"},
        {{"ls ", "\"arc.J\" *.txt ", ""}, Success, "src/sub/c.txt", "b.dat", {"own"}},
        {{"sl ", "\"arc.J\" src ", "-r "}, Success, "3 file(s) scanned, 0 cannot", "", {"own"}},
        {{"y ", "\"arc.J\" copy.J ", "-m4 -y "}, Success, "src/b.dat", "", {"ls", "copy.J"}},
        {{"y ", "\"arc.J\" *.* ", "-m1 "}, Success, "src/b.dat"},
        {{"dc ", "\"arc.J\" *.* ", ""}, Success, "      1 ", "      2 ", {"lc", "arc.J"}},
        {{"dc ", "\"arc.J\" ", ""}, BadParameters, "src/a.txt"}, // one chapter is kept
        {{"da ", "\"arc.J\" *.txt ", ""}, BadParameters, "src/a.txt"},
        {{"da ", "\"arc.J\" *.* ", ""}, Success, "", "src/"},
        {{"lc ", "\"arc.J\" ", "-r "}, BadParameters, ""},
        {{"t ", "\"copy.J\" ", ""}, Success, "4 file(s) tested, 0 with errors", "", {"own"}},
        {{"rh ", "\"copy.J\" ", ""},
         StoresComments ? Success : BadParameters,
         "src/a.txt",
         "",
         {"ls", "copy.J"}},
        {{"x ", "\"copy.J\" *.txt ", "-o\"out\" "},
         Success,
         "alpha",
         "",
         {"file", "out/src/a.txt"}},
    };
    for (const Row& row : rows) {
        const CommandResult run = jar(row.args);
        EXPECT_EQ(run.exitCode, row.code) << row.args[0] << row.args[1] << row.args[2] << "\n"
                                          << run.output;
        const std::string probe = row.probe.empty()        ? names("arc.J")
                                  : row.probe[0] == "own"  ? run.output
                                  : row.probe[0] == "file" ? work_.read(row.probe[1])
                                                           : jar(row.probe).output;
        EXPECT_NE(probe.find(row.shows), std::string::npos) << row.args[0] << probe;
        if (!row.hides.empty()) {
            EXPECT_EQ(probe.find(row.hides), std::string::npos) << row.args[0] << probe;
        }
    }
    // sl finds a file locked by another process, by either kind of lock.
    const int locked = ::open(work_.file("src/b.dat").c_str(), O_RDWR | O_CLOEXEC);
    const int recorded = ::open(work_.file("src/a.txt").c_str(), O_RDWR | O_CLOEXEC);
    struct flock range {};
    range.l_type = F_WRLCK;
    ASSERT_EQ(::flock(locked, LOCK_EX), 0);
    ASSERT_EQ(::fcntl(recorded, F_SETLK, &range), 0);
    const CommandResult scan = jar({"sl", "arc.J", "src", "-r"});
    EXPECT_EQ(scan.exitCode, Warning) << scan.output;
    EXPECT_NE(scan.output.find("3 file(s) scanned, 2 cannot"), std::string::npos) << scan.output;
    ::close(locked);
    ::close(recorded);
    if (StoresComments) {
        const std::string listing = jar({"v", "copy.J"}).output;
        EXPECT_NE(listing.find("A note"), std::string::npos) << listing;
        EXPECT_NE(listing.find("on two lines"), std::string::npos) << listing;
    }
}

// Predefined switches pass the checks that switches typed do (the table of
// command lines holds those).
TEST_F(JarCommands, RefusedPredefinedSwitchesChangeNothingAndNameTheSwitch) {
    ASSERT_EQ(jar({"a", "arc.J", "src", "-r"}).exitCode, Success);
    const std::string before = work_.read("arc.J");
    work_.write("jar.cfg", "OptionsForCommand a=-y -jx\r\n");
    ::setenv("JAR_CFG_FILE", work_.file("jar.cfg").c_str(), 1);
    const CommandResult run = jar({"a", "arc.J", "note.txt"});
    EXPECT_EQ(run.exitCode, BadParameters);
    EXPECT_NE(run.output.find("-jx"), std::string::npos) << run.output;
    EXPECT_EQ(work_.read("arc.J"), before);
}

TEST_F(JarCommands, SwitchesActedOnOrMappedShowTheirEffect) {
    work_.write("order/z.a", "z");
    work_.write("order/a.b", "a");
    work_.write("order/m.a", "m");
    ::chmod(work_.file("order/m.a").c_str(), 0444);
    ASSERT_EQ(jar({"a", "name.J", "order", "-ju0"}).exitCode, Success);
    EXPECT_EQ(names("name.J"), "order/a.b\norder/m.a\norder/z.a\n");
    ASSERT_EQ(jar({"a", "ext.J", "order", "-ju1", "-l\"added.lst\""}).exitCode, Success);
    EXPECT_EQ(names("ext.J"), "order/m.a\norder/z.a\norder/a.b\n");
    EXPECT_EQ(work_.read("added.lst"), names("ext.J"));
    // -hb: read-only from the write bits; -b0: the archive bit recorded clear.
    ASSERT_EQ(jar({"a", "ro.J", "order", "-hbr1", "-b0"}).exitCode, Success);
    EXPECT_EQ(names("ro.J"), "order/m.a\n");
    ASSERT_EQ(jar({"lt", "ro.J", "ro.dmp"}).exitCode, Success);
    EXPECT_NE(work_.read("ro.dmp").find("ATTRIBUTES=8\r\n"), std::string::npos);
    EXPECT_EQ(jar({"a", "none.J", "order", "-hbd1"}).exitCode, Warning); // no directory is a file

    // -s1 keeps the archive's time; -s gives it its newest file's.
    const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, work_.file("name.J").c_str(), old, 0);
    ASSERT_EQ(jar({"a", "name.J", "note.txt", "-s1"}).exitCode, Success);
    struct stat info {};
    ::stat(work_.file("name.J").c_str(), &info);
    EXPECT_EQ(info.st_mtime, 1000000000);
    ::utimensat(AT_FDCWD, work_.file("note.txt").c_str(), old, 0);
    ASSERT_EQ(jar({"y", "name.J", "-s"}).exitCode, Success);
    ::stat(work_.file("name.J").c_str(), &info);
    time_t newest = 0;
    for (const char* file : {"order/z.a", "order/a.b", "order/m.a"}) {
        struct stat each {};
        ::stat(work_.file(file).c_str(), &each);
        newest = std::max(newest, each.st_mtime);
    }
    EXPECT_EQ(info.st_mtime, newest);

    // -jf stores the full path; -hl makes an unused mask a warning.
    ASSERT_EQ(jar({"a", "full.J", "note.txt", "-jf"}).exitCode, Success);
    EXPECT_EQ(names("full.J"), fs::canonical(work_.file("note.txt")).string().substr(1) + "\n");
    EXPECT_EQ(jar({"t", "name.J", "a.b", "nothing.*"}).exitCode, Success);
    EXPECT_EQ(jar({"t", "name.J", "a.b", "nothing.*", "-hl"}).exitCode, Warning);

    // Extraction: a read-only file is replaced only with -ha; -n replaces none.
    ASSERT_EQ(jar({"e", "name.J", "m.a", "-y"}).exitCode, Success);
    work_.write("a.b", "mine");
    EXPECT_EQ(jar({"e", "name.J", "m.a", "-y"}).exitCode, Warning);
    EXPECT_EQ(jar({"e", "name.J", "m.a", "-y", "-ha"}).exitCode, Success);
    EXPECT_EQ(jar({"e", "name.J", "a.b", "-y", "-n"}).exitCode, Success);
    EXPECT_EQ(work_.read("a.b"), "mine");
    // -ho: a backslash separates directories when extracting with paths.
    work_.write("back\\slash.txt", "b");
    ASSERT_EQ(jar({"a", "back.J", "back*"}).exitCode, Success);
    ASSERT_EQ(jar({"x", "back.J", "-oplain"}).exitCode, Success);
    ASSERT_EQ(jar({"x", "back.J", "-otranslated", "-ho"}).exitCode, Success);
    EXPECT_TRUE(work_.exists("plain/back\\slash.txt"));
    EXPECT_EQ(work_.read("translated/back/slash.txt"), "b");

    if (StoresComments) {
        work_.write("big.log", std::string(4 << 20, 'x'));
        ASSERT_EQ(jar({"a", "best.J", "big.log", "-m4"}).exitCode, Success);
        EXPECT_LT(fs::file_size(work_.file("best.J")), 100000u);
    }
}

TEST_F(JarCommands, QuotedNamesAreNeverSwitchesNorListFiles) {
    work_.write("sub dir/in.txt", "in");
    work_.write("!odd.lst", "odd");
    CommandResult run = jar({"a ", "\"-lib.j\" \"sub dir\" \"!odd.lst\" ", ""});
    ASSERT_EQ(run.exitCode, Success) << run.output;
    EXPECT_EQ(names("\"-lib.j\""), "sub dir/in.txt\n!odd.lst\n");
    ASSERT_EQ(jar({"e", "\"-lib.j\"", "in.txt", "-o\"-out\""}).exitCode, Success);
    EXPECT_EQ(work_.read("-out/in.txt"), "in");
    // Unquoted, they are what they look like.
    EXPECT_EQ(jar({"l", "-lib.j"}).exitCode, BadParameters);
}

TEST_F(JarCommands, ListFilesAreBoundedAndNeverArchived) {
    ASSERT_EQ(::mkfifo(work_.file("fifo").c_str(), 0600), 0);
    work_.write("long.lst", std::string(10000, 'n') + "\n");
    work_.write("names.lst", "src/a.txt\nnames.lst\n*.lst\n");
    for (const std::string list : {"!fifo", "!/dev/zero", "!/dev/urandom", "!long.lst", "!"}) {
        const CommandResult run = jar({"a", "arc.J", list});
        EXPECT_EQ(run.exitCode, BadParameters) << list << ": " << run.output;
        EXPECT_FALSE(work_.exists("arc.J")) << list;
    }
    ASSERT_EQ(jar({"a ", "\"arc.J\" !\"names.lst\" ", ""}).exitCode, Success);
    EXPECT_EQ(names("arc.J"), "src/a.txt\nlong.lst\n");
    // lt writes its listing only to a name given plainly.
    EXPECT_EQ(jar({"lt", "arc.J", "!names.lst"}).exitCode, BadParameters);
    EXPECT_EQ(work_.read("names.lst"), "src/a.txt\nnames.lst\n*.lst\n");
}

TEST_F(JarCommands, NamesShownEscapeC1AndDirectionControls) {
    const std::string name = "e\xE2\x80\xAEtxt.exe\xC2\x9B"
                             "\x9B"
                             "\xE2\x81\xA6.txt";
    work_.write(name, "x");
    ASSERT_EQ(jar({"a", "arc.J", "e*"}).exitCode, Success);
    const std::string shown = jar({"l", "arc.J"}).output;
    EXPECT_NE(shown.find("e\\u202etxt.exe\\u009b\\x9b\\u2066.txt"), std::string::npos) << shown;
    for (const char* raw : {"\xE2\x80\xAE", "\xC2\x9B", "\xE2\x81\xA6"})
        EXPECT_EQ(shown.find(raw), std::string::npos);
    // Other characters beyond ASCII are shown as they are.
    work_.write("café.txt", "c");
    ASSERT_EQ(jar({"a", "arc.J", "caf*"}).exitCode, Success);
    EXPECT_NE(names("arc.J").find("café.txt"), std::string::npos);
}

TEST_F(JarCommands, HelpNamesEverySwitchOfTheCatalogue) {
    const std::string help = jar({"--help"}).output;
    for (const char* name :
         {"-hy ",  "-he ",  "-y ",   "-r ",   "-q ",   "-d ",   "-n ",   "-ha ",  "-hl ",
          "-jf ",  "-jr ",  "-hk ",  "-hx ",  "-jx ",  "-ho ",  "-jt ",  "-hb<",  "-f1 ",
          "-f2 ",  "-b1 ",  "-b0 ",  "-u1 ",  "-u2 ",  "-hg0 ", "-hg1 ", "-ht0 ", "-ht1 ",
          "-s ",   "-s1 ",  "-ju- ", "-ju0 ", "-ju1 ", "-js- ", "-js0 ", "-js1 ", "-jl ",
          "-jl1 ", "-jl2 ", "-m1 ",  "-m2 ",  "-m3 ",  "-m4 ",  "-hf- ", "-hf ",  "-hf1 ",
          "-hf2 ", "-hf3 ", "-o<",   "-w<",   "-l<",   "-z<",   "-hz<",  "-jz<"})
        EXPECT_NE(help.find(std::string("\n  ") + name), std::string::npos) << name;
}

// The command lines of a table, run in order in one folder that also holds
// the sample archives: each ends with its exit code and says its text.
TEST_F(JarCommands, CommandLinesOfTheTableEndAsWritten) {
    for (const char* samples : {"/foreign_archives", "/jar_archives"})
        for (const auto& sample : fs::directory_iterator(BRAK_TEST_DATA + std::string(samples)))
            fs::copy_file(sample.path(), work_.file(sample.path().filename()));
    std::istringstream table(readFile(BRAK_TEST_DATA "/jar_command_lines.txt"));
    int rows = 0;
    for (std::string line; std::getline(table, line);) {
        if (line.rfind("$ ", 0) == 0) {
            ASSERT_EQ(runCommand({"sh", "-c", line.substr(2)}, work_.path()).exitCode, 0) << line;
            continue;
        }
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream row(line);
        int code = -1;
        std::string says, arguments, password;
        std::getline(row >> code >> std::quoted(says) >> std::ws, arguments);
        if (const size_t mark = arguments.rfind(" <<"); mark != std::string::npos) {
            password = arguments.substr(mark + 3);
            arguments.resize(mark);
        }
        const size_t colon = password.find(':');
        const CommandResult run =
            runJarLine(work_.path(), arguments, password.substr(0, colon),
                       colon == std::string::npos ? "" : password.substr(colon + 1));
        EXPECT_EQ(run.exitCode, code) << line << "\n" << run.output;
        EXPECT_NE(run.output.find(says), std::string::npos) << line << "\n" << run.output;
        ++rows;
    }
    EXPECT_GT(rows, 90);
}

} // namespace
} // namespace brak::test
