#include "base/Threads.h"

#include <sched.h>

namespace brak {

unsigned coreCount() {
    // The affinity mask, not the machine: a process held to fewer cores
    // gains nothing from more threads.
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0)
        if (const int count = CPU_COUNT(&set); count > 0)
            return static_cast<unsigned>(count);
    const unsigned count = std::thread::hardware_concurrency();
    return count > 0 ? count : 1;
}

} // namespace brak
