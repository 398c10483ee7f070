// Programs on a real pseudo-terminal, through the session the console uses:
// the stand-in archiver answering questions typed into its terminal, Ctrl-C,
// the stop ladder, and what a waiting program costs. Started with
// BRAK_PTY_CHILD set, this binary is a child of its own (see actAsChild).

#include "TempDir.h"
#include "core/ExitMessages.h"
#include "platform/PosixPlatform.h"
#include "run/PtySession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace brak::test {
namespace {

namespace fs = std::filesystem;

const std::string JarProgram = std::string(BRAK_BIN_DIR) + "/JAR32.EXE";

// A build with the sanitizers runs several times slower: its timings say
// nothing about the program's.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool Instrumented = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool Instrumented = true;
#else
constexpr bool Instrumented = false;
#endif
#else
constexpr bool Instrumented = false;
#endif
constexpr const char* ChildVariable = "BRAK_PTY_CHILD";
constexpr int FloodLines = 100000;

void say(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// glibc passes the arguments to constructors too; this one runs before main.
__attribute__((constructor)) void actAsChild(int argc, char** argv) {
    const char* mode = std::getenv(ChildVariable);
    if (mode == nullptr)
        return;
    const std::string what = mode;
    if (what == "report") {
        auto env = [](const char* name) {
            const char* value = std::getenv(name);
            return std::string(name) + "=" + (value ? value : "<unset>") + "\n";
        };
        winsize size{};
        ::ioctl(0, TIOCGWINSZ, &size);
        char* cwd = ::getcwd(nullptr, 0);
        std::string text = env("TERM") + env("JAR_CFG_FILE") +
                           "terminal=" + std::to_string(::isatty(0) && ::isatty(1)) + "\n" +
                           "leader=" + std::to_string(::getsid(0) == ::getpid()) + "\n" +
                           "foreground=" + std::to_string(::tcgetpgrp(0) == ::getpgrp()) + "\n" +
                           "size=" + std::to_string(size.ws_row) + "x" +
                           std::to_string(size.ws_col) + "\n" + "cwd=" + (cwd ? cwd : "") + "\n";
        std::free(cwd);
        for (int i = 0; i < argc; ++i)
            text += "arg=[" + std::string(argv[i]) + "]\n";
        say(text);
        ::_exit(5);
    }
    if (what == "stubborn") {
        ::signal(SIGINT, SIG_IGN);
        ::signal(SIGTERM, SIG_IGN);
        say("ready\n");
        for (;;)
            ::pause();
    }
    if (what == "flood") {
        // A listing's worth of lines, written the way a program buffers them.
        std::string block;
        for (int n = 1; n <= FloodLines; ++n) {
            char line[100];
            std::snprintf(line, sizeof line,
                          "%08d  2026/12/06 14:30:05  A....  1-1  some/path/file%06d.txt\r\n", n,
                          n);
            block += line;
            if (block.size() > 60000) {
                say(block);
                block.clear();
            }
        }
        say(block);
        ::_exit(0);
    }
    if (what == "asker") {
        // Costly sequences (each moves the whole screen) and queries whose
        // answers it never reads.
        std::string block;
        for (int n = 0; n < 4096; ++n)
            block += n % 2 ? "\x1b[6n" : "\x1b[L";
        for (int n = 0; n < 64; ++n)
            say(block);
        say("\r\ndone\r\n");
        ::_exit(0);
    }
    ::_exit(99);
}

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "test_pty";
    static char* argv[] = {name, nullptr};
    static auto* app = new QCoreApplication(argc, argv);
    return *app;
}

std::string selfPath() {
    return fs::read_symlink("/proc/self/exe").string();
}

double processCpuMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

bool gone(int pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

class PtyTest : public ::testing::Test {
protected:
    PtyTest() { application(); }

    // Starts a program on a terminal of the given size.
    std::unique_ptr<PtySession> start(const ProcessRequest& request, TerminalSize size = {25, 80}) {
        TerminalStart started = platform_.startOnTerminal(request, size);
        EXPECT_TRUE(started.started()) << startFailureMessage(started.error);
        if (!started.started())
            return nullptr;
        return std::make_unique<PtySession>(std::move(started.process), size);
    }
    ProcessRequest child(const std::string& mode) {
        return {selfPath(), {"child", "two words "}, temp_.path(), {{ChildVariable, mode}}};
    }
    ProcessRequest jar(const std::string& letter, const std::string& archivePiece,
                       const std::string& switches, const std::string& directory) {
        return {JarProgram, {JarProgram + " ", letter + " ", archivePiece, switches}, directory};
    }

    // Runs the event loop until the condition holds; false after the time.
    static bool until(const std::function<bool()>& done, int milliseconds = 10000) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < milliseconds)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return done();
    }
    // Waits for the program's end, at most ten seconds; a program that
    // does not end then is stopped, so no test hangs.
    static ExitStatus finish(PtySession& session) {
        if (!until([&] { return !session.running(); })) {
            ADD_FAILURE() << "the program did not end:\n" << session.screen().screenText();
            session.setStopStep(100);
            session.stop();
        }
        return session.waitForEnd();
    }
    static bool shows(const PtySession& session, const std::string& text) {
        return session.screen().screenText().find(text) != std::string::npos;
    }

