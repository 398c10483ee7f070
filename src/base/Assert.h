#pragma once

namespace brak {

// Stops the program at a programming error, in every kind of build: such an
// error is ours to fix, never a message for the user.
[[noreturn]] void assertionFailed(const char* condition, const char* file, int line);

} // namespace brak

#define BRAK_ASSERT(condition)                                                                     \
    ((condition) ? static_cast<void>(0) : ::brak::assertionFailed(#condition, __FILE__, __LINE__))
