// JAR32.EXE, the stand-in archiver shipped with Brak.

#include "Commands.h"
#include "Common.h"

#include <csignal>
#include <iostream>
#include <new>

namespace brak::jar {

namespace {

volatile std::sig_atomic_t interruptSignal = 0;

void onInterrupt(int signal) {
    interruptSignal = signal;
}

// No SA_RESTART: a prompt waiting for input returns at once on Ctrl-C.
void installSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    // A closed output pipe or a file size limit becomes a write error to report.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

void printUsage() {
    std::cout <<
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
  11 interrupted.
)";
}

} // namespace

void throwIfInterrupted() {
    if (interruptSignal != 0)
        throw JarError(ExitInterrupted, "interrupted; nothing was changed by the unfinished step");
}

} // namespace brak::jar

int main(int argc, char** argv) {
    using namespace brak::jar;
    installSignalHandlers();

    // Like a Windows program, read the arguments as one command line.
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    const auto tokens = tokenize(line);
    if (tokens.empty()) {
        printUsage();
        return ExitSuccess;
    }
    try {
        const int code = runCommand(parseCommandLine(tokens));
        std::cout.flush();
        return code;
    } catch (const JarError& error) {
        std::cout.flush();
        std::cerr << "JAR32.EXE: " << error.what() << '\n';
        return error.code();
    } catch (const std::bad_alloc&) {
        std::cerr << "JAR32.EXE: not enough memory\n";
        return ExitNoMemory;
    } catch (const std::exception& error) {
        std::cerr << "JAR32.EXE: " << error.what() << '\n';
        return ExitFatal;
    }
}
