// Reading Jar's technical listing: recorded dumps, odd ones written by hand,
// the letter tables and number texts, and listings meant to break the reader.
#include "contents/Contents.h"
#include "contents/DumpFormat.h"
#include "contents/DumpReader.h"

#include <gtest/gtest.h>

using namespace brak;

namespace {

using Row = std::array<std::string, FileColumnCount>;

const std::string Dumps = std::string(BRAK_TEST_DATA) + "/dumps/";

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

std::vector<std::string> column(const DumpReader& reader, int col) {
    std::vector<std::string> texts;
    for (const Row& row : reader.rows().expand())
        texts.push_back(row[static_cast<std::size_t>(col)]);
    return texts;
}

const std::string Archive = "ARCHIVE=T.J\r\n  MAXCHAPTER=3\r\n";

} // namespace

TEST(DumpReader, RecordedStandInListing) {
    const DumpReader reader = readRecorded("stand_in_three_chapters.dmp");
    const auto& d = reader.details();
    EXPECT_EQ(d[DetailFlag], ".....");
    EXPECT_EQ(d[DetailCreateDate], "2026/12/06");
    EXPECT_EQ(d[DetailCreateTime], "20:13:02");
    EXPECT_EQ(d[DetailCreate], "0100");
    EXPECT_EQ(d[DetailList], "0100");
    EXPECT_EQ(reader.maxChapter(), 3);
    ASSERT_EQ(reader.chapters().size(), 3u);
    const ChapterRow& third = reader.chapters().at(3);
    EXPECT_EQ(third.cells, (std::array<std::string, 6>{"3", "......", "2026/12/06", "20:13:02",
                                                       "2026/12/06", "20:13:02"}));

    // One row per file and chapter, in the order of the listing; names keep their case.
    EXPECT_EQ(column(reader, ColName),
              (std::vector<std::string>{".hidden", ".hidden", ".hidden", "data.bin", "data.bin",
                                        "notes.txt", "readme.txt", "readme.txt", "readme.txt",
                                        "notes.txt", "notes.txt", "extra.txt"}));
    EXPECT_EQ(column(reader, ColChapter), (std::vector<std::string>{"1", "2", "3", "1", "2", "1",
                                                                    "1", "2", "3", "2", "3", "3"}));
    const Row readme = reader.rows().expand()[6];
    EXPECT_EQ(readme, (Row{"readme.txt", "1234", "A..R.", "1998/09/14", "06:33:00", "2026/12/06",
                           "20:13:02", "1998/09/14", "00:00:00", "1"}));
    EXPECT_EQ(reader.sizeSum(), 1 + 2000 + 13 + 1234 + 22 + 5);
}

TEST(DumpReader, SmallListingWithCrLf) {
    const DumpReader reader = readRecorded("two_chapters.dmp");
    EXPECT_EQ(reader.chapters().at(1).cells,
              (std::array<std::string, 6>{"1", "......", "1998/09/14", "06:30:00", "1998/09/14",
                                          "06:30:00"}));
    EXPECT_EQ(reader.chapters().at(2).cells[2], "1998/09/15");
    EXPECT_EQ(reader.chapters().at(2).cells[3], "08:00:00");
    const auto rows = reader.rows().expand();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (Row{"readme.txt", "1234", "A....", "1998/09/14", "06:30:00", "1998/09/14",
                            "06:30:00", "1998/09/14", "00:00:00", "1"}));
    Row second = rows[0];
    second[ColChapter] = "2";
    EXPECT_EQ(rows[1], second) << "the rows differ only in the chapter";
}

