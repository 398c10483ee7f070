// JAR32.EXE, the stand-in archiver shipped with Brak.

#include "Commands.h"
#include "Common.h"
#include "Config.h"
#include "Console.h"

#include <algorithm>
#include <fcntl.h>
#include <new>

namespace brak::jar {

namespace {

void printUsage() {
    const std::string_view usage =
        R"(JAR32.EXE - the stand-in archiver shipped with Brak (stored, multi-chapter archives)

Usage: JAR32.EXE <command> <archive> [<file masks> | !<list file>] [<switches>]

Commands:
  a   add or replace files in the last chapter (a new archive gets chapter 1)
  ac  add a new chapter: the previous chapter's files plus the files named
  u   update: add new files and files newer than the archived ones
  f   freshen: replace archived files by newer ones
  m   move: add, then delete the files that were stored
  d   delete files from the last chapter
  e   extract files of the last chapter without their paths
  x   extract files of the last chapter with their paths
  t   test the CRC of every stored file
  l   list the last chapter          v   list every stored version
  lt  <archive> <dump file>: write the technical listing
Switches:
  -r  recurse subdirectories         -y  assume yes to every question
  -q  ask about each file            -d  ask before deleting moved files
  -n  new files only                 -o<dir> or -o"<dir>": extract into <dir>
  -u1/-u2, -f1/-f2: update or freshen by newer / different time
  Other switches of Jar are accepted and ignored.
A mask without "/" matches a stored name's last part; *.* matches every name.
Predefined switches: "OptionsForCommand <command>=<switches>" lines of the file
named by JAR_CFG_FILE apply before the command line's own.
Exit codes: 0 success, 1 warning, 2 fatal error, 3 CRC error, 5 write error,
  6 cannot open archive, 7 bad parameters, 8 out of memory, 9 not an archive,
  11 interrupted.)";
    Console& console = Console::instance();
    for (size_t start = 0; start <= usage.size();) {
        const size_t end = std::min(usage.find('\n', start), usage.size());
        console.out() << usage.substr(start, end - start);
        start = end + 1;
    }
}

} // namespace

} // namespace brak::jar

int main(int argc, char** argv) {
    using namespace brak::jar;
    // A closed standard descriptor is given the null device, so that no file
    // opened later takes its place.
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0)
            ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    }
    installSignalHandlers();
    Console& console = Console::instance();

    // Like a Windows program, read the arguments as one command line.
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    int code = ExitSuccess;
    try {
        const Configuration configuration = readConfiguration();
        console.setColours(configuration.colours);
        const auto tokens = tokenize(line);
        if (tokens.empty())
            printUsage();
        else
            code = runCommand(parseCommandLine(tokens, configuration));
    } catch (const JarError& error) {
        console.error() << "JAR32.EXE: " << error.what();
        code = error.code();
    } catch (const std::bad_alloc&) {
        console.error() << "JAR32.EXE: not enough memory";
        code = ExitNoMemory;
    } catch (const std::exception& error) {
        console.error() << "JAR32.EXE: " << error.what();
        code = ExitFatal;
    }
    console.finish();
    return code;
}
