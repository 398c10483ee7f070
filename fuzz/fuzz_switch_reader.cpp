// Reads arbitrary bytes as a switch string into a window, as a stored set
// or a configuration file's line would be read. Whatever was read must be
// written back as a string that reads again into the same controls, without
// a word of complaint (unless a value holds a double quote, which no switch
// string can carry and a run refuses). Crashes, leaks, undefined behaviour and hangs are
// failures, and so is a switch string that changes on its way round.
#include "QuietMachine.h"
#include "core/Commands.h"
#include "core/SwitchReader.h"
#include "ui/Brak.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Switch strings are short; a long input only repeats what a short one finds.
    if (size > 4096)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    // One window for all inputs, as one window reads many switch sets.
    static brak::fuzz::QuietPlatform platform;
    static brak::fuzz::QuietDialogs dialogs;
    static brak::Brak brak(platform, dialogs);
    brak::MainForm& form = brak.form();
    try {
        brak::SetSwitch(form, dialogs, text);
    } catch (const brak::Error&) {
        return 0; // a value a rule cannot take reaches the error box
    }
    std::vector<brak::QuotedValue> values;
    const std::string written = brak::GetSwitch(form, &values);
    // A value holding a double quote cannot be written between quotes; a
    // run refuses it with a message naming its field.
    for (const brak::QuotedValue& value : values)
        if (value.text.find('"') != std::string::npos)
            return 0;
    const int boxes = dialogs.boxes;
    brak::SetSwitch(form, dialogs, written);
    if (brak::GetSwitch(form) != written || dialogs.boxes != boxes)
        std::abort();
    return 0;
}
