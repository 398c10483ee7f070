// Starting programs on the real machine. The child is this test binary
// itself: started with BRAK_CHILD_REPORT set, it writes down what it was
// given and ends before any test runs.

#include "Children.h"
#include "TempDir.h"
#include "platform/PosixPlatform.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace brak::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

constexpr const char* ReportVariable = "BRAK_CHILD_REPORT";

// glibc passes the arguments to constructors too; this one runs before main.
__attribute__((constructor)) void actAsChild(int argc, char** argv) {
    const char* report = std::getenv(ReportVariable);
    if (report == nullptr)
        return;
    const bool stubborn = std::getenv("BRAK_CHILD_STUBBORN") != nullptr;
    if (stubborn) // deaf to SIGTERM before it tells it is there
        ::signal(SIGTERM, SIG_IGN);
    char* cwd = ::getcwd(nullptr, 0);
    struct stat input {};
    struct stat null {};
    const bool nullInput = ::fstat(0, &input) == 0 && ::stat("/dev/null", &null) == 0 &&
                           S_ISCHR(input.st_mode) && input.st_rdev == null.st_rdev;
    const char* probe = std::getenv("BRAK_PROBE");
    std::string text = std::string("cwd=") + (cwd ? cwd : "") +
                       "\nstdin=" + (nullInput ? "null" : "other") +
                       "\nprobe=" + (probe ? probe : "<unset>") + "\n";
    std::free(cwd);
    for (int i = 0; i < argc; ++i)
        text += std::string("arg=") + argv[i] + "\n";
    const int fd = ::open(report, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
        ::close(fd);
    }
    if (const char* go = std::getenv("BRAK_CHILD_WAIT_FOR")) {
        while (::access(go, F_OK) != 0)
            ::usleep(5000);
    }
    if (std::getenv("BRAK_CHILD_SIGNAL") != nullptr)
        ::kill(::getpid(), SIGTERM);
    while (stubborn)
        ::pause();
    const char* code = std::getenv("BRAK_CHILD_EXIT");
    ::_exit(code ? std::atoi(code) : 0);
}

std::string selfPath() {
    return fs::read_symlink("/proc/self/exe").string();
}

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv(ReportVariable, temp_.file("report").c_str(), 1);
        savedPath_ = platform_.environment("PATH");
        savedDirectory_ = platform_.currentDirectory();
    }
    void TearDown() override {
        for (const char* name : {ReportVariable, "BRAK_PROBE", "BRAK_CHILD_WAIT_FOR",
                                 "BRAK_CHILD_SIGNAL", "BRAK_CHILD_EXIT", "BRAK_CHILD_STUBBORN"})
            ::unsetenv(name);
        platform_.setEnvironment("PATH", savedPath_);
        platform_.setCurrentDirectory(savedDirectory_);
    }

    ProcessRequest child(Strings args = {"child"}) { return {selfPath(), std::move(args), ""}; }

    // The lines the child reported with this key, in order.
    Strings reported(const std::string& key) {
        Strings values;
        std::istringstream lines(temp_.read("report"));
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(key + "=", 0) == 0)
                values.push_back(line.substr(key.size() + 1));
        }
        return values;
    }
    std::string reportedOnce(const std::string& key) {
        const auto values = reported(key);
        return values.size() == 1 ? values[0] : "<" + std::to_string(values.size()) + " values>";
    }

    PosixPlatform platform_;
    TempDir temp_;
    std::string savedPath_;
    std::string savedDirectory_;
};

// The four pieces of a Jar command line, and worse.
const Strings HardArguments = {"JAR32.EXE ",
                               "a ",
                               "\"arc name.J\" *.* ",
                               "-y -o\"out dir\" ",
                               "",
                               "  ",
                               "back\\slash\\",
                               "$HOME; `x` | y > z",
                               "!\"BRAK.LST\""};

