// The stand-in archiver as a black box: each test runs JAR32.EXE as a child
// process in a fresh directory, with the arguments Brak would pass.

#include "TempDir.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <regex>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace brak::test {
namespace {

namespace fs = std::filesystem;

const std::string JarProgram = std::string(BRAK_BIN_DIR) + "/JAR32.EXE";

constexpr int Success = 0;
constexpr int Warning = 1;
constexpr int CrcError = 3;
constexpr int WriteError = 5;
constexpr int CannotOpen = 6;
constexpr int BadParameters = 7;
constexpr int NotAnArchive = 9;
constexpr int Interrupted = 11;

// 1998/09/14 00:00:00, 06:30:00, 1998/09/15 08:00:00 and 1998/09/16 09:15:00 UTC.
constexpr std::int64_t Midnight = 905731200;
constexpr std::int64_t Morning = 905754600;
constexpr std::int64_t NextDay = 905846400;
constexpr std::int64_t ThirdDay = 905937300;

struct JarRun {
    int code = -1;
    std::string output; // standard output and error together
    double seconds = 0;
};

// How the stand-in is started: its standard input (the null device when -1),
// a pseudo-terminal in place of the output file, a limit on its memory.
struct Spawn {
    int input = -1;
    bool terminal = false;
    rlim_t memoryLimit = RLIM_INFINITY;
};

// An AddressSanitizer build reserves terabytes of address space at start,
// so its stand-in cannot run under a memory cap; the plain build proves the
// bound.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool MemoryCanBeCapped = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool MemoryCanBeCapped = false;
#else
constexpr bool MemoryCanBeCapped = true;
#endif
#else
constexpr bool MemoryCanBeCapped = true;
#endif

bool hasControlCharacter(const std::string& text, const std::string& allowed) {
    return std::any_of(text.begin(), text.end(), [&](char c) {
        return (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) &&
               allowed.find(c) == std::string::npos;
    });
}

void setTimes(const std::string& path, std::int64_t modified, std::int64_t accessed = Midnight) {
    const struct timespec times[2] = {{static_cast<time_t>(accessed), 0},
                                      {static_cast<time_t>(modified), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

std::int64_t modifiedTime(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtime : -1;
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

std::uint32_t readU32(const std::string& data, size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(data[at + i]);
    return value;
}

void putU64(std::string& data, size_t at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i)
        data[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Where entry n's fields after its name start in an index: a 32-byte header,
// 20 bytes per chapter, the entry count, then per entry its name's length,
// the name and 56 bytes (size at +36, data offset at +48).
size_t entryFields(const std::string& index, int n) {
    size_t at = 32 + 20 * readU32(index, 28) + 4;
    for (int i = 0;; ++i) {
        at += 4 + readU32(index, at);
        if (i == n)
            return at;
        at += 56;
    }
}

// Edits the index of an archive and seals it with a matching CRC again, the
// way a hostile archive would be made. The footer holds the index offset
// (8 bytes), its length and its CRC (4 bytes each) and an 8-byte tag.
void rewriteIndex(const std::string& path, const std::function<void(std::string&)>& edit) {
    std::string archive = readFile(path);
    ASSERT_GT(archive.size(), 24u);
    const size_t footer = archive.size() - 24;
    const std::uint32_t length = readU32(archive, footer + 8);
    std::string index = archive.substr(footer - length, length);
    edit(index);
    const std::uint32_t crc = crc32(index);
    archive.replace(footer - length, length, index);
    for (int i = 0; i < 4; ++i)
        archive[footer + 12 + i] = static_cast<char>((crc >> (8 * i)) & 0xFF);
    writeFile(path, archive);
}

// FILE name and CHAPTERSRANGE of every file section of a dump, in order.
std::vector<std::pair<std::string, std::string>> dumpRanges(const std::string& dump) {
    std::vector<std::pair<std::string, std::string>> ranges;
    std::istringstream lines(dump);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("FILE=", 0) == 0)
            ranges.emplace_back(line.substr(5), "");
        else if (line.rfind("  CHAPTERSRANGE=", 0) == 0 && !ranges.empty())
            ranges.back().second = line.substr(16);
    }
    return ranges;
}

class JarTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Times in listings are local: fix the zone so that they are known.
        ::setenv("TZ", "UTC", 1);
        ::unsetenv("JAR_CFG_FILE");
        ::unsetenv("JAR_CFG_SECTION");
    }

    // Starts the stand-in in the work directory. Its output goes to a file
    // beside, out of its way, or to a pseudo-terminal that finish() reads.
    pid_t startJar(const std::vector<std::string>& args, const Spawn& how = {}) {
        std::vector<std::string> argv = {"JAR32.EXE "};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (std::string& argument : argv)
            pointers.push_back(argument.data());
        pointers.push_back(nullptr);
        const std::string output = io_.file("output");
        started_ = std::chrono::steady_clock::now();

        // Only async-signal-safe calls between fork and exec.
        terminal_ = -1;
        const pid_t pid =
            how.terminal ? ::forkpty(&terminal_, nullptr, nullptr, nullptr) : ::fork();
        if (pid == 0) {
            const int input = how.input >= 0 ? how.input : ::open("/dev/null", O_RDONLY);
            if (!how.terminal) {
                ::dup2(input, 0);
                ::dup2(::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
                ::dup2(1, 2);
            }
            const struct rlimit limit = {how.memoryLimit, how.memoryLimit};
            if (::chdir(work_.path().c_str()) != 0 || ::setrlimit(RLIMIT_AS, &limit) != 0)
                ::_exit(127);
            ::execve(JarProgram.c_str(), pointers.data(), environ);
            ::_exit(127);
        }
        EXPECT_GT(pid, 0) << "cannot start " << JarProgram;
        return pid;
    }

    // Waits for the stand-in, reading its terminal meanwhile; after 20
    // seconds it is killed and the run fails.
    JarRun finish(pid_t pid) {
        JarRun run;
        std::string screen;
        auto readTerminal = [&] {
            struct pollfd ready = {terminal_, POLLIN, 0};
            char buffer[4096];
            ssize_t got = 0;
            while (terminal_ >= 0 && ::poll(&ready, 1, 0) > 0 &&
                   (got = ::read(terminal_, buffer, sizeof buffer)) > 0)
                screen.append(buffer, static_cast<size_t>(got));
        };
        int status = 0;
        const auto deadline = started_ + std::chrono::seconds(20);
        while (pid > 0 && ::waitpid(pid, &status, WNOHANG) != pid) {
            readTerminal();
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                ADD_FAILURE() << "the stand-in did not end";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        run.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        readTerminal();
        if (terminal_ >= 0) {
            ::close(terminal_);
            terminal_ = -1;
            run.output = screen;
        } else {
            run.output = io_.read("output");
        }
        return run;
    }

    JarRun jar(const std::vector<std::string>& args, const std::string& input = "",
               Spawn how = {}) {
        io_.write("input", input);
        how.input = ::open(io_.file("input").c_str(), O_RDONLY | O_CLOEXEC);
        const pid_t pid = startJar(args, how);
        ::close(how.input);
        // Typed ahead: the terminal keeps it until the stand-in reads.
        if (how.terminal && !input.empty()) {
            EXPECT_EQ(::write(terminal_, input.data(), input.size()),
                      static_cast<ssize_t>(input.size()));
        }
        return finish(pid);
    }

    std::string dump(const std::string& archive) {
        const JarRun run = jar({"lt", "\"" + archive + "\"", io_.file("dump.dmp")});
        EXPECT_EQ(run.code, Success) << run.output;
        return io_.read("dump.dmp");
    }

    // Files other than the ones named, left behind in the work directory.
    std::vector<std::string> strayFiles(const std::vector<std::string>& expected) {
        std::vector<std::string> stray;
        for (const auto& entry : fs::directory_iterator(work_.path())) {
            const std::string name = entry.path().filename().string();
            if (std::find(expected.begin(), expected.end(), name) == expected.end())
                stray.push_back(name);
        }
        return stray;
    }

    TempDir work_; // where the stand-in runs
    TempDir io_;   // its input and output
    int terminal_ = -1;
    std::chrono::steady_clock::time_point started_;
};

TEST_F(JarTest, WithoutArgumentsPrintsItsUsageAndSucceeds) {
    for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{" ", ""}}) {
        const JarRun run = jar(args);
        EXPECT_EQ(run.code, Success);
        EXPECT_NE(run.output.find("Usage: JAR32.EXE <command> <archive>"), std::string::npos);
    }
    EXPECT_TRUE(strayFiles({}).empty());
}

TEST_F(JarTest, AddsFilesAndExtractsThemWithAndWithoutPaths) {
    work_.write("src/one.txt", "one\n");
    work_.write("src/two words.txt", std::string(100000, 'x'));
    work_.write("src/deep/three.dat", "three");
    setTimes(work_.file("src/deep/three.dat"), Morning);

    // The pieces as Brak passes them: trailing blanks, the archive quoted.
    JarRun run = jar({"a ", "\"my arc.J\" src/*.* ", "-r -y "});
    ASSERT_EQ(run.code, Success) << run.output;

    // Unquoted, a name with a blank would be two names.
    EXPECT_EQ(jar({"l", "my arc.J"}).code, CannotOpen);
    run = jar({"l", "\"my arc.J\""});
    EXPECT_EQ(run.code, Success) << run.output;
    EXPECT_NE(run.output.find("src/two words.txt"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("src/deep/three.dat"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("100009 bytes in 3 file(s)"), std::string::npos) << run.output;

    run = jar({"x ", "\"my arc.J\" *.* ", "-o\"out dir\" "});
    ASSERT_EQ(run.code, Success) << run.output;
    EXPECT_EQ(work_.read("out dir/src/one.txt"), "one\n");
    EXPECT_EQ(work_.read("out dir/src/two words.txt"), std::string(100000, 'x'));
    EXPECT_EQ(work_.read("out dir/src/deep/three.dat"), "three");
    EXPECT_EQ(modifiedTime(work_.file("out dir/src/deep/three.dat")), Morning);

    run = jar({"e", "\"my arc.J\"", "*.dat", "-oflat"});
    ASSERT_EQ(run.code, Success) << run.output;
    EXPECT_EQ(work_.read("flat/three.dat"), "three");
    EXPECT_FALSE(work_.exists("flat/one.txt"));

    run = jar({"t", "\"my arc.J\""});
    EXPECT_EQ(run.code, Success) << run.output;
    EXPECT_NE(run.output.find("3 file(s) tested, 0 with errors"), std::string::npos);
}

TEST_F(JarTest, ListFileNamesTheFilesToAdd) {
    work_.write("keep.txt", "keep");
    work_.write("b c.txt", "bc");
    work_.write("other.txt", "other");
    work_.write("BRAK.LST", "keep.txt\r\n\r\nb c.txt\r\n");
    const JarRun run = jar({"a ", "\"arc.J\" !\"BRAK.LST\" ", ""});
    ASSERT_EQ(run.code, Success) << run.output;
    const auto ranges = dumpRanges(dump("arc.J"));
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[0].first, "keep.txt");
    EXPECT_EQ(ranges[1].first, "b c.txt");
}

TEST_F(JarTest, AddChapterKeepsEarlierVersionsAndAddReplacesInTheLastChapter) {
    work_.write("a.txt", "a1");
    work_.write("b.txt", "b1");
    ASSERT_EQ(jar({"a", "arc.J", "*.txt"}).code, Success);
    // A file replaced in the chapter where it was added leaves no old version.
    work_.write("a.txt", "a2");
    ASSERT_EQ(jar({"a", "arc.J", "a.txt"}).code, Success);
    work_.write("a.txt", "a3");
    ASSERT_EQ(jar({"ac", "arc.J", "a.txt"}).code, Success);

    const std::string listing = dump("arc.J");
    EXPECT_NE(listing.find("  MAXCHAPTER=2\r\n"), std::string::npos) << listing;
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"a.txt", "1-1"}, {"b.txt", "1-2"}, {"a.txt", "2-2"}};
    EXPECT_EQ(dumpRanges(listing), expected);

    ASSERT_EQ(jar({"e", "arc.J", "a.txt", "-oout"}).code, Success);
    EXPECT_EQ(work_.read("out/a.txt"), "a3");
}

TEST_F(JarTest, UpdateAndFreshenFollowModificationTimes) {
    work_.write("old.txt", "old");
    work_.write("same.txt", "same");
    setTimes(work_.file("old.txt"), Morning);
    setTimes(work_.file("same.txt"), Morning);
    ASSERT_EQ(jar({"a", "arc.J", "*.txt"}).code, Success);

    work_.write("old.txt", "newer");
    setTimes(work_.file("old.txt"), NextDay);
    work_.write("new.txt", "new");
    ASSERT_EQ(jar({"f", "arc.J", "*.txt"}).code, Success);
    EXPECT_EQ(dumpRanges(dump("arc.J")).size(), 2u) << "freshen adds no new file";

    ASSERT_EQ(jar({"u", "arc.J", "*.txt"}).code, Success);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"old.txt", "1-1"}, {"same.txt", "1-1"}, {"new.txt", "1-1"}};
    EXPECT_EQ(dumpRanges(dump("arc.J")), expected);

    // -u2 takes a different time, an older one included; -u1 only a newer.
    setTimes(work_.file("same.txt"), Midnight);
    JarRun run = jar({"u", "arc.J", "same.txt"});
    EXPECT_EQ(run.output.find("Replacing"), std::string::npos) << run.output;
    run = jar({"u", "arc.J", "same.txt", "-u2"});
    EXPECT_NE(run.output.find("Replacing same.txt"), std::string::npos) << run.output;

    ASSERT_EQ(jar({"x", "arc.J", "-oout"}).code, Success);
    EXPECT_EQ(work_.read("out/old.txt"), "newer");
}

