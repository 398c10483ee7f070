#include "core/SwitchReader.h"

#include "base/Text.h"

#include <algorithm>
#include <cctype>

namespace brak {

std::size_t findSwitch(const std::string& work, const std::string& token) {
    if (token.empty() || token.size() > work.size())
        return std::string::npos;
    bool quoted = false;
    for (std::size_t i = 0; i + token.size() <= work.size(); ++i) {
        if (work[i] == '"') {
            quoted = !quoted;
            continue;
        }
        // A token holds no quote, so one that starts outside quotes lies
        // wholly outside them.
        if (!quoted && work.compare(i, token.size(), token) == 0)
            return i;
    }
    return std::string::npos;
}

std::string ExtractSwitchValue(std::string& work, const std::string& prefix) {
    const std::size_t p = findSwitch(work, prefix);
    if (p == std::string::npos)
        return {};
    const std::size_t s = p + prefix.size();
    if (s >= work.size()) {
        work.erase(p);
        return {};
    }
    const bool quoted = work[s] == '"';
    const char terminator = quoted ? '"' : ' ';
    // The value runs to its terminator, or to the end of the text when the
    // terminator is missing.
    std::size_t i = s + 1;
    while (i + 1 < work.size() && work[i] != terminator)
        ++i;
    i = std::min(i, work.size() - 1);
    std::string value = work.substr(s, i - s + 1);
    work.erase(p, i - p + 1);
    if (quoted)
        value = value.size() >= 2 ? value.substr(1, value.size() - 2) : std::string();
    return value;
}

namespace {

// Finds a token and cuts its first `length` characters out of the work text.
bool take(std::string& work, const std::string& token, std::size_t length) {
    const std::size_t p = findSwitch(work, token);
    if (p == std::string::npos)
        return false;
    work.erase(p, length);
    return true;
}

bool take(std::string& work, const std::string& token) {
    return take(work, token, token.size());
}

struct Variant {
    const char* token;
    std::size_t length;
    RadioButton* radio;
};

struct AttributePanel {
    char letter;
    CheckBox* box;
    RadioButton* set;
    RadioButton* clear;
};

void readAttributes(MainForm& f, std::string& work) {
    for (CheckBox* box : {&f.chArchive, &f.chRead, &f.chDirectory, &f.chSystem, &f.chHidden})
        box->setChecked(false);
    const std::size_t p = findSwitch(work, "-hb");
    if (p == std::string::npos)
        return;
    // The item runs to the first blank after it; the appended blank
    // guarantees there is one.
    std::size_t e = p;
    while (e + 1 < work.size() && work[e] != ' ')
        ++e;
    const std::string pairs = work.substr(p + 3, e - (p + 3) + 1);
    work.erase(p, e - p + 1);

    const AttributePanel panels[] = {
        {'a', &f.chArchive, &f.raArchiveSet, &f.raArchiveClear},
        {'r', &f.chRead, &f.raReadSet, &f.raReadClear},
        {'d', &f.chDirectory, &f.raDirectorySet, &f.raDirectoryClear},
        {'h', &f.chHidden, &f.raHiddenSet, &f.raHiddenClear},
        {'s', &f.chSystem, &f.raSystemSet, &f.raSystemClear},
    };
    for (const AttributePanel& panel : panels) {
        std::size_t k = pairs.find(panel.letter);
        if (k == std::string::npos)
            continue;
        panel.box->setChecked(true);
        // The digit is the first 0 or 1 after the letter, even past other
        // letters; no digit at all means Set.
        while (k + 1 < pairs.size() && pairs[k] != '1' && pairs[k] != '0')
            ++k;
        const bool clear = pairs[k] == '0';
        panel.clear->setChecked(clear);
        panel.set->setChecked(!clear);
    }
}

void readSwitchPanel(std::string& work, const char* prefix, CheckBox& box,
                     std::initializer_list<Variant> variants) {
    // The bare prefix checks the box and stays in the text: without any
    // variant it is left over and reported.
    box.setChecked(findSwitch(work, prefix) != std::string::npos);
    for (const Variant& variant : variants)
        variant.radio->setChecked(take(work, variant.token, variant.length));
}

void readValue(std::string& work, const char* prefix, CheckBox& box, Edit& field) {
    const bool present = findSwitch(work, prefix) != std::string::npos;
    box.setChecked(present);
    if (present)
        field.setText(ExtractSwitchValue(work, prefix));
}

void readStripOrFile(std::string& work, const char* prefix, CheckBox& box, Edit& field,
                     RadioButton& strip, RadioButton& fileName) {
    const std::size_t p = findSwitch(work, prefix);
    box.setChecked(p != std::string::npos);
    if (p == std::string::npos)
        return;
    const std::size_t s = p + std::char_traits<char>::length(prefix);
    const bool quoted = s < work.size() && work[s] == '"';
    field.setText(ExtractSwitchValue(work, prefix));
    // The writer's Strip form is the bare word NUL. A quoted value is always
    // a file name, even one that happens to hold "nul ".
    if (!quoted && upperCase(field.text()).find("NUL ") != std::string::npos)
        strip.setChecked(true);
    else
        fileName.setChecked(true);
}

} // namespace

void SetSwitch(MainForm& f, Dialogs& dialogs, const std::string& text) {
    std::string work = text + " ";

    const std::pair<const char*, CheckBox*> simple[] = {
        {"-hy", &f.chEnvelope},     {"-he", &f.chSkip},   {"-y", &f.chYes},
        {"-r", &f.chRecurse},       {"-q", &f.chQuery},   {"-d", &f.chDelete},
        {"-n", &f.chNew},           {"-ha", &f.chIgnore}, {"-hl", &f.chWarn},
        {"-jf", &f.chFull},         {"-jr", &f.chBroken}, {"-hk", &f.chAdd},
        {"-hx", &f.chUse},          {"-jx", &f.chHide},   {"-ho", &f.chTranslate},
        {"-jt", &f.chTestTemporary}};
    for (const auto& [token, box] : simple)
        box->setChecked(take(work, token));

    readAttributes(f, work);

    // The bare variants are searched with their blank so that they do not
    // match their longer siblings; the blank stays.
    readSwitchPanel(work, "-f", f.chFreshen,
                    {{"-f1", 3, &f.raFreshenOlder}, {"-f2", 3, &f.raFreshenDifferent}});
    readSwitchPanel(work, "-b", f.chBit, {{"-b0", 3, &f.raBitReset}, {"-b1", 3, &f.raBitSet}});
    readSwitchPanel(work, "-u", f.chUpdate,
                    {{"-u1", 3, &f.raUpdateOlder}, {"-u2", 3, &f.raUpdateDifferent}});
    readSwitchPanel(work, "-hg", f.chAccess,
                    {{"-hg0", 4, &f.raAccessAuthenticate}, {"-hg1", 4, &f.raAccessEncrypt}});
    readSwitchPanel(work, "-ht", f.chTest,
                    {{"-ht0", 4, &f.raTestCRC}, {"-ht1", 4, &f.raTestCompare}});
    readSwitchPanel(work, "-s", f.chStamp,
                    {{"-s ", 2, &f.raStampNew}, {"-s1", 3, &f.raStampOriginal}});
    readSwitchPanel(
        work, "-ju", f.chSort,
        {{"-ju-", 4, &f.raSortNone}, {"-ju0", 4, &f.raSortName}, {"-ju1", 4, &f.raSortExtension}});
    readSwitchPanel(work, "-js", f.chCompress,
                    {{"-js-", 4, &f.raCompressAll},
                     {"-js0", 4, &f.raCompressCreate},
                     {"-js1", 4, &f.raCompressModify}});
    readSwitchPanel(
        work, "-jl", f.chLock,
        {{"-jl ", 3, &f.raLockAll}, {"-jl1", 4, &f.raLockExist}, {"-jl2", 4, &f.raLockAuto}});
    readSwitchPanel(work, "-m", f.chCompression,
                    {{"-m1", 3, &f.raCompressionFast},
                     {"-m2", 3, &f.raCompressionNormal},
                     {"-m3", 3, &f.raCompressionBetter},
                     {"-m4", 3, &f.raCompressionBest}});
    readSwitchPanel(work, "-hf", f.chLong,
                    {{"-hf-", 4, &f.raLongLong},
                     {"-hf ", 3, &f.raLongBoth},
                     {"-hf1", 4, &f.raLongShort},
                     {"-hf2", 4, &f.raLongToShort},
                     {"-hf3", 4, &f.raLongToStandard}});

    readValue(work, "-o", f.chOutput, f.edOutput);
    readValue(work, "-w", f.chWork, f.edWork);
    readValue(work, "-l", f.chList, f.edList);

    readStripOrFile(work, "-z", f.chFile, f.edFile, f.raFileStrip, f.raFileName);
    readStripOrFile(work, "-hz", f.chComment, f.edComment, f.raCommentStrip, f.raCommentFilename);
    readStripOrFile(work, "-jz", f.chCommentFile, f.edCommentFile, f.raCommentFileStrip,
                    f.raCommentFileFilename);

    const std::string leftover(trimBlanks(work));
    if (!leftover.empty())
        showMessage(dialogs, SwitchReaderMessage + leftover, SwitchReaderCaption,
                    MessageIcon::Error);
}

} // namespace brak
