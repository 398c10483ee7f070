#pragma once

#include <exception>
#include <thread>
#include <vector>

namespace brak {

// The cores this process may run on (at least 1).
unsigned coreCount();

// Runs work(0) .. work(count - 1) at the same time, work(0) on the calling
// thread, and returns once all have ended. The first exception any of them
// raised is raised again here, after all have ended.
template <typename Work> void runOnCores(unsigned count, Work work) {
    std::vector<std::exception_ptr> errors(count);
    auto guarded = [&work, &errors](unsigned index) {
        try {
            work(index);
        } catch (...) {
            errors[index] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(count > 0 ? count - 1 : 0);
    for (unsigned index = 1; index < count; ++index) {
        try {
            threads.emplace_back(guarded, index);
        } catch (...) {
            guarded(index); // no thread to be had: the work is done here instead
        }
    }
    if (count > 0)
        guarded(0);
    for (std::thread& thread : threads)
        thread.join();
    for (const std::exception_ptr& error : errors)
        if (error)
            std::rethrow_exception(error);
}

} // namespace brak
