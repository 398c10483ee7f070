#include "Fakes.h"

#include "startup/SearchWindow.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace brak::test {

MessageAnswer FakeDialogs::messageBox(const MessageBoxRequest& request) {
    boxes.push_back(request);
    if (answers.empty())
        return request.defaultButton;
    MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::string FakeDialogs::openFile(const std::string& filter) {
    filters.push_back(filter);
    if (fileAnswers.empty())
        return {};
    std::string answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::string FakeDialogs::saveFile(const std::string& filter) {
    return openFile(filter);
}

bool FakeDialogs::chooseColour(std::uint32_t& colour, std::vector<std::uint32_t>& custom) {
    colourStarts.push_back(colour);
    customColours = custom;
    if (colourAnswers.empty())
        return false;
    colour = colourAnswers.front();
    colourAnswers.pop_front();
    return true;
}

void FakeDialogs::setBusy(bool on) {
    if (busy != on)
        ++busyChanges;
    busy = on;
}

Dialogs::WaitOutcome FakeDialogs::waitForChild(ChildProcess& child, const std::string& title,
                                               const std::string& detail) {
    waits.emplace_back(title, detail);
    busyWhileWaiting = busy;
    if (cancelWaits)
        return WaitOutcome::Cancelled;
    child.wait();
    return WaitOutcome::Ended;
}

std::unique_ptr<ShownWindow> FakeDialogs::showSplash(const std::string& picture) {
    struct Shown : ShownWindow {
        bool& shown;
        explicit Shown(bool& flag) : shown(flag) { shown = true; }
        ~Shown() override { shown = false; }
    };
    splashes.push_back(picture);
    return std::make_unique<Shown>(splashShown);
}

void FakeDialogs::showSearch(SearchWindow& window) {
    ++searches;
    if (onSearch)
        onSearch(window);
    window.close();
}

FakePlatform::FakePlatform()
    : cwd(root.path()), programDir(root.file("bin/")),
      userDir(root.file("user/brak/")), dataDirs{programDir} {
    std::filesystem::create_directories(programDir);
}

StartResult FakePlatform::runAndWait(const ProcessRequest& request) {
    started.push_back(request);
    if (onStart)
        return onStart(request);
    return {};
}

StartResult FakePlatform::start(const ProcessRequest& request) {
    started.push_back(request);
    StartResult result;
    if (onStart)
        result = onStart(request);
    if (result.started() && !result.child)
        result.child = std::make_unique<FakeChild>(result.exitCode);
    return result;
}

TerminalStart FakePlatform::startOnTerminal(const ProcessRequest& request, TerminalSize size) {
    terminalStarts.push_back(request);
    if (onTerminalStart)
        return onTerminalStart(request, size);
    return {0, std::make_unique<FakeTerminalProcess>()};
}

std::string FakePlatform::locateProgram(const std::string& name, int& error) const {
    auto it = programs.find(name);
    error = it == programs.end() ? ENOENT : 0;
    return it == programs.end() ? std::string() : it->second;
}

std::string FakePlatform::environment(const std::string& name) const {
    auto it = env.find(name);
    return it == env.end() ? std::string() : it->second;
}

void FakePlatform::setEnvironment(const std::string& name, const std::string& value) {
    if (value.empty())
        env.erase(name);
    else
        env[name] = value;
}

bool FakePlatform::setCurrentDirectory(const std::string& directory) {
    cwd = directory;
    return true;
}

} // namespace brak::test

namespace brak::test {

bool FakePlatform::makeUserDirectory() {
    if (userDirectoryFails)
        return false;
    std::error_code error;
    std::filesystem::create_directories(userDir, error);
    return !error;
}

std::string FakePlatform::makeTemporaryDirectory() {
    std::filesystem::create_directories(root.file("tmp"));
    std::string pattern = root.file("tmp/brak-XXXXXX");
    return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

void FakePlatform::markFirstRunDone() {
    makeUserDirectory();
    writeFile(userDir + "Kyx.BMP", "BM");
}

} // namespace brak::test
