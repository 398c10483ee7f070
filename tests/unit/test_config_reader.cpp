// The key/value line reader under Brak's files, the small-file reader that
// refuses what is not a file, and Jar's colour numbers.
#include "TempDir.h"
#include "config/Colours.h"
#include "config/KeyValueReader.h"
#include "config/TextFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace brak;
using test::TempDir;

namespace {

using Texts = std::vector<std::string>;

// What the reader handed over, one text per line.
struct Collected {
    std::vector<std::string> lines;
    KeyValueReader reader;

    explicit Collected(KeyValueLimits limits = {})
        : reader(
              [this](const KeyValueLine& l) {
                  lines.push_back(std::to_string(l.number) + " [" + std::string(l.key) + "][" +
                                  std::string(l.value) + "][" + std::string(l.exactValue) + "]" +
                                  (l.yes() ? " yes" : ""));
              },
              limits) {}
    std::size_t fed = 0; // pieces read without an error
    // The error that stopped the reading of these pieces, as "line: message".
    std::string stop(std::initializer_list<std::string> pieces) {
        try {
            for (const std::string& piece : pieces) {
                reader.feed(piece);
                ++fed;
            }
            reader.finish();
        } catch (const KeyValueError& e) {
            return std::to_string(e.line()) + ": " + e.what();
        }
        return {};
    }
};

} // namespace

TEST(KeyValueReader, SplitsAtTheFirstEqualsOnAnUpperCaseCopy) {
    Collected c;
    c.reader.feed("; Heading\r\n\r\n  Swap File = /Tmp/a=b \r\nFullPath=yes please\n"
                  "Key=\nno equals\r\n=Value\r\nTab=\tx\t");
    c.reader.finish();
    EXPECT_EQ(c.lines, (Texts{"3 [  SWAP FILE ][/TMP/A=B][/Tmp/a=b]",
                              "4 [FULLPATH][YES PLEASE][yes please] yes", "5 [KEY][][]",
                              "7 [][VALUE][Value]", "8 [TAB][X][x]"}));
    EXPECT_EQ(c.reader.lineCount(), 8u);
}

TEST(KeyValueReader, PiecesOfAnySizeGiveTheSameLines) {
    const std::string text = "A=1\r\nB=2\nlong=" + std::string(5000, 'v') + "\r\nC=3\r";
    Collected whole;
    whole.reader.feed(text);
    whole.reader.finish();
    ASSERT_EQ(whole.lines.size(), 4u);
    EXPECT_EQ(whole.lines[3], "4 [C][3][3]") << "a carriage return at the very end";
    for (std::size_t size : {1u, 2u, 3u, 7u, 4096u}) {
        Collected pieces;
        for (std::size_t at = 0; at < text.size(); at += size)
            pieces.reader.feed(std::string_view(text).substr(at, size));
        pieces.reader.finish();
        EXPECT_EQ(pieces.lines, whole.lines) << size;
    }
    Collected byLine;
    for (const char* line : {"A=1", "B=2", "x", "C=3"})
        byLine.reader.feedLine(line);
    EXPECT_EQ(byLine.lines[2], "4 [C][3][3]");
}

TEST(KeyValueReader, LimitsStopTheReadingAtTheirLine) {
    KeyValueLimits small;
    small.maxLineLength = 10;
    small.maxBytes = 40;
    Collected c(small);
    // Ten characters and a carriage return fit.
    EXPECT_EQ(c.stop({"A=1\r\nB=12345678\r\n", "C=123456789\n"}),
              "3: the line is longer than 10 characters");
    EXPECT_EQ(c.lines.size(), 2u);
    EXPECT_EQ(Collected(small).stop({"A=1\n", std::string(40, '\n')}),
              "2: the file is larger than 40 bytes");

    // A line of 100 MB is never held: the first megabyte already breaks the limit.
    KeyValueLimits limits;
    limits.maxBytes = std::uint64_t{1} << 30;
    Collected huge(limits);
    EXPECT_EQ(huge.stop({std::string(1 << 20, 'x'), "x"}),
              "1: the line is longer than 65,536 characters");
    EXPECT_EQ(huge.fed, 0u);
}

