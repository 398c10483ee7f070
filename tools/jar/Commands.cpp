#include "Commands.h"

#include "Password.h"
#include "commands/Commands.h"
#include "commands/Repair.h"
#include "foreign/ForeignCommands.h"
#include "format/Container.h"
#include "format/Protection.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brak::jar {

namespace {

// Whether `path` is one of Jar's own archives whose blocks are encrypted.
bool encryptedArchive(const std::string& path) {
    // Never blocks on a FIFO: only a regular file is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info {};
    char header[v2::HeaderSize];
    const bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                      ::pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
    ::close(fd);
    return read && std::memcmp(header, v2::Magic, 8) == 0 &&
           (static_cast<unsigned char>(header[12]) & v2::EncryptedFlag) != 0;
}

int dispatch(const Options& given) {
    // A password handed over on a descriptor is read before anything else.
    if (given.passwordDescriptor >= 0)
        takePasswordFrom(given.passwordDescriptor);
    // Zip, 7z, tar and the other formats libarchive reads take their own way.
    if (auto code = runForeignCommand(given))
        return *code;
    Options options = given;
    const std::string& command = options.command;
    const bool encrypted = encryptedArchive(options.archive);
    if (encrypted && command == "rh")
        throw JarError(ExitBadParameters, "the index of an encrypted archive cannot be rebuilt "
                                          "from its blocks; nothing was done");
    // Listing shows the index, which is not encrypted: it needs no password.
    v2::Protection::instance().askOnRead = !(command == "l" || command == "v" || command == "ls" ||
                                             command == "lc" || command == "lt");
    // A new or plain archive gets a new password; an encrypted one is
    // opened with its own, asked when it is read.
    const bool adding =
        command == "a" || command == "ac" || command == "u" || command == "f" || command == "m";
    if ((options.encrypt || (options.password && adding)) && !encrypted)
        v2::Protection::instance().create(v2::askNewArchivePassword(options.archive));
    // A command that stores no new file has only the data it copies to
    // compress: a level given means compressing it again at that level.
    if (options.levelGiven && (command == "c" || command == "d" || command == "da" ||
                               command == "dc" || command == "rh" || command == "y"))
        options.write.recompress = true;
    if (command == "a" || command == "ac" || command == "u" || command == "f" || command == "m")
        return addFiles(options);
    if (command == "d" || command == "da")
        return deleteFiles(options);
    if (command == "dc")
        return deleteChapters(options);
    if (command == "e" || command == "x")
        return extractFiles(options);
    if (command == "t")
        return testArchive(options);
    if (command == "l" || command == "v" || command == "ls")
        return listArchive(options);
    if (command == "lc")
        return listChapters(options);
    if (command == "lt")
        return writeDump(options);
    if (command == "c")
        return commentArchive(options);
    if (command == "y")
        return copyArchive(options);
    if (command == "rh")
        return recoverHeader(options);
    if (command == "sl")
        return scanFiles(options);
    throw JarError(ExitBadParameters, "unknown command \"" + command + "\"");
}

} // namespace

int runCommand(const Options& given) {
    finishRecovery(false);
    const int code = dispatch(given);
    // A repair from recovery records is a warning at least.
    return std::max(code, finishRecovery(true));
}

} // namespace brak::jar
