#include "contents/DumpPieces.h"

#include "base/Threads.h"

#include <cstring>
#include <memory>
#include <string_view>

namespace brak {

namespace {

constexpr std::size_t BlockSize = std::size_t{1} << 16;
constexpr std::string_view FileLine = "\nFILE=";
constexpr std::uint64_t NotFound = UINT64_MAX;

// Feeds the bytes from..to to the reader, in the blocks a file is read in.
void feedRange(const DumpSource& source, std::uint64_t from, std::uint64_t to, DumpReader& reader) {
    std::vector<char> block(BlockSize);
    while (from < to) {
        const std::size_t got =
            source(from, block.data(),
                   static_cast<std::size_t>(std::min<std::uint64_t>(to - from, BlockSize)));
        if (got == 0)
            break;
        reader.feed(std::string_view(block.data(), got));
        from += got;
    }
}

// The first offset in from..to (both included) where a line starts with
// "FILE=", or NotFound.
std::uint64_t findFileLine(const DumpSource& source, std::uint64_t from, std::uint64_t to,
                           std::uint64_t size) {
    std::vector<char> block(BlockSize);
    // Each search starts at the line end before the place it may find.
    std::uint64_t at = from;
    if (from == 0) {
        const std::size_t got = source(0, block.data(), FileLine.size() - 1);
        if (std::string_view(block.data(), got) == FileLine.substr(1))
            return 0;
        at = 1;
    }
    while (at <= to && at < size) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(BlockSize, size - (at - 1)));
        const std::size_t got = source(at - 1, block.data(), want);
        if (got < FileLine.size())
            return NotFound;
        const std::string_view text(block.data(), got);
        if (const std::size_t found = text.find(FileLine); found != std::string_view::npos) {
            const std::uint64_t place = at + found;
            return place <= to ? place : NotFound;
        }
        at += got - (FileLine.size() - 1);
    }
    return NotFound;
}

bool startsFileLine(const DumpSource& source, std::uint64_t at) {
    char text[8];
    return at > 0 && source(at - 1, text, FileLine.size()) == FileLine.size() &&
           std::string_view(text, FileLine.size()) == FileLine;
}

void readOnePass(const DumpSource& source, std::uint64_t size, DumpReader& reader) {
    reader = DumpReader(reader.limits());
    reader.expectBytes(size);
    feedRange(source, 0, UINT64_MAX, reader); // to the end, whatever the size said
    reader.finish();
}

} // namespace

std::vector<std::uint64_t> dumpSplits(const DumpSource& source, std::uint64_t size,
                                      unsigned pieces) {
    std::vector<std::uint64_t> splits;
    for (unsigned k = 1; k < pieces; ++k) {
        const std::uint64_t share = size / pieces * k;
        const std::uint64_t from = splits.empty() ? share : std::max(share, splits.back() + 1);
        const std::uint64_t place = findFileLine(source, from, size / pieces * (k + 1), size);
        if (place != NotFound && place < size)
            splits.push_back(place);
    }
    return splits;
}

void readDumpPieces(const DumpSource& source, std::uint64_t size,
                    const std::vector<std::uint64_t>& splits, DumpReader& reader) {
    bool valid = !splits.empty() && splits.size() < RowList::MaxPieces &&
                 size <= reader.limits().maxDumpBytes;
    for (std::size_t k = 0; valid && k < splits.size(); ++k)
        valid = splits[k] < size && (k == 0 || splits[k] > splits[k - 1]) &&
                startsFileLine(source, splits[k]);
    if (!valid)
        return readOnePass(source, size, reader);

    // The head, up to the first file, holds what every piece must know
    // beforehand: the archive's last chapter.
    DumpReader first(reader.limits());
    first.expectBytes(splits[0], size); // room for the groups of all pieces
    const std::uint64_t head = findFileLine(source, 0, splits[0], size);
    try {
        feedRange(source, 0, head, first);
    } catch (...) {
        return readOnePass(source, size, reader);
    }
    std::vector<std::unique_ptr<DumpReader>> pieces;
    for (std::size_t k = 0; k < splits.size(); ++k) {
        pieces.push_back(std::make_unique<DumpReader>(reader.limits()));
        pieces.back()->startPiece(first, static_cast<unsigned>(k + 1));
    }
    std::vector<char> failed(splits.size() + 1, 0);
    runOnCores(static_cast<unsigned>(splits.size() + 1), [&](unsigned index) {
        try {
            if (index == 0) {
                feedRange(source, head, splits[0], first);
                first.finish();
                return;
            }
            DumpReader& piece = *pieces[index - 1];
            const std::uint64_t from = splits[index - 1];
            const std::uint64_t to = index < splits.size() ? splits[index] : size;
            piece.expectBytes(to - from);
            feedRange(source, from, to, piece);
            piece.finish();
        } catch (...) {
            failed[index] = 1; // the one pass meets the same error where it belongs
        }
    });
    for (const char f : failed)
        if (f)
            return readOnePass(source, size, reader);
    for (auto& piece : pieces) {
        if (!first.joinPiece(*piece))
            return readOnePass(source, size, reader);
        piece.reset(); // its memory back before the next is joined
    }
    reader = std::move(first);
}

} // namespace brak
