// The command line: --help and --version answered without a window, and
// everything else joined into the start-up argument.
#include "ui/ProgramArguments.h"

#include <gtest/gtest.h>

using namespace brak;
using Action = ProgramArguments::Action;

TEST(ProgramArguments, OptionsAloneAreAnsweredAndAnythingElseIsTheStartArgument) {
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::string start;
    };
    const Case cases[] = {
        {{}, Action::Run, ""},
        {{"--help"}, Action::Help, "--help"},
        {{"-h"}, Action::Help, "-h"},
        {{"--version"}, Action::Version, "--version"},
        {{"-v"}, Action::Version, "-v"},
        {{"/arc/TEST.J"}, Action::Run, "/arc/TEST.J"},
        {{"\"My", "Archive.J\""}, Action::Run, "\"My Archive.J\""},
        {{"--help", "TEST.J"}, Action::Run, "--help TEST.J"},
        {{"--unknown"}, Action::Run, "--unknown"},
        {{"caf\xe9.cfg"}, Action::Run, "caf\xe9.cfg"},
    };
    for (const Case& c : cases) {
        const ProgramArguments parsed = parseProgramArguments(c.args);
        EXPECT_EQ(parsed.action, c.action) << c.start;
        EXPECT_EQ(parsed.startArgument, c.start);
    }
    EXPECT_NE(parseProgramArguments({"--help"}).output.find("Usage: brak [options] [name]"),
              std::string::npos);
    EXPECT_EQ(parseProgramArguments({"--version"}).output.substr(0, 5), "brak ");
}
