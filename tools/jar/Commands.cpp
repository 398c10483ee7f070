#include "Commands.h"

#include "Password.h"
#include "commands/Commands.h"
#include "commands/Rekey.h"
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

// The header flags of one of Jar's own version 2 archives; 0 for anything else.
std::uint32_t headerFlags(const std::string& path) {
    // Never blocks on a FIFO: only a regular file is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return 0;
    struct stat info {};
    char header[v2::HeaderSize];
    const bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                      ::pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
    ::close(fd);
    if (!read || std::memcmp(header, v2::Magic, 8) != 0)
        return 0;
    std::uint32_t flags = 0;
    for (int i = 3; i >= 0; --i)
        flags = (flags << 8) | static_cast<unsigned char>(header[12 + i]);
    return flags;
}

// Runs the command itself; a new password is applied after it.
int dispatch(const Options& options);

// The command with the passwords it needs: the archive's own, asked or
// handed over, before it, and a new one applied after it.
int runWithPasswords(const Options& given) {
    // A password handed over on a descriptor is read before anything else.
    if (given.passwordDescriptor >= 0)
        takePasswordFrom(given.passwordDescriptor);
    // Zip, 7z, tar and the other formats libarchive reads take their own way.
    if (auto code = runForeignCommand(given))
        return *code;
    Options options = given;
    const std::string& command = options.command;
    const std::uint32_t flags = headerFlags(options.archive);
    const bool encrypted = (flags & v2::EncryptedFlag) != 0;
    const bool keyed = v2::carriesKey(flags);
    if (command == "rh" && (keyed || (flags & v2::SealedFlag)))
        throw JarError(ExitBadParameters,
                       std::string("the index of ") +
                           (keyed ? "a password-protected" : "a sealed") +
                           " archive cannot be rebuilt from its blocks; nothing was done");
    v2::Protection& protection = v2::Protection::instance();
    // Listing shows the index, which is encrypted only when it is hidden.
    protection.askOnRead = !(command == "l" || command == "v" || command == "ls" ||
                             command == "lc" || command == "lt");
    protection.checkSeal = command == "t" && !options.skipSeal;
    protection.checkBeside = command == "e" || command == "x";
    protection.encryptOnWrite = options.encrypt;
    const bool adding =
        command == "a" || command == "ac" || command == "u" || command == "f" || command == "m";
    const bool encrypting =
        options.encrypt || (options.password && adding && !options.authenticate);
    if (options.hide && !encrypting && !encrypted && options.newPassword != NewPassword::Change)
        throw JarError(ExitBadParameters, "the switch -jx hides the contents of an encrypted "
                                          "archive only: give -hg1 with it; nothing was done");
    // A new password (-np) decides how the archive ends up protected; else a
    // new or plain archive gets a new password, and a protected one is
    // opened with its own, asked when it is read.
    PasswordChange change = preparePasswordChange(options, flags);
    if ((encrypting || options.authenticate) && !keyed && change.mode == NewPassword::Keep)
        protection.create(v2::askNewArchivePassword(options.archive), encrypting);
    // A command that stores no new file has only the data it copies to
    // compress: a level given means compressing it again at that level.
    if (options.levelGiven && (command == "c" || command == "d" || command == "da" ||
                               command == "dc" || command == "rh" || command == "y"))
        options.write.recompress = true;
    Options work = options;
    if (change.resealsAfter)
        work.volumes = {};
    const int code = dispatch(work);
    if (code <= ExitWarning)
        changePassword(options, change);
    return code;
}

int dispatch(const Options& options) {
    const std::string& command = options.command;
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
    const int code = runWithPasswords(given);
    // A repair from recovery records is a warning at least.
    return std::max(code, finishRecovery(true));
}

} // namespace brak::jar
