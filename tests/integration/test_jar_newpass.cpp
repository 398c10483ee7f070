// A new password for an encrypted archive, or none, handed over on
// descriptors as Brak does and typed on a pseudo-terminal as a user would.

#include "TempDir.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace brak::test {
namespace {

using Args = std::vector<std::string>;
constexpr int Success = 0, Crc = 3, BadParameters = 7;
const std::string Marker = "a sentence for nobody's eyes";

struct JarRun {
    JarRun(Args a, std::string three = {}, std::string four = {},
           std::vector<std::string> typed = {})
        : args(std::move(a)), fd3(std::move(three)), fd4(std::move(four)),
          answers(std::move(typed)) {}
    Args args;
    std::string fd3, fd4;             // handed over on descriptors 3 and 4 when not empty
    std::vector<std::string> answers; // typed on a terminal, one per "assword" asked
};

// Runs Jar; without answers it has no terminal at all.
std::pair<int, std::string> jar(const std::string& directory, const JarRun& run) {
    int pipes[2][2] = {{-1, -1}, {-1, -1}};
    for (int i = 0; i < 2; ++i) {
        const std::string& text = i == 0 ? run.fd3 : run.fd4;
        if (!text.empty() && ::pipe(pipes[i]) == 0) {
            EXPECT_EQ(::write(pipes[i][1], text.data(), text.size()), ssize_t(text.size()));
            ::close(pipes[i][1]);
        }
    }
    int terminal = -1;
    const pid_t pid =
        run.answers.empty() ? ::fork() : ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        if (run.answers.empty())
            ::setsid();
        for (int i = 0; i < 2; ++i) {
            if (pipes[i][0] >= 0)
                ::dup2(pipes[i][0], 3 + i);
        }
        std::vector<char*> argv{const_cast<char*>(BRAK_BIN_DIR "/JAR32.EXE")};
        for (const std::string& arg : run.args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (::chdir(directory.c_str()) == 0)
            ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    for (auto& pipe : pipes) {
        if (pipe[0] >= 0)
            ::close(pipe[0]);
    }
    std::string screen;
    size_t next = 0, searched = 0;
    for (pollfd wait{terminal, POLLIN, 0}; terminal >= 0 && ::poll(&wait, 1, 20'000) > 0;) {
        char buffer[4096];
        const ssize_t got = ::read(terminal, buffer, sizeof buffer);
        if (got <= 0)
            break;
        screen.append(buffer, static_cast<size_t>(got));
        // Every question ends in ": " and waits; messages end their lines.
        if (next < run.answers.size() && screen.size() > searched && screen.ends_with(": ")) {
            searched = screen.size();
            const std::string line = run.answers[next++] + "\r";
            EXPECT_EQ(::write(terminal, line.data(), line.size()), ssize_t(line.size()));
        }
    }
    if (terminal >= 0)
        ::close(terminal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, screen};
}

class NewPassword : public ::testing::Test {
protected:
    void SetUp() override {
        // Noise is stored as it is, so the marker inside it shows whether
        // the archive holds plain data.
        std::mt19937 random(11);
        std::string noise(300'000, '\0');
        for (char& c : noise)
            c = static_cast<char>(random());
        noise.replace(150'000, Marker.size(), Marker);
        dir_.write("in/noise.bin", noise);
        dir_.write("in/text.txt", std::string(50'000, 'x') + Marker);
        ASSERT_EQ(code({{"a", "arc.j", "in/*", "-pfd3"}, "old\n"}), Success);
    }
    int code(const JarRun& run) { return jar(dir_.path(), run).first; }
    // Extracts into a fresh directory and compares every file with its source.
    bool extractsWhole(JarRun run) {
        const std::string out = "out" + std::to_string(++extractions_);
        run.args.insert(run.args.end(), {"-o" + out});
        if (code(run) != Success)
            return false;
        for (const char* name : {"in/noise.bin", "in/text.txt"}) {
            if (dir_.read(out + "/" + name) != dir_.read(name))
                return false;
        }
        return true;
    }
    bool encrypted() { return dir_.read("arc.j").find(Marker) == std::string::npos; }
    TempDir dir_;
    int extractions_ = 0;
};

TEST_F(NewPassword, ChangedOnDescriptorsTheOldOneIsRefusedAndTheNewOneExtracts) {
    // With a command that writes, applied to what it wrote; with volumes too.
    for (const Args& command : {Args{"y", "arc.j"}, Args{"a", "arc.j", "in/text.txt", "-v100"}}) {
        Args args = command;
        args.insert(args.end(), {"-pfd3", "-npfd4"});
        ASSERT_EQ(code({args, "old\n", "new\n"}), Success) << command[0];
        EXPECT_TRUE(encrypted());
        EXPECT_EQ(code({{"t", "arc.j", "-pfd3"}, "old\n"}), Crc) << command[0];
        EXPECT_TRUE(extractsWhole({{"x", "arc.j", "-pfd3"}, "new\n"})) << command[0];
        EXPECT_EQ(dir_.exists("arc.001"), command[0] == "a");
        ASSERT_EQ(code({{"y", "arc.j", "-pfd3", "-npfd4"}, "new\n", "old\n"}), Success);
    }
}

TEST_F(NewPassword, RemovedTheArchiveHoldsPlainDataAndNeedsNoPassword) {
    // After a command that warns (nothing matched), too.
    ASSERT_EQ(code({{"d", "arc.j", "nothing.txt", "-pfd3", "-np-"}, "old\n"}), 1);
    EXPECT_FALSE(encrypted());
    EXPECT_TRUE(extractsWhole({{"x", "arc.j"}}));
    EXPECT_EQ(dir_.read("arc.j").substr(12, 4), std::string(4, '\0')) << "no header flag left";
}

TEST_F(NewPassword, AWrongCurrentPasswordWritesNothing) {
    const std::string before = dir_.read("arc.j");
    for (const Args& args : {Args{"y", "arc.j", "-pfd3", "-npfd4"},
                             Args{"a", "arc.j", "in/text.txt", "-pfd3", "-np-"}}) {
        EXPECT_EQ(code({args, "wrong\n", "new\n"}), Crc) << args[0];
        EXPECT_EQ(dir_.read("arc.j"), before) << args[0];
    }
    EXPECT_EQ(code({{"y", "arc.j", "-np"}, "", "", {"wrong"}}), Crc);
    EXPECT_EQ(dir_.read("arc.j"), before);
}

// Typed: the current password, then the new one twice, even when the
// current one was handed over; a plain archive gets encrypted.
TEST_F(NewPassword, PromptedOnTheTerminal) {
    ASSERT_EQ(code({{"y", "arc.j", "-np"}, "", "", {"old", "new", "new"}}), Success);
    ASSERT_EQ(code({{"y", "arc.j", "-pfd3", "-np"}, "new\n", "", {"two", "two"}}), Success);
    EXPECT_TRUE(extractsWhole({{"x", "arc.j", "-pfd3"}, "two\n"}));
    EXPECT_EQ(code({{"y", "arc.j", "-pfd3", "-np"}, "two\n", "", {"a", "b", "", "c", "d"}}),
              BadParameters);
    ASSERT_EQ(code({{"y", "arc.j", "-pfd3", "-np-"}, "two\n"}), Success);
    ASSERT_EQ(code({{"a", "arc.j", "in/text.txt", "-np"}, "", "", {"three", "three"}}), Success);
    EXPECT_TRUE(encrypted());
    EXPECT_TRUE(extractsWhole({{"x", "arc.j", "-pfd3"}, "three\n"}));
}

} // namespace
} // namespace brak::test
