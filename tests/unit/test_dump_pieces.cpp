// Reading a listing in pieces at the same time gives exactly what one pass
// gives, errors and limits included, wherever the listing is cut.
#include "TempDir.h"
#include "contents/DumpPieces.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>

using namespace brak;

namespace {

// Everything a reader holds after a listing, and the error that stopped it.
std::string snapshot(const DumpReader& reader, const std::string& error) {
    std::string s = error + "|" + std::to_string(reader.sizeSum()) + "|" +
                    std::to_string(reader.lineCount()) + "|" +
                    std::to_string(reader.maxChapter().value_or(-1)) + "\n";
    for (const std::string& detail : reader.details())
        s += detail + ";";
    for (const auto& [number, row] : reader.chapters()) {
        s += "\nC" + std::to_string(number) + ":" + std::to_string(row.written);
        for (const std::string& cell : row.cells)
            s += ";" + cell;
    }
    const RowList& rows = reader.rows();
    s += "\nrecords " + std::to_string(rows.recordCount()) + " texts " +
         std::to_string(rows.texts().count()) + " bytes " + std::to_string(rows.textBytes());
    // Records are numbered by piece: what counts is which groups share one.
    std::map<std::uint32_t, std::size_t> ranks;
    for (const RowList::Group& group : rows.groups())
        ranks.emplace(group.record, 0);
    std::size_t next = 0;
    for (auto& entry : ranks)
        entry.second = next++;
    for (const RowList::Group& group : rows.groups())
        s += " " + std::to_string(ranks[group.record]) + ":" + std::to_string(group.first) + "-" +
             std::to_string(group.last);
    for (const auto& row : rows.expand()) {
        s += "\n";
        for (const std::string& cell : row)
            s += cell + ";";
    }
    return s;
}

std::string read(const std::string& text, const std::vector<std::uint64_t>& splits,
                 const DumpLimits& limits) {
    const DumpSource source = [&text](std::uint64_t offset, char* out, std::size_t size) {
        if (offset >= text.size())
            return std::size_t{0};
        size = std::min<std::size_t>(size, text.size() - offset);
        std::memcpy(out, text.data() + offset, size);
        return size;
    };
    DumpReader reader(limits);
    std::string error = "-";
    try {
        if (splits.size() == 1 && splits[0] == 0) {
            reader.feed(text);
            reader.finish();
        } else {
            readDumpPieces(source, text.size(), splits, reader);
        }
    } catch (const DumpLimitError& e) {
        error = std::string("limit: ") + e.what();
    } catch (const Error& e) {
        error = e.what();
    }
    return snapshot(reader, error);
}

// Cut at every line start, and at every pair of FILE lines: the same as one pass.
void expectSameEverywhere(const std::string& text, const DumpLimits& limits = {}) {
    const std::string one = read(text, {0}, limits);
    std::vector<std::uint64_t> lines, files;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        lines.push_back(at + 1);
        if (text.compare(at + 1, 5, "FILE=") == 0)
            files.push_back(at + 1);
    }
    for (const std::uint64_t split : lines)
        ASSERT_EQ(read(text, {split}, limits), one) << "cut at " << split;
    for (std::size_t a = 0; a < files.size(); ++a)
        for (std::size_t b = a + 1; b < files.size(); b += 3)
            ASSERT_EQ(read(text, {files[a], files[b]}, limits), one)
                << "cut at " << files[a] << " and " << files[b];
}