TEST(DumpReader, OddListingWrittenByHand) {
    const DumpReader reader = readRecorded("odd_keys.dmp");
    const auto& d = reader.details();
    EXPECT_EQ(d[DetailFlag], "AHSRD") << "lower-case keys match; the tab line ended the section";
    EXPECT_EQ(d[DetailCreateDate], "1999/01/02");
    EXPECT_EQ(d[DetailCreateTime], "03:04:05");
    EXPECT_EQ(d[DetailModifyTime], "23:59:59");
    EXPECT_EQ(d[DetailCreate], "0102") << "four blanks or a tab make no sub-key";
    EXPECT_EQ(d[DetailExtract], "ABC") << "values other than names are upper case";
    EXPECT_EQ(d[DetailList], "") << "a blank before \"=\" belongs to the key";
    EXPECT_EQ(reader.maxChapter(), 4);

    const auto& chapters = reader.chapters();
    EXPECT_EQ(chapters.at(1).cells,
              (std::array<std::string, 6>{"1", "L....E", "1998/09/15", "07:00:00", "1998/09/14",
                                          "06:30:00"}));
    EXPECT_EQ(chapters.at(2).written, 0b11) << "the unknown section's FLAGS went nowhere";
    EXPECT_EQ(chapters.at(2).cells[1], "......");
    EXPECT_EQ(chapters.count(3), 0u);
    EXPECT_EQ(chapters.at(4).cells,
              (std::array<std::string, 6>{"4", "..R...", "2001/01/01", "00:00:00", "2001/01/01",
                                          "00:00:01"}));

    const auto rows = reader.rows().expand();
    ASSERT_EQ(rows.size(), 5u) << "chapters 2 to 4, then one each; the FILE line without = "
                                  "ended the last section";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i][ColName], "Mixed Case.txt");
        EXPECT_EQ(rows[i][ColSize], "0X10");
        EXPECT_EQ(rows[i][ColFlags], ".H...");
        EXPECT_EQ(rows[i][ColChapter], std::to_string(i + 2));
    }
    EXPECT_EQ(rows[3][ColName], "a=b.txt") << "the value starts after the first =";
    EXPECT_EQ(rows[3][ColFlags], "....D");
    EXPECT_EQ(rows[3][ColModifyDate], "1998/09/14") << "omitted fields keep the last file's";
    EXPECT_EQ(rows[3][ColAccessTime], "00:00:00");
    EXPECT_GT(rows[4][ColName].size(), 300u) << "a long line is read whole";
    EXPECT_EQ(rows[4][ColName].substr(0, 10), "deep/deep/");
    EXPECT_EQ(rows[4][ColSize], "300000000000");
    EXPECT_EQ(reader.sizeSum(), 16 + 7 + 300000000000LL);
}

TEST(DumpReader, MaxChapterZeroGivesNoRows) {
    const DumpReader reader = readRecorded("max_chapter_zero.dmp");
    EXPECT_EQ(reader.maxChapter(), 0);
    EXPECT_EQ(reader.rows().rowCount(), 0u);
    EXPECT_EQ(reader.details()[DetailFlag], "A....");
    EXPECT_EQ(reader.sizeSum(), 10);
}

TEST(DumpReader, LineEndsAndChunks) {
    const std::string lf = "ARCHIVE=X\n  FLAGS=3\nFILE=f\n  SIZE=1\n  CHAPTERSRANGE=1-1\n"
                           "  ATTRIBUTES=1";
    // The last line has no line end; CR LF and LF read alike.
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& text : {lf, crlf}) {
        const DumpReader whole = readText(text);
        EXPECT_EQ(whole.details()[DetailFlag], "AH...");
        EXPECT_EQ(whole.rows().rowCount(), 1u);
        DumpReader bytewise;
        for (char c : text)
            bytewise.feed(std::string_view(&c, 1));
        bytewise.finish();
        EXPECT_EQ(bytewise.rows().expand(), whole.rows().expand());
        EXPECT_EQ(bytewise.lineCount(), 6u);
    }
}

// A file section that omits a field takes the last file's; one that ends
// before any range gives no row; chapter sub-keys before a CHAPTER line have
// no row to go to.
TEST(DumpReader, RecordsCarryOver) {
    const DumpReader reader = readText(Archive + "CHAPTER\n  FLAGS=1\n"
                                                 "FILE=early\n  ATTRIBUTES=1\n"
                                                 "FILE=a\n  SIZE=5\n  CHAPTERSRANGE=2-3\n"
                                                 "  ATTRIBUTES=1\n"
                                                 "FILE=b\n  ATTRIBUTES=4\n");
    EXPECT_TRUE(reader.chapters().empty()) << "no CHAPTER= line, no chapter row";
    const auto rows = reader.rows().expand();
    ASSERT_EQ(rows.size(), 4u) << "no row before a range; b keeps a's range and size";
    EXPECT_EQ(rows[2][ColName], "b");
    EXPECT_EQ(rows[2][ColSize], "5");
    EXPECT_EQ(rows[2][ColFlags], "..S..");
    EXPECT_EQ(rows[3][ColChapter], "3");
    EXPECT_EQ(reader.sizeSum(), 5);
}