TEST_F(JarTest, DeleteRemovesFilesFromTheLastChapterOnly) {
    work_.write("a.txt", "a");
    work_.write("b.txt", "b");
    work_.write("c.dat", "c");
    ASSERT_EQ(jar({"a", "arc.J"}).code, Success);
    ASSERT_EQ(jar({"ac", "arc.J", "nothing.here"}).code, Warning);
    JarRun run = jar({"d ", "\"arc.J\" *.txt ", ""});
    ASSERT_EQ(run.code, Success) << run.output;
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"a.txt", "1-1"}, {"b.txt", "1-1"}, {"c.dat", "1-2"}};
    EXPECT_EQ(dumpRanges(dump("arc.J")), expected);

    run = jar({"d", "arc.J", "*.txt"});
    EXPECT_EQ(run.code, Warning) << "nothing left to delete: " << run.output;
    // Declining is the user's choice, not a warning.
    EXPECT_EQ(jar({"d", "arc.J", "c.dat", "-q"}, "no\n").code, Success);
    EXPECT_EQ(dumpRanges(dump("arc.J")).size(), 3u);
    ASSERT_EQ(jar({"d", "arc.J", "c.dat"}).code, Success);
    EXPECT_EQ(dumpRanges(dump("arc.J"))[2].second, "1-1");
}

