#include "Console.h"
#include "Files.h"
#include "cli/CommandLine.h"
#include "commands/Commands.h"
#include "commands/Support.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace brak::jar {

namespace {

// Why a file that opens could still not be archived whole now: a lock held
// by another process, of either kind Linux has. Nothing is left locked.
std::string lockHolder(int fd) {
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    // Open file description locks see the record locks of every other
    // process (and other descriptions); F_GETLK would miss none either.
    if (::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK)
        return probe.l_pid > 0 ? "a record lock held by process " + std::to_string(probe.l_pid)
                               : std::string("a record lock held by another process");
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? "a lock (flock) held by another process" : std::string();
    ::flock(fd, LOCK_UN);
    return {};
}

} // namespace

// sl: reports the files the masks name that cannot be read, or are locked
// by another process; they would be missing or inconsistent in an archive.
int scanFiles(const Options& options) {
    Console& console = Console::instance();
    Outcome outcome;
    const Selector selector(options);
    auto sources = collectSources(masksOf(options), options.recurse, options.archive, outcome);
    std::erase_if(sources, [&](const SourceFile& source) {
        return !selector.takes(source.storedName, source.times.modified);
    });
    size_t problems = 0;
    for (const SourceFile& source : sources) {
        throwIfInterrupted();
        if (!options.attributes.accepts(source.attributes))
            continue;
        std::string problem;
        Fd file = openRegularFile(source.path, problem);
        if (!file.valid()) {
            console.out() << "Cannot read " << highlighted(source.path) << ": " << problem;
        } else if (char byte = 0; ::pread(file.get(), &byte, 1, 0) < 0) {
            console.out() << "Cannot read " << highlighted(source.path) << ": "
                          << std::strerror(errno);
        } else if (const std::string holder = lockHolder(file.get()); !holder.empty()) {
            console.out() << "Locked      " << highlighted(source.path) << ": " << holder;
        } else {
            continue;
        }
        ++problems;
    }
    console.out() << sources.size() << " file(s) scanned, " << problems
                  << " cannot be read or are locked";
    if (problems > 0)
        outcome.raise(ExitWarning);
    return outcome.code();
}

} // namespace brak::jar
