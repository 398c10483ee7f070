#pragma once

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

// A layout file is a few dozen short lines. Beyond these it is not one.
struct LayoutLimits {
    std::size_t maxLineLength = 65536;
    std::uint64_t maxBytes = std::uint64_t{1} << 20;
};

// Reads the lines of a layout file, whole lines ending in LF or CR LF. A key
// is recognised by containment anywhere in the text before the first "=",
// in any case; yes is a value holding "YES". A number that does not convert,
// or a line or file beyond the limits, stops the reading at that line: what
// was read before it stays. It touches neither files nor controls.
class LayoutReader {
public:
    explicit LayoutReader(LayoutLimits limits = {}) : limits_(limits) {}

    // A chunk of the file as it comes.
    void feed(std::string_view data);
    // One whole line, without its line end.
    void feedLine(std::string_view line);
    // The end of the file: a last line without a line end is read.
    void finish();

    const LayoutValues& values() const { return values_; }
    // The reading stopped early: the line where it stopped, from 1; else 0.
    std::uint64_t stoppedAt() const { return stoppedAt_; }

private:
    void stop() { stoppedAt_ = lines_; }
    // False when a number did not convert.
    bool apply(const std::string& key, std::string_view value);

    LayoutLimits limits_;
    LayoutValues values_;
    std::string pending_;
    std::uint64_t bytes_ = 0;
    std::uint64_t lines_ = 0;
    std::uint64_t stoppedAt_ = 0;
};

} // namespace brak
