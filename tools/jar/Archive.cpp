#include "Archive.h"

#include "Console.h"
#include "format/BlockReader.h"
#include "format/BlockWriter.h"
#include "format/Codec.h"
#include "format/Container.h"
#include "format/Protection.h"
#include "format/Version1.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <optional>
#include <sodium.h>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace brak::jar {

namespace {

constexpr size_t MagicSize = 8;
constexpr size_t BufferSize = 256 * 1024;
constexpr size_t WindowSize = 1024 * 1024;

std::string withSeparators(std::uint64_t number) {
    std::string digits = std::to_string(number);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

JarError damagedError(const std::string& path, const char* reason) {
    return JarError(ExitCrc, "the archive \"" + path + "\" is damaged: " + reason);
}

// What a framed tag takes of the blocks: each block's header and nonce,
// then its AEAD tag. False when a block is too short to be sealed or cannot
// be read.
bool digestFraming(const v2::ReadAt& read, const std::vector<v2::Block>& blocks,
                   v2::Digest& digest) {
    char head[v2::BlockHeaderSize + v2::NonceSize];
    char tail[v2::AeadTagSize];
    for (const v2::Block& block : blocks) {
        if (block.storedSize < v2::SealOverhead || !read(block.offset, head, sizeof head) ||
            !read(block.offset + v2::BlockHeaderSize + block.storedSize - sizeof tail, tail,
                  sizeof tail))
            return false;
        digest.update(head, sizeof head);
        digest.update(tail, sizeof tail);
    }
    return true;
}

// The tag of an archive read back: over its header, its blocks (or only
// their framing), its index as stored and its footer. The blocks must fill
// the space between header and index, so that no byte escapes the tag.
bool tagMatches(ArchiveFile& file, std::uint64_t headerEnd, const std::vector<v2::Block>& blocks,
                const v2::Footer& footer, const char* footerData, bool keyed, bool framed) {
    std::uint64_t end = headerEnd;
    for (const v2::Block& block : blocks) {
        if (block.offset != end)
            return false;
        end += v2::BlockHeaderSize + block.storedSize;
    }
    if (end != footer.indexOffset)
        return false;
    v2::Digest digest(keyed);
    // Read with a buffer of its own: it may run beside an extraction.
    std::string buffer(BufferSize, '\0');
    const auto digestRange = [&](std::uint64_t at, std::uint64_t end) {
        while (at < end) {
            const auto piece = static_cast<size_t>(std::min<std::uint64_t>(end - at, BufferSize));
            if (!file.readAt(at, buffer.data(), piece))
                return false;
            digest.update(buffer.data(), piece);
            at += piece;
        }
        return true;
    };
    const std::uint64_t indexEnd = footer.indexOffset + footer.storedSize;
    const bool whole =
        framed ? digestRange(0, headerEnd) &&
                     digestFraming([&file](std::uint64_t at, char* out,
                                           size_t size) { return file.readAt(at, out, size); },
                                   blocks, digest) &&
                     digestRange(footer.indexOffset, indexEnd)
               : digestRange(0, indexEnd);
    digest.update(footerData, v2::FooterSize);
    unsigned char mine[v2::TagSize];
    unsigned char stored[v2::TagSize];
    digest.finish(mine);
    return whole &&
           file.readAt(footer.indexOffset + footer.storedSize, reinterpret_cast<char*>(stored),
                       v2::TagSize) &&
           sodium_memcmp(mine, stored, v2::TagSize) == 0;
}

// Version 2: header, blocks, the compressed index, the footer.
Archive readVersion2(ArchiveFile& file) {
    const std::string& path = file.path();
    const std::uint64_t fileSize = file.size();
    try {
        char header[v2::HeaderSize];
        char footerData[v2::FooterSize];
        v2::Footer footer;
        if (fileSize < v2::HeaderSize + v2::FooterSize || !file.readAt(0, header, v2::HeaderSize) ||
            !file.readAt(fileSize - v2::FooterSize, footerData, v2::FooterSize) ||
            !v2::decodeFooter(footerData, footer))
            throw v2::Damaged{"its index is lost"};
        const auto flags = static_cast<std::uint32_t>(littleEndian(header + 12, 4));
        if (littleEndian(header + 8, 4) != 2 || (flags & ~v2::KnownHeaderFlags) != 0)
            throw v2::Damaged{"it uses features this version of Jar does not know"};
        if (((flags & v2::HiddenFlag) && !(flags & v2::EncryptedFlag)) ||
            ((flags & v2::FramedTagFlag) &&
             ((flags & v2::SealedFlag) || !(flags & v2::EncryptedFlag))))
            throw v2::Damaged{"its header flags contradict each other"};
        std::uint64_t headerEnd = v2::HeaderSize;
        v2::Protection& protection = v2::Protection::instance();
        bool keyed = false;
        if (v2::carriesKey(flags)) {
            char extension[v2::ProtectionSize];
            headerEnd += v2::ProtectionSize;
            if (fileSize < headerEnd + v2::FooterSize ||
                !file.readAt(v2::HeaderSize, extension, sizeof extension))
                throw v2::Damaged{"its header is cut short"};
            // Asked before anything is written. Listing an encrypted archive
            // needs no key unless its index is hidden; one that is only
            // authenticated is checked whenever a password can be had.
            const bool authenticOnly = !(flags & v2::EncryptedFlag);
            if (protection.askOnRead || (flags & v2::HiddenFlag)) {
                protection.unlock(path, extension);
                keyed = true;
            } else if (authenticOnly) {
                try {
                    protection.unlock(path, extension);
                    keyed = true;
                } catch (const v2::PasswordMissing&) {
                    Console::instance().error()
                        << "Listed without checking that the archive is unchanged.";
                }
            }
            if (keyed)
                protection.setEncrypting((flags & v2::EncryptedFlag) || protection.encryptOnWrite);
        }
        const std::uint64_t tagSize = v2::carriesTag(flags) ? v2::TagSize : 0;
        if (fileSize < headerEnd + v2::FooterSize + tagSize)
            throw v2::Damaged{"its index is lost"};
        const std::uint64_t indexEnd = fileSize - v2::FooterSize - tagSize;
        if (footer.indexOffset < headerEnd || footer.indexOffset > indexEnd ||
            footer.storedSize != indexEnd - footer.indexOffset)
            throw v2::Damaged{"its index is lost"};
        std::string stored(footer.storedSize, '\0');
        if (!file.readAt(footer.indexOffset, stored.data(), stored.size()) ||
            Crc32::of(stored.data(), stored.size()) != footer.crc)
            throw v2::Damaged{"its index is lost"};
        if (flags & v2::HiddenFlag) {
            std::string plain;
            if (!protection.openIndex(stored, plain))
                throw v2::Damaged{"its index is lost"};
            stored.swap(plain);
            sodium_memzero(plain.data(), plain.size());
        }
        // Decoded as it is read, never beyond the size the footer declares.
        FrameReader frame(std::move(stored));
        std::uint64_t left = footer.rawSize;
        const v2::Pull pull = [&](char* out, size_t size) {
            const size_t got =
                frame.read(out, static_cast<size_t>(std::min<std::uint64_t>(size, left)));
            left -= got;
            return got;
        };
        std::vector<v2::Block> blocks;
        Archive archive = v2::decodeIndex(pull, footer.indexOffset, blocks);
        char extra = 0;
        if (left != 0 || frame.read(&extra, 1) != 0)
            throw v2::Damaged{"its index is lost"};
        // The key, made while the index was read, is checked before the
        // index is acted on.
        if (keyed)
            protection.ready();
        // A keyed tag is checked whenever the key is there, a seal without
        // a key when asked (t without -he).
        const bool keyedTag = v2::carriesKey(flags);
        const bool framed = (flags & v2::FramedTagFlag) != 0;
        if (v2::carriesTag(flags) && (keyedTag ? keyed : protection.checkSeal)) {
            const char* damage = (flags & v2::AuthenticatedFlag)
                                     ? "it was changed since it was written (its authentication "
                                       "does not match)"
                                     : "its security envelope is broken";
            if (protection.checkBeside) {
                file.checkLater(std::async(std::launch::async,
                                           [&file, headerEnd, blocks, footer,
                                            footerCopy = std::string(footerData, v2::FooterSize),
                                            keyedTag, framed] {
                                               return tagMatches(file, headerEnd, blocks, footer,
                                                                 footerCopy.data(), keyedTag,
                                                                 framed);
                                           }),
                                damage);
            } else if (!tagMatches(file, headerEnd, blocks, footer, footerData, keyedTag, framed)) {
                throw v2::Damaged{damage};
            }
        }
        archive.hidden = (flags & v2::HiddenFlag) != 0;
        archive.sealed = (flags & v2::SealedFlag) != 0;
        file.setFormat(2, std::make_unique<v2::BlockReader>(file, std::move(blocks)));
        return archive;
    } catch (const v2::Damaged& damage) {
        throw damagedError(path, damage.reason);
    } catch (const std::runtime_error& error) {
        if (dynamic_cast<const JarError*>(&error) != nullptr)
            throw;
        throw damagedError(path, "its index is lost");
    }
}

// Which entries of a version 2 archive can keep their blocks as they are:
// those whose blocks hold nothing but entries that keep theirs too, so that
// no deleted or replaced file's bytes are carried into the new archive.
std::vector<bool> copyableEntries(const Archive& archive, const v2::BlockReader& reader) {
    const auto& blocks = reader.blocks();
    std::vector<bool> copyable(archive.entries.size());
    for (size_t i = 0; i < archive.entries.size(); ++i)
        copyable[i] = archive.entries[i].source.empty() && archive.entries[i].size > 0;
    // The blocks an entry's data lies in, in order; false from `visit` stops.
    auto eachBlock = [&](const Entry& entry, auto visit) {
        const std::uint64_t end = entry.offset + entry.size;
        for (size_t b = reader.blockAt(entry.offset);
             b < blocks.size() && reader.blockStart(b) < end; ++b) {
            if (!visit(b, end))
                return;
        }
    };
    for (bool changed = true; changed;) {
        changed = false;
        std::vector<std::uint64_t> covered(blocks.size(), 0);
        for (size_t i = 0; i < archive.entries.size(); ++i) {
            if (!copyable[i])
                continue;
            const Entry& entry = archive.entries[i];
            eachBlock(entry, [&](size_t b, std::uint64_t end) {
                const std::uint64_t start = reader.blockStart(b);
                const std::uint64_t stop = start + blocks[b].dataSize();
                covered[b] += std::min(stop, end) - std::max(start, entry.offset);
                return true;
            });
        }
        for (size_t i = 0; i < archive.entries.size(); ++i) {
            if (!copyable[i])
                continue;
            eachBlock(archive.entries[i], [&](size_t b, std::uint64_t) {
                if (covered[b] == blocks[b].dataSize())
                    return true;
                copyable[i] = false;
                changed = true;
                return false;
            });
        }
    }
    return copyable;
}

// A digest fed on a thread of its own, so that hashing what is written
// does not hold up the writing; the pieces are copied, a bounded amount
// at a time.
class Hashing {
public:
    explicit Hashing(v2::Digest& digest) : digest_(digest), thread_([this] { run(); }) {}
    ~Hashing() { finish(); }
    Hashing(const Hashing&) = delete;
    Hashing& operator=(const Hashing&) = delete;

    void add(const char* data, size_t size) {
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [this] { return queued_ < Limit; });
        pieces_.emplace_back(data, size);
        queued_ += size;
        lock.unlock();
        ready_.notify_one();
    }
    // Waits until everything added is hashed.
    void finish() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        ready_.notify_one();
        if (thread_.joinable())
            thread_.join();
    }

private:
    static constexpr size_t Limit = 64u << 20;
    void run() {
        for (;;) {
            std::string piece;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [this] { return done_ || !pieces_.empty(); });
                if (pieces_.empty())
                    return;
                piece = std::move(pieces_.front());
                pieces_.pop_front();
                queued_ -= piece.size();
            }
            room_.notify_one();
            digest_.update(piece.data(), piece.size());
        }
    }

    v2::Digest& digest_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable room_;
    std::deque<std::string> pieces_;
    size_t queued_ = 0;
    bool done_ = false;
    std::thread thread_; // last: it starts at once
};

