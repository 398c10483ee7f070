#pragma once

#include "Fakes.h"
#include "TempDir.h"
#include "ui/Brak.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace brak::test {

// A dump file's text, written line by line.
class DumpText {
public:
    DumpText& line(const std::string& text) {
        text_ += text + "\r\n";
        return *this;
    }
    DumpText& archive(int maxChapter, int flags = 0) {
        return line("ARCHIVE=ARC.J")
            .line("  FLAGS=" + std::to_string(flags))
            .line("  CREATED=1998/09/14 06:30:00")
            .line("  MODIFIED=1998/09/15 07:45:00")
            .line("  VERSIONUSED=0102")
            .line("  VERSIONTOUPDATE=0050")
            .line("  VERSIONTOEXTRACT=0050")
            .line("  VERSIONTOLIST=0050")
            .line("  MAXCHAPTER=" + std::to_string(maxChapter));
    }
    DumpText& chapter(int n, const std::string& date = "1998/09/14") {
        return line("CHAPTER=" + std::to_string(n))
            .line("  CREATED=" + date + " 06:30:00")
            .line("  MODIFIED=" + date + " 07:00:00")
            .line("  FLAGS=0");
    }
    DumpText& file(const std::string& name, const std::string& size,
                   const std::string& modified = "1998/09/14 06:30:00",
                   const std::string& range = "1-1", int attributes = 1) {
        return line("FILE=" + name)
            .line("  CREATED=1998/01/01 00:00:00")
            .line("  MODIFIED=" + modified)
            .line("  LASTACCESS=1998/09/20 00:00:00")
            .line("  SIZE=" + size)
            .line("  CHAPTERSRANGE=" + range)
            .line("  ATTRIBUTES=" + std::to_string(attributes));
    }
    const std::string& str() const { return text_; }

private:
    std::string text_;
};

// Thirty files of mixed names, cases and sizes, as a user's archive holds
// them, in three chapters: the last chapter holds them all, in this order.
inline std::string mixedListing() {
    const std::pair<const char*, const char*> files[] = {
        {"README", "1834"},
        {"data.bin", "1048576"},
        {"Makefile", "2211"},
        {"apple.c", "15872"},
        {"Zoo.txt", "96"},
        {"zebra.log", "734003"},
        {"INSTALL", "9302"},
        {"notes.md", "4410"},
        {"src/main.c", "28761"},
        {"src/Util.c", "11220"},
        {"src/util.h", "2406"},
        {"docs/Guide.pdf", "3865112"},
        {"docs/faq.txt", "18330"},
        {"images/Logo.png", "48211"},
        {"images/icon.svg", "5120"},
        {"build.log", "220315"},
        {"CHANGES.txt", "61440"},
        {"config.ini", "733"},
        {"Archive.j", "5242880"},
        {"test/run.sh", "512"},
        {"test/Data.csv", "130022"},
        {"LICENSE", "35149"},
        {"todo.txt", "87"},
        {"backup.tar", "104857600"},
        {"music/Song.ogg", "7340032"},
        {"music/intro.wav", "2621440"},
        {"report-2024.doc", "91136"},
        {"Budget.xls", "44032"},
        {"photo_001.jpg", "2457600"},
        {"Photo_002.JPG", "2490368"},
    };
    DumpText text;
    text.archive(3).chapter(1, "2024/03/02").chapter(2, "2024/04/18").chapter(3, "2024/05/30");
    int i = 0;
    for (const auto& [name, size] : files) {
        const std::string day = std::to_string(10 + i % 19);
        const std::string time =
            std::to_string(10 + i % 13) + ":" + std::to_string(10 + i * 7 % 50);
        text.file(name, size, "2024/0" + std::to_string(1 + i % 5) + "/" + day + " " + time + ":00",
                  i % 3 == 0   ? "1-3"
                  : i % 3 == 1 ? "2-3"
                               : "3-3",
                  i % 4 == 0   ? 1
                  : i % 4 == 1 ? 0
                               : 8);
        ++i;
    }
    return text.str();
}

// Brak with a fake machine whose Selection directory is a real temporary
// directory holding the archives, and a Jar that writes a given dump where
// it is asked to and ends.
class ListingTest : public ::testing::Test {
protected:
    ListingTest() {
        brak.form().Directory.setDirectory(dir.path());
        platform.onStart = [this](const ProcessRequest& request) {
            if (startError != 0) {
                StartResult failed;
                failed.error = startError;
                return failed;
            }
            dumpName = unquoted(request.args.at(3));
            if (writeDump)
                writeFile(dumpName, dump);
            StartResult started;
            started.child = std::make_unique<FakeChild>(jarExitCode, pollsUntilEnd);
            return started;
        };
        WriteGridHeadings(brak.form().stChapter, brak.form().stFile);
    }

    static std::string unquoted(const std::string& text) {
        return text.size() >= 2 && text.front() == '"' && text.back() == '"'
                   ? text.substr(1, text.size() - 2)
                   : text;
    }

    // Lists the archive named in edArchive (created, of the given length)
    // with Jar writing the dump text.
    int load(const std::string& text, const std::string& archive = "ARC.J",
             std::int64_t length = 1000) {
        dump = text;
        dir.resize(archive, length);
        f.edArchive.setText(archive);
        return brak.contents().LoadContents();
    }

    // Column col of the file grid's rows below the heading.
    std::vector<std::string> fileColumn(int col = 0) const {
        std::vector<std::string> texts;
        for (int row = 1; row < f.stFile.rowCount(); ++row)
            texts.push_back(f.stFile.cell(col, row));
        return texts;
    }
    std::vector<std::string> headings(const StringGrid& grid) const {
        std::vector<std::string> texts;
        for (int col = 0; col < grid.colCount(); ++col)
            texts.push_back(grid.cell(col, 0));
        return texts;
    }

    TempDir dir;
    FakePlatform platform;
    FakeDialogs dialogs;
    Brak brak{platform, dialogs};
    MainForm& f = brak.form();

    std::string dump;
    bool writeDump = true;
    int startError = 0;
    int jarExitCode = 0;
    int pollsUntilEnd = 0;
    std::string dumpName; // where Jar was asked to write the last dump
};

} // namespace brak::test
