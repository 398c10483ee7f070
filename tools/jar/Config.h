#pragma once

#include "Console.h"

#include <map>
#include <string>

namespace brak::jar {

// What the stand-in takes from the configuration file named by JAR_CFG_FILE.
struct Configuration {
    std::string path; // empty without a file
    // "OptionsForCommand <command>=<switches>" by command; the last line wins.
    std::map<std::string, std::string> switches;
    Colours colours;
    // DefaultAccessProtection: what -hg without a digit does. "GOST v1.01"
    // encrypts (XChaCha20-Poly1305 stands in for GOST); "Authenticate", the
    // default, authenticates, and wins when a value names both.
    bool encryptByDefault = false;
};

inline constexpr long MaxConfigurationSize = 4 * 1024 * 1024;

// Reads JAR_CFG_FILE. Lines under a "[section]" heading count only when
// JAR_CFG_SECTION names it. No file, or one that cannot be read, gives the
// defaults.
Configuration readConfiguration();

} // namespace brak::jar
