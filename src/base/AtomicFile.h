#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brak {

// Writes a whole file so that the old one stays, byte for byte, until the
// new one is complete: the text goes into a temporary file beside it, which
// then replaces it. Returns 0 on success and 1 when the file cannot be
// written (an empty name, a missing directory, a full disk), the values the
// program's file operations return.
int writeFileAtomically(const std::string& name, std::string_view contents);

// Makes every atomic write while it lives fail once the given number of
// bytes has been written, as a full disk would. For tests.
class ScopedWriteFault {
public:
    explicit ScopedWriteFault(std::uint64_t failAfterBytes);
    ~ScopedWriteFault();
    ScopedWriteFault(const ScopedWriteFault&) = delete;
    ScopedWriteFault& operator=(const ScopedWriteFault&) = delete;

private:
    std::optional<std::uint64_t> previous_;
};

} // namespace brak
