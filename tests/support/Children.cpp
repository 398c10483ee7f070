#include "Children.h"

#include <chrono>
#include <dirent.h>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace brak::test {

std::vector<int> childProcesses() {
    std::vector<int> children;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return children;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(proc)) {
        const std::string name = entry->d_name;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        // /proc/<pid>/stat: pid (command) state ppid ...; the command may
        // hold blanks and parentheses, so read from the last ')'.
        std::ifstream stat("/proc/" + name + "/stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) == 2 && parent == self)
            children.push_back(std::stoi(name));
    }
    ::closedir(proc);
    return children;
}

bool childrenGone(int milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!childProcesses().empty()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace brak::test
