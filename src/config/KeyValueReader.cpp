#include "config/KeyValueReader.h"

#include "base/Text.h"
#include "contents/DumpFormat.h"

#include <cstring>

namespace brak {

KeyValueError::KeyValueError(std::uint64_t line, const std::string& message)
    : Error(message), line_(line) {}

KeyValueReader::KeyValueReader(Handler handler, KeyValueLimits limits)
    : handler_(std::move(handler)), limits_(limits) {}

void KeyValueReader::lineTooLong(std::uint64_t line) const {
    throw KeyValueError(line,
                        "the line is longer than " +
                            FormatThousands(static_cast<std::int64_t>(limits_.maxLineLength)) +
                            " characters");
}

void KeyValueReader::feed(std::string_view data) {
    bytes_ += data.size();
    if (bytes_ > limits_.maxBytes)
        throw KeyValueError(lines_ + 1,
                            "the file is larger than " +
                                FormatThousands(static_cast<std::int64_t>(limits_.maxBytes)) +
                                " bytes");
    while (!data.empty()) {
        const auto* end = static_cast<const char*>(std::memchr(data.data(), '\n', data.size()));
        const std::size_t length = end ? static_cast<std::size_t>(end - data.data()) : data.size();
        const std::string_view piece = data.substr(0, length);
        // A line is never kept beyond its limit (and a carriage return), however long it is.
        if (pending_.size() + piece.size() > limits_.maxLineLength + 1)
            lineTooLong(lines_ + 1);
        if (!end) {
            pending_.append(piece);
            return;
        }
        data.remove_prefix(length + 1);
        std::string_view line = piece;
        if (!pending_.empty()) {
            pending_.append(piece);
            line = pending_;
        }
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        // The handler may stop the reading: the next line must not start
        // with what is left of this one.
        struct Clear {
            std::string& pending;
            ~Clear() { pending.clear(); }
        } clear{pending_};
        feedLine(line);
    }
}

void KeyValueReader::finish() {
    if (pending_.empty())
        return;
    std::string line;
    line.swap(pending_);
    if (line.back() == '\r')
        line.pop_back();
    feedLine(line);
}

void KeyValueReader::feedLine(std::string_view line) {
    const std::uint64_t number = ++lines_;
    if (line.size() > limits_.maxLineLength)
        lineTooLong(number);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return;
    upper_.assign(line);
    for (char& c : upper_)
        c = upperChar(c);
    const std::string_view upper = upper_;
    KeyValueLine read;
    read.number = number;
    read.text = line;
    read.key = upper.substr(0, equals);
    read.value = trimBlanks(upper.substr(equals + 1));
    read.exactValue = trimBlanks(line.substr(equals + 1));
    handler_(read);
}

} // namespace brak
