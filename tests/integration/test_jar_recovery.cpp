// Recovery records through the real JAR32.EXE: damage within what they
// repair (one run, scattered bytes, a zeroed page, a cut-off end) is undone
// by -hx in memory and by -jr in the file; damage beyond it is a CRC error,
// never a success and never a crash.

#include "RunCommand.h"
#include "TempDir.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace brak::test {
namespace {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::string>;

const std::string Jar = std::string(BRAK_BIN_DIR) + "/JAR32.EXE";
constexpr int Success = 0, Warning = 1, CrcError = 3;

CommandResult jar(const TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), Jar);
    return runCommand(args, dir.path());
}

Tree readTree(const std::string& root) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            tree[fs::relative(entry.path(), root).generic_string()] =
                readFile(entry.path().string());
    return tree;
}

using Damage = std::function<void(std::string&, std::mt19937&)>;

// Bytes [at, at + length) overwritten with noise.
void noise(std::string& data, size_t at, size_t length, std::mt19937& random) {
    for (size_t i = at; i < std::min(data.size(), at + length); ++i)
        data[i] = static_cast<char>(data[i] ^ (1 + random() % 255));
}

// The archive's own size, as the head of its records at its end gives it.
size_t protectedSize(const std::string& data) {
    size_t size = 0;
    for (int i = 7; i >= 0; --i)
        size = size << 8 | static_cast<unsigned char>(data[data.size() - 48 + i]);
    return size;
}

// Shares are of the archive's size, without its records.
Damage run(double share) {
    return [share](std::string& data, std::mt19937& random) {
        const auto length = static_cast<size_t>(static_cast<double>(protectedSize(data)) * share);
        noise(data, random() % (data.size() - length), length, random);
    };
}
Damage scattered(size_t bytes) {
    return [bytes](std::string& data, std::mt19937& random) {
        for (size_t i = 0; i < bytes; ++i)
            noise(data, random() % data.size(), 1, random);
    };
}
Damage zeroedPage() {
    return [](std::string& data, std::mt19937& random) {
        std::fill_n(data.begin() + static_cast<long>(random() % (data.size() - 4096)), 4096, '\0');
    };
}
Damage cut(double share) {
    return [share](std::string& data, std::mt19937&) {
        data.resize(data.size() -
                    static_cast<size_t>(static_cast<double>(protectedSize(data)) * share));
    };
}

class RecoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        // About 5 MB of archive: text that compresses and bytes that do not.
        std::mt19937 random(7);
        for (int i = 0; i < 40; ++i) {
            std::string text(90'000 + random() % 80'000, '\0');
            for (char& c : text)
                c = i % 3 != 0 ? static_cast<char>(random()) : "abcdefgh \n"[random() % 10];
            dir.write("src/d" + std::to_string(i % 4) + "/f" + std::to_string(i), text);
        }
        ASSERT_EQ(jar(dir, {"a", "arc.j", "src", "-r", "-hk", "-m1"}).exitCode, Success);
        original = dir.read("arc.j");
        source = readTree(dir.file("src"));
    }

    // Damages a copy of the archive and checks what -hx, t and -jr make of it.
    void expectRepaired(const Damage& damage, unsigned seed) {
        std::mt19937 random(seed);
        std::string data = original;
        damage(data, random);
        dir.write("bad.j", data);
        // A cut-off end costs only records: the archive still lists unrepaired.
        if (data.size() < original.size()) {
            EXPECT_EQ(jar(dir, {"l", "bad.j"}).exitCode, Success);
        }
        const CommandResult test = jar(dir, {"t", "bad.j"});
        EXPECT_EQ(test.exitCode, data.size() < original.size() ? Warning : CrcError) << test.output;
        EXPECT_NE(test.output.find("Damaged: "), std::string::npos) << test.output;
        fs::remove_all(dir.file("out"));
        const CommandResult extract = jar(dir, {"x", "bad.j", "-hx", "-oout", "-y"});
        EXPECT_EQ(extract.exitCode, Warning) << extract.output;
        EXPECT_EQ(readTree(dir.file("out/src")), source);
        EXPECT_EQ(jar(dir, {"t", "bad.j", "-jr"}).exitCode, Warning);
        EXPECT_TRUE(dir.read("bad.j") == original) << "-jr gives the archive back byte for byte";
    }

    void expectReported(const Damage& damage, unsigned seed) {
        std::mt19937 random(seed);
        std::string data = original;
        damage(data, random);
        dir.write("bad.j", data);
        for (const char* use : {"-hx", "-jr"}) {
            const CommandResult test = jar(dir, {"t", "bad.j", use});
            EXPECT_EQ(test.exitCode, CrcError) << use << test.output;
            EXPECT_EQ(test.output.find("Repaired"), std::string::npos) << test.output;
        }
        EXPECT_TRUE(dir.read("bad.j") == data) << "-jr leaves what it cannot repair as it was";
        EXPECT_EQ(jar(dir, {"x", "bad.j", "-hx", "-oout", "-y"}).exitCode, CrcError);
    }

    TempDir dir;
    std::string original;
    Tree source;
};

