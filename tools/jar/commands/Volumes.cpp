#include "commands/Volumes.h"

#include "Console.h"
#include "Files.h"
#include "commands/Repair.h"
#include "format/Container.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brak::jar {

namespace fs = std::filesystem;

namespace {

constexpr size_t CopyPiece = 1024 * 1024;

bool isFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Appends a whole file to `out`; false when it cannot be read.
bool append(int out, const std::string& path, std::string& buffer) {
    std::string problem;
    Fd in = openRegularFile(path, problem);
    if (!in.valid())
        return false;
    for (;;) {
        throwIfInterrupted();
        const ssize_t got = in.read(buffer.data(), buffer.size());
        if (got < 0)
            return false;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                throw JarError(ExitWrite, "cannot join the volumes of the archive \"" + path +
                                              "\": " + std::strerror(errno));
            done += put;
        }
        if (got < static_cast<ssize_t>(buffer.size()))
            return true;
    }
}

std::string directoryOf(const std::string& path) {
    const std::string directory = fs::path(path).parent_path().string();
    return directory.empty() ? "." : directory;
}

// Runs the user's command between volumes, with JAR_VOLUME naming the next.
int runVolumeCommand(const std::string& command, const std::string& volume) {
    const pid_t child = ::fork();
    if (child < 0)
        throw JarError(ExitFatal,
                       std::string("cannot run the volume command: ") + std::strerror(errno));
    if (child == 0) {
        ::setenv("JAR_VOLUME", volume.c_str(), 1);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    throwIfInterrupted();
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

std::string volumeName(const std::string& archive, std::size_t index) {
    const size_t slash = archive.rfind('/');
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = archive.rfind('.');
    std::string digits = std::to_string(index);
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), '0');
    // A leading dot starts a hidden name, not an extension.
    if (dot == std::string::npos || dot <= base)
        return archive + '.' + digits;
    return archive.substr(0, dot + 1) + digits;
}

OpenArchive::OpenArchive(const Options& options) : path_(options.archive) {
    file_.emplace(path_);
    const std::string second = volumeName(path_, 1);
    // Recovery records protect an archive in one file; split, they are
    // read (they end its last volume) but not used to repair it.
    if (second == path_ || !isFile(second)) {
        useRecoveryRecords(options, file_);
        return;
    }
    // Volumes beside it: the first alone may still be the whole archive (an
    // earlier form left them, or they belong to nothing).
    try {
        archive_ = readArchive(*file_);
        return;
    } catch (const JarError& error) {
        if (error.code() == ExitInterrupted || error.code() == ExitNoMemory)
            throw;
    }
    const std::string directory =
        options.write.workDirectory.empty() ? directoryOf(path_) : options.write.workDirectory;
    std::string temp = joinPath(directory, ".JAR32-join.XXXXXX");
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        throw JarError(ExitWrite, "cannot make a file to join the volumes of \"" + path_ +
                                      "\" in \"" + directory + "\": " + std::strerror(errno));
    // Unnamed at once, so that nothing is left behind however the run ends;
    // it is opened again through /proc while the descriptor lives.
    ::unlink(temp.c_str());
    Fd joined(fd);
    const std::string alias = "/proc/self/fd/" + std::to_string(fd);
    std::string buffer(CopyPiece, '\0');
    if (!append(fd, path_, buffer))
        throw JarError(ExitCannotOpen, "cannot read the archive \"" + path_ + "\"");
    for (size_t index = 1;; ++index) {
        const std::string volume = volumeName(path_, index);
        if (!isFile(volume))
            throw JarError(ExitCannotOpen, "the volume \"" + volume + "\" of the archive \"" +
                                               path_ + "\" is missing (" + std::to_string(index) +
                                               " volume(s) found do not make the archive whole)");
        if (!append(fd, volume, buffer))
            throw JarError(ExitCannotOpen, "cannot read the volume \"" + volume +
                                               "\" of the archive \"" + path_ + "\"");
        volumes_ = index + 1;
        file_.emplace(alias);
        try {
            archive_ = readArchive(*file_);
            break;
        } catch (const JarError& error) {
            if (error.code() == ExitInterrupted || error.code() == ExitNoMemory)
                throw;
            // Whole by its footer, it failed for itself: a wrong password,
            // say, is told as such and not as a volume missing.
            char footer[v2::FooterSize];
            v2::Footer decoded;
            if (file_->size() >= v2::FooterSize &&
                file_->readAt(file_->size() - v2::FooterSize, footer, sizeof footer) &&
                v2::decodeFooter(footer, decoded))
                throw;
        }
    }
    // The reopened file keeps the data; this descriptor is no longer needed.
    (void)joined;
}

