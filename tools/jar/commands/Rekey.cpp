#include "commands/Rekey.h"

#include "Console.h"
#include "Files.h"
#include "commands/Support.h"
#include "commands/Volumes.h"
#include "format/BlockReader.h"
#include "format/Container.h"
#include "format/Crc32.h"
#include "format/Protection.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace brak::jar {

namespace {

// The archive a command writes: y may write a copy under another name (a
// mask in its place, as the front-end passes "*.*", means in place).
std::string writtenArchive(const Options& options) {
    if (options.command == "y") {
        for (const std::string& name : options.names) {
            if (name.find_first_of("*?") == std::string::npos)
                return name;
        }
    }
    return options.archive;
}

// The header flags of a version 2 archive; nothing for any other file.
std::optional<std::uint32_t> headerFlags(ArchiveFile& file) {
    char header[v2::HeaderSize];
    if (!file.readAt(0, header, sizeof header) || std::memcmp(header, v2::Magic, 8) != 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(littleEndian(header + 12, 4));
}

// A sealed archive stays as it was sealed: its password is not changed.
void checkFlags(ArchiveFile& file, const std::string& done) {
    const auto flags = headerFlags(file);
    if (flags && (*flags & v2::SealedFlag) != 0)
        throw JarError(ExitBadParameters, "the password of \"" + file.path() +
                                              "\" cannot be changed: the archive is sealed; " +
                                              done);
}

JarError damaged(const std::string& path) {
    return JarError(ExitCrc, "a block of the archive \"" + path +
                                 "\" is damaged; its password was not changed");
}

// Every block opened with the run's key and sealed with `next` (or left
// plain without one) in its own place, the compressed data as it is; the
// index is written again with the blocks' new sizes.
void rewriteBlocks(const Options& options, const std::string& path, ArchiveFile& file,
                   Archive& archive, const v2::Protection* next) {
    const v2::Protection& current = v2::Protection::instance();
    const auto& blocks = file.blocks()->blocks();
    struct stat info {};
    const mode_t mode =
        ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : defaultFileMode();
    TempFile temp(path, options.write.workDirectory);
    // The contents stay hidden under a new password; without one they cannot.
    archive.hidden = archive.hidden && next != nullptr;
    const std::string header = v2::encodeHeader(archive.hidden ? v2::HiddenFlag : 0, next);
    temp.write(header);
    std::uint64_t offset = header.size();

    std::vector<v2::Block> written;
    std::vector<std::uint64_t> starts;
    std::uint64_t stream = 0;
    std::string payload;
    std::string plain;
    Console& console = Console::instance();
    for (size_t number = 0; number < blocks.size(); ++number) {
        throwIfInterrupted();
        if (console.statusDue())
            console.status(std::string(next != nullptr ? "Sealing" : "Opening") + " block " +
                           std::to_string(number + 1) + " of " + std::to_string(blocks.size()));
        const v2::Block& block = blocks[number];
        const auto sequence = static_cast<std::uint32_t>(number);
        char head[v2::BlockHeaderSize];
        v2::BlockHeader read;
        payload.resize(block.storedSize);
        if (block.transforms != v2::EncryptedTransform ||
            !file.readAt(block.offset, head, sizeof head) || !v2::decodeBlockHeader(head, read) ||
            read.sequence != sequence || read.block.storedSize != block.storedSize ||
            read.block.transforms != block.transforms ||
            !file.readAt(block.offset + v2::BlockHeaderSize, payload.data(), payload.size()) ||
            Crc32::of(payload.data(), payload.size()) != read.payloadCrc ||
            !current.open(payload.data(), payload.size(), sequence, plain))
            throw damaged(file.path());
        const std::string sealed = next != nullptr ? next->seal(plain, sequence) : std::string();
        const std::string& out = next != nullptr ? sealed : plain;
        v2::Block moved = block;
        moved.offset = offset;
        moved.storedSize = static_cast<std::uint32_t>(out.size());
        moved.transforms = next != nullptr ? v2::EncryptedTransform : 0;
        temp.write(v2::encodeBlockHeader({sequence, moved, Crc32::of(out.data(), out.size())}));
        temp.write(out);
        offset += v2::BlockHeaderSize + out.size();
        written.push_back(moved);
        starts.push_back(stream);
        stream += moved.dataSize();
    }
    // Each file's share of its blocks' stored bytes, as the block writer counts it.
    for (Entry& entry : archive.entries) {
        entry.packedSize = 0;
        const std::uint64_t end = entry.offset + entry.size;
        for (size_t b = 0; b < written.size(); ++b) {
            const std::uint64_t data = written[b].dataSize();
            const std::uint64_t from = std::max(entry.offset, starts[b]);
            const std::uint64_t to = std::min(end, starts[b] + data);
            if (data > 0 && from < to)
                entry.packedSize += ((to - from) * written[b].storedSize + data / 2) / data;
        }
    }
    // The new key authenticates the whole archive, as every key does.
    writeIndex(temp, archive, written, offset, next, "its password was not changed");
    if (options.write.recoveryRecords || file.records()) {
        // Made again over the archive's new bytes.
        temp.flush();
        appendRecords(temp.path());
    }
    temp.commit(mode);
    console.endStatus(std::string(next != nullptr ? "Sealed " : "Decrypted ") +
                      std::to_string(blocks.size()) + " block(s)");
}

} // namespace

PasswordChange preparePasswordChange(const Options& options, std::uint32_t flags) {
    const bool encrypted = (flags & v2::EncryptedFlag) != 0;
    PasswordChange change;
    change.mode = options.newPassword;
    if (change.mode == NewPassword::Keep)
        return change;
    if (options.newPasswordDescriptor >= 0 &&
        options.newPasswordDescriptor == options.passwordDescriptor)
        throw JarError(ExitBadParameters,
                       "the password and the new password cannot come from the same descriptor; "
                       "nothing was done");
    if (change.mode == NewPassword::Remove && options.encrypt)
        throw JarError(ExitBadParameters,
                       "-hg1 encrypts the archive and -np- removes its password: give one of "
                       "them; nothing was done");
    change.target = writtenArchive(options);
    struct stat info {};
    change.existed = ::stat(change.target.c_str(), &info) == 0;
    change.inode = info.st_ino;
    if (options.newPasswordDescriptor >= 0)
        change.password = passwordFrom(options.newPasswordDescriptor);
    // The current password first: a wrong one ends the run before the new
    // one is asked and before anything is written.
    if (pathExists(options.archive)) {
        ArchiveFile first(options.archive); // the header is in the first volume
        checkFlags(first, "nothing was done");
    }
    if (v2::carriesKey(flags))
        OpenArchive(options).read();
    change.resealsAfter = encrypted;
    if (change.mode == NewPassword::Change && !change.password)
        change.password = v2::askNewArchivePassword(change.target, true);
    if (change.mode == NewPassword::Change && !v2::carriesKey(flags)) {
        v2::Protection::instance().create(*change.password);
        change.keyIsNew = true;
    }
    return change;
}

void changePassword(const Options& options, PasswordChange& change) {
    if (change.mode == NewPassword::Keep)
        return;
    Console& console = Console::instance();
    struct stat info {};
    const std::string& name = change.target;
    if (::stat(name.c_str(), &info) != 0)
        return; // the command made no archive
    // A copy that was not made (y declined to replace a file) is left alone.
    if (name != options.archive && change.existed && info.st_ino == change.inode)
        return;
    Options reading = options;
    reading.archive = name;
    OpenArchive opened(reading);
    Archive archive = opened.read(); // with the run's key, asked for nothing
    ArchiveFile& file = opened.file();
    checkFlags(file, "what the command did is kept");
    const std::uint32_t flags = headerFlags(file).value_or(0);
    const bool encrypted = (flags & v2::EncryptedFlag) != 0;
    if (change.mode == NewPassword::Remove && !v2::carriesKey(flags)) {
        console.out() << "Archive " << highlighted(name) << " has no password to remove";
        return;
    }
    if (change.mode == NewPassword::Change && change.keyIsNew && v2::carriesKey(flags)) {
        console.out() << "Archive " << highlighted(name) << " encrypted with the new password";
        return;
    }
    const std::string path = writeTarget(name);
    struct timespec stamps[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
    if (options.stamp != ArchiveStamp::Now)
        stamps[1] = info.st_mtim;
    if (!encrypted) {
        // A plain or only authenticated archive (or one of the first format
        // version) has plain blocks: it is stored again under the new key,
        // which keeps the kind of protection of the one it replaces, or
        // under none.
        v2::Protection& protection = v2::Protection::instance();
        if (change.mode == NewPassword::Remove)
            protection.forget();
        else if (!change.keyIsNew)
            protection.create(*change.password);
        saveArchive(options, archive, &file, name, opened.volumes());
    } else {
        std::unique_ptr<v2::Protection> next;
        if (change.mode == NewPassword::Change) {
            next = v2::Protection::separate();
            next->create(*change.password);
        }
        rewriteBlocks(options, path, file, archive, next.get());
        if (options.volumes.active() || opened.volumes() > 1)
            splitVolumes(options, path, name, opened.volumes());
    }
    if (options.stamp != ArchiveStamp::Now && ::utimensat(AT_FDCWD, path.c_str(), stamps, 0) != 0)
        throw JarError(ExitWrite, "the password of \"" + name +
                                      "\" was changed, but its time stamp could not be set");
    if (change.mode == NewPassword::Remove)
        console.out() << "Password of the archive " << highlighted(name) << " removed";
    else
        console.out() << "Password of the archive " << highlighted(name) << " changed";
}

} // namespace brak::jar
