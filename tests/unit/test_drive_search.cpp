// The first-run search of the whole machine and its window's buttons, over
// a made-up directory tree.
#include "Fakes.h"
#include "startup/SearchWindow.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>

using namespace brak;

namespace {

// Entries written as words: "name/" a directory, "@" before a name a
// symbolic link, "name-" a file nobody may run, any other word a program.
std::vector<DirectoryEntry> entries(const std::string& words) {
    std::vector<DirectoryEntry> list;
    std::istringstream in(words);
    for (std::string word; in >> word;) {
        DirectoryEntry& entry = list.emplace_back();
        entry.symbolicLink = word.front() == '@';
        entry.kind =
            word.back() == '/' ? DirectoryEntry::Kind::Directory : DirectoryEntry::Kind::File;
        entry.executable = word.back() != '-';
        const bool marked = word.back() == '/' || word.back() == '-';
        entry.name = word.substr(entry.symbolicLink, word.size() - entry.symbolicLink - marked);
    }
    return list;
}

// A machine whose directories are a table; a directory not in it cannot be read.
class TreePlatform : public test::FakePlatform {
public:
    std::vector<DirectoryEntry> listDirectory(const std::string& path, int& error) const override {
        listed.push_back(path);
        auto it = tree.find(path);
        error = it == tree.end() ? EACCES : 0;
        return it == tree.end() ? std::vector<DirectoryEntry>{} : entries(it->second);
    }
    std::map<std::string, std::string> tree;
    mutable std::vector<std::string> listed;
};

std::string searchAll(const Platform& platform) {
    DriveSearch search(platform, "JAR32.EXE", "/");
    while (search.step(1000)) {
    }
    return search.found();
}

} // namespace

TEST(DriveSearch, MatchIsARegularFileThatRunsWithTheNameInAnyCase) {
    for (const DirectoryEntry& entry : entries("JAR32.EXE jar32.exe OLDJAR32.EXE @jar32.exe"))
        EXPECT_TRUE(DriveSearch::isMatch(entry, "JAR32.EXE")) << entry.name;
    for (const DirectoryEntry& entry : entries("JAR32.EXE- JAR32.EXE.OLD/ JAR32.EXE/ JAR32.EX"))
        EXPECT_FALSE(DriveSearch::isMatch(entry, "JAR32.EXE")) << entry.name;
}

TEST(DriveSearch, DepthFirstInListingOrderFirstMatchWins) {
    TreePlatform platform;
    platform.tree = {{"/", "a/ JAR32.EXE"},
                     {"/a/", "JAR32.EXE.OLD/ b/"},
                     {"/a/JAR32.EXE.OLD/", "readme"},
                     {"/a/b/", "jar32.exe"}};
    EXPECT_EQ(searchAll(platform), "/a/b/jar32.exe") << "the subdirectory comes first";
    platform.tree["/a/JAR32.EXE.OLD/"] = "JAR32.EXE";
    EXPECT_EQ(searchAll(platform), "/a/JAR32.EXE.OLD/JAR32.EXE")
        << "a directory of that name is searched, not taken";
    platform.tree.erase("/a/");
    EXPECT_EQ(searchAll(platform), "/JAR32.EXE") << "an unreadable directory holds nothing";
}

TEST(DriveSearch, NeverEntersLinksOrTheKernelsDirectories) {
    TreePlatform platform;
    platform.tree = {{"/", "proc/ sys/ dev/ run/ @loop/ home/"},
                     {"/home/", "run/ me/"},
                     {"/home/run/", ""},
                     {"/home/me/", "JAR32.EXE"}};
    for (const char* pseudo : {"/proc/", "/sys/", "/dev/", "/run/", "/loop/"})
        platform.tree[pseudo] = "JAR32.EXE";
    EXPECT_EQ(searchAll(platform), "/home/me/JAR32.EXE");
    EXPECT_EQ(platform.listed, (std::vector<std::string>{"/", "/home/", "/home/run/", "/home/me/"}))
        << "only /run itself is passed over, not every directory of that name";
}

TEST(DriveSearch, WorksInSlices) {
    TreePlatform platform;
    platform.tree = {{"/", "a/ b/"}, {"/a/", "x y z"}, {"/b/", "JAR32.EXE"}};
    DriveSearch search(platform, "JAR32.EXE");
    EXPECT_EQ(search.directory(), "/");
    EXPECT_TRUE(search.step(2));
    EXPECT_EQ(search.looked(), 2);
    EXPECT_EQ(search.directory(), "/a/") << "the directory being searched";
    EXPECT_TRUE(search.step(3));
    EXPECT_EQ(search.directory(), "/") << "back in the parent";
    EXPECT_FALSE(search.step(10));
    EXPECT_EQ(search.found(), "/b/JAR32.EXE");
    EXPECT_EQ(search.looked(), 6);
}

TEST(SearchWindow, ButtonsThroughASearch) {
    TreePlatform platform;
    platform.tree = {{"/", "a/ opt/"}, {"/a/", "x"}, {"/opt/", "JAR32.EXE"}};
    SearchWindow window(platform);
    EXPECT_TRUE(window.searchEnabled() && window.searchIsDefault());
    EXPECT_EQ(window.continueCaption(), "&Continue");
    EXPECT_FALSE(window.continueEnabled());
    window.buSearchClick();
    EXPECT_FALSE(window.searchEnabled() || window.searchIsDefault()) << "a search runs once";
    EXPECT_EQ(window.continueCaption(), "S&top");
    EXPECT_TRUE(window.continueEnabled() && !window.continueIsDefault());
    while (window.searchOn(1)) {
    }
    EXPECT_EQ(window.FoundPath(), "/opt/JAR32.EXE");
    EXPECT_EQ(window.continueCaption(), "&Continue");
    EXPECT_TRUE(window.continueIsDefault());
    window.buContinueClick();
    EXPECT_TRUE(window.closed());

    // Stopped before the end (the search then stays finished), or nothing
    // found: the user picks.
    platform.tree["/opt/"] = "";
    for (int looks : {1, 100}) {
        SearchWindow other(platform);
        other.buSearchClick();
        if (other.searchOn(looks))
            other.buContinueClick();
        EXPECT_FALSE(other.searching() || other.closed()) << looks;
        EXPECT_EQ(other.continueCaption(), "&Manual Search") << looks;
    }
    SearchWindow closed(platform);
    closed.buSearchClick();
    closed.close();
    EXPECT_FALSE(closed.searching());
    EXPECT_TRUE(closed.closed());
}