TEST_F(JarTest, MoveDeletesOnlyTheFilesItStored) {
    work_.write("a.txt", "a");
    work_.write("b.txt", "b");
    work_.write("keep.dat", "k");
    ASSERT_EQ(jar({"m", "arc.J", "*.txt"}).code, Success);
    EXPECT_FALSE(work_.exists("a.txt"));
    EXPECT_FALSE(work_.exists("b.txt"));
    EXPECT_TRUE(work_.exists("keep.dat"));
    // -d asks before each deletion; "no" keeps the file, though it was stored.
    work_.write("c.txt", "c");
    ASSERT_EQ(jar({"m", "arc.J", "c.txt", "-d"}, "n\n").code, Success);
    EXPECT_TRUE(work_.exists("c.txt"));
    ASSERT_EQ(jar({"x", "arc.J", "-oout"}).code, Success);
    EXPECT_EQ(work_.read("out/a.txt"), "a");
    EXPECT_EQ(work_.read("out/c.txt"), "c");
}

TEST_F(JarTest, OverwriteQuestionFollowsTheAnswer) {
    work_.write("f.txt", "archived");
    work_.write("g.txt", "archived too");
    ASSERT_EQ(jar({"a", "arc.J", "*.txt"}).code, Success);
    struct Case {
        std::string input;
        std::vector<std::string> switches;
        std::string f;
        std::string g;
        int code = Success;
    };
    const std::vector<Case> cases = {
        {"y\nn\n", {}, "archived", "mine too"},
        {"no\nyes\n", {}, "mine", "archived too"},
        {"", {}, "mine", "mine too"},                 // end of input: no
        {"maybe\n\ny\n", {}, "archived", "mine too"}, // asked again
        {"A\n", {}, "archived", "archived too"},      // all
        {"q\ny\n", {}, "mine", "mine too", Warning},  // quit: nothing more
        {"y\nQuit\n", {}, "archived", "mine too", Warning},
        {"", {"-y"}, "archived", "archived too"}, // assume yes
        {"y\ny\n", {"-n"}, "mine", "mine too"},   // new files only
    };
    for (const Case& c : cases) {
        work_.write("out/f.txt", "mine");
        work_.write("out/g.txt", "mine too");
        std::vector<std::string> args = {"e", "arc.J", "-oout"};
        args.insert(args.end(), c.switches.begin(), c.switches.end());
        const JarRun run = jar(args, c.input);
        EXPECT_EQ(run.code, c.code) << run.output;
        EXPECT_EQ(work_.read("out/f.txt"), c.f) << "answers: " << c.input;
        EXPECT_EQ(work_.read("out/g.txt"), c.g) << "answers: " << c.input;
        EXPECT_EQ(run.output.find("Stopped by the user.") != std::string::npos, c.code == Warning);
        EXPECT_EQ(strayFiles({"arc.J", "f.txt", "g.txt", "out"}), std::vector<std::string>{});
    }
}

