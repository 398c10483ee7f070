// Authenticated, hidden, sealed and locked archives of the stand-in archiver:
// what each must notice and what each must refuse. Passwords come on a
// descriptor, as Brak hands them over; there is no terminal.

#include "RunCommand.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace brak::test {
namespace {

using Args = std::vector<std::string>;
constexpr int Success = 0, Warning = 1, Crc = 3, BadParameters = 7;

class JarAccess : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("JAR_CFG_FILE");
        dir_.write("src/secret-name.txt", std::string(3000, 'x') + "the words nobody may read\n");
        dir_.write("src/other.txt", "other\n");
    }
    // Jar without a terminal; with a password, on descriptor 3.
    CommandResult jar(const std::string& command, const std::string& password = "") {
        return runJarLine(dir_.path(), command, password);
    }
    TempDir dir_;
};

// Every region of an authenticated archive is covered: the header with the
// key's salt, limits and check, a block's header and payload, the index, the
// tag and the footer. Each reading command notices, and extracts nothing.
TEST_F(JarAccess, AnyByteChangedInAnAuthenticatedArchiveIsACrcError) {
    ASSERT_EQ(jar("a auth.j src -r -hg0", "pw").exitCode, Success);
    const std::string good = dir_.read("auth.j");
    EXPECT_NE(good.find("nobody may read"), std::string::npos) << "authenticated, not encrypted";
    EXPECT_EQ(jar("t auth.j", "pw").exitCode, Success);
    EXPECT_EQ(jar("t auth.j", "not it").exitCode, Crc);
    const CommandResult unchecked = jar("l auth.j");
    EXPECT_EQ(unchecked.exitCode, Success) << "listing without a password says it did not check";
    EXPECT_NE(unchecked.output.find("without checking"), std::string::npos) << unchecked.output;

    const size_t end = good.size();
    for (size_t offset :
         {size_t{8}, size_t{12}, size_t{20}, size_t{40}, size_t{60}, size_t{84}, size_t{80 + 40},
          end / 2, end - 100, end - 60, end - 33, end - 30, end - 12, end - 1}) {
        std::string bad = good;
        bad[offset] = static_cast<char>(bad[offset] ^ 0x20);
        dir_.write("bad.j", bad);
        for (const char* command : {"t bad.j", "l bad.j", "x bad.j -oout"}) {
            EXPECT_EQ(jar(command, "pw").exitCode, Crc) << command << ", byte " << offset;
            EXPECT_FALSE(dir_.exists("out")) << offset;
        }
    }
}

// The tag is checked beside the extraction: what was extracted before the
// archive proved changed is never put in place. How far the extraction gets
// before the check ends depends on the machine's load, so only the outcome
// is asserted.
TEST_F(JarAccess, AChangedArchiveExtractsNothingWhileItsTagIsChecked) {
    for (int i = 0; i < 200; ++i)
        dir_.write("src/a/f" + std::to_string(i), "small");
    dir_.write("src/z.bin", randomBytes(24 << 20, 1));
    ASSERT_EQ(jar("a auth.j src -r -hg0", "pw").exitCode, Success);
    std::string archive = dir_.read("auth.j");
    archive[archive.size() / 2] ^= 1;
    dir_.write("auth.j", archive);
    const CommandResult run = jar("x auth.j -oout/deep -y", "pw");
    EXPECT_EQ(run.exitCode, Crc) << run.output;
    EXPECT_FALSE(dir_.exists("out"));
}

