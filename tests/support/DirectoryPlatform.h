#pragma once

#include "platform/PosixPlatform.h"

#include <string>
#include <utility>

namespace brak::test {

// The real machine, with the program's directory (where JAR32.EXE is found)
// where a test puts it: by default where the build puts JAR32.EXE.
class DirectoryPlatform : public PosixPlatform {
public:
    explicit DirectoryPlatform(std::string directory = BRAK_BIN_DIR "/")
        : directory_(std::move(directory)) {}
    std::string programDirectory() const override { return directory_; }

private:
    std::string directory_;
};

} // namespace brak::test
