// The console's screen: what a program writes, as cells and text, the lines
// kept above the screen, and the bytes keys send.
#include "console/TerminalScreen.h"

#include <gtest/gtest.h>

using namespace brak;

namespace {

constexpr Rgb Red = 0x800000, BrightRed = 0xFF0000, Yellow = 0x808000, Grey = 0xC0C0C0,
              Black = 0x000000, White = 0xFFFFFF, DarkGrey = 0x808080, Blue = 0x000080;

} // namespace

TEST(TerminalScreen, WritingMovesAndOverwritesAsATerminalDoes) {
    TerminalScreen screen({5, 20});
    screen.feed("Adding a.txt   10%\rAdding a.txt  100%\r\nnext\b\bXT");
    EXPECT_EQ(screen.lineText(0), "Adding a.txt  100%");
    EXPECT_EQ(screen.lineText(1), "neXT");
    EXPECT_EQ(screen.cursor(), (TerminalPoint{1, 4}));
    screen.feed("\x1b[2K\rgone\x1b[1;1Hfirst");
    EXPECT_EQ(screen.lineText(0), "firstg a.txt  100%");
    EXPECT_EQ(screen.lineText(1), "gone");
    EXPECT_EQ(screen.screenText(), "firstg a.txt  100%\ngone\n") << "empty rows left out";

    // Pieces of any size: an escape sequence or a character cut in two.
    TerminalScreen split({2, 10});
    for (char c : std::string("\x1b[31mr\xc3\xa9")) // é in two bytes
        split.feed(std::string(1, c));
    EXPECT_EQ(split.lineText(0), "r\xc3\xa9");
    EXPECT_EQ(split.cell(0, 1).fg, Red);

    // A query is answered apart from the keys, when the program reads.
    split.feed("\x1b[6n\x1b[?25l");
    EXPECT_EQ(split.key(TerminalKey::Enter), "\r") << "the answer waits for the program";
    EXPECT_EQ(split.takeReplies(), "\x1b[1;3R");
    EXPECT_EQ(split.takeReplies(), "");
    EXPECT_TRUE(split.takeChanged());
    EXPECT_FALSE(split.takeChanged());
    EXPECT_FALSE(split.cursorVisible());
}

TEST(TerminalScreen, ColoursAreJarsPalette) {
    TerminalScreen screen({3, 40});
    screen.feed("plain\x1b[31mred\x1b[1mbold\x1b[0m\x1b[91mbright\x1b[33;44myb\x1b[7mrev\x1b[0m"
                "\x1b[38;2;1;2;3mrgb\x1b[38;5;196m!\x1b[0m\x1b[1;44mW");
    const struct {
        int column;
        Rgb fg, bg;
    } rows[] = {
        {0, Grey, Black},       {5, Red, Black},       {8, BrightRed, Black}, // bold is bright
        {12, BrightRed, Black}, {18, Yellow, Blue},    {20, Blue, Yellow},    // reversed
        {23, 0x010203, Black},  {26, 0xFF0000, Black},                        // 256-colour cube
        {27, White, Blue},                                                    // bold grey
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.column);
        EXPECT_EQ(screen.cell(0, row.column).fg, row.fg);
        EXPECT_EQ(screen.cell(0, row.column).bg, row.bg);
    }
    EXPECT_TRUE(screen.cell(0, 8).attributes & ScreenCell::Bold);
    EXPECT_EQ(TerminalScreen::paletteColour(7), Grey);
    EXPECT_EQ(TerminalScreen::paletteColour(8), DarkGrey);
    EXPECT_EQ(TerminalScreen::paletteColour(15), White);
    EXPECT_EQ(TerminalScreen::paletteColour(4), Blue);
}