// The stored files of a finished archive read back before it replaces the
// old one: by CRC, or byte for byte against their sources.
void checkWritten(const std::string& tempPath, const Archive& archive,
                  const std::vector<std::string>& sources, const WriteSettings& settings) {
    ArchiveFile written(tempPath);
    const Archive reread = readArchive(written);
    if (reread.entries.size() != archive.entries.size())
        throw JarError(ExitCrc, "the new archive does not read back; the archive is unchanged");
    std::string expected(BufferSize, '\0');
    for (size_t i = 0; i < reread.entries.size(); ++i) {
        const Entry& entry = reread.entries[i];
        const bool fresh = !sources[i].empty();
        if (!settings.testBeforeReplace &&
            !(fresh && settings.checkStored != WriteSettings::Check::None))
            continue;
        throwIfInterrupted();
        Fd source;
        bool same = true;
        if (fresh && settings.checkStored == WriteSettings::Check::Compare) {
            std::string problem;
            source = openRegularFile(sources[i], problem);
            same = source.valid();
        }
        const bool good = readEntryData(written, entry, [&](const char* data, size_t size) {
            while (same && source.valid() && size > 0) {
                const size_t step = std::min(size, expected.size());
                same = source.read(expected.data(), step) == static_cast<ssize_t>(step) &&
                       std::memcmp(expected.data(), data, step) == 0;
                data += step;
                size -= step;
            }
        });
        char more = 0;
        if (same && source.valid())
            same = source.read(&more, 1) == 0;
        if (!good || !same)
            throw JarError(ExitCrc, "\"" + entry.name +
                                        "\" does not read back as it was stored; the archive is "
                                        "unchanged");
    }
}

