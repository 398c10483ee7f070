#include "Commands.h"

#include "commands/Commands.h"
#include "foreign/ForeignCommands.h"

namespace brak::jar {

int runCommand(const Options& given) {
    // Zip, 7z, tar and the other formats libarchive reads take their own way.
    if (auto code = runForeignCommand(given))
        return *code;
    Options options = given;
    const std::string& command = options.command;
    if (options.encrypt)
        throw JarError(ExitBadParameters,
                       "the switch -hg1 is not available yet for Jar's own archives: encryption "
                       "comes with a later version (zip archives can be encrypted); nothing was "
                       "done");
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

} // namespace brak::jar
