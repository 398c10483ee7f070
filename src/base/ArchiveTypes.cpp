#include "base/ArchiveTypes.h"

#include <array>
#include <cctype>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brak {

namespace {

bool endsWithNoCase(std::string_view text, std::string_view tail) {
    if (text.size() < tail.size())
        return false;
    text.remove_prefix(text.size() - tail.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != tail[i])
            return false;
    }
    return true;
}

bool at(std::string_view head, std::size_t offset, std::string_view magic) {
    return head.size() >= offset + magic.size() && head.substr(offset, magic.size()) == magic;
}

} // namespace

bool hasForeignArchiveName(std::string_view name) {
    static constexpr std::array<std::string_view, 20> endings = {
        ".zip",     ".7z",   ".tar",     ".tar.gz", ".tgz", ".tar.xz", ".txz",
        ".tar.zst", ".tzst", ".tar.bz2", ".tbz2",   ".rar", ".iso",    ".cpio",
        ".cab",     ".lha",  ".lzh",     ".xar",    ".ar",  ".tar.lz4"};
    for (std::string_view ending : endings) {
        if (endsWithNoCase(name, ending))
            return true;
    }
    return false;
}

bool hasArchiveContent(std::string_view head) {
    using namespace std::string_view_literals;
    static constexpr std::array<std::string_view, 13> starts = {
        "JARSTAND"sv, "PK\x03\x04"sv, "PK\x05\x06"sv, "7z\xBC\xAF\x27\x1C"sv, "Rar!\x1A\x07"sv,
        "070707"sv,   "070701"sv,     "070702"sv,     "MSCF\0\0\0\0"sv,       "!<arch>\n"sv,
        "xar!"sv,     "\xC7\x71"sv,   "\x71\xC7"sv};
    for (std::string_view magic : starts) {
        if (at(head, 0, magic))
            return true;
    }
    return at(head, 257, "ustar") || at(head, 0x8001, "CD001") ||
           (at(head, 2, "-lh") && head.size() > 6 && head[6] == '-');
}

bool isArchiveFile(const std::string& path) {
    // Jar's archives go by a name holding ".J", in any case; only the file's
    // own name counts: a directory such as ~/.jdk/ says nothing of the file.
    const std::size_t separator = path.rfind('/');
    const std::string_view name =
        std::string_view(path).substr(separator == std::string::npos ? 0 : separator + 1);
    for (std::size_t at = name.find('.'); at != std::string_view::npos;
         at = name.find('.', at + 1)) {
        if (at + 1 < name.size() && (name[at + 1] == 'J' || name[at + 1] == 'j'))
            return true;
    }
    if (hasForeignArchiveName(path))
        return true;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info {};
    std::string head;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        head.resize(ArchiveHeadBytes);
        std::size_t filled = 0;
        while (filled < head.size()) {
            const ssize_t got = ::read(fd, head.data() + filled, head.size() - filled);
            if (got <= 0)
                break;
            filled += static_cast<std::size_t>(got);
        }
        head.resize(filled);
    }
    ::close(fd);
    return hasArchiveContent(head);
}

} // namespace brak
