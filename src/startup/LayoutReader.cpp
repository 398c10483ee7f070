#include "startup/LayoutReader.h"

#include "base/Convert.h"

namespace brak {

namespace {

[[noreturn]] void notANumber(const KeyValueLine& line) {
    throw KeyValueError(line.number, "'" + std::string(line.value) + "' is not a number");
}

int number(const KeyValueLine& line, std::string_view text) {
    const std::optional<int> value = tryStrToInt(text);
    if (!value)
        notANumber(line);
    return *value;
}

// A column's width. The column is the one character that stands `offset`
// places after the first `letter` of the key ("CHAPTERWIDTH3" gives 3, and
// so does "CHAPTERWIDTH34"); an index past the grid's columns is ignored.
template <std::size_t N>
void setWidth(std::array<std::optional<int>, N>& widths, const KeyValueLine& line, char letter,
              std::size_t offset) {
    const std::size_t at = line.key.find(letter) + offset;
    if (at >= line.key.size())
        notANumber(line);
    const int column = number(line, line.key.substr(at, 1));
    const int width = number(line, line.value);
    if (column < static_cast<int>(N))
        widths[static_cast<std::size_t>(column)] = width;
}

} // namespace

LayoutReader::LayoutReader(KeyValueLimits limits)
    : reader_([this](const KeyValueLine& line) { apply(line); }, limits) {}

template <typename Read> void LayoutReader::read(Read&& read) {
    if (stoppedAt_)
        return;
    try {
        read();
    } catch (const KeyValueError& error) {
        stoppedAt_ = error.line();
    }
}

void LayoutReader::feed(std::string_view data) {
    read([&] { reader_.feed(data); });
}

void LayoutReader::finish() {
    read([&] { reader_.finish(); });
}

void LayoutReader::apply(const KeyValueLine& line) {
    LayoutValues& v = values_;
    if (line.keyHas("DETECTSWITCH"))
        v.detectSwitch = line.yes();
    if (line.keyHas("AUTOLOAD"))
        v.autoLoad = line.yes();
    if (line.keyHas("AUTOSAVE"))
        v.autoSave = line.yes();
    if (line.keyHas("SHOWHINT"))
        v.showHint = line.yes();
    // A path keeps the case it was written with: names here are case-sensitive.
    if (line.keyHas("PATHTOJAR"))
        v.pathToJar = std::string(line.exactValue);
    if (line.keyHas("CHAPTERWIDTH"))
        setWidth(v.chapterWidths, line, 'C', 12);
    if (line.keyHas("FILEWIDTH"))
        setWidth(v.fileWidths, line, 'F', 9);
    const std::pair<const char*, std::optional<int>*> bounds[] = {{"FORMLEFT", &v.left},
                                                                  {"FORMTOP", &v.top},
                                                                  {"FORMWIDTH", &v.width},
                                                                  {"FORMHEIGHT", &v.height}};
    for (const auto& [word, target] : bounds)
        if (line.keyHas(word))
            *target = number(line, line.value);
}

} // namespace brak
