#include "ForeignArchive.h"

#include "../Console.h"

#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace brak::jar::foreign {

namespace {

constexpr size_t PieceSize = 256 * 1024;

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() &&
           toLower(std::string(text.substr(text.size() - tail.size()))) == tail;
}

std::string familyName(int format) {
    switch (format & ARCHIVE_FORMAT_BASE_MASK) {
    case ARCHIVE_FORMAT_ZIP:
        return "zip";
    case ARCHIVE_FORMAT_7ZIP:
        return "7z";
    case ARCHIVE_FORMAT_TAR:
        return "tar";
    case ARCHIVE_FORMAT_RAR:
    case ARCHIVE_FORMAT_RAR_V5:
        return "rar";
    case ARCHIVE_FORMAT_ISO9660:
        return "ISO 9660";
    case ARCHIVE_FORMAT_CPIO:
        return "cpio";
    case ARCHIVE_FORMAT_CAB:
        return "cab";
    case ARCHIVE_FORMAT_LHA:
        return "lha";
    case ARCHIVE_FORMAT_AR:
        return "ar";
    case ARCHIVE_FORMAT_XAR:
        return "xar";
    case ARCHIVE_FORMAT_MTREE:
        return "mtree";
    case ARCHIVE_FORMAT_WARC:
        return "warc";
    case ARCHIVE_FORMAT_SHAR:
        return "shar";
    default:
        return "foreign";
    }
}

struct EntryFree {
    void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};

std::string errorOf(archive* a) {
    const char* text = archive_error_string(a);
    return visible(text != nullptr ? text : "unknown error");
}

la_ssize_t writeOut(archive*, void* client, const void* data, size_t size) {
    return static_cast<ForeignWriter*>(client)->sink(data, size) ? static_cast<la_ssize_t>(size)
                                                                 : -1;
}

const std::vector<char>& zeros() {
    static const std::vector<char> block(PieceSize, 0);
    return block;
}

} // namespace

WriteFormat writeFormatForName(std::string_view name) {
    const std::pair<const char*, WriteFormat> endings[] = {
        {".zip", WriteFormat::Zip},        {".7z", WriteFormat::SevenZip},
        {".tar", WriteFormat::Tar},        {".tar.gz", WriteFormat::TarGz},
        {".tgz", WriteFormat::TarGz},      {".tar.xz", WriteFormat::TarXz},
        {".tar.zst", WriteFormat::TarZst}, {".tar.bz2", WriteFormat::TarBz2}};
    for (const auto& [ending, format] : endings) {
        if (endsWith(name, ending))
            return format;
    }
    return WriteFormat::None;
}

std::string writeFormatName(WriteFormat format) {
    switch (format) {
    case WriteFormat::Zip:
        return "zip";
    case WriteFormat::SevenZip:
        return "7z";
    case WriteFormat::Tar:
        return "tar";
    case WriteFormat::TarGz:
        return "tar.gz";
    case WriteFormat::TarXz:
        return "tar.xz";
    case WriteFormat::TarZst:
        return "tar.zst";
    case WriteFormat::TarBz2:
        return "tar.bz2";
    case WriteFormat::None:
        break;
    }
    return "Jar";
}

