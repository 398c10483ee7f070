#include "ui/FieldChecks.h"

#include "platform/Platform.h"

#include <tuple>
#include <utility>

namespace brak {

namespace {

constexpr std::size_t None = std::string::npos;

bool offendingMinus(const std::string& text, std::size_t at) {
    return text[at] == '-' && (at == 0 || text[at - 1] == ' ' || text[at - 1] == '"');
}

} // namespace

void FieldChecks::wire() {
    MainForm& f = f_;
    const std::pair<Edit*, const char*> checked[] = {
        {&f.edContentMask, "Mask Error"},
        {&f.edContentList, "List Error"},
        {&f.edArchive, "Archive Name Error"},
        {&f.edOutput, "Output Path Error"},
        {&f.edWork, "Working Directory Error"},
        {&f.edList, "List Filename Error"},
        {&f.edFile, "Comment Filename Error"},
        {&f.edComment, "Comment Filename Error"},
        {&f.edCommentFile, "Comment Filename Error"},
        {&f.edPassword, "Password Error"},
        {&f.edNewPassword, "Password Error"},
        {&f.edExcludeList, "Exclude Filename Error"},
        {&f.edExcludeMask, "Exclude Mask Error"},
        {&f.loVolumeSize, "Volume Size Error"},
    };
    for (const auto& [field, caption] : checked)
        field->onKeyUp.wire(
            [this, field = field, caption = caption](int) { EnforceNoSwitch(*field, caption); });

    // The archive may be a new one, which the Add command creates: it is
    // listed only when it exists.
    f.edArchive.onDoubleClick.wire([this] {
        if (pick(f_.edArchive, Pick::NewFile, ArchiveFilter) &&
            platform_.fileExists(f_.edArchive.text()))
            contents_.LoadContents();
    });
    const std::tuple<Edit*, Pick, const char*> pickers[] = {
        {&f.edContentList, Pick::File, ListFilter}, {&f.edList, Pick::File, ListFilter},
        {&f.edExcludeList, Pick::File, ListFilter}, {&f.edFile, Pick::File, CommentFilter},
        {&f.edComment, Pick::File, CommentFilter},  {&f.edCommentFile, Pick::File, CommentFilter},
        {&f.edOutput, Pick::Path, AnyFileFilter},   {&f.edWork, Pick::Path, AnyFileFilter},
        {&f.edSwap, Pick::Path, AnyFileFilter},     {&f.edPath, Pick::Path, JarFilter},
    };
    for (const auto& [field, what, filter] : pickers)
        field->onDoubleClick.wire(
            [this, field = field, what = what, filter = filter] { pick(*field, what, filter); });
}

void FieldChecks::EnforceNoSwitch(Edit& field, const std::string& caption) {
    std::string text = field.text();
    const auto caret = static_cast<std::size_t>(field.selStart());
    std::size_t before = None, first = None;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!offendingMinus(text, at))
            continue;
        if (first == None)
            first = at;
        if (at < caret)
            before = at;
    }
    const std::size_t at = before != None ? before : first;
    if (at == None)
        return;
    text.erase(at, 1);
    field.setText(text);
    field.setSelStart(static_cast<int>(at < caret ? caret - 1 : caret));
    showMessage(dialogs_, "'-' is not valid.", caption, MessageIcon::Error);
}

std::string FieldChecks::GetFile(const std::string& filter) {
    return brak::GetFile(dialogs_, filter);
}

std::string FieldChecks::GetPath(const std::string& filter) {
    return brak::GetPath(dialogs_, filter);
}

bool FieldChecks::pick(Edit& field, Pick what, const char* filter) {
    if (!field.enabled())
        return false;
    const std::string chosen = what == Pick::File      ? GetFile(filter)
                               : what == Pick::NewFile ? dialogs_.nameFile(filter)
                                                       : GetPath(filter);
    if (chosen.empty())
        return false;
    field.setText(chosen);
    return true;
}

} // namespace brak