TEST_F(JarTest, DamagedDataIsACrcErrorAndNeverReplacesAFile) {
    work_.write("data.txt", std::string(5000, 'd'));
    work_.write("fine.txt", "fine");
    ASSERT_EQ(jar({"a", "arc.J", "*.txt"}).code, Success);
    std::string archive = work_.read("arc.J");
    const size_t at = archive.find(std::string(100, 'd'));
    ASSERT_NE(at, std::string::npos);
    archive[at + 50] = 'X';
    work_.write("arc.J", archive);

    JarRun run = jar({"t", "arc.J"});
    EXPECT_EQ(run.code, CrcError) << run.output;
    EXPECT_NE(run.output.find("data.txt (chapters 1-1) CRC error"), std::string::npos);

    work_.write("out/data.txt", "mine");
    run = jar({"e", "arc.J", "-oout", "-y"});
    EXPECT_EQ(run.code, CrcError) << run.output;
    EXPECT_EQ(work_.read("out/data.txt"), "mine");
    EXPECT_EQ(work_.read("out/fine.txt"), "fine");
    // Nothing else is left there, no half-written file in particular.
    EXPECT_EQ(std::distance(fs::directory_iterator(work_.file("out")), fs::directory_iterator()),
              2);
}

// Each archive is given to every command that reads one. Whatever it claims,
// the answer comes at once, in little memory, writes nothing and shows no
// control character.
TEST_F(JarTest, HostileArchivesAreRefusedPromptlyWithTheirExitCodes) {
    work_.write("ab/evil.txt", std::string(1000, 'e'));
    work_.write("ab/good.txt", std::string(1000, 'g'));
    work_.write("new.txt", "n");
    ASSERT_EQ(jar({"a", "arc.J", "ab/*.*"}).code, Success);
    const std::string good = work_.read("arc.J");
    auto sealed = [this, good](std::function<void(std::string&)> edit) {
        return [this, good, edit] {
            work_.write("arc.J", good);
            rewriteIndex(work_.file("arc.J"), edit);
        };
    };
    auto named = [sealed](std::string name) {
        return sealed(
            [name](std::string& index) { index.replace(index.find("ab/evil.txt"), 11, name); });
    };
    auto fields = [sealed](int entry, int field,
                           std::function<std::uint64_t(std::uint64_t)> change) {
        return sealed([=](std::string& index) {
            const size_t at = entryFields(index, entry) + field;
            std::uint64_t value = 0;
            for (int i = 7; i >= 0; --i)
                value = (value << 8) | static_cast<unsigned char>(index[at + i]);
            putU64(index, at, change(value));
        });
    };
    struct Case {
        std::string what;
        std::function<void()> make;
        int code;
    };
    const std::vector<Case> cases = {
        {"a FIFO", [this] { ::mkfifo(work_.file("arc.J").c_str(), 0600); }, CannotOpen},
        {"a directory", [this] { fs::create_directory(work_.file("arc.J")); }, CannotOpen},
        {"text", [this] { work_.write("arc.J", "just some text, long enough to be looked at\n"); },
         NotAnArchive},
        {"cut short", [this, good] { work_.write("arc.J", good.substr(0, good.size() - 10)); },
         CrcError},
        {"index bit flipped",
         [this, good] {
             std::string flipped = good;
             flipped[flipped.size() - 30] ^= 0x20;
             work_.write("arc.J", flipped);
         },
         CrcError},
        {"footer claims 4 GiB",
         [this, good] {
             std::string claim = good;
             putU64(claim, claim.size() - 16, 0xFFFFFFFFu);
             work_.write("arc.J", claim);
         },
         CrcError},
        {"a 4 GiB sparse index",
         [this, good] {
             // A valid header and chapter, then as many entries as 4 GiB
             // could hold are claimed; the rest is a hole.
             const std::uint64_t length = 0xFFFFFFF0u;
             std::string head =
                 good.substr(0, 8) + good.substr(8 + 2000, 32 + 20) + std::string("\0\0\0\4", 4);
             std::string footer(24, '\0');
             putU64(footer, 0, 8);
             putU64(footer, 8, length);
             footer.replace(16, 8, "JARINDEX");
             const int fd = ::open(work_.file("arc.J").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
             ASSERT_EQ(::pwrite(fd, head.data(), head.size(), 0),
                       static_cast<ssize_t>(head.size()));
             ASSERT_EQ(::pwrite(fd, footer.data(), 24, static_cast<off_t>(8 + length)), 24);
             ::close(fd);
         },
         CrcError},
        {"two files share their data", fields(1, 48, [](std::uint64_t) { return 8; }), CrcError},
        {"data runs into the index", fields(1, 36, [](std::uint64_t size) { return size + 30; }),
         CrcError},
        {"data beyond the end", fields(1, 48, [](std::uint64_t) { return 1ull << 40; }), CrcError},
        {"a name leaving the directory", named("../evil.txt"), CrcError},
        {"an absolute name", named("/b/evil.txt"), CrcError},
        {"a name with a dot", named("ab/./evil.t"), CrcError},
        {"a name with a line feed", named("ab/e\nil.txt"), CrcError},
        {"a name with an escape", named("ab/\x1b[2J.txt"), CrcError},
        {"a name with a carriage return", named("ab/e\rvil.tx"), CrcError},
        {"a name with a delete", named("ab/ev\x7fl.txt"), CrcError},
    };
    const std::vector<std::vector<std::string>> commands = {{"l"},
                                                            {"v"},
                                                            {"t"},
                                                            {"e", "-oout", "-y"},
                                                            {"x", "-oout/in", "-y"},
                                                            {"d", "*.*"},
                                                            {"lt", "x.dmp"},
                                                            {"a", "new.txt"}};
    // Reading a FIFO would block the test itself, and the sparse file is
    // known by its size and time.
    auto contents = [this]() -> std::string {
        const std::string path = work_.file("arc.J");
        if (!fs::is_regular_file(path))
            return "";
        if (fs::file_size(path) > (1 << 20))
            return std::to_string(fs::file_size(path)) + " " + std::to_string(modifiedTime(path));
        return work_.read("arc.J");
    };
    for (const Case& c : cases) {
        fs::remove_all(work_.file("arc.J"));
        c.make();
        const std::string before = contents();
        for (std::vector<std::string> args : commands) {
            args.insert(args.begin() + 1, "arc.J");
            const JarRun run = jar(
                args, "", {.memoryLimit = MemoryCanBeCapped ? rlim_t{256} << 20 : RLIM_INFINITY});
            EXPECT_EQ(run.code, c.code) << c.what << ", " << args[0] << ": " << run.output;
            EXPECT_LT(run.seconds, 2.0) << c.what << ", " << args[0];
            EXPECT_FALSE(hasControlCharacter(run.output, "\n")) << c.what << ": " << run.output;
        }
        EXPECT_EQ(contents(), before) << c.what;
        EXPECT_EQ(strayFiles({"ab", "new.txt", "arc.J"}), std::vector<std::string>{}) << c.what;
    }
}

// A symbolic link in the way is not followed out of the target directory.
TEST_F(JarTest, ExtractionNeverFollowsALinkOutOfTheTargetDirectory) {
    work_.write("ab/evil.txt", "evil");
    ASSERT_EQ(jar({"a", "arc.J", "-r", "evil.txt"}).code, Success);
    fs::create_directories(work_.file("elsewhere"));
    fs::create_directories(work_.file("out"));
    fs::create_directory_symlink(work_.file("elsewhere"), work_.file("out/ab"));
    EXPECT_EQ(jar({"x", "arc.J", "-oout", "-y"}).code, WriteError);
    EXPECT_FALSE(work_.exists("elsewhere/evil.txt"));
}

// Such a file is left out with a warning that shows its name escaped; the
// others are stored.
TEST_F(JarTest, NamesWithControlCharactersAreLeftOutWhenAdding) {
    const std::vector<std::pair<std::string, std::string>> names = {
        {"line\nfeed.txt", "line\\nfeed.txt"}, {"carriage\rreturn.txt", "carriage\\rreturn.txt"},
        {"tab\t.txt", "tab\\t.txt"},           {"esc\x1b[31m.txt", "esc\\x1b[31m.txt"},
        {"del\x7f.txt", "del\\x7f.txt"},       {"dir\nname/inner.txt", "dir\\nname"},
    };
    work_.write("sub/ok.txt", "ok");
    for (const auto& [name, shown] : names)
        work_.write("sub/" + name, "bad");
    const JarRun run = jar({"a", "arc.J", "sub", "-r"});
    EXPECT_EQ(run.code, Warning) << run.output;
    EXPECT_FALSE(hasControlCharacter(run.output, "\n")) << run.output;
    for (const auto& [name, shown] : names)
        EXPECT_NE(run.output.find("sub/" + shown), std::string::npos)
            << shown << ": " << run.output;
    EXPECT_EQ(dumpRanges(dump("arc.J")),
              (std::vector<std::pair<std::string, std::string>>{{"sub/ok.txt", "1-1"}}));
}

TEST_F(JarTest, BadParametersExitWithSevenAndChangeNothing) {
    work_.write("a.txt", "a");
    ASSERT_EQ(jar({"a", "arc.J", "a.txt"}).code, Success);
    const std::string before = work_.read("arc.J");
    for (const std::string command : {"c", "da", "dc", "lc", "ls", "rh", "sl", "y"}) {
        const JarRun run = jar({command + " ", "\"arc.J\" *.* ", "-y "});
        EXPECT_EQ(run.code, BadParameters) << command;
        EXPECT_NE(run.output.find("not available in this stand-in"), std::string::npos)
            << run.output;
    }
    const std::vector<std::vector<std::string>> bad = {
        {"zz", "arc.J"},
        {"a", "arc.J", "a.txt", "-k"},
        {"l", "arc.J", "-"},
        {"a", "\"\"", "a.txt"},
        {"l", "-y"},
        {"lt", "arc.J"},
        {"lt", "arc.J", "x", "y"},
        {"d", "arc.J"},
        {"a", "arc.J", "!none.lst"},
        {"a ", "\"arc.J\" !\"\" ", ""},
        {"lt", "arc.J", "arc.J"},
    };
    for (const auto& args : bad) {
        const JarRun run = jar(args);
        EXPECT_EQ(run.code, BadParameters) << args[0] << ' ' << args.back() << ": " << run.output;
    }
    EXPECT_EQ(work_.read("arc.J"), before);

    // Switches of Jar that the stand-in does not act on are accepted.
    const JarRun run = jar(
        {"l ", "\"arc.J\" ", "-hy -HE -m4 -ju- -hbA1s0 -jl2 -hf -w\"/tmp\" -zNUL -jz\"c.txt\" "});
    EXPECT_EQ(run.code, Success) << run.output;
}

TEST_F(JarTest, FailedWritesLeaveTheArchiveAsItWas) {
    work_.write("small.txt", "small");
    ASSERT_EQ(jar({"a", "arc.J", "small.txt"}).code, Success);
    const std::string before = work_.read("arc.J");
    work_.write("big.txt", std::string(300000, 'b'));

    // A file size limit makes the new archive fail half-way, like a full disk.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = 100000;
    ::setrlimit(RLIMIT_FSIZE, &limited);
    const JarRun run = jar({"a", "arc.J", "big.txt"});
    ::setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(run.code, WriteError) << run.output;
    EXPECT_EQ(work_.read("arc.J"), before);
    EXPECT_EQ(strayFiles({"arc.J", "small.txt", "big.txt"}), std::vector<std::string>{});

    work_.write("file", "a file where a directory should be");
    EXPECT_EQ(jar({"e", "arc.J", "-ofile/sub"}).code, WriteError);
    EXPECT_EQ(jar({"a", "file/arc.J", "small.txt"}).code, WriteError);
}

// Many files are stored quickly. Ctrl-C, while a question waits or while a
// large archive is being written, ends the run with code 11 and leaves the
// old archive, or none, and no temporary file.
TEST_F(JarTest, ManyFilesAddQuicklyAndCtrlCLeavesNothingHalfWritten) {
    // Names linked to a few files: creating 20,000 files would cost the
    // test far more than storing them costs the stand-in.
    constexpr int Files = 20000;
    for (int i = 0; i < 3; ++i)
        io_.write("source" + std::to_string(i), std::string(static_cast<size_t>(i * 150), 'x'));
    for (int i = 0; i < Files; ++i) {
        const std::string directory = work_.file("many/d" + std::to_string(i % 20));
        if (i < 20)
            fs::create_directories(directory);
        fs::create_hard_link(io_.file("source" + std::to_string(i % 3)),
                             directory + "/f" + std::to_string(i) + ".txt");
    }
    JarRun run = jar({"a", "arc.J", "many", "-r"});
    ASSERT_EQ(run.code, Success);
    EXPECT_LT(run.seconds, 4.0) << "adding " << Files << " files";
    run = jar({"ac", "arc.J", "many", "-r"});
    ASSERT_EQ(run.code, Success);
    EXPECT_LT(run.seconds, 4.0) << "a new chapter of " << Files << " files";
    EXPECT_EQ(dumpRanges(dump("arc.J")).size(), 2u * Files) << "both versions of each";
    // The same files named one by one in a list file, as Brak writes one.
    std::string names;
    for (int i = 0; i < Files; ++i)
        names += "many/d" + std::to_string(i % 20) + "/f" + std::to_string(i) + ".txt\r\n";
    work_.write("many.LST", names);
    run = jar({"ac", "arc.J", "!many.LST"});
    ASSERT_EQ(run.code, Success);
    EXPECT_LT(run.seconds, 4.0) << "a chapter of " << Files << " files from a list";
    const std::string before = work_.read("arc.J");

    auto tempFileShows = [this] {
        for (const auto& entry : fs::directory_iterator(work_.path())) {
            if (entry.path().filename().string().rfind(".arc.J.", 0) == 0)
                return true;
        }
        return false;
    };
    auto waitFor = [](const std::function<bool()>& ready) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!ready() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        return ready();
    };

    // Stopped while it writes, it takes Ctrl-C when it goes on.
    work_.write("many/last.txt", std::string(4 << 20, 'z'));
    pid_t pid = startJar({"a", "arc.J", "many", "-r"});
    ASSERT_TRUE(waitFor(tempFileShows));
    ::kill(pid, SIGSTOP);
    EXPECT_TRUE(tempFileShows()) << "still writing";
    ::kill(pid, SIGINT);
    ::kill(pid, SIGCONT);
    run = finish(pid);
    EXPECT_EQ(run.code, Interrupted);
    EXPECT_TRUE(work_.read("arc.J") == before) << "the old archive, byte for byte";
    EXPECT_EQ(strayFiles({"many", "many.LST", "arc.J"}), std::vector<std::string>{});

    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    pid = startJar({"a", "new.J", "many/last.txt", "-q"}, {.input = pipeFds[0]});
    ::close(pipeFds[0]);
    waitFor([this] { return io_.read("output").find("Add many/last.txt?") != std::string::npos; });
    ::kill(pid, SIGINT);
    run = finish(pid);
    ::close(pipeFds[1]);
    EXPECT_EQ(run.code, Interrupted) << run.output;
    EXPECT_EQ(strayFiles({"many", "many.LST", "arc.J"}), std::vector<std::string>{});
}

