// The first-run search of the whole machine and its window's buttons, over
// a made-up directory tree.
#include "Fakes.h"
#include "startup/SearchWindow.h"

#include <gtest/gtest.h>
#include <map>

using namespace brak;
using Kind = DirectoryEntry::Kind;

namespace {

DirectoryEntry file(std::string name, bool executable = true) {
    DirectoryEntry entry;
    entry.name = std::move(name);
    entry.kind = Kind::File;
    entry.executable = executable;
    return entry;
}

DirectoryEntry dir(std::string name, bool link = false) {
    DirectoryEntry entry;
    entry.name = std::move(name);
    entry.kind = Kind::Directory;
    entry.symbolicLink = link;
    entry.executable = true;
    return entry;
}

// A machine whose directories are a table; a directory not in it cannot be read.
class TreePlatform : public test::FakePlatform {
public:
    std::vector<DirectoryEntry> listDirectory(const std::string& path, int& error) const override {
        listed.push_back(path);
        auto it = tree.find(path);
        error = it == tree.end() ? EACCES : 0;
        return it == tree.end() ? std::vector<DirectoryEntry>{} : it->second;
    }
    std::map<std::string, std::vector<DirectoryEntry>> tree;
    mutable std::vector<std::string> listed;
};

std::string searchAll(const Platform& platform, const std::string& root = "/") {
    DriveSearch search(platform, "JAR32.EXE", root);
    while (search.step(1000)) {
    }
    return search.found();
}

} // namespace

TEST(DriveSearch, MatchIsARegularFileThatRunsWithTheNameInAnyCase) {
    DirectoryEntry linkToProgram = file("jar32.exe");
    linkToProgram.symbolicLink = true;
    const std::pair<DirectoryEntry, bool> cases[] = {
        {file("JAR32.EXE"), true},         {file("jar32.exe"), true},
        {file("OLDJAR32.EXE"), true},      {linkToProgram, true},
        {file("JAR32.EXE", false), false}, // cannot run
        {dir("JAR32.EXE.OLD"), false},     {dir("JAR32.EXE"), false},
        {file("JAR32.EX"), false},
    };
    for (const auto& [entry, match] : cases)
        EXPECT_EQ(DriveSearch::isMatch(entry, "JAR32.EXE"), match) << entry.name;
}

TEST(DriveSearch, DepthFirstInListingOrderFirstMatchWins) {
    TreePlatform platform;
    platform.tree["/"] = {dir("a"), file("JAR32.EXE")};
    platform.tree["/a/"] = {dir("JAR32.EXE.OLD"), dir("b")};
    platform.tree["/a/JAR32.EXE.OLD/"] = {file("readme")};
    platform.tree["/a/b/"] = {file("jar32.exe")};
    EXPECT_EQ(searchAll(platform), "/a/b/jar32.exe") << "the subdirectory comes first";

    platform.tree["/a/JAR32.EXE.OLD/"] = {file("JAR32.EXE")};
    EXPECT_EQ(searchAll(platform), "/a/JAR32.EXE.OLD/JAR32.EXE")
        << "a directory of that name is searched, not taken";

    platform.tree.erase("/a/");
    EXPECT_EQ(searchAll(platform), "/JAR32.EXE") << "an unreadable directory holds nothing";
    platform.tree["/"] = {file("JAR32.EXE", false)};
    EXPECT_EQ(searchAll(platform), "");
}

TEST(DriveSearch, NeverEntersLinksOrTheKernelsDirectories) {
    TreePlatform platform;
    platform.tree["/"] = {dir("proc"), dir("sys"),        dir("dev"),
                          dir("run"),  dir("loop", true), dir("home")};
    for (const char* pseudo : {"/proc/", "/sys/", "/dev/", "/run/", "/loop/"})
        platform.tree[pseudo] = {file("JAR32.EXE")};
    platform.tree["/home/"] = {dir("run"), dir("me")};
    platform.tree["/home/run/"] = {};
    platform.tree["/home/me/"] = {file("JAR32.EXE")};
    EXPECT_EQ(searchAll(platform), "/home/me/JAR32.EXE");
    EXPECT_EQ(platform.listed, (std::vector<std::string>{"/", "/home/", "/home/run/", "/home/me/"}))
        << "only /run itself is passed over, not every directory of that name";
}

TEST(DriveSearch, WorksInSlicesAndStops) {
    TreePlatform platform;
    platform.tree["/"] = {dir("a"), dir("b")};
    platform.tree["/a/"] = {file("x"), file("y"), file("z")};
    platform.tree["/b/"] = {file("JAR32.EXE")};
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

    DriveSearch stopped(platform, "JAR32.EXE");
    stopped.step(1);
    stopped.stop();
    EXPECT_TRUE(stopped.finished());
    EXPECT_FALSE(stopped.step(100));
    EXPECT_EQ(stopped.found(), "");
}

TEST(SearchWindow, ButtonsThroughASearch) {
    TreePlatform platform;
    platform.tree["/"] = {dir("a"), dir("opt")};
    platform.tree["/a/"] = {file("x")};
    platform.tree["/opt/"] = {file("JAR32.EXE")};

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

    // Stopped before the end, or nothing found: the user picks.
    platform.tree["/opt/"] = {};
    for (int looks : {1, 100}) {
        SearchWindow other(platform);
        other.buSearchClick();
        if (other.searchOn(looks))
            other.buContinueClick();
        EXPECT_FALSE(other.searching()) << looks;
        EXPECT_FALSE(other.closed()) << looks;
        EXPECT_EQ(other.continueCaption(), "&Manual Search") << looks;
    }
    SearchWindow closed(platform);
    closed.buSearchClick();
    closed.close();
    EXPECT_FALSE(closed.searching());
    EXPECT_TRUE(closed.closed());
}
