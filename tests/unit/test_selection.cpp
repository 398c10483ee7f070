// The Selection tab driven as a user drives it, over real directories of
// the test's own: masks previewed in the file list, picking by hand, the
// list file, the drive and directory lists and Follow Archive.
#include "Fakes.h"
#include "Typing.h"
#include "base/AtomicFile.h"
#include "base/MaskMatcher.h"
#include "selection/Drives.h"
#include "ui/Brak.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace brak;
using namespace brak::test;
using Names = std::vector<std::string>;

namespace {

class SelectionTest : public ::testing::Test {
protected:
    SelectionTest() {
        for (const char* name : {"a.txt", "B.TXT", "c.doc", "d.docx", "e.c", ".hidden.txt"})
            platform.root.write(std::string("work/") + name, "x");
        std::filesystem::create_directories(platform.root.file("work/folder.txt"));
        f.Directory.setDirectory(work);
    }

    std::vector<std::string> selectedNames() const {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < f.FileList1.items().size(); ++i)
            if (f.FileList1.selected(i))
                names.push_back(f.FileList1.items()[i]);
        return names;
    }
    // What the file list view does for a click: the new selection, then the click.
    void pick(const std::vector<std::string>& names) {
        std::vector<bool> selected;
        for (const std::string& item : f.FileList1.items())
            selected.push_back(std::find(names.begin(), names.end(), item) != names.end());
        f.FileList1.setSelection(selected);
        f.FileList1.click();
    }
    void typeMasks(const std::string& masks) {
        f.edContentMask.setText("");
        type(f.edContentMask, masks);
    }
    std::string label(int count) const {
        return "File Selection (" + std::to_string(count) + " files in this directory)";
    }

    FakePlatform platform;
    FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
    Selection& selection = brak.selection();
    const std::string work = platform.root.file("work");
};

} // namespace

TEST(MaskMatcher, MatchesWholeNamesIgnoringCase) {
    // "?" takes a character of two bytes, or a stray byte that is not UTF-8;
    // a part is looked for again past a false start; parts never overlap.
    using Row = std::pair<const char*, const char*>;
    const Row matching[] = {{"*.TXT", "notes.txt"},
                            {"*.txt", "NOTES.TXT"},
                            {"*.TXT *.DOC", "report.doc"},
                            {"*.TXT;*.DOC", "report.doc"},
                            {"*.*", "Makefile"},
                            {"*.*", ".profile"},
                            {"README.*", "readme"},
                            {"README.*", "readme.md"},
                            {"?.c", "a.c"},
                            {"a**b", "ab"},
                            {"a*b*c", "aXbYc"},
                            {"*ab?d*", "aabxabcd"},
                            {"*aa*aa*", "aaaa"},
                            {"a*?*b", "acb"},
                            {"exact", "EXACT"},
                            {"?.c", "\xc3\xa4.c"},
                            {"*\xc3\x84*", "m\xc3\xa4rz"},
                            {"caf\xc3\xa9.txt", "CAF\xc3\x89.TXT"},
                            {"*.txt", "caf\xe9.txt"},
                            {"caf?.txt", "caf\xe9.txt"}};
    const Row failing[] = {
        {"*.txt", "notes.txt.bak"}, {"READ.*", "readme"}, {"?.c", "ab.c"},   {"a*b*c", "aXcYb"},
        {"*aa*aa*", "aaa"},         {"a*?*b", "ab"},      {"*?x*", "x"},     {"exact", "exactly"},
        {"", "anything"},           {"   ", "anything"},  {";;", "anything"}};
    for (const auto& [masks, name] : matching)
        EXPECT_TRUE(MaskMatcher(masks).matches(name)) << "'" << masks << "' on '" << name << "'";
    for (const auto& [masks, name] : failing)
        EXPECT_FALSE(MaskMatcher(masks).matches(name)) << "'" << masks << "' on '" << name << "'";
}

