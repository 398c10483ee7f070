#include "core/QuoteCheck.h"

#include <array>
#include <utility>

namespace brak {

std::string fieldTitle(const std::string& field) {
    static const std::array<std::pair<const char*, const char*>, 11> titles{{
        {"edArchive", "\"Archive Name\" on the View tab"},
        {"edContentList", "\"List File\" on the Selection tab"},
        {"edOutput", "\"Output\" on the Medium tab"},
        {"edWork", "\"Work Directory\" on the Medium tab"},
        {"edList", "\"Create File List\" on the Medium tab"},
        {"edFile", "\"Comment Archive\" on the Medium tab"},
        {"edComment", "\"Comment Chapters\" on the Medium tab"},
        {"edCommentFile", "\"Comment Files\" on the Medium tab"},
        {"edExcludeList", "\"Exclude: List File\" on the Advanced tab"},
        {"edExcludeMask", "\"Exclude: File Masks\" on the Advanced tab"},
        {"edVolumeCommand", "\"Command Prompt\" on the Advanced tab"},
    }};
    for (const auto& [name, title] : titles)
        if (field == name)
            return title;
    return "\"" + field + "\"";
}

bool checkQuotedValues(Dialogs& dialogs, const std::vector<QuotedValue>& values) {
    for (const QuotedValue& value : values) {
        if (value.text.find('"') == std::string::npos)
            continue;
        showMessage(dialogs,
                    "The field " + fieldTitle(value.field) +
                        " holds a double quote (\").\nJar would take it for the end of the "
                        "value and read the rest as further names or switches.\n\nRemove the "
                        "double quote; Jar was not started.",
                    QuoteCheckCaption, MessageIcon::Error);
        return false;
    }
    return true;
}

} // namespace brak
