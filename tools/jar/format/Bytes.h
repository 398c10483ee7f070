#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Little-endian numbers, as every number in an archive is stored.
namespace brak::jar {

inline std::uint64_t littleEndian(const char* data, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    return value;
}

inline void putLittleEndian(char* out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i)
        out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

class Encoder {
public:
    void u8(std::uint8_t value) { put(value, 1); }
    void u16(std::uint16_t value) { put(value, 2); }
    void u32(std::uint32_t value) { put(value, 4); }
    void u64(std::uint64_t value) { put(value, 8); }
    void i64(std::int64_t value) { put(static_cast<std::uint64_t>(value), 8); }
    void bytes(std::string_view text) { data_ += text; }
    // A length, then the bytes.
    void text(std::string_view text) {
        u32(static_cast<std::uint32_t>(text.size()));
        bytes(text);
    }
    const std::string& data() const { return data_; }
    std::string& data() { return data_; }
    void reserve(size_t size) { data_.reserve(size); }

private:
    void put(std::uint64_t value, int size) {
        char bytes[8];
        putLittleEndian(bytes, value, size);
        data_.append(bytes, static_cast<size_t>(size));
    }
    std::string data_;
};

} // namespace brak::jar
