// Jar's own archives protected by a password, typed on a pseudo-terminal as
// a user would: what an encrypted archive must never give away, and what it
// must notice.

#include "RunCommand.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace brak::test {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using Answers = std::vector<std::string>;

constexpr int Success = 0, Crc = 3, BadParameters = 7;
const std::string Marker = "the launch code is 0000 and nobody may know it";

struct Result {
    int code = -1;
    std::string screen;
};

// Runs Jar on a terminal, typing each answer when a password is asked for;
// without answers its input is not a terminal at all.
Result jar(const std::string& directory, const Args& args, const Answers& answers) {
    std::vector<std::pair<std::string, std::string>> typed;
    for (const std::string& answer : answers)
        typed.emplace_back("Password", answer);
    const CommandResult result = runJarOnTerminal(directory, args, typed);
    return {result.exitCode, result.output};
}

class ProtectTest : public ::testing::Test {
protected:
    void SetUp() override {
        // One file that compresses well, one that does not (stored as it is),
        // both holding the marker.
        std::string text;
        for (int i = 0; i < 200; ++i)
            text += Marker + " " + std::to_string(i) + "\n";
        std::string noise = randomBytes(200'000, 7);
        noise.replace(100'000, Marker.size(), Marker);
        dir_.write("in/text.txt", text);
        dir_.write("in/noise.bin", noise);
    }
    Result make(const std::string& name, const std::string& password = "pw") {
        return jar(dir_.path(), {"a", name, "in/text.txt", "in/noise.bin", "-hg1"},
                   {password, password});
    }
    TempDir dir_;
};

TEST_F(ProtectTest, EncryptedArchiveGivesNothingAwayAndComesBackWhole) {
    ASSERT_EQ(make("one.j").code, Success);
    ASSERT_EQ(make("two.j").code, Success);
    const std::string one = dir_.read("one.j");
    EXPECT_EQ(one.find("launch code"), std::string::npos);
    EXPECT_NE(one, dir_.read("two.j")) << "same password, same files: salt and nonces must differ";
    // The index stays readable without a password.
    const Result listed = jar(dir_.path(), {"l", "one.j"}, {});
    EXPECT_EQ(listed.code, Success);
    // Adding asks once and encrypts the new file with the same key.
    dir_.write("in/more.txt", Marker);
    const Result added = jar(dir_.path(), {"a", "one.j", "in/more.txt"}, {"pw"});
    ASSERT_EQ(added.code, Success) << added.screen;
    EXPECT_EQ(added.screen.find("pw"), std::string::npos) << "echoed: " << added.screen;
    EXPECT_EQ(dir_.read("one.j").find("launch code"), std::string::npos);
    const Result extracted = jar(dir_.path(), {"x", "one.j", "-oout"}, {"pw"});
    ASSERT_EQ(extracted.code, Success) << extracted.screen;
    for (const char* name : {"in/text.txt", "in/noise.bin", "in/more.txt"})
        EXPECT_EQ(dir_.read(std::string("out/") + name), dir_.read(name)) << name;
}

TEST_F(ProtectTest, WrongOrMissingPasswordWritesNothing) {
    ASSERT_EQ(make("one.j").code, Success);
    const std::string before = dir_.read("one.j");
    for (const Args& args : {Args{"x", "one.j", "-oout"}, Args{"e", "one.j", "-oout"},
                             Args{"t", "one.j"}, Args{"a", "one.j", "in/text.txt"}}) {
        const Result wrong = jar(dir_.path(), args, {"not it"});
        EXPECT_EQ(wrong.code, Crc) << args[0] << wrong.screen;
        EXPECT_NE(wrong.screen.find("wrong password"), std::string::npos) << wrong.screen;
        const Result none = jar(dir_.path(), args, {});
        EXPECT_EQ(none.code, BadParameters) << args[0];
        EXPECT_FALSE(dir_.exists("out")) << args[0];
        EXPECT_EQ(dir_.read("one.j"), before) << args[0];
    }
    // A new password: empty, then two that differ, then a third miss.
    const Result refused =
        jar(dir_.path(), {"a", "new.j", "in/text.txt", "-hg1"}, {"", "a", "b", "c", "d"});
    EXPECT_EQ(refused.code, BadParameters) << refused.screen;
    EXPECT_FALSE(dir_.exists("new.j"));
    EXPECT_EQ(jar(dir_.path(), {"a", "new.j", "in/text.txt", "-hg1"}, {}).code, BadParameters);
    EXPECT_FALSE(dir_.exists("new.j"));
}

// Any byte changed is a CRC error: in the header (its key check included),
// a block, the index and the footer.
TEST_F(ProtectTest, EveryRegionOfAnEncryptedArchiveIsChecked) {
    ASSERT_EQ(make("one.j").code, Success);
    const std::string good = dir_.read("one.j");
    ASSERT_GT(good.size(), 200u);
    std::uint64_t index = 0;
    for (int i = 7; i >= 0; --i)
        index = (index << 8) | static_cast<unsigned char>(good[good.size() - 32 + i]);
    ASSERT_LT(index, good.size() - 32);
    const std::vector<size_t> offsets{8,
                                      12,
                                      20,
                                      40,
                                      60,
                                      79,
                                      80 + 10,
                                      80 + 40,
                                      80 + 5000,
                                      index - 3,
                                      index,
                                      index + 5,
                                      good.size() - 30,
                                      good.size() - 20,
                                      good.size() - 1};
    for (size_t offset : offsets) {
        std::string bad = good;
        bad[offset] = static_cast<char>(bad[offset] ^ 0x20);
        writeFile(dir_.file("bad.j"), bad);
        const Result tested = jar(dir_.path(), {"t", "bad.j"}, {"pw"});
        EXPECT_EQ(tested.code, Crc) << "byte " << offset << " of " << good.size() << tested.screen;
        fs::remove_all(dir_.file("out"));
        const Result extracted = jar(dir_.path(), {"x", "bad.j", "-oout"}, {"pw"});
        EXPECT_NE(extracted.code, Success) << "byte " << offset;
    }
}

} // namespace
} // namespace brak::test
