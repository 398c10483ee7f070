#pragma once

#include <cstddef>
#include <cstdint>

namespace brak::jar {

// CRC-32 as zip, gzip and PNG take it (polynomial 0xEDB88320).
class Crc32 {
public:
    void update(const char* data, size_t size);
    std::uint32_t value() const { return value_; }
    static std::uint32_t of(const char* data, size_t size) {
        Crc32 crc;
        crc.update(data, size);
        return crc.value();
    }

private:
    std::uint32_t value_ = 0;
};

} // namespace brak::jar
