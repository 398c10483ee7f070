#pragma once

#include "base/DateTime.h"
#include "platform/Pty.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace brak {

// Text kept below a limit: when more comes, its beginning and its end are
// kept, and a line where they meet tells how much was left out there.
class CappedText {
public:
    explicit CappedText(std::size_t limit = std::size_t{1} << 20) : limit_(limit) {}
    // Adds a line and its line end.
    void appendLine(std::string_view line);
    std::string text() const;
    bool cut() const { return cutLines_ > 0; }

private:
    std::size_t limit_;
    std::string head_;
    bool headFull_ = false;
    std::deque<std::string> tail_;
    std::size_t tailBytes_ = 0;
    std::size_t cutLines_ = 0;
    std::size_t cutBytes_ = 0;
};

// One run of Jar from the console, as the run log keeps it.
struct RunRecord {
    std::string commandLine;
    DateTime started;
    std::int64_t milliseconds = 0;
    int startError = 0; // the errno when Jar could not be started
    ExitStatus status;
    std::string message; // what the box said
    std::string output;  // the console's text, at most OutputLimit bytes
};

// The last runs of Jar, newest first, kept in memory for "Last Jar Output".
class RunLog {
public:
    static constexpr std::size_t Capacity = 10;
    static constexpr std::size_t OutputLimit = std::size_t{1} << 20;

    void add(RunRecord record);
    const std::deque<RunRecord>& runs() const { return runs_; }

    // A run as the viewer shows it: a heading of what ran, when, how long
    // and how it ended, then the console's text.
    static std::string heading(const RunRecord& record);
    // A one-line title for the list of runs.
    static std::string title(const RunRecord& record);

private:
    std::deque<RunRecord> runs_;
};

} // namespace brak
