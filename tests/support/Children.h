#pragma once

#include <vector>

namespace brak::test {

// The processes whose parent is this one, zombies included.
std::vector<int> childProcesses();

// Waits up to the given time for this process to have no children left;
// true when it has none.
bool childrenGone(int milliseconds = 3000);

} // namespace brak::test