TEST_F(ProcessTest, RunAndWaitPassesTheArgumentsExactlyAndReturnsTheExitCode) {
    for (int code : {0, 1, 7, 42}) {
        ::setenv("BRAK_CHILD_EXIT", std::to_string(code).c_str(), 1);
        const StartResult result = platform_.runAndWait(child(HardArguments));
        EXPECT_TRUE(result.started());
        EXPECT_EQ(result.exitCode, code);
        EXPECT_EQ(result.child, nullptr);
        EXPECT_EQ(reported("arg"), HardArguments);
    }
    ::setenv("BRAK_CHILD_SIGNAL", "1", 1);
    EXPECT_EQ(platform_.runAndWait(child()).exitCode, SignalExitBase + SIGTERM);
}

TEST_F(ProcessTest, StartDoesNotWaitAndTellsWhenTheChildHasEnded) {
    // The child waits for this file, so it cannot have ended before it is there.
    const std::string go = temp_.file("go");
    ::setenv("BRAK_CHILD_WAIT_FOR", go.c_str(), 1);
    ::setenv("BRAK_CHILD_EXIT", "5", 1);
    StartResult result = platform_.start(child(HardArguments));
    ASSERT_TRUE(result.started());
    ASSERT_NE(result.child, nullptr);
    EXPECT_FALSE(result.child->hasEnded());
    EXPECT_EQ(result.child->exitCode(), -1);

    writeFile(go, "");
    ASSERT_TRUE(result.child->waitFor(10000));
    EXPECT_TRUE(result.child->hasEnded());
    EXPECT_EQ(result.child->exitCode(), 5);
    // Read only now: the report is whole once its writer has ended.
    EXPECT_EQ(reportedOnce("stdin"), "null") << "a run without a console reads nothing";
    EXPECT_EQ(reported("arg"), HardArguments);

    ::setenv("BRAK_CHILD_EXIT", "9", 1);
    result = platform_.start(child());
    ASSERT_TRUE(result.started());
    result.child->wait();
    EXPECT_TRUE(result.child->hasEnded());
    EXPECT_EQ(result.child->exitCode(), 9);
}

TEST_F(ProcessTest, TheChildGetsTheDirectoryAndEnvironmentItWasGiven) {
    fs::create_directories(temp_.file("run dir"));
    platform_.setEnvironment("BRAK_PROBE", "with blank = and more");
    EXPECT_EQ(platform_.environment("BRAK_PROBE"), "with blank = and more");
    ProcessRequest request = child();
    request.directory = temp_.file("run dir");
    ASSERT_TRUE(platform_.runAndWait(request).started());
    EXPECT_EQ(reportedOnce("cwd"), fs::canonical(temp_.file("run dir")).string());
    EXPECT_EQ(reportedOnce("probe"), "with blank = and more");

    platform_.setEnvironment("BRAK_PROBE", "");
    EXPECT_EQ(platform_.environment("BRAK_PROBE"), "");
    EXPECT_EQ(::getenv("BRAK_PROBE"), nullptr) << "an empty value removes the variable";
    ASSERT_TRUE(platform_.runAndWait(child()).started());
    EXPECT_EQ(reportedOnce("probe"), "<unset>");
    EXPECT_EQ(reportedOnce("cwd"), platform_.currentDirectory());

    // The request's own changes reach the child only.
    ::setenv("BRAK_PROBE", "inherited", 1);
    for (const auto& [value, seen] : {std::pair<std::string, std::string>{"given", "given"},
                                      {"", "<unset>"}}) { // an empty value removes it
        request.environment = {{"BRAK_PROBE", value}};
        EXPECT_TRUE(platform_.runAndWait(request).started());
        EXPECT_EQ(reportedOnce("probe"), seen);
    }
    EXPECT_EQ(platform_.environment("BRAK_PROBE"), "inherited") << "ours stays as it was";
    request.environment = {{"BAD=NAME", "x"}};
    EXPECT_EQ(platform_.runAndWait(request).error, EINVAL);

    // A relative program name means the caller's directory, not the child's.
    request.environment.clear();
    ASSERT_TRUE(platform_.setCurrentDirectory(fs::path(selfPath()).parent_path().string()));
    request.program = "./" + fs::path(selfPath()).filename().string();
    EXPECT_TRUE(platform_.runAndWait(request).started());
    EXPECT_TRUE(platform_.start(request).started());
}

