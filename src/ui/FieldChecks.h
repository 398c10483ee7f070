#pragma once

#include "contents/Contents.h"
#include "form/MainForm.h"
#include "platform/Dialogs.h"

#include <string>

namespace brak {

// The open dialog's filters of the pickers.
inline constexpr const char* ArchiveFilter =
    "Archives (*.J)|*.J|"
    "Zip, 7z, tar and other archives|*.ZIP;*.7Z;*.TAR;*.TAR.GZ;*.TGZ;*.TAR.XZ;*.TXZ;*.TAR.ZST;"
    "*.TZST;*.TAR.BZ2;*.TBZ2;*.RAR;*.ISO;*.CPIO;*.CAB;*.LHA;*.LZH;*.XAR|"
    "All Files (*.*)|*.*";
inline constexpr const char* ListFilter = "Lists (*.LST)|*.LST|All Files (*.*)|*.*";
inline constexpr const char* CommentFilter = "Comments (*.CMT)|*.CMT|All Files (*.*)|*.*";
inline constexpr const char* AnyFileFilter = "All Files (*.*)|*.*";
inline constexpr const char* JarFilter = "Jar Executable (JAR*.EXE)|JAR*.EXE|All Files (*.*)|*.*";

// Keeps the text fields usable on Jar's command line: a minus that Jar
// would read as the start of a switch is taken out again as it is typed,
// and a double click fills a field with a file or directory picked in the
// open dialog.
class FieldChecks {
public:
    FieldChecks(MainForm& form, Platform& platform, Dialogs& dialogs, Contents& contents)
        : f_(form), platform_(platform), dialogs_(dialogs), contents_(contents) {}
    FieldChecks(const FieldChecks&) = delete;
    FieldChecks& operator=(const FieldChecks&) = delete;

    // The key releases of the checked fields and the double clicks of the
    // picker fields (the colour fields pick colours elsewhere).
    void wire();

    // A text is refused when it begins with a minus or holds one after a
    // blank or a double quote. The offending minus goes (the nearest one
    // before the caret, else the first), the caret stays where it stood,
    // and the message box says why, once.
    void EnforceNoSwitch(Edit& field, const std::string& caption);

    // The chosen file's full name, or empty on cancel.
    std::string GetFile(const std::string& filter);
    // The chosen file's directory ("/" for a file in the root), or empty
    // on cancel.
    std::string GetPath(const std::string& filter);

private:
    enum class Pick { File, NewFile, Path };
    // A choice goes into the field as typing would put it; a cancel
    // leaves the field as it was.
    bool pick(Edit& field, Pick what, const char* filter);

    MainForm& f_;
    Platform& platform_;
    Dialogs& dialogs_;
    Contents& contents_;
};

} // namespace brak