// Colours are numbered as in the PC palette (1 blue, 4 red, 8 bright); black
// is the terminal's own colour. A pipe, and the technical listing, get none.
TEST_F(JarTest, ColoursFollowTheConfigurationOnATerminalOnly) {
    work_.write("a.txt", "a");
    ASSERT_EQ(jar({"a", "arc.J", "a.txt"}).code, Success);
    struct Case {
        std::string config;
        bool terminal;
        std::vector<std::string> expected; // each sequence followed by the text it colours
    };
    const std::vector<Case> cases = {
        {"ColoredOutput=Yes\nHighlightColor=4\nErrorColor=1\nSignalColor=13\n",
         true,
         {"\x1b[31ma.txt", "\x1b[34mJAR32.EXE: cannot open", "\x1b[95ma.txt exists"}},
        {"x coloredoutput x = yes "
         "please\nHighIntensityColors=YES\nHighlightColor=4\nDefaultColor=0\n",
         true,
         {"\x1b[91ma.txt", "\x1b[90mArchive", "\x1b[91mJAR32.EXE"}},
        {"ColoredOutput=Yes\nDefaultColor=0\nHighlightColor=14\nCommentColor=7\n",
         true,
         {"\x1b[39mArchive", "\x1b[93ma.txt"}},
        {"ColoredOutput=Yes\nHighlightColor=6\n", false, {}},
        {"ColoredOutput=No\nHighlightColor=4\n", true, {}},
        {"; ColoredOutput=Yes\n", true, {}},
    };
    for (const Case& c : cases) {
        io_.write("colours.cfg", c.config);
        ::setenv("JAR_CFG_FILE", io_.file("colours.cfg").c_str(), 1);
        std::string output;
        for (const auto& args : {std::vector<std::string>{"l", "arc.J"},
                                 {"l", "missing.J"},
                                 {"e", "arc.J"},
                                 {"lt", "arc.J", "x.dmp"}})
            output += jar(args, "n\n", {.terminal = c.terminal}).output;
        for (const std::string& sequence : c.expected)
            EXPECT_NE(output.find(sequence), std::string::npos) << c.config << sequence << output;
        if (c.expected.empty())
            EXPECT_EQ(output.find('\x1b'), std::string::npos) << c.config << output;
        else
            EXPECT_EQ(output.rfind('\x1b'), output.rfind("\x1b[0m")) << "ends reset: " << output;
        EXPECT_EQ(work_.read("x.dmp").find('\x1b'), std::string::npos);
    }
}

