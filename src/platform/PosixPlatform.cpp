#include "platform/PosixPlatform.h"

#include <QFile>
#include <QStorageInfo>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace brak {

namespace {

bool holdsNul(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

int decodeStatus(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return SignalExitBase + WTERMSIG(status);
    return -1;
}

// True once the child has ended, with its exit code. A child that cannot be
// waited for any more (reaped elsewhere) counts as ended, so no wait hangs.
bool reap(pid_t pid, bool block, int& exitCode) {
    for (;;) {
        int status = 0;
        const pid_t result = ::waitpid(pid, &status, block ? 0 : WNOHANG);
        if (result == pid) {
            exitCode = decodeStatus(status);
            return true;
        }
        if (result == 0)
            return false;
        if (errno != EINTR) {
            exitCode = -1;
            return true;
        }
    }
}

// A descriptor that becomes readable when the process ends; -1 on a kernel
// without pidfd (before Linux 5.3), where the waits fall back to short naps.
int openPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#else
    (void)pid;
#endif
    return -1;
}

class PosixChild : public ChildProcess {
public:
    explicit PosixChild(pid_t pid) : pid_(pid), endFd_(openPidfd(pid)) {}
    ~PosixChild() override {
        if (endFd_ >= 0)
            ::close(endFd_);
        if (!hasEnded()) {
            // Nobody waits for it any more: it is asked to end, killed if it
            // has not two seconds later, and reaped, so that it neither runs
            // on as an orphan nor lingers as a zombie.
            ::kill(pid_, SIGTERM);
            std::thread([pid = pid_] {
                int code = 0;
                for (int waited = 0; waited < 2000; waited += 10) {
                    if (reap(pid, false, code))
                        return;
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
                ::kill(pid, SIGKILL);
                reap(pid, true, code);
            }).detach();
        }
    }
    PosixChild(const PosixChild&) = delete;
    PosixChild& operator=(const PosixChild&) = delete;

    bool hasEnded() override {
        if (!ended_)
            ended_ = reap(pid_, false, exitCode_);
        return ended_;
    }
    void wait() override {
        if (!ended_)
            ended_ = reap(pid_, true, exitCode_);
    }
    bool waitFor(int milliseconds) override {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
        while (!hasEnded()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0)
                return false;
            if (endFd_ >= 0) {
                pollfd watched{endFd_, POLLIN, 0};
                ::poll(&watched, 1, static_cast<int>(left));
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long>(left, 5)));
            }
        }
        return true;
    }
    int endFd() const override { return endFd_; }
    void terminate() override {
        if (hasEnded())
            return;
        ::kill(pid_, SIGTERM);
        if (waitFor(2000))
            return;
        ::kill(pid_, SIGKILL);
        wait();
    }
    // -1 until the child has ended.
    int exitCode() const override { return ended_ ? exitCode_ : -1; }

private:
    pid_t pid_;
    int endFd_;
    bool ended_ = false;
    int exitCode_ = -1;
};

std::string searchPath() {
    if (const char* path = std::getenv("PATH"))
        return path;
    // The system's default, as exec*p uses it when PATH is unset.
    const size_t size = ::confstr(_CS_PATH, nullptr, 0);
    std::string path(size, '\0');
    if (size > 0)
        ::confstr(_CS_PATH, path.data(), size);
    path.resize(path.empty() ? 0 : path.size() - 1);
    return path;
}

std::string workingDirectory() {
    char* directory = ::getcwd(nullptr, 0);
    if (directory == nullptr)
        return {};
    std::string result = directory;
    std::free(directory);
    return result;
}

struct Spawned {
    int error = 0;
    pid_t pid = -1;
};

// The environment with the request's changes made.
std::vector<std::string> childEnvironment(const ProcessRequest& request) {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable)
        variables.emplace_back(*variable);
    for (const auto& [name, value] : request.environment) {
        const std::string prefix = name + "=";
        std::erase_if(variables, [&](const std::string& v) { return v.starts_with(prefix); });
        if (!value.empty())
            variables.push_back(prefix + value);
    }
    return variables;
}