    PosixPlatform platform_;
    TempDir temp_;
};

} // namespace

TEST_F(PtyTest, TheProgramGetsATerminalOfItsOwn) {
    ::setenv("JAR_CFG_FILE", "/brak/own.cfg", 1);
    ProcessRequest request = child("report");
    request.environment.emplace_back("JAR_CFG_FILE", "");
    auto session = start(request, {20, 70});
    ::unsetenv("JAR_CFG_FILE");
    ASSERT_TRUE(session);
    EXPECT_EQ(finish(*session), ExitStatus::exited(5));
    const std::string text = session->output();
    for (const std::string line :
         {"TERM=xterm-256color", "JAR_CFG_FILE=<unset>", "terminal=1", "leader=1", "foreground=1",
          "size=20x70", "arg=[child]", "arg=[two words ]"})
        EXPECT_NE(text.find(line + "\n"), std::string::npos) << line << " in\n" << text;
    EXPECT_NE(text.find("cwd=" + fs::canonical(temp_.path()).string() + "\n"), std::string::npos)
        << text;
    EXPECT_TRUE(shows(*session, "JAR32.EXE ended with exit code 5")) << "said on the last line";
    EXPECT_TRUE(gone(session->processId())) << "reaped";
}

TEST_F(PtyTest, FailedStartsReportTheRealErrno) {
    temp_.write("text.EXE", "not a program\n");
    fs::permissions(temp_.file("text.EXE"), fs::perms::owner_all);
    temp_.write("plain.EXE", "not executable\n");
    const struct {
        ProcessRequest request;
        int error;
        const char* message;
    } rows[] = {
        {{temp_.file("missing/JAR32.EXE"), {"JAR32.EXE "}, ""}, ENOENT, "Path or file not found."},
        {{selfPath(), {"x"}, temp_.file("no such directory")}, ENOENT, "Path or file not found."},
        {{temp_.file("text.EXE"), {"x"}, ""}, ENOEXEC, "Exec format error."},
        {{temp_.file("plain.EXE"), {"x"}, ""}, EACCES, "Unclassified."},
        {{selfPath(), {std::string("a\0b", 3)}, ""}, EINVAL, "Invalid argument."},
    };
    for (const auto& row : rows) {
        const TerminalStart started = platform_.startOnTerminal(row.request, {});
        EXPECT_EQ(started.error, row.error) << row.request.program;
        EXPECT_EQ(startFailureMessage(started.error), row.message);
        EXPECT_EQ(started.process, nullptr);
    }
}