std::optional<Detected> detectForeign(const std::string& path) {
    std::string problem;
    Fd fd = openRegularFile(path, problem);
    if (!fd.valid())
        return std::nullopt;
    char magic[8] = {};
    const ssize_t got = fd.read(magic, sizeof magic);
    if (got <= 0 || (got == 8 && std::memcmp(magic, "JARSTAND", 8) == 0) ||
        ::lseek(fd.get(), 0, SEEK_SET) != 0)
        return std::nullopt;
    archive* a = archive_read_new();
    archive_read_support_filter_all(a);
    archive_read_support_format_all(a);
    // Telling the format needs no password, even where the index is encrypted.
    archive_read_set_passphrase_callback(a, nullptr,
                                         [](archive*, void*) -> const char* { return nullptr; });
    std::optional<Detected> result;
    if (archive_read_open_fd(a, fd.get(), PieceSize) == ARCHIVE_OK) {
        archive_entry* entry = nullptr;
        archive_read_next_header(a, &entry);
        const int format = archive_format(a);
        // libarchive takes almost any text for an mtree description (a
        // readme's words become empty files): only one that says so is.
        const bool mtree = (format & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_MTREE;
        if (format != 0 && (format & ARCHIVE_FORMAT_BASE_MASK) != ARCHIVE_FORMAT_EMPTY &&
            (!mtree || std::memcmp(magic, "#mtree", 6) == 0)) {
            Detected detected;
            detected.name = familyName(format);
            const int filter =
                archive_filter_count(a) > 1 ? archive_filter_code(a, 0) : ARCHIVE_FILTER_NONE;
            const bool tar = (format & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_TAR;
            if (filter == ARCHIVE_FILTER_NONE) {
                if (tar)
                    detected.writable = WriteFormat::Tar;
                else if (detected.name == "zip")
                    detected.writable = WriteFormat::Zip;
                else if (detected.name == "7z")
                    detected.writable = WriteFormat::SevenZip;
            } else {
                detected.name += std::string(".") + archive_filter_name(a, 0);
                if (tar && filter == ARCHIVE_FILTER_GZIP)
                    detected.writable = WriteFormat::TarGz;
                else if (tar && filter == ARCHIVE_FILTER_XZ)
                    detected.writable = WriteFormat::TarXz;
                else if (tar && filter == ARCHIVE_FILTER_ZSTD)
                    detected.writable = WriteFormat::TarZst;
                else if (tar && filter == ARCHIVE_FILTER_BZIP2)
                    detected.writable = WriteFormat::TarBz2;
                if (tar && detected.writable != WriteFormat::None)
                    detected.name = writeFormatName(detected.writable);
            }
            result = std::move(detected);
        }
    }
    archive_read_free(a);
    return result;
}

ForeignReader::ForeignReader(const std::string& path, const Secret* known) : path_(path) {
    std::string problem;
    fd_ = openRegularFile(path, problem);
    if (!fd_.valid())
        throw JarError(ExitCannotOpen, "cannot open \"" + path + "\": " + problem);
    archive_ = archive_read_new();
    archive_read_support_filter_all(archive_);
    archive_read_support_format_all(archive_);
    archive_read_set_passphrase_callback(archive_, this, &ForeignReader::passphrase);
    if (known != nullptr) {
        password_.emplace(copyOf(*known));
        archive_read_add_passphrase(archive_, password_->c_str());
    }
    if (archive_read_open_fd(archive_, fd_.get(), PieceSize) != ARCHIVE_OK)
        fail(ExitNotArchive, "is not an archive");
}

ForeignReader::~ForeignReader() {
    archive_read_free(archive_);
}

void ForeignReader::fail(int code, const std::string& what) {
    throwIfInterrupted();
    if (refused_)
        throw JarError(ExitFatal, "\"" + path_ + "\" needs a password: " + errorOf(archive_));
    if (asked_ > 0)
        code = ExitCrc; // a wrong password reads as damage
    throw JarError(code, "\"" + path_ + "\" " + what + ": " + errorOf(archive_));
}

const char* ForeignReader::passphrase(archive*, void* self) {
    auto* reader = static_cast<ForeignReader*>(self);
    try {
        if (reader->refused_ || reader->asked_ >= 3 || interrupted())
            return nullptr;
        if (reader->asked_ > 0)
            Console::instance().error() << "Wrong password.";
        ++reader->asked_;
        auto secret = askPassword("Password for " + visible(reader->path_) + ": ");
        if (!secret) {
            reader->refused_ = true;
            return nullptr;
        }
        reader->password_ = std::move(*secret);
        return reader->password_->c_str();
    } catch (...) {
        // An interruption is reported when libarchive returns.
        reader->refused_ = true;
        return nullptr;
    }
}

bool ForeignReader::next(ForeignEntry& entry) {
    int result = ARCHIVE_RETRY;
    for (int tries = 0; result == ARCHIVE_RETRY && tries < 3; ++tries)
        result = archive_read_next_header(archive_, &entry_);
    throwIfInterrupted();
    if (result == ARCHIVE_EOF)
        return false;
    if (result < ARCHIVE_WARN)
        fail(first_ ? ExitNotArchive : ExitCrc, first_ ? "cannot be read" : "is damaged");
    if (result == ARCHIVE_WARN) {
        Console::instance().error() << "Warning: " << errorOf(archive_);
        ++warnings_;
    }
    first_ = false;

    const char* name = archive_entry_pathname(entry_);
    entry.name = name != nullptr ? name : "";
    while (entry.name.rfind("./", 0) == 0)
        entry.name.erase(0, 2);
    if (entry.name == ".")
        entry.name.clear(); // the top directory of an ISO image or a tar of "."

    const bool slash = !entry.name.empty() && entry.name.back() == '/';
    while (!entry.name.empty() && entry.name.back() == '/')
        entry.name.pop_back();
    entry.linkTarget.clear();
    switch (archive_entry_filetype(entry_)) {
    case AE_IFREG:
        entry.type = ForeignEntry::Type::File;
        break;
    case AE_IFDIR:
        entry.type = ForeignEntry::Type::Directory;
        break;
    case AE_IFLNK:
        entry.type = ForeignEntry::Type::Symlink;
        entry.linkTarget = archive_entry_symlink(entry_) ? archive_entry_symlink(entry_) : "";
        break;
    case 0:
        entry.type = slash ? ForeignEntry::Type::Directory : ForeignEntry::Type::File;
        break;
    default:
        entry.type = ForeignEntry::Type::Other;
        break;
    }
    if (const char* hardlink = archive_entry_hardlink(entry_)) {
        entry.type = ForeignEntry::Type::Hardlink;
        entry.linkTarget = hardlink;
    }
    entry.sizeKnown = archive_entry_size_is_set(entry_) != 0;
    entry.size = entry.sizeKnown && archive_entry_size(entry_) > 0
                     ? static_cast<std::uint64_t>(archive_entry_size(entry_))
                     : 0;
    const std::int64_t modified = archive_entry_mtime(entry_);
    entry.times.modified = modified;
    entry.times.created =
        archive_entry_birthtime_is_set(entry_) ? archive_entry_birthtime(entry_) : modified;
    entry.times.accessed =
        archive_entry_atime_is_set(entry_) ? archive_entry_atime(entry_) : modified;
    entry.permissions = archive_entry_perm(entry_);
    entry.attributes =
        entry.type == ForeignEntry::Type::Directory ? AttributeDirectory : AttributeArchive;
    if ((entry.permissions & 0200) == 0)
        entry.attributes |= AttributeReadOnly;
    if (baseName(entry.name).rfind('.', 0) == 0)
        entry.attributes |= AttributeHidden;
    entry.encrypted = archive_entry_is_encrypted(entry_) != 0;
    anyEncrypted_ = anyEncrypted_ || entry.encrypted;
    return true;
}

bool ForeignReader::readData(const std::function<void(const char*, size_t)>& sink,
                             std::string& problem) {
    std::unique_ptr<char[]> buffer(new char[PieceSize]);
    for (;;) {
        const la_ssize_t got = archive_read_data(archive_, buffer.get(), PieceSize);
        throwIfInterrupted();
        if (got == 0)
            return true;
        if (got < 0) {
            if (got == ARCHIVE_WARN)
                continue;
            // Without a terminal no later entry can be read either.
            if (refused_)
                throw JarError(ExitFatal, "\"" + path_ +
                                              "\" needs a password; nothing more "
                                              "was read");
            problem = errorOf(archive_);
            return false;
        }
        sink(buffer.get(), static_cast<size_t>(got));
    }
}

bool ForeignReader::readBlocks(const std::function<void(std::uint64_t, const char*, size_t)>& sink,
                               std::string& problem) {
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int result = archive_read_data_block(archive_, &block, &size, &offset);
        throwIfInterrupted();
        if (result == ARCHIVE_EOF)
            return true;
        if (result < ARCHIVE_WARN || offset < 0) {
            if (refused_)
                throw JarError(ExitFatal, "\"" + path_ +
                                              "\" needs a password; nothing more "
                                              "was read");
            problem = offset < 0 ? "a block lies before the start of the file" : errorOf(archive_);
            return false;
        }
        if (size > 0)
            sink(static_cast<std::uint64_t>(offset), static_cast<const char*>(block), size);
    }
}

HoleyFile::HoleyFile(const std::string& target) : target_(target) {
    const size_t slash = target.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    path_ = directory + "." + baseName(target) + ".XXXXXX";
    fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        path_.clear();
        fail("cannot create a file in the directory of");
    }
}

