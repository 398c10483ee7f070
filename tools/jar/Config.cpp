#include "Config.h"

#include "Common.h"

#include <array>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace brak::jar {

namespace {

std::string toUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// Colour keys are found inside the key, in any case, as the front-end reads
// them too; the order is that of Tone.
constexpr std::array<std::string_view, 5> ColourKeys = {"DEFAULTCOLOR", "ERRORCOLOR", "SIGNALCOLOR",
                                                        "COMMENTCOLOR", "HIGHLIGHTCOLOR"};

void readColourLine(const std::string& key, const std::string& value, Colours& colours) {
    const std::string upperKey = toUpper(key);
    const bool yes = toUpper(value).find("YES") != std::string::npos;
    if (upperKey.find("COLOREDOUTPUT") != std::string::npos)
        colours.enabled = yes;
    if (upperKey.find("HIGHINTENSITYCOLORS") != std::string::npos)
        colours.highIntensity = yes;
    for (size_t tone = 0; tone < ColourKeys.size(); ++tone) {
        int number = 0;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), number);
        if (upperKey.find(ColourKeys[tone]) != std::string::npos && error == std::errc() &&
            end == value.data() + value.size() && number >= 0)
            colours.numbers[tone] = number & 15;
    }
}

} // namespace

Configuration readConfiguration() {
    Configuration configuration;
    const char* name = std::getenv("JAR_CFG_FILE");
    if (name == nullptr || *name == '\0')
        return configuration;
    configuration.path = name;
    // Only a regular file: a FIFO in its place must not hold the run up.
    struct stat info {};
    std::ifstream file;
    if (::stat(name, &info) == 0 && S_ISREG(info.st_mode)) {
        // A configuration is a page of settings; anything far larger is not one.
        if (info.st_size > MaxConfigurationSize)
            throw JarError(ExitBadParameters, "the configuration file \"" + configuration.path +
                                                  "\" (JAR_CFG_FILE) is larger than " +
                                                  std::to_string(MaxConfigurationSize >> 20) +
                                                  " MiB");
        file.open(name, std::ios::binary);
    }
    if (!file)
        return configuration;

    const char* wanted = std::getenv("JAR_CFG_SECTION");
    const std::string wantedSection = wanted ? toLower(trim(wanted)) : std::string();
    bool inWantedSection = true;

    const std::string keyPrefix = "optionsforcommand";
    std::string line;
    while (std::getline(file, line)) {
        const std::string text = trim(line);
        if (text.empty() || text[0] == ';')
            continue;
        if (text.front() == '[' && text.back() == ']') {
            inWantedSection = toLower(trim(text.substr(1, text.size() - 2))) == wantedSection;
            continue;
        }
        const size_t equals = text.find('=');
        if (!inWantedSection || equals == std::string::npos)
            continue;
        const std::string key = toLower(trim(text.substr(0, equals)));
        if (key.rfind(keyPrefix, 0) == 0 && key.size() > keyPrefix.size() &&
            isBlank(key[keyPrefix.size()]))
            configuration.switches[trim(key.substr(keyPrefix.size()))] = text.substr(equals + 1);
        else if (key == "defaultaccessprotection") {
            const std::string value = toUpper(text.substr(equals + 1));
            configuration.encryptByDefault = value.find("GOST V1.01") != std::string::npos &&
                                             value.find("AUTHENTICATE") == std::string::npos;
        } else
            readColourLine(key, trim(text.substr(equals + 1)), configuration.colours);
    }
    return configuration;
}

} // namespace brak::jar