TEST(KeyValueReader, AHandlerCanStopTheReadingAndTheNextLineStartsClean) {
    std::vector<std::string> seen;
    KeyValueReader reader([&](const KeyValueLine& line) {
        seen.emplace_back(line.exactValue);
        if (line.value == "STOP")
            throw KeyValueError(line.number, "stopped");
    });
    reader.feed("A=x");
    EXPECT_THROW(reader.feed("y\nB=stop\nC=after"), KeyValueError);
    reader.feed("D=fresh\n");
    EXPECT_EQ(seen, (Texts{"xy", "stop", "fresh"}));
}

TEST(TextFile, ReadsRegularFilesAndRefusesTheRest) {
    TempDir dir;
    dir.write("small.cfg", "A=1\r\n");
    ASSERT_EQ(::symlink(dir.file("small.cfg").c_str(), dir.file("link.cfg").c_str()), 0);
    dir.resize("huge.cfg", std::int64_t{1} << 30);
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    std::string text = "old";
    EXPECT_EQ(readTextFile(dir.file("small.cfg"), 100, text), TextFileResult::Read);
    EXPECT_EQ(text, "A=1\r\n");
    EXPECT_EQ(readTextFile(dir.file("small.cfg"), 4, text), TextFileResult::TooLarge);
    EXPECT_EQ(text, "");
    const std::pair<std::string, TextFileResult> cases[] = {
        {dir.file("link.cfg"), TextFileResult::Read},
        {dir.file("huge.cfg"), TextFileResult::TooLarge},
        {dir.file("fifo"), TextFileResult::NotAFile},
        {dir.path(), TextFileResult::NotAFile},
        {dir.file("missing"), TextFileResult::CannotOpen},
        {"", TextFileResult::CannotOpen}};
    for (const auto& [name, result] : cases)
        EXPECT_EQ(readTextFile(name, 1 << 20, text), result) << name;
    dir.write("locked.cfg", "x");
    ::chmod(dir.file("locked.cfg").c_str(), 0);
    if (::geteuid() != 0) { // root reads it all the same
        EXPECT_EQ(readTextFile(dir.file("locked.cfg"), 100, text), TextFileResult::CannotOpen);
    }
}

TEST(Colours, NumbersAndWindowColours) {
    const Colour table[16] = {0x00000000, 0x00800000, 0x00008000, 0x00808000,
                              0x00000080, 0x00800080, 0x00008080, 0x00C0C0C0,
                              0x00808080, 0x00FF0000, 0x0000FF00, 0x00FFFF00,
                              0x000000FF, 0x00FF00FF, 0x0000FFFF, 0x00FFFFFF};
    for (std::int32_t n = 0; n < 16; ++n) {
        EXPECT_EQ(ColourFromNumber(n), table[n]) << n;
        EXPECT_EQ(NumberFromColour(table[n]), n) << n;
        EXPECT_EQ(ColourPalette[static_cast<std::size_t>(n)], table[n]);
    }
    for (const auto& [number, colour] : {std::pair<std::int32_t, Colour>{23, 0x00808080},
                                         {16, 0x00000000},
                                         {25, 0x00FF0000},
                                         {-1, 0x00FFFFFF}})
        EXPECT_EQ(ColourFromNumber(number), colour) << number;
    for (const auto& [colour, number] : {std::pair<Colour, std::int32_t>{0x0000007E, 0},
                                         {0x0000007F, 4},
                                         {0x000000FD, 4},
                                         {0x000000FE, 12},
                                         {0x00FE7F00, 11},
                                         {0x00C0C0C0, 7},
                                         {0x007F7F7F, 7},
                                         {0x00F08040, 3},
                                         {clWindow, 0},
                                         {0x80000012, 0},
                                         {0xFF0000FF, 12}})
        EXPECT_EQ(NumberFromColour(colour), number) << std::hex << colour;
}
