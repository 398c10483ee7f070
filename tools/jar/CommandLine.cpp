#include "CommandLine.h"

#include "Common.h"

#include <array>
#include <fstream>

namespace brak::jar {

namespace {

// Switches of the command catalogue that take no value. Those the stand-in
// does not act on are accepted so that a front-end's switch set never fails.
constexpr std::array plainSwitches = {
    "hy",  "he",  "y",  "r",  "q",   "d",   "n",   "ha",  "hl",  "jf",  "jr",  "hk",
    "hx",  "jx",  "ho", "jt", "f1",  "f2",  "b1",  "b0",  "u1",  "u2",  "hg0", "hg1",
    "ht0", "ht1", "s",  "s1", "ju-", "ju0", "ju1", "js-", "js0", "js1", "jl",  "jl1",
    "jl2", "m1",  "m2", "m3", "m4",  "hf-", "hf",  "hf1", "hf2", "hf3"};

// Switches followed directly by a value (a file or directory).
constexpr std::array valueSwitches = {"hz", "jz", "o", "w", "l", "z"};

bool isAttributeSwitch(const std::string& body) {
    if (body.rfind("hb", 0) != 0 || body.size() % 2 != 0)
        return false;
    for (size_t i = 2; i < body.size(); i += 2) {
        if (std::string_view("adhrs").find(body[i]) == std::string_view::npos ||
            (body[i + 1] != '0' && body[i + 1] != '1'))
            return false;
    }
    return true;
}

} // namespace

std::string toLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::vector<std::string> tokenize(std::string_view line) {
    std::vector<std::string> tokens;
    std::string current;
    bool inToken = false;
    bool inQuotes = false;
    for (char c : line) {
        if (c == '"') {
            inQuotes = !inQuotes;
            inToken = true; // "" is an empty argument, as on Windows
        } else if (!inQuotes && (c == ' ' || c == '\t')) {
            if (inToken)
                tokens.push_back(std::move(current));
            current.clear();
            inToken = false;
        } else {
            current += c;
            inToken = true;
        }
    }
    if (inToken)
        tokens.push_back(std::move(current));
    return tokens;
}

bool isImplementedCommand(const std::string& command) {
    static const std::array commands = {"a", "ac", "u", "f", "m",  "d", "e",
                                        "x", "t",  "l", "v", "lt", "y"};
    return std::find(commands.begin(), commands.end(), command) != commands.end();
}

bool isKnownCommand(const std::string& command) {
    static const std::array commands = {"c", "da", "dc", "lc", "ls", "rh", "sl"};
    return isImplementedCommand(command) ||
           std::find(commands.begin(), commands.end(), command) != commands.end();
}

void applySwitch(Options& options, const std::string& token) {
    if (token.size() < 2 || token[0] != '-')
        throw JarError(ExitBadParameters, "\"" + token + "\" is not a switch");
    const std::string body = toLower(token.substr(1));

    for (std::string_view prefix : valueSwitches) {
        if (body.rfind(prefix, 0) == 0) {
            if (prefix == "o")
                options.output = token.substr(2); // the value keeps its case
            return;
        }
    }
    if (isAttributeSwitch(body))
        return;
    if (std::find(plainSwitches.begin(), plainSwitches.end(), body) == plainSwitches.end())
        throw JarError(ExitBadParameters, "unknown switch \"" + token + "\"");

    if (body == "r")
        options.recurse = true;
    else if (body == "y")
        options.yes = true;
    else if (body == "q")
        options.query = true;
    else if (body == "d")
        options.queryDelete = true;
    else if (body == "n")
        options.newOnly = true;
    else if (body == "u1" || body == "u2") {
        options.addMode = AddMode::Update;
        options.different = body == "u2";
    } else if (body == "f1" || body == "f2") {
        options.addMode = AddMode::Freshen;
        options.different = body == "f2";
    }
}

Options parseCommandLine(const std::vector<std::string>& tokens,
                         const Configuration& configuration) {
    Options options;
    if (tokens.empty())
        throw JarError(ExitBadParameters, "no command given");
    options.command = toLower(tokens[0]);
    if (!isImplementedCommand(options.command)) {
        if (isKnownCommand(options.command))
            throw JarError(ExitBadParameters, "the command \"" + options.command +
                                                  "\" is not available in this stand-in "
                                                  "archiver; nothing was done");
        throw JarError(ExitBadParameters, "unknown command \"" + tokens[0] + "\"");
    }
    if (options.command == "u")
        options.addMode = AddMode::Update;
    else if (options.command == "f")
        options.addMode = AddMode::Freshen;

    const auto predefined = configuration.switches.find(options.command);
    if (predefined != configuration.switches.end()) {
        for (const std::string& token : tokenize(predefined->second)) {
            try {
                applySwitch(options, token);
            } catch (const JarError& error) {
                throw JarError(ExitBadParameters, std::string(error.what()) +
                                                      " in the predefined switches of " +
                                                      configuration.path);
            }
        }
    }

    std::vector<std::string> names;
    for (size_t i = 1; i < tokens.size(); ++i) {
        if (!tokens[i].empty() && tokens[i][0] == '-')
            applySwitch(options, tokens[i]);
        else
            names.push_back(tokens[i]);
    }
    if (names.empty() || names[0].empty())
        throw JarError(ExitBadParameters, "no archive name given");
    options.archive = names[0];
    options.names.assign(names.begin() + 1, names.end());

    if (options.command == "lt" && (options.names.size() != 1 || options.names[0].empty()))
        throw JarError(ExitBadParameters, "lt needs the archive and the name of the dump file");
    if (options.command == "d" && options.names.empty())
        throw JarError(ExitBadParameters, "name the files to delete (\"*.*\" for all of them)");
    return options;
}

std::vector<std::string> expandListFiles(const std::vector<std::string>& names) {
    std::vector<std::string> result;
    for (const std::string& name : names) {
        if (name.empty())
            continue;
        if (name[0] != '!') {
            result.push_back(name);
            continue;
        }
        const std::string listName = name.substr(1);
        if (listName.empty())
            throw JarError(ExitBadParameters, "no list file named after \"!\"");
        std::ifstream list(listName, std::ios::binary);
        if (!list)
            throw JarError(ExitBadParameters, "cannot open the list file \"" + listName + "\"");
        std::string line;
        while (std::getline(list, line)) {
            std::string entry = trim(line);
            if (entry.size() >= 2 && entry.front() == '"' && entry.back() == '"')
                entry = entry.substr(1, entry.size() - 2);
            if (!entry.empty())
                result.push_back(entry);
        }
    }
    return result;
}

} // namespace brak::jar