TEST_F(JarTest, PredefinedSwitchesComeFromTheConfigurationFile) {
    work_.write("top.txt", "top");
    work_.write("sub/deep.txt", "deep");
    io_.write("jar.cfg", "; Brak's own lines are comments\r\n"
                         ";[Brak]Archive=arc.J\r\n"
                         "; OptionsForCommand a=-hbd0\r\n"
                         "ColoredOutput=Yes\r\n"
                         "optionsforcommand A=-R \r\n"
                         "OptionsForCommand ac=-k\r\n"
                         "OptionsForCommand e=-y -o\"out dir\"\n"
                         "[Win32]\r\n"
                         "OptionsForCommand x=-bogus\r\n");
    ::setenv("JAR_CFG_FILE", io_.file("jar.cfg").c_str(), 1);

    ASSERT_EQ(jar({"a", "arc.J", "*.txt"}).code, Success);
    EXPECT_EQ(dumpRanges(dump("arc.J")).size(), 2u) << "-r came from the file";

    work_.write("out dir/top.txt", "mine");
    JarRun run = jar({"e", "arc.J"});
    EXPECT_EQ(run.code, Success) << run.output;
    EXPECT_EQ(work_.read("out dir/top.txt"), "top") << "-y came from the file";
    // The command line's own switches come after, so they win.
    ASSERT_EQ(jar({"e", "arc.J", "-oother"}).code, Success);
    EXPECT_TRUE(work_.exists("other/deep.txt"));

    // A bad predefined switch is a bad parameter; a section not asked for is skipped.
    run = jar({"ac", "arc.J"});
    EXPECT_EQ(run.code, BadParameters);
    EXPECT_NE(run.output.find("jar.cfg"), std::string::npos) << run.output;
    EXPECT_EQ(jar({"x", "arc.J", "-oout3"}).code, Success);
    ::setenv("JAR_CFG_SECTION", "win32", 1);
    EXPECT_EQ(jar({"x", "arc.J", "-oout4"}).code, BadParameters);

    ::setenv("JAR_CFG_FILE", io_.file("no such file").c_str(), 1);
    EXPECT_EQ(jar({"l", "arc.J"}).code, Success);
}

