#include "Parity.h"

#include "Bytes.h"
#include "Common.h"
#include "Crc32.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <isa-l/erasure_code.h>
#include <unistd.h>

namespace brak::jar::v2 {

namespace {

constexpr char RecordMagic[] = "JARRECV1";
// Data sectors per stripe at most: with the parity rows they stay within the
// 256 rows a Cauchy matrix over GF(2^8) has.
constexpr std::uint32_t MaxRows = 240;
constexpr std::uint32_t MaxTotalRows = 256;
// A piece of the checksum table: 255 sector checksums and its own.
constexpr std::uint32_t ChecksumsPerPiece = 255;
constexpr std::uint32_t PieceSize = 1024;
constexpr size_t Batch = 256; // sectors read at once
constexpr size_t EncodeBudget = 48u << 20;

std::uint64_t tableSizeFor(std::uint64_t checksums) {
    return (checksums + ChecksumsPerPiece - 1) / ChecksumsPerPiece * PieceSize;
}

std::string encodeHead(const RecordLayout& layout, std::uint32_t copy) {
    Encoder out;
    out.bytes(std::string_view(RecordMagic, 8));
    out.u32(copy);
    out.u32(SectorSize);
    out.u64(layout.protectedSize);
    out.u32(layout.stripes);
    out.u32(layout.rows);
    out.u32(layout.parityRows);
    out.data().resize(RecordHeadSize - 4, '\0');
    out.u32(Crc32::of(out.data().data(), out.data().size()));
    return std::move(out.data());
}

// The layout a head describes, when it is one and agrees with itself.
std::optional<RecordLayout> decodeHead(const char* data) {
    if (std::memcmp(data, RecordMagic, 8) != 0 ||
        Crc32::of(data, RecordHeadSize - 4) != littleEndian(data + RecordHeadSize - 4, 4) ||
        littleEndian(data + 12, 4) != SectorSize)
        return std::nullopt;
    const std::uint64_t size = littleEndian(data + 16, 8);
    if (size == 0 || size > (std::uint64_t{1} << 50))
        return std::nullopt;
    const RecordLayout layout = recordLayout(size);
    if (littleEndian(data + 24, 4) != layout.stripes || littleEndian(data + 28, 4) != layout.rows ||
        littleEndian(data + 32, 4) != layout.parityRows)
        return std::nullopt;
    return layout;
}

std::vector<unsigned char> encodingMatrix(const RecordLayout& layout) {
    const int total = static_cast<int>(layout.rows + layout.parityRows);
    std::vector<unsigned char> matrix(static_cast<size_t>(total) * layout.rows);
    gf_gen_cauchy1_matrix(matrix.data(), total, static_cast<int>(layout.rows));
    return matrix;
}

void writeAt(int fd, std::uint64_t offset, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t done = ::pwrite(fd, data, size, static_cast<off_t>(offset));
        if (done < 0 && errno == EINTR) {
            throwIfInterrupted();
            continue;
        }
        if (done <= 0)
            throw JarError(ExitWrite, std::string("cannot write the recovery records: ") +
                                          std::strerror(done < 0 ? errno : ENOSPC));
        data += done;
        size -= static_cast<size_t>(done);
        offset += static_cast<std::uint64_t>(done);
    }
}

std::string encodeTable(const std::vector<std::uint32_t>& crcs) {
    Encoder out;
    for (size_t first = 0; first < crcs.size(); first += ChecksumsPerPiece) {
        const size_t start = out.data().size();
        for (size_t i = first; i < first + ChecksumsPerPiece; ++i)
            out.u32(i < crcs.size() ? crcs[i] : 0);
        out.u32(Crc32::of(out.data().data() + start, PieceSize - 4));
    }
    return std::move(out.data());
}

} // namespace