TEST_F(ProcessTest, FailedStartsReportTheRealErrno) {
    temp_.write("plain.txt", "not a program\n");
    temp_.write("script", "touch '" + temp_.file("shell was here") + "'\n");
    ::chmod(temp_.file("script").c_str(), 0755);
    fs::create_directories(temp_.file("directory"));
    const struct {
        std::string program;
        Strings args;
        int error;
    } rows[] = {{temp_.file("missing"), {"x"}, ENOENT},
                {temp_.file("plain.txt"), {"x"}, EACCES},
                {temp_.file("script"), {"x"}, ENOEXEC},
                {temp_.file("directory"), {"x"}, EACCES},
                {"", {"x"}, ENOENT},
                {selfPath(), {"x", std::string(300000, 'a')}, E2BIG},
                {selfPath(), {"x", std::string("nul\0inside", 10)}, EINVAL}};
    for (const auto& row : rows) {
        const ProcessRequest request{row.program, row.args, ""};
        StartResult result = platform_.runAndWait(request);
        EXPECT_EQ(result.error, row.error) << row.program;
        EXPECT_FALSE(result.started());
        result = platform_.start(request);
        EXPECT_EQ(result.error, row.error) << row.program;
        EXPECT_EQ(result.child, nullptr);
    }
    EXPECT_FALSE(temp_.exists("shell was here")) << "no shell ran the script";
    EXPECT_FALSE(temp_.exists("report")) << "nothing started";
}

// A child given up while it runs is stopped and reaped in the background:
// asked to end, killed if it has not two seconds later.
TEST_F(ProcessTest, TerminatingOrGivingUpAChildEndsItAndReapsIt) {
    auto running = [this](bool stubborn) {
        ::unsetenv("BRAK_CHILD_STUBBORN");
        ::setenv(stubborn ? "BRAK_CHILD_STUBBORN" : "BRAK_CHILD_WAIT_FOR",
                 temp_.file("never").c_str(), 1);
        std::remove(temp_.file("report").c_str());
        StartResult result = platform_.start(child());
        EXPECT_TRUE(result.started());
        // The report is written once the child is ready for the signal.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!temp_.exists("report") && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return std::move(result.child);
    };
    for (bool stubborn : {false, true}) {
        running(stubborn).reset();
        auto child = running(stubborn);
        child->terminate();
        EXPECT_TRUE(child->hasEnded()) << stubborn;
        EXPECT_EQ(child->exitCode(), SignalExitBase + (stubborn ? SIGKILL : SIGTERM));
    }
    EXPECT_TRUE(childrenGone()) << "no child runs on, no zombie stays";
}

TEST_F(ProcessTest, BareNamesAreLookedUpBesideBrakThenAlongPathOnly) {
    for (const char* directory : {"beside", "bin", "work"})
        fs::create_directories(temp_.file(directory));
    for (const char* link : {"beside/JAR32.EXE", "bin/JAR32.EXE", "work/PLANTED.EXE"})
        fs::create_symlink(selfPath(), temp_.file(link));
    fs::create_directories(temp_.file("bin/DIR.EXE"));
    temp_.write("bin/NOEXEC.EXE", "");
    int error = 0;
    EXPECT_EQ(findProgram("JAR32.EXE", temp_.file("beside/"), temp_.file("bin"), error),
              temp_.file("beside/JAR32.EXE"));
    EXPECT_EQ(findProgram("JAR32.EXE", temp_.file("elsewhere/"), temp_.file("bin"), error),
              temp_.file("bin/JAR32.EXE"));
    EXPECT_EQ(findProgram("JAR32.EXE", "", temp_.file("bin/"), error), temp_.file("bin/JAR32.EXE"));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(findProgram("DIR.EXE", "", temp_.file("bin"), error), "") << "a directory";
    EXPECT_EQ(error, ENOENT);
    error = 0;
    EXPECT_EQ(findProgram("JAR32.EXE", "", "", error), "");
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(platform_.locateProgram("test_process", error), selfPath())
        << "the program's own directory comes first";

    platform_.setEnvironment("PATH", "/nonexistent:" + temp_.file("bin"));
    StartResult result = platform_.runAndWait({"JAR32.EXE", {"JAR32.EXE "}, ""});
    EXPECT_TRUE(result.started()) << result.error;
    EXPECT_EQ(reported("arg"), Strings{"JAR32.EXE "});
    EXPECT_EQ(platform_.runAndWait({"NOEXEC.EXE", {"x"}, ""}).error, EACCES);
    EXPECT_EQ(platform_.start({"ELSEWHERE.EXE", {"x"}, ""}).error, ENOENT);

    // Empty and relative entries would mean the current directory: skipped.
    ASSERT_TRUE(platform_.setCurrentDirectory(temp_.file("work")));
    platform_.setEnvironment("PATH", ":.:work:" + temp_.file("bin") + ":");
    EXPECT_EQ(platform_.runAndWait({"PLANTED.EXE", {"x"}, ""}).error, ENOENT);
    EXPECT_EQ(platform_.start({"PLANTED.EXE", {"x"}, temp_.file("work")}).error, ENOENT);
    EXPECT_TRUE(platform_.runAndWait({"./PLANTED.EXE", {"x"}, ""}).started())
        << "a name with a directory is used as it is";
}