HoleyFile::~HoleyFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!path_.empty())
        ::unlink(path_.c_str());
}

void HoleyFile::fail(const std::string& what) const {
    throw JarError(ExitWrite, what + " \"" + target_ + "\": " + std::strerror(errno));
}

void HoleyFile::write(std::uint64_t offset, const char* data, size_t size) {
    constexpr size_t Page = 4096;
    while (size > 0) {
        // Whole pages of zeros are skipped; everything else is written.
        size_t piece = std::min(size, Page - static_cast<size_t>(offset % Page));
        const bool zero = piece == Page && std::memcmp(data, zeros().data(), Page) == 0;
        if (!zero) {
            while (piece < size && piece < PieceSize &&
                   (size - piece < Page || std::memcmp(data + piece, zeros().data(), Page) != 0))
                piece += std::min(Page, size - piece);
            for (size_t done = 0; done < piece;) {
                const ssize_t written =
                    ::pwrite(fd_, data + done, piece - done, static_cast<off_t>(offset + done));
                if (written < 0 && errno == EINTR)
                    continue;
                if (written <= 0)
                    fail("cannot write");
                done += static_cast<size_t>(written);
            }
        }
        offset += piece;
        data += piece;
        size -= piece;
        end_ = std::max(end_, offset);
    }
}

