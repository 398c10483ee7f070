#pragma once

#include "base/Threads.h"
#include "contents/RowList.h"
#include "form/Grid.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace brak {

inline constexpr std::array<const char*, 6> ChapterHeadings{
    "Chapter", "Flags", "Modify Date", "Modify Time", "Create Date", "Create Time"};
inline constexpr std::array<const char*, FileColumnCount> FileHeadings{
    "Filename",    "Size",        "Flags",       "Modify Date", "Modify Time",
    "Create Date", "Create Time", "Access Date", "Access Time", "Chapter"};

// The file grid's cells without a text per cell: below the heading, a row is
// the index of a record of the row list it shows (all in one chapter), or a
// row of ten texts of its own (the "No Files" row, or a row whose cells were
// written one by one).
class FileGridStore : public GridStore {
public:
    FileGridStore(int rows = 2);

    int rowCount() const override;
    void setRowCount(int rows) override;
    std::string cell(int col, int row) const override;
    void setCell(int col, int row, const std::string& text) override;
    bool permuteRows(int first, const std::vector<std::uint32_t>& order) override;

    // The heading and, below it, a row for each record, in the given chapter.
    void showRecords(std::shared_ptr<const RowList> list, std::uint32_t chapter,
                     std::vector<std::uint32_t> records);

    // For the sort: what a row below the heading is made of.
    const RowList* list() const { return list_.get(); }
    std::uint32_t chapter() const { return chapter_; }
    // The record a row shows, or -1 for a row of texts of its own.
    std::int64_t recordOf(int row) const;
    // A cell of a row of its own, without a copy.
    std::string_view ownCell(int col, int row) const;
    // The records the rows below the heading show, in order; false when
    // a row holds texts of its own.
    bool records(std::vector<std::uint32_t>& out) const;

private:
    static constexpr std::uint32_t OwnRow = 0x80000000u;   // flag: index into own_
    static constexpr std::uint32_t EmptyRow = 0xFFFFFFFFu; // an own row of empty texts

    std::uint32_t entry(int row) const { return rows_[static_cast<std::size_t>(row - 1)]; }
    std::array<std::string, FileColumnCount>& makeOwn(int row);

    bool heading_ = true; // row 0 exists
    std::array<std::string, FileColumnCount> headings_;
    std::shared_ptr<const RowList> list_;
    std::uint32_t chapter_ = 0;
    std::vector<std::uint32_t> rows_; // rows 1..
    std::vector<std::array<std::string, FileColumnCount>> own_;
};

// Writes the headings of the chapter and file grids (row 0).
void WriteGridHeadings(StringGrid& stChapter, StringGrid& stFile);

// Moves the sort markers for a sort by column: the column sorted before gets
// " (2)", this one " (1)".
void moveSortMarkers(StringGrid& grid, int column);

// The order of rows 1..n of the file grid sorted ascending by column: new
// row r + 1 is old row order[r] + 1. Names and flags compare in upper case.
// Equal keys come out as the grid's quicksort leaves them; column 9 keeps
// the order. Raises Error when a cell cannot be read as the column's key.
std::vector<std::uint32_t> fileSortOrder(const StringGrid& grid, int column);

// One step of the file grid's quicksort: partitions lo..hi around the key
// of its middle item and leaves i and j where the scans end. Returns how
// many comparisons the scans made.
template <typename Item, typename Less>
std::uint64_t partitionRange(Item* const items, std::ptrdiff_t lo, std::ptrdiff_t hi, Less& less,
                             std::ptrdiff_t& i, std::ptrdiff_t& j) {
    constexpr std::ptrdiff_t Block = 64;
    std::array<std::uint8_t, Block> leftStops, rightStops;
    std::uint64_t compares = 0;
    const Item pivot = items[(lo + hi) / 2];
    i = lo;
    j = hi;
    // The scans below stop, from the left, at each item not less than the
    // pivot and, from the right, at each item the pivot is not less than,
    // and swap those two. On a long range the stops are found a block at
    // a time, without a branch for each comparison, and swapped in pairs
    // as the scans would: the range ends up exactly as the scans leave it,
    // with i and j where they stand after the last of these swaps.
    std::ptrdiff_t leftNext = lo, rightNext = hi, leftBase = 0, rightBase = 0;
    int leftCount = 0, rightCount = 0, leftUsed = 0, rightUsed = 0;
    for (;;) {
        if (leftUsed == leftCount) {
            if (rightNext - leftNext + 1 < Block)
                break;
            leftBase = leftNext;
            leftCount = leftUsed = 0;
            for (int k = 0; k < Block; ++k) {
                leftStops[static_cast<std::size_t>(leftCount)] = static_cast<std::uint8_t>(k);
                leftCount += !less(items[leftBase + k], pivot);
            }
            leftNext += Block;
        }
        if (rightUsed == rightCount) {
            if (rightNext - leftNext + 1 < Block)
                break;
            rightBase = rightNext;
            rightCount = rightUsed = 0;
            for (int k = 0; k < Block; ++k) {
                rightStops[static_cast<std::size_t>(rightCount)] = static_cast<std::uint8_t>(k);
                rightCount += !less(pivot, items[rightBase - k]);
            }
            rightNext -= Block;
        }
        const int pairs = std::min(leftCount - leftUsed, rightCount - rightUsed);
        for (int m = 0; m < pairs; ++m, ++leftUsed, ++rightUsed)
            std::swap(items[leftBase + leftStops[static_cast<std::size_t>(leftUsed)]],
                      items[rightBase - rightStops[static_cast<std::size_t>(rightUsed)]]);
        if (pairs > 0) {
            i = leftBase + leftStops[static_cast<std::size_t>(leftUsed - 1)] + 1;
            j = rightBase - rightStops[static_cast<std::size_t>(rightUsed - 1)] - 1;
        }
    }
    // The scans would have compared once for each item they passed.
    compares += static_cast<std::uint64_t>((i - lo) + (hi - j));
    while (i <= j) {
        while (++compares, less(items[i], pivot) && i < hi)
            ++i;
        while (++compares, less(pivot, items[j]) && j > lo)
            --j;
        if (i <= j) {
            std::swap(items[i], items[j]);
            ++i;
            --j;
        }
    }
    return compares;
}

