#include "config/TextFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brak {

TextFileResult readTextFile(const std::string& name, std::uint64_t maxBytes,
                            std::string& contents) {
    contents.clear();
    if (name.empty())
        return TextFileResult::CannotOpen;
    // Without O_NONBLOCK, opening a FIFO would wait for a writer forever.
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return TextFileResult::CannotOpen;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return TextFileResult::CannotOpen;
    if (!S_ISREG(status.st_mode))
        return TextFileResult::NotAFile;
    if (static_cast<std::uint64_t>(status.st_size) > maxBytes)
        return TextFileResult::TooLarge;
    contents.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[1 << 14];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            contents.clear();
            return TextFileResult::ReadFailed;
        }
        if (got == 0)
            return TextFileResult::Read;
        if (contents.size() + static_cast<std::uint64_t>(got) > maxBytes) {
            contents.clear();
            return TextFileResult::TooLarge;
        }
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

} // namespace brak
