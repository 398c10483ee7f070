// Feeds arbitrary bytes to the layout reader, in uneven pieces, puts what it
// read into a window and checks that saving that window and reading the file
// back gives the same file. Crashes, leaks, undefined behaviour and hangs
// are failures, and so is a layout that changes on its way round.
#include "QuietMachine.h"
#include "config/ConfigFile.h"
#include "contents/Contents.h"
#include "startup/Layout.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

brak::LayoutValues readLayout(std::string_view text, std::size_t firstPiece,
                              brak::KeyValueLimits limits) {
    brak::LayoutReader reader(limits);
    std::size_t at = 0, piece = firstPiece;
    while (at < text.size()) {
        reader.feed(text.substr(at, piece));
        at += piece;
        piece = piece * 5 % 67 + 1;
    }
    reader.finish();
    return reader.values();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // One window for all inputs: making one costs more than reading a file.
    static brak::fuzz::QuietPlatform platform;
    static brak::fuzz::QuietDialogs dialogs;
    static brak::MainForm first, second;
    static brak::Contents contents(first, platform, dialogs);
    static brak::ConfigFile config(first, platform, dialogs, contents);
    static brak::Layout layout(first, platform, dialogs, config);
    static brak::Layout again(second, platform, dialogs, config);
    // Small limits, so that the fuzzer reaches them.
    brak::KeyValueLimits small;
    small.maxLineLength = 512;
    small.maxBytes = 1 << 14;
    layout.apply(readLayout(text, 1, small));
    const std::string saved = brak::layoutText(first);

    // The saved file sets every value, so what the second window held before
    // does not matter.
    again.apply(readLayout(saved, 7, {}));
    if (brak::layoutText(second) != saved)
        std::abort();
    return 0;
}
