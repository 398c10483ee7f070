#pragma once

#include "TempDir.h"
#include "platform/Dialogs.h"
#include "platform/PosixPlatform.h"

#include <deque>
#include <functional>
#include <map>
#include <set>

namespace brak::test {

// Records every box and dialog; answers from a script, then with the
// box's default button (open/save dialogs: cancel).
class FakeDialogs : public Dialogs {
public:
    MessageAnswer messageBox(const MessageBoxRequest& request) override;
    std::string openFile(const std::string& filter) override;
    // Scripted as openFile; counted apart.
    std::string nameFile(const std::string& filter) override {
        ++namings;
        return openFile(filter);
    }
    std::string saveFile(const std::string& filter) override;
    bool openWithDesktop(const std::string& file) override {
        opened.push_back(file);
        return true;
    }
    // Scripted by folderAnswers; an empty script cancels.
    std::string chooseFolder(const std::string& title) override {
        folderTitles.push_back(title);
        if (folderAnswers.empty())
            return {};
        std::string folder = folderAnswers.front();
        folderAnswers.pop_front();
        return folder;
    }
    bool chooseColour(std::uint32_t& colour, std::vector<std::uint32_t>& customColours) override;
    void setBusy(bool busy) override;
    void repaintNow() override { ++repaints; }
    std::unique_ptr<ShownWindow> showSplash(const std::string& picture) override;
    void showAbout(const std::string& picture) override { abouts.push_back(picture); }
    // Runs the script with the window, as the user would work it; without
    // one the window is closed at once.
    void showSearch(SearchWindow& window) override;
    std::vector<ScreenArea> screens() const override { return screenAreas; }
    // Ends the child as a wait does, or gives up on it when cancelWaits is set.
    WaitOutcome waitForChild(ChildProcess& child, const std::string& title,
                             const std::string& detail) override;

    std::vector<MessageBoxRequest> boxes;
    std::deque<MessageAnswer> answers;
    std::deque<std::string> fileAnswers;
    std::vector<std::string> filters;
    std::deque<std::string> folderAnswers;
    std::vector<std::string> opened; // the files handed to the desktop
    std::vector<std::string> folderTitles;
    int namings = 0;
    std::deque<std::uint32_t> colourAnswers;  // an empty script cancels
    std::vector<std::uint32_t> colourStarts;  // the colour each dialog started at
    std::vector<std::uint32_t> customColours; // those of the last dialog
    bool busy = false;
    int busyChanges = 0;
    int repaints = 0;
    std::vector<std::string> splashes; // the pictures
    bool splashShown = false;          // a splash is on the screen now
    std::vector<std::string> abouts;
    std::function<void(SearchWindow&)> onSearch;
    int searches = 0;
    std::vector<ScreenArea> screenAreas{{0, 0, 1280, 1024}};
    std::vector<std::pair<std::string, std::string>> waits; // title, detail
    bool busyWhileWaiting = false;
    bool cancelWaits = false;
};

// A child that has ended at once, or one that keeps running until it is
// waited for without a limit or terminated.
class FakeChild : public ChildProcess {
public:
    explicit FakeChild(int exitCode, bool keepsRunning = false)
        : exitCode_(exitCode), running_(keepsRunning) {}
    bool hasEnded() override { return !running_ || terminated; }
    void wait() override { running_ = false; }
    bool waitFor(int milliseconds) override {
        waitedFor += milliseconds;
        return hasEnded();
    }
    int endFd() const override { return -1; }
    int exitCode() const override { return exitCode_; }
    void terminate() override { terminated = true; }

    bool terminated = false;
    int waitedFor = 0;

private:
    int exitCode_;
    bool running_;
};

// A program on a terminal that exists only in the test: it has ended with
// the given status by the time anyone looks.
class FakeTerminalProcess : public TerminalProcess {
public:
    explicit FakeTerminalProcess(ExitStatus status = {}) : status_(status) {}
    int terminalFd() const override { return -1; }
    int endFd() const override { return -1; }
    int processId() const override { return 0; }
    long read(char*, std::size_t) override { return -1; }
    long write(std::string_view bytes) override { return static_cast<long>(bytes.size()); }
    void resize(TerminalSize) override {}
    void signal(int number) override { signals.push_back(number); }
    bool reap() override { return true; }
    std::optional<ExitStatus> status() const override { return status_; }

    std::vector<int> signals;

private:
    ExitStatus status_;
};

// The real file system, in directories of the test's own; everything else
// scripted: programs start only in the test's imagination, the clock stands
// still and nothing sleeps.
class FakePlatform : public PosixPlatform {
public:
    FakePlatform();

    StartResult runAndWait(const ProcessRequest& request) override;
    StartResult start(const ProcessRequest& request) override;
    TerminalStart startOnTerminal(const ProcessRequest& request, TerminalSize size) override;
    std::string locateProgram(const std::string& name, int& error) const override;
    std::string environment(const std::string& name) const override;
    void setEnvironment(const std::string& name, const std::string& value) override;
    std::string currentDirectory() const override { return cwd; }
    bool setCurrentDirectory(const std::string& directory) override;
    std::string programDirectory() const override { return programDir; }
    std::string userDirectory() const override { return userDir; }
    std::vector<std::string> dataDirectories() const override { return dataDirs; }
    std::vector<Volume> mountedVolumes() const override { return volumes; }
    DateTime now() const override { return clock; }
    std::int64_t milliseconds() const override { return elapsed; }
    bool makeUserDirectory() override;
    // Inside root, so that a test sees what is left behind.
    std::string makeTemporaryDirectory() override;
    // The machine's temporary folder is not the test's to clean.
    void removeStaleTemporaryDirectories() override {}
    void sleep(int milliseconds) override { slept += milliseconds; }

    // What a started program does: its result, and anything it changes.
    std::function<StartResult(const ProcessRequest&)> onStart;
    std::vector<ProcessRequest> started;
    // The same for programs started on a terminal; without a script they
    // start and end with exit code 0.
    std::function<TerminalStart(const ProcessRequest&, TerminalSize)> onTerminalStart;
    std::vector<ProcessRequest> terminalStarts;
    // The logo of a finished first run, so that start-up asks nothing.
    void markFirstRunDone();
    bool userDirectoryFails = false; // as in a home that cannot be written
    // Programs that locateProgram finds, by name; others are not found.
    std::map<std::string, std::string> programs;
    std::map<std::string, std::string> env;

    TempDir root; // holds the directories below
    std::string cwd;
    std::string programDir; // root/bin/
    std::string userDir;    // root/user/brak/ (not made yet)
    std::vector<std::string> dataDirs;
    std::vector<Volume> volumes{{"/", "ext4", ""}};
    DateTime clock{2026, 12, 6, 14, 30, 5};
    std::int64_t elapsed = 0; // milliseconds
    int slept = 0;
};

} // namespace brak::test
