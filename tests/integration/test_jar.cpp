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
using Args = std::vector<std::string>;
using Ranges = std::vector<std::pair<std::string, std::string>>;
using Names = std::vector<std::string>;

const std::string JarProgram = std::string(BRAK_BIN_DIR) + "/JAR32.EXE";

constexpr int Success = 0, Warning = 1, CrcError = 3, WriteError = 5, CannotOpen = 6,
              BadParameters = 7, NotAnArchive = 9, Interrupted = 11;

// 1998/09/14 00:00:00, 06:30:00, 1998/09/15 08:00:00 and 1998/09/16 09:15:00 UTC.
constexpr std::int64_t Midnight = 905731200, Morning = 905754600, NextDay = 905846400,
                       ThirdDay = 905937300;

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

struct JarRun {
    int code = -1;
    std::string output; // standard output and error together
    double seconds = 0;
};

bool hasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) && c != '\n';
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

// Bytes that do not compress.
std::string noise(size_t size) {
    std::string bytes(size, '\0');
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    for (char& byte : bytes) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        byte = static_cast<char>(state >> 56);
    }
    return bytes;
}

// Little-endian numbers of 4 or 8 bytes in an archive.
std::uint64_t get(const std::string& data, size_t at, int bytes = 4) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(data[at + i]);
    return value;
}
void put(std::string& data, size_t at, std::uint64_t value, int bytes = 8) {
    for (int i = 0; i < bytes; ++i)
        data[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Where entry n's fields after its name start in an index: a 32-byte header,
// 20 bytes per chapter, the entry count, then per entry its name's length,
// the name and 56 bytes (size at +36, data offset at +48).
size_t entryFields(const std::string& index, int n) {
    size_t at = 32 + 20 * get(index, 28) + 4;
    for (int i = 0;; ++i, at += 56) {
        at += 4 + get(index, at);
        if (i == n)
            return at;
    }
}

// Edits the index of an archive and seals it with a matching CRC again, the
// way a hostile archive would be made. The footer holds the index offset
// (8 bytes), its length and its CRC (4 bytes each) and an 8-byte tag.
void rewriteIndex(const std::string& path, const std::function<void(std::string&)>& edit) {
    std::string archive = readFile(path);
    ASSERT_GT(archive.size(), 24u);
    const size_t footer = archive.size() - 24, length = get(archive, footer + 8);
    std::string index = archive.substr(footer - length, length);
    edit(index);
    archive.replace(footer - length, length, index);
    put(archive, footer + 12, crc32(index), 4);
    writeFile(path, archive);
}

// FILE name and CHAPTERSRANGE of every file section of a dump, in order.
Ranges dumpRanges(const std::string& dump) {
    Ranges ranges;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
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

    // Starts the stand-in in the work directory, reading input (the null
    // device when -1), its output going to a file beside, out of its way, or
    // to a pseudo-terminal that finish() reads, its address space capped.
    pid_t startJar(Args args, int input = -1, bool terminal = false,
                   rlim_t memoryLimit = RLIM_INFINITY) {
        args.insert(args.begin(), "JAR32.EXE ");
        std::vector<char*> argv;
        for (std::string& argument : args)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        const std::string output = io_.file("output");
        const struct rlimit limit = {memoryLimit, memoryLimit};
        started_ = std::chrono::steady_clock::now();
        terminal_ = -1;
        // Only async-signal-safe calls between fork and exec.
        const pid_t pid = terminal ? ::forkpty(&terminal_, nullptr, nullptr, nullptr) : ::fork();
        if (pid == 0) {
            if (!terminal) {
                ::dup2(input >= 0 ? input : ::open("/dev/null", O_RDONLY), 0);
                ::dup2(::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
                ::dup2(1, 2);
            }
            if (::chdir(work_.path().c_str()) == 0 && ::setrlimit(RLIMIT_AS, &limit) == 0)
                ::execve(JarProgram.c_str(), argv.data(), environ);
            ::_exit(127);
        }
        EXPECT_GT(pid, 0) << "cannot start " << JarProgram;
        return pid;
    }

    // Waits for the stand-in, reading its terminal meanwhile; after 20
    // seconds it is killed and the run fails.
    JarRun finish(pid_t pid) {
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
        while (pid > 0 && ::waitpid(pid, &status, WNOHANG) != pid) {
            readTerminal();
            if (std::chrono::steady_clock::now() > started_ + std::chrono::seconds(20)) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                ADD_FAILURE() << "the stand-in did not end";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        JarRun run{
            WIFEXITED(status) ? WEXITSTATUS(status) : -1, "",
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count()};
        readTerminal();
        run.output = terminal_ >= 0 ? screen : io_.read("output");
        if (terminal_ >= 0)
            ::close(std::exchange(terminal_, -1));
        return run;
    }

    JarRun jar(const Args& args, const std::string& input = "", bool terminal = false,
               rlim_t memoryLimit = RLIM_INFINITY) {
        io_.write("input", input);
        const int fd = ::open(io_.file("input").c_str(), O_RDONLY | O_CLOEXEC);
        const pid_t pid = startJar(args, fd, terminal, memoryLimit);
        ::close(fd);
        // Typed ahead: the terminal keeps it until the stand-in reads.
        if (terminal && !input.empty()) {
            EXPECT_EQ(::write(terminal_, input.data(), input.size()),
                      static_cast<ssize_t>(input.size()));
        }
        return finish(pid);
    }
    int code(const Args& args, const std::string& input = "") { return jar(args, input).code; }

    std::string dump(const std::string& archive) {
        const JarRun run = jar({"lt", "\"" + archive + "\"", io_.file("dump.dmp")});
        EXPECT_EQ(run.code, Success) << run.output;
        return io_.read("dump.dmp");
    }

    // Files other than the ones named, left behind in the work directory.
    Names strayFiles(const Names& expected) {
        Names stray;
        for (const auto& entry : fs::directory_iterator(work_.path())) {
            const std::string name = entry.path().filename().string();
            if (std::find(expected.begin(), expected.end(), name) == expected.end())
                stray.push_back(name);
        }
        return stray;
    }
    void write(const std::vector<std::pair<std::string, std::string>>& files) {
        for (const auto& [name, contents] : files)
            work_.write(name, contents);
    }

    TempDir work_; // where the stand-in runs
    TempDir io_;   // its input and output
    int terminal_ = -1;
    std::chrono::steady_clock::time_point started_;
};

TEST_F(JarTest, UsageSucceedsLeavingNothingBehind) {
    for (const Args& args : {Args{}, Args{" ", ""}}) {
        const JarRun run = jar(args);
        EXPECT_EQ(run.code, Success);
        EXPECT_NE(run.output.find("Usage: JAR32.EXE <command> <archive>"), std::string::npos);
    }
    EXPECT_EQ(strayFiles({}), Names{});
}

TEST_F(JarTest, AddsFilesAndExtractsThemWithAndWithoutPaths) {
    write({{"src/one.txt", "one\n"},
           {"src/two words.txt", std::string(100000, 'x')},
           {"src/deep/three.dat", "three"}});
    setTimes(work_.file("src/deep/three.dat"), Morning);

    // The pieces as Brak passes them: trailing blanks, the archive quoted.
    JarRun run = jar({"a ", "\"my arc.J\" src/*.* ", "-r -y "});
    ASSERT_EQ(run.code, Success) << run.output;
    // Unquoted, a name with a blank would be two names.
    EXPECT_EQ(code({"l", "my arc.J"}), CannotOpen);
    run = jar({"l", "\"my arc.J\""});
    EXPECT_EQ(run.code, Success) << run.output;
    for (const char* text :
         {"src/two words.txt", "src/deep/three.dat", "100009 bytes in 3 file(s)"})
        EXPECT_NE(run.output.find(text), std::string::npos) << run.output;

    ASSERT_EQ(code({"x ", "\"my arc.J\" *.* ", "-o\"out dir\" "}), Success);
    EXPECT_EQ(work_.read("out dir/src/one.txt"), "one\n");
    EXPECT_EQ(work_.read("out dir/src/two words.txt"), std::string(100000, 'x'));
    EXPECT_EQ(work_.read("out dir/src/deep/three.dat"), "three");
    EXPECT_EQ(modifiedTime(work_.file("out dir/src/deep/three.dat")), Morning);
    ASSERT_EQ(code({"e", "\"my arc.J\"", "*.dat", "-oflat"}), Success);
    EXPECT_EQ(work_.read("flat/three.dat"), "three");
    EXPECT_FALSE(work_.exists("flat/one.txt"));
    run = jar({"t", "\"my arc.J\""});
    EXPECT_EQ(run.code, Success) << run.output;
    EXPECT_NE(run.output.find("3 file(s) tested, 0 with errors"), std::string::npos);

    // A list file names the files to add, an empty line naming none.
    write({{"keep.txt", "keep"},
           {"b c.txt", "bc"},
           {"other.txt", "other"},
           {"BRAK.LST", "keep.txt\r\n\r\nb c.txt\r\n"}});
    ASSERT_EQ(code({"a ", "\"arc.J\" !\"BRAK.LST\" ", ""}), Success);
    EXPECT_EQ(dumpRanges(dump("arc.J")), (Ranges{{"keep.txt", "1-1"}, {"b c.txt", "1-1"}}));
}

// A file replaced in the chapter where it was added leaves no old version.
TEST_F(JarTest, UpdateAndFreshenFollowModificationTimes) {
    write({{"old.txt", "old"}, {"same.txt", "same"}});
    setTimes(work_.file("old.txt"), Morning);
    setTimes(work_.file("same.txt"), Morning);
    ASSERT_EQ(code({"a", "arc.J", "*.txt"}), Success);

    write({{"old.txt", "newer"}, {"new.txt", "new"}});
    setTimes(work_.file("old.txt"), NextDay);
    ASSERT_EQ(code({"f", "arc.J", "*.txt"}), Success);
    EXPECT_EQ(dumpRanges(dump("arc.J")).size(), 2u) << "freshen adds no new file";
    ASSERT_EQ(code({"u", "arc.J", "*.txt"}), Success);
    EXPECT_EQ(dumpRanges(dump("arc.J")),
              (Ranges{{"old.txt", "1-1"}, {"same.txt", "1-1"}, {"new.txt", "1-1"}}));

    // -u2 takes a different time, an older one included; -u1 only a newer.
    setTimes(work_.file("same.txt"), Midnight);
    JarRun run = jar({"u", "arc.J", "same.txt"});
    EXPECT_EQ(run.output.find("Replacing"), std::string::npos) << run.output;
    run = jar({"u", "arc.J", "same.txt", "-u2"});
    EXPECT_NE(run.output.find("Replacing same.txt"), std::string::npos) << run.output;
    ASSERT_EQ(code({"x", "arc.J", "-oout"}), Success);
    EXPECT_EQ(work_.read("out/old.txt"), "newer");
}

TEST_F(JarTest, DeleteRemovesFilesFromTheLastChapterOnly) {
    write({{"a.txt", "a"}, {"b.txt", "b"}, {"c.dat", "c"}});
    ASSERT_EQ(code({"a", "arc.J"}), Success);
    ASSERT_EQ(code({"ac", "arc.J", "nothing.here"}), Warning);
    const JarRun run = jar({"d ", "\"arc.J\" *.txt ", ""});
    ASSERT_EQ(run.code, Success) << run.output;
    EXPECT_EQ(dumpRanges(dump("arc.J")),
              (Ranges{{"a.txt", "1-1"}, {"b.txt", "1-1"}, {"c.dat", "1-2"}}));
    EXPECT_EQ(code({"d", "arc.J", "*.txt"}), Warning) << "nothing left to delete";
    // Declining is the user's choice, not a warning.
    EXPECT_EQ(code({"d", "arc.J", "c.dat", "-q"}, "no\n"), Success);
    EXPECT_EQ(dumpRanges(dump("arc.J")).size(), 3u);
    ASSERT_EQ(code({"d", "arc.J", "c.dat"}), Success);
    EXPECT_EQ(dumpRanges(dump("arc.J"))[2].second, "1-1");
}

TEST_F(JarTest, MoveDeletesOnlyTheFilesItStored) {
    write({{"a.txt", "a"}, {"b.txt", "b"}, {"keep.dat", "k"}});
    ASSERT_EQ(code({"m", "arc.J", "*.txt"}), Success);
    EXPECT_FALSE(work_.exists("a.txt") || work_.exists("b.txt"));
    EXPECT_TRUE(work_.exists("keep.dat"));
    // -d asks before each deletion; "no" keeps the file, though it was stored.
    work_.write("c.txt", "c");
    ASSERT_EQ(code({"m", "arc.J", "c.txt", "-d"}, "n\n"), Success);
    EXPECT_TRUE(work_.exists("c.txt"));
    ASSERT_EQ(code({"x", "arc.J", "-oout"}), Success);
    EXPECT_EQ(work_.read("out/a.txt") + work_.read("out/c.txt"), "ac");
}

TEST_F(JarTest, OverwriteQuestionFollowsTheAnswer) {
    write({{"f.txt", "archived"}, {"g.txt", "archived too"}});
    ASSERT_EQ(code({"a", "arc.J", "*.txt"}), Success);
    const struct {
        std::string input, switches, f, g;
        int code = Success;
    } rows[] = {{"y\nn\n", "", "archived", "mine too"},
                {"no\nyes\n", "", "mine", "archived too"},
                {"", "", "mine", "mine too"},                 // end of input: no
                {"maybe\n\ny\n", "", "archived", "mine too"}, // asked again
                {"A\n", "", "archived", "archived too"},      // all
                {"q\ny\n", "", "mine", "mine too", Warning},  // quit: nothing more
                {"y\nQuit\n", "", "archived", "mine too", Warning},
                {"", "-y", "archived", "archived too"}, // assume yes
                {"y\ny\n", "-n", "mine", "mine too"}};  // new files only
    for (const auto& row : rows) {
        write({{"out/f.txt", "mine"}, {"out/g.txt", "mine too"}});
        Args args = {"e", "arc.J", "-oout"};
        if (!row.switches.empty())
            args.push_back(row.switches);
        const JarRun run = jar(args, row.input);
        EXPECT_EQ(run.code, row.code) << run.output;
        EXPECT_EQ(work_.read("out/f.txt"), row.f) << "answers: " << row.input;
        EXPECT_EQ(work_.read("out/g.txt"), row.g) << "answers: " << row.input;
        EXPECT_EQ(run.output.find("Stopped by the user.") != std::string::npos,
                  row.code == Warning);
        EXPECT_EQ(strayFiles({"arc.J", "f.txt", "g.txt", "out"}), Names{});
    }
}

TEST_F(JarTest, DamagedDataIsACrcErrorAndNeverReplacesAFile) {
    // Data that does not compress is stored as it is, where it can be found.
    const std::string data = noise(5000);
    write({{"data.txt", data}, {"fine.txt", "fine"}});
    ASSERT_EQ(code({"a", "arc.J", "*.txt"}), Success);
    std::string archive = work_.read("arc.J");
    const size_t at = archive.find(data.substr(0, 100));
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
    write({{"ab/evil.txt", std::string(1000, 'e')},
           {"ab/good.txt", std::string(1000, 'g')},
           {"new.txt", "n"}});
    // Crafted from a version 1 archive, whose index is not compressed.
    const std::string good = readFile(std::string(BRAK_TEST_DATA) + "/jar_archives/hostile_v1.J");
    auto made = [this](const std::string& archive) {
        return [this, archive] { work_.write("arc.J", archive); };
    };
    auto changed = [good, made](size_t fromEnd, std::function<void(std::string&, size_t)> edit) {
        std::string archive = good;
        edit(archive, archive.size() - fromEnd);
        return made(archive);
    };
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
    auto field = [sealed](int entry, int at, std::function<std::uint64_t(std::uint64_t)> change) {
        return sealed([=](std::string& index) {
            const size_t where = entryFields(index, entry) + at;
            put(index, where, change(get(index, where, 8)));
        });
    };
    const struct {
        std::string what;
        std::function<void()> make;
        int code;
    } rows[] = {
        {"a FIFO", [this] { ::mkfifo(work_.file("arc.J").c_str(), 0600); }, CannotOpen},
        {"a directory", [this] { fs::create_directory(work_.file("arc.J")); }, CannotOpen},
        {"text", made("just some text, long enough to be looked at\n"), NotAnArchive},
        {"cut short", made(good.substr(0, good.size() - 10)), CrcError},
        {"index bit flipped", changed(30, [](std::string& a, size_t at) { a[at] ^= 0x20; }),
         CrcError},
        {"footer claims 4 GiB",
         changed(16, [](std::string& a, size_t at) { put(a, at, 0xFFFFFFFFu); }), CrcError},
        {"a 4 GiB sparse index",
         [this, good] {
             // A valid header and chapter, then as many entries as 4 GiB
             // could hold are claimed; the rest is a hole.
             const std::uint64_t length = 0xFFFFFFF0u;
             std::string head =
                 good.substr(0, 8) + good.substr(8 + 2000, 32 + 20) + std::string("\0\0\0\4", 4);
             std::string footer(24, '\0');
             put(footer, 0, 8);
             put(footer, 8, length);
             footer.replace(16, 8, "JARINDEX");
             const int fd = ::open(work_.file("arc.J").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
             ASSERT_EQ(::pwrite(fd, head.data(), head.size(), 0),
                       static_cast<ssize_t>(head.size()));
             ASSERT_EQ(::pwrite(fd, footer.data(), 24, static_cast<off_t>(8 + length)), 24);
             ::close(fd);
         },
         CrcError},
        {"two files share their data", field(1, 48, [](std::uint64_t) { return 8; }), CrcError},
        {"data runs into the index", field(1, 36, [](std::uint64_t size) { return size + 30; }),
         CrcError},
        {"data beyond the end", field(1, 48, [](std::uint64_t) { return 1ull << 40; }), CrcError},
        {"a name leaving the directory", named("../evil.txt"), CrcError},
        {"an absolute name", named("/b/evil.txt"), CrcError},
        {"a name with a dot", named("ab/./evil.t"), CrcError},
        {"a name with a line feed", named("ab/e\nil.txt"), CrcError},
        {"a name with an escape", named("ab/\x1b[2J.txt"), CrcError},
        {"a name with a carriage return", named("ab/e\rvil.tx"), CrcError},
        {"a name with a delete", named("ab/ev\x7fl.txt"), CrcError},
    };
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
    for (const auto& row : rows) {
        fs::remove_all(work_.file("arc.J"));
        row.make();
        const std::string before = contents();
        for (Args args : {Args{"l"},
                          {"v"},
                          {"t"},
                          {"e", "-oout", "-y"},
                          {"x", "-oout/in", "-y"},
                          {"d", "*.*"},
                          {"lt", "x.dmp"},
                          {"a", "new.txt"}}) {
            args.insert(args.begin() + 1, "arc.J");
            const JarRun run =
                jar(args, "", false, MemoryCanBeCapped ? rlim_t{256} << 20 : RLIM_INFINITY);
            EXPECT_EQ(run.code, row.code) << row.what << ", " << args[0] << ": " << run.output;
            EXPECT_LT(run.seconds, 2.0) << row.what << ", " << args[0];
            EXPECT_FALSE(hasControlCharacter(run.output)) << row.what << ": " << run.output;
        }
        EXPECT_EQ(contents(), before) << row.what;
        EXPECT_EQ(strayFiles({"ab", "new.txt", "arc.J"}), Names{}) << row.what;
    }
}

// A symbolic link in the way is not followed out of the target directory.
TEST_F(JarTest, ExtractionNeverFollowsALinkOutOfTheTargetDirectory) {
    work_.write("ab/evil.txt", "evil");
    ASSERT_EQ(code({"a", "arc.J", "-r", "evil.txt"}), Success);
    fs::create_directories(work_.file("elsewhere"));
    fs::create_directories(work_.file("out"));
    fs::create_directory_symlink(work_.file("elsewhere"), work_.file("out/ab"));
    EXPECT_EQ(code({"x", "arc.J", "-oout", "-y"}), WriteError);
    EXPECT_FALSE(work_.exists("elsewhere/evil.txt"));
}

// Such a file is left out with a warning that shows its name escaped; the
// others are stored.
TEST_F(JarTest, NamesWithControlCharactersAreLeftOutWhenAdding) {
    const std::pair<std::string, std::string> names[] = {
        {"line\nfeed.txt", "line\\nfeed.txt"}, {"carriage\rreturn.txt", "carriage\\rreturn.txt"},
        {"tab\t.txt", "tab\\t.txt"},           {"esc\x1b[31m.txt", "esc\\x1b[31m.txt"},
        {"del\x7f.txt", "del\\x7f.txt"},       {"dir\nname/inner.txt", "dir\\nname"}};
    work_.write("sub/ok.txt", "ok");
    for (const auto& [name, shown] : names)
        work_.write("sub/" + name, "bad");
    const JarRun run = jar({"a", "arc.J", "sub", "-r"});
    EXPECT_EQ(run.code, Warning) << run.output;
    EXPECT_FALSE(hasControlCharacter(run.output)) << run.output;
    for (const auto& [name, shown] : names)
        EXPECT_NE(run.output.find("sub/" + shown), std::string::npos)
            << shown << ": " << run.output;
    EXPECT_EQ(dumpRanges(dump("arc.J")), (Ranges{{"sub/ok.txt", "1-1"}}));
}

TEST_F(JarTest, FailedWritesLeaveTheArchiveAsItWas) {
    work_.write("small.txt", "small");
    ASSERT_EQ(code({"a", "arc.J", "small.txt"}), Success);
    const std::string before = work_.read("arc.J");
    work_.write("big.txt", noise(300000));

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
    EXPECT_EQ(strayFiles({"arc.J", "small.txt", "big.txt"}), Names{});

    work_.write("file", "a file where a directory should be");
    EXPECT_EQ(code({"e", "arc.J", "-ofile/sub"}), WriteError);
    EXPECT_EQ(code({"a", "file/arc.J", "small.txt"}), WriteError);
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
    std::string names; // the same files named one by one in a list file, as Brak writes one
    for (int i = 0; i < Files; ++i) {
        const std::string name = "many/d" + std::to_string(i % 20) + "/f" + std::to_string(i);
        if (i < 20)
            fs::create_directories(work_.file("many/d" + std::to_string(i)));
        fs::create_hard_link(io_.file("source" + std::to_string(i % 3)), work_.file(name + ".txt"));
        names += name + ".txt\r\n";
    }
    work_.write("many.LST", names);
    for (const Args& args : {Args{"a", "arc.J", "many", "-r"}, Args{"ac", "arc.J", "many", "-r"},
                             Args{"ac", "arc.J", "!many.LST"}}) {
        const JarRun run = jar(args);
        ASSERT_EQ(run.code, Success);
        EXPECT_LT(run.seconds, 4.0) << args[0] << " " << args[2] << ": " << Files << " files";
    }
    EXPECT_EQ(dumpRanges(dump("arc.J")).size(), 3u * Files) << "every version of each";
    const std::string before = work_.read("arc.J");

    auto waitFor = [](const std::function<bool()>& ready) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!ready() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        return ready();
    };
    auto tempFileShows = [this] {
        const Names stray = strayFiles({"many", "many.LST", "arc.J"});
        return !stray.empty() && stray[0].rfind(".arc.J.", 0) == 0;
    };
    // Stopped while it writes, it takes Ctrl-C when it goes on.
    work_.write("many/last.txt", std::string(4 << 20, 'z'));
    pid_t pid = startJar({"a", "arc.J", "many", "-r"});
    ASSERT_TRUE(waitFor(tempFileShows));
    ::kill(pid, SIGSTOP);
    EXPECT_TRUE(tempFileShows()) << "still writing";
    ::kill(pid, SIGINT);
    ::kill(pid, SIGCONT);
    EXPECT_EQ(finish(pid).code, Interrupted);
    EXPECT_TRUE(work_.read("arc.J") == before) << "the old archive, byte for byte";
    EXPECT_EQ(strayFiles({"many", "many.LST", "arc.J"}), Names{});

    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    pid = startJar({"a", "new.J", "many/last.txt", "-q"}, pipeFds[0]);
    ::close(pipeFds[0]);
    waitFor([this] { return io_.read("output").find("Add many/last.txt?") != std::string::npos; });
    ::kill(pid, SIGINT);
    const JarRun run = finish(pid);
    ::close(pipeFds[1]);
    EXPECT_EQ(run.code, Interrupted) << run.output;
    EXPECT_EQ(strayFiles({"many", "many.LST", "arc.J"}), Names{});
}

// Colours are numbered as in the PC palette (1 blue, 4 red, 8 bright); black
// is the terminal's own colour. A pipe, and the technical listing, get none.
TEST_F(JarTest, ColoursFollowTheConfigurationOnATerminalOnly) {
    work_.write("a.txt", "a");
    ASSERT_EQ(code({"a", "arc.J", "a.txt"}), Success);
    const struct {
        std::string config;
        bool terminal;
        Names expected; // each sequence followed by the text it colours
    } rows[] = {
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
    for (const auto& row : rows) {
        io_.write("colours.cfg", row.config);
        ::setenv("JAR_CFG_FILE", io_.file("colours.cfg").c_str(), 1);
        std::string output;
        for (const Args& args :
             {Args{"l", "arc.J"}, {"l", "missing.J"}, {"e", "arc.J"}, {"lt", "arc.J", "x.dmp"}})
            output += jar(args, "n\n", row.terminal).output;
        for (const std::string& sequence : row.expected)
            EXPECT_NE(output.find(sequence), std::string::npos) << row.config << sequence << output;
        if (row.expected.empty())
            EXPECT_EQ(output.find('\x1b'), std::string::npos) << row.config << output;
        else
            EXPECT_EQ(output.rfind('\x1b'), output.rfind("\x1b[0m")) << "ends reset: " << output;
        EXPECT_EQ(work_.read("x.dmp").find('\x1b'), std::string::npos);
    }
}

TEST_F(JarTest, PredefinedSwitchesComeFromTheConfigurationFile) {
    write({{"top.txt", "top"}, {"sub/deep.txt", "deep"}});
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

    ASSERT_EQ(code({"a", "arc.J", "*.txt"}), Success);
    EXPECT_EQ(dumpRanges(dump("arc.J")).size(), 2u) << "-r came from the file";
    work_.write("out dir/top.txt", "mine");
    EXPECT_EQ(code({"e", "arc.J"}), Success);
    EXPECT_EQ(work_.read("out dir/top.txt"), "top") << "-y came from the file";
    // The command line's own switches come after, so they win.
    ASSERT_EQ(code({"e", "arc.J", "-oother"}), Success);
    EXPECT_TRUE(work_.exists("other/deep.txt"));

    // A bad predefined switch is a bad parameter; a section not asked for is skipped.
    const JarRun run = jar({"ac", "arc.J"});
    EXPECT_EQ(run.code, BadParameters);
    EXPECT_NE(run.output.find("jar.cfg"), std::string::npos) << run.output;
    EXPECT_EQ(code({"x", "arc.J", "-oout3"}), Success);
    ::setenv("JAR_CFG_SECTION", "win32", 1);
    EXPECT_EQ(code({"x", "arc.J", "-oout4"}), BadParameters);
    ::setenv("JAR_CFG_FILE", io_.file("no such file").c_str(), 1);
    EXPECT_EQ(code({"l", "arc.J"}), Success);
}

TEST_F(JarTest, TechnicalDumpOfThreeChaptersMatchesTheRecordedOne) {
    write({{".hidden", "h"},
           {"data.bin", std::string(2000, '\x01')},
           {"notes.txt", "first notes\r\n"},
           {"readme.txt", std::string(1234, 'r')}});
    ::chmod(work_.file("readme.txt").c_str(), 0444);
    int minute = 0;
    for (const char* name : {".hidden", "data.bin", "notes.txt", "readme.txt"})
        setTimes(work_.file(name), Morning + 60 * minute++);
    ASSERT_EQ(code({"a ", "\"three.J\" *.* ", ""}), Success);
    work_.write("notes.txt", "second notes, longer\r\n");
    setTimes(work_.file("notes.txt"), NextDay, NextDay);
    ASSERT_EQ(code({"ac ", "\"three.J\" notes.txt ", ""}), Success);
    work_.write("extra.txt", "extra");
    setTimes(work_.file("extra.txt"), ThirdDay, ThirdDay);
    ASSERT_EQ(code({"ac ", "\"three.J\" extra.txt ", ""}), Success);
    ASSERT_EQ(code({"d ", "\"three.J\" data.bin ", ""}), Success);

    // Written as Brak asks for it: in the current directory, under its own name.
    ASSERT_EQ(code({"lt", "\"three.J\"", "Brak.DMP"}), Success);
    const std::string produced = work_.read("Brak.DMP");
    const std::string recorded = std::string(BRAK_TEST_DATA) + "/dumps/stand_in_three_chapters.dmp";
    if (std::getenv("BRAK_RECORD_DUMPS") != nullptr)
        writeFile(recorded, produced);
    EXPECT_EQ(dumpRanges(produced), (Ranges{{".hidden", "1-3"},
                                            {"data.bin", "1-2"},
                                            {"notes.txt", "1-1"},
                                            {"readme.txt", "1-3"},
                                            {"notes.txt", "2-3"},
                                            {"extra.txt", "3-3"}}));
    EXPECT_EQ(produced.substr(0, produced.find("\r\n")),
              "ARCHIVE=" + fs::canonical(work_.file("three.J")).string());
    // The times of the archive and its chapters, and the birth times of
    // files, are those of the run, so only their form is compared.
    auto form = [](const std::string& text) {
        const std::string time = R"(=\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)";
        std::string out = std::regex_replace(text, std::regex("^ARCHIVE=/.*"),
                                             "ARCHIVE=", std::regex_constants::format_first_only);
        out = std::regex_replace(out, std::regex("  CREATED" + time), "  CREATED=<time>");
        return std::regex_replace(out, std::regex("  MODIFIED" + time + "(\r\n  [VF])"),
                                  "  MODIFIED=<time>$1");
    };
    EXPECT_EQ(form(produced), form(readFile(recorded)));
    // Extraction takes the last chapter's version.
    ASSERT_EQ(code({"e", "three.J", "notes.txt", "-oout"}), Success);
    EXPECT_EQ(work_.read("out/notes.txt"), "second notes, longer\r\n");
}

} // namespace
} // namespace brak::test