TEST_F(ProcessTest, FileServicesAndDirectories) {
    EXPECT_EQ(platform_.programDirectory(), fs::path(selfPath()).parent_path().string() + "/");
    temp_.write("five.txt", "12345");
    fs::create_directories(temp_.file("folder"));
    ASSERT_EQ(::mkfifo(temp_.file("fifo").c_str(), 0600), 0);
    // A FIFO is no file to read, and asking does not block.
    for (const auto& [name, size] : {std::pair<std::string, std::int64_t>{"five.txt", 5},
                                     {"folder", -1},
                                     {"missing", -1},
                                     {"fifo", -1}}) {
        EXPECT_EQ(platform_.fileExists(temp_.file(name)), size >= 0) << name;
        EXPECT_EQ(platform_.fileSize(temp_.file(name)), size) << name;
    }
    EXPECT_TRUE(platform_.removeFile(temp_.file("five.txt")));
    EXPECT_FALSE(platform_.removeFile(temp_.file("five.txt")));
    EXPECT_FALSE(platform_.fileExists(temp_.file("five.txt")));
    EXPECT_TRUE(platform_.setCurrentDirectory(temp_.file("folder")));
    EXPECT_EQ(platform_.currentDirectory(), fs::canonical(temp_.file("folder")).string());
    EXPECT_FALSE(platform_.setCurrentDirectory(temp_.file("missing")));

    temp_.write("listed/file.txt", "123");
    temp_.write("listed/.hidden", "");
    fs::create_directories(temp_.file("listed/sub"));
    fs::create_symlink(temp_.file("listed/sub"), temp_.file("listed/link"));
    fs::create_symlink(selfPath(), temp_.file("listed/run"));
    int error = -1;
    auto entries = platform_.listDirectory(temp_.file("listed"), error);
    EXPECT_EQ(error, 0);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    using Kind = DirectoryEntry::Kind;
    const struct {
        const char* name;
        Kind kind;
        bool link, executable;
        std::int64_t size;
    } expected[] = {{".hidden", Kind::File, false, false, 0},
                    {"file.txt", Kind::File, false, false, 3},
                    {"link", Kind::Directory, true, true, -1},
                    {"run", Kind::File, true, true, -1},
                    {"sub", Kind::Directory, false, true, -1}};
    ASSERT_EQ(entries.size(), std::size(expected));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& [name, kind, link, executable, size] = expected[i];
        EXPECT_EQ(entries[i].name, name);
        EXPECT_EQ(entries[i].kind, kind) << name;
        EXPECT_EQ(entries[i].symbolicLink, link) << name;
        EXPECT_EQ(entries[i].executable, executable) << name;
        EXPECT_TRUE(size < 0 || entries[i].size == size) << name;
    }
    EXPECT_TRUE(platform_.listDirectory(temp_.file("missing"), error).empty());
    EXPECT_EQ(error, ENOENT);
    // The file names alone: links to files count, directories and dangling links do not.
    fs::create_symlink(temp_.file("listed/gone"), temp_.file("listed/dangling"));
    auto names = platform_.listFileNames(temp_.file("listed"), error);
    EXPECT_EQ(error, 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Strings{".hidden", "file.txt", "run"}));
    EXPECT_TRUE(platform_.listFileNames(temp_.file("missing"), error).empty());
    EXPECT_EQ(error, ENOENT);
    EXPECT_TRUE(platform_.directoryExists(temp_.file("listed/link")));
    EXPECT_FALSE(platform_.directoryExists(temp_.file("listed/file.txt")));
    EXPECT_FALSE(platform_.directoryExists(temp_.file("missing")));

    const std::string made = platform_.makeTemporaryDirectory();
    ASSERT_FALSE(made.empty());
    EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all);
    writeFile(made + "/inside", "x");
    EXPECT_TRUE(platform_.removeDirectory(made));
    EXPECT_FALSE(fs::exists(made));
    const auto before = std::chrono::steady_clock::now();
    platform_.sleep(30);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(30));
}