void HoleyFile::commit(std::uint64_t size, const FileTimes& times, mode_t mode, bool durable) {
    const struct timespec stamps[2] = {{static_cast<time_t>(times.accessed), 0},
                                       {static_cast<time_t>(times.modified), 0}};
    if (::ftruncate(fd_, static_cast<off_t>(std::max(size, end_))) != 0)
        fail("cannot write");
    if (::futimens(fd_, stamps) != 0)
        fail("cannot set the times of");
    if (::fchmod(fd_, mode) != 0)
        fail("cannot set the mode of");
    if (durable && ::fsync(fd_) != 0)
        fail("cannot write");
    throwIfInterrupted();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail("cannot write");
    if (::rename(path_.c_str(), target_.c_str()) != 0)
        fail("cannot replace");
    path_.clear();
}

ForeignWriter::ForeignWriter(const std::string& target, WriteFormat format, int level,
                             const Secret* password)
    : format_(format), temp_(target) {
    archive_ = archive_write_new();
    const int step = std::clamp(level, 1, 4) - 1;
    auto setLevel = [&](const char* module, const std::array<int, 4>& levels) {
        const std::string value = std::to_string(levels[static_cast<size_t>(step)]);
        if (std::string(module) == "filter")
            check(archive_write_set_filter_option(archive_, nullptr, "compression-level",
                                                  value.c_str()),
                  "cannot set the compression level");
        else
            check(archive_write_set_format_option(archive_, module, "compression-level",
                                                  value.c_str()),
                  "cannot set the compression level");
    };
    switch (format) {
    case WriteFormat::Zip:
        check(archive_write_set_format_zip(archive_), "cannot write zip");
        check(archive_write_set_format_option(archive_, "zip", "compression", "deflate"),
              "cannot choose deflate");
        setLevel("zip", {1, 6, 8, 9});
        break;
    case WriteFormat::SevenZip:
        check(archive_write_set_format_7zip(archive_), "cannot write 7z");
        check(archive_write_set_format_option(archive_, "7zip", "compression", "lzma2"),
              "cannot choose LZMA2");
        setLevel("7zip", {1, 5, 7, 8});
        break;
    default:
        check(archive_write_set_format_pax_restricted(archive_), "cannot write tar");
        break;
    }
    switch (format) {
    case WriteFormat::TarGz:
        check(archive_write_add_filter_gzip(archive_), "cannot compress with gzip");
        setLevel("filter", {1, 6, 8, 9});
        break;
    case WriteFormat::TarXz:
        check(archive_write_add_filter_xz(archive_), "cannot compress with xz");
        setLevel("filter", {1, 6, 7, 8});
        break;
    case WriteFormat::TarZst:
        check(archive_write_add_filter_zstd(archive_), "cannot compress with zstd");
        setLevel("filter", {1, 3, 9, 19});
        break;
    case WriteFormat::TarBz2:
        check(archive_write_add_filter_bzip2(archive_), "cannot compress with bzip2");
        setLevel("filter", {1, 6, 8, 9});
        break;
    default:
        break;
    }
    if (password != nullptr) {
        if (format != WriteFormat::Zip)
            throw JarError(ExitBadParameters,
                           "a " + writeFormatName(format) + " archive cannot be written encrypted");
        check(archive_write_set_format_option(archive_, "zip", "encryption", "aes256"),
              "cannot encrypt with AES-256");
        check(archive_write_set_passphrase(archive_, password->c_str()), "cannot set the password");
    }
    // Only a plain tar is padded to whole blocks: padding after a compressed
    // stream or an index is read as a damaged end by other programs.
    if (format != WriteFormat::Tar)
        archive_write_set_bytes_in_last_block(archive_, 1);
    check(archive_write_open(archive_, this, nullptr, writeOut, nullptr), "cannot write");
}

ForeignWriter::~ForeignWriter() {
    archive_write_free(archive_);
}

