// Reading Jar's technical listing: recorded dumps, odd ones written by hand,
// the letter tables and number texts, and listings meant to break the reader.
#include "TempDir.h"
#include "contents/Contents.h"
#include "contents/DumpFormat.h"
#include "contents/DumpReader.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace brak;

namespace {

using Row = std::array<std::string, FileColumnCount>;
using Details = std::array<std::string, DetailCount>;
using Chapter = std::array<std::string, 6>;
using Texts = std::vector<std::string>;

const std::string Dumps = std::string(BRAK_TEST_DATA) + "/dumps/";
const std::string Archive = "ARCHIVE=T.J\r\n  MAXCHAPTER=3\r\n";

DumpReader readRecorded(const std::string& name) {
    DumpReader reader;
    EXPECT_TRUE(readDumpFile(Dumps + name, reader)) << name;
    return reader;
}

DumpReader readText(const std::string& text, DumpLimits limits = {}) {
    DumpReader reader(limits);
    reader.feed(text);
    reader.finish();
    return reader;
}

// The reader's error, or "" when it read the text through.
template <typename ErrorType = Error>
std::string errorOf(const std::string& text, DumpLimits limits = {}) {
    try {
        readText(text, limits);
    } catch (const ErrorType& error) {
        return error.what();
    }
    return {};
}

Texts column(const DumpReader& reader, int col) {
    Texts texts;
    for (const Row& row : reader.rows().expand())
        texts.push_back(row[static_cast<std::size_t>(col)]);
    return texts;
}

} // namespace

TEST(DumpReader, RecordedStandInListing) {
    const DumpReader reader = readRecorded("stand_in_three_chapters.dmp");
    EXPECT_EQ(reader.details(), (Details{".....", "2026/12/06", "20:13:02", "2026/12/06",
                                         "20:13:02", "0100", "0100", "0100", "0100"}));
    EXPECT_EQ(reader.maxChapter(), 3);
    ASSERT_EQ(reader.chapters().size(), 3u);
    EXPECT_EQ(reader.chapters().at(3).cells,
              (Chapter{"3", "......", "2026/12/06", "20:13:02", "2026/12/06", "20:13:02"}));

    // One row per file and chapter, in the order of the listing; names keep their case.
    EXPECT_EQ(
        column(reader, ColName),
        (Texts{".hidden", ".hidden", ".hidden", "data.bin", "data.bin", "notes.txt", "readme.txt",
               "readme.txt", "readme.txt", "notes.txt", "notes.txt", "extra.txt"}));
    EXPECT_EQ(column(reader, ColChapter),
              (Texts{"1", "2", "3", "1", "2", "1", "1", "2", "3", "2", "3", "3"}));
    EXPECT_EQ(reader.rows().expand()[6],
              (Row{"readme.txt", "1234", "A..R.", "1998/09/14", "06:33:00", "2026/12/06",
                   "20:13:02", "1998/09/14", "00:00:00", "1"}));
    EXPECT_EQ(reader.sizeSum(), 1 + 2000 + 13 + 1234 + 22 + 5);
}

