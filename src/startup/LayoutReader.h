#pragma once

#include "config/KeyValueReader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brak {

inline constexpr int ChapterColumns = 6;
inline constexpr int FileColumns = 10;

// What a layout file set: a value is present only when a line gave it.
struct LayoutValues {
    std::optional<bool> detectSwitch, autoLoad, autoSave, showHint;
    std::optional<std::string> pathToJar;
    std::array<std::optional<int>, ChapterColumns> chapterWidths;
    std::array<std::optional<int>, FileColumns> fileWidths;
    std::optional<int> left, top, width, height;
};

// Reads the lines of a layout file into the values they set. A number that
// does not convert, or a line or file beyond the limits, stops the reading
// at that line: what was read before it stays. It touches neither files nor
// controls.
class LayoutReader {
public:
    explicit LayoutReader(KeyValueLimits limits = {});

    // A piece of the file as it comes.
    void feed(std::string_view data);
    // The end of the file: a last line without a line end is read.
    void finish();

    const LayoutValues& values() const { return values_; }
    // The line where the reading stopped, from 1; 0 when it did not stop.
    std::uint64_t stoppedAt() const { return stoppedAt_; }

private:
    void apply(const KeyValueLine& line);
    template <typename Read> void read(Read&& read);

    LayoutValues values_;
    KeyValueReader reader_;
    std::uint64_t stoppedAt_ = 0;
};

} // namespace brak