Spawned spawn(const ProcessRequest& request, const std::string& programDirectory, bool detached) {
    if (const int invalid = requestError(request); invalid != 0)
        return {invalid};
    if (!request.inputs.empty())
        return {EINVAL}; // only a start on a terminal hands descriptors over
    int error = 0;
    std::string program = findProgram(request.program, programDirectory, searchPath(), error);
    if (error != 0)
        return {error};
    // The child changes directory before it starts the program: a relative
    // name must still mean the caller's directory.
    if (program[0] != '/' && !request.directory.empty())
        program = workingDirectory() + "/" + program;

    std::vector<char*> argv;
    for (const std::string& argument : request.args)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const std::vector<std::string> variables = childEnvironment(request);
    std::vector<char*> envp;
    for (const std::string& variable : variables)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);

    // Everything the child needs is made before the fork: after it, in a
    // program with threads, the child may only make system calls.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return {errno};
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int failed = errno;
        ::close(report[0]);
        ::close(report[1]);
        return {failed};
    }
    if (pid == 0) {
        dieWithParent(parent);
        if (detached) {
            // No controlling terminal either: a question that needs one
            // fails at once instead of waiting in the terminal Brak was
            // started from.
            ::setsid();
            const int null = ::open("/dev/null", O_RDWR);
            for (int fd = 0; fd < 3; ++fd)
                if (null < 0 || ::dup2(null, fd) < 0)
                    failChildStart(report[1]);
            if (null > 2)
                ::close(null);
        }
        if (!request.directory.empty() && ::chdir(request.directory.c_str()) != 0)
            failChildStart(report[1]);
        // Every signal at its default and none blocked, whatever Brak does.
        resetSignals();
        // execve, not a search: a file that is no program fails with ENOEXEC
        // instead of being handed to a shell.
        ::execve(program.c_str(), argv.data(), envp.data());
        failChildStart(report[1]);
    }
    ::close(report[1]);
    Spawned result;
    result.error = childStartError(report[0]);
    ::close(report[0]);
    if (result.error != 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return result;
    }
    result.pid = pid;
    return result;
}

} // namespace

void dieWithParent(pid_t parent) {
    // A Brak that is killed takes its children with it: no listing runs on
    // for nobody. The parent may have gone before the request was made.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        ::_exit(127);
}

void resetSignals() {
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int number = 1; number < NSIG; ++number)
        ::sigaction(number, &defaults, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

void failChildStart(int pipe) {
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(pipe, &error, sizeof error);
    ::_exit(127);
}

int childStartError(int pipe) {
    int error = 0;
    std::size_t got = 0;
    while (got < sizeof error) {
        const ssize_t n = ::read(pipe, reinterpret_cast<char*>(&error) + got, sizeof error - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got == sizeof error ? error : 0;
}

std::string programSearchPath() {
    return searchPath();
}

std::vector<std::string> environmentFor(const ProcessRequest& request) {
    return childEnvironment(request);
}

int requestError(const ProcessRequest& request) {
    if (holdsNul(request.program) || holdsNul(request.directory))
        return EINVAL;
    for (const std::string& argument : request.args) {
        if (holdsNul(argument))
            return EINVAL;
    }
    for (const auto& [name, value] : request.environment) {
        if (name.empty() || holdsNul(name) || holdsNul(value) ||
            name.find('=') != std::string::npos)
            return EINVAL;
    }
    for (std::size_t i = 0; i < request.inputs.size(); ++i) {
        const int descriptor = request.inputs[i].descriptor;
        if (descriptor < 3 || descriptor >= ChildInputLimit)
            return EINVAL;
        for (std::size_t j = 0; j < i; ++j)
            if (request.inputs[j].descriptor == descriptor)
                return EINVAL;
    }
    return 0;
}

std::string findProgram(const std::string& name, const std::string& firstDirectory,
                        const std::string& searchPath, int& error) {
    error = 0;
    if (name.empty()) {
        error = ENOENT;
        return {};
    }
    if (name.find('/') != std::string::npos)
        return name;
    bool denied = false;
    const std::string directories =
        firstDirectory.empty() ? searchPath : firstDirectory + ":" + searchPath;
    size_t start = 0;
    while (start <= directories.size()) {
        size_t end = directories.find(':', start);
        if (end == std::string::npos)
            end = directories.size();
        const std::string directory = directories.substr(start, end - start);
        start = end + 1;
        // An empty or relative entry would mean the current directory.
        if (directory.empty() || directory[0] != '/')
            continue;
        const std::string candidate =
            directory.back() == '/' ? directory + name : directory + "/" + name;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) != 0) {
            denied = denied || errno == EACCES;
            continue;
        }
        if (!S_ISREG(info.st_mode))
            continue;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        denied = true;
    }
    error = denied ? EACCES : ENOENT;
    return {};
}

StartResult PosixPlatform::runAndWait(const ProcessRequest& request) {
    const Spawned spawned = spawn(request, programDirectory(), false);
    StartResult result;
    result.error = spawned.error;
    if (spawned.error == 0)
        reap(spawned.pid, true, result.exitCode);
    return result;
}

StartResult PosixPlatform::start(const ProcessRequest& request) {
    const Spawned spawned = spawn(request, programDirectory(), true);
    StartResult result;
    result.error = spawned.error;
    if (spawned.error == 0)
        result.child = std::make_unique<PosixChild>(spawned.pid);
    return result;
}

TerminalStart PosixPlatform::startOnTerminal(const ProcessRequest& request, TerminalSize size) {
    return startOnPty(request, size, programDirectory());
}

std::string PosixPlatform::locateProgram(const std::string& name, int& error) const {
    return findProgram(name, programDirectory(), searchPath(), error);
}

std::string PosixPlatform::environment(const std::string& name) const {
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

void PosixPlatform::setEnvironment(const std::string& name, const std::string& value) {
    if (value.empty())
        ::unsetenv(name.c_str());
    else
        ::setenv(name.c_str(), value.c_str(), 1);
}

std::string PosixPlatform::currentDirectory() const {
    return workingDirectory();
}

bool PosixPlatform::setCurrentDirectory(const std::string& directory) {
    return ::chdir(directory.c_str()) == 0;
}

std::string PosixPlatform::programDirectory() const {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0)
            return currentDirectory() + PathSeparator;
        if (static_cast<size_t>(length) < path.size()) {
            path.resize(static_cast<size_t>(length));
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.rfind(PathSeparator) + 1);
}

std::string PosixPlatform::userDirectory() const {
    std::string base = environment("XDG_CONFIG_HOME");
    if (base.empty() || base[0] != '/') {
        std::string home = environment("HOME");
        if (home.empty() || home[0] != '/') {
            if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir)
                home = user->pw_dir;
        }
        base = joinPath(home, ".config");
    }
    return joinPath(base, "brak") + PathSeparator;
}

