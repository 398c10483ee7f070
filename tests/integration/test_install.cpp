// Installing Brak as a desktop program: the files under the prefix, the
// desktop entry and metadata as their validators read them, the installed
// programs working from the prefix, and the Debian package.
#include "RunCommand.h"
#include "TempDir.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace brak::test {
namespace {

namespace fs = std::filesystem;

// Everything below the directory, as relative paths.
std::set<std::string> filesBelow(const std::string& root) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (!entry.is_directory())
            files.insert(fs::relative(entry.path(), root).string());
    return files;
}

class Install : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix_ = new TempDir;
        const CommandResult installed =
            runCommand({BRAK_CMAKE, "--install", BRAK_BUILD_DIR, "--prefix", prefix_->path()});
        ASSERT_EQ(installed.exitCode, 0) << installed.output;
    }
    static void TearDownTestSuite() {
        delete prefix_;
        prefix_ = nullptr;
    }
    static std::string under(const std::string& name) { return prefix_->file(name); }

    static TempDir* prefix_;
};

TempDir* Install::prefix_ = nullptr;

TEST_F(Install, PutsEveryFileUnderThePrefix) {
    std::set<std::string> expected = {"bin/brak",
                                      "bin/JAR32.EXE",
                                      "share/brak/BitMap",
                                      "share/applications/brak.desktop",
                                      "share/mime/packages/brak.xml",
                                      "share/metainfo/org.kyxtools.Brak.metainfo.xml",
                                      "share/man/man1/brak.1",
                                      "share/man/man1/JAR32.EXE.1",
                                      "share/doc/brak/copyright"};
    for (int size : {16, 32, 48, 64, 128, 256})
        expected.insert("share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) +
                        "/apps/brak.png");
    EXPECT_EQ(filesBelow(prefix_->path()), expected);
}

TEST_F(Install, TheDesktopFilesPassTheirValidators) {
    struct Validator {
        std::vector<std::string> command;
    };
    const Validator validators[] = {
        {{"desktop-file-validate", under("share/applications/brak.desktop")}},
        {{"appstreamcli", "validate", "--no-net",
          under("share/metainfo/org.kyxtools.Brak.metainfo.xml")}},
        {{"xmllint", "--noout", under("share/mime/packages/brak.xml")}},
    };
    for (const Validator& v : validators) {
        if (!haveCommand(v.command[0])) {
            std::printf("%s is not installed: not checked\n", v.command[0].c_str());
            continue;
        }
        const CommandResult checked = runCommand(v.command);
        EXPECT_EQ(checked.exitCode, 0) << v.command[0] << ": " << checked.output;
    }
    // The version the metadata announces is the program's own.
    const std::string metainfo = readFile(under("share/metainfo/org.kyxtools.Brak.metainfo.xml"));
    const CommandResult version = runCommand({under("bin/brak"), "--version"});
    ASSERT_EQ(version.exitCode, 0);
    const std::string number = version.output.substr(5, version.output.size() - 6);
    EXPECT_NE(metainfo.find("release version=\"" + number + "\""), std::string::npos);
}

TEST_F(Install, TheInstalledProgramsRunFromThePrefix) {
    const auto before = filesBelow(prefix_->path());
    const CommandResult version = runCommand({under("bin/brak"), "--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output.rfind("brak ", 0), 0u) << version.output;
    EXPECT_EQ(runCommand({under("bin/brak"), "--help"}).exitCode, 0);

    TempDir work;
    work.write("hello.txt", "hello from the prefix");
    const std::string jar = under("bin/JAR32.EXE");
    ASSERT_EQ(runCommand({jar, "a", "test.j", "hello.txt"}, work.path()).exitCode, 0);
    ASSERT_EQ(runCommand({jar, "lt", "test.j", "listing.dmp"}, work.path()).exitCode, 0);
    EXPECT_NE(work.read("listing.dmp").find("FILE=hello.txt"), std::string::npos);
    // The shipped logo archive extracts with the installed archiver.
    ASSERT_EQ(runCommand({jar, "e", under("share/brak/BitMap")}, work.path()).exitCode, 0);
    EXPECT_TRUE(work.exists("Kyx.BMP"));
    EXPECT_EQ(filesBelow(prefix_->path()), before) << "nothing is written under the prefix";
}

TEST_F(Install, TheDebianPackageHoldsTheFilesAndNamesItsLibraries) {
    if (!haveCommand("dpkg-deb") || !haveCommand("dpkg-shlibdeps"))
        GTEST_SKIP() << "dpkg-deb or dpkg-shlibdeps is not installed";
    TempDir out;
    const CommandResult packed =
        runCommand({BRAK_CPACK, "-G", "DEB", "--config",
                    std::string(BRAK_BUILD_DIR) + "/CPackConfig.cmake", "-B", out.path()});
    ASSERT_EQ(packed.exitCode, 0) << packed.output;
    std::string deb;
    for (const auto& entry : fs::directory_iterator(out.path()))
        if (entry.path().extension() == ".deb")
            deb = entry.path().string();
    ASSERT_FALSE(deb.empty()) << packed.output;
    EXPECT_EQ(fs::path(deb).filename().string().rfind("brak_", 0), 0u);
    EXPECT_NE(deb.find("_amd64.deb"), std::string::npos) << deb;

    const std::string contents = runCommand({"dpkg-deb", "-c", deb}).output;
    for (const char* file : {"./usr/bin/brak", "./usr/bin/JAR32.EXE", "./usr/share/brak/BitMap",
                             "./usr/share/applications/brak.desktop",
                             "./usr/share/icons/hicolor/256x256/apps/brak.png"})
        EXPECT_NE(contents.find(file), std::string::npos) << file;
    const std::string info = runCommand({"dpkg-deb", "-I", deb}).output;
    for (const char* library : {"libqt6widgets6", "libqt6gui6", "libqt6core6", "libvterm0",
                                "libarchive13", "libzstd1", "libsodium23"})
        EXPECT_NE(info.find(library), std::string::npos) << library << "\n" << info;
}

} // namespace
} // namespace brak::test
