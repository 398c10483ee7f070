#include "base/AtomicFile.h"

#include "base/QtText.h"

#include <QSaveFile>
#include <algorithm>
#include <sys/stat.h>

namespace brak {

namespace {

std::optional<std::uint64_t> failAfter;

} // namespace

int writeFileAtomically(const std::string& name, std::string_view contents) {
    if (name.empty())
        return 1;
    // The new file replaces the old one by a rename, which would put a
    // regular file in the place of a device, a FIFO or a socket.
    struct stat status {};
    const bool existed = ::stat(name.c_str(), &status) == 0;
    if (existed && !S_ISREG(status.st_mode))
        return 1;
    QSaveFile file(fileNameToQString(name));
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    std::size_t allowed = contents.size();
    if (failAfter)
        allowed = static_cast<std::size_t>(std::min<std::uint64_t>(*failAfter, contents.size()));
    if (file.write(contents.data(), static_cast<qint64>(allowed)) != static_cast<qint64>(allowed) ||
        allowed < contents.size())
        return 1; // the temporary file goes, the old file stays
    // The text waits in Qt's buffer until now. Qt 6.4's commit() reports
    // success even when writing out that buffer fails half way (a full disk,
    // a file size limit), and would put the cut file in place of the old one.
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return 1;
    // The new file takes the old one's mode, also through a symbolic link,
    // where it replaces the link's target: a read-only file stays read-only.
    if (existed && ::fchmod(file.handle(), status.st_mode & 07777) != 0)
        return 1;
    return file.commit() ? 0 : 1;
}

ScopedWriteFault::ScopedWriteFault(std::uint64_t failAfterBytes) : previous_(failAfter) {
    failAfter = failAfterBytes;
}

ScopedWriteFault::~ScopedWriteFault() {
    failAfter = previous_;
}

} // namespace brak
