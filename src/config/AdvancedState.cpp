#include "config/AdvancedState.h"

#include "base/Convert.h"

#include <cstdio>
#include <variant>

namespace brak {

namespace {

using Entry = std::variant<CheckBox*, RadioButton*, TDTEdit*, TLEdit*, Edit*>;

// The panels, each in restore order: its box, its variants, then the fields,
// which the variants' handlers would otherwise empty again.
std::vector<std::vector<Entry>> panels(MainForm& f) {
    return {
        {&f.chAfter, &f.raAfterToday, &f.raAfterSpecify, &f.daAfter, &f.raAfterDate,
         &f.raAfterTime},
        {&f.chBefore, &f.raBeforeToday, &f.raBeforeSpecify, &f.raBeforeDays, &f.loBeforeDays,
         &f.daBefore, &f.raBeforeDate, &f.raBeforeTime},
        // Each side offers its number only once First or Last is off.
        {&f.chChapter, &f.chChapterFirst, &f.loChapterFrom, &f.chChapterLast, &f.loChapterTo},
        {&f.chExclude, &f.raExcludeList, &f.raExcludeMask, &f.edExcludeList, &f.edExcludeMask},
        {&f.chAssume, &f.chAssumeCreate, &f.chAssumeDelete, &f.chAssumeSpace, &f.chAssumeNew,
         &f.chAssumeOverwriteFile, &f.chAssumeOverwriteDirectory, &f.chAssumeNext},
        {&f.chVolume, &f.raVolumeAuto, &f.raVolumeSpecify, &f.raVolume360, &f.raVolume720,
         &f.raVolume1200, &f.raVolume1440, &f.raVolumeOther, &f.loVolumeSize, &f.chVolumeTest,
         &f.chVolumeBeep, &f.chVolumePrompt, &f.chVolumeEcho, &f.edVolumeCommand},
        // Never the fields edPassword and edNewPassword.
        {&f.chPassword, &f.raPasswordPrompt, &f.raPasswordSpecify, &f.chPasswordVisible},
        {&f.chNewPassword, &f.raNewPasswordRemove, &f.raNewPasswordPrompt, &f.raNewPasswordSpecify,
         &f.chNewPasswordVisible},
    };
}

const Control& control(const Entry& entry) {
    return *std::visit([](auto* c) -> const Control* { return c; }, entry);
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

std::string dateText(const DateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

} // namespace

void writeAdvancedState(const MainForm& form,
                        const std::function<void(std::string_view, std::string_view)>& value) {
    // The table names the controls; nothing here changes them. A panel that
    // is off writes nothing, so the file stays as it was without them.
    for (const auto& panel : panels(const_cast<MainForm&>(form))) {
        if (!std::get<CheckBox*>(panel.front())->checked())
            continue;
        for (const Entry& entry : panel) {
            const std::string key = ";[Brak]" + control(entry).name();
            std::visit(
                [&](auto* c) {
                    using Kind = std::remove_pointer_t<decltype(c)>;
                    if constexpr (std::is_same_v<Kind, CheckBox> ||
                                  std::is_same_v<Kind, RadioButton>)
                        value(key, c->checked() ? "Yes" : "No");
                    else if constexpr (std::is_same_v<Kind, TDTEdit>)
                        value(key, dateText(c->GetValue()));
                    else
                        value(key, c->text());
                },
                entry);
        }
    }
}

bool applyAdvancedState(MainForm& form, std::string_view key, const KeyValueLine& line) {
    for (const auto& panel : panels(form))
        for (const Entry& entry : panel) {
            if (upper(control(entry).name()) != key)
                continue;
            std::visit(
                [&](auto* c) {
                    using Kind = std::remove_pointer_t<decltype(c)>;
                    if constexpr (std::is_same_v<Kind, CheckBox>) {
                        c->setChecked(line.yes());
                    } else if constexpr (std::is_same_v<Kind, RadioButton>) {
                        // Checking one unchecks the others; "No" has nothing to do.
                        if (line.yes())
                            c->setChecked(true);
                    } else if constexpr (std::is_same_v<Kind, TDTEdit>) {
                        DateTime t;
                        const std::string text(line.value);
                        if (text.size() == 14 &&
                            std::sscanf(text.c_str(), "%4d%2d%2d%2d%2d%2d", &t.year, &t.month,
                                        &t.day, &t.hour, &t.minute, &t.second) == 6)
                            c->SetValue(t); // the picker refuses an impossible date
                    } else if constexpr (std::is_same_v<Kind, TLEdit>) {
                        if (line.value.empty())
                            c->setText("");
                        else if (const auto n = tryStrToInt(line.value))
                            c->setValue(*n);
                    } else {
                        c->setText(std::string(line.exactValue));
                    }
                },
                entry);
            return true;
        }
    return false;
}

} // namespace brak
