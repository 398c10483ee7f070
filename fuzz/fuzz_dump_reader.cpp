// Feeds arbitrary bytes to the listing reader, as a whole, in uneven feeds
// and in pieces read at the same time, then shows and sorts what it read.
// Errors are expected; crashes, leaks, undefined behaviour and hangs are not.
#include "contents/DumpPieces.h"
#include "contents/DumpReader.h"
#include "contents/FileGrid.h"
#include "form/Grid.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

// Small limits, so that the fuzzer reaches them.
brak::DumpLimits fuzzLimits() {
    brak::DumpLimits limits;
    limits.maxLineLength = 512;
    limits.maxFileEntries = 2000;
    limits.maxTextBytes = 1 << 16;
    return limits;
}

void showAndSort(const std::shared_ptr<brak::RowList>& rows, int chapter) {
    brak::Form form;
    brak::StringGrid grid(&form, "stFile", brak::FileColumnCount, 2);
    grid.setStore(std::make_unique<brak::FileGridStore>(2));
    std::vector<std::uint32_t> records;
    for (const auto& group : rows->groups())
        if (group.first <= static_cast<std::uint32_t>(chapter) &&
            static_cast<std::uint32_t>(chapter) <= group.last)
            records.push_back(group.record);
    auto& store = static_cast<brak::FileGridStore&>(grid.store());
    store.showRecords(rows, static_cast<std::uint32_t>(chapter), std::move(records));
    for (int col = 0; col < brak::FileColumnCount; ++col) {
        try {
            brak::moveSortMarkers(grid, col);
            grid.permuteRows(1, brak::fileSortOrder(grid, col));
        } catch (const brak::Error&) {
        }
    }
    for (int row = 0; row < grid.rowCount() && row < 50; ++row)
        for (int col = 0; col < brak::FileColumnCount; ++col)
            (void)grid.cell(col, row);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    brak::DumpReader reader(fuzzLimits());
    std::string error;
    try {
        // Uneven pieces: lines cut anywhere must read as whole lines.
        std::size_t at = 0, piece = 1;
        while (at < text.size()) {
            reader.feed(text.substr(at, piece));
            at += piece;
            piece = piece * 3 % 61 + 1;
        }
        reader.finish();
    } catch (const brak::Error& e) {
        error = e.what();
    }
    // Read whole, lines in their usual form take a shorter way; it must come
    // to the same.
    brak::DumpReader whole(fuzzLimits());
    std::string wholeError;
    try {
        whole.feed(text);
        whole.finish();
    } catch (const brak::Error& e) {
        wholeError = e.what();
    }
    if (wholeError != error || whole.sizeSum() != reader.sizeSum() ||
        whole.lineCount() != reader.lineCount() ||
        whole.rows().rowCount() != reader.rows().rowCount() ||
        (reader.rows().rowCount() < 5000 && whole.rows().expand() != reader.rows().expand()))
        std::abort();
    // Read in pieces cut at FILE lines near the middle and a third: the same again.
    brak::DumpReader pieces(fuzzLimits());
    std::string piecesError;
    const brak::DumpSource source = [text](std::uint64_t offset, char* out, std::size_t n) {
        if (offset >= text.size())
            return std::size_t{0};
        n = std::min<std::size_t>(n, text.size() - offset);
        std::memcpy(out, text.data() + offset, n);
        return n;
    };
    try {
        brak::readDumpPieces(source, text.size(), brak::dumpSplits(source, text.size(), 3), pieces);
    } catch (const brak::Error& e) {
        piecesError = e.what();
    }
    if (piecesError != error || pieces.sizeSum() != reader.sizeSum() ||
        pieces.lineCount() != reader.lineCount() ||
        pieces.rows().rowCount() != reader.rows().rowCount() ||
        (reader.rows().rowCount() < 5000 && pieces.rows().expand() != reader.rows().expand()))
        std::abort();
    for (const auto& [chapter, row] : reader.chapters())
        (void)row.cells[0];
    const auto rows = reader.takeRows();
    if (rows->rowCount() < 5000)
        (void)rows->expand();
    showAndSort(rows, 1);
    if (reader.maxChapter())
        showAndSort(rows, *reader.maxChapter());
    return 0;
}