TEST(DumpReader, OddListingWrittenByHand) {
    const DumpReader reader = readRecorded("odd_keys.dmp");
    // Lower-case keys match; four blanks or a tab make no sub-key, and the
    // tab line ends the section; values other than names are upper case; a
    // blank before "=" belongs to the key.
    EXPECT_EQ(reader.details(), (Details{"AHSRD", "1999/01/02", "03:04:05", "2000/02/29",
                                         "23:59:59", "0102", "0050", "ABC", ""}));
    EXPECT_EQ(reader.maxChapter(), 4);
    const auto& chapters = reader.chapters();
    EXPECT_EQ(chapters.at(1).cells,
              (Chapter{"1", "L....E", "1998/09/15", "07:00:00", "1998/09/14", "06:30:00"}));
    EXPECT_EQ(chapters.at(2).written, 0b11) << "the unknown section's FLAGS went nowhere";
    EXPECT_EQ(chapters.at(2).cells[1], "......");
    EXPECT_EQ(chapters.count(3), 0u);
    EXPECT_EQ(chapters.at(4).cells,
              (Chapter{"4", "..R...", "2001/01/01", "00:00:00", "2001/01/01", "00:00:01"}));

    const auto rows = reader.rows().expand();
    ASSERT_EQ(rows.size(), 5u) << "chapters 2 to 4, then one each; the FILE line without = "
                                  "ended the last section";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(
            (Texts{rows[i][ColName], rows[i][ColSize], rows[i][ColFlags], rows[i][ColChapter]}),
            (Texts{"Mixed Case.txt", "0X10", ".H...", std::to_string(i + 2)}));
    EXPECT_EQ(rows[3][ColName], "a=b.txt") << "the value starts after the first =";
    EXPECT_EQ(rows[3][ColFlags], "....D");
    EXPECT_EQ(rows[3][ColModifyDate], "1998/09/14") << "omitted fields keep the last file's";
    EXPECT_EQ(rows[3][ColAccessTime], "00:00:00");
    EXPECT_GT(rows[4][ColName].size(), 300u) << "a long line is read whole";
    EXPECT_EQ(rows[4][ColName].substr(0, 10), "deep/deep/");
    EXPECT_EQ(rows[4][ColSize], "300000000000");
    EXPECT_EQ(reader.sizeSum(), 16 + 7 + 300000000000LL);

    const DumpReader none = readRecorded("max_chapter_zero.dmp");
    EXPECT_EQ(none.maxChapter(), 0);
    EXPECT_EQ(none.rows().rowCount(), 0u) << "no chapter, no rows";
    EXPECT_EQ(none.details()[DetailFlag], "A....");
    EXPECT_EQ(none.sizeSum(), 10);
}

// A file section that omits a field takes the last file's; one that ends
// before any range gives no row; chapter sub-keys before a CHAPTER line have
// no row to go to. Sizes and their sum go beyond 32 bits; dates and times
// that are not Jar's keep their text.
TEST(DumpReader, RecordsCarryOver) {
    const DumpReader reader = readText(Archive + "CHAPTER\n  FLAGS=1\n"
                                                 "FILE=early\n  ATTRIBUTES=1\n"
                                                 "FILE=a\n  SIZE=4294967296\n  CHAPTERSRANGE=2-3\n"
                                                 "  ATTRIBUTES=1\n"
                                                 "FILE=b\n  ATTRIBUTES=4\n"
                                                 "FILE=c\n  SIZE=3000000000\n  ATTRIBUTES=0\n");
    EXPECT_TRUE(reader.chapters().empty()) << "no CHAPTER= line, no chapter row";
    EXPECT_EQ(column(reader, ColName), (Texts{"a", "a", "b", "b", "c", "c"}))
        << "no row before a range; b and c keep a's range";
    EXPECT_EQ(column(reader, ColSize), (Texts{"4294967296", "4294967296", "4294967296",
                                              "4294967296", "3000000000", "3000000000"}));
    EXPECT_EQ(column(reader, ColFlags)[2], "..S..");
    EXPECT_EQ(column(reader, ColChapter)[3], "3");
    EXPECT_EQ(reader.sizeSum(), 7294967296LL);

    const Row row = readText(Archive + "FILE=f\n  MODIFIED=0000/00/00 99:99:99\n"
                                       "  CREATED=1998/9/14 6:30\n"
                                       "  LASTACCESS=2001/01/01 12:3a:00\n  CHAPTERSRANGE=1-1\n"
                                       "  ATTRIBUTES=0\n")
                        .rows()
                        .expand()
                        .at(0);
    EXPECT_EQ(std::vector<std::string>(row.begin() + ColModifyDate, row.begin() + ColChapter),
              (Texts{"0000/00/00", "99:99:99", "1998/9/14", "6:30", "2001/01/01", "12:3A:00"}));
}

