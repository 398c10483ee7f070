#include "Files.h"

#include "Console.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <set>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace brak::jar {

namespace fs = std::filesystem;

namespace {

std::string errorText() {
    return std::strerror(errno);
}

char lowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool wildcardMatch(std::string_view name, std::string_view mask) {
    size_t n = 0;
    size_t m = 0;
    size_t starMask = std::string_view::npos;
    size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || lowerChar(mask[m]) == lowerChar(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

struct Found {
    std::string path;
    FileTimes times;
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    dev_t device = 0;
    ino_t inode = 0;
};

// Times and attributes of a regular file; false for anything else.
bool describe(const struct statx& info, const std::string& name, Found& found) {
    if (!S_ISREG(info.stx_mode))
        return false;
    found.times.modified = info.stx_mtime.tv_sec;
    found.times.accessed = info.stx_atime.tv_sec;
    // Not every file system keeps a birth time; the modification time stands in.
    found.times.created =
        (info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec;
    found.attributes = AttributeArchive;
    if (name.rfind('.', 0) == 0)
        found.attributes |= AttributeHidden;
    if ((info.stx_mode & S_IWUSR) == 0)
        found.attributes |= AttributeReadOnly;
    found.device = makedev(info.stx_dev_major, info.stx_dev_minor);
    found.inode = info.stx_ino;
    found.size = info.stx_size;
    return true;
}

// Files of one directory matching the pattern, then (with recursion) those of
// its subdirectories; symbolic links to directories are not followed, so a
// link loop cannot trap the search. Names holding a control character go to
// `refused` instead.
void scanDirectory(const std::string& directory, const std::string& pattern, bool recurse,
                   std::vector<Found>& found, std::vector<std::string>& refused) {
    std::error_code error;
    std::vector<std::string> names;
    fs::directory_iterator it(directory.empty() ? fs::path(".") : fs::path(directory),
                              fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());

    std::vector<std::string> subdirectories;
    constexpr unsigned Wanted = STATX_BASIC_STATS | STATX_BTIME;
    for (const std::string& name : names) {
        throwIfInterrupted();
        const std::string path = joinPath(directory, name);
        struct statx info {};
        if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, Wanted, &info) != 0)
            continue;
        const bool isDirectory = S_ISDIR(info.stx_mode);
        if (!(isDirectory ? recurse : matchesMask(name, pattern)))
            continue;
        if (hasControlCharacter(name)) {
            refused.push_back(path);
        } else if (isDirectory) {
            subdirectories.push_back(path);
        } else {
            if (S_ISLNK(info.stx_mode) && ::statx(AT_FDCWD, path.c_str(), 0, Wanted, &info) != 0)
                continue;
            Found file;
            file.path = path;
            if (describe(info, name, file))
                found.push_back(std::move(file));
        }
    }
    for (const std::string& subdirectory : subdirectories)
        scanDirectory(subdirectory, pattern, recurse, found, refused);
}

// The file of a name given without wildcards, when it is there as written.
void takePlainName(const std::string& directory, const std::string& name, std::vector<Found>& found,
                   std::vector<std::string>& refused) {
    const std::string path = joinPath(directory, name);
    struct statx info {};
    constexpr unsigned Wanted = STATX_BASIC_STATS | STATX_BTIME;
    if (::statx(AT_FDCWD, path.c_str(), 0, Wanted, &info) != 0)
        return;
    if (hasControlCharacter(name)) {
        refused.push_back(path);
        return;
    }
    Found file;
    file.path = path;
    if (describe(info, name, file))
        found.push_back(std::move(file));
}

} // namespace

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

Fd::~Fd() {
    if (fd_ >= 0)
        ::close(fd_);
}

ssize_t Fd::read(char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd_, buffer + done, size - done);
        if (got < 0 && errno == EINTR) {
            throwIfInterrupted();
            continue;
        }
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

Fd openRegularFile(const std::string& path, std::string& problem) {
    // Checked before and after opening: O_NONBLOCK keeps a FIFO swapped in
    // between from blocking the open.
    struct stat info {};
    const bool other = ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
    Fd file(other ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!other && (!file.valid() || ::fstat(file.get(), &info) != 0)) {
        problem = errorText();
        return Fd();
    }
    if (!S_ISREG(info.st_mode)) {
        problem = "not a regular file";
        return Fd();
    }
    return file;
}

TempFile::TempFile(const std::string& target, const std::string& workDirectory) : target_(target) {
    const fs::path targetPath(target);
    const std::string directory =
        workDirectory.empty() ? targetPath.parent_path().string() : workDirectory;
    path_ = joinPath(directory, "." + targetPath.filename().string() + ".XXXXXX");
    fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        path_.clear();
        fail("cannot create a file in the directory of");
    }
}

TempFile::~TempFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!path_.empty())
        ::unlink(path_.c_str());
}

void TempFile::fail(const std::string& what) const {
    throw JarError(ExitWrite, what + " \"" + target_ + "\": " + errorText());
}

