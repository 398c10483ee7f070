#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Recovery records: Reed-Solomon parity (ISA-L) over every byte of an
// archive, appended after it. FORMAT.md describes the layout byte by byte
// and what damage it repairs.
namespace brak::jar::v2 {

inline constexpr std::uint32_t SectorSize = 4096;
inline constexpr std::uint32_t RecordHeadSize = 64;

// Where everything of the records lies, all of it following from the size
// of the archive they protect.
struct RecordLayout {
    std::uint64_t protectedSize = 0; // the archive's own bytes; the records start there
    std::uint64_t sectors = 0;       // data sectors, the last one padded with zeros
    std::uint32_t stripes = 0;       // data sector d belongs to stripe d % stripes
    std::uint32_t rows = 0;          // data sectors per stripe
    std::uint32_t parityRows = 0;    // parity sectors per stripe: the damage it repairs
    std::uint64_t tableSize = 0;     // one copy of the sector checksums

    std::uint64_t paritySectors() const { return std::uint64_t{parityRows} * stripes; }
    std::uint64_t firstTable() const { return protectedSize + RecordHeadSize; }
    std::uint64_t parityStart() const { return firstTable() + tableSize; }
    std::uint64_t secondTable() const { return parityStart() + paritySectors() * SectorSize; }
    std::uint64_t fileSize() const { return secondTable() + tableSize + RecordHeadSize; }
    std::uint64_t recordSize() const { return fileSize() - protectedSize; }
    // The stripe of parity sector q (in file order) and its row in the stripe.
    std::uint32_t parityStripe(std::uint64_t q) const {
        return static_cast<std::uint32_t>((sectors + q) % stripes);
    }
    // Where parity row `row` of stripe `stripe` is, in file order.
    std::uint64_t parityPosition(std::uint32_t row, std::uint32_t stripe) const {
        return std::uint64_t{row} * stripes + (stripe + stripes - sectors % stripes) % stripes;
    }
};

RecordLayout recordLayout(std::uint64_t protectedSize);

// Reads `size` bytes at `offset`; false when the file ends first or fails.
using ReadAt = std::function<bool(std::uint64_t, char*, size_t)>;
// A ReadAt over an open file.
bool readFd(int fd, std::uint64_t offset, char* data, size_t size);

// The records of a file of `fileSize` bytes: by the copy of their head at
// its end, else by the first copy found from `searchFrom` on (`fileSize`:
// no search).
std::optional<RecordLayout> findRecords(const ReadAt& read, std::uint64_t fileSize,
                                        std::uint64_t searchFrom);

// Appends records for the first `protectedSize` bytes of the file open
// read-write as `fd`; throws JarError when they cannot be written.
void writeRecords(int fd, std::uint64_t protectedSize);

// What a check of every sector found.
struct Damage {
    std::vector<std::uint64_t> data;   // damaged data sectors, in order
    std::vector<std::uint64_t> parity; // damaged parity sectors, in file order
    std::vector<std::uint32_t> lost;   // stripes with more damage than parity
    bool headDamaged = false;          // a copy of the records' head
    bool tableDamaged = false;         // a piece of one copy of the checksums
    bool clean() const { return data.empty() && parity.empty() && !headDamaged && !tableDamaged; }
    bool repairable() const { return lost.empty(); }
};

class RecoveryRecords {
public:
    RecoveryRecords(ReadAt read, const RecordLayout& layout);
    const RecordLayout& layout() const { return layout_; }
    Damage check();
    // The damaged data sectors of every stripe that can be repaired, rebuilt
    // and checked by their own checksum, by sector number.
    std::map<std::uint64_t, std::string> rebuild(const Damage& damage);

private:
    bool readSector(std::uint64_t offset, std::uint64_t limit, char* out);

    ReadAt read_;
    RecordLayout layout_;
    std::vector<std::uint32_t> crcs_; // data sectors, then parity sectors in file order
    std::vector<bool> known_;         // false where both copies of the checksums are lost
    bool tableDamaged_ = false;
    bool headDamaged_ = false;
};

} // namespace brak::jar::v2