TEST(TerminalScreen, LinesThatScrollAwayAreKeptUpToTheLimit) {
    TerminalScreen screen({4, 30});
    std::vector<std::string> logged;
    screen.setLineLog([&](std::string_view line) { logged.emplace_back(line); });
    const int lines = TerminalScreen::ScrollbackLimit + 500;
    std::string text;
    for (int n = 0; n < lines; ++n)
        text += "\x1b[32mline " + std::to_string(n) + "\x1b[0m   \r\n";
    screen.feed(text);
    EXPECT_EQ(screen.scrollbackLines(), TerminalScreen::ScrollbackLimit);
    EXPECT_GE(TerminalScreen::ScrollbackLimit, 5000);
    EXPECT_EQ(screen.lineCount(), TerminalScreen::ScrollbackLimit + 4);
    // The screen holds the last three lines and the empty one after them.
    EXPECT_EQ(screen.lineText(screen.lineCount() - 2), "line " + std::to_string(lines - 1));
    EXPECT_EQ(screen.lineText(0),
              "line " + std::to_string(lines - 3 - TerminalScreen::ScrollbackLimit));
    EXPECT_EQ(screen.cell(0, 0).fg, 0x008000u) << "scrolled lines keep their colours";
    ASSERT_EQ(logged.size(), static_cast<std::size_t>(lines - 3));
    EXPECT_EQ(logged.front(), "line 0") << "trailing blanks left out";

    // Growing the screen brings kept lines back onto it.
    screen.resize({10, 30});
    EXPECT_EQ(screen.size(), (TerminalSize{10, 30}));
    EXPECT_EQ(screen.lineText(screen.lineCount() - 2), "line " + std::to_string(lines - 1));
    EXPECT_EQ(screen.lineCount(), TerminalScreen::ScrollbackLimit + 4);
}

TEST(TerminalScreen, TheTextOfASelection) {
    TerminalScreen screen({4, 20});
    screen.feed("first line  \r\nsecond \xe4\xb8\xad wide\r\nthird");
    EXPECT_EQ(screen.cell(1, 7).width, 2);
    EXPECT_EQ(screen.cell(1, 8).width, 0);
    EXPECT_EQ(screen.text({0, 6}, {1, 6}), "line\nsecond") << "without trailing blanks";
    EXPECT_EQ(screen.text({1, 7}, {1, 14}), "\xe4\xb8\xad wide");
    EXPECT_EQ(screen.text({2, 5}, {0, 0}), "first line\nsecond \xe4\xb8\xad wide\nthird")
        << "backwards too";
    EXPECT_EQ(screen.text({3, 0}, {3, 20}), "");
}