void TempFile::write(const char* data, size_t size) {
    constexpr size_t Gather = 256 * 1024;
    if (sink_)
        sink_(data, size);
    if (buffer_.size() + size <= Gather) {
        buffer_.append(data, size);
        return;
    }
    flush();
    if (size < Gather) {
        buffer_.append(data, size);
        return;
    }
    writeAll(data, size);
}

void TempFile::flush() {
    const std::string pending = std::move(buffer_);
    buffer_.clear();
    writeAll(pending.data(), pending.size());
}

void TempFile::writeAll(const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd_, data, size);
        if (written < 0 && errno == EINTR) {
            throwIfInterrupted();
            continue;
        }
        if (written <= 0)
            fail("cannot write");
        data += written;
        size -= static_cast<size_t>(written);
    }
}

void TempFile::setTimes(const FileTimes& times) {
    flush();
    const struct timespec stamps[2] = {{static_cast<time_t>(times.accessed), 0},
                                       {static_cast<time_t>(times.modified), 0}};
    if (::futimens(fd_, stamps) != 0)
        fail("cannot set the times of");
}

void TempFile::commit(mode_t mode, bool durable) {
    finish(mode, durable);
    place();
}

void TempFile::finish(mode_t mode, bool durable) {
    flush();
    if (::fchmod(fd_, mode) != 0)
        fail("cannot set the mode of");
    if (durable && ::fsync(fd_) != 0)
        fail("cannot write");
    mode_ = mode;
    durable_ = durable;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail("cannot write");
}

void TempFile::place() {
    // The last moment an interruption can keep the old file.
    throwIfInterrupted();
    if (::rename(path_.c_str(), target_.c_str()) == 0) {
        path_.clear();
        return;
    }
    if (errno != EXDEV)
        fail("cannot replace");
    // Made on another file system: copied beside the target, then renamed,
    // so that the target is still replaced in one step.
    std::string problem;
    Fd made = openRegularFile(path_, problem);
    if (!made.valid())
        fail("cannot read back the file made for");
    TempFile beside(target_);
    std::string buffer(1 << 20, '\0');
    for (;;) {
        throwIfInterrupted();
        const ssize_t got = made.read(buffer.data(), buffer.size());
        if (got < 0)
            fail("cannot read back the file made for");
        beside.write(buffer.data(), static_cast<size_t>(got));
        if (got < static_cast<ssize_t>(buffer.size()))
            break;
    }
    beside.commit(mode_, durable_);
}

mode_t defaultFileMode() {
    // Read once: reading the umask means setting it, twice a file when
    // extracting, and nothing in Jar changes it.
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return 0666 & ~mask;
    }();
    return mode;
}

bool matchesMask(std::string_view name, std::string_view mask) {
    if (mask.empty() || wildcardMatch(name, mask))
        return true;
    return mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" &&
           name.find('.') == std::string_view::npos &&
           wildcardMatch(name, mask.substr(0, mask.size() - 2));
}

bool matchesMember(std::string_view storedName, const std::vector<std::string>& masks) {
    if (masks.empty())
        return true;
    const std::string base = baseName(storedName);
    return std::any_of(masks.begin(), masks.end(), [&](const std::string& mask) {
        if (!mask.empty() && mask[0] == LiteralName)
            return std::string_view(mask).substr(1) == storedName;
        return mask.find('/') != std::string::npos ? wildcardMatch(storedName, mask)
                                                   : matchesMask(base, mask);
    });
}