TEST(DumpReader, DatesAndTimesKeepTheirText) {
    const DumpReader reader =
        readText(Archive + "FILE=f\n  MODIFIED=0000/00/00 99:99:99\n  CREATED=1998/9/14 6:30\n"
                           "  LASTACCESS=2001/01/01 12:3a:00\n  CHAPTERSRANGE=1-1\n"
                           "  ATTRIBUTES=0\n");
    const Row row = reader.rows().expand().at(0);
    EXPECT_EQ(row[ColModifyDate], "0000/00/00");
    EXPECT_EQ(row[ColModifyTime], "99:99:99");
    EXPECT_EQ(row[ColCreateDate], "1998/9/14");
    EXPECT_EQ(row[ColCreateTime], "6:30");
    EXPECT_EQ(row[ColAccessDate], "2001/01/01");
    EXPECT_EQ(row[ColAccessTime], "12:3A:00");
}

TEST(DumpFormat, LetterTables) {
    EXPECT_EQ(archiveFlagLetters(0), ".....");
    EXPECT_EQ(archiveFlagLetters(5), "A.S..");
    EXPECT_EQ(archiveFlagLetters(31), "AHSRD");
    EXPECT_EQ(archiveFlagLetters(32), ".....") << "bit 32 has no letter";
    EXPECT_EQ(chapterFlagLetters(0), "......");
    EXPECT_EQ(chapterFlagLetters(33), "L....E");
    EXPECT_EQ(chapterFlagLetters(63), "LARSHE");
    EXPECT_EQ(fileAttributeLetters(9), "A..R.");
    EXPECT_EQ(fileAttributeLetters(16), "....D");
    EXPECT_EQ(fileAttributeLetters(-1), "AHSRD");
}

TEST(DumpFormat, ThousandsAndRatio) {
    EXPECT_EQ(FormatThousands(0), "0");
    EXPECT_EQ(FormatThousands(100), "100");
    EXPECT_EQ(FormatThousands(999), "999");
    EXPECT_EQ(FormatThousands(1000), "1,000");
    EXPECT_EQ(FormatThousands(1234567), "1,234,567");
    EXPECT_EQ(FormatThousands(1000000), "1,000,000");
    EXPECT_EQ(FormatThousands(-1234), "-1,234");
    EXPECT_EQ(FormatThousands(5'000'000'000LL), "5,000,000,000");
    EXPECT_EQ(FormatThousands(INT64_MIN), "-9,223,372,036,854,775,808");

    EXPECT_EQ(ratioText(2000, 1000), "1:2");
    EXPECT_EQ(ratioText(1000, 3000), "1:0.3333333333");
    EXPECT_EQ(ratioText(6'000'000'000LL, 3'000'000'000LL), "1:2") << "64-bit sizes";
    EXPECT_EQ(ratioText(1000, 0), "") << "an empty archive gives no ratio";
    EXPECT_EQ(ratioText(1000, -1), "") << "an unreadable archive gives no ratio";
}

TEST(DumpFormat, DateAndTimeParts) {
    EXPECT_EQ(datePart("1998/09/14 06:30:00"), "1998/09/14");
    EXPECT_EQ(timePart("1998/09/14 06:30:00"), "06:30:00");
    EXPECT_EQ(timePart("1998/09/14 06:30:00.123"), "06:30:00") << "eight characters";
    EXPECT_EQ(datePart("1998/09/14"), "1998/09/14");
    EXPECT_EQ(timePart("1998/09/14"), "");

    std::int64_t days = 0, seconds = 0;
    ASSERT_TRUE(dateDays("0001/01/01", days));
    EXPECT_EQ(days, 0);
    ASSERT_TRUE(dateDays("2000/03/01", days));
    std::int64_t leap = 0;
    ASSERT_TRUE(dateDays("2000/02/29", leap));
    EXPECT_EQ(days - leap, 1);
    EXPECT_FALSE(dateDays("1999/02/29", days));
    EXPECT_FALSE(dateDays("1998/13/01", days));
    EXPECT_FALSE(dateDays("", days));
    ASSERT_TRUE(timeSeconds("23:59:59", seconds));
    EXPECT_EQ(seconds, 86399);
    EXPECT_FALSE(timeSeconds("24:00:00", seconds));
    EXPECT_FALSE(timeSeconds("06:3x:00", seconds));
}

TEST(DumpFormat, SixtyFourBitIntegers) {
    EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(StrToInt64("$FF"), 255);
    EXPECT_EQ(StrToInt64(" 12"), 12);
    std::int64_t value = 0;
    EXPECT_FALSE(tryStrToInt64("9223372036854775808", value));
    EXPECT_FALSE(tryStrToInt64("", value));
    EXPECT_FALSE(tryStrToInt64("12 ", value));
    EXPECT_FALSE(tryStrToInt64("-", value));
    try {
        StrToInt64("12X");
        FAIL();
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "'12X' is not a valid integer value");
    }
}

TEST(DumpReader, SizesBeyondThirtyTwoBits) {
    const DumpReader reader =
        readText(Archive + "FILE=big\n  SIZE=4294967296\n  CHAPTERSRANGE=1-1\n  ATTRIBUTES=0\n"
                           "FILE=bigger\n  SIZE=3000000000\n  ATTRIBUTES=0\n");
    EXPECT_EQ(reader.sizeSum(), 7294967296LL);
    EXPECT_EQ(column(reader, ColSize), (std::vector<std::string>{"4294967296", "3000000000"}));
}

TEST(DumpReader, BadIntegerStopsReadingAndKeepsWhatWasRead) {
    DumpReader reader;
    try {
        readDumpFile(Dumps + "bad_size.dmp", reader);
        FAIL() << "the bad size must raise the conversion error";
    } catch (const DumpLimitError&) {
        FAIL() << "a bad value is no limit";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "'12X' is not a valid integer value");
    }
    EXPECT_EQ(reader.details()[DetailFlag], ".H...");
    EXPECT_EQ(reader.chapters().at(1).cells[1], "L.....");
    EXPECT_EQ(column(reader, ColName), std::vector<std::string>{"first.txt"});
    EXPECT_EQ(reader.sizeSum(), 5);

    // Every value that must be a number.
    for (const char* line :
         {"ARCHIVE=X\n  FLAGS=one\n", "ARCHIVE=X\n  MAXCHAPTER=\n", "CHAPTER=1.5\n",
          "CHAPTER=1\n  FLAGS=x\n", "FILE=f\n  SIZE=--1\n", "FILE=f\n  ATTRIBUTES=A\n"})
        EXPECT_NE(errorOf(line).find("is not a valid integer value"), std::string::npos) << line;
    EXPECT_EQ(errorOf("FILE=f\n  CHAPTERSRANGE=5\n"), "'' is not a valid integer value")
        << "no \"-\": the number before it is empty";
    EXPECT_EQ(errorOf("FILE=f\n  CHAPTERSRANGE=-5-3\n"), "'' is not a valid integer value");
    EXPECT_EQ(errorOf("FILE=f\n  CHAPTERSRANGE=1-x\n"), "'X' is not a valid integer value");
}

