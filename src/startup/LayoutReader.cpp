#include "startup/LayoutReader.h"

#include "base/Convert.h"
#include "base/Text.h"

namespace brak {

namespace {

bool holds(const std::string& key, const char* word) {
    return key.find(word) != std::string::npos;
}

// The column index: the one character that stands `offset` places after
// the first `letter` of the key ("CHAPTERWIDTH3" gives 3, and so does
// "CHAPTERWIDTH34"). A missing or non-digit character does not convert.
std::optional<int> columnIndex(const std::string& key, char letter, std::size_t offset) {
    const std::size_t at = key.find(letter) + offset;
    if (at >= key.size())
        return std::nullopt;
    return tryStrToInt(std::string_view(&key[at], 1));
}

// A width for column index of a grid with `columns` columns; an index past
// them is ignored.
template <std::size_t N>
bool setWidth(std::array<std::optional<int>, N>& widths, std::optional<int> index,
              std::string_view value) {
    const std::optional<int> width = tryStrToInt(value);
    if (!index || !width)
        return false;
    if (*index < static_cast<int>(N))
        widths[static_cast<std::size_t>(*index)] = *width;
    return true;
}

bool setNumber(std::optional<int>& target, std::string_view value) {
    const std::optional<int> number = tryStrToInt(value);
    if (number)
        target = *number;
    return number.has_value();
}

} // namespace

void LayoutReader::feed(std::string_view data) {
    while (!data.empty() && !stoppedAt_) {
        const std::size_t end = data.find('\n');
        const std::string_view piece = data.substr(0, end);
        if (pending_.size() + piece.size() > limits_.maxLineLength + 1) {
            // A line this long is no layout line: the file ends here.
            ++lines_;
            stop();
            return;
        }
        if (end == std::string_view::npos) {
            pending_.append(piece);
            return;
        }
        data.remove_prefix(end + 1);
        if (pending_.empty()) {
            feedLine(piece);
        } else {
            pending_.append(piece);
            feedLine(pending_);
            pending_.clear();
        }
    }
}

void LayoutReader::finish() {
    if (!pending_.empty() && !stoppedAt_)
        feedLine(pending_);
    pending_.clear();
}

void LayoutReader::feedLine(std::string_view line) {
    if (stoppedAt_)
        return;
    ++lines_;
    bytes_ += line.size() + 1;
    if (bytes_ > limits_.maxBytes) {
        stop();
        return;
    }
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return;
    if (!apply(upperCase(line.substr(0, equals)), trimBlanks(line.substr(equals + 1))))
        stop();
}

bool LayoutReader::apply(const std::string& key, std::string_view value) {
    LayoutValues& v = values_;
    const bool yes = upperCase(value).find("YES") != std::string::npos;
    if (holds(key, "DETECTSWITCH"))
        v.detectSwitch = yes;
    if (holds(key, "AUTOLOAD"))
        v.autoLoad = yes;
    if (holds(key, "AUTOSAVE"))
        v.autoSave = yes;
    if (holds(key, "SHOWHINT"))
        v.showHint = yes;
    // A path keeps the case it was written with: names here are case-sensitive.
    if (holds(key, "PATHTOJAR"))
        v.pathToJar = std::string(value);
    if (holds(key, "CHAPTERWIDTH") && !setWidth(v.chapterWidths, columnIndex(key, 'C', 12), value))
        return false;
    if (holds(key, "FILEWIDTH") && !setWidth(v.fileWidths, columnIndex(key, 'F', 9), value))
        return false;
    const std::pair<const char*, std::optional<int>*> bounds[] = {{"FORMLEFT", &v.left},
                                                                  {"FORMTOP", &v.top},
                                                                  {"FORMWIDTH", &v.width},
                                                                  {"FORMHEIGHT", &v.height}};
    for (const auto& [word, target] : bounds)
        if (holds(key, word) && !setNumber(*target, value))
            return false;
    return true;
}

} // namespace brak
