#include "base/Assert.h"

#include <cstdio>
#include <cstdlib>

namespace brak {

void assertionFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: programming error: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

} // namespace brak
