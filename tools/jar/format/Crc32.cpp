#include "Crc32.h"

#include "Bytes.h"

#include <array>

namespace brak::jar {

namespace {

using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

// Eight tables, so that the CRC takes eight bytes a step.
const CrcTables& crcTables() {
    static const CrcTables tables = [] {
        CrcTables result{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t value = i;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
            result[0][i] = value;
        }
        for (size_t k = 1; k < result.size(); ++k) {
            for (std::uint32_t i = 0; i < 256; ++i)
                result[k][i] = (result[k - 1][i] >> 8) ^ result[0][result[k - 1][i] & 0xFF];
        }
        return result;
    }();
    return tables;
}

} // namespace

// A tight loop with nothing for a fuzzer to learn from: left untraced, so
// that fuzzing spends its time on the decoders.
#if defined(__clang__)
__attribute__((no_sanitize("coverage")))
#endif
void Crc32::update(const char* data, size_t size) {
    const CrcTables& t = crcTables();
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    std::uint32_t crc = state_;
    for (; size >= 8; size -= 8, p += 8) {
        const std::uint32_t low =
            crc ^ static_cast<std::uint32_t>(littleEndian(reinterpret_cast<const char*>(p), 4));
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^
              t[4][low >> 24] ^ t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
    }
    for (; size > 0; --size, ++p)
        crc = t[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    state_ = crc;
}

} // namespace brak::jar
