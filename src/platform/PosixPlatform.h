#pragma once

#include "platform/Platform.h"

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace brak {

// The real machine. Programs start through posix_spawn with an argument
// vector, never through a shell, and a failed start reports its real errno
// at once (a missing file, a file that is not executable or not a program,
// an argument list that is too long).
class PosixPlatform : public Platform {
public:
    // The child shares the caller's terminal and standard streams.
    StartResult runAndWait(const ProcessRequest& request) override;
    // Standard input, output and error of the child are the null device.
    StartResult start(const ProcessRequest& request) override;
    TerminalStart startOnTerminal(const ProcessRequest& request, TerminalSize size) override;
    std::string locateProgram(const std::string& name, int& error) const override;

    std::string environment(const std::string& name) const override;
    void setEnvironment(const std::string& name, const std::string& value) override;

    std::string currentDirectory() const override;
    bool setCurrentDirectory(const std::string& directory) override;
    std::string programDirectory() const override;
    // $XDG_CONFIG_HOME/brak/, or ~/.config/brak/ when that is unset or relative.
    std::string userDirectory() const override;
    bool makeUserDirectory() override;
    std::vector<std::string> dataDirectories() const override;
    // Each directory made here is locked (flock) while it is in use, so
    // that another Brak tells it from one whose owner was killed.
    std::string makeTemporaryDirectory() override;
    bool removeDirectory(const std::string& directory) override;
    void removeStaleTemporaryDirectories() override;

    bool fileExists(const std::string& name) const override;
    bool directoryExists(const std::string& name) const override;
    bool removeFile(const std::string& name) override;
    std::int64_t fileSize(const std::string& name) const override;
    std::vector<DirectoryEntry> listDirectory(const std::string& directory,
                                              int& error) const override;
    std::vector<std::string> listFileNames(const std::string& directory, int& error) const override;
    std::vector<Volume> mountedVolumes() const override;

    DateTime now() const override;
    std::int64_t milliseconds() const override;
    void sleep(int milliseconds) override;

private:
    std::map<std::string, int> locks_; // temporary directory, its locked descriptor
};

// A child killed by a signal reports this plus the signal's number, as shells
// do; no archiver exit code comes near it.
inline constexpr int SignalExitBase = 128;

// The file a program name starts: a name holding "/" is used as it is; a bare
// name is looked up in `firstDirectory` (when not empty), then in the
// absolute directories of `searchPath`, never in the current directory (so a
// program planted in the working directory does not run). On failure returns
// "" with `error` set to ENOENT, or EACCES when a match was found but may not
// be executed.
std::string findProgram(const std::string& name, const std::string& firstDirectory,
                        const std::string& searchPath, int& error);

// PATH, or the system's default when it is unset.
std::string programSearchPath();
// This program's environment with the request's changes made, as NAME=value.
std::vector<std::string> environmentFor(const ProcessRequest& request);
// Inherited descriptors a child may be given are below this; the start
// moves its own descriptors above it while it places them.
inline constexpr int ChildInputLimit = 64;
// The errno that a request alone causes (a NUL inside a text, a bad
// variable name, a descriptor out of range or given twice), or 0.
int requestError(const ProcessRequest& request);

// For a child just forked, before its exec: it is sent SIGTERM when the
// parent (whose pid the parent took before the fork) ends, and it ends at
// once when the parent is already gone.
void dieWithParent(pid_t parent);
// For a child before its exec: every signal at its default, none blocked.
void resetSignals();
// For a child whose start failed: sends errno down the pipe and ends.
[[noreturn]] void failChildStart(int pipe);
// The errno a child sent before its exec failed; 0 when the exec closed the
// pipe, so the program runs.
int childStartError(int pipe);

} // namespace brak