TEST_F(JarTest, TechnicalDumpOfThreeChaptersMatchesTheRecordedOne) {
    work_.write(".hidden", "h");
    work_.write("data.bin", std::string(2000, '\x01'));
    work_.write("notes.txt", "first notes\r\n");
    work_.write("readme.txt", std::string(1234, 'r'));
    ::chmod(work_.file("readme.txt").c_str(), 0444);
    setTimes(work_.file(".hidden"), Morning);
    setTimes(work_.file("data.bin"), Morning + 60);
    setTimes(work_.file("notes.txt"), Morning + 120);
    setTimes(work_.file("readme.txt"), Morning + 180);
    ASSERT_EQ(jar({"a ", "\"three.J\" *.* ", ""}).code, Success);

    work_.write("notes.txt", "second notes, longer\r\n");
    setTimes(work_.file("notes.txt"), NextDay, NextDay);
    ASSERT_EQ(jar({"ac ", "\"three.J\" notes.txt ", ""}).code, Success);

    work_.write("extra.txt", "extra");
    setTimes(work_.file("extra.txt"), ThirdDay, ThirdDay);
    ASSERT_EQ(jar({"ac ", "\"three.J\" extra.txt ", ""}).code, Success);
    ASSERT_EQ(jar({"d ", "\"three.J\" data.bin ", ""}).code, Success);

    // Written as Brak asks for it: in the current directory, under its own name.
    ASSERT_EQ(jar({"lt", "\"three.J\"", "Brak.DMP"}).code, Success);
    const std::string produced = work_.read("Brak.DMP");
    const std::string recorded = std::string(BRAK_TEST_DATA) + "/dumps/stand_in_three_chapters.dmp";
    if (std::getenv("BRAK_RECORD_DUMPS") != nullptr)
        writeFile(recorded, produced);

    const std::vector<std::pair<std::string, std::string>> expected = {
        {".hidden", "1-3"},    {"data.bin", "1-2"},  {"notes.txt", "1-1"},
        {"readme.txt", "1-3"}, {"notes.txt", "2-3"}, {"extra.txt", "3-3"}};
    EXPECT_EQ(dumpRanges(produced), expected);

    // Line by line; the times of the archive and its chapters, and the birth
    // times of files, are those of the run, so only their form is compared.
    auto split = [](const std::string& text) {
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        EXPECT_EQ(start, text.size()) << "every line ends in CR LF";
        return lines;
    };
    const auto want = split(readFile(recorded));
    const auto got = split(produced);
    ASSERT_EQ(got.size(), want.size());
    ASSERT_EQ(got.size(), 9u + 3 * 4 + 6 * 7);
    const std::regex runTime(R"(  (CREATED|MODIFIED)=\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)");
    const std::regex birthTime(R"(  CREATED=\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)");
    std::string section;
    for (size_t i = 0; i < got.size(); ++i) {
        if (got[i][0] != ' ')
            section = got[i].substr(0, got[i].find('='));
        if (i == 0) {
            EXPECT_EQ(got[i], "ARCHIVE=" + fs::canonical(work_.file("three.J")).string());
            EXPECT_EQ(want[i].rfind("ARCHIVE=/", 0), 0u);
        } else if (section != "FILE" && std::regex_match(want[i], runTime)) {
            EXPECT_TRUE(std::regex_match(got[i], runTime)) << got[i];
            EXPECT_EQ(got[i].substr(0, 10), want[i].substr(0, 10));
        } else if (section == "FILE" && std::regex_match(want[i], birthTime)) {
            EXPECT_TRUE(std::regex_match(got[i], birthTime)) << got[i];
        } else {
            EXPECT_EQ(got[i], want[i]) << "line " << i + 1;
        }
    }
}

