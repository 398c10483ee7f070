#include "cli/CommandLine.h"

#include "Common.h"
#include "Files.h"
#include "cli/Switches.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace brak::jar {

std::string toLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

namespace {

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return a == b || (::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
                      first.st_dev == second.st_dev && first.st_ino == second.st_ino);
}

} // namespace

Options parseCommandLine(const std::vector<Token>& tokens, const Configuration& configuration) {
    Options options;
    if (tokens.empty())
        throw JarError(ExitBadParameters, "no command given");
    options.command = toLower(tokens[0].text);
    if (!isCommand(options.command))
        throw JarError(ExitBadParameters, "unknown command \"" + tokens[0].text + "\"");
    if (options.command == "u")
        options.addMode = AddMode::Update;
    else if (options.command == "f")
        options.addMode = AddMode::Freshen;

    const auto predefined = configuration.switches.find(options.command);
    if (predefined != configuration.switches.end()) {
        for (const Token& token : tokenize(predefined->second)) {
            try {
                applySwitch(options, token);
            } catch (const JarError& error) {
                throw JarError(ExitBadParameters, std::string(error.what()) +
                                                      " (in the predefined switches of " +
                                                      configuration.path + ")");
            }
        }
    }

    bool haveArchive = false;
    for (size_t i = 1; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (token.startsWith('-')) {
            applySwitch(options, token);
        } else if (!haveArchive) {
            if (token.text.empty())
                throw JarError(ExitBadParameters, "no archive name given");
            if (token.isListReference())
                throw JarError(ExitBadParameters,
                               "a list file cannot be the archive (\"" + token.text + "\")");
            options.archive = token.text;
            haveArchive = true;
        } else if (token.isListReference()) {
            if (token.text.size() == 1)
                throw JarError(ExitBadParameters, "no list file named after \"!\"");
            options.listFiles.push_back(token.text.substr(1));
        } else if (!token.text.empty()) {
            options.names.push_back(token.text);
        }
    }
    if (!haveArchive)
        throw JarError(ExitBadParameters, "no archive name given");

    // The file list of -l replaces its file: never one the command reads.
    if (options.fileList) {
        std::vector<std::string> read = options.listFiles;
        read.push_back(options.archive);
        for (const std::string& name : read) {
            if (sameFile(*options.fileList, name))
                throw JarError(ExitBadParameters, "the file list -l\"" + *options.fileList +
                                                      "\" would overwrite \"" + name + "\"");
        }
    }
    if (options.command == "lt") {
        if (!options.listFiles.empty())
            throw JarError(ExitBadParameters, "lt writes its listing to a file named plainly, "
                                              "never to a list file (\"!" +
                                                  options.listFiles[0] + "\")");
        if (options.names.size() != 1)
            throw JarError(ExitBadParameters, "lt needs the archive and the name of the dump file");
    }
    if (options.accessDefault && !options.encrypt && !options.authenticate)
        (configuration.encryptByDefault ? options.encrypt : options.authenticate) = true;
    if (options.command == "d" && options.names.empty() && options.listFiles.empty())
        throw JarError(ExitBadParameters, "name the files to delete (\"*.*\" for all of them)");
    return options;
}

std::vector<std::string> readListFile(const std::string& path, bool literal) {
    std::string problem;
    Fd file = openRegularFile(path, problem);
    if (!file.valid())
        throw JarError(ExitBadParameters, "cannot read the list file \"" + path + "\": " + problem);
    struct stat info {};
    if (::fstat(file.get(), &info) == 0 &&
        static_cast<std::uint64_t>(info.st_size) > MaxListFileSize)
        throw JarError(ExitBadParameters, "the list file \"" + path + "\" is larger than " +
                                              std::to_string(MaxListFileSize >> 20) + " MiB");
    std::vector<std::string> names;
    std::string pending;
    std::size_t total = 0;
    std::string buffer(256 * 1024, '\0');
    auto take = [&](std::string_view line) {
        if (literal) {
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (!line.empty())
                names.push_back(LiteralName + std::string(line));
            return;
        }
        std::string entry = trim(line);
        if (entry.size() >= 2 && entry.front() == '"' && entry.back() == '"')
            entry = entry.substr(1, entry.size() - 2);
        if (!entry.empty())
            names.push_back(std::move(entry));
    };
    for (;;) {
        throwIfInterrupted();
        const ssize_t got = file.read(buffer.data(), buffer.size());
        if (got < 0)
            throw JarError(ExitBadParameters,
                           "cannot read the list file \"" + path + "\": " + std::strerror(errno));
        total += static_cast<std::size_t>(got);
        // It may have grown since it was measured.
        if (total > MaxListFileSize)
            throw JarError(ExitBadParameters, "the list file \"" + path + "\" is larger than " +
                                                  std::to_string(MaxListFileSize >> 20) + " MiB");
        pending.append(buffer.data(), static_cast<std::size_t>(got));
        std::size_t start = 0;
        for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos;
             start = end + 1) {
            if (end - start > MaxListLine)
                break;
            take(std::string_view(pending).substr(start, end - start));
        }
        pending.erase(0, start);
        if (pending.size() > MaxListLine)
            throw JarError(ExitBadParameters, "the list file \"" + path +
                                                  "\" has a line longer than " +
                                                  std::to_string(MaxListLine) + " characters");
        if (got < static_cast<ssize_t>(buffer.size()))
            break;
    }
    take(pending);
    return names;
}

std::vector<std::string> masksOf(const Options& options) {
    std::vector<std::string> masks = options.names;
    for (const std::string& list : options.listFiles) {
        auto names = readListFile(list, options.literalLists);
        masks.insert(masks.end(), std::make_move_iterator(names.begin()),
                     std::make_move_iterator(names.end()));
    }
    return masks;
}

} // namespace brak::jar