// The tag of the archive being written: its first `size` bytes, as they are
// in the temporary file, then its footer; keyed with the tag key of `keys`,
// or plain BLAKE2b for a seal without a password.
std::string tagOf(TempFile& temp, std::uint64_t size, const std::string& footer,
                  const v2::Protection* keys) {
    temp.flush();
    Fd file(::open(temp.path().c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid())
        throw JarError(ExitWrite, "cannot read back the new archive; the archive is unchanged");
    v2::Digest digest(keys);
    std::string buffer(BufferSize, '\0');
    while (size > 0) {
        throwIfInterrupted();
        const ssize_t got = file.read(
            buffer.data(), static_cast<size_t>(std::min<std::uint64_t>(size, BufferSize)));
        if (got <= 0)
            throw JarError(ExitWrite, "cannot read back the new archive; the archive is unchanged");
        digest.update(buffer.data(), static_cast<size_t>(got));
        size -= static_cast<std::uint64_t>(got);
    }
    digest.update(footer.data(), footer.size());
    std::string tag(v2::TagSize, '\0');
    digest.finish(reinterpret_cast<unsigned char*>(tag.data()));
    return tag;
}

// The framed part of the tag of an archive being written: its header and
// its blocks' framing, read back from the temporary file.
void digestWrittenFraming(TempFile& temp, std::uint64_t headerEnd,
                          const std::vector<v2::Block>& blocks, v2::Digest& digest) {
    temp.flush();
    Fd file(::open(temp.path().c_str(), O_RDONLY | O_CLOEXEC));
    const v2::ReadAt read = [&file](std::uint64_t at, char* out, size_t size) {
        return v2::readFd(file.get(), at, out, size);
    };
    std::string header(headerEnd, '\0');
    const bool gotHeader = file.valid() && read(0, header.data(), header.size());
    if (gotHeader)
        digest.update(header.data(), header.size());
    if (!gotHeader || !digestFraming(read, blocks, digest))
        throw JarError(ExitWrite, "cannot read back the new archive; the archive is unchanged");
}

} // namespace

