#pragma once

#include "Common.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace brak::jar {

// Seconds since 1970, as stored in the archive.
struct FileTimes {
    std::int64_t modified = 0;
    std::int64_t created = 0;
    std::int64_t accessed = 0;
};

// File attribute bits, as the front-end shows them (A, H, S, R, D).
inline constexpr std::uint32_t AttributeArchive = 1;
inline constexpr std::uint32_t AttributeHidden = 2;
inline constexpr std::uint32_t AttributeSystem = 4;
inline constexpr std::uint32_t AttributeReadOnly = 8;
inline constexpr std::uint32_t AttributeDirectory = 16;

// An open file descriptor, closed when it goes.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd();

    bool valid() const { return fd_ >= 0; }
    int get() const { return fd_; }
    // Fills the buffer; fewer bytes only at the end of the file, -1 on error.
    ssize_t read(char* buffer, size_t size);

private:
    int fd_ = -1;
};

// Opens a regular file (symbolic links followed) and nothing else: a FIFO or
// a device put in its place, even at the last moment, cannot block the run.
// On failure the Fd is invalid and `problem` says why.
Fd openRegularFile(const std::string& path, std::string& problem);

// A file written beside its final name and renamed over it only once it is
// complete, so a failed or interrupted run leaves the old file as it was.
// Writes are gathered, so that many small files cost few system calls.
class TempFile {
public:
    // Made in `directory` when one is given (-w), else beside the target;
    // from another file system it is copied beside the target on commit.
    explicit TempFile(const std::string& target, const std::string& directory = "");
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    void write(const char* data, size_t size);
    void write(std::string_view data) { write(data.data(), data.size()); }
    // Hands everything written from now on to `sink` as well, in order (an
    // empty one stops it): a digest follows the file as it is written
    // instead of reading it back.
    void follow(std::function<void(const char*, size_t)> sink) { sink_ = std::move(sink); }
    void setTimes(const FileTimes& times);
    // Writes what is gathered, so that the file can be read back whole.
    void flush();
    const std::string& path() const { return path_; }
    // Gives the file its mode and renames it over the target. A durable file
    // reaches the disk first, so that a crash cannot leave it empty.
    void commit(mode_t mode, bool durable = true);
    // commit in two steps: the file made whole and closed, then renamed.
    void finish(mode_t mode, bool durable);
    void place();

private:
    [[noreturn]] void fail(const std::string& what) const;
    void writeAll(const char* data, size_t size);

    std::string target_;
    std::string path_;
    int fd_ = -1;
    std::string buffer_;
    std::function<void(const char*, size_t)> sink_;
    mode_t mode_ = 0;
    bool durable_ = true;
};

// The mode a new file gets from the user's umask.
mode_t defaultFileMode();

// A mask with "*" and "?", ignoring case; as on Windows "*.*" also matches a
// name without a dot.
bool matchesMask(std::string_view name, std::string_view mask);
// Archive members: a mask holding "/" matches the whole stored name, any other
// mask the last component. No masks match everything. A mask starting with
// LiteralName is a whole stored name, compared as it is.
inline constexpr char LiteralName = '\x01'; // no stored name holds a control character
bool matchesMember(std::string_view storedName, const std::vector<std::string>& masks);

struct SourceFile {
    std::string path;       // where it is read from
    std::string storedName; // its name inside the archive
    FileTimes times;
    std::uint32_t attributes = 0;
    std::uint64_t size = 0; // when it was found
};

// The regular files the masks name, each once, in a stable order; the archive
// itself (`exclude`) is never taken. A mask naming nothing is a warning, and
// so is a name holding a control character: such a file, or directory, is
// left out.
std::vector<SourceFile> collectSources(const std::vector<std::string>& masks, bool recurse,
                                       const std::string& exclude, Outcome& outcome);

// A relative name with "/" separators, never leaving its base directory.
std::string storedNameFor(const std::string& path);
// Such a name, holding no control character either.
bool isSafeStoredName(std::string_view name);
inline constexpr size_t MaxStoredName = 4096;
std::string baseName(std::string_view name);
// The name below the directory; an empty directory is the current one.
std::string joinPath(const std::string& directory, const std::string& name);

// Local time as "YYYY/MM/DD HH:MM:SS".
void appendTime(std::string& out, std::int64_t time);

} // namespace brak::jar