// The file grid's quicksort on a list of items: a permutation of rows whose
// keys less(a, b) looks up, or keys each beside its row. It fixes the order
// in which equal keys come out. It gives up, returning false with the items
// in no useful order, once it has compared more than budget times, so that
// a crafted listing cannot keep the window busy for hours.
template <typename Item, typename Less>
bool quickSortPermutation(std::vector<Item>& p, Less less, std::uint64_t budget) {
    if (p.size() < 2)
        return true;
    std::uint64_t compares = 0;
    std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> pending;
    std::ptrdiff_t lo = 0, hi = static_cast<std::ptrdiff_t>(p.size()) - 1;
    for (;;) {
        std::ptrdiff_t i = 0, j = 0;
        compares += partitionRange(p.data(), lo, hi, less, i, j);
        if (compares > budget)
            return false;
        // The two ranges left are disjoint, so the order in which they are
        // sorted changes nothing; going on with the smaller one keeps the
        // list of pending ranges short.
        const bool left = j > lo, right = i < hi;
        if (left && right) {
            if (j - lo < hi - i) {
                pending.emplace_back(i, hi);
                hi = j;
            } else {
                pending.emplace_back(lo, j);
                lo = i;
            }
        } else if (left) {
            hi = j;
        } else if (right) {
            lo = i;
        } else if (pending.empty()) {
            return true;
        } else {
            std::tie(lo, hi) = pending.back();
            pending.pop_back();
        }
    }
}

// The same quicksort on several cores: each range a partition leaves is
// sorted on its own, so ranges sorted at the same time end up exactly as
// one after the other would, and the comparisons add up the same. Large
// ranges are shared out to whichever core is free.
template <typename Item, typename Less>
bool quickSortPermutationOnCores(std::vector<Item>& p, Less less, std::uint64_t budget,
                                 unsigned cores) {
    constexpr std::ptrdiff_t ShareAbove = std::ptrdiff_t{1} << 12;
    if (cores < 2 || static_cast<std::ptrdiff_t>(p.size()) <= 4 * ShareAbove)
        return quickSortPermutation(p, less, budget);
    using Range = std::pair<std::ptrdiff_t, std::ptrdiff_t>;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Range> shared{{0, static_cast<std::ptrdiff_t>(p.size()) - 1}};
    unsigned busy = 0;
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> compares{0};
    runOnCores(cores, [&](unsigned) {
        std::vector<Range> local;
        for (;;) {
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stop || !shared.empty() || busy == 0; });
                if (stop || shared.empty()) {
                    changed.notify_all();
                    return;
                }
                local.push_back(shared.back());
                shared.pop_back();
                ++busy;
            }
            while (!local.empty() && !stop) {
                const auto [lo, hi] = local.back();
                local.pop_back();
                std::ptrdiff_t i = 0, j = 0;
                const std::uint64_t made = partitionRange(p.data(), lo, hi, less, i, j);
                if (compares.fetch_add(made) + made > budget) {
                    stop = true;
                    break;
                }
                for (const Range& range : {Range{lo, j}, Range{i, hi}}) {
                    if (range.second <= range.first)
                        continue;
                    if (range.second - range.first > ShareAbove) {
                        std::lock_guard lock(mutex);
                        shared.push_back(range);
                        changed.notify_one();
                    } else {
                        local.push_back(range);
                    }
                }
            }
            std::lock_guard lock(mutex);
            --busy;
            changed.notify_all();
        }
    });
    return !stop;
}

} // namespace brak
