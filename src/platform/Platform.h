#pragma once

#include "base/DateTime.h"
#include "platform/Pty.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace brak {

// Bytes a child reads from an inherited descriptor of that number: a pipe
// holding them, its writing end closed, so the child reads them to their
// end. For a secret that must never be an argument, a variable or a file.
struct ChildInput {
    int descriptor; // 3 or above: 0 to 2 are the terminal
    std::string bytes;
    bool operator==(const ChildInput&) const = default;
};

// What to start: the file to run, its argument vector (argv[0] included)
// and the directory it runs in. No shell is ever involved.
struct ProcessRequest {
    std::string program;           // a bare name: beside Brak's executable, then along PATH
    std::vector<std::string> args; // passed exactly, trailing spaces and quotes included
    std::string directory;         // empty: the caller's current directory
    // Changes to the child's environment: name and value; an empty value
    // removes the variable. The rest is inherited.
    std::vector<std::pair<std::string, std::string>> environment{};
    // Only a start on a terminal hands these over; the other starts refuse
    // a request that has any (EINVAL).
    std::vector<ChildInput> inputs{};
};

// A child started without waiting for it. Destroying one that still runs
// stops it (SIGTERM, then SIGKILL) and reaps it in the background.
class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    // True once the child has ended; reaps it, so exitCode() is then valid.
    virtual bool hasEnded() = 0;
    // Blocks until the child has ended.
    virtual void wait() = 0;
    // Waits at most that long for the child to end, without polling; true
    // once it has ended (and been reaped).
    virtual bool waitFor(int milliseconds) = 0;
    // A descriptor that becomes readable once the child has ended, for an
    // event loop to watch; -1 when there is none.
    virtual int endFd() const = 0;
    virtual int exitCode() const = 0;
    // Asks the child to end (SIGTERM) and kills it (SIGKILL) when it has not
    // ended two seconds later; returns once it has ended and been reaped.
    virtual void terminate() = 0;
};

// Result of a start: error is the errno of a failed start, 0 when it started.
struct StartResult {
    int error = 0;
    int exitCode = 0;                    // only for a run that was waited for
    std::unique_ptr<ChildProcess> child; // only for a run that was not waited for
    bool started() const { return error == 0; }
};

// One entry of a directory listing.
struct DirectoryEntry {
    enum class Kind { File, Directory, Other };
    std::string name;        // as the file system has it: bytes, not always UTF-8
    Kind kind = Kind::Other; // of what a symbolic link points to
    bool symbolicLink = false;
    bool executable = false; // may be run by this user
    bool readOnly = false;   // may not be written by this user
    // Someone other than this user or root could replace it: it, or the
    // directory holding it, is writable by others or owned by another user.
    bool othersMayReplace = false;
    std::int64_t size = 0;
};

// A mounted volume, as the system's mount table lists it.
struct Volume {
    std::string root;       // where it is mounted
    std::string fileSystem; // its type: "ext4", "proc", "tmpfs"...
    std::string name;       // its label, or empty
};

// The operating system as the program sees it. The real one is POSIX; tests
// inject fakes so that nothing waits, sleeps or touches the real machine.
class Platform {
public:
    virtual ~Platform() = default;

    // Starts the program and waits for its exit code.
    virtual StartResult runAndWait(const ProcessRequest& request) = 0;
    // Starts the program without a console and without waiting; standard input
    // is the null device and it has no controlling terminal, so it can never
    // wait for an answer.
    virtual StartResult start(const ProcessRequest& request) = 0;
    // Starts the program on a pseudo-terminal of its own of that size, for
    // Jar's console; the caller watches it and reaps it.
    virtual TerminalStart startOnTerminal(const ProcessRequest& request, TerminalSize size) = 0;
    // The file a program name starts: a name holding "/" as it is; a bare
    // name beside Brak's own executable first, then in the absolute
    // directories of PATH, never in the current directory. Empty, with
    // error set (ENOENT, EACCES), when there is none.
    virtual std::string locateProgram(const std::string& name, int& error) const = 0;

    virtual std::string environment(const std::string& name) const = 0;
    // An empty value removes the variable.
    virtual void setEnvironment(const std::string& name, const std::string& value) = 0;

    virtual std::string currentDirectory() const = 0;
    virtual bool setCurrentDirectory(const std::string& directory) = 0;
    // Directory of the running executable, with its trailing separator.
    virtual std::string programDirectory() const = 0;
    // Where Brak keeps the files it writes for this user, with its trailing
    // separator; it may not exist yet.
    virtual std::string userDirectory() const = 0;
    // Creates the user directory (mode 0700) when it is missing; false when
    // it cannot be made.
    virtual bool makeUserDirectory() = 0;
    // Where the files shipped with Brak are looked for, in order, each with
    // its trailing separator: beside the executable, then the installed
    // data directory.
    virtual std::vector<std::string> dataDirectories() const = 0;
    // A new directory only this user can enter, for one piece of work; ""
    // when none can be made. Its owner removes it with removeDirectory.
    virtual std::string makeTemporaryDirectory() = 0;
    // Removes a directory with everything in it; never follows a link out.
    virtual bool removeDirectory(const std::string& directory) = 0;
    // Removes the directories for work that Brak runs of this user left
    // behind when they were killed; those still in use stay.
    virtual void removeStaleTemporaryDirectories() = 0;

    // A regular file (a link to one counts): a directory, a FIFO or a
    // device is no file the program reads or has Jar read.
    virtual bool fileExists(const std::string& name) const = 0;
    // True for a directory, or a link to one.
    virtual bool directoryExists(const std::string& name) const = 0;
    virtual bool removeFile(const std::string& name) = 0;
    // Length in bytes, or -1 when the file cannot be opened.
    virtual std::int64_t fileSize(const std::string& name) const = 0;
    // The entries of a directory, "." and ".." left out, in the file
    // system's order. error is the errno of a directory that cannot be
    // read (0 when it could).
    virtual std::vector<DirectoryEntry> listDirectory(const std::string& directory,
                                                      int& error) const = 0;
    // The names of the files of a directory (links to files included, no
    // directories), in the file system's order. Cheaper than a listing with
    // attributes: an entry is looked at only when the directory does not
    // tell its type.
    virtual std::vector<std::string> listFileNames(const std::string& directory,
                                                   int& error) const = 0;
    // Every mounted volume, pseudo file systems included.
    virtual std::vector<Volume> mountedVolumes() const = 0;

    // The local date and time.
    virtual DateTime now() const = 0;
    // A clock for measuring durations, in milliseconds; it never goes back.
    virtual std::int64_t milliseconds() const = 0;
    virtual void sleep(int milliseconds) = 0;
};

// The separator of this platform's paths; a Windows build would use '\\'.
inline constexpr char PathSeparator = '/';

// A name joined to a directory, with one separator between them.
inline std::string joinPath(const std::string& directory, const std::string& name) {
    if (directory.empty())
        return name;
    if (directory.back() == PathSeparator)
        return directory + name;
    return directory + PathSeparator + name;
}

// The directory of a file's full name, without its trailing separator: the
// root for a file in the root, empty for a bare name.
inline std::string directoryOf(const std::string& name) {
    const std::size_t cut = name.rfind(PathSeparator);
    if (cut == std::string::npos)
        return {};
    return name.substr(0, cut == 0 ? 1 : cut);
}

} // namespace brak