TEST(MaskMatcher, AMaskOfTenThousandCharactersAnswersAtOnce) {
    std::string masks;
    for (int i = 0; masks.size() < 10'000; ++i)
        masks += "*" + std::to_string(i) + "*x?y ";
    const std::string star(10'000, '*');
    const MaskMatcher many(masks), stars(star), nothing(std::string(10'000, ' '));
    EXPECT_TRUE(many.matches("a17bx-y"));
    EXPECT_FALSE(many.matches("plain.txt"));
    EXPECT_TRUE(stars.matches("anything"));
    EXPECT_FALSE(nothing.matches("anything"));
    EXPECT_FALSE(MaskMatcher(std::string(5'000, 'a') + "*").matches(std::string(255, 'a')));
}

TEST(Drives, SlashFirstThenTheRealMountsEachOnce) {
    const std::vector<Volume> volumes = {{"/", "ext4", ""},
                                         {"/proc", "proc", ""},
                                         {"/sys", "sysfs", ""},
                                         {"/dev", "devtmpfs", ""},
                                         {"/sys/fs/cgroup", "cgroup2", ""},
                                         {"/home", "ext4", "home"},
                                         {"/run", "tmpfs", ""},
                                         {"/run/user/1000", "tmpfs", ""},
                                         {"/run/media/ann/USB", "vfat", "USB"},
                                         {"/tmp", "tmpfs", ""},
                                         {"/snap/core/1", "squashfs", ""},
                                         {"/home", "ext4", "home"},
                                         {"/mnt/share", "nfs4", ""},
                                         {"/mnt/odd", "binfmt_misc", ""}};
    EXPECT_EQ(selectableDrives(volumes),
              (Names{"/", "/home", "/run/media/ann/USB", "/tmp", "/mnt/share"}));
    EXPECT_EQ(selectableDrives({}), Names{"/"});
}

// Every file is shown, no directory; the masks select the files they match
// as they are typed, and the label counts them.
TEST_F(SelectionTest, MasksSelectExactlyTheMatchingFilesAndTheLabelCountsThem) {
    EXPECT_EQ(f.FileList1.items(),
              (Names{".hidden.txt", "a.txt", "B.TXT", "c.doc", "d.docx", "e.c"}));
    EXPECT_TRUE(selectedNames().empty()) << "an empty mask selects nothing";
    EXPECT_EQ(f.laSelectFile.caption(), label(0));
    typeMasks("*.TXT *.DOC");
    EXPECT_EQ(selectedNames(), (Names{".hidden.txt", "a.txt", "B.TXT", "c.doc"}));
    EXPECT_EQ(f.laSelectFile.caption(), label(4));
    typeMasks("*.c");
    EXPECT_EQ(selectedNames(), Names{"e.c"});
    EXPECT_EQ(f.laSelectFile.caption(), label(1));
    EXPECT_TRUE(dialogs.boxes.empty());
    // Without Dynamic Update typing changes nothing until it is ticked again.
    f.chContentDynamic.click();
    typeMasks("*.txt");
    EXPECT_EQ(selectedNames(), Names{"e.c"});
    f.chContentDynamic.click();
    EXPECT_EQ(selectedNames(), (Names{".hidden.txt", "a.txt", "B.TXT"}));
    EXPECT_EQ(f.laSelectFile.caption(), label(3));
}

TEST_F(SelectionTest, AClickPicksForTheListFileAndMasksModeSelectsEveryFileAgain) {
    typeMasks("*.*");
    ASSERT_EQ(selectedNames().size(), 6u);
    pick({"a.txt", "e.c"});
    EXPECT_TRUE(f.raContentList.checked());
    EXPECT_FALSE(f.raContentMask.checked());
    EXPECT_EQ(f.edContentList.text(), "BRAK.LST");
    EXPECT_TRUE(f.edContentList.enabled());
    EXPECT_EQ(f.edContentList.colour(), clWhite);
    EXPECT_TRUE(f.chContentUpdate.checked());
    EXPECT_TRUE(f.chContentUpdate.enabled());
    EXPECT_EQ(f.edContentMask.text(), "");
    EXPECT_FALSE(f.edContentMask.enabled());
    EXPECT_EQ(f.edContentMask.colour(), clSilver);
    EXPECT_FALSE(f.chContentDynamic.checked());
    EXPECT_FALSE(f.chContentDynamic.enabled());
    EXPECT_EQ(selectedNames(), (Names{"a.txt", "e.c"})) << "the user's pick";
    EXPECT_EQ(f.laSelectFile.caption(), label(2));

    // More picks in list mode keep it; the list name the user typed stays.
    f.edContentList.setText("MINE.LST");
    pick({"c.doc"});
    EXPECT_EQ(f.edContentList.text(), "MINE.LST");
    EXPECT_EQ(f.laSelectFile.caption(), label(1));

    f.raContentMask.click();
    EXPECT_EQ(f.edContentMask.text(), "*.*");
    EXPECT_TRUE(f.edContentMask.enabled());
    EXPECT_EQ(f.edContentMask.colour(), clWhite);
    EXPECT_TRUE(f.chContentDynamic.checked());
    EXPECT_EQ(f.edContentList.text(), "");
    EXPECT_EQ(f.edContentList.colour(), clSilver);
    EXPECT_FALSE(f.chContentUpdate.checked());
    EXPECT_FALSE(f.chContentUpdate.enabled());
    EXPECT_EQ(selectedNames().size(), 6u);
    EXPECT_EQ(f.laSelectFile.caption(), label(6));
    EXPECT_GT(f.edContentMask.focusRequests(), 0) << "the mask field takes the focus";
}

TEST_F(SelectionTest, UpdateListWritesTheSelectedNamesInListOrder) {
    const std::string list = work + "/BRAK.LST";
    pick({"e.c", "a.txt", "c.doc"});
    EXPECT_EQ(selection.UpdateList(), 0);
    EXPECT_EQ(readFile(list), "a.txt\r\nc.doc\r\ne.c\r\n");

    pick({});
    EXPECT_EQ(selection.UpdateList(), 0);
    EXPECT_TRUE(platform.fileExists(list));
    EXPECT_EQ(readFile(list), "") << "the old list is emptied";

    pick({"B.TXT"});
    {
        ScopedWriteFault full(2);
        EXPECT_EQ(selection.UpdateList(), 1);
    }
    EXPECT_EQ(readFile(list), "") << "a failed write leaves the old list";
    std::filesystem::remove_all(work); // the directory vanished while shown
    EXPECT_EQ(selection.UpdateList(), 1);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1], (MessageBoxRequest{"Cannot write the list file \"" + list +
                                                       "\". The previous list file, if any, is "
                                                       "left as it was.",
                                                   "List File Error", MessageIcon::Error}));
}

TEST_F(SelectionTest, TheListFileIsWhereJarRunInTheDirectoryReadsIt) {
    platform.root.write("work/sub/keep", "");
    pick({"a.txt"});
    struct Case {
        std::string name, file;
    };
    for (const Case& c :
         {Case{"BRAK.LST", work + "/BRAK.LST"}, Case{"sub/in.lst", work + "/sub/in.lst"},
          Case{platform.root.file("abs.lst"), platform.root.file("abs.lst")}}) {
        f.edContentList.setText(c.name);
        EXPECT_EQ(selection.listFileName(), c.file);
        EXPECT_EQ(selection.UpdateList(), 0) << c.name;
        EXPECT_EQ(readFile(c.file), "a.txt\r\n") << c.name;
    }
    f.edContentList.setText("");
    EXPECT_EQ(selection.UpdateList(), 1);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "The list file has no name.");
}

TEST_F(SelectionTest, ANameThatCannotBeALineIsLeftOutWithOneWarning) {
    platform.root.write("work/two\nlines", "x");
    platform.root.write("work/carriage\rreturn", "x");
    platform.root.write("work/caf\xe9.txt", "x");
    f.Directory.setDirectory(platform.root.path());
    f.Directory.setDirectory(work);
    typeMasks("*");
    pick(f.FileList1.items());
    EXPECT_EQ(selection.UpdateList(), 0);
    EXPECT_EQ(readFile(work + "/BRAK.LST"),
              ".hidden.txt\r\na.txt\r\nB.TXT\r\nc.doc\r\ncaf\xe9.txt\r\nd.docx\r\ne.c\r\n");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0],
              (MessageBoxRequest{"These names hold a line break, so they cannot be lines of the "
                                 "list file; they are left out:\n\"carriage\\rreturn\"\n"
                                 "\"two\\nlines\"",
                                 "List File Error", MessageIcon::Warning}));
}

TEST_F(SelectionTest, FollowArchiveMovesToTheArchivesDirectoryAndItsVolume) {
    platform.volumes = {
        {"/", "ext4", ""}, {platform.root.path(), "ext4", ""}, {"/proc", "proc", ""}};
    selection.ReadDrives();
    EXPECT_EQ(f.Drive.drives(), (Names{"/", platform.root.path()}));
    EXPECT_EQ(f.Drive.drive(), platform.root.path()) << "the drive follows the directory";
    platform.root.write("arc/x.txt", "x");
    platform.root.write("arc/y.doc", "x");
    typeMasks("*.txt");

    f.edArchive.setText("TEST.J");
    f.buFollow.click();
    EXPECT_EQ(f.Directory.directory(), work) << "a bare name changes nothing";

    f.edArchive.setText(platform.root.file("arc/TEST.J"));
    f.buFollow.click();
    EXPECT_EQ(f.Directory.directory(), platform.root.file("arc"));
    EXPECT_EQ(f.Drive.drive(), platform.root.path());
    EXPECT_EQ(f.FileList1.items(), (Names{"x.txt", "y.doc"}));
    EXPECT_EQ(selectedNames(), Names{"x.txt"});

    f.edArchive.setText("../work/TEST.J"); // relative to the Selection directory
    f.buFollow.click();
    EXPECT_EQ(f.Directory.directory(), work);

    f.edArchive.setText("/TEST.J");
    f.buFollow.click();
    EXPECT_EQ(f.Directory.directory(), "/");
    EXPECT_EQ(f.Drive.drive(), "/");

    f.edArchive.setText(platform.root.file("missing/TEST.J"));
    f.buFollow.click();
    EXPECT_EQ(f.Directory.directory(), "/");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0],
              (MessageBoxRequest{"The directory \"" + platform.root.file("missing") +
                                     "\" does not exist.",
                                 "Follow Archive", MessageIcon::Error}));
}