bool PosixPlatform::makeUserDirectory() {
    const std::string directory = userDirectory();
    const std::string path = directory.substr(0, directory.size() - 1);
    // Every missing level is made, not just the last: ~/.config itself, or
    // the folders above a fresh $XDG_CONFIG_HOME, may not exist yet. Each
    // is private, as Brak's own folder is.
    for (std::size_t cut = path.find(PathSeparator, 1); cut != std::string::npos;
         cut = path.find(PathSeparator, cut + 1))
        ::mkdir(path.substr(0, cut).c_str(), 0700);
    if (::mkdir(path.c_str(), 0700) == 0)
        return true;
    struct stat info {};
    return errno == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> PosixPlatform::dataDirectories() const {
    std::vector<std::string> directories{programDirectory()};
    // An installed Brak: <prefix>/bin/brak beside <prefix>/share/brak/.
    const std::string program = programDirectory();
    const std::size_t bin = program.rfind(PathSeparator, program.size() - 2);
    if (bin != std::string::npos)
        directories.push_back(program.substr(0, bin + 1) + "share/brak/");
    const std::string installed = std::string(BRAK_DATA_DIR) + PathSeparator;
    if (std::find(directories.begin(), directories.end(), installed) == directories.end())
        directories.push_back(installed);
    return directories;
}

namespace {

constexpr std::string_view TemporaryPrefix = "brak-";

std::string temporaryBase() {
    const char* base = std::getenv("TMPDIR");
    return base && base[0] == '/' ? base : "/tmp";
}

// The directory's descriptor, locked for this process; -1 when it is in use
// elsewhere (or cannot be opened).
int lockDirectory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::string PosixPlatform::makeTemporaryDirectory() {
    std::string pattern = joinPath(temporaryBase(), std::string(TemporaryPrefix) + "XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    if (const int fd = lockDirectory(pattern); fd >= 0)
        locks_[pattern] = fd;
    return pattern;
}

bool PosixPlatform::removeDirectory(const std::string& directory) {
    if (directory.empty())
        return false;
    std::error_code error;
    // remove_all never follows a symbolic link out of the tree.
    std::filesystem::remove_all(directory, error);
    if (const auto lock = locks_.find(directory); lock != locks_.end()) {
        ::close(lock->second);
        locks_.erase(lock);
    }
    return !error;
}

void PosixPlatform::removeStaleTemporaryDirectories() {
    const std::string base = temporaryBase();
    int error = 0;
    for (const DirectoryEntry& entry : listDirectory(base, error)) {
        // Only names mkdtemp gives, only this user's own real directories,
        // and only those no living Brak holds.
        if (entry.name.size() != TemporaryPrefix.size() + 6 ||
            !entry.name.starts_with(TemporaryPrefix) || entry.symbolicLink ||
            entry.kind != DirectoryEntry::Kind::Directory)
            continue;
        const std::string directory = joinPath(base, entry.name);
        struct stat info {};
        if (::lstat(directory.c_str(), &info) != 0 || info.st_uid != ::getuid())
            continue;
        const int fd = lockDirectory(directory);
        if (fd < 0)
            continue;
        std::error_code failed;
        std::filesystem::remove_all(directory, failed);
        ::close(fd);
    }
}

bool PosixPlatform::fileExists(const std::string& name) const {
    struct stat info {};
    return ::stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PosixPlatform::directoryExists(const std::string& name) const {
    struct stat info {};
    return ::stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PosixPlatform::removeFile(const std::string& name) {
    return ::unlink(name.c_str()) == 0;
}

std::int64_t PosixPlatform::fileSize(const std::string& name) const {
    // Non-blocking, so that a FIFO given as a name cannot hold the program.
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return known ? static_cast<std::int64_t>(info.st_size) : -1;
}

std::vector<DirectoryEntry> PosixPlatform::listDirectory(const std::string& directory,
                                                         int& error) const {
    std::vector<DirectoryEntry> entries;
    error = 0;
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) {
        error = errno;
        return entries;
    }
    const int dirFd = ::dirfd(dir);
    // Owned by this user or root, and writable by nobody else.
    auto othersMayReplace = [user = ::getuid()](const struct stat& info) {
        return (info.st_uid != user && info.st_uid != 0) || (info.st_mode & (S_IWGRP | S_IWOTH));
    };
    struct stat folder {};
    const bool folderReplaceable = ::fstat(dirFd, &folder) != 0 || othersMayReplace(folder);
    while (const dirent* item = ::readdir(dir)) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        DirectoryEntry entry;
        entry.name = name;
        struct stat info {};
        if (::fstatat(dirFd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(info.st_mode)) {
            entry.symbolicLink = true;
            if (::fstatat(dirFd, item->d_name, &info, 0) != 0)
                info = {}; // a dangling link
        }
        if (S_ISREG(info.st_mode))
            entry.kind = DirectoryEntry::Kind::File;
        else if (S_ISDIR(info.st_mode))
            entry.kind = DirectoryEntry::Kind::Directory;
        entry.size = static_cast<std::int64_t>(info.st_size);
        entry.othersMayReplace = folderReplaceable || othersMayReplace(info);
        entry.executable = ::faccessat(dirFd, item->d_name, X_OK, AT_EACCESS) == 0;
        entry.readOnly = ::faccessat(dirFd, item->d_name, W_OK, AT_EACCESS) != 0;
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

std::vector<std::string> PosixPlatform::listFileNames(const std::string& directory,
                                                      int& error) const {
    std::vector<std::string> names;
    error = 0;
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) {
        error = errno;
        return names;
    }
    const int dirFd = ::dirfd(dir);
    errno = 0;
    while (const dirent* item = ::readdir(dir)) {
        bool file = item->d_type == DT_REG;
        if (item->d_type == DT_LNK || item->d_type == DT_UNKNOWN) {
            struct stat info {};
            file = ::fstatat(dirFd, item->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
        }
        if (file)
            names.emplace_back(item->d_name);
        errno = 0;
    }
    // A directory that went while it was read ends its listing early.
    error = errno;
    ::closedir(dir);
    return names;
}

std::vector<Volume> PosixPlatform::mountedVolumes() const {
    std::vector<Volume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes())
        volumes.push_back({QFile::encodeName(storage.rootPath()).toStdString(),
                           storage.fileSystemType().toStdString(), storage.name().toStdString()});
    return volumes;
}

DateTime PosixPlatform::now() const {
    const std::time_t clock = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&clock, &local);
    // A leap second reads as the last second of its minute.
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     std::min(local.tm_sec, 59)};
}

std::int64_t PosixPlatform::milliseconds() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void PosixPlatform::sleep(int milliseconds) {
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace brak