TEST_F(JarTest, BitMapHoldsAWindowsBitmapOfTheLogo) {
    ASSERT_TRUE(fs::is_regular_file(JarProgram));
    // As Brak extracts it on the first run: the archive named in quotes, no mask.
    const JarRun run = jar({"e", "\"" + std::string(BRAK_BIN_DIR) + "/BitMap\""});
    ASSERT_EQ(run.code, Success) << run.output;
    const std::string bmp = work_.read("Kyx.BMP");
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(readU32(bmp, 2), bmp.size());
    const std::uint32_t pixels = readU32(bmp, 10);
    EXPECT_EQ(readU32(bmp, 14), 40u) << "BITMAPINFOHEADER";
    const std::int32_t width = static_cast<std::int32_t>(readU32(bmp, 18));
    const std::int32_t height = static_cast<std::int32_t>(readU32(bmp, 22));
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);
    EXPECT_EQ(readU32(bmp, 26) & 0xFFFF, 1u) << "planes";
    EXPECT_EQ(readU32(bmp, 26) >> 16, 24u) << "bits per pixel";
    EXPECT_EQ(readU32(bmp, 30), 0u) << "uncompressed";
    const std::uint32_t rowSize = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
    EXPECT_EQ(pixels + rowSize * static_cast<std::uint32_t>(height), bmp.size());
    // A picture, not a blank: the pixels hold many colours.
    std::set<std::string> colours;
    for (size_t at = pixels; at + 3 <= bmp.size(); at += 3 * 97)
        colours.insert(bmp.substr(at, 3));
    EXPECT_GT(colours.size(), 50u);
}

} // namespace
} // namespace brak::test
