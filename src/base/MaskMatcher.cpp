#include "base/MaskMatcher.h"

#include "base/Text.h"

#include <QChar>

namespace brak {

namespace {

// Where a byte outside a valid UTF-8 sequence goes: the low surrogates,
// which no valid sequence decodes to.
constexpr char32_t StrayByteBase = 0xDC00;

} // namespace

void foldName(std::string_view name, std::u32string& out) {
    // Most names are ASCII, at least at their start: that part folds a byte
    // at a time, without a branch for each (a filter folds a million names
    // for each key typed).
    std::size_t ascii = 0;
    while (ascii < name.size() && static_cast<unsigned char>(name[ascii]) < 0x80)
        ++ascii;
    out.resize(ascii);
    for (std::size_t i = 0; i < ascii; ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        out[i] = byte - (static_cast<unsigned>(byte - 'a') < 26u ? 'a' - 'A' : 0);
    }
    for (std::size_t at = ascii; at < name.size();) {
        const auto byte = static_cast<unsigned char>(name[at]);
        if (byte < 0x80) {
            out += byte >= 'a' && byte <= 'z' ? char32_t(byte - 'a' + 'A') : char32_t(byte);
            ++at;
            continue;
        }
        char32_t c = 0;
        if (const std::size_t length = decodeUtf8(name, at, c)) {
            // Upper case after folding, so that letters fold as ASCII does.
            out += QChar::toUpper(QChar::toCaseFolded(c));
            at += length;
        } else {
            out += StrayByteBase + byte;
            ++at;
        }
    }
}

MaskMatcher::MaskMatcher(std::string_view masks) {
    std::u32string folded;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= masks.size(); ++at) {
        if (at < masks.size() && masks[at] != ' ' && masks[at] != ';' && masks[at] != '\t')
            continue;
        if (at > start) {
            foldName(masks.substr(start, at - start), folded);
            add(folded);
            // "NAME.*" also matches "NAME".
            if (folded.size() >= 2 && folded.ends_with(U".*"))
                add(folded.substr(0, folded.size() - 2));
        }
        start = at + 1;
    }
}

void MaskMatcher::add(std::u32string mask) {
    if (all_)
        return;
    // Runs of stars are one star.
    std::u32string text;
    for (char32_t c : mask)
        if (!(c == U'*' && !text.empty() && text.back() == U'*'))
            text += c;
    if (text == U"*") {
        all_ = true;
        literals_.clear();
        patterns_.clear();
        return;
    }
    if (text.find_first_of(U"*?") == std::u32string::npos) {
        literals_.insert(std::move(text));
        return;
    }
    for (const Pattern& known : patterns_)
        if (known.text == text)
            return;
    Pattern pattern;
    for (char32_t c : text) {
        if (c == U'*')
            pattern.star = true;
        else
            ++pattern.minimumLength;
    }
    if (pattern.star) {
        const std::size_t first = text.find(U'*');
        const std::size_t last = text.rfind(U'*');
        pattern.head = text.substr(0, first);
        pattern.tail = text.substr(last + 1);
        for (std::size_t at = first; at < last;) {
            const std::size_t next = text.find(U'*', at + 1);
            pattern.between.push_back(text.substr(at + 1, next - at - 1));
            at = next;
        }
    }
    pattern.text = std::move(text);
    patterns_.push_back(std::move(pattern));
}

namespace {

// Equal lengths; "?" takes any character.
bool samePlaces(std::u32string_view pattern, std::u32string_view name) {
    for (std::size_t i = 0; i < pattern.size(); ++i)
        if (pattern[i] != name[i] && pattern[i] != U'?')
            return false;
    return true;
}

// Each part between stars at the first place it fits after the one before:
// with stars around every part, a name that has them in that order matches,
// wherever they stand. Linear for the masks people type, and never worse
// than the product of the two lengths.
bool search(const std::vector<std::u32string>& parts, std::u32string_view name) {
    std::size_t at = 0;
    for (const std::u32string& part : parts) {
        const char32_t first = part.front();
        for (;; ++at) {
            if (first != U'?')
                at = name.find(first, at);
            if (at == std::u32string_view::npos || name.size() - at < part.size())
                return false;
            if (samePlaces(part, name.substr(at, part.size())))
                break;
        }
        at += part.size();
    }
    return true;
}

} // namespace

bool MaskMatcher::wildMatch(const Pattern& pattern, std::u32string_view name) {
    if (!pattern.star)
        return name.size() == pattern.text.size() && samePlaces(pattern.text, name);
    if (name.size() < pattern.minimumLength ||
        !samePlaces(pattern.tail, name.substr(name.size() - pattern.tail.size())) ||
        !samePlaces(pattern.head, name))
        return false;
    const std::size_t inner = name.size() - pattern.head.size() - pattern.tail.size();
    return search(pattern.between, name.substr(pattern.head.size(), inner));
}

bool MaskMatcher::matches(std::string_view name) const {
    if (all_)
        return true;
    if (empty())
        return false;
    thread_local std::u32string folded;
    foldName(name, folded);
    if (!literals_.empty() && literals_.count(folded))
        return true;
    for (const Pattern& pattern : patterns_)
        if (wildMatch(pattern, folded))
            return true;
    return false;
}

} // namespace brak
