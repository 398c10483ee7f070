// Saving the configuration while the system refuses to let a file grow past
// a limit, as a full disk does: a child process saves under RLIMIT_FSIZE,
// and whatever byte the write stops at, the previous file stays as it was.
#include "Fakes.h"
#include "config/ConfigFile.h"
#include "ui/Brak.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace brak;
using test::readFile;

namespace {

enum ChildResult { Saved = 10, FailedUnchanged = 11, FailedButChanged = 12 };

class ConfigDiskFull : public ::testing::Test {
protected:
    // Saves in a child whose files may not grow past limit bytes; returns
    // what the save did there.
    int saveUnderLimit(const std::string& name, rlim_t limit) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const rlimit size{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &size);
            // A write past the limit then fails with EFBIG instead of ending the process.
            ::signal(SIGXFSZ, SIG_IGN);
            const std::string configName = f.ConfigName, caption = f.Caption1.text();
            const int result = brak.config().SaveConfig(name);
            const bool unchanged = f.ConfigName == configName && f.Caption1.text() == caption;
            ::_exit(result == 0 ? Saved : unchanged ? FailedUnchanged : FailedButChanged);
        }
        int status = 0;
        if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
            return -1;
        return WEXITSTATUS(status);
    }

    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();
};

} // namespace

TEST_F(ConfigDiskFull, AWriteStoppedAtAnyByteKeepsThePreviousFile) {
    const std::string name = platform.root.file("Brak.BKF");
    ASSERT_EQ(brak.config().SaveConfig(name), 0);
    const std::string previous = readFile(name);
    f.edArchive.setText("/home/ann/Archives/Larger Than Before.J");
    for (std::string& set : f.SwitchSets)
        set = "-r -y -o\"/home/ann/a rather long output directory name\" ";
    const std::size_t size = brak.config().configText(name).size();
    ASSERT_GT(size, previous.size());

    std::vector<std::size_t> offsets = {0, 1, 2, previous.size(), size - 1};
    for (std::size_t offset = 3; offset < size; offset += 211)
        offsets.push_back(offset);
    for (std::size_t offset : offsets) {
        EXPECT_EQ(saveUnderLimit(name, offset), FailedUnchanged) << offset;
        ASSERT_EQ(readFile(name), previous) << offset;
    }
    for (const auto& entry : std::filesystem::directory_iterator(platform.root.path()))
        EXPECT_TRUE(entry.path().filename() == "Brak.BKF" || entry.path().filename() == "bin")
            << "left behind: " << entry.path();

    EXPECT_EQ(saveUnderLimit(name, size), Saved) << "the whole file fits";
    EXPECT_EQ(readFile(name).size(), size);
}