TEST(DumpReader, HostileChapterNumbers) {
    EXPECT_EQ(errorOf("ARCHIVE=X\n  MAXCHAPTER=2000000000\n"),
              "The archive listing's last chapter, 2000000000, is outside 0 to 65,535");
    EXPECT_EQ(errorOf("ARCHIVE=X\n  MAXCHAPTER=-1\n"),
              "The archive listing's last chapter, -1, is outside 0 to 65,535");
    EXPECT_EQ(errorOf("CHAPTER=0\n"), "Chapter 0 of the archive listing is outside 1 to 65,535");
    EXPECT_EQ(errorOf("CHAPTER=65536\n"),
              "Chapter 65536 of the archive listing is outside 1 to 65,535");
    EXPECT_EQ(errorOf("ARCHIVE=X\n  MAXCHAPTER=65535\nCHAPTER=65535\n"), "");

    // A range of two billion chapters gives rows only where a chapter can be shown.
    const std::string file = "FILE=f\n  CHAPTERSRANGE=-2000000000-2000000000\n  ATTRIBUTES=0\n";
    EXPECT_EQ(errorOf(file), "'' is not a valid integer value") << "a leading - is no number";
    const std::string wide = "FILE=f\n  CHAPTERSRANGE=0-2000000000\n  ATTRIBUTES=0\n";
    EXPECT_EQ(readText("ARCHIVE=X\n  MAXCHAPTER=3\n" + wide).rows().rowCount(), 3u);
    const DumpReader unbounded = readText(wide);
    EXPECT_EQ(unbounded.rows().rowCount(), 65535u) << "without MAXCHAPTER, at most 65,535";
    EXPECT_EQ(unbounded.rows().groups().size(), 1u) << "stored once, not once per chapter";
    EXPECT_EQ(readText(Archive + "FILE=f\n  CHAPTERSRANGE=3-1\n  ATTRIBUTES=0\n").rows().rowCount(),
              0u);
}