TEST_F(ProcessTest, TheUserDirectoryFollowsXdgAndIsPrivate) {
    const std::string savedHome = platform_.environment("HOME");
    const std::string savedConfig = platform_.environment("XDG_CONFIG_HOME");
    platform_.setEnvironment("HOME", temp_.file("home"));
    for (const char* ignored : {"", "relative/is/ignored"}) {
        platform_.setEnvironment("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(platform_.userDirectory(), temp_.file("home/.config/brak/")) << ignored;
    }
    platform_.setEnvironment("XDG_CONFIG_HOME", temp_.file("xdg/not/made"));
    EXPECT_EQ(platform_.userDirectory(), temp_.file("xdg/not/made/brak/"));
    EXPECT_TRUE(platform_.makeUserDirectory()) << "every missing level is made";
    EXPECT_EQ(fs::status(temp_.file("xdg/not/made/brak")).permissions() & fs::perms::all,
              fs::perms::owner_all);
    EXPECT_TRUE(platform_.makeUserDirectory()) << "already there";
    temp_.write("blocked", "a file where the directory should be");
    platform_.setEnvironment("XDG_CONFIG_HOME", temp_.file("blocked"));
    EXPECT_FALSE(platform_.makeUserDirectory());
    platform_.setEnvironment("HOME", savedHome);
    platform_.setEnvironment("XDG_CONFIG_HOME", savedConfig);

    const auto data = platform_.dataDirectories();
    ASSERT_GE(data.size(), 2u);
    EXPECT_EQ(data[0], platform_.programDirectory());
}

// A Brak killed outright (SIGKILL runs no close) takes its children with it,
// and the next one removes the listing folder it left.
TEST_F(ProcessTest, ABrakKilledTakesItsChildrenAndTheNextRemovesItsFolders) {
    ::prctl(PR_SET_CHILD_SUBREAPER, 1); // its orphans come here
    const std::string savedTemp = platform_.environment("TMPDIR");
    fs::create_directories(temp_.file("tmp"));
    platform_.setEnvironment("TMPDIR", temp_.file("tmp"));
    const pid_t brak = ::fork();
    if (brak == 0) {
        PosixPlatform platform;
        const std::string folder = platform.makeTemporaryDirectory();
        StartResult started = platform.start({"/bin/sleep", {"sleep", "60"}, ""});
        writeFile(temp_.file("killed"), folder + (started.child ? "\n" : ""));
        for (;;)
            ::pause();
    }
    ASSERT_GT(brak, 0);
    for (int waited = 0; !temp_.read("killed").ends_with("\n") && waited < 5000; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::string folder = temp_.read("killed");
    ASSERT_TRUE(folder.ends_with("\n")) << "the listing started";
    folder.pop_back();
    ASSERT_TRUE(fs::exists(folder));
    const std::string mine = platform_.makeTemporaryDirectory(); // in use here
    ::kill(brak, SIGKILL);
    ::waitpid(brak, nullptr, 0);
    bool gone = false;
    for (int waited = 0; !gone && waited < 5000; waited += 10) {
        while (::waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        gone = childProcesses().empty();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(gone) << "the listing it ran dies with it";

    platform_.removeStaleTemporaryDirectories();
    EXPECT_FALSE(fs::exists(folder)) << "left by a Brak that was killed";
    EXPECT_TRUE(fs::exists(mine)) << "still in use";
    EXPECT_TRUE(platform_.removeDirectory(mine));
    platform_.setEnvironment("TMPDIR", savedTemp);
}

} // namespace
} // namespace brak::test
