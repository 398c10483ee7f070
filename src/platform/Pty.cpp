#include "platform/Pty.h"

#include "platform/PosixPlatform.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace brak {

namespace {

// Through the system calls themselves: glibc's header for them is not
// usable from C++ everywhere, and older ones have none.
int openPidfd(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

int signalPidfd(int pidfd, int number) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, number, nullptr, 0));
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

winsize windowSize(TerminalSize size) {
    winsize window{};
    window.ws_row = static_cast<unsigned short>(size.rows > 0 ? size.rows : 1);
    window.ws_col = static_cast<unsigned short>(size.columns > 0 ? size.columns : 1);
    return window;
}

ExitStatus decode(int status) {
    if (WIFSIGNALED(status))
        return ExitStatus::killed(WTERMSIG(status));
    return ExitStatus::exited(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

class PosixTerminalProcess : public TerminalProcess {
public:
    PosixTerminalProcess(pid_t pid, int master, int pidfd)
        : pid_(pid), master_(master), pidfd_(pidfd) {}
    ~PosixTerminalProcess() override {
        // The ladder before the terminal closes: closing it first would hang
        // the program up before it was asked to stop.
        for (std::size_t step = 0; step < StopLadder.size() && !reap(); ++step) {
            signal(StopLadder[step]);
            if (step + 1 < StopLadder.size())
                waitForEnd(StopStepMilliseconds);
        }
        while (!status_)
            waitBlocking();
    }
    PosixTerminalProcess(const PosixTerminalProcess&) = delete;
    PosixTerminalProcess& operator=(const PosixTerminalProcess&) = delete;

    int terminalFd() const override { return master_.get(); }
    int endFd() const override { return pidfd_.get(); }
    int processId() const override { return pid_; }

    long read(char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t got = ::read(master_.get(), buffer, size);
            if (got > 0)
                return got;
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return 0;
            // EIO: every holder of the terminal's other side closed it.
            return -1;
        }
    }

    long write(std::string_view bytes) override {
        for (;;) {
            const ssize_t put = ::write(master_.get(), bytes.data(), bytes.size());
            if (put >= 0)
                return put;
            if (errno == EINTR)
                continue;
            return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
        }
    }

    void resize(TerminalSize size) override {
        const winsize window = windowSize(size);
        ::ioctl(master_.get(), TIOCSWINSZ, &window);
    }

    void signal(int number) override {
        if (status_)
            return; // the pid may belong to another process by now
        // The whole group, as the terminal's own interrupt key does; the
        // program alone when it left its group.
        if (::kill(-pid_, number) != 0)
            signalPidfd(pidfd_.get(), number);
    }

    bool reap() override {
        if (status_)
            return true;
        int status = 0;
        pid_t result;
        do {
            result = ::waitpid(pid_, &status, WNOHANG);
        } while (result < 0 && errno == EINTR);
        if (result == pid_)
            status_ = decode(status);
        else if (result < 0)
            status_ = ExitStatus::exited(-1); // reaped elsewhere: never wait forever
        return status_.has_value();
    }

    std::optional<ExitStatus> status() const override { return status_; }

private:
    void waitForEnd(int milliseconds) {
        pollfd watched{pidfd_.get(), POLLIN, 0};
        while (::poll(&watched, 1, milliseconds) < 0 && errno == EINTR) {
        }
    }
    void waitBlocking() {
        int status = 0;
        pid_t result;
        do {
            result = ::waitpid(pid_, &status, 0);
        } while (result < 0 && errno == EINTR);
        status_ = result == pid_ ? decode(status) : ExitStatus::exited(-1);
    }

    pid_t pid_;
    Descriptor master_;
    Descriptor pidfd_;
    std::optional<ExitStatus> status_;
};

} // namespace

