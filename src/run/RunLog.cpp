#include "run/RunLog.h"

#include "core/ExitMessages.h"

#include <cstdio>

namespace brak {

namespace {

std::string twoDigits(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

std::string dateTime(const DateTime& t) {
    return std::to_string(t.year) + "/" + twoDigits(t.month) + "/" + twoDigits(t.day) + " " +
           twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second);
}

std::string duration(std::int64_t milliseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld s", static_cast<long long>(milliseconds / 1000),
                  static_cast<long long>(milliseconds % 1000));
    return text;
}

std::string outcome(const RunRecord& record) {
    if (record.startError != 0)
        return "not started: " + record.message;
    if (record.status.signalled)
        return "none, ended by signal " + signalName(record.status.signal) + " (" + record.message +
               ")";
    return std::to_string(record.status.code) + " (" + record.message + ")";
}

} // namespace

void CappedText::appendLine(std::string_view line) {
    const std::size_t half = limit_ / 2;
    if (line.size() + 1 > half)
        line = line.substr(0, half > 1 ? half - 1 : 0);
    const std::size_t size = line.size() + 1;
    if (!headFull_ && head_.size() + size <= half) {
        head_.append(line);
        head_ += '\n';
        return;
    }
    headFull_ = true;
    tail_.emplace_back(line);
    tail_.back() += '\n';
    tailBytes_ += size;
    // Room is kept for the line that tells of the cut.
    while (tailBytes_ + 100 > half && !tail_.empty()) {
        tailBytes_ -= tail_.front().size();
        cutBytes_ += tail_.front().size();
        ++cutLines_;
        tail_.pop_front();
    }
}

std::string CappedText::text() const {
    std::string text = head_;
    if (cutLines_ > 0)
        text += "[... " + std::to_string(cutLines_) + " lines (" + std::to_string(cutBytes_) +
                " bytes) of output left out here ...]\n";
    for (const std::string& line : tail_)
        text += line;
    return text;
}

void RunLog::add(RunRecord record) {
    if (record.output.size() > OutputLimit) {
        CappedText capped(OutputLimit);
        std::size_t start = 0;
        while (start < record.output.size()) {
            std::size_t end = record.output.find('\n', start);
            if (end == std::string::npos)
                end = record.output.size();
            capped.appendLine(std::string_view(record.output).substr(start, end - start));
            start = end + 1;
        }
        record.output = capped.text();
    }
    runs_.push_front(std::move(record));
    if (runs_.size() > Capacity)
        runs_.pop_back();
}

std::string RunLog::heading(const RunRecord& record) {
    return "Command line: " + record.commandLine + "\n" +
           "Started:      " + dateTime(record.started) + "\n" +
           "Duration:     " + duration(record.milliseconds) + "\n" +
           "Exit code:    " + outcome(record) + "\n";
}

std::string RunLog::title(const RunRecord& record) {
    return dateTime(record.started) + "  " + record.message + "  " + record.commandLine;
}

} // namespace brak