const Archive& OpenArchive::read() {
    if (!archive_)
        archive_ = readArchive(*file_);
    return *archive_;
}

void splitVolumes(const Options& options, const std::string& file, const std::string& name,
                  std::size_t oldVolumes) {
    Console& console = Console::instance();
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0)
        throw JarError(ExitWrite, "cannot find the archive just written \"" + name + "\"");
    const std::uint64_t total = static_cast<std::uint64_t>(info.st_size);
    std::uint64_t size = options.volumes.size;
    if (options.volumes.automatic) {
        struct statvfs space {};
        if (::statvfs(directoryOf(file).c_str(), &space) != 0)
            throw JarError(ExitWrite, "cannot learn the free space for the volumes of \"" + name +
                                          "\": " + std::strerror(errno));
        size = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
        if (size < 1024 && total > size)
            throw JarError(ExitWrite, "no free space for a second volume of \"" + name +
                                          "\"; the archive is kept whole in one file");
    }
    std::size_t count = 1;
    if (options.volumes.active() && total > size) {
        if (volumeName(name, 1) == name)
            throw JarError(ExitBadParameters,
                           "the archive \"" + name +
                               "\" is named as a volume; its volumes "
                               "would overwrite it. It is kept whole in one file");
        count = static_cast<std::size_t>((total + size - 1) / size);
    }
    std::string problem;
    Fd in = openRegularFile(file, problem);
    if (!in.valid())
        throw JarError(ExitWrite,
                       "cannot read the archive just written \"" + name + "\": " + problem);
    Prompt next(assumes(options, 'v'));
    std::size_t made = 1;
    try {
        std::string buffer(CopyPiece, '\0');
        for (; made < count; ++made) {
            const std::string volume = volumeName(name, made);
            console.out() << "Volume " << made + 1 << " of " << count << ": "
                          << highlighted(volume);
            if (options.volumes.beep) {
                console.finish();
                [[maybe_unused]] const ssize_t rang = ::write(1, "\a", 1);
            }
            if (options.volumes.ask &&
                next.ask("Ready for the volume " + volume + "?") != Answer::Yes)
                throw JarError(ExitWarning, "stopped before the volume \"" + volume +
                                                "\"; the archive is kept whole in one file");
            if (!options.volumes.command.empty()) {
                if (options.volumes.echo)
                    console.out() << options.volumes.command;
                console.finish();
                const int status = runVolumeCommand(options.volumes.command, volume);
                if (status != 0)
                    throw JarError(ExitFatal, "the volume command ended with status " +
                                                  std::to_string(status) + " before \"" + volume +
                                                  "\"; the archive is kept whole in one file");
            }
            TempFile out(volume);
            const std::uint64_t end = std::min(total, (made + 1) * size);
            for (std::uint64_t offset = made * size; offset < end;) {
                throwIfInterrupted();
                const size_t want =
                    static_cast<size_t>(std::min<std::uint64_t>(buffer.size(), end - offset));
                const ssize_t got =
                    ::pread(in.get(), buffer.data(), want, static_cast<off_t>(offset));
                if (got <= 0)
                    throw JarError(ExitWrite, "cannot read the archive just written \"" + name +
                                                  "\"; it is kept whole in one file");
                out.write(buffer.data(), static_cast<size_t>(got));
                offset += static_cast<std::uint64_t>(got);
            }
            out.commit(info.st_mode & 07777, true);
        }
        // Only now, with every volume safely written, does the first one shrink.
        if (count > 1 && ::truncate(file.c_str(), static_cast<off_t>(size)) != 0)
            throw JarError(ExitWrite, "cannot cut the archive \"" + name +
                                          "\" to its first volume: " + std::strerror(errno) +
                                          "; it is kept whole in one file");
    } catch (...) {
        for (std::size_t index = 1; index < made; ++index)
            ::unlink(volumeName(name, index).c_str());
        for (std::size_t index = 1; index < oldVolumes; ++index)
            ::unlink(volumeName(name, index).c_str());
        throw;
    }
    if (count > 1 && ::fsync(in.get()) != 0)
        throw JarError(ExitWrite, "cannot write the first volume of \"" + name +
                                      "\": " + std::strerror(errno));
    for (std::size_t index = count; index < oldVolumes; ++index)
        ::unlink(volumeName(name, index).c_str());
    if (count > 1)
        console.out() << "Archive " << highlighted(name) << " split into " << count
                      << " volumes of " << size << " bytes";
}

} // namespace brak::jar
