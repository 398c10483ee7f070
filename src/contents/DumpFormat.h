#pragma once

#include "base/Convert.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace brak {

// The letters of a flags value: a letter per set bit, "." per clear one, in
// bit order. The archive and the file tables have five bits, the chapter
// table six.
std::string archiveFlagLetters(std::int32_t flags);
std::string chapterFlagLetters(std::int32_t flags);
std::string fileAttributeLetters(std::int32_t attributes);
// The five file letters for the low five bits, without building a string.
std::string_view fileAttributeLettersView(unsigned bits);

// The decimal text with a comma before every group of three digits:
// 1234567 gives "1,234,567".
std::string FormatThousands(std::int64_t n);

// "1:" and original divided by archived, cut to 14 characters; empty when
// the archived length is unknown (negative) or 0.
std::string ratioText(std::int64_t original, std::int64_t archived);

// A "1998/09/14 06:30:00" value cut in two: the date is the text before the
// first blank (all of it without a blank), the time the eight characters
// after that blank.
std::string_view datePart(std::string_view value);
std::string_view timePart(std::string_view value);

// Days since 0001/01/01 for a "YYYY/MM/DD" text and seconds of the day for
// an "HH:MM:SS" text, read by character position as the date and time
// encoders do; false for text that does not hold a valid date or time.
bool dateDays(std::string_view date, std::int64_t& days);
bool timeSeconds(std::string_view time, std::int64_t& seconds);
// The same from the numbers.
bool civilDays(std::int64_t year, std::int64_t month, std::int64_t day, std::int64_t& days);
bool daySeconds(std::int64_t hour, std::int64_t minute, std::int64_t second, std::int64_t& seconds);

} // namespace brak
