#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brak {

// What to start: the file to run, its argument vector (argv[0] included)
// and the directory it runs in. No shell is ever involved.
struct ProcessRequest {
    std::string program;           // a bare name is looked up along PATH only
    std::vector<std::string> args; // passed exactly, trailing spaces and quotes included
    std::string directory;         // empty: the caller's current directory
};

// A child started without waiting for it.
class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    // True once the child has ended; reaps it, so exitCode() is then valid.
    virtual bool hasEnded() = 0;
    // Blocks until the child has ended.
    virtual void wait() = 0;
    virtual int exitCode() const = 0;
};

// Result of a start: error is the errno of a failed start, 0 when it started.
struct StartResult {
    int error = 0;
    int exitCode = 0;                    // only for a run that was waited for
    std::unique_ptr<ChildProcess> child; // only for a run that was not waited for
    bool started() const { return error == 0; }
};

// The operating system as the program sees it. The real one is POSIX; tests
// inject fakes so that nothing waits, sleeps or touches the real machine.
class Platform {
public:
    virtual ~Platform() = default;

    // Starts the program and waits for its exit code.
    virtual StartResult runAndWait(const ProcessRequest& request) = 0;
    // Starts the program without a console and without waiting; standard input
    // is the null device, so it can never wait for an answer.
    virtual StartResult start(const ProcessRequest& request) = 0;

    virtual std::string environment(const std::string& name) const = 0;
    // An empty value removes the variable.
    virtual void setEnvironment(const std::string& name, const std::string& value) = 0;

    virtual std::string currentDirectory() const = 0;
    virtual bool setCurrentDirectory(const std::string& directory) = 0;
    // Directory of the running executable, with its trailing separator.
    virtual std::string programDirectory() const = 0;

    virtual bool fileExists(const std::string& name) const = 0;
    virtual bool removeFile(const std::string& name) = 0;
    // Length in bytes, or -1 when the file cannot be opened.
    virtual std::int64_t fileSize(const std::string& name) const = 0;

    virtual void sleep(int milliseconds) = 0;
};

// The separator of this platform's paths; a Windows build would use '\\'.
inline constexpr char PathSeparator = '/';

} // namespace brak