// A listing of every shape the reader knows: files in ranges of chapters,
// files missing keys or named as the one before, odd dates, sizes and keys,
// chapters and archive sections between files, blank and unknown lines.
std::string generated(unsigned seed, int files) {
    std::mt19937 random(seed);
    auto chance = [&random](int percent) { return static_cast<int>(random() % 100) < percent; };
    std::string text = "ARCHIVE=G.J\n  MAXCHAPTER=4\nCHAPTER=1\n  FLAGS=1\nCHAPTER=2\n"
                       "  CREATED=2001/02/03 04:05:06\n";
    std::string name = "a";
    for (int i = 0; i < files; ++i) {
        if (chance(4))
            text += chance(50) ? "CHAPTER=3\n  MODIFIED=2002/03/04 05:06:07\n" : "\n  SIZE=9\n";
        if (chance(3))
            text += "ARCHIVE=G.J\n  MAXCHAPTER=" + std::to_string(2 + random() % 3) + "\n";
        if (!chance(8))
            name = "dir/F" + std::to_string(random() % 50);
        text += (chance(5) ? "file=" : "FILE=") + name + (chance(10) ? "\r\n" : "\n");
        const auto stamp = [&] {
            return chance(5) ? std::string("yesterday")
                             : "20" + std::to_string(10 + random() % 10) + "/0" +
                                   std::to_string(1 + random() % 9) + "/1" +
                                   std::to_string(random() % 9) + " 1" +
                                   std::to_string(random() % 9) + ":00:00";
        };
        if (!chance(5))
            text += "  CREATED=" + stamp() + "\n";
        if (!chance(5))
            text += "  MODIFIED=" + stamp() + "\n";
        if (!chance(5))
            text += "  LASTACCESS=" + stamp() + "\n";
        if (!chance(5))
            text += "  SIZE=" + std::string(chance(5) ? "0" : "") +
                    std::to_string(random() % 100000) + "\n";
        if (!chance(5)) {
            const unsigned first = random() % 4;
            text += "  CHAPTERSRANGE=" + std::to_string(first) + "-" +
                    std::to_string(first + random() % 3) + "\n";
        }
        text += "  ATTRIBUTES=" + std::to_string(random() % 40) + "\n";
    }
    return text;
}

} // namespace

TEST(DumpPieces, RecordedListingsCutAnywhere) {
    for (const auto& entry : std::filesystem::directory_iterator(BRAK_TEST_DATA "/dumps"))
        expectSameEverywhere(test::readFile(entry.path().string()));
}

TEST(DumpPieces, GeneratedListingsCutAnywhere) {
    for (unsigned seed = 1; seed <= 6; ++seed)
        expectSameEverywhere(generated(seed, 60));
    // The same listings where only the pieces together reach a limit, or a
    // value cannot be read.
    DumpLimits few;
    few.maxFileEntries = 50;
    few.maxTextBytes = 400;
    for (unsigned seed = 1; seed <= 3; ++seed) {
        expectSameEverywhere(generated(seed, 60), few);
        std::string text = generated(seed, 60);
        text.insert(text.rfind("  SIZE="), "  SIZE=-5\n  SIZE=x\n");
        expectSameEverywhere(text);
    }
    // Sizes that only overflow the sum together.
    const std::string big = "  SIZE=" + std::to_string(INT64_MAX / 2 + 1) + "\n";
    std::string text = "FILE=A\n  CHAPTERSRANGE=1-1\n" + big + "  ATTRIBUTES=0\n";
    expectSameEverywhere(text + text + text);
}

TEST(DumpPieces, SplitsAtFileLinesNearEvenShares) {
    const std::string text = generated(7, 3000);
    const DumpSource source = [&text](std::uint64_t offset, char* out, std::size_t size) {
        size =
            std::min<std::size_t>(size, text.size() - std::min<std::size_t>(offset, text.size()));
        std::memcpy(out, text.data() + offset, size);
        return size;
    };
    const auto splits = dumpSplits(source, text.size(), 4);
    ASSERT_EQ(splits.size(), 3u);
    for (std::size_t k = 0; k < splits.size(); ++k) {
        EXPECT_EQ(text.compare(splits[k] - 1, 6, "\nFILE="), 0);
        EXPECT_NEAR(static_cast<double>(splits[k]), text.size() * (k + 1) / 4.0, 200.0);
    }
    EXPECT_EQ(read(text, splits, {}), read(text, {0}, {}));
}

// A large listing given up leaves its storage to the next one read in
// pieces, which must read only what is its own.
TEST(DumpPieces, AListingReadInTheStorageOfTheOneBeforeIsItsOwn) {
    for (const auto& [seed, files] : {std::pair{8u, 70000}, std::pair{9u, 60000}}) {
        const std::string text = generated(seed, files);
        const std::uint64_t half = text.find("\nFILE=", text.size() / 2) + 1;
        EXPECT_EQ(read(text, {half}, {}), read(text, {0}, {})) << seed;
    }
}