TEST_F(RecoveryTest, DamageWithinTheShareIsRepairedByteForByte) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE(seed);
        expectRepaired(run(0.05), seed);
        expectRepaired(scattered(12), seed);
        expectRepaired(zeroedPage(), seed);
        expectRepaired(cut(0.05), seed);
    }
}

TEST_F(RecoveryTest, DamageBeyondTheShareIsACrcErrorNeverASuccess) {
    expectReported(run(0.12), 1);
    expectReported(scattered(original.size() / 4096 / 3), 2);
    expectReported(cut(0.3), 3);
}

// The records cost at most 6 %, and every change writes them again: a new
// chapter is protected as the first one was.
TEST_F(RecoveryTest, RecordsStayWithEveryChangeWithinTheirOverhead) {
    ASSERT_EQ(jar(dir, {"a", "plain.j", "src", "-r", "-m1"}).exitCode, Success);
    const auto plain = static_cast<double>(fs::file_size(dir.file("plain.j")));
    EXPECT_LE(static_cast<double>(original.size()), plain * 1.06);
    dir.write("src/new.txt", "a file of the second chapter");
    ASSERT_EQ(jar(dir, {"ac", "arc.j", "src/new.txt"}).exitCode, Success);
    std::string data = dir.read("arc.j");
    EXPECT_EQ(data.substr(data.size() - 64, 8), "JARRECV1");
    std::mt19937 random(4);
    run(0.04)(data, random);
    dir.write("arc.j", data);
    const CommandResult test = jar(dir, {"t", "arc.j", "-hx", "-jc1-2"});
    EXPECT_EQ(test.exitCode, Warning) << test.output;
    EXPECT_NE(test.output.find("Repaired in memory"), std::string::npos);
}

// Parity is over the encrypted bytes: the listing, which needs no password,
// repairs the file.
TEST_F(RecoveryTest, AnEncryptedArchiveIsRepairedWithoutItsPassword) {
    const CommandResult made =
        runCommand({"sh", "-c",
                    "printf 'secret\\nsecret\\n' | \"$0\" a enc.j src -r -hk -hg1 -pfd3 3<&0", Jar},
                   dir.path());
    ASSERT_EQ(made.exitCode, Success) << made.output;
    const std::string sealed = dir.read("enc.j");
    std::string data = sealed;
    std::mt19937 random(5);
    run(0.05)(data, random);
    dir.write("enc.j", data);
    EXPECT_EQ(jar(dir, {"l", "enc.j", "-jr"}).exitCode, Warning);
    EXPECT_TRUE(dir.read("enc.j") == sealed);
}

} // namespace
} // namespace brak::test