TEST_F(JarAccess, HiddenContentsLeaveNoNameInTheArchiveAndListOnlyWithThePassword) {
    EXPECT_EQ(jar("a plain.j src -r -jx").exitCode, BadParameters) << "hiding needs encryption";
    EXPECT_FALSE(dir_.exists("plain.j"));
    ASSERT_EQ(jar("a hid.j src -r -hg1 -jx", "pw").exitCode, Success);
    ASSERT_EQ(jar("a hid.j src/other.txt", "pw").exitCode, Success) << "stays hidden";
    const std::string bytes = dir_.read("hid.j");
    for (const char* text : {"secret-name", "other", "src/", "nobody may read"})
        EXPECT_EQ(bytes.find(text), std::string::npos) << text;
    for (const char* command : {"l hid.j", "v hid.j", "lc hid.j"})
        EXPECT_EQ(jar(command).exitCode, BadParameters) << command;
    EXPECT_EQ(jar("l hid.j", "no").exitCode, Crc);
    const CommandResult listed = jar("v hid.j", "pw");
    EXPECT_EQ(listed.exitCode, Success);
    EXPECT_NE(listed.output.find("src/secret-name.txt"), std::string::npos) << listed.output;
    // Brak's listing runs without a terminal: the archive section alone.
    EXPECT_EQ(jar("lt hid.j dump.txt").exitCode, Warning);
    const std::string dump = dir_.read("dump.txt");
    EXPECT_NE(dump.find("MAXCHAPTER=0"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("\nCHAPTER="), std::string::npos) << dump;
    EXPECT_EQ(dump.find("FILE="), std::string::npos) << dump;
    ASSERT_EQ(jar("lt hid.j full.txt", "pw").exitCode, Success);
    EXPECT_NE(dir_.read("full.txt").find("FILE=src/secret-name.txt"), std::string::npos);
}

// Two chapters, then sealed or locked in place; each changing command is
// refused (R) with the archive left as it was, or goes ahead (.).
TEST_F(JarAccess, SealedAndLockedArchivesRefuseEachChange) {
    dir_.write("comment.txt", "a comment\n");
    struct Row {
        const char* command;
        const char* outcome; // -hy, -jl, -jl1, -jl2
    };
    // In this order: ac may add an unlocked chapter, rh drops what it cannot rebuild.
    const Row rows[] = {{"a %s src/other.txt", "RRRR"},
                        {"u %s src -r", "RRRR"},
                        {"f %s src -r", "RRRR"},
                        {"m %s src/other.txt", "RRRR"},
                        {"d %s src/other.txt", "RRRR"},
                        {"da %s", "RRRR"},
                        {"dc %s", "RRRR"},
                        {"dc %s 1", "RRR."},
                        {"c %s -zcomment.txt", "RRRR"},
                        {"c %s -hzcomment.txt", "RRRR"},
                        {"y %s -hzcomment.txt", "RRRR"},
                        {"y %s -m4", "R..."},
                        {"ac %s src/other.txt", "RR.."},
                        {"rh %s", "R..."}};
    const char* switches[] = {"-hy", "-jl", "-jl1", "-jl2"};
    for (int kind = 0; kind < 4; ++kind) {
        const std::string name = std::string("k") + std::to_string(kind) + ".j";
        ASSERT_EQ(jar("a " + name + " src -r").exitCode, Success);
        ASSERT_EQ(jar("ac " + name + " src -r").exitCode, Success);
        ASSERT_EQ(jar("y " + name + " " + switches[kind]).exitCode, Success);
        const std::string chapters = jar("lc " + name).output;
        EXPECT_NE(chapters.find(kind == 0 ? ".....E" : "L....."), std::string::npos) << chapters;
        for (const Row& row : rows) {
            const std::string before = dir_.read(name);
            char command[128];
            std::snprintf(command, sizeof command, row.command, name.c_str());
            dir_.write("src/other.txt", "changed\n");
            const CommandResult run = jar(command);
            if (row.outcome[kind] == 'R') {
                EXPECT_EQ(run.exitCode, BadParameters) << command << run.output;
                EXPECT_NE(run.output.find(kind == 0 ? "sealed" : "locked"), std::string::npos)
                    << command << run.output;
                EXPECT_EQ(dir_.read(name), before) << command;
            } else {
                EXPECT_EQ(run.exitCode, Success) << command << run.output;
            }
            EXPECT_TRUE(dir_.exists("src/other.txt")) << command;
        }
        EXPECT_EQ(jar("t " + name).exitCode, Success) << name;
    }
    // The envelope is tested by t unless -he; a broken one is a CRC error.
    std::string broken = dir_.read("k0.j");
    broken[broken.size() - 40] ^= 1;
    dir_.write("broken.j", broken);
    EXPECT_EQ(jar("t broken.j").exitCode, Crc);
    EXPECT_EQ(jar("t broken.j -he").exitCode, Success);
}

// -hg follows DefaultAccessProtection: Authenticate by default, GOST v1.01
// encrypts.
TEST_F(JarAccess, BareAccessSwitchFollowsTheConfiguration) {
    auto headerFlags = [this](const std::string& name) {
        return static_cast<int>(static_cast<unsigned char>(dir_.read(name).at(12)));
    };
    ASSERT_EQ(jar("a auth.j src -r -hg", "pw").exitCode, Success);
    EXPECT_EQ(headerFlags("auth.j"), 2);
    dir_.write("jar.cfg", "DefaultAccessProtection=GOST v1.01\r\n");
    ::setenv("JAR_CFG_FILE", dir_.file("jar.cfg").c_str(), 1);
    ASSERT_EQ(jar("a gost.j src -r -hg", "pw").exitCode, Success);
    ::unsetenv("JAR_CFG_FILE");
    EXPECT_EQ(headerFlags("gost.j") & 3, 3) << "encrypted and authenticated";
    EXPECT_EQ(dir_.read("gost.j").find("nobody may read"), std::string::npos);
}

} // namespace
} // namespace brak::test
