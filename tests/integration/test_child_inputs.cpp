// Bytes handed to a program on its terminal through inherited descriptors,
// as a typed password reaches Jar: each on its own number, read to its end.
#include "platform/PosixPlatform.h"

#include <cerrno>
#include <chrono>
#include <gtest/gtest.h>
#include <poll.h>

using namespace brak;

namespace {

// Everything the program writes until it ends, line ends as LF.
std::string output(TerminalProcess& process) {
    std::string text;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    char buffer[512];
    while (std::chrono::steady_clock::now() < until) {
        pollfd watched{process.terminalFd(), POLLIN, 0};
        ::poll(&watched, 1, 100);
        const long got = process.read(buffer, sizeof buffer);
        if (got < 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    std::erase(text, '\r');
    return text;
}

} // namespace

TEST(ChildInputs, EachReachesItsDescriptorWholeAndEnds) {
    PosixPlatform platform;
    // Listed out of order, and a pipe of the parent may sit on 3 or 4.
    const ProcessRequest request{
        "/bin/sh",
        {"sh", "-c", "cat <&4; echo '|'; cat <&3; echo '|'; { cat <&5; } 2>/dev/null || echo none"},
        "",
        {},
        {{4, "new password"}, {3, "pass word\nsecond line"}}};
    TerminalStart started = platform.startOnTerminal(request, {});
    ASSERT_TRUE(started.started()) << started.error;
    EXPECT_EQ(output(*started.process), "new password|\npass word\nsecond line|\nnone\n");
    started.process->reap();
    EXPECT_EQ(started.process->status(), ExitStatus::exited(0));
}

TEST(ChildInputs, ABadRequestStartsNothing) {
    PosixPlatform platform;
    for (const std::vector<ChildInput>& inputs :
         {std::vector<ChildInput>{{2, "x"}}, std::vector<ChildInput>{{3, "a"}, {3, "b"}},
          std::vector<ChildInput>{{ChildInputLimit, "x"}}}) {
        const ProcessRequest request{"/bin/true", {"true"}, "", {}, inputs};
        EXPECT_EQ(platform.startOnTerminal(request, {}).error, EINVAL);
    }
    // Only a start on a terminal hands inputs over; the others refuse them.
    const ProcessRequest request{"/bin/true", {"true"}, "", {}, {{3, "x"}}};
    EXPECT_EQ(platform.start(request).error, EINVAL);
    EXPECT_EQ(platform.runAndWait(request).error, EINVAL);
}
