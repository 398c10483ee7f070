// Drives the console's terminal screen with writes and changes of size
// interleaved: each step is a byte n < 0xFF followed by n + 1 bytes written,
// or 0xFF followed by three bytes giving rows and columns from 1 to 300. The
// screen is read between steps, as the console paints it. Any crash, memory
// error, undefined behaviour or hang is a finding.
//
// Only an input's first eight resizes are carried out. Each one reallocates
// libvterm's screens, which under ASan means fresh pages faulted in and
// unmapped again; inputs with hundreds of resizes took most of the time and
// tried nothing a few resizes between writes do not.
#include "console/TerminalScreen.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint8_t ResizeStep = 0xFF;
constexpr int ResizeLimit = 8;

void readScreen(const brak::TerminalScreen& screen, std::vector<brak::ScreenCell>& cells) {
    const brak::TerminalPoint cursor = screen.cursor();
    const int first = screen.scrollbackLines();
    if (cursor.line < first || cursor.line >= screen.lineCount() || cursor.column < 0 ||
        cursor.column > screen.size().columns)
        std::abort();
    // Some of what the console paints: the cursor's line, the last line kept
    // above the screen and the screen's last row.
    for (int line : {cursor.line, first - 1, screen.lineCount() - 1}) {
        screen.lineCells(line, cells);
        if (line >= first && cells.size() != static_cast<std::size_t>(screen.size().columns))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    brak::TerminalScreen screen({24, 80});
    std::vector<brak::ScreenCell> cells;
    std::size_t at = 0;
    int resizes = 0;
    while (at < size) {
        const std::uint8_t step = data[at++];
        if (step == ResizeStep) {
            if (size - at < 3)
                break;
            const int high = data[at + 1];
            const int rows = 1 + (data[at] | (high & 0x0F) << 8) % 300;
            const int columns = 1 + (data[at + 2] | (high >> 4) << 8) % 300;
            at += 3;
            if (++resizes <= ResizeLimit)
                screen.resize({rows, columns});
        } else {
            const std::size_t length = std::min<std::size_t>(std::size_t{step} + 1, size - at);
            screen.feed(std::string_view(reinterpret_cast<const char*>(data + at), length));
            at += length;
        }
        (void)screen.takeReplies();
        if (screen.takeChanged())
            readScreen(screen, cells);
    }
    if (screen.scrollbackLines() > brak::TerminalScreen::ScrollbackLimit)
        std::abort();
    (void)screen.text({screen.scrollbackLines() - 1, 0}, screen.cursor());
    return 0;
}
