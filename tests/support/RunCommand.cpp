#include "RunCommand.h"

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace brak::test {

CommandResult runCommand(const std::vector<std::string>& argv, const std::string& directory) {
    CommandResult result;
    int pipeFds[2];
    if (argv.empty() || ::pipe(pipeFds) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    ::posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    ::posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    if (!directory.empty())
        ::posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        result.output.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeFds[0]);
    if (error != 0)
        return result;
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

bool haveCommand(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string directories = path ? path : "";
    std::size_t start = 0;
    while (start <= directories.size()) {
        std::size_t end = directories.find(':', start);
        if (end == std::string::npos)
            end = directories.size();
        const std::string candidate = directories.substr(start, end - start) + "/" + name;
        if (end > start && ::access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

CommandResult runJarLine(const std::string& directory, const std::string& arguments,
                         const std::string& password, const std::string& newPassword) {
    std::string line = "exec timeout -s KILL 30 " BRAK_BIN_DIR "/JAR32.EXE " + arguments;
    if (!password.empty())
        line += " -pfd3 3<<EOF";
    if (!newPassword.empty())
        line += " -npfd4 4<<NEW";
    line += " </dev/null\n";
    if (!password.empty())
        line += password + "\nEOF\n";
    if (!newPassword.empty())
        line += newPassword + "\nNEW\n";
    return runCommand({"setsid", "sh", "-c", line}, directory);
}

CommandResult runJarOnTerminal(const std::string& directory, const std::vector<std::string>& args,
                               const std::vector<std::pair<std::string, std::string>>& answers) {
    const std::string program = BRAK_BIN_DIR "/JAR32.EXE";
    int terminal = -1;
    const pid_t pid = answers.empty() ? ::fork() : ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid == 0) {
        if (answers.empty())
            ::setsid(); // no controlling terminal to fall back on
        if (::chdir(directory.c_str()) != 0)
            ::_exit(126);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    std::string screen;
    size_t next = 0;
    size_t searched = 0; // the screen up to here answered a question
    while (terminal >= 0) {
        pollfd wait{terminal, POLLIN, 0};
        char buffer[4096];
        const ssize_t got =
            ::poll(&wait, 1, 20'000) > 0 ? ::read(terminal, buffer, sizeof buffer) : 0;
        if (got <= 0)
            break;
        screen.append(buffer, static_cast<size_t>(got));
        const size_t found =
            next < answers.size() ? screen.find(answers[next].first, searched) : std::string::npos;
        if (found != std::string::npos) {
            searched = found + answers[next].first.size();
            const std::string line = answers[next++].second + "\r";
            if (::write(terminal, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
                break;
        }
    }
    if (terminal >= 0)
        ::close(terminal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, screen};
}

} // namespace brak::test