std::vector<SourceFile> collectSources(const std::vector<std::string>& masks, bool recurse,
                                       const std::string& exclude, Outcome& outcome) {
    struct stat excluded {};
    const bool haveExcluded = ::stat(exclude.c_str(), &excluded) == 0;
    auto refuse = [&outcome](const std::string& path) {
        Console::instance().error()
            << "Skipped " << highlighted(visible(path)) << ": its name holds a control character";
        outcome.raise(ExitWarning);
    };

    std::vector<SourceFile> sources;
    std::set<std::string> storedNames;
    const std::vector<std::string> allFiles = {"*.*"};
    for (const std::string& mask : masks.empty() ? allFiles : masks) {
        std::string directory;
        std::string pattern;
        struct stat info {};
        if (::stat(mask.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            directory = mask;
        } else {
            const size_t slash = mask.rfind('/');
            if (slash != std::string::npos) {
                directory = mask.substr(0, slash + 1);
                pattern = mask.substr(slash + 1);
            } else {
                pattern = mask;
            }
        }
        std::vector<Found> found;
        std::vector<std::string> refused;
        // A plain name (a list file holds thousands) is looked at directly;
        // only a name that is not there as written, or a wildcard, is
        // matched against the whole directory, ignoring case.
        if (!recurse && !pattern.empty() && pattern.find_first_of("*?") == std::string::npos)
            takePlainName(directory, pattern, found, refused);
        if (found.empty() && refused.empty())
            scanDirectory(directory, pattern, recurse, found, refused);
        for (const std::string& path : refused)
            refuse(path);
        size_t taken = refused.size();
        for (Found& file : found) {
            if (haveExcluded && file.device == excluded.st_dev && file.inode == excluded.st_ino)
                continue;
            ++taken;
            std::string storedName = storedNameFor(file.path);
            if (hasControlCharacter(storedName))
                refuse(file.path);
            else if (storedNames.insert(storedName).second)
                sources.push_back({std::move(file.path), std::move(storedName), file.times,
                                   file.attributes, file.size});
        }
        if (taken == 0) {
            Console::instance().error() << "No files match \"" << mask << '"';
            outcome.raise(ExitWarning);
        }
    }
    return sources;
}

std::string storedNameFor(const std::string& path) {
    std::string result;
    for (const fs::path& part : fs::path(path).lexically_normal().relative_path()) {
        const std::string text = part.string();
        if (text.empty() || text == "." || text == "..")
            continue;
        if (!result.empty())
            result += '/';
        result += text;
    }
    return result;
}

bool isSafeStoredName(std::string_view name) {
    if (name.empty() || name.size() > MaxStoredName || name.front() == '/' || name.back() == '/' ||
        hasControlCharacter(name))
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string_view::npos)
            end = name.size();
        const std::string_view part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

std::string joinPath(const std::string& directory, const std::string& name) {
    if (directory.empty())
        return name;
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

std::string baseName(std::string_view name) {
    const size_t slash = name.rfind('/');
    return std::string(slash == std::string_view::npos ? name : name.substr(slash + 1));
}

namespace {

// Local time in pieces, from the offset to UTC that the time zone gives.
// The offset is looked up once per quarter of an hour, the finest step at
// which time zones change, so that a listing of many files stays quick.
struct LocalClock {
    static constexpr std::int64_t Block = 900;
    std::int64_t block = std::numeric_limits<std::int64_t>::min();
    bool steady = false; // one offset holds for the whole block
    long offset = 0;

    static bool lookUp(std::int64_t time, struct tm& local) {
        const time_t seconds = static_cast<time_t>(time);
        return ::localtime_r(&seconds, &local) != nullptr;
    }

    bool split(std::int64_t time, struct tm& local) {
        // Far from year 0 and year 10000, so that the arithmetic below holds.
        if (time < 2 * 86400 || time >= 253402300800 - 2 * 86400)
            return lookUp(time, local);
        const std::int64_t start = time - time % Block;
        if (start != block) {
            block = start;
            struct tm first {};
            struct tm last {};
            steady = lookUp(start, first) && lookUp(start + Block - 1, last) &&
                     first.tm_gmtoff == last.tm_gmtoff;
            offset = first.tm_gmtoff;
        }
        if (!steady)
            return lookUp(time, local);
        // Days to a civil date (proleptic Gregorian), after H. Hinnant.
        const std::int64_t shifted = time + offset;
        const std::int64_t days = shifted / 86400;
        const std::int64_t secondOfDay = shifted % 86400;
        const std::int64_t z = days + 719468;
        const std::int64_t era = z / 146097;
        const std::int64_t dayOfEra = z - era * 146097;
        const std::int64_t yearOfEra =
            (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
        const std::int64_t dayOfYear =
            dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
        const std::int64_t mp = (5 * dayOfYear + 2) / 153;
        const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
        local.tm_year = static_cast<int>(yearOfEra + era * 400 + (month <= 2) - 1900);
        local.tm_mon = static_cast<int>(month - 1);
        local.tm_mday = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
        local.tm_hour = static_cast<int>(secondOfDay / 3600);
        local.tm_min = static_cast<int>(secondOfDay / 60 % 60);
        local.tm_sec = static_cast<int>(secondOfDay % 60);
        return true;
    }
};

void putDigits(char* at, int value, int count) {
    for (int i = count - 1; i >= 0; --i, value /= 10)
        at[i] = static_cast<char>('0' + value % 10);
}

} // namespace

void appendTime(std::string& out, std::int64_t time) {
    static LocalClock clock;
    // Files stored together share their times; the last one is kept.
    static std::int64_t lastTime = 0;
    static std::string lastText;
    if (time == lastTime && !lastText.empty()) {
        out += lastText;
        return;
    }
    const size_t start = out.size();
    struct tm local {};
    char text[64] = "0000/00/00 00:00:00";
    if (!clock.split(time, local)) {
        out.append(text);
    } else if (const int year = local.tm_year + 1900; year >= 1000 && year <= 9999) {
        putDigits(text, year, 4);
        putDigits(text + 5, local.tm_mon + 1, 2);
        putDigits(text + 8, local.tm_mday, 2);
        putDigits(text + 11, local.tm_hour, 2);
        putDigits(text + 14, local.tm_min, 2);
        putDigits(text + 17, local.tm_sec, 2);
        out.append(text, 19);
    } else {
        out.append(text, std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local));
    }
    lastTime = time;
    lastText.assign(out, start);
}

} // namespace brak::jar