void writeIndex(TempFile& temp, const Archive& archive, const std::vector<v2::Block>& blocks,
                std::uint64_t indexOffset, const v2::Protection* keys, const std::string& unchanged,
                v2::Digest* running) {
    const std::string index = v2::encodeIndex(archive, blocks);
    std::string stored = compressFrame(index);
    if (archive.hidden)
        stored = keys->sealIndex(stored);
    if (index.size() > std::numeric_limits<std::uint32_t>::max() ||
        stored.size() > std::numeric_limits<std::uint32_t>::max())
        throw JarError(ExitFatal, "too many files for one archive; " + unchanged);
    v2::Footer footer;
    footer.indexOffset = indexOffset;
    footer.storedSize = static_cast<std::uint32_t>(stored.size());
    footer.rawSize = static_cast<std::uint32_t>(index.size());
    footer.crc = Crc32::of(stored.data(), stored.size());
    temp.write(stored);
    const std::string footerData = v2::encodeFooter(footer);
    if (running != nullptr) {
        running->update(stored.data(), stored.size());
        running->update(footerData.data(), footerData.size());
        std::string tag(v2::TagSize, '\0');
        running->finish(reinterpret_cast<unsigned char*>(tag.data()));
        temp.write(tag);
    } else if (keys != nullptr || archive.sealed) {
        temp.write(tagOf(temp, indexOffset + stored.size(), footerData, keys));
    }
    temp.write(footerData);
}

