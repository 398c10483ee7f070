// Feeds arbitrary bytes to the key/value line reader, as a whole and in
// pieces, which must read the same lines; then loads them into the window as
// a configuration file and writes it out again. Errors are expected; crashes, leaks,
// undefined behaviour and hangs are not.
#include "QuietMachine.h"
#include "config/ConfigFile.h"
#include "config/KeyValueReader.h"
#include "ui/Brak.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Small limits, so that the fuzzer reaches them.
brak::KeyValueLimits fuzzLimits() {
    brak::KeyValueLimits limits;
    limits.maxLineLength = 300;
    limits.maxBytes = 1 << 14;
    return limits;
}

// Every line the reader handed over, and how the reading ended.
std::vector<std::string> readLines(std::string_view text, std::size_t firstPiece) {
    std::vector<std::string> lines;
    brak::KeyValueReader reader(
        [&lines](const brak::KeyValueLine& line) {
            // The views agree with each other.
            if (line.key.find('=') != std::string_view::npos ||
                line.text.size() < line.key.size() + 1 + line.value.size() ||
                line.value.size() != line.exactValue.size())
                std::abort();
            lines.push_back(std::to_string(line.number) + std::string(line.key) + "=" +
                            std::string(line.exactValue));
        },
        fuzzLimits());
    try {
        std::size_t at = 0, piece = firstPiece;
        while (at < text.size()) {
            reader.feed(text.substr(at, piece));
            at += piece;
            piece = piece * 3 % 61 + 1;
        }
        reader.finish();
    } catch (const brak::KeyValueError& error) {
        lines.push_back("stopped at " + std::to_string(error.line()) + ": " + error.what());
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Lines cut anywhere read as whole lines; past the size limit, pieces
    // read before it still count, so only what fits is compared.
    const std::string_view fits = text.substr(0, fuzzLimits().maxBytes);
    if (readLines(fits, fits.size() + 1) != readLines(fits, 1))
        std::abort();
    if (fits.size() < text.size())
        readLines(text, 1);

    // One window reads every input, as one window reads many files in a run;
    // making a window anew for each would take most of the time.
    static brak::fuzz::QuietPlatform platform;
    static brak::fuzz::QuietDialogs dialogs;
    static brak::Brak brak(platform, dialogs);
    try {
        brak.config().loadText("fuzz.CFG", fits);
        // What was read is written again whole.
        if (brak.config().configText("fuzz.CFG").empty())
            std::abort();
    } catch (const brak::Error&) {
        // An error a handler raises reaches the error box.
    }
    return 0;
}
