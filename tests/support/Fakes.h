#pragma once

#include "platform/Dialogs.h"
#include "platform/Platform.h"

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
    std::string saveFile(const std::string& filter) override;
    bool chooseColour(std::uint32_t& colour, std::vector<std::uint32_t>& customColours) override;
    void setBusy(bool busy) override;
    void repaintNow() override { ++repaints; }

    std::vector<MessageBoxRequest> boxes;
    std::deque<MessageAnswer> answers;
    std::deque<std::string> fileAnswers;
    std::vector<std::string> filters;
    std::deque<std::uint32_t> colourAnswers; // an empty script cancels
    bool busy = false;
    int busyChanges = 0;
    int repaints = 0;
};

class FakeChild : public ChildProcess {
public:
    explicit FakeChild(int exitCode, int pollsUntilEnd = 0)
        : exitCode_(exitCode), polls_(pollsUntilEnd) {}
    bool hasEnded() override { return polls_-- <= 0; }
    void wait() override { polls_ = 0; }
    int exitCode() const override { return exitCode_; }

private:
    int exitCode_;
    int polls_;
};

// A machine in memory: starts nothing, sleeps not at all.
class FakePlatform : public Platform {
public:
    StartResult runAndWait(const ProcessRequest& request) override;
    StartResult start(const ProcessRequest& request) override;
    std::string environment(const std::string& name) const override;
    void setEnvironment(const std::string& name, const std::string& value) override;
    std::string currentDirectory() const override { return cwd; }
    bool setCurrentDirectory(const std::string& directory) override;
    std::string programDirectory() const override { return programDir; }
    bool fileExists(const std::string& name) const override;
    bool removeFile(const std::string& name) override;
    std::int64_t fileSize(const std::string& name) const override;
    void sleep(int milliseconds) override { slept += milliseconds; }

    // What a started program does: its result, and anything it changes.
    std::function<StartResult(const ProcessRequest&)> onStart;
    std::vector<ProcessRequest> started;
    std::map<std::string, std::string> env;
    std::map<std::string, std::int64_t> files; // name -> size
    std::string cwd = "/work/";
    std::string programDir = "/opt/brak/";
    int slept = 0;
};

} // namespace brak::test
