#pragma once

// A machine and dialogs for fuzz targets that drive a whole window: nothing
// is started, moved, deleted, listed or shown, and every question gets its
// default answer.
#include "platform/Dialogs.h"
#include "platform/PosixPlatform.h"

#include <cerrno>

namespace brak::fuzz {

class QuietPlatform : public PosixPlatform {
public:
    StartResult runAndWait(const ProcessRequest&) override { return failed(); }
    StartResult start(const ProcessRequest&) override { return failed(); }
    void setEnvironment(const std::string&, const std::string&) override {}
    bool setCurrentDirectory(const std::string&) override { return true; }
    std::string programDirectory() const override { return "/nonexistent-brak-fuzz/"; }
    std::string userDirectory() const override { return "/nonexistent-brak-fuzz/user/"; }
    bool makeUserDirectory() override { return false; }
    std::string makeTemporaryDirectory() override { return {}; }
    bool removeDirectory(const std::string&) override { return false; }
    bool removeFile(const std::string&) override { return false; }
    // A path in the input may name any directory: none is listed.
    std::vector<DirectoryEntry> listDirectory(const std::string&, int& error) const override {
        error = ENOENT;
        return {};
    }
    void sleep(int) override {}

private:
    static StartResult failed() {
        StartResult result;
        result.error = ENOENT;
        return result;
    }
};

class QuietDialogs : public Dialogs {
public:
    MessageAnswer messageBox(const MessageBoxRequest& request) override {
        ++boxes;
        return request.defaultButton;
    }
    std::string openFile(const std::string&) override { return {}; }
    std::string saveFile(const std::string&) override { return {}; }
    std::string nameFile(const std::string&) override { return {}; }
    bool chooseColour(std::uint32_t&, std::vector<std::uint32_t>&) override { return false; }
    void setBusy(bool) override {}
    void repaintNow() override {}
    std::unique_ptr<ShownWindow> showSplash(const std::string&) override { return {}; }
    void showAbout(const std::string&) override {}
    void showSearch(SearchWindow&) override {}
    std::vector<ScreenArea> screens() const override { return {{0, 0, 1280, 1024}}; }
    WaitOutcome waitForChild(ChildProcess& child, const std::string&, const std::string&) override {
        child.wait();
        return WaitOutcome::Ended;
    }

    int boxes = 0;
};

} // namespace brak::fuzz