TEST_F(SelectionTest, ChoosingAVolumeGoesToItsRootAndKeepsTheMasksSelection) {
    platform.volumes = {{"/", "ext4", ""}, {work, "ext4", ""}};
    selection.ReadDrives();
    typeMasks("*.txt");
    f.Directory.setDirectory(platform.root.path());
    EXPECT_EQ(f.Drive.drive(), "/");
    f.Drive.setDrive(work);
    EXPECT_EQ(f.Directory.directory(), work);
    EXPECT_EQ(selectedNames(), (Names{".hidden.txt", "a.txt", "B.TXT"}));
    EXPECT_EQ(f.laSelectFile.caption(), label(3));
    // Coming back to a volume reads its root again.
    platform.root.write("work/new.txt", "x");
    f.Drive.setDrive("/");
    f.Drive.setDrive(work);
    EXPECT_EQ(f.laSelectFile.caption(), label(4));
}

TEST_F(SelectionTest, ADirectoryThatCannotBeReadEmptiesTheListWithAMessage) {
    typeMasks("*.*");
    f.Directory.setDirectory(platform.root.file("gone"));
    EXPECT_TRUE(f.FileList1.items().empty());
    EXPECT_EQ(f.laSelectFile.caption(), label(0));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0],
              (MessageBoxRequest{"Cannot read the directory \"" + platform.root.file("gone") +
                                     "\": No such file or directory.",
                                 "Directory Error", MessageIcon::Error}));
}

TEST_F(SelectionTest, StartUpShowsTheDirectoryBrakWasStartedIn) {
    platform.root.write("start/only.txt", "x");
    platform.cwd = platform.root.file("start");
    platform.volumes = {{"/", "ext4", ""}, {"/sys", "sysfs", ""}};
    platform.markFirstRunDone();
    brak.startup().CreateBrak();
    EXPECT_EQ(f.Directory.directory(), platform.cwd);
    EXPECT_EQ(f.FileList1.items(), Names{"only.txt"});
    EXPECT_EQ(f.Drive.drives(), Names{"/"});
}