TEST(DumpReader, HostileSizes) {
    const std::string max = "  SIZE=9223372036854775807\n";
    const std::string text = "FILE=f\n" + max + "FILE=g\n" + max;
    EXPECT_EQ(errorOf<DumpLimitError>(text),
              "The file sizes in the archive listing add up to more than "
              "9,223,372,036,854,775,807 bytes");
    EXPECT_EQ(readText("FILE=f\n  SIZE=-5\n  SIZE=2\n").sizeSum(), -3);
}

TEST(DumpReader, LimitsStopReadingAndKeepWhatWasRead) {
    DumpLimits limits;
    limits.maxLineLength = 100;
    const std::string longLine = "FILE=" + std::string(200, 'n') + "\n";
    EXPECT_EQ(errorOf<DumpLimitError>("ARCHIVE=X\n" + longLine, limits),
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
    EXPECT_THROW(
        {
            reader.feed(files);
            reader.finish();
        },
        DumpLimitError);
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
    std::string recorded;
    {
        std::FILE* file = std::fopen((Dumps + "stand_in_three_chapters.dmp").c_str(), "rb");
        ASSERT_NE(file, nullptr);
        char buffer[4096];
        recorded.assign(buffer, std::fread(buffer, 1, sizeof buffer, file));
        std::fclose(file);
    }
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
// them whole; every line, usual or odd, must read the same either way.
TEST(DumpReader, WholeAndBytewiseReadAlike) {
    const std::string padding = "  COMMENT=" + std::string(80, '-') + "\r\n";
    for (const std::string line : {"  SIZE=0",
                                   "  SIZE=007",
                                   "  SIZE=-5",
                                   "  SIZE=+5",
                                   "  SIZE=0x10",
                                   "  SIZE= 12 \t",
                                   "  SIZE=12345678",
                                   "  SIZE=1234567890123456",
                                   "  SIZE=12345678901234567",
                                   "  SIZE=9223372036854775807",
                                   "  SIZE=9223372036854775808",
                                   "  SIZE=",
                                   "  Size=5",
                                   "  SIZE =5",
                                   "  CREATED=1998/09/14 06:30:00",
                                   "  MODIFIED=1998/09/14 06:30:00 ",
                                   "  LASTACCESS=1998/09/14 06:30:00.5",
                                   "  CREATED=1998/9/14 06:30:00",
                                   "  MODIFIED= 1998/09/14 06:30:00",
                                   "  CREATED=1998-09-14 06:30:00",
                                   "  created=1998/09/14 06:30:00",
                                   "  MODIFIED=2001/01/01 12:3a:00",
                                   "  LASTACCESS=1998/09/14  06:30:00",
                                   "  CREATED=1998/09/14 06:30:0",
                                   "   CREATED=1998",
                                   "  CHAPTERSRANGE=2-3",
                                   "  CHAPTERSRANGE=02-03",
                                   "  CHAPTERSRANGE=123456789-2",
                                   "  CHAPTERSRANGE=1-x",
                                   "  CHAPTERSRANGE=3",
                                   "  CHAPTERSRANGE=1-2 ",
                                   "  ATTRIBUTES=31",
                                   "  ATTRIBUTES=123456789",
                                   "  ATTRIBUTES=99999999999",
                                   "  ATTRIBUTES=",
                                   "  ATTRIBUTES=1\r",
                                   "FILE= blanks around ",
                                   "FILE=\tx",
                                   "FILE=a=b",
                                   "FILE",
                                   "file=lower"}) {
        for (const char* end : {"\n", "\r\n"}) {
            std::string text = Archive + "FILE=f" + end + "  SIZE=1" + end + "  CHAPTERSRANGE=1-2" +
                               end + line + end + "  ATTRIBUTES=1" + end + padding;
            DumpReader whole, bytewise;
            std::string wholeError, bytewiseError;
            try {
                whole.feed(text);
                whole.finish();
            } catch (const Error& error) {
                wholeError = error.what();
            }
            try {
                for (const char c : text)
                    bytewise.feed(std::string_view(&c, 1));
                bytewise.finish();
            } catch (const Error& error) {
                bytewiseError = error.what();
            }
            EXPECT_EQ(wholeError, bytewiseError) << line;
            EXPECT_EQ(whole.rows().expand(), bytewise.rows().expand()) << line;
            EXPECT_EQ(whole.sizeSum(), bytewise.sizeSum()) << line;
            EXPECT_EQ(whole.lineCount(), bytewise.lineCount()) << line;
        }
    }
}
