// Bytes handed to a program on its terminal through inherited descriptors,
// as a typed password reaches Jar: each on its own number, read to its end.
#include "platform/PosixPlatform.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <poll.h>

using namespace brak;

TEST(ChildInputs, EachReachesItsDescriptorWholeAndEnds) {
    PosixPlatform platform;
    // Listed out of order; a pipe of the parent may sit on 3 or 4 meanwhile.
    const ProcessRequest request{
        "/bin/sh",
        {"sh", "-c", "cat <&4; echo '|'; cat <&3; echo '|'; { cat <&5; } 2>/dev/null || echo no"},
        "",
        {},
        {{4, "new password"}, {3, "pass word\nsecond line"}}};
    TerminalStart started = platform.startOnTerminal(request, {});
    ASSERT_TRUE(started.started()) << started.error;
    std::string text;
    char buffer[512];
    for (int polls = 0; polls < 100; ++polls) { // ten seconds at most
        pollfd watched{started.process->terminalFd(), POLLIN, 0};
        ::poll(&watched, 1, 100);
        const long got = started.process->read(buffer, sizeof buffer);
        if (got < 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    std::erase(text, '\r');
    EXPECT_EQ(text, "new password|\npass word\nsecond line|\nno\n");

    // Below 3, twice the same, or anywhere but on a terminal: nothing starts.
    for (const std::vector<ChildInput>& inputs :
         {std::vector<ChildInput>{{2, "x"}}, std::vector<ChildInput>{{3, "a"}, {3, "b"}}})
        EXPECT_EQ(platform.startOnTerminal({"/bin/true", {"true"}, "", {}, inputs}, {}).error,
                  EINVAL);
    EXPECT_EQ(platform.start({"/bin/true", {"true"}, "", {}, {{3, "x"}}}).error, EINVAL);
}
