#pragma once

// Archives of other programs' formats (zip, 7z, tar and the rest), read and
// written through libarchive.

#include "../Files.h"
#include "../Password.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

struct archive;
struct archive_entry;

namespace brak::jar::foreign {

// The formats written; every other one is only read.
enum class WriteFormat { None, Zip, SevenZip, Tar, TarGz, TarXz, TarZst, TarBz2 };

// The format a new archive gets from its name; None for Jar's own.
WriteFormat writeFormatForName(std::string_view name);
// "zip", "7z", "tar.gz", ...
std::string writeFormatName(WriteFormat format);

struct Detected {
    std::string name; // as messages show it: "zip", "tar.gz", "rar", "ISO 9660"
    WriteFormat writable = WriteFormat::None;
};

// What the file holds, by its content: nothing for Jar's own archives, for a
// file no format claims, or one that cannot be opened.
std::optional<Detected> detectForeign(const std::string& path);

struct ForeignEntry {
    enum class Type { File, Directory, Symlink, Hardlink, Other };
    std::string name; // as stored, less a leading "./" and a trailing "/"
    Type type = Type::File;
    std::string linkTarget;
    std::uint64_t size = 0;
    bool sizeKnown = false;
    FileTimes times;
    std::uint32_t attributes = 0;
    mode_t permissions = 0644;
    bool encrypted = false;
};

// Reads an archive entry by entry. The data of an entry comes in pieces of a
// fixed size, whatever its header claims. A password is asked for when an
// entry or the index is encrypted, and kept for writing the archive again.
class ForeignReader {
public:
    // known: a password already given for this archive, tried first.
    explicit ForeignReader(const std::string& path, const Secret* known = nullptr);
    ~ForeignReader();
    ForeignReader(const ForeignReader&) = delete;
    ForeignReader& operator=(const ForeignReader&) = delete;

    // False at the end; throws when the archive is damaged.
    bool next(ForeignEntry& entry);
    // The current entry's data; false, with the reason, when it cannot be read
    // whole (damage, a wrong password). The sink may throw.
    bool readData(const std::function<void(const char*, size_t)>& sink, std::string& problem);
    // The same as blocks at their offsets; a gap between two is a hole.
    bool readBlocks(const std::function<void(std::uint64_t, const char*, size_t)>& sink,
                    std::string& problem);
    // The current entry as libarchive holds it, for copying into another archive.
    archive_entry* current() const { return entry_; }
    const Secret* password() const { return password_ ? &*password_ : nullptr; }
    bool anyEncrypted() const { return anyEncrypted_; }
    // Headers read with a warning (a name that could not be converted, say).
    int warnings() const { return warnings_; }
    // A password was needed and could not be asked for: the run ends.
    bool passwordRefused() const { return refused_; }

private:
    static const char* passphrase(archive*, void* self);
    [[noreturn]] void fail(int code, const std::string& what);

    std::string path_;
    Fd fd_;
    archive* archive_ = nullptr;
    archive_entry* entry_ = nullptr;
    std::optional<Secret> password_;
    int asked_ = 0;
    bool refused_ = false; // the password could not be asked for
    bool first_ = true;
    bool anyEncrypted_ = false;
    int warnings_ = 0;
};

// A file extracted beside its final name and renamed over it once complete,
// so that a damaged entry leaves the old file as it was. Holes stay holes,
// and so do runs of zeros filling whole pages: a sparse file of gigabytes
// comes back in moments.
class HoleyFile {
public:
    explicit HoleyFile(const std::string& target);
    ~HoleyFile();
    HoleyFile(const HoleyFile&) = delete;
    HoleyFile& operator=(const HoleyFile&) = delete;

    void write(std::uint64_t offset, const char* data, size_t size);
    // A file that replaces one of the user's reaches the disk before the rename.
    void commit(std::uint64_t size, const FileTimes& times, mode_t mode, bool durable);

private:
    [[noreturn]] void fail(const std::string& what) const;

    std::string target_;
    std::string path_;
    int fd_ = -1;
    std::uint64_t end_ = 0;
};

// Writes a new archive into a temporary file beside the target, renamed over
// it only once complete. level: 1 (fast) to 4 (best), as -m1..-m4.
class ForeignWriter {
public:
    ForeignWriter(const std::string& target, WriteFormat format, int level, const Secret* password);
    ~ForeignWriter();
    ForeignWriter(const ForeignWriter&) = delete;
    ForeignWriter& operator=(const ForeignWriter&) = delete;

    void beginEntry(archive_entry* entry);
    void write(const char* data, size_t size);
    void endEntry();
    // A file from the disk under its stored name; holes of a sparse file are
    // recorded as such in a tar archive. False, with the reason, when it cannot be read.
    bool addFile(const SourceFile& source, std::string& problem,
                 const std::function<void(std::uint64_t)>& progress);
    void commit(mode_t mode);

    // Where libarchive's output goes; it must not throw.
    bool sink(const void* data, size_t size) noexcept;

private:
    void check(int result, const std::string& what);

    WriteFormat format_;
    TempFile temp_;
    archive* archive_ = nullptr;
    std::string error_; // from the write callback, which must not throw
    bool failed_ = false;
};

} // namespace brak::jar::foreign
