#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace brak {

// The program keeps texts as bytes in UTF-8; Qt keeps them in UTF-16.
// File names on this system are bytes that need not be UTF-8, so a byte
// that is not part of a valid UTF-8 sequence crosses into Qt as a lone
// surrogate (U+DC80 to U+DCFF) and comes back as the same byte: every name
// survives a round trip, which Qt's own conversions do not promise.
QString fileNameToQString(std::string_view bytes);
std::string fileNameFromQString(const QString& text);

// Caret positions: Qt counts UTF-16 units, the program counts bytes. Both
// conversions land on the start of a character.
int byteOffsetToUtf16(std::string_view bytes, int offset);
int utf16OffsetToBytes(const QString& text, int offset);

} // namespace brak
