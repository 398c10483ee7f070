// A real first start: the real brak and the stand-in archiver, in a home of
// their own, on the offscreen platform. Every message box Brak shows is in
// its log; a signal closes it as the user's own close would.
#include "Children.h"
#include "TempDir.h"

#include <QImage>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace brak;

namespace {

const std::string BrakProgram = std::string(BRAK_BIN_DIR) + "/brak";

bool within(int milliseconds, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

class FirstStart : public ::testing::Test {
protected:
    // A Jar that Brak left running would come to the test once Brak is gone.
    FirstStart() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~FirstStart() override {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // fileSizeLimit: the largest file Brak may write, 0 for no limit.
    void start(const std::string& logName, rlim_t fileSizeLimit = 0) {
        log_ = home.file(logName);
        std::vector<std::string> environment = {
            "HOME=" + home.path(), "PATH=" + std::string(BRAK_BIN_DIR) + ":/usr/bin:/bin",
            "QT_QPA_PLATFORM=offscreen", "QT_LOGGING_RULES=brak.dialogs.info=true",
            "XDG_RUNTIME_DIR=" + home.path()};
        // A sanitizer or coverage build's settings reach brak too.
        for (const char* name :
             {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS", "LLVM_PROFILE_FILE"})
            if (const char* value = std::getenv(name))
                environment.push_back(std::string(name) + "=" + value);
        std::vector<char*> envp;
        for (std::string& variable : environment)
            envp.push_back(variable.data());
        envp.push_back(nullptr);
        std::string name = BrakProgram;
        char* argv[] = {name.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log_.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawn_file_actions_addchdir_np(&actions, home.path().c_str());
        ASSERT_EQ(::posix_spawn(&pid_, BrakProgram.c_str(), &actions, nullptr, argv, envp.data()),
                  0);
        posix_spawn_file_actions_destroy(&actions);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        if (fileSizeLimit > 0) {
            ASSERT_EQ(::prlimit(pid_, RLIMIT_FSIZE, &limit, nullptr), 0);
        }
    }

    // Brak catches SIGTERM from its first steps on.
    bool catchesTerm() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("SigCgt:", 0) == 0)
                return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
        return false;
    }

    // Asks Brak to end, again and again, as a session ending would; its exit code.
    int close() {
        int status = -1;
        const bool ended = within(30000, [&] {
            ::kill(pid_, SIGTERM);
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            return ::waitpid(pid_, &status, WNOHANG) == pid_;
        });
        if (!ended)
            return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    }

    std::string log() const { return test::readFile(log_); }
    std::string userFile(const std::string& name) const {
        return home.file(".config/brak/" + name);
    }

    test::TempDir home;
    pid_t pid_ = -1;
    std::string log_;
};

} // namespace

TEST_F(FirstStart, ExtractsTheLogoOnceAndClosingSavesTheLayoutAndTheLastState) {
    start("first.log");
    ASSERT_TRUE(within(20000, [&] {
        return log().find("[First Time Execution]") != std::string::npos;
    })) << log();
    EXPECT_NE(log().find("JAR32.EXE has been located beside Brak:\n" + std::string(BRAK_BIN_DIR) +
                         "/JAR32.EXE\n"),
              std::string::npos);
    EXPECT_EQ(close(), 0) << log();
    EXPECT_TRUE(test::childrenGone()) << "no Jar runs on, no zombie stays";
    // The logo, taken from the stand-in's BitMap archive: a 24-bit Windows
    // bitmap of a picture, not a blank.
    const std::string bmp = test::readFile(userFile("Kyx.BMP"));
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(bmp.size() > 28 ? bmp[28] : 0, 24) << "bits per pixel";
    const QImage logo(QString::fromStdString(userFile("Kyx.BMP")));
    EXPECT_FALSE(logo.isNull());
    std::set<QRgb> colours;
    for (int y = 0; y < logo.height(); y += 5)
        for (int x = 0; x < logo.width(); x += 5)
            colours.insert(logo.pixel(x, y));
    EXPECT_GT(colours.size(), 50u);
    EXPECT_EQ(log().find("Error Loading Bitmap"), std::string::npos)
        << "the splash shows the logo: " << log();
    EXPECT_EQ(log().find("brak.dialogs:"), log().rfind("brak.dialogs:")) << "one box only";
    EXPECT_NE(test::readFile(userFile("Brak.CFG")).find("AutoSave=Yes\r\n"), std::string::npos);
    EXPECT_NE(test::readFile(userFile("Brak.BKF")).find("; ----- Brak Section -----"),
              std::string::npos);

    // The second start shows nothing: the first run is done.
    start("second.log");
    ASSERT_TRUE(within(10000, [&] { return catchesTerm(); }));
    EXPECT_EQ(close(), 0) << log();
    EXPECT_EQ(log().find("brak.dialogs:"), std::string::npos) << log();
}

TEST_F(FirstStart, AFileSizeLimitFailsTheLastStatesSaveAndTheCloseGoesOn) {
    home.write(".config/brak/Kyx.BMP", "BM"); // the first run is done
    start("limited.log", 1000);
    ASSERT_TRUE(within(10000, [&] { return catchesTerm(); }));
    EXPECT_EQ(close(), 0) << "not killed by SIGXFSZ: " << log();
    EXPECT_NE(test::readFile(userFile("Brak.CFG")).find("AutoSave=Yes"), std::string::npos)
        << "the small layout fits";
    const std::size_t told =
        log().find("[Closing Brak] \"Brak could not save\n" + userFile("Brak.BKF") + "\n");
    EXPECT_NE(told, std::string::npos) << log();
    EXPECT_EQ(log().find("[Closing Brak]", told + 1), std::string::npos) << "said once";
}
