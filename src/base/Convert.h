#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brak {

// Text to number the way the program's run-time library converts it. The
// failing forms raise Error with the library's own message.
// Leading blanks, then a sign and decimal digits, or hexadecimal after "$",
// "x" or "0x"; nothing may follow and the number must fit.
bool tryStrToInt64(std::string_view text, std::int64_t& value);
std::int64_t StrToInt64(std::string_view text);
std::optional<std::int32_t> tryStrToInt(std::string_view text);
std::int32_t StrToInt(std::string_view text);
std::optional<double> tryStrToFloat(const std::string& text);
double StrToFloat(const std::string& text);
// Shortest general form with up to 15 significant digits.
std::string FloatToStr(double value);

std::string integerConversionMessage(const std::string& text);
std::string floatConversionMessage(const std::string& text);

} // namespace brak