TEST(TerminalScreen, KeysBecomeTheBytesATerminalSends) {
    TerminalScreen screen;
    const struct {
        std::string bytes;
        std::string expected;
    } rows[] = {
        {screen.key(TerminalKey::Enter), "\r"},
        {screen.key(TerminalKey::Backspace), "\x7f"},
        {screen.key(TerminalKey::Tab), "\t"},
        {screen.key(TerminalKey::Escape), "\x1b"},
        {screen.key(TerminalKey::Up), "\x1b[A"},
        {screen.key(TerminalKey::Left), "\x1b[D"},
        {screen.key(TerminalKey::Delete), "\x1b[3~"},
        {screen.key(TerminalKey::F1), "\x1bOP"},
        {screen.keyText(U'y'), "y"},
        {screen.keyText(U'\u00e9'), "\xc3\xa9"},
        {screen.keyText(U'c', ControlKey), "\x03"},
        {screen.keyText(U'x', AltKey), "\x1bx"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.bytes, row.expected);
}

// What programs have printed to crash or freeze the console, with the sizes
// the window gave it in between: each leaves a screen that still works.
TEST(TerminalScreen, HostileOutputAndResizesLeaveAWorkingScreen) {
    std::string wide;
    for (int n = 0; n < 60; ++n)
        wide += "f" + std::to_string(n) +
                " \xe6\xbc\xa2\xe5\xad\x97\xe6\xbc\xa2\xe5\xad\x97 "
                "\xe6\x96\x87\xe4\xbb\xb6\xe5\x90\x8d.txt\r\n";
    std::string queries;
    for (int n = 0; n < 20000; ++n)
        queries += "\x1b[6n";
    struct Step {
        std::string bytes;
        TerminalSize size{0, 0}; // none: the size stays
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::string lastLine; // the cursor's line at the end
    } cases[] = {
        {"sixteen parameters and more",
         {{"\x1b[1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1000;7mtext\x1b[0m"}},
         "text"},
        {"the same inside a title",
         {{"\x1b]0;t\x1b[1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1000;7mok"}},
         "ok"},
        {"a repeat first", {{"\x1b[b"}, {"\x1b[5bok"}}, "ok"},
        {"a repeat stops at the line's end", {{"ab\x1b[99999999999b"}}, "abbbbbbbbb"},
        {"wide characters back from the scrollback",
         {{wide}, {"", {60, 13}}, {"", {5, 80}}, {"", {60, 13}}, {"", {70, 80}}, {"end"}},
         "end"},
        {"a scroll region past a smaller screen",
         {{"\x1b[20;25r"}, {"", {10, 80}}, {"line\r\nline\r\n\r\nlast"}},
         "last"},
        {"the cursor above lines pushed away",
         {{"1\r\n2\r\n3\r\n4\r\n5\r\n6\x1b[H"}, {"", {2, 10}}, {"top"}},
         "top"},
        {"a wide character on one column", {{"", {3, 1}}, {"\xe6\xbc\xa2x"}}, "x"},
        {"a cursor saved past a smaller screen",
         {{"", {30, 80}}, {"\x1b[25;70H\0337"}, {"", {10, 20}}, {"\0338\rok"}},
         "ok"},
        {"C1 controls as characters",
         {{"\xc2\x91\xc2\x85\xc2\x9f\xc2"}, {"\x9b\xc2\xa0ok"}},
         "\xc2\xa0ok"},
        {"stray and overlong bytes",
         {{"\x91\xc2\xff\xe0\x82\x91x"}},
         "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbdx"},
        {"a character in two writes", {{"ab\xe6\xbc"}, {"\xa2"}}, "ab\xe6\xbc\xa2"},
        {"unanswered queries", {{queries}, {"done"}}, "done"},
        {"escapes broken off",
         {{"a\033\033\030b\033\007c\033(\007B\033(\030d\033#[1me\033(\200f"}},
         "de\357\277\275f"},
        {"sequences broken off",
         {{"a\033[1;\0102Hb\033[1\030c\033[1\033d\033[!!!!!!!!!!!!!!!!!!!!pe\033[1\200f\033[" +
           std::string(300, '1') + "mg"}},
         "abce\357\277\275fg"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        TerminalScreen screen({5, 10});
        for (const Step& step : test.steps) {
            if (step.size.rows > 0)
                screen.resize(step.size);
            screen.feed(step.bytes);
            const TerminalPoint cursor = screen.cursor();
            ASSERT_GE(cursor.line, screen.scrollbackLines());
            ASSERT_LT(cursor.line, screen.lineCount());
            ASSERT_LE(cursor.column, screen.size().columns);
        }
        EXPECT_EQ(screen.lineText(screen.cursor().line), test.lastLine);
        EXPECT_LE(screen.takeReplies().size(), TerminalScreen::ReplyLimit);
    }
}

// The log keeps a line longer than the screen is wide as one line, whether it
// scrolled away or is still on the screen.
TEST(TerminalScreen, TheLogKeepsLinesAsTheProgramWroteThem) {
    TerminalScreen screen({3, 10});
    std::vector<std::string> logged;
    screen.setLineLog([&](std::string_view line) { logged.emplace_back(line); });
    screen.feed("Extracting some/long/path/name.txt  OK\r\nshort\r\n\xe6\xbc\xa2\xe5\xad\x97 "
                "wide-wide\xe6\x96\x87\r\nlast_one,long too");
    EXPECT_EQ(logged,
              (std::vector<std::string>{"Extracting some/long/path/name.txt  OK", "short"}));
    EXPECT_EQ(screen.loggedScreenText(),
              "\xe6\xbc\xa2\xe5\xad\x97 wide-wide\xe6\x96\x87\nlast_one,long too\n");
    EXPECT_EQ(screen.lineText(screen.lineCount() - 1), "ong too")
        << "the screen itself still wraps";
}