void appendRecords(const std::string& path) {
    Fd file(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0)
        throw JarError(ExitWrite,
                       "cannot add recovery records to \"" + path + "\": " + std::strerror(errno));
    v2::writeRecords(file.get(), static_cast<std::uint64_t>(info.st_size));
}

ArchiveFile::ArchiveFile(const std::string& path) : path_(path) {
    std::string problem;
    fd_ = openRegularFile(path, problem);
    struct stat info {};
    if (!fd_.valid() || ::fstat(fd_.get(), &info) != 0)
        throw JarError(ExitCannotOpen, "cannot open the archive \"" + path + "\": " +
                                           (problem.empty() ? std::strerror(errno) : problem));
    size_ = fileSize_ = static_cast<std::uint64_t>(info.st_size);
    findRecords(false);
}

void ArchiveFile::findRecords(bool anywhere) {
    // Found by their head at the end. When one of Jar's own archives ends in
    // neither that nor its footer, the first copy of the head is looked for
    // in the last quarter, where it lies unless the end lost more than the
    // records repair; the whole file only when asked (t, -hx, -jr, rh).
    std::uint64_t from = fileSize_;
    char magic[MagicSize] = {};
    char end[MagicSize] = {};
    if (anywhere) {
        from = 0;
    } else if (fileSize_ >= MagicSize && readRaw(0, magic, MagicSize) &&
               std::memcmp(magic, v2::Magic, MagicSize) == 0 &&
               readRaw(fileSize_ - MagicSize, end, MagicSize) &&
               std::memcmp(end, v2::FooterMagic, MagicSize) != 0) {
        from = fileSize_ -
               std::min<std::uint64_t>(fileSize_, std::max<std::uint64_t>(fileSize_ / 4, 1u << 20));
    }
    records_ = v2::findRecords([this](std::uint64_t offset, char* buffer,
                                      size_t size) { return readRaw(offset, buffer, size); },
                               fileSize_, from);
    size_ = records_ ? records_->protectedSize : fileSize_;
    windowLength_ = 0;
}