bool ForeignWriter::sink(const void* data, size_t size) noexcept {
    if (failed_)
        return false;
    try {
        temp_.write(static_cast<const char*>(data), size);
        return true;
    } catch (const std::exception& error) {
        error_ = error.what();
    }
    failed_ = true;
    return false;
}

void ForeignWriter::check(int result, const std::string& what) {
    if (result >= ARCHIVE_WARN && !failed_)
        return;
    throwIfInterrupted();
    if (failed_)
        throw JarError(ExitWrite, error_);
    throw JarError(ExitFatal, what + ": " + errorOf(archive_));
}

void ForeignWriter::beginEntry(archive_entry* entry) {
    const char* name = archive_entry_pathname(entry);
    check(archive_write_header(archive_, entry),
          "cannot store \"" + visible(name != nullptr ? name : "") + "\"");
}

void ForeignWriter::write(const char* data, size_t size) {
    const la_ssize_t written = archive_write_data(archive_, data, size);
    check(written < 0 ? static_cast<int>(written) : ARCHIVE_OK, "cannot write");
}

void ForeignWriter::endEntry() {
    check(archive_write_finish_entry(archive_), "cannot write");
}

bool ForeignWriter::addFile(const SourceFile& source, std::string& problem,
                            const std::function<void(std::uint64_t)>& progress) {
    Fd fd = openRegularFile(source.path, problem);
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0) {
        if (problem.empty())
            problem = std::strerror(errno);
        return false;
    }
    std::unique_ptr<archive_entry, EntryFree> entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), source.storedName.c_str());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), info.st_mode & 0777);
    archive_entry_set_size(entry.get(), info.st_size);
    archive_entry_set_mtime(entry.get(), info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    archive_entry_set_atime(entry.get(), info.st_atim.tv_sec, info.st_atim.tv_nsec);
    archive_entry_set_uid(entry.get(), info.st_uid);
    archive_entry_set_gid(entry.get(), info.st_gid);

    // The data regions of a file with holes: a tar archive keeps the holes.
    const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> regions;
    const bool tar = format_ != WriteFormat::Zip && format_ != WriteFormat::SevenZip;
    if (tar && info.st_blocks * 512 < info.st_size) {
        off_t at = 0;
        while (at < info.st_size) {
            const off_t data = ::lseek(fd.get(), at, SEEK_DATA);
            if (data < 0)
                break;
            off_t hole = ::lseek(fd.get(), data, SEEK_HOLE);
            if (hole < 0)
                hole = info.st_size;
            regions.emplace_back(data, hole - data);
            at = hole;
        }
        if (regions.empty())
            regions.emplace_back(size, 0);
        for (const auto& [offset, length] : regions)
            archive_entry_sparse_add_entry(entry.get(), static_cast<la_int64_t>(offset),
                                           static_cast<la_int64_t>(length));
    } else {
        regions.emplace_back(0, size);
    }
    beginEntry(entry.get());
    std::unique_ptr<char[]> buffer(new char[PieceSize]);
    std::uint64_t done = 0;
    for (const auto& [offset, length] : regions) {
        while (done < offset) {
            const size_t piece =
                static_cast<size_t>(std::min<std::uint64_t>(offset - done, PieceSize));
            write(zeros().data(), piece);
            done += piece;
            progress(done);
        }
        const std::uint64_t end = offset + length;
        while (done < end) {
            throwIfInterrupted();
            const size_t want = static_cast<size_t>(std::min<std::uint64_t>(end - done, PieceSize));
            const ssize_t got = ::pread(fd.get(), buffer.get(), want, static_cast<off_t>(done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                // The archive's header promised this much: the rest is zeros.
                problem = got < 0 ? std::strerror(errno) : "it became shorter while it was read";
                while (done < size) {
                    const size_t piece =
                        static_cast<size_t>(std::min<std::uint64_t>(size - done, PieceSize));
                    write(zeros().data(), piece);
                    done += piece;
                }
                endEntry();
                return false;
            }
            write(buffer.get(), static_cast<size_t>(got));
            done += static_cast<std::uint64_t>(got);
            progress(done);
        }
    }
    while (done < size) {
        const size_t piece = static_cast<size_t>(std::min<std::uint64_t>(size - done, PieceSize));
        write(zeros().data(), piece);
        done += piece;
    }
    endEntry();
    return true;
}

void ForeignWriter::commit(mode_t mode) {
    check(archive_write_close(archive_), "cannot finish the archive");
    temp_.commit(mode, true);
}

} // namespace brak::jar::foreign