TEST(DumpFormat, LetterTablesAndNumberTexts) {
    EXPECT_EQ((Texts{archiveFlagLetters(0), archiveFlagLetters(5), archiveFlagLetters(31),
                     archiveFlagLetters(32), chapterFlagLetters(0), chapterFlagLetters(33),
                     chapterFlagLetters(63), fileAttributeLetters(9), fileAttributeLetters(16),
                     fileAttributeLetters(-1)}),
              (Texts{".....", "A.S..", "AHSRD", ".....", "......", "L....E", "LARSHE", "A..R.",
                     "....D", "AHSRD"}))
        << "bit 32 has no letter";
    EXPECT_EQ((Texts{FormatThousands(0), FormatThousands(999), FormatThousands(1000),
                     FormatThousands(1234567), FormatThousands(1000000), FormatThousands(-1234),
                     FormatThousands(5'000'000'000LL), FormatThousands(INT64_MIN)}),
              (Texts{"0", "999", "1,000", "1,234,567", "1,000,000", "-1,234", "5,000,000,000",
                     "-9,223,372,036,854,775,808"}));
    EXPECT_EQ((Texts{ratioText(2000, 1000), ratioText(1000, 3000),
                     ratioText(6'000'000'000LL, 3'000'000'000LL), ratioText(1000, 0),
                     ratioText(1000, -1)}),
              (Texts{"1:2", "1:0.3333333333", "1:2", "", ""}))
        << "no ratio for an empty or unreadable archive";
    EXPECT_EQ(
        (std::vector<std::string_view>{
            datePart("1998/09/14 06:30:00"), timePart("1998/09/14 06:30:00"),
            timePart("1998/09/14 06:30:00.123"), datePart("1998/09/14"), timePart("1998/09/14")}),
        (std::vector<std::string_view>{"1998/09/14", "06:30:00", "06:30:00", "1998/09/14", ""}));
}

TEST(DumpFormat, DatesTimesAndSixtyFourBitIntegers) {
    std::int64_t days = 0, leap = 0, seconds = 0, value = 0;
    ASSERT_TRUE(dateDays("0001/01/01", days));
    EXPECT_EQ(days, 0);
    ASSERT_TRUE(dateDays("2000/03/01", days) && dateDays("2000/02/29", leap));
    EXPECT_EQ(days - leap, 1);
    for (const char* bad : {"1999/02/29", "1998/13/01", ""})
        EXPECT_FALSE(dateDays(bad, days)) << bad;
    ASSERT_TRUE(timeSeconds("23:59:59", seconds));
    EXPECT_EQ(seconds, 86399);
    EXPECT_FALSE(timeSeconds("24:00:00", seconds) || timeSeconds("06:3x:00", seconds));

    EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(StrToInt64("$FF"), 255);
    EXPECT_EQ(StrToInt64(" 12"), 12);
    for (const char* bad : {"9223372036854775808", "", "12 ", "-"})
        EXPECT_FALSE(tryStrToInt64(bad, value)) << bad;
    try {
        StrToInt64("12X");
        FAIL();
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "'12X' is not a valid integer value");
    }
}

TEST(DumpReader, ValuesThatAreNoNumberOrOutOfRange) {
    const std::pair<std::string, std::string> cases[] = {
        {"ARCHIVE=X\n  FLAGS=one\n", "'ONE' is not a valid integer value"},
        {"ARCHIVE=X\n  MAXCHAPTER=\n", "'' is not a valid integer value"},
        {"CHAPTER=1.5\n", "'1.5' is not a valid integer value"},
        {"CHAPTER=1\n  FLAGS=x\n", "'X' is not a valid integer value"},
        {"FILE=f\n  SIZE=--1\n", "'--1' is not a valid integer value"},
        {"FILE=f\n  ATTRIBUTES=A\n", "'A' is not a valid integer value"},
        // Without "-" the number before it is empty; a leading "-" is no number.
        {"FILE=f\n  CHAPTERSRANGE=5\n", "'' is not a valid integer value"},
        {"FILE=f\n  CHAPTERSRANGE=-5-3\n", "'' is not a valid integer value"},
        {"FILE=f\n  CHAPTERSRANGE=1-x\n", "'X' is not a valid integer value"},
        // Flags and attributes are 32-bit numbers.
        {"FILE=f\n  ATTRIBUTES=2147483648\n", "'2147483648' is not a valid integer value"},
        {"FILE=f\n  ATTRIBUTES=-2147483649\n", "'-2147483649' is not a valid integer value"},
        {"FILE=f\n  ATTRIBUTES=2147483647\n", ""},
        {"ARCHIVE=X\n  MAXCHAPTER=2000000000\n",
         "The archive listing's last chapter, 2000000000, is outside 0 to 65,535"},
        {"ARCHIVE=X\n  MAXCHAPTER=-1\n",
         "The archive listing's last chapter, -1, is outside 0 to 65,535"},
        {"CHAPTER=0\n", "Chapter 0 of the archive listing is outside 1 to 65,535"},
        {"CHAPTER=65536\n", "Chapter 65536 of the archive listing is outside 1 to 65,535"},
        {"ARCHIVE=X\n  MAXCHAPTER=65535\nCHAPTER=65535\n", ""}};
    for (const auto& [text, error] : cases)
        EXPECT_EQ(errorOf(text), error) << text;

    // A range of two billion chapters gives rows only where a chapter can be shown.
    const std::string wide = "FILE=f\n  CHAPTERSRANGE=0-2000000000\n  ATTRIBUTES=0\n";
    EXPECT_EQ(readText("ARCHIVE=X\n  MAXCHAPTER=3\n" + wide).rows().rowCount(), 3u);
    const DumpReader unbounded = readText(wide);
    EXPECT_EQ(unbounded.rows().rowCount(), 65535u) << "without MAXCHAPTER, at most 65,535";
    EXPECT_EQ(unbounded.rows().groups().size(), 1u) << "stored once, not once per chapter";
    EXPECT_EQ(readText(Archive + "FILE=f\n  CHAPTERSRANGE=3-1\n  ATTRIBUTES=0\n").rows().rowCount(),
              0u);

    const std::string max = "  SIZE=9223372036854775807\n";
    EXPECT_EQ(errorOf<DumpLimitError>("FILE=f\n" + max + "FILE=g\n" + max),
              "The file sizes in the archive listing add up to more than "
              "9,223,372,036,854,775,807 bytes");
    EXPECT_EQ(readText("FILE=f\n  SIZE=-5\n  SIZE=2\n").sizeSum(), -3);
}

TEST(DumpReader, LimitsStopReadingAndKeepWhatWasRead) {
    DumpLimits limits;
    limits.maxLineLength = 100;
    EXPECT_EQ(errorOf<DumpLimitError>("ARCHIVE=X\nFILE=" + std::string(200, 'n') + "\n", limits),
              "Line 2 of the archive listing is longer than 100 characters");
    DumpReader direct(limits);
    EXPECT_THROW(direct.feedLine(std::string(101, 'x')), DumpLimitError);
    // Exactly at the limit, with or without a carriage return, is fine.
    EXPECT_EQ(errorOf("FILE=" + std::string(95, 'n') + "\r\n", limits), "");

    limits = {};
    limits.maxFileEntries = 3;
    DumpReader reader(limits);
    std::string files;
    for (int i = 0; i < 5; ++i)
        files += "FILE=f" + std::to_string(i) + "\n  CHAPTERSRANGE=1-2\n  ATTRIBUTES=0\n";
    EXPECT_THROW(reader.feed(files), DumpLimitError);
    EXPECT_EQ(reader.rows().rowCount(), 6u) << "the first three files stay";

    limits = {};
    limits.maxTextBytes = 4096;
    std::string dates;
    for (int i = 0; i < 100; ++i)
        dates += "FILE=f\n  CREATED=" + std::to_string(1000 + i) + "-01-01 00:00:00\n";
    EXPECT_NE(errorOf<DumpLimitError>(dates, limits).find("take more than 4,096 bytes"),
              std::string::npos);

    limits = {};
    limits.maxDumpBytes = 1000;
    EXPECT_EQ(errorOf<DumpLimitError>(std::string(1001, '\n'), limits),
              "The archive listing is larger than 1,000 bytes");
}

TEST(DumpReader, GarbageNeverBreaksTheReader) {
    // Recorded garbage and every truncation of a real listing: errors, never a crash.
    DumpReader garbage;
    try {
        readDumpFile(Dumps + "binary_garbage.dmp", garbage);
    } catch (const Error&) {
    }
    EXPECT_EQ(garbage.rows().rowCount(), 0u);
    using namespace std::string_literals;
    EXPECT_EQ(errorOf("ARCHIVE=\0X\n  FLAGS=\0\n"s), "'' is not a valid integer value")
        << "a NUL is a control character, trimmed like a blank";
    EXPECT_EQ(readText("").rows().rowCount(), 0u);
    const std::string recorded = test::readFile(Dumps + "stand_in_three_chapters.dmp");
    std::uint64_t rows = 0;
    for (std::size_t cut = 0; cut <= recorded.size(); ++cut) {
        try {
            rows = readText(recorded.substr(0, cut)).rows().rowCount();
        } catch (const Error&) {
        }
    }
    EXPECT_EQ(rows, 12u) << "the whole listing, read last";
}

// Lines in Jar's usual form are read by a shorter way when a piece holds
// them whole; every line, usual or odd, with either line end, must read the
// same either way, and the same as a last line without a line end.
TEST(DumpReader, WholeAndBytewiseReadAlike) {
    const std::string padding = "  COMMENT=" + std::string(80, '-');
    // The lines, parted by "|".
    const std::string lines =
        "  SIZE=0|  SIZE=007|  SIZE=-5|  SIZE=+5|  SIZE=0x10|  SIZE= 12 \t|  SIZE=12345678|"
        "  SIZE=1234567890123456|  SIZE=12345678901234567|  SIZE=9223372036854775807|"
        "  SIZE=9223372036854775808|  SIZE=|  Size=5|  SIZE =5|"
        "  CREATED=1998/09/14 06:30:00|  MODIFIED=1998/09/14 06:30:00 |"
        "  LASTACCESS=1998/09/14 06:30:00.5|  CREATED=1998/9/14 06:30:00|"
        "  MODIFIED= 1998/09/14 06:30:00|  CREATED=1998-09-14 06:30:00|"
        "  created=1998/09/14 06:30:00|  MODIFIED=2001/01/01 12:3a:00|"
        "  LASTACCESS=1998/09/14  06:30:00|  CREATED=1998/09/14 06:30:0|   CREATED=1998|"
        "  CHAPTERSRANGE=2-3|  CHAPTERSRANGE=02-03|  CHAPTERSRANGE=123456789-2|"
        "  CHAPTERSRANGE=1-x|  CHAPTERSRANGE=3|  CHAPTERSRANGE=1-2 |  ATTRIBUTES=31|"
        "  ATTRIBUTES=123456789|  ATTRIBUTES=99999999999|  ATTRIBUTES=|  ATTRIBUTES=1\r|"
        "FILE= blanks around |FILE=\tx|FILE=a=b|FILE|file=lower";
    struct Read {
        std::string error;
        std::vector<Row> rows;
        std::int64_t sizeSum = 0;
        std::uint64_t lines = 0;
        bool operator==(const Read&) const = default;
    };
    auto read = [](const std::string& text, std::size_t piece) {
        DumpReader reader;
        Read result;
        try {
            for (std::size_t at = 0; at < text.size(); at += piece)
                reader.feed(std::string_view(text).substr(at, piece));
            reader.finish();
        } catch (const Error& error) {
            result.error = error.what();
        }
        result = {result.error, reader.rows().expand(), reader.sizeSum(), reader.lineCount()};
        return result;
    };
    std::istringstream parts(lines);
    for (std::string line; std::getline(parts, line, '|');) {
        std::vector<Read> reads;
        for (const std::string end : {"\n", "\r\n"}) {
            const std::string text = Archive + "FILE=f" + end + "  SIZE=1" + end +
                                     "  CHAPTERSRANGE=1-2" + end + line + end + "  ATTRIBUTES=1" +
                                     end + padding;
            reads.push_back(read(text + end, text.size() + 2));
            EXPECT_EQ(read(text + end, 1), reads.back()) << line;
            EXPECT_EQ(read(text, text.size()), reads.back()) << line;
        }
        EXPECT_EQ(reads[0], reads[1]) << line << ": LF and CR LF";
    }
    EXPECT_EQ(read(Archive + "FILE=f\n  CHAPTERSRANGE=1-1\n  ATTRIBUTES=1", 100).rows.size(), 1u)
        << "a last line without a line end";
}

// Names never span two chunks of storage, whatever their lengths, up to the
// longest a row may hold; the storage after the first chunk is filled ahead.
TEST(RowList, NamesOverManyChunksReadBackWhole) {
    RowList list;
    std::vector<std::pair<RowList::Record, std::string>> stored;
    auto add = [&](std::string name) {
        RowList::Record record;
        const auto [offset, length] = list.addName(name);
        record.nameOffset = offset;
        record.nameLength = length;
        stored.emplace_back(record, std::move(name));
    };
    for (int i = 0; i < 3000; ++i)
        add(std::string(static_cast<std::size_t>(700 + i * 37 % 1500),
                        static_cast<char>('a' + i % 26)) +
            std::to_string(i));
    add(std::string(RowList::MaxNameLength, 'x'));
    add("after the longest");
    add("");
    for (const auto& [record, name] : stored)
        ASSERT_EQ(list.name(record), name) << name.substr(0, 20);
    EXPECT_THROW(list.addName(std::string(RowList::MaxNameLength + 1, 'y')), std::length_error);
}
