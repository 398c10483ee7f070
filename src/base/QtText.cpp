#include "base/QtText.h"

#include "base/Text.h"

namespace brak {

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr char16_t EscapeBase = 0xDC00;

} // namespace

QString fileNameToQString(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t at = 0; at < bytes.size();) {
        char32_t c = 0;
        if (const std::size_t length = decodeUtf8(bytes, at, c)) {
            text += QString::fromUcs4(&c, 1);
            at += length;
        } else {
            text +=
                QChar(static_cast<char16_t>(EscapeBase + static_cast<unsigned char>(bytes[at])));
            ++at;
        }
    }
    return text;
}

std::string fileNameFromQString(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            appendUtf8(out, QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            ++i;
        } else if (unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF) {
            out += static_cast<char>(unit - EscapeBase);
        } else if (QChar::isSurrogate(unit)) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

int byteOffsetToUtf16(std::string_view bytes, int offset) {
    const std::size_t end = std::min(bytes.size(), static_cast<std::size_t>(std::max(offset, 0)));
    int units = 0;
    for (std::size_t at = 0; at < end;) {
        char32_t c = 0;
        const std::size_t length = decodeUtf8(bytes, at, c);
        if (length == 0) {
            ++units, ++at;
            continue;
        }
        if (at + length > end)
            break; // the offset falls inside a character: its start
        units += c >= 0x10000 ? 2 : 1;
        at += length;
    }
    return units;
}

int utf16OffsetToBytes(const QString& text, int offset) {
    qsizetype end = std::min<qsizetype>(text.size(), std::max(offset, 0));
    if (end > 0 && end < text.size() && text[end - 1].isHighSurrogate() &&
        text[end].isLowSurrogate())
        --end; // never half a pair
    return static_cast<int>(fileNameFromQString(text.left(end)).size());
}

} // namespace brak
