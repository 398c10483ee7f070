// JAR32.EXE, the stand-in archiver shipped with Brak.

#include "Commands.h"
#include "Common.h"
#include "Config.h"
#include "Console.h"
#include "cli/Switches.h"
#include "commands/Support.h"

#include <algorithm>
#include <fcntl.h>
#include <new>

namespace brak::jar {

namespace {

void printLines(std::string_view text) {
    Console& console = Console::instance();
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        console.out() << text.substr(start, end - start);
        start = end + 1;
    }
}

void printUsage() {
    printLines(
        R"(JAR32.EXE - the archiver shipped with Brak (zstd-compressed, multi-chapter archives)

Usage: JAR32.EXE <command> <archive> [<file masks> | !<list file>] [<switches>]
       JAR32.EXE --help    the switches, exit codes and limits as well

Commands:
  a   add or replace files in the last chapter (a new archive gets chapter 1)
  ac  add a new chapter: the previous chapter's files plus the files named
  c   set or remove comments: -z archive, -hz last chapter, -jz files named
  d   delete files from the last chapter    da  delete all its files
  dc  delete chapters: [<n> | <a>-<b>], the last chapter when none is named
  e   extract files of the last chapter without their paths
  x   extract files of the last chapter with their paths
  f   freshen: replace archived files by newer ones
  u   update: add new files and files newer than the archived ones
  m   move: add, then delete the files that were stored
  l   list the last chapter       v   list every stored version
  ls  names of the last chapter   lc  list the chapters
  lt  <archive> <dump file>: write the technical listing
  t   test the CRC of every stored file
  rh  rebuild a damaged archive's index (the damaged file is kept)
  sl  scan: report files the masks name that cannot be read or are locked
  y   [<new name>]: copy the archive, or write it again, with the switches given
A mask without "/" matches a stored name's last part; *.* matches every name.
A name in double quotes is always a name, even one starting with "-" or "!".)");
}

void printHelp() {
    printUsage();
    Console& console = Console::instance();
    console.out() << "";
    console.out() << "Switches (acted on; mapped: what it means on Linux; refused: exit code 7):";
    for (const SwitchHelp& help : switchHelp()) {
        const char* treatment = help.treatment == Treatment::Acted    ? "acted  "
                                : help.treatment == Treatment::Mapped ? "mapped "
                                                                      : "refused";
        const size_t width = 24;
        const std::string name = help.name.size() < width
                                     ? help.name + std::string(width - help.name.size(), ' ')
                                     : help.name + ' ';
        console.out() << "  " << name << treatment << ' ' << help.meaning;
        if (help.treatment != Treatment::Refused)
            console.out() << std::string(width + 10, ' ') << "commands: " << help.commands;
    }
    console.out() << "";
    console.out() << "The Advanced switches, -ta to -ve, come with every command and act on the "
                     "commands named; -np, -np- and -npfd<n> go with the commands that write.";
    console.out() << "";
    console.out() << "List files (!name) are read from the current directory when not given with "
                     "a path; only regular files, at most "
                  << (MaxListFileSize >> 20) << " MiB and " << MaxListLine
                  << " characters a line. Comment files (-z, -hz, -jz): regular files of at most "
                  << (MaxCommentSize >> 10) << " KiB.";
    printLines(R"(Predefined switches: "OptionsForCommand <command>=<switches>" lines of the file
named by JAR_CFG_FILE apply before the command line's own, through the same
checks.
Exit codes: 0 success, 1 warning, 2 fatal error, 3 CRC error, 5 write error,
  6 cannot open archive, 7 bad parameters (a refused switch included; nothing
  is done), 8 out of memory, 9 not an archive, 11 interrupted.
The manual page JAR32.EXE(1) describes the format and compression levels.)");
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
        else if (tokens.size() == 1 && (tokens[0].text == "--help" || tokens[0].text == "-?"))
            printHelp();
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