ArchiveFile::~ArchiveFile() = default;

void ArchiveFile::checkLater(std::future<bool> check, std::string damage) {
    check_ = std::move(check);
    damage_ = std::move(damage);
}

bool ArchiveFile::checking() const {
    return check_.valid() && check_.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

void ArchiveFile::confirm() {
    if (check_.valid() && !check_.get()) {
        // Every later call fails the same way.
        std::promise<bool> failed;
        check_ = failed.get_future();
        failed.set_value(false);
        throw damagedError(path_, damage_.c_str());
    }
}

void ArchiveFile::setFormat(std::uint32_t version, std::unique_ptr<v2::BlockReader> blocks) {
    version_ = version;
    blocks_ = std::move(blocks);
}

bool ArchiveFile::readAt(std::uint64_t offset, char* buffer, size_t size) {
    if (!readRaw(offset, buffer, size))
        return false;
    if (patched_.empty() || size == 0)
        return true;
    // The rebuilt sectors this read overlaps.
    const std::uint64_t end = offset + size;
    for (auto it = patched_.lower_bound(offset / v2::SectorSize);
         it != patched_.end() && it->first * v2::SectorSize < end; ++it) {
        const std::uint64_t start = it->first * v2::SectorSize;
        const std::uint64_t from = std::max(start, offset);
        const std::uint64_t to = std::min(start + v2::SectorSize, end);
        std::memcpy(buffer + (from - offset), it->second.data() + (from - start),
                    static_cast<size_t>(to - from));
    }
    return true;
}

bool ArchiveFile::readRaw(std::uint64_t offset, char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(fd_.get(), buffer + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            throwIfInterrupted();
            continue;
        }
        if (got <= 0)
            return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

bool ArchiveFile::copy(std::uint64_t offset, std::uint64_t size, const Sink& sink) {
    while (size > 0) {
        if (offset < windowStart_ || offset - windowStart_ >= windowLength_) {
            throwIfInterrupted();
            if (offset >= size_)
                return false;
            windowLength_ =
                static_cast<size_t>(std::min<std::uint64_t>(WindowSize, size_ - offset));
            window_.resize(std::max(window_.size(), windowLength_));
            windowStart_ = offset;
            if (!readAt(offset, window_.data(), windowLength_)) {
                windowLength_ = 0;
                return false;
            }
        }
        const auto at = static_cast<size_t>(offset - windowStart_);
        const auto piece = static_cast<size_t>(std::min<std::uint64_t>(size, windowLength_ - at));
        sink(window_.data() + at, piece);
        offset += piece;
        size -= piece;
    }
    return true;
}

Archive readArchive(ArchiveFile& file) {
    char magic[MagicSize] = {};
    if (file.size() >= MagicSize && file.readAt(0, magic, MagicSize)) {
        if (std::memcmp(magic, v2::Magic, MagicSize) == 0)
            return readVersion2(file);
        if (std::memcmp(magic, ArchiveMagic, MagicSize) == 0) {
            Archive archive = v1::readIndex(file);
            file.setFormat(1, nullptr);
            return archive;
        }
    }
    throw JarError(ExitNotArchive, "\"" + file.path() + "\" is not an archive of this archiver");
}

bool readEntryData(ArchiveFile& file, const Entry& entry, const Sink& sink) {
    Crc32 crc;
    auto checked = [&](const char* data, size_t size) {
        crc.update(data, size);
        sink(data, size);
    };
    const bool complete = file.blocks() != nullptr
                              ? file.blocks()->copy(entry.offset, entry.size, checked)
                              : file.copy(entry.offset, entry.size, checked);
    return complete && crc.value() == entry.crc;
}

void writeArchive(const std::string& path, Archive& archive, ArchiveFile* previous,
                  const WriteSettings& settings) {
    struct stat info {};
    const mode_t mode =
        ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : defaultFileMode();
    for (const std::string* comment : {&archive.comment}) {
        if (comment->size() > v2::MaxComment)
            throw JarError(ExitBadParameters, "a comment is longer than 1 MiB");
    }
    for (const Chapter& chapter : archive.chapters) {
        if (chapter.comment.size() > v2::MaxComment)
            throw JarError(ExitBadParameters, "a comment is longer than 1 MiB");
    }

    Console& console = Console::instance();
    const std::string count = withSeparators(archive.entries.size());
    v2::BlockReader* old = previous != nullptr ? previous->blocks() : nullptr;
    // Encrypted blocks are sealed to their place, so they are always stored again.
    const bool recompress =
        settings.recompress || v2::Protection::instance().active() ||
        (old != nullptr &&
         std::any_of(old->blocks().begin(), old->blocks().end(),
                     [](const v2::Block& block) { return block.transforms != 0; }));
    const std::vector<bool> copyable = old != nullptr && !recompress
                                           ? copyableEntries(archive, *old)
                                           : std::vector<bool>(archive.entries.size(), false);
    // Where each block of the previous archive went in this one.
    constexpr std::uint32_t NotCopied = std::numeric_limits<std::uint32_t>::max();
    std::vector<std::uint32_t> copiedTo(old != nullptr ? old->blocks().size() : 0, NotCopied);
    std::vector<std::string> sources(archive.entries.size());

    v2::Protection& protection = v2::Protection::instance();
    if (archive.hidden && !protection.active())
        throw JarError(ExitBadParameters, "only an encrypted archive can hide its contents (-jx "
                                          "goes with -hg1); nothing was written");
    const v2::Protection* keys = protection.keyHeld() ? &protection : nullptr;
    // Encrypted blocks carry AEAD tags under the archive's key: unless the
    // archive is sealed, its tag takes those and not the ciphertext again.
    const bool framed = keys != nullptr && keys->active() && !archive.sealed;
    const std::uint32_t headerFlags = (archive.hidden ? v2::HiddenFlag : 0) |
                                      (archive.sealed ? v2::SealedFlag : 0) |
                                      (framed ? v2::FramedTagFlag : 0);

    TempFile temp(path, settings.workDirectory);
    // Else the tag follows the archive as it is written, on a thread of its own.
    std::optional<v2::Digest> tag;
    std::optional<Hashing> hashing;
    if (keys != nullptr || archive.sealed) {
        tag.emplace(keys);
        if (!framed) {
            hashing.emplace(*tag);
            temp.follow([&hashing](const char* data, size_t size) { hashing->add(data, size); });
        }
    }
    {
        v2::BlockWriter writer(temp, archive.entries, levelSettings(settings.level), headerFlags);
        std::string buffer(BufferSize, '\0');
        for (size_t number = 0; number < archive.entries.size(); ++number) {
            Entry& entry = archive.entries[number];
            if (entry.comment.size() > v2::MaxComment)
                throw JarError(ExitBadParameters, "a comment is longer than 1 MiB");
            std::uint64_t done = 0;
            auto show = [&](size_t size) {
                done += size;
                if (console.statusDue())
                    console.status("Storing file " + withSeparators(number + 1) + " of " + count +
                                   ": " + entry.name + " " +
                                   std::to_string(entry.size > 0 ? std::min<std::uint64_t>(
                                                                       done * 100 / entry.size, 100)
                                                                 : 100) +
                                   "%");
            };
            if (copyable[number]) {
                // Its blocks go over as they are, once, in order.
                const size_t first = old->blockAt(entry.offset);
                size_t last = first;
                while (old->blockStart(last) + old->blocks()[last].dataSize() <
                       entry.offset + entry.size)
                    ++last;
                bool fits = true;
                bool copying = copiedTo[first] == NotCopied;
                for (size_t b = first + 1; b <= last && fits; ++b) {
                    if (copying) {
                        fits = copiedTo[b] == NotCopied;
                    } else if (copiedTo[b] == NotCopied) {
                        fits = writer.follows(copiedTo[b - 1]);
                        copying = true;
                    } else {
                        fits = copiedTo[b] == copiedTo[b - 1] + 1;
                    }
                }
                if (fits) {
                    for (size_t b = first; b <= last; ++b) {
                        if (copiedTo[b] == NotCopied)
                            copiedTo[b] = writer.copyBlock(*previous, old->blocks()[b]);
                    }
                    entry.offset = writer.blockStart(copiedTo[first]) +
                                   (entry.offset - old->blockStart(first));
                    show(static_cast<size_t>(entry.size));
                    continue;
                }
            }
            if (entry.source.empty()) {
                // Taken out of the previous archive and stored again, with
                // the CRC it had, so that damage stays detectable.
                if (previous == nullptr)
                    throw JarError(ExitFatal, "cannot read \"" + entry.name + "\"");
                const Entry was = entry;
                writer.beginFile(number);
                const bool complete =
                    previous->blocks() != nullptr
                        ? previous->blocks()->copy(was.offset, was.size,
                                                   [&](const char* data, size_t size) {
                                                       writer.add(data, size);
                                                       show(size);
                                                   })
                        : previous->copy(was.offset, was.size, [&](const char* data, size_t size) {
                              writer.add(data, size);
                              show(size);
                          });
                if (!complete)
                    throw JarError(ExitCrc, "cannot read \"" + entry.name + "\" from \"" +
                                                previous->path() +
                                                "\": it is damaged; the archive is unchanged");
                writer.endFile();
                continue;
            }
            std::string problem;
            Fd source = openRegularFile(entry.source, problem);
            if (!source.valid())
                throw JarError(ExitFatal, "cannot read \"" + entry.source + "\": " + problem +
                                              "; the archive is unchanged");
            writer.beginFile(number);
            Crc32 crc;
            for (;;) {
                throwIfInterrupted();
                const ssize_t got = source.read(buffer.data(), BufferSize);
                if (got < 0)
                    throw JarError(ExitFatal, "cannot read \"" + entry.source +
                                                  "\"; the archive is unchanged");
                crc.update(buffer.data(), static_cast<size_t>(got));
                writer.add(buffer.data(), static_cast<size_t>(got));
                show(static_cast<size_t>(got));
                if (got < static_cast<ssize_t>(BufferSize))
                    break;
            }
            entry.size = done;
            entry.crc = crc.value();
            sources[number] = entry.source;
            writer.endFile();
        }
        const std::vector<v2::Block>& blocks = writer.finish();
        if (hashing) {
            temp.follow(nullptr);
            hashing->finish();
        }
        if (framed)
            digestWrittenFraming(temp, v2::HeaderSize + v2::ProtectionSize, blocks, *tag);
        writeIndex(temp, archive, blocks, writer.offset(), keys, "the archive is unchanged",
                   tag ? &*tag : nullptr);
    }
    if (settings.recoveryRecords) {
        // Computed last, over the archive's final bytes.
        temp.flush();
        if (console.statusDue())
            console.status("Adding recovery records");
        appendRecords(temp.path());
    }
    if (settings.testBeforeReplace || settings.checkStored != WriteSettings::Check::None) {
        temp.flush();
        if (console.statusDue())
            console.status("Testing the new archive");
        checkWritten(temp.path(), archive, sources, settings);
    }
    temp.commit(mode);
    console.endStatus("Stored " + count + " file(s)");
    for (Entry& entry : archive.entries)
        entry.source.clear();
}

} // namespace brak::jar
