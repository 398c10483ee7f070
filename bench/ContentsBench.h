#pragma once

// What the contents benchmarks share: a generated listing of many files, and
// a machine and dialogs that do nothing.
#include "platform/Dialogs.h"
#include "platform/PosixPlatform.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace brak::bench {

// A listing of files in one chapter, written in pieces to sink(text). Names,
// sizes, dates and times vary as in a real archive: many folders, names in no
// order, dates over a few years, times all over the day.
template <typename Sink> void generateDump(std::size_t files, Sink sink) {
    std::string text =
        "ARCHIVE=/home/user/big.J\r\n  FLAGS=0\r\n  CREATED=2001/02/03 04:05:06\r\n"
        "  MODIFIED=2001/02/03 04:05:06\r\n  VERSIONUSED=0100\r\n  VERSIONTOUPDATE=0100\r\n"
        "  VERSIONTOEXTRACT=0100\r\n  VERSIONTOLIST=0100\r\n  MAXCHAPTER=1\r\n"
        "CHAPTER=1\r\n  CREATED=2001/02/03 04:05:06\r\n  MODIFIED=2001/02/03 04:05:06\r\n"
        "  FLAGS=0\r\n";
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    char line[256];
    auto stamp = [&](std::uint64_t r) {
        std::snprintf(line, sizeof line, "%04u/%02u/%02u %02u:%02u:%02u",
                      static_cast<unsigned>(1995 + r % 6), static_cast<unsigned>(1 + (r >> 8) % 12),
                      static_cast<unsigned>(1 + (r >> 16) % 28),
                      static_cast<unsigned>((r >> 24) % 24), static_cast<unsigned>((r >> 32) % 60),
                      static_cast<unsigned>((r >> 40) % 60));
        return std::string(line);
    };
    for (std::size_t i = 0; i < files; ++i) {
        const std::uint64_t r = next();
        std::snprintf(line, sizeof line, "FILE=src/module%03u/part%02u/file_%010llx.dat\r\n",
                      static_cast<unsigned>(r % 977), static_cast<unsigned>((r >> 10) % 31),
                      static_cast<unsigned long long>(r >> 20));
        text += line;
        const std::uint64_t created = next();
        text += "  CREATED=" + stamp(created) + "\r\n";
        text += "  MODIFIED=" + stamp(next()) + "\r\n";
        text += "  LASTACCESS=" + stamp(created | 0xFFFFFF000000ull) + "\r\n";
        text += "  SIZE=" + std::to_string(next() % 50'000'000) + "\r\n";
        text += "  CHAPTERSRANGE=1-1\r\n  ATTRIBUTES=" + std::to_string(next() % 32) + "\r\n";
        if (text.size() > (1u << 20)) {
            sink(text);
            text.clear();
        }
    }
    sink(text);
}

// The real machine, except that nothing is started and nothing sleeps.
class NullPlatform : public PosixPlatform {
public:
    StartResult runAndWait(const ProcessRequest&) override { return {}; }
    StartResult start(const ProcessRequest&) override { return {}; }
    void sleep(int) override {}
};

class NullDialogs : public Dialogs {
public:
    MessageAnswer messageBox(const MessageBoxRequest& request) override {
        return request.defaultButton;
    }
    std::string openFile(const std::string&) override { return {}; }
    std::string nameFile(const std::string&) override { return {}; }
    std::string saveFile(const std::string&) override { return {}; }
    bool chooseColour(std::uint32_t&, std::vector<std::uint32_t>&) override { return false; }
    void setBusy(bool) override {}
    void repaintNow() override {}
    std::unique_ptr<ShownWindow> showSplash(const std::string&) override { return nullptr; }
    void showAbout(const std::string&) override {}
    void showSearch(SearchWindow&) override {}
    std::vector<ScreenArea> screens() const override { return {}; }
    WaitOutcome waitForChild(ChildProcess& child, const std::string&, const std::string&) override {
        child.wait();
        return WaitOutcome::Ended;
    }
};

} // namespace brak::bench
