#include "Files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <set>
#include <sys/stat.h>
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

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Files of one directory matching the pattern, then (with recursion) those of
// its subdirectories; symbolic links to directories are not followed, so a
// link loop cannot trap the search.
void scanDirectory(const std::string& directory, const std::string& pattern, bool recurse,
                   std::vector<std::string>& found) {
    std::error_code error;
    std::vector<std::string> names;
    fs::directory_iterator it(directory.empty() ? fs::path(".") : fs::path(directory),
                              fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());

    std::vector<std::string> subdirectories;
    for (const std::string& name : names) {
        const std::string path = joinPath(directory, name);
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            if (recurse)
                subdirectories.push_back(path);
        } else if ((S_ISREG(info.st_mode) || (S_ISLNK(info.st_mode) && isRegularFile(path))) &&
                   matchesMask(name, pattern)) {
            found.push_back(path);
        }
    }
    for (const std::string& subdirectory : subdirectories)
        scanDirectory(subdirectory, pattern, recurse, found);
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

Fd openForReading(const std::string& path) {
    return Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

TempFile::TempFile(const std::string& target) : target_(target) {
    const fs::path targetPath(target);
    const std::string directory = targetPath.parent_path().string();
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
    const struct timespec stamps[2] = {{static_cast<time_t>(times.accessed), 0},
                                       {static_cast<time_t>(times.modified), 0}};
    if (::futimens(fd_, stamps) != 0)
        fail("cannot set the times of");
}

void TempFile::commit(mode_t mode) {
    throwIfInterrupted();
    if (::fchmod(fd_, mode) != 0)
        fail("cannot set the mode of");
    if (::fsync(fd_) != 0)
        fail("cannot write");
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail("cannot write");
    if (::rename(path_.c_str(), target_.c_str()) != 0)
        fail("cannot replace");
    path_.clear();
}

mode_t defaultFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool readFileInfo(const std::string& path, FileTimes& times, std::uint32_t& attributes) {
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0 ||
        !S_ISREG(info.stx_mode))
        return false;
    times.modified = info.stx_mtime.tv_sec;
    times.accessed = info.stx_atime.tv_sec;
    // Not every file system keeps a birth time; the modification time stands in.
    times.created = (info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec;
    attributes = AttributeArchive;
    if (baseName(path).rfind('.', 0) == 0)
        attributes |= AttributeHidden;
    if ((info.stx_mode & S_IWUSR) == 0)
        attributes |= AttributeReadOnly;
    return true;
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
        return mask.find('/') != std::string::npos ? wildcardMatch(storedName, mask)
                                                   : matchesMask(base, mask);
    });
}

std::vector<SourceFile> collectSources(const std::vector<std::string>& masks, bool recurse,
                                       const std::string& exclude, Outcome& outcome) {
    struct stat excluded {};
    const bool haveExcluded = ::stat(exclude.c_str(), &excluded) == 0;

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
        std::vector<std::string> found;
        scanDirectory(directory, pattern, recurse, found);
        size_t taken = 0;
        for (const std::string& path : found) {
            struct stat fileInfo {};
            if (haveExcluded && ::stat(path.c_str(), &fileInfo) == 0 &&
                fileInfo.st_dev == excluded.st_dev && fileInfo.st_ino == excluded.st_ino)
                continue;
            ++taken;
            std::string storedName = storedNameFor(path);
            if (storedNames.insert(storedName).second)
                sources.push_back({path, std::move(storedName)});
        }
        if (taken == 0) {
            std::cerr << "No files match \"" << mask << "\"\n";
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
    if (name.empty() || name.size() > 4096 || name.front() == '/' || name.back() == '/' ||
        name.find('\0') != std::string_view::npos)
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

std::string formatTime(std::int64_t time) {
    const time_t seconds = static_cast<time_t>(time);
    struct tm local {};
    char text[32] = "0000/00/00 00:00:00";
    if (::localtime_r(&seconds, &local) != nullptr)
        std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return text;
}

bool Prompt::ask(const std::string& question) {
    if (all_)
        return true;
    for (;;) {
        std::cout << question << " (Yes/No/All) " << std::flush;
        std::string line;
        if (!std::getline(std::cin, line)) {
            throwIfInterrupted();
            std::cout << "no\n";
            return false;
        }
        const auto first = line.find_first_not_of(" \t\r");
        const char answer = first == std::string::npos ? '\0' : lowerChar(line[first]);
        if (answer == 'y')
            return true;
        if (answer == 'n')
            return false;
        if (answer == 'a') {
            all_ = true;
            return true;
        }
    }
}

} // namespace brak::jar
