#include "Password.h"

#include "Common.h"
#include "Console.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sodium.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace brak::jar {

void forbidCoreDumps() {
    const rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

void Secret::Free::operator()(char* data) const {
    sodium_free(data); // wipes it
}

Secret::Secret() {
    forbidCoreDumps();
    if (sodium_init() < 0)
        throw JarError(ExitFatal, "the cryptographic library cannot start");
    // Guarded, locked memory: never swapped out, wiped when freed.
    data_.reset(static_cast<char*>(sodium_malloc(Capacity + 1)));
    if (!data_)
        throw JarError(ExitNoMemory, "no memory for the password");
    std::memset(data_.get(), 0, Capacity + 1);
}

Secret::~Secret() {
    wipe();
}

Secret::Secret(Secret&& other) noexcept : data_(std::move(other.data_)), size_(other.size_) {
    other.size_ = 0;
}

Secret& Secret::operator=(Secret&& other) noexcept {
    if (this != &other) {
        wipe();
        data_ = std::move(other.data_);
        size_ = other.size_;
        other.size_ = 0;
    }
    return *this;
}

void Secret::wipe() {
    if (data_)
        sodium_memzero(data_.get(), Capacity + 1);
    size_ = 0;
}

bool Secret::append(char c) {
    if (size_ >= Capacity)
        return false;
    data_[size_++] = c;
    return true;
}

bool Secret::operator==(const Secret& other) const {
    return size_ == other.size_ && std::memcmp(data_.get(), other.data_.get(), size_) == 0;
}

namespace {

// The terminal's echo is off while the password is typed, and back on
// however the reading ends.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd) {
        if (::tcgetattr(fd_, &saved_) != 0)
            return;
        termios quiet = saved_;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        active_ = ::tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (active_)
            ::tcsetattr(fd_, TCSAFLUSH, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int fd_;
    termios saved_{};
    bool active_ = false;
};

void writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        text.remove_prefix(static_cast<size_t>(written));
    }
}

} // namespace

namespace {

// The password handed over on a descriptor, when one was.
std::optional<Secret>& handedOver() {
    static std::optional<Secret> secret;
    return secret;
}

} // namespace

Secret copyOf(const Secret& secret) {
    Secret copy;
    for (std::size_t i = 0; i < secret.size(); ++i)
        copy.append(secret.c_str()[i]);
    return copy;
}

Secret passwordFrom(int descriptor) {
    if (::fcntl(descriptor, F_GETFD) < 0)
        throw JarError(ExitBadParameters, "no password was handed over on descriptor " +
                                              std::to_string(descriptor) + "; nothing was done");
    Secret secret;
    bool fits = true;
    for (;;) {
        char c = 0;
        const ssize_t got = ::read(descriptor, &c, 1);
        if (got < 0 && errno == EINTR) {
            throwIfInterrupted();
            continue;
        }
        if (got <= 0 || c == '\n' || c == '\r')
            break;
        fits = secret.append(c) && fits;
    }
    ::close(descriptor);
    if (!fits || secret.empty())
        throw JarError(ExitBadParameters, std::string("the password handed over on descriptor ") +
                                              std::to_string(descriptor) +
                                              (fits ? " is empty" : " is too long") +
                                              "; nothing was done");
    return secret;
}

void takePasswordFrom(int descriptor) {
    handedOver() = passwordFrom(descriptor);
}

std::optional<Secret> askPassword(std::string_view prompt) {
    forbidCoreDumps(); // before anything is typed
    if (handedOver())
        return copyOf(*handedOver());
    return askTypedPassword(prompt);
}

std::optional<Secret> askTypedPassword(std::string_view prompt) {
    Console& console = Console::instance();
    int fd = -1;
    int owned = -1;
    if (::isatty(STDIN_FILENO)) {
        fd = STDIN_FILENO;
    } else {
        owned = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        fd = owned;
    }
    if (fd < 0) {
        console.error() << "A password is needed, and there is no terminal to ask for it on.";
        return std::nullopt;
    }
    console.finish();
    std::optional<Secret> secret;
    {
        // Echo goes off before the question, so that nothing typed after it
        // is shown or thrown away. The question goes where the answer is
        // typed, so it is seen even when the output is redirected.
        EchoOff quiet(fd);
        writeAll(fd == STDIN_FILENO ? STDERR_FILENO : fd, prompt);
        Secret typed;
        bool fits = true;
        for (;;) {
            pollfd waits[2] = {{fd, POLLIN, 0}, {interruptDescriptor(), POLLIN, 0}};
            const int ready = ::poll(waits, waits[1].fd >= 0 ? 2 : 1, -1);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0 || interrupted())
                break;
            char c = 0;
            const ssize_t got = ::read(fd, &c, 1);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            if (c == '\n' || c == '\r') {
                if (fits)
                    secret.emplace(std::move(typed));
                else
                    console.error()
                        << "The password is longer than " << Secret::Capacity << " characters.";
                break;
            }
            fits = typed.append(c) && fits;
        }
    }
    if (owned >= 0)
        ::close(owned);
    throwIfInterrupted();
    return secret;
}

std::optional<Secret> askNewPassword(std::string_view what) {
    auto first = askPassword("Password for " + std::string(what) + ": ");
    if (!first)
        return std::nullopt;
    if (first->empty()) {
        Console::instance().error() << "An empty password protects nothing.";
        return std::nullopt;
    }
    auto second = askPassword("The same password again: ");
    if (!second)
        return std::nullopt;
    if (!(*first == *second)) {
        Console::instance().error() << "The two passwords differ.";
        return std::nullopt;
    }
    return first;
}

} // namespace brak::jar