TerminalStart startOnPty(const ProcessRequest& request, TerminalSize size,
                         const std::string& programDirectory) {
    if (const int error = requestError(request); error != 0)
        return {error, nullptr};
    int error = 0;
    std::string program =
        findProgram(request.program, programDirectory, programSearchPath(), error);
    if (error != 0)
        return {error, nullptr};
    if (program[0] != '/' && !request.directory.empty()) {
        if (char* cwd = ::getcwd(nullptr, 0)) {
            program = std::string(cwd) + "/" + program;
            std::free(cwd);
        }
    }

    // Everything the child needs is made before the fork: after it, in a
    // program with threads, the child may only make system calls.
    std::vector<char*> argv;
    for (const std::string& argument : request.args)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ProcessRequest withTerm = request;
    withTerm.environment.emplace_back("TERM", "xterm-256color");
    const std::vector<std::string> variables = environmentFor(withTerm);
    std::vector<char*> envp;
    for (const std::string& variable : variables)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);

    Descriptor master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (master.get() < 0 || ::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0)
        return {errno, nullptr};
    char slaveName[128];
    if (const int failed = ::ptsname_r(master.get(), slaveName, sizeof slaveName); failed != 0)
        return {failed, nullptr};
    Descriptor slave(::open(slaveName, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (slave.get() < 0)
        return {errno, nullptr};
    const winsize window = windowSize(size);
    ::ioctl(slave.get(), TIOCSWINSZ, &window);
    termios modes{};
    if (::tcgetattr(slave.get(), &modes) == 0) {
        // Erasing a character in a typed line removes all of its UTF-8 bytes.
        modes.c_iflag |= IUTF8;
        ::tcsetattr(slave.get(), TCSANOW, &modes);
    }

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {errno, nullptr};
    Descriptor report(fds[0]);
    Descriptor reportEnd(fds[1]);

    // Each input is written whole into a pipe of its own before the fork
    // and the writing end closed, so the program reads it to its end and
    // nobody has to feed it later. A pipe holds far more than a password.
    std::vector<std::unique_ptr<Descriptor>> inputs;
    std::vector<int> targets, moved(request.inputs.size(), -1);
    for (const ChildInput& input : request.inputs) {
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return {errno, nullptr};
        inputs.push_back(std::make_unique<Descriptor>(fds[0]));
        Descriptor writing(fds[1]);
        ::fcntl(writing.get(), F_SETFL, O_NONBLOCK);
        std::size_t put = 0;
        while (put < input.bytes.size()) {
            const ssize_t n =
                ::write(writing.get(), input.bytes.data() + put, input.bytes.size() - put);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return {n < 0 && errno != EAGAIN ? errno : E2BIG, nullptr};
            put += static_cast<std::size_t>(n);
        }
        targets.push_back(input.descriptor);
    }

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0)
        return {errno, nullptr};
    if (pid == 0) {
        dieWithParent(parent);
        const int out = reportEnd.get();
        if (::setsid() < 0 || ::ioctl(slave.get(), TIOCSCTTY, 0) != 0)
            failChildStart(out);
        for (int fd = 0; fd < 3; ++fd)
            if (::dup2(slave.get(), fd) < 0)
                failChildStart(out);
        if (!request.directory.empty() && ::chdir(request.directory.c_str()) != 0)
            failChildStart(out);
        // The inputs go to their numbers only once nothing of ours can sit
        // there: the report pipe and the pipes move above them first.
        int reporting = out;
        if (!inputs.empty() && (reporting = ::fcntl(out, F_DUPFD_CLOEXEC, ChildInputLimit)) < 0)
            failChildStart(out);
        for (std::size_t i = 0; i < inputs.size(); ++i)
            if ((moved[i] = ::fcntl(inputs[i]->get(), F_DUPFD_CLOEXEC, ChildInputLimit)) < 0)
                failChildStart(reporting);
        for (std::size_t i = 0; i < inputs.size(); ++i)
            if (::dup2(moved[i], targets[i]) < 0)
                failChildStart(reporting);
        // Every signal at its default and none blocked, whatever Brak does.
        resetSignals();
        ::execve(program.c_str(), argv.data(), envp.data());
        failChildStart(reporting);
    }

    reportEnd.reset();
    slave.reset();
    inputs.clear();
    if (const int failed = childStartError(report.get()); failed != 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return {failed, nullptr};
    }
    const int pidfd = openPidfd(pid);
    if (pidfd < 0) {
        const int failed = errno;
        ::kill(pid, SIGKILL);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return {failed, nullptr};
    }
    ::fcntl(master.get(), F_SETFL, ::fcntl(master.get(), F_GETFL) | O_NONBLOCK);
    return {0, std::make_unique<PosixTerminalProcess>(pid, master.release(), pidfd)};
}

} // namespace brak