TEST_F(PtyTest, JarsQuestionsAreAnsweredThroughTheTerminalAndCtrlCEndsItWithEleven) {
    // An archive in src/ holding a.txt, made by the stand-in without a terminal.
    temp_.write("src/a.txt", "archived text");
    StartResult made = platform_.start(jar("a", "\"arc.j\" a.txt ", "", temp_.file("src")));
    ASSERT_TRUE(made.started());
    made.child->wait();
    ASSERT_EQ(made.child->exitCode(), 0);
    for (const char* answer : {"y", "n"}) {
        SCOPED_TRACE(answer);
        temp_.write("dest/a.txt", "the user's own text");
        auto session =
            start(jar("e", "\"" + temp_.file("src/arc.j") + "\" *.* ", "", temp_.file("dest")));
        ASSERT_TRUE(session);
        ASSERT_TRUE(until([&] { return shows(*session, "verwrite"); }))
            << session->screen().screenText();
        session->sendBytes(answer);
        session->sendKey(TerminalKey::Enter);
        EXPECT_EQ(finish(*session), ExitStatus::exited(0)) << session->output();
        EXPECT_EQ(temp_.read("dest/a.txt"),
                  std::string(answer) == "y" ? "archived text" : "the user's own text");
        EXPECT_NE(session->output().find("verwrite"), std::string::npos);
        EXPECT_TRUE(shows(*session, "JAR32.EXE ended with exit code 0"));
    }

    temp_.write("src/b.txt", "more");
    const std::string before = temp_.read("src/arc.j");
    auto session = start(jar("a", "\"arc.j\" b.txt ", "-q ", temp_.file("src")));
    ASSERT_TRUE(session);
    ASSERT_TRUE(until([&] { return shows(*session, "b.txt?"); })) << session->screen().screenText();
    // The terminal's interrupt character. A program may take the signal
    // just before it sits down to read, and miss it there: a user presses
    // it again.
    for (int tries = 0; tries < 10 && session->running(); ++tries) {
        session->sendCharacter(U'c', ControlKey);
        until([&] { return !session->running(); }, 1000);
    }
    const ExitStatus status = finish(*session);
    EXPECT_EQ(exitStatusMessage(status), "User termination - Ctrl-C") << session->output();
    EXPECT_EQ(status, ExitStatus::exited(11));
    EXPECT_EQ(temp_.read("src/arc.j"), before);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(temp_.file("src")))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"a.txt", "arc.j", "b.txt"})) << "no temporary file";
}

// Passwords typed into the console, as a user encrypts with hidden contents,
// lists them, then extracts with a wrong and a right password: never on the
// screen, never in what the run log keeps.
TEST_F(PtyTest, ATypedPasswordNeverShowsOnTheConsoleNorInTheRunLog) {
    const std::string password = "Tr0ub4dor&3-horse";
    temp_.write("src/a.txt", "archived text");
    auto typeAll = [&](PtySession& session, const std::vector<std::string>& answers) {
        size_t asked = 0;
        for (const std::string& answer : answers) {
            ++asked;
            ASSERT_TRUE(until([&] {
                std::string text = session.screen().screenText();
                size_t count = 0;
                for (size_t at = text.find("Password"); at != std::string::npos;
                     at = text.find("Password", at + 1))
                    ++count;
                return count >= asked;
            })) << session.screen().screenText();
            session.sendBytes(answer);
            session.sendKey(TerminalKey::Enter);
        }
    };
    struct Step {
        const char* letter;
        std::vector<std::string> answers;
        int code;
    };
    const Step steps[] = {{"a", {password, password}, 0},
                          {"l", {password}, 0},
                          {"x", {password + "x"}, 3},
                          {"x", {password}, 0}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.letter);
        auto session = start(jar(step.letter, "\"arc.j\" a.txt ",
                                 std::string(step.letter) == "a"   ? "-hg1 -jx "
                                 : std::string(step.letter) == "x" ? "-oout "
                                                                   : "",
                                 temp_.file("src")));
        ASSERT_TRUE(session);
        typeAll(*session, step.answers);
        EXPECT_EQ(finish(*session), ExitStatus::exited(step.code)) << session->output();
        EXPECT_EQ(session->screen().screenText().find("Tr0ub4dor"), std::string::npos);
        EXPECT_EQ(session->output().find("Tr0ub4dor"), std::string::npos) << session->output();
        if (std::string(step.letter) == "l") {
            EXPECT_NE(session->output().find("a.txt"), std::string::npos) << session->output();
        }
    }
    EXPECT_EQ(temp_.read("src/out/a.txt"), "archived text");
    EXPECT_EQ(temp_.read("src/arc.j").find("archived text"), std::string::npos);
}

