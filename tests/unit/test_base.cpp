// The layer below everything: texts crossing into Qt, whole characters,
// atomic writes, and the one-handler rule of events.
#include "TempDir.h"
#include "base/AtomicFile.h"
#include "base/QtText.h"
#include "base/Text.h"
#include "form/Control.h"
#include "platform/Dialogs.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

using namespace brak;
using brak::test::TempDir;

TEST(QtText, EveryByteStringSurvivesARoundTrip) {
    const std::string cases[] = {
        "plain.txt",
        "gr\xc3\xbc\xc3\x9f"
        "e \xe2\x82\xac \xf0\x9f\x98\x80",           // valid UTF-8, a pair included
        "latin1-\xe9t\xe9.j",                        // not UTF-8
        "\xff\xfe\x80",                              // stray bytes only
        "half \xe2\x82",                             // a cut sequence
        "\xed\xa0\x80 surrogate, \xc0\xaf overlong", // forms UTF-8 forbids
    };
    for (const std::string& name : cases)
        EXPECT_EQ(fileNameFromQString(fileNameToQString(name)), name) << name;
    EXPECT_EQ(fileNameToQString("gr\xc3\xbc\xc3\x9f"
                                "e"),
              QStringLiteral("grüße"));
}

TEST(QtText, CaretPositionsConvertBetweenBytesAndUtf16) {
    const std::string text = "4096\xc3\xa4\xf0\x9f\x98\x80x"; // 4096, a-umlaut, an emoji, x
    const QString shown = fileNameToQString(text);
    struct Case {
        int bytes, units;
    };
    for (const Case& c : {Case{0, 0}, Case{4, 4}, Case{6, 5}, Case{10, 7}, Case{11, 8}}) {
        EXPECT_EQ(byteOffsetToUtf16(text, c.bytes), c.units) << c.bytes;
        EXPECT_EQ(utf16OffsetToBytes(shown, c.units), c.bytes) << c.units;
    }
    EXPECT_EQ(byteOffsetToUtf16(text, 5), 4) << "inside the a-umlaut: its start";
    EXPECT_EQ(utf16OffsetToBytes(shown, 6), 6) << "inside the pair: its start";
}

TEST(Text, CharacterStartStepsOverWholeCharacters) {
    const std::string text = "a\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80\xff";
    struct Case {
        std::size_t end, start;
    };
    for (const Case& c :
         {Case{0, 0}, Case{1, 0}, Case{3, 1}, Case{6, 3}, Case{10, 6}, Case{11, 10}, Case{2, 1}})
        EXPECT_EQ(characterStart(text, c.end), c.start) << c.end;
}

TEST(AtomicFile, WritesWholeFilesAndKeepsTheOldOneOnFailure) {
    TempDir dir;
    const std::string name = dir.file("Brak.CFG");
    EXPECT_EQ(writeFileAtomically(name, "first\r\n"), 0);
    EXPECT_EQ(dir.read("Brak.CFG"), "first\r\n");
    EXPECT_EQ(writeFileAtomically(name, "second"), 0);
    EXPECT_EQ(dir.read("Brak.CFG"), "second");

    EXPECT_EQ(writeFileAtomically("", "x"), 1);
    EXPECT_EQ(writeFileAtomically(dir.file("missing/dir/file"), "x"), 1);
    EXPECT_EQ(writeFileAtomically(dir.path(), "x"), 1) << "a directory";
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_EQ(writeFileAtomically(dir.file("fifo"), "x"), 1);
    struct stat fifo {};
    EXPECT_TRUE(::stat(dir.file("fifo").c_str(), &fifo) == 0 && S_ISFIFO(fifo.st_mode))
        << "nothing but a regular file is ever replaced";
    ASSERT_EQ(::remove(dir.file("fifo").c_str()), 0);

    const std::string contents(1000, 'z');
    for (std::uint64_t failAt : {0u, 1u, 500u, 999u}) {
        ScopedWriteFault fault(failAt);
        EXPECT_EQ(writeFileAtomically(name, contents), 1) << failAt;
        EXPECT_EQ(dir.read("Brak.CFG"), "second") << failAt;
    }
    {
        ScopedWriteFault fault(1000);
        EXPECT_EQ(writeFileAtomically(name, contents), 0) << "the whole text fits";
    }
    int leftovers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        leftovers += entry.path().filename() != "Brak.CFG";
    EXPECT_EQ(leftovers, 0) << "no temporary file stays behind";

    // Saved through a link (settings kept in a linked folder): the target is
    // replaced and keeps its mode.
    // Read-only where it can be written at all (as root, where this showed).
    const mode_t mode = ::getuid() == 0 ? 0444 : 0640;
    dir.write("linked/Brak.BKF", "old");
    ::chmod(dir.file("linked/Brak.BKF").c_str(), mode);
    std::filesystem::create_symlink(dir.file("linked/Brak.BKF"), dir.file("Brak.BKF"));
    EXPECT_EQ(writeFileAtomically(dir.file("Brak.BKF"), "new"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("Brak.BKF")));
    EXPECT_EQ(dir.read("linked/Brak.BKF"), "new");
    struct stat target {};
    ASSERT_EQ(::stat(dir.file("linked/Brak.BKF").c_str(), &target), 0);
    EXPECT_EQ(target.st_mode & 07777, mode);
}

// How a box reads in the log (brak.dialogs), every icon, button set and
// default as recorded.
TEST(MessageBoxLog, EveryIconAndButtonSetReadsAsRecorded) {
    std::ostringstream lines;
    for (MessageIcon icon : {MessageIcon::None, MessageIcon::Information, MessageIcon::Warning,
                             MessageIcon::Error, MessageIcon::Question})
        lines << MessageBoxRequest{"Text\non two lines", "Caption", icon} << "\n";
    const std::pair<MessageButtons, MessageAnswer> buttons[] = {
        {MessageButtons::YesNo, MessageAnswer::No},
        {MessageButtons::YesNoCancel, MessageAnswer::Cancel},
        {MessageButtons::OkCancel, MessageAnswer::Yes}};
    for (const auto& [set, answer] : buttons)
        lines << MessageBoxRequest{"Text", "Caption", MessageIcon::Question, set, answer} << "\n";
    EXPECT_EQ(lines.str(), test::readFile(BRAK_TEST_DATA "/messages/box_log_lines.txt"));
}

TEST(EventDeathTest, WiringAnEventTwiceStopsTheProgram) {
    Form form;
    CheckBox box(&form, "chBox", "Box");
    int runs = 0;
    box.onClick.wire([&] { ++runs; });
    box.click();
    EXPECT_EQ(runs, 1);
    EXPECT_DEATH(box.onClick.wire([] {}), "programming error");
}
