#include "base/Convert.h"

#include "base/DateTime.h"
#include "base/Error.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace brak {

std::string integerConversionMessage(const std::string& text) {
    return "'" + text + "' is not a valid integer value";
}

std::string floatConversionMessage(const std::string& text) {
    return "'" + text + "' is not a valid floating point value";
}

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool tryStrToInt64(std::string_view text, std::int64_t& value) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    std::uint64_t magnitude = 0;
    std::size_t hexStart = std::string_view::npos;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X'))
        hexStart = i + 1;
    else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X'))
        hexStart = i + 2;
    if (hexStart != std::string_view::npos) {
        if (hexStart >= text.size())
            return false;
        for (std::size_t k = hexStart; k < text.size(); ++k) {
            const int d = hexDigit(text[k]);
            if (d < 0 || magnitude > (static_cast<std::uint64_t>(INT64_MAX) >> 4))
                return false;
            magnitude = magnitude * 16 + static_cast<std::uint64_t>(d);
        }
        if (magnitude > static_cast<std::uint64_t>(INT64_MAX))
            return false;
        value = static_cast<std::int64_t>(magnitude);
        return true;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size())
        return false;
    const std::uint64_t limit = static_cast<std::uint64_t>(INT64_MAX) + (negative ? 1 : 0);
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        const auto d = static_cast<std::uint64_t>(c - '0');
        if (magnitude > (limit - d) / 10)
            return false;
        magnitude = magnitude * 10 + d;
    }
    value =
        negative ? static_cast<std::int64_t>(~magnitude + 1) : static_cast<std::int64_t>(magnitude);
    return true;
}

std::int64_t StrToInt64(std::string_view text) {
    std::int64_t value = 0;
    if (!tryStrToInt64(text, value))
        throw Error(integerConversionMessage(std::string(text)));
    return value;
}

std::optional<std::int32_t> tryStrToInt(std::string_view text) {
    std::int64_t value = 0;
    if (!tryStrToInt64(text, value) || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t StrToInt(std::string_view text) {
    if (auto value = tryStrToInt(text))
        return *value;
    throw Error(integerConversionMessage(std::string(text)));
}

std::optional<double> tryStrToFloat(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    std::size_t i = begin;
    if (i < end && (text[i] == '+' || text[i] == '-'))
        ++i;
    int digits = 0;
    while (i < end && isDigit(text[i]))
        ++i, ++digits;
    if (i < end && text[i] == '.') {
        ++i;
        while (i < end && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-'))
            ++i;
        int exponentDigits = 0;
        while (i < end && isDigit(text[i]))
            ++i, ++exponentDigits;
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;
    std::string number = text.substr(begin, end - begin);
    errno = 0;
    double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

double StrToFloat(const std::string& text) {
    if (auto value = tryStrToFloat(text))
        return *value;
    throw Error(floatConversionMessage(text));
}

std::string FloatToStr(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    return buffer;
}

bool DateTime::isValid() const {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int last = days[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= last && hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 &&
           second < 60;
}

} // namespace brak
