#pragma once

#include "run/Console.h"

#include <functional>
#include <string>
#include <vector>

namespace brak::test {

// A console that shows nothing: a run ends at once with the status the
// started process reports, and the output given here. Every call is
// written to the event list, which tests share with other fakes to see the
// order of things.
class FakeConsole : public Console {
public:
    explicit FakeConsole(std::vector<std::string>& events) : events_(events) {}

    TerminalSize size() const override { return terminalSize; }
    ConsoleRun run(std::unique_ptr<TerminalProcess> process,
                   const std::string& commandLine) override {
        events_.push_back("console " + commandLine);
        lines.push_back(commandLine);
        if (duringRun)
            duringRun();
        process->reap();
        return {process->status().value_or(ExitStatus{}), output};
    }
    void close() override { events_.push_back("console closed"); }
    void showRunLog(const RunLog& log) override {
        events_.push_back("run log");
        shownRuns = log.runs().size();
    }

    TerminalSize terminalSize{30, 100};
    std::string output = "console text\n";
    std::function<void()> duringRun;
    std::vector<std::string> lines;
    std::size_t shownRuns = 0;

private:
    std::vector<std::string>& events_;
};

} // namespace brak::test
