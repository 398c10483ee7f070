#include "startup/Layout.h"

#include "base/AtomicFile.h"
#include "config/TextFile.h"
#include "core/Commands.h"

#include <algorithm>
#include <exception>

namespace brak {

namespace {

// How much of the top edge must show on a screen for the window to be
// taken and moved there.
constexpr int GrabStrip = 32;

bool grabbable(const FormWindow::Bounds& b, const ScreenArea& s) {
    // In 64 bits: the file's numbers may be anything an int holds.
    using Wide = long long;
    const Wide across = std::min<Wide>(Wide{b.left} + b.width, Wide{s.left} + s.width) -
                        std::max<Wide>(b.left, s.left);
    return across >= std::min(GrabStrip, b.width) && Wide{b.top} + GrabStrip > s.top &&
           b.top < Wide{s.top} + s.height - GrabStrip / 2;
}

} // namespace

FormWindow::Bounds keepOnScreen(FormWindow::Bounds b, const std::vector<ScreenArea>& screens) {
    const FormWindow::Bounds designed;
    if (b.width <= 0 || b.height <= 0) {
        b.width = designed.width;
        b.height = designed.height;
    }
    if (screens.empty() ||
        std::any_of(screens.begin(), screens.end(), [&](const auto& s) { return grabbable(b, s); }))
        return b;
    const ScreenArea& primary = screens.front();
    b.width = std::min(b.width, primary.width);
    b.height = std::min(b.height, primary.height);
    b.left = primary.left + (primary.width - b.width) / 2;
    b.top = primary.top + (primary.height - b.height) / 2;
    return b;
}

std::string layoutText(const MainForm& f) {
    auto yesNo = [](const MenuItem& item) { return item.checked() ? "Yes" : "No"; };
    std::string text = "; ----- Brak Layout -----\r\n\r\n";
    auto line = [&](const std::string& key, const std::string& value) {
        text += key + "=" + value + "\r\n";
    };
    line("DetectSwitch", yesNo(f.DetectSwitch));
    line("AutoLoad", yesNo(f.AutoLoad));
    line("AutoSave", yesNo(f.AutoSave));
    line("ShowHint", yesNo(f.ShowHints));
    line("PathToJar", f.edPath.text());
    for (int i = 0; i < ChapterColumns; ++i)
        line("ChapterWidth" + std::to_string(i), std::to_string(f.stChapter.colWidth(i)));
    for (int i = 0; i < FileColumns; ++i)
        line("FileWidth" + std::to_string(i), std::to_string(f.stFile.colWidth(i)));
    const FormWindow::Bounds& b = f.Window.bounds();
    line("FormLeft", std::to_string(b.left));
    line("FormTop", std::to_string(b.top));
    line("FormWidth", std::to_string(b.width));
    line("FormHeight", std::to_string(b.height));
    return text + "\r\n";
}

void Layout::wire() {
    MainForm& f = f_;
    f.DetectSwitch.onClick.wire([this] { DetectSwitchClick(); });
    f.AutoLoad.onClick.wire([this] { AutoLoadClick(); });
    f.AutoSave.onClick.wire([this] { AutoSaveClick(); });
    f.ShowHints.onClick.wire([this] { ShowHintsClick(); });
}

int Layout::SaveBrak() {
    if (!platform_.makeUserDirectory())
        return 1;
    return writeFileAtomically(layoutFile(), layoutText(f_));
}

int Layout::LoadBrak() {
    // A file that is missing, no file, or far larger than any layout is
    // passed over: the window keeps what it has.
    std::string text;
    const KeyValueLimits limits;
    if (readTextFile(layoutFile(), limits.maxBytes, text) != TextFileResult::Read)
        return 1;
    LayoutReader reader(limits);
    reader.feed(text);
    reader.finish();
    apply(reader.values());
    return 0;
}

MenuItem& Layout::option(const char* name) {
    return *f_.OptionMenu.at(static_cast<std::size_t>(OptionIndex(f_, name)));
}

void Layout::apply(const LayoutValues& v) {
    const std::pair<const std::optional<bool>*, const char*> toggles[] = {
        {&v.detectSwitch, "DetectSwitch"},
        {&v.autoLoad, "AutoLoad"},
        {&v.autoSave, "AutoSave"},
        {&v.showHint, "ShowHint"}};
    for (const auto& [value, name] : toggles)
        if (*value)
            option(name).setChecked(**value);
    if (v.pathToJar)
        f_.edPath.setText(*v.pathToJar);
    // A negative width is no width.
    for (int i = 0; i < ChapterColumns; ++i)
        if (const auto& width = v.chapterWidths[static_cast<std::size_t>(i)])
            f_.stChapter.setColWidth(i, std::max(0, *width));
    for (int i = 0; i < FileColumns; ++i)
        if (const auto& width = v.fileWidths[static_cast<std::size_t>(i)])
            f_.stFile.setColWidth(i, std::max(0, *width));
    if (v.left || v.top || v.width || v.height) {
        FormWindow::Bounds b = f_.Window.bounds();
        b.left = v.left.value_or(b.left);
        b.top = v.top.value_or(b.top);
        b.width = v.width.value_or(b.width);
        b.height = v.height.value_or(b.height);
        f_.Window.setBounds(keepOnScreen(b, dialogs_.screens()));
    }
}

void Layout::FormClose() {
    // Every step runs even when one before it fails, so that an error in one
    // save does not cost the others; the first error is shown afterwards.
    std::exception_ptr failure;
    auto step = [&](auto&& action) {
        try {
            action();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    };
    const std::string shown = GetSwitch(f_);
    step([&] { offerToSave(shown); });
    // A save that fails keeps the file from before; the user is told once,
    // by name, rather than finding out at the next start.
    std::string unsaved;
    step([&] {
        if (f_.AutoSave.checked() &&
            (!platform_.makeUserDirectory() || config_.SaveConfig(stateFile()) == 1))
            unsaved += "\n" + stateFile();
    });
    step([&] {
        if (SaveBrak() != 0)
            unsaved += "\n" + layoutFile();
    });
    if (!unsaved.empty())
        step([&] {
            showMessage(dialogs_,
                        "Brak could not save" + unsaved +
                            "\nWhat was saved there before is kept as it was.",
                        "Closing Brak", MessageIcon::Warning);
        });
    if (failure)
        std::rethrow_exception(failure);
}

void Layout::offerToSave(const std::string& shown) {
    const std::size_t current = static_cast<std::size_t>(f_.CurrentCommand);
    if (f_.SwitchSets.at(current) != shown)
        f_.SwitchSetsModified = true;
    if (!f_.SwitchSetsModified)
        return;
    if (dialogs_.messageBox({"Save Configuration", "Confirmation", MessageIcon::Question,
                             MessageButtons::YesNo, MessageAnswer::Yes}) != MessageAnswer::Yes)
        return;
    // The program is ending: a save that fails says so and offers another
    // name, rather than losing the changes without a word.
    for (;;) {
        const std::string name = dialogs_.saveFile(SaveConfigurationFilter);
        if (name.empty())
            return;
        f_.SwitchSets[current] = shown;
        if (config_.SaveConfig(name) == 0) {
            f_.SwitchSetsModified = false;
            return;
        }
        if (dialogs_.messageBox(
                {"The configuration could not be saved in\n" + name + "\nChoose another name?",
                 "Save Configuration", MessageIcon::Warning, MessageButtons::YesNo,
                 MessageAnswer::Yes}) != MessageAnswer::Yes)
            return;
    }
}

void Layout::flipCheck(const char* name) {
    MenuItem& item = option(name);
    item.setChecked(!item.checked());
}

void Layout::DetectSwitchClick() {
    flipCheck("DetectSwitch");
}

void Layout::AutoLoadClick() {
    flipCheck("AutoLoad");
}

void Layout::AutoSaveClick() {
    flipCheck("AutoSave");
}

void Layout::ShowHintsClick() {
    // The window's hint display follows the check mark.
    flipCheck("ShowHint");
}

} // namespace brak