bool readFd(int fd, std::uint64_t offset, char* data, size_t size) {
    while (size > 0) {
        const ssize_t got = ::pread(fd, data, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) {
            throwIfInterrupted();
            continue;
        }
        if (got <= 0)
            return false;
        data += got;
        size -= static_cast<size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

RecordLayout recordLayout(std::uint64_t protectedSize) {
    RecordLayout layout;
    layout.protectedSize = protectedSize;
    layout.sectors = std::max<std::uint64_t>(1, (protectedSize + SectorSize - 1) / SectorSize);
    layout.stripes = static_cast<std::uint32_t>((layout.sectors + MaxRows - 1) / MaxRows);
    layout.rows =
        static_cast<std::uint32_t>((layout.sectors + layout.stripes - 1) / layout.stripes);
    // The fewest parity rows that repair one run of a twentieth of the
    // archive: such a run touches at most that many sectors plus two, in
    // consecutive stripes (the parity continues the data's order).
    for (layout.parityRows = 1;; ++layout.parityRows) {
        layout.tableSize = tableSizeFor(layout.sectors + layout.paritySectors());
        const std::uint64_t repaired =
            layout.paritySectors() > 2 ? (layout.paritySectors() - 2) * SectorSize : 0;
        if (repaired * 20 >= protectedSize || layout.rows + layout.parityRows == MaxTotalRows)
            return layout;
    }
}

std::optional<RecordLayout> findRecords(const ReadAt& read, std::uint64_t fileSize,
                                        std::uint64_t searchFrom) {
    char head[RecordHeadSize];
    if (fileSize >= RecordHeadSize && read(fileSize - RecordHeadSize, head, sizeof head)) {
        if (auto layout = decodeHead(head); layout && layout->fileSize() == fileSize)
            return layout;
    }
    // Either copy of the head, where its layout puts it.
    constexpr size_t Window = 4u << 20;
    std::string window;
    for (std::uint64_t offset = searchFrom; offset < fileSize;) {
        throwIfInterrupted();
        const auto length = static_cast<size_t>(std::min<std::uint64_t>(Window, fileSize - offset));
        window.resize(length);
        if (length < 8 || !read(offset, window.data(), length))
            break;
        for (size_t at = 0; at + 8 <= length;) {
            const void* hit = ::memmem(window.data() + at, length - at, RecordMagic, 8);
            if (hit == nullptr)
                break;
            at = static_cast<size_t>(static_cast<const char*>(hit) - window.data());
            const std::uint64_t where = offset + at;
            if (read(where, head, sizeof head)) {
                const auto layout = decodeHead(head);
                if (layout && (where == layout->protectedSize ||
                               where + RecordHeadSize == layout->fileSize()))
                    return layout;
            }
            ++at;
        }
        if (offset + length >= fileSize)
            break;
        offset += length - 7;
    }
    return std::nullopt;
}

void writeRecords(int fd, std::uint64_t protectedSize) {
    const RecordLayout layout = recordLayout(protectedSize);
    const int rows = static_cast<int>(layout.rows);
    const int parityRows = static_cast<int>(layout.parityRows);
    const std::vector<unsigned char> matrix = encodingMatrix(layout);
    std::vector<unsigned char> tables(32u * layout.rows * layout.parityRows);
    ec_init_tables(rows, parityRows, const_cast<unsigned char*>(matrix.data()) + rows * rows,
                   tables.data());
    std::vector<std::uint32_t> crcs(layout.sectors + layout.paritySectors());
    // A window of stripes at a time, so that memory stays bounded.
    const std::uint32_t window = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(
        EncodeBudget / (std::uint64_t{layout.parityRows + 1} * SectorSize), 1, layout.stripes));
    std::vector<unsigned char> parity(size_t{window} * SectorSize * layout.parityRows);
    std::vector<unsigned char> row(size_t{window} * SectorSize);
    std::vector<unsigned char*> outputs(layout.parityRows);
    for (std::uint32_t first = 0; first < layout.stripes; first += window) {
        const std::uint32_t count = std::min(window, layout.stripes - first);
        const size_t length = size_t{count} * SectorSize;
        std::fill(parity.begin(), parity.end(), 0);
        for (std::uint32_t j = 0; j < layout.parityRows; ++j)
            outputs[j] = parity.data() + size_t{j} * length;
        for (std::uint32_t i = 0; i < layout.rows; ++i) {
            throwIfInterrupted();
            const std::uint64_t sector = std::uint64_t{i} * layout.stripes + first;
            const std::uint64_t offset = sector * SectorSize;
            if (offset >= protectedSize)
                break; // zeros from here on change no parity
            const auto have =
                static_cast<size_t>(std::min<std::uint64_t>(length, protectedSize - offset));
            if (!readFd(fd, offset, reinterpret_cast<char*>(row.data()), have))
                throw JarError(ExitFatal,
                               "cannot read the new archive back for its recovery records");
            std::fill(row.begin() + static_cast<std::ptrdiff_t>(have), row.end(), 0);
            for (std::uint32_t s = 0; s < count && sector + s < layout.sectors; ++s)
                crcs[sector + s] = Crc32::of(
                    reinterpret_cast<const char*>(row.data()) + size_t{s} * SectorSize, SectorSize);
            ec_encode_data_update(static_cast<int>(length), rows, parityRows, static_cast<int>(i),
                                  tables.data(), row.data(), outputs.data());
        }
        for (std::uint32_t j = 0; j < layout.parityRows; ++j) {
            for (std::uint32_t s = 0; s < count; ++s) {
                const char* sector =
                    reinterpret_cast<const char*>(outputs[j]) + size_t{s} * SectorSize;
                const std::uint64_t q = layout.parityPosition(j, first + s);
                crcs[layout.sectors + q] = Crc32::of(sector, SectorSize);
                writeAt(fd, layout.parityStart() + q * SectorSize, sector, SectorSize);
            }
        }
    }
    const std::string table = encodeTable(crcs);
    writeAt(fd, protectedSize, encodeHead(layout, 0).data(), RecordHeadSize);
    writeAt(fd, layout.firstTable(), table.data(), table.size());
    writeAt(fd, layout.secondTable(), table.data(), table.size());
    writeAt(fd, layout.fileSize() - RecordHeadSize, encodeHead(layout, 1).data(), RecordHeadSize);
    if (::ftruncate(fd, static_cast<off_t>(layout.fileSize())) != 0)
        throw JarError(ExitWrite,
                       std::string("cannot write the recovery records: ") + std::strerror(errno));
}

RecoveryRecords::RecoveryRecords(ReadAt read, const RecordLayout& layout)
    : read_(std::move(read)), layout_(layout) {
    for (const std::uint64_t at : {layout.protectedSize, layout.fileSize() - RecordHeadSize}) {
        char head[RecordHeadSize];
        const auto found = read_(at, head, sizeof head) ? decodeHead(head) : std::nullopt;
        headDamaged_ |= !found || found->protectedSize != layout.protectedSize;
    }
    // Each piece of the checksums from whichever copy is whole.
    const std::uint64_t count = layout.sectors + layout.paritySectors();
    crcs_.resize(count);
    known_.resize(count);
    char piece[PieceSize];
    for (std::uint64_t first = 0, at = 0; first < count;
         first += ChecksumsPerPiece, at += PieceSize) {
        bool whole = false;
        for (const std::uint64_t table : {layout.firstTable(), layout.secondTable()}) {
            const bool good =
                read_(table + at, piece, PieceSize) &&
                Crc32::of(piece, PieceSize - 4) == littleEndian(piece + PieceSize - 4, 4);
            tableDamaged_ |= !good;
            if (good && !whole) {
                whole = true;
                for (std::uint64_t i = first; i < std::min(count, first + ChecksumsPerPiece); ++i) {
                    crcs_[i] = static_cast<std::uint32_t>(littleEndian(piece + 4 * (i - first), 4));
                    known_[i] = true;
                }
            }
        }
    }
}

// A sector of the file, padded with zeros past `limit`; false when it cannot be read.
bool RecoveryRecords::readSector(std::uint64_t offset, std::uint64_t limit, char* out) {
    const auto have = static_cast<size_t>(
        offset < limit ? std::min<std::uint64_t>(SectorSize, limit - offset) : 0);
    std::memset(out + have, 0, SectorSize - have);
    return have == 0 || read_(offset, out, have);
}

Damage RecoveryRecords::check() {
    Damage damage;
    damage.headDamaged = headDamaged_;
    damage.tableDamaged = tableDamaged_;
    std::vector<std::uint32_t> perStripe(layout_.stripes, 0);
    std::string buffer(Batch * SectorSize, '\0');
    // Data sectors, then parity sectors: read a batch at a time, a sector at
    // a time where the batch cannot be read whole.
    auto scan = [&](std::uint64_t start, std::uint64_t limit, std::uint64_t count,
                    std::uint64_t firstCrc, auto damaged) {
        for (std::uint64_t first = 0; first < count; first += Batch) {
            throwIfInterrupted();
            const std::uint64_t n = std::min<std::uint64_t>(Batch, count - first);
            const std::uint64_t offset = start + first * SectorSize;
            const auto want =
                static_cast<size_t>(std::min<std::uint64_t>(n * SectorSize, limit - offset));
            bool whole = read_(offset, buffer.data(), want);
            if (whole)
                std::memset(buffer.data() + want, 0, n * SectorSize - want);
            for (std::uint64_t i = 0; i < n; ++i) {
                char* sector = buffer.data() + i * SectorSize;
                const bool readable = whole || readSector(offset + i * SectorSize, limit, sector);
                const std::uint64_t number = first + i;
                if (!readable || !known_[firstCrc + number] ||
                    Crc32::of(sector, SectorSize) != crcs_[firstCrc + number])
                    damaged(number);
            }
        }
    };
    scan(0, layout_.protectedSize, layout_.sectors, 0, [&](std::uint64_t d) {
        damage.data.push_back(d);
        ++perStripe[d % layout_.stripes];
    });
    scan(layout_.parityStart(), layout_.secondTable(), layout_.paritySectors(), layout_.sectors,
         [&](std::uint64_t q) {
             damage.parity.push_back(q);
             ++perStripe[layout_.parityStripe(q)];
         });
    for (std::uint32_t s = 0; s < layout_.stripes; ++s) {
        if (perStripe[s] > layout_.parityRows)
            damage.lost.push_back(s);
    }
    return damage;
}

std::map<std::uint64_t, std::string> RecoveryRecords::rebuild(const Damage& damage) {
    std::map<std::uint64_t, std::string> rebuilt;
    const std::uint32_t k = layout_.rows;
    const std::uint32_t total = k + layout_.parityRows;
    // The rows lost in each stripe: data rows, then parity rows after them.
    std::map<std::uint32_t, std::vector<std::uint32_t>> erased;
    for (const std::uint64_t d : damage.data)
        erased[static_cast<std::uint32_t>(d % layout_.stripes)].push_back(
            static_cast<std::uint32_t>(d / layout_.stripes));
    for (const std::uint64_t q : damage.parity) {
        const std::uint32_t s = layout_.parityStripe(q);
        if (erased.count(s) != 0)
            erased[s].push_back(k + static_cast<std::uint32_t>(q / layout_.stripes));
    }
    const std::vector<unsigned char> matrix = encodingMatrix(layout_);
    std::map<std::vector<unsigned char>, std::vector<unsigned char>> decoders;
    std::vector<std::string> sources(k, std::string(SectorSize, '\0'));
    std::vector<unsigned char*> in(k);
    for (std::uint32_t i = 0; i < k; ++i)
        in[i] = reinterpret_cast<unsigned char*>(sources[i].data());
    for (auto& [stripe, rows] : erased) {
        throwIfInterrupted();
        if (rows.size() > layout_.parityRows)
            continue;
        std::sort(rows.begin(), rows.end());
        std::vector<unsigned char> key; // survivors, then the data rows to rebuild
        for (std::uint32_t r = 0; r < total && key.size() < k; ++r) {
            if (!std::binary_search(rows.begin(), rows.end(), r))
                key.push_back(static_cast<unsigned char>(r));
        }
        std::vector<std::uint32_t> wanted;
        for (const std::uint32_t r : rows) {
            if (r < k) {
                wanted.push_back(r);
                key.push_back(static_cast<unsigned char>(r));
            }
        }
        auto& tables = decoders[key];
        if (tables.empty()) {
            std::vector<unsigned char> survivors(size_t{k} * k), inverse(size_t{k} * k);
            for (std::uint32_t i = 0; i < k; ++i)
                std::memcpy(survivors.data() + size_t{i} * k, matrix.data() + size_t{key[i]} * k,
                            k);
            if (gf_invert_matrix(survivors.data(), inverse.data(), static_cast<int>(k)) != 0)
                continue;
            std::vector<unsigned char> decode(wanted.size() * k);
            for (size_t e = 0; e < wanted.size(); ++e)
                std::memcpy(decode.data() + e * k, inverse.data() + size_t{wanted[e]} * k, k);
            tables.resize(32 * decode.size());
            ec_init_tables(static_cast<int>(k), static_cast<int>(wanted.size()), decode.data(),
                           tables.data());
        }
        bool readable = true;
        for (std::uint32_t i = 0; i < k && readable; ++i) {
            const std::uint32_t r = key[i];
            const std::uint64_t offset =
                r < k ? (std::uint64_t{r} * layout_.stripes + stripe) * SectorSize
                      : layout_.parityStart() + layout_.parityPosition(r - k, stripe) * SectorSize;
            readable = readSector(offset, r < k ? layout_.protectedSize : layout_.secondTable(),
                                  sources[i].data());
        }
        if (!readable)
            continue;
        std::vector<std::string> out(wanted.size(), std::string(SectorSize, '\0'));
        std::vector<unsigned char*> outputs;
        for (std::string& sector : out)
            outputs.push_back(reinterpret_cast<unsigned char*>(sector.data()));
        ec_encode_data(static_cast<int>(SectorSize), static_cast<int>(k),
                       static_cast<int>(wanted.size()), tables.data(), in.data(), outputs.data());
        for (size_t e = 0; e < wanted.size(); ++e) {
            const std::uint64_t d = std::uint64_t{wanted[e]} * layout_.stripes + stripe;
            // Checked by its own checksum, where that survives.
            if (known_[d] && Crc32::of(out[e].data(), SectorSize) != crcs_[d])
                continue;
            rebuilt.emplace(d, std::move(out[e]));
        }
    }
    return rebuilt;
}

} // namespace brak::jar::v2