TEST_F(PtyTest, StoppingClimbsTheLadderAndLeavesNoZombie) {
    // A program that ends on SIGINT ends at the first step.
    auto cat = start({"/bin/cat", {"cat"}, ""});
    ASSERT_TRUE(cat);
    cat->setStopStep(5000);
    QElapsedTimer timer;
    timer.start();
    cat->stop();
    EXPECT_EQ(finish(*cat), ExitStatus::killed(SIGINT));
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(exitStatusMessage(*cat->status()), "User termination - Ctrl-C");
    EXPECT_TRUE(gone(cat->processId()));

    // One that ignores SIGINT and SIGTERM is killed two steps later.
    auto stubborn = start(child("stubborn"));
    ASSERT_TRUE(stubborn);
    ASSERT_TRUE(until([&] { return shows(*stubborn, "ready"); }));
    stubborn->setStopStep(300);
    timer.restart();
    stubborn->stop();
    EXPECT_EQ(finish(*stubborn), ExitStatus::killed(SIGKILL));
    EXPECT_GE(timer.elapsed(), 550);
    EXPECT_EQ(exitStatusMessage(*stubborn->status()), "Unclassified.");
    EXPECT_TRUE(gone(stubborn->processId()));
    EXPECT_TRUE(shows(*stubborn, "JAR32.EXE was ended by signal SIGKILL"));

    // A session given up while its program runs stops and reaps it.
    auto left = start({"/bin/cat", {"cat"}, ""});
    ASSERT_TRUE(left);
    const int pid = left->processId();
    left.reset();
    EXPECT_TRUE(gone(pid));
}

TEST_F(PtyTest, AProgramWaitingForAKeyCostsNoTime) {
    auto cat = start({"/bin/cat", {"cat"}, ""});
    ASSERT_TRUE(cat);
    cat->sendBytes("echo me\r");
    ASSERT_TRUE(until([&] { return cat->screen().lineText(1) == "echo me"; }))
        << cat->screen().screenText();
    const double before = processCpuMilliseconds();
    QEventLoop idle;
    QTimer::singleShot(1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double spent = processCpuMilliseconds() - before;
    EXPECT_LT(spent, Instrumented ? 100.0 : 30.0) << "no polling while the program waits";
    RecordProperty("cpu_ms_per_idle_second", std::to_string(spent));
    cat->sendKey(TerminalKey::Enter);
    cat->sendCharacter(U'd', ControlKey); // end of input
    EXPECT_EQ(finish(*cat), ExitStatus::exited(0));
}

TEST_F(PtyTest, AHundredThousandLinesReachTheScreenAsFastAsTheyAreWritten) {
    // The program's own time, its output going nowhere.
    QElapsedTimer timer;
    timer.start();
    StartResult quiet = platform_.start(child("flood"));
    ASSERT_TRUE(quiet.started());
    quiet.child->wait();
    const qint64 own = timer.elapsed();

    timer.restart();
    const double cpuBefore = processCpuMilliseconds();
    auto session = start(child("flood"));
    ASSERT_TRUE(session);
    EXPECT_EQ(finish(*session), ExitStatus::exited(0));
    const qint64 console = timer.elapsed();
    const double cpu = processCpuMilliseconds() - cpuBefore;
    const TerminalScreen& screen = session->screen();
    EXPECT_EQ(screen.lineText(screen.lineCount() - 2).substr(0, 8), "00100000");
    EXPECT_EQ(screen.scrollbackLines(), TerminalScreen::ScrollbackLimit);
    std::printf("100,000 lines: %lld ms alone, %lld ms through the console (%lld ms added, "
                "%.0f ms of Brak's processor time)\n",
                static_cast<long long>(own), static_cast<long long>(console),
                static_cast<long long>(console - own), cpu);
    RecordProperty("added_ms", std::to_string(console - own));
    RecordProperty("cpu_ms", std::to_string(cpu));
    // The work Brak adds; the time on the clock also depends on what else
    // the machine is doing.
    if (!Instrumented) {
        EXPECT_LT(cpu, 1000.0);
    }
}

TEST_F(PtyTest, AProgramThatAsksAndNeverReadsNeitherFillsTheMemoryNorHoldsTheWindow) {
    auto session = start(child("asker"));
    ASSERT_TRUE(session);
    // The event loop's longest gap while the screen takes the flood.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start(10);
    EXPECT_EQ(finish(*session), ExitStatus::exited(0));
    tick.stop();
    // The terminal's echo of the answers may push it off the screen.
    EXPECT_NE(session->output().find("done\n"), std::string::npos);
    EXPECT_GT(session->droppedReplies(), 0u);
    EXPECT_NE(session->output().find("answers to JAR32.EXE's terminal queries"), std::string::npos);
    std::printf("longest pause of the event loop: %lld ms in %lld ms\n",
                static_cast<long long>(longest), static_cast<long long>(clock.elapsed()));
    RecordProperty("longest_pause_ms", std::to_string(longest));
    if (!Instrumented) {
        EXPECT_LT(longest, 1000) << "the window kept its turn";
    }
}

} // namespace brak::test
