#include "core/AdvancedSwitches.h"

#include <algorithm>
#include <cstdio>

namespace brak {

namespace {

std::string digits(const DateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

void appendQuoted(std::string& out, std::vector<QuotedValue>* quoted, const char* prefix,
                  const Edit& field, const std::string& text) {
    out += prefix;
    out += '"';
    out += text;
    out += "\" ";
    if (quoted)
        quoted->push_back({field.name(), text});
}

} // namespace

std::string GetAdvanced(const MainForm& f, std::vector<QuotedValue>* quoted) {
    std::string out;
    auto add = [&out](bool condition, const std::string& text) {
        if (condition)
            out += text;
    };

    // Dates. A panel whose box is off has no checked variant.
    add(f.raAfterToday.checked(), "-ta ");
    add(f.raAfterSpecify.checked(), "-ta\"" + digits(f.daAfter.GetValue()) + "\" ");
    add(f.raBeforeToday.checked(), "-tb ");
    add(f.raBeforeSpecify.checked(), "-tb\"" + digits(f.daBefore.GetValue()) + "\" ");
    add(f.raBeforeDays.checked(), "-to" + f.loBeforeDays.text() + " ");

    // A side left open (First, Last) is left empty.
    if (f.chChapter.checked())
        out += "-jc" + (f.chChapterFirst.checked() ? std::string() : f.loChapterFrom.text()) + "-" +
               (f.chChapterLast.checked() ? std::string() : f.loChapterTo.text()) + " ";

    if (f.chExclude.checked() && f.raExcludeList.checked())
        appendQuoted(out, quoted, "-x!", f.edExcludeList, f.edExcludeList.text());
    if (f.chExclude.checked() && f.raExcludeMask.checked()) {
        const std::string& masks = f.edExcludeMask.text();
        for (std::size_t at = 0; at < masks.size();) {
            const std::size_t end = std::min(masks.find(' ', at), masks.size());
            if (end > at)
                appendQuoted(out, quoted, "-x", f.edExcludeMask, masks.substr(at, end - at));
            at = end + 1;
        }
    }

    // The kinds of question, in the order of their letters.
    const std::pair<const CheckBox*, char> answers[] = {
        {&f.chAssumeCreate, 'c'},        {&f.chAssumeDelete, 'd'},
        {&f.chAssumeSpace, 'k'},         {&f.chAssumeNew, 'n'},
        {&f.chAssumeOverwriteFile, 'o'}, {&f.chAssumeOverwriteDirectory, 'r'},
        {&f.chAssumeNext, 'v'}};
    std::string letters;
    for (const auto& [box, letter] : answers)
        if (f.chAssume.checked() && box->checked())
            letters += letter;
    add(!letters.empty(), "-jy" + letters + " ");

    if (f.chVolume.checked()) {
        add(f.raVolumeAuto.checked(), "-va ");
        if (f.raVolumeSpecify.checked()) {
            add(f.raVolume360.checked(), "-v360 ");
            add(f.raVolume720.checked(), "-v720 ");
            add(f.raVolume1200.checked(), "-v1200 ");
            add(f.raVolume1440.checked(), "-v1440 ");
            add(f.raVolumeOther.checked(), "-v" + f.loVolumeSize.text() + " ");
        }
        add(f.chVolumeTest.checked(), "-vt ");
        add(f.chVolumeBeep.checked(), "-vb ");
        if (f.chVolumePrompt.checked())
            appendQuoted(out, quoted, f.chVolumeEcho.checked() ? "-ve" : "-vc", f.edVolumeCommand,
                         f.edVolumeCommand.text());
    }

    if (f.chPassword.checked()) {
        add(f.raPasswordPrompt.checked(), "-p ");
        add(f.raPasswordSpecify.checked(), "-pfd" + std::to_string(PasswordDescriptor) + " ");
    }
    if (f.chNewPassword.checked()) {
        add(f.raNewPasswordRemove.checked(), "-np- ");
        add(f.raNewPasswordPrompt.checked(), "-np ");
        add(f.raNewPasswordSpecify.checked(),
            "-npfd" + std::to_string(NewPasswordDescriptor) + " ");
    }
    return out;
}

std::vector<PasswordInput> passwordInputs(const MainForm& f) {
    std::vector<PasswordInput> inputs;
    if (f.chPassword.checked() && f.raPasswordSpecify.checked())
        inputs.push_back({PasswordDescriptor, &f.edPassword});
    if (f.chNewPassword.checked() && f.raNewPasswordSpecify.checked())
        inputs.push_back({NewPasswordDescriptor, &f.edNewPassword});
    return inputs;
}

} // namespace brak
