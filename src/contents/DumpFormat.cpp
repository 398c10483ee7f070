#include "contents/DumpFormat.h"

#include "base/Convert.h"

#include <array>

namespace brak {

namespace {

std::string letters(std::int32_t flags, std::string_view table) {
    std::string text(table.size(), '.');
    const auto bits = static_cast<std::uint32_t>(flags);
    for (std::size_t bit = 0; bit < table.size(); ++bit)
        if (bits & (1u << bit))
            text[bit] = table[bit];
    return text;
}

// The 32 possible file letter texts, so that a million cells need no string.
const std::array<std::string, 32>& fileLetterTable() {
    static const std::array<std::string, 32> table = [] {
        std::array<std::string, 32> t;
        for (std::int32_t bits = 0; bits < 32; ++bits)
            t[static_cast<std::size_t>(bits)] = letters(bits, "AHSRD");
        return t;
    }();
    return table;
}

// The characters from position first (counted from 1) on, at most count of
// them; shorter, or empty, where the text ends first.
std::string copy(std::string_view text, std::size_t first, std::size_t count) {
    if (first > text.size())
        return {};
    return std::string(text.substr(first - 1, count));
}

bool isLeapYear(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

} // namespace

std::string archiveFlagLetters(std::int32_t flags) {
    return letters(flags, "AHSRD");
}

std::string chapterFlagLetters(std::int32_t flags) {
    return letters(flags, "LARSHE");
}

std::string fileAttributeLetters(std::int32_t attributes) {
    return fileLetterTable()[static_cast<std::uint32_t>(attributes) & 31u];
}

std::string_view fileAttributeLettersView(unsigned bits) {
    return fileLetterTable()[bits & 31u];
}

std::string FormatThousands(std::int64_t n) {
    // Work on the magnitude as unsigned so that the most negative value has one.
    const bool negative = n < 0;
    std::uint64_t magnitude =
        negative ? ~static_cast<std::uint64_t>(n) + 1 : static_cast<std::uint64_t>(n);
    std::string digits = std::to_string(magnitude);
    std::string text;
    text.reserve(digits.size() + digits.size() / 3 + 1);
    if (negative)
        text += '-';
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += ',';
        text += digits[i];
    }
    return text;
}

std::string ratioText(std::int64_t original, std::int64_t archived) {
    if (archived <= 0)
        return {};
    const double r = static_cast<double>(original) / static_cast<double>(archived);
    return ("1:" + FloatToStr(r)).substr(0, 14);
}

std::string_view datePart(std::string_view value) {
    const std::size_t blank = value.find(' ');
    return blank == std::string_view::npos ? value : value.substr(0, blank);
}

std::string_view timePart(std::string_view value) {
    const std::size_t blank = value.find(' ');
    if (blank == std::string_view::npos)
        return {};
    return value.substr(blank + 1, 8);
}

bool civilDays(std::int64_t year, std::int64_t month, std::int64_t day, std::int64_t& days) {
    if (year < 1 || year > 9999 || month < 1 || month > 12)
        return false;
    static constexpr std::array<int, 12> monthDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int length =
        monthDays[static_cast<std::size_t>(month - 1)] + (month == 2 && isLeapYear(year) ? 1 : 0);
    if (day < 1 || day > length)
        return false;
    // Days from the civil calendar (proleptic Gregorian).
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = y / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    // The count above starts at 0000/03/01; 0001/01/01 is its day 306.
    days = era * 146097 + dayOfEra - 306;
    return true;
}

bool daySeconds(std::int64_t hour, std::int64_t minute, std::int64_t second,
                std::int64_t& seconds) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    seconds = hour * 3600 + minute * 60 + second;
    return true;
}

bool dateDays(std::string_view date, std::int64_t& days) {
    const auto year = tryStrToInt(copy(date, 1, 4));
    const auto month = tryStrToInt(copy(date, 6, 2));
    const auto day = tryStrToInt(copy(date, 9, 2));
    return year && month && day && civilDays(*year, *month, *day, days);
}

bool timeSeconds(std::string_view time, std::int64_t& seconds) {
    const auto hour = tryStrToInt(copy(time, 1, 2));
    const auto minute = tryStrToInt(copy(time, 4, 2));
    const auto second = tryStrToInt(copy(time, 7, 2));
    return hour && minute && second && daySeconds(*hour, *minute, *second, seconds);
}

} // namespace brak
