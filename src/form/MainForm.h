#pragma once

#include "form/Control.h"
#include "form/Grid.h"
#include "form/Lists.h"
#include "form/Validate.h"

#include <array>
#include <optional>

namespace brak {

// The tab control: which page is shown.
class PageControl : public Control {
public:
    using Control::Control;
    int activePage() const { return activePage_; }
    void setActivePage(int page);

private:
    int activePage_ = 0;
};

// The window's caption.
class Caption : public Control {
public:
    using Control::Control;
    const std::string& text() const { return text_; }
    void setText(const std::string& text);

private:
    std::string text_ = "Brak";
};

// The main window itself: where it stands on the screen, and its closing.
// close() runs the close sequence (onClose) once, even when the user asks
// twice; the view follows closed() and takes the window off the screen.
class FormWindow : public Control {
public:
    using Control::Control;

    // Position and outer size, in pixels.
    struct Bounds {
        int left = 0, top = 0, width = 785, height = 581;
        bool operator==(const Bounds&) const = default;
    };
    const Bounds& bounds() const { return bounds_; }
    void setBounds(const Bounds& bounds);

    bool closed() const { return closed_; }
    // The window closes whatever the close sequence does, an error included.
    void close();
    // A file dropped on the window, by its full name.
    void dropFile(const std::string& name) {
        if (onDropFile)
            onDropFile(name);
    }

    Handler onClose;
    Event<const std::string&> onDropFile;

private:
    Bounds bounds_;
    bool closed_ = false;
};

// Every control of the main window, by its name, with its form default, and
// the few program-wide values that belong to the window. It holds state
// only: the behaviour is wired in by the composition root.
class MainForm : public Form {
public:
    MainForm();

    FormWindow Window{this, "Window"};
    Caption Caption1{this, "Caption"};
    StatusBar StatusBar1{this, "StatusBar1"};
    PageControl PageControl1{this, "PageControl"};

    // Menus.
    MenuItem LoadConfiguration1{this, "LoadConfiguration1", "&Load Configuration..."};
    MenuItem SaveConfiguration1{this, "SaveConfiguration1", "&Save Configuration..."};
    MenuItem LastOutput1{this, "LastOutput1", "Last Jar &Output..."};
    MenuItem Exit1{this, "Exit1", "&Exit"};
    MenuItem DetectSwitch{this, "DetectSwitch", "Detect Switch &Mismatch", true};
    MenuItem AutoLoad{this, "AutoLoad", "Auto &Load Last State", true};
    MenuItem AutoSave{this, "AutoSave", "Auto &Save Current State", true};
    MenuItem ShowHints{this, "ShowHints", "Show &Hints", true};
    MenuItem Contents3{this, "Contents3", "&Contents"};
    MenuItem SearchforHelpOn2{this, "SearchforHelpOn2", "&Search for Help On..."};
    MenuItem HowtoUseHelp2{this, "HowtoUseHelp2", "&How to Use Help"};
    MenuItem About3{this, "About3", "&About..."};
    // The Options menu in menu order.
    std::array<MenuItem*, 4> OptionMenu{&DetectSwitch, &AutoLoad, &AutoSave, &ShowHints};

    // Command group, in catalogue order.
    Panel grCommand{this, "grCommand", "Command"};
    RadioButton raCommandAddFile{this, "raCommandAddFile", "Add Files", &grCommand};
    RadioButton raCommandAddChapter{this, "raCommandAddChapter", "Add Chapter", &grCommand};
    RadioButton raCommandComment{this, "raCommandComment", "Comment Archive", &grCommand};
    RadioButton raCommandDeleteFile{this, "raCommandDeleteFile", "Delete Files", &grCommand};
    RadioButton raCommandDeleteAll{this, "raCommandDeleteAll", "Delete All Files", &grCommand};
    RadioButton raCommandDeleteChapter{this, "raCommandDeleteChapter", "Delete Chapters",
                                       &grCommand};
    RadioButton raCommandExtract{this, "raCommandExtract", "Extract Files", &grCommand};
    RadioButton raCommandFreshen{this, "raCommandFreshen", "Freshen Files", &grCommand};
    RadioButton raCommandListContent{this, "raCommandListContent", "List Contents", &grCommand};
    RadioButton raCommandListChapter{this, "raCommandListChapter", "List Chapters", &grCommand};
    RadioButton raCommandListShort{this, "raCommandListShort", "List Short Contents", &grCommand};
    RadioButton raCommandListTechnical{this, "raCommandListTechnical", "List Technical",
                                       &grCommand};
    RadioButton raCommandMove{this, "raCommandMove", "Move Files", &grCommand};
    RadioButton raCommandRecover{this, "raCommandRecover", "Recover Header", &grCommand};
    RadioButton raCommandScan{this, "raCommandScan", "Scan Locked Files", &grCommand};
    RadioButton raCommandIntegrity{this, "raCommandIntegrity", "Test Integrity", &grCommand};
    RadioButton raCommandUpdate{this, "raCommandUpdate", "Update Files", &grCommand};
    RadioButton raCommandVerbose{this, "raCommandVerbose", "Verbose Listing", &grCommand};
    RadioButton raCommandFull{this, "raCommandFull", "Extract Full Path", &grCommand};
    RadioButton raCommandCopy{this, "raCommandCopy", "Copy Archive", &grCommand};
    std::array<RadioButton*, 20> commandButtons{
        &raCommandAddFile,     &raCommandAddChapter, &raCommandComment,
        &raCommandDeleteFile,  &raCommandDeleteAll,  &raCommandDeleteChapter,
        &raCommandExtract,     &raCommandFreshen,    &raCommandListContent,
        &raCommandListChapter, &raCommandListShort,  &raCommandListTechnical,
        &raCommandMove,        &raCommandRecover,    &raCommandScan,
        &raCommandIntegrity,   &raCommandUpdate,     &raCommandVerbose,
        &raCommandFull,        &raCommandCopy};

    // ---- View tab ----
    Panel taView{this, "taView", "View"};
    Panel gbArchive{this, "gbArchive", "&Archive Name", &taView};
    Edit edArchive{this, "edArchive", &gbArchive};
    Label laChapterDetail{this, "laChapterDetail", "Chapter Details", &taView};
    StringGrid stChapter{this, "stChapter", 6, 2, &taView};
    Label laFileDetail{this, "laFileDetail", "File Details (0 files)", &taView};
    Edit edFilter{this, "edFilter", &taView};
    StringGrid stFile{this, "stFile", 10, 2, &taView};
    Panel paOrder{this, "paOrder", "", &taView};
    RadioButton raAscending{this, "raAscending", "Ascending", &paOrder};
    RadioButton raDescending{this, "raDescending", "Descending", &paOrder};
    CheckBox chFileLock{this, "chFileLock", "Lock Filename", &taView};

    // ---- Selection tab ----
    Panel taSelect{this, "taSelect", "Selection"};
    Label laSource{this, "laSource", "Source / Destination", &taSelect};
    DriveList Drive{this, "Drive", &taSelect};
    DirectoryList Directory{this, "Directory", &taSelect};
    Button buFollow{this, "buFollow", "&Follow Archive", &taSelect};
    Panel grContent{this, "grContent", "Archive Contents", &taSelect};
    RadioButton raContentMask{this, "raContentMask", "File &Masks", &grContent};
    Edit edContentMask{this, "edContentMask", &grContent};
    CheckBox chContentDynamic{this, "chContentDynamic", "&Dynamic Update", &grContent};
    RadioButton raContentList{this, "raContentList", "&List File", &grContent};
    Edit edContentList{this, "edContentList", &grContent};
    CheckBox chContentUpdate{this, "chContentUpdate", "&Update List File before archiving",
                             &grContent};
    Label laSelectFile{this, "laSelectFile", "File Selection (0 files in this directory)",
                       &taSelect};
    FileList FileList1{this, "FileList", &taSelect};

    // ---- Config tab ----
    Panel taConfig{this, "taConfig", "Config"};
    Button buClearSwitch{this, "buClearSwitch", "&Clear Switches", &taConfig};
    Button buClearAllSwitch{this, "buClearAllSwitch", "Clear All Switches", &taConfig};
    Panel grColour{this, "grColour", "Colours", &taConfig};
    CheckBox chColour{this, "chColour", "Coloured &Output", &grColour};
    CheckBox chColourHigh{this, "chColourHigh", "High Intensity", &grColour};
    Label laColourNormal{this, "laColourNormal", "Normal", &grColour};
    Edit edColourNormal{this, "edColourNormal", &grColour};
    Label laColourError{this, "laColourError", "Error", &grColour};
    Edit edColourError{this, "edColourError", &grColour};
    Label laColourSignal{this, "laColourSignal", "Signal", &grColour};
    Edit edColourSignal{this, "edColourSignal", &grColour};
    Label laColourComment{this, "laColourComment", "Comment", &grColour};
    Edit edColourComment{this, "edColourComment", &grColour};
    Label laColourHighlight{this, "laColourHighlight", "Highlight", &grColour};
    Edit edColourHighlight{this, "edColourHighlight", &grColour};
    Panel grAccess{this, "grAccess", "Default Access", &taConfig};
    RadioButton raDefaultAuthenticate{this, "raDefaultAuthenticate", "&Authenticate", &grAccess};
    RadioButton raDefaultGost{this, "raDefaultGost", "&Gost v1.01", &grAccess};
    Panel grMemory{this, "grMemory", "Memory Usage", &taConfig};
    Label laMemoryFlat{this, "laMemoryFlat", "32-bit Flat", &grMemory};
    TLEdit loMemoryFlat{this, "loMemoryFlat", &grMemory};
    SpinButton spMemoryFlat{this, "spMemoryFlat", &loMemoryFlat, 0, 10240, 4096, &grMemory};
    CheckBox chMemoryCheck{this, "chMemoryCheck", "Check Available &Memory", &grMemory};
    Panel grPath{this, "grPath", "&Path to Jar", &taConfig};
    Edit edPath{this, "edPath", &grPath};
    Panel grSwap{this, "grSwap", "&Swap File Directory", &taConfig};
    Edit edSwap{this, "edSwap", &grSwap};
    Panel grToggle{this, "grToggle", "Switches", &taConfig};
    CheckBox chInteractive{this, "chInteractive", "&Interactive Error Handler", &grToggle};
    CheckBox chHideMarked{this, "chHideMarked", "&Hide Marked Files", &grToggle};
    CheckBox chFullPath{this, "chFullPath", "Store &Full Path", &grToggle};
    CheckBox chStandardError{this, "chStandardError", "&Errors to Standard Out", &grToggle};
    CheckBox chANSIComment{this, "chANSIComment", "ANSI &Comments", &grToggle};
    CheckBox chSaveConfig{this, "chSaveConfig", "Save &Before Execution", &grToggle};
    Panel grDetails{this, "grDetails", "Archive Details", &taConfig};
    Label laArchiveCreateDate{this, "laArchiveCreateDate", "Create Date:", &grDetails};
    Edit edArchiveCreateDate{this, "edArchiveCreateDate", &grDetails};
    Label laArchiveCreateTime{this, "laArchiveCreateTime", "Create Time:", &grDetails};
    Edit edArchiveCreateTime{this, "edArchiveCreateTime", &grDetails};
    Label laArchiveModifyDate{this, "laArchiveModifyDate", "Modify Date:", &grDetails};
    Edit edArchiveModifyDate{this, "edArchiveModifyDate", &grDetails};
    Label laArchiveModifyTime{this, "laArchiveModifyTime", "Modify Time:", &grDetails};
    Edit edArchiveModifyTime{this, "edArchiveModifyTime", &grDetails};
    Label laArchiveCreate{this, "laArchiveCreate", "Create:", &grDetails};
    Edit edArchiveCreate{this, "edArchiveCreate", &grDetails};
    Label laArchiveUpdate{this, "laArchiveUpdate", "Update:", &grDetails};
    Edit edArchiveUpdate{this, "edArchiveUpdate", &grDetails};
    Label laArchiveExtract{this, "laArchiveExtract", "Extract:", &grDetails};
    Edit edArchiveExtract{this, "edArchiveExtract", &grDetails};
    Label laArchiveList{this, "laArchiveList", "List:", &grDetails};
    Edit edArchiveList{this, "edArchiveList", &grDetails};
    Label laArchiveOldSize{this, "laArchiveOldSize", "Original (b):", &grDetails};
    Edit edArchiveOldSize{this, "edArchiveOldSize", &grDetails};
    Label laArchiveNewSize{this, "laArchiveNewSize", "Archived (b):", &grDetails};
    Edit edArchiveNewSize{this, "edArchiveNewSize", &grDetails};
    Label laArchiveRatio{this, "laArchiveRatio", "Ratio:", &grDetails};
    Edit edArchiveRatio{this, "edArchiveRatio", &grDetails};
    Label laArchiveFlag{this, "laArchiveFlag", "Flags:", &grDetails};
    Edit edArchiveFlag{this, "edArchiveFlag", &grDetails};

    // ---- Basic tab ----
    Panel taBasic{this, "taBasic", "Basic"};
    Panel gbSwitch{this, "gbSwitch", " Simple Switches ", &taBasic};
    CheckBox chEnvelope{this, "chEnvelope", "Set Security Envelope", &gbSwitch};
    CheckBox chSkip{this, "chSkip", "Skip Envelope Test", &gbSwitch};
    CheckBox chYes{this, "chYes", "Assume Yes", &gbSwitch};
    CheckBox chRecurse{this, "chRecurse", "Recurse Subdirectories", &gbSwitch};
    CheckBox chQuery{this, "chQuery", "Query Each File", &gbSwitch};
    CheckBox chDelete{this, "chDelete", "Query File Deletion", &gbSwitch};
    CheckBox chNew{this, "chNew", "New Files Only", &gbSwitch};
    CheckBox chIgnore{this, "chIgnore", "Ignore Read Only", &gbSwitch};
    CheckBox chWarn{this, "chWarn", "Warn Unused Wildcards", &gbSwitch};
    CheckBox chFull{this, "chFull", "Store Full Path", &gbSwitch};
    CheckBox chBroken{this, "chBroken", "Recover Broken Archive", &gbSwitch};
    CheckBox chAdd{this, "chAdd", "Add Recovery Records", &gbSwitch};
    CheckBox chUse{this, "chUse", "Use Recovery Records", &gbSwitch};
    CheckBox chHide{this, "chHide", "Hide Archive Contents", &gbSwitch};
    CheckBox chTranslate{this, "chTranslate", "Output Path Translation", &gbSwitch};
    CheckBox chTestTemporary{this, "chTestTemporary", "Test Temporary Archive", &gbSwitch};
    CheckBox chSelfExtract{this, "chSelfExtract", "Create Self Extractor", &gbSwitch};

    Panel paBit{this, "paBit", "", &taBasic};
    CheckBox chBit{this, "chBit", "Change Archive Bit", &paBit};
    RadioButton raBitSet{this, "raBitSet", "Set", &paBit};
    RadioButton raBitReset{this, "raBitReset", "Reset", &paBit};
    Panel paFreshen{this, "paFreshen", "", &taBasic};
    CheckBox chFreshen{this, "chFreshen", "Freshen", &paFreshen};
    RadioButton raFreshenOlder{this, "raFreshenOlder", "Older", &paFreshen};
    RadioButton raFreshenDifferent{this, "raFreshenDifferent", "Different", &paFreshen};
    Panel paUpdate{this, "paUpdate", "", &taBasic};
    CheckBox chUpdate{this, "chUpdate", "Update Files", &paUpdate};
    RadioButton raUpdateOlder{this, "raUpdateOlder", "New and Older", &paUpdate};
    RadioButton raUpdateDifferent{this, "raUpdateDifferent", "New and Different", &paUpdate};
    Panel paAccess{this, "paAccess", "", &taBasic};
    CheckBox chAccess{this, "chAccess", "Access", &paAccess};
    RadioButton raAccessAuthenticate{this, "raAccessAuthenticate", "Authenticate", &paAccess};
    RadioButton raAccessEncrypt{this, "raAccessEncrypt", "Encrypt", &paAccess};
    Panel paTest{this, "paTest", "", &taBasic};
    CheckBox chTest{this, "chTest", "Test New and Updated", &paTest};
    RadioButton raTestCRC{this, "raTestCRC", "CRC-32", &paTest};
    RadioButton raTestCompare{this, "raTestCompare", "Compare", &paTest};

    Panel paArchive{this, "paArchive", "", &taBasic};
    CheckBox chArchive{this, "chArchive", "Archive Bit", &paArchive};
    RadioButton raArchiveSet{this, "raArchiveSet", "Set", &paArchive};
    RadioButton raArchiveClear{this, "raArchiveClear", "Clear", &paArchive};
    Panel paDirectory{this, "paDirectory", "", &taBasic};
    CheckBox chDirectory{this, "chDirectory", "Directory Bit", &paDirectory};
    RadioButton raDirectorySet{this, "raDirectorySet", "Set", &paDirectory};
    RadioButton raDirectoryClear{this, "raDirectoryClear", "Clear", &paDirectory};
    Panel paHidden{this, "paHidden", "", &taBasic};
    CheckBox chHidden{this, "chHidden", "Hidden Bit", &paHidden};
    RadioButton raHiddenSet{this, "raHiddenSet", "Set", &paHidden};
    RadioButton raHiddenClear{this, "raHiddenClear", "Clear", &paHidden};
    Panel paRead{this, "paRead", "", &taBasic};
    CheckBox chRead{this, "chRead", "Read Only Bit", &paRead};
    RadioButton raReadSet{this, "raReadSet", "Set", &paRead};
    RadioButton raReadClear{this, "raReadClear", "Clear", &paRead};
    Panel paSystem{this, "paSystem", "", &taBasic};
    CheckBox chSystem{this, "chSystem", "System Bit", &paSystem};
    RadioButton raSystemSet{this, "raSystemSet", "Set", &paSystem};
    RadioButton raSystemClear{this, "raSystemClear", "Clear", &paSystem};

    // ---- Medium tab ----
    Panel taMedium{this, "taMedium", "Medium"};
    Panel paStamp{this, "paStamp", "", &taMedium};
    CheckBox chStamp{this, "chStamp", "Time Stamp", &paStamp};
    RadioButton raStampNew{this, "raStampNew", "Newest", &paStamp};
    RadioButton raStampOriginal{this, "raStampOriginal", "Original", &paStamp};
    Panel paSort{this, "paSort", "", &taMedium};
    CheckBox chSort{this, "chSort", "Sort Files", &paSort};
    RadioButton raSortNone{this, "raSortNone", "None", &paSort};
    RadioButton raSortName{this, "raSortName", "Name", &paSort};
    RadioButton raSortExtension{this, "raSortExtension", "Extension", &paSort};
    Panel paCompress{this, "paCompress", "", &taMedium};
    CheckBox chCompress{this, "chCompress", "Chapter Compression", &paCompress};
    RadioButton raCompressAll{this, "raCompressAll", "All", &paCompress};
    RadioButton raCompressCreate{this, "raCompressCreate", "Created or Modified", &paCompress};
    RadioButton raCompressModify{this, "raCompressModify", "Modified Only", &paCompress};
    Panel paLock{this, "paLock", "", &taMedium};
    CheckBox chLock{this, "chLock", "Lock Archive", &paLock};
    RadioButton raLockAll{this, "raLockAll", "All", &paLock};
    RadioButton raLockExist{this, "raLockExist", "Existing Chapters", &paLock};
    RadioButton raLockAuto{this, "raLockAuto", "Auto-Lock", &paLock};
    Panel paCompression{this, "paCompression", "", &taMedium};
    CheckBox chCompression{this, "chCompression", "Compression", &paCompression};
    RadioButton raCompressionFast{this, "raCompressionFast", "Fast", &paCompression};
    RadioButton raCompressionNormal{this, "raCompressionNormal", "Normal", &paCompression};
    RadioButton raCompressionBetter{this, "raCompressionBetter", "Better", &paCompression};
    RadioButton raCompressionBest{this, "raCompressionBest", "Best", &paCompression};
    Panel paLong{this, "paLong", "", &taMedium};
    CheckBox chLong{this, "chLong", "Filenames", &paLong};
    RadioButton raLongLong{this, "raLongLong", "Long", &paLong};
    RadioButton raLongBoth{this, "raLongBoth", "Both", &paLong};
    RadioButton raLongShort{this, "raLongShort", "Short", &paLong};
    RadioButton raLongToShort{this, "raLongToShort", "Convert Short", &paLong};
    RadioButton raLongToStandard{this, "raLongToStandard", "Convert Standard", &paLong};

    Panel paOutput{this, "paOutput", "", &taMedium};
    CheckBox chOutput{this, "chOutput", "Output", &paOutput};
    Edit edOutput{this, "edOutput", &paOutput};
    Panel paWork{this, "paWork", "", &taMedium};
    CheckBox chWork{this, "chWork", "Work Directory", &paWork};
    Edit edWork{this, "edWork", &paWork};
    Panel paList{this, "paList", "", &taMedium};
    CheckBox chList{this, "chList", "Create File List", &paList};
    Edit edList{this, "edList", &paList};
    Panel paFile{this, "paFile", "", &taMedium};
    CheckBox chFile{this, "chFile", "Comment Archive", &paFile};
    RadioButton raFileStrip{this, "raFileStrip", "Strip", &paFile};
    RadioButton raFileName{this, "raFileName", "Filename", &paFile};
    Edit edFile{this, "edFile", &paFile};
    Panel paComment{this, "paComment", "", &taMedium};
    CheckBox chComment{this, "chComment", "Comment Chapters", &paComment};
    RadioButton raCommentStrip{this, "raCommentStrip", "Strip", &paComment};
    RadioButton raCommentFilename{this, "raCommentFilename", "Filename", &paComment};
    Edit edComment{this, "edComment", &paComment};
    Panel paCommentFiles{this, "paCommentFiles", "", &taMedium};
    CheckBox chCommentFile{this, "chCommentFile", "Comment Files", &paCommentFiles};
    RadioButton raCommentFileStrip{this, "raCommentFileStrip", "Strip", &paCommentFiles};
    RadioButton raCommentFileFilename{this, "raCommentFileFilename", "Filename", &paCommentFiles};
    Edit edCommentFile{this, "edCommentFile", &paCommentFiles};

    // ---- Advanced tab ----
    Panel taAdvanced{this, "taAdvanced", "Advanced"};
    // The after-date controls live in the panel named paBefore, and the
    // before-date controls in paAfter: the names are the window's own.
    Panel paBefore{this, "paBefore", "", &taAdvanced};
    CheckBox chAfter{this, "chAfter", "After Date", &paBefore};
    RadioButton raAfterToday{this, "raAfterToday", "Today", &paBefore};
    RadioButton raAfterSpecify{this, "raAfterSpecify", "Specify", &paBefore};
    Panel Panel2{this, "Panel2", "", &paBefore};
    TDTEdit daAfter{this, "daAfter", &Panel2};
    RadioButton raAfterDate{this, "raAfterDate", "Date", &Panel2};
    RadioButton raAfterTime{this, "raAfterTime", "Time", &Panel2};

    Panel paAfter{this, "paAfter", "", &taAdvanced};
    CheckBox chBefore{this, "chBefore", "Before Date", &paAfter};
    RadioButton raBeforeToday{this, "raBeforeToday", "Today", &paAfter};
    RadioButton raBeforeSpecify{this, "raBeforeSpecify", "Specify", &paAfter};
    RadioButton raBeforeDays{this, "raBeforeDays", "Days Old", &paAfter};
    TLEdit loBeforeDays{this, "loBeforeDays", &paAfter};
    SpinButton spBeforeDays{this, "spBeforeDays", &loBeforeDays, 0, 100, 0, &paAfter};
    Panel paBeforeSpecify{this, "paBeforeSpecify", "", &paAfter};
    TDTEdit daBefore{this, "daBefore", &paBeforeSpecify};
    RadioButton raBeforeDate{this, "raBeforeDate", "Date", &paBeforeSpecify};
    RadioButton raBeforeTime{this, "raBeforeTime", "Time", &paBeforeSpecify};

    Panel paVolume{this, "paVolume", "", &taAdvanced};
    CheckBox chVolume{this, "chVolume", "Multiple Volumes", &paVolume};
    RadioButton raVolumeAuto{this, "raVolumeAuto", "Auto-detect Space", &paVolume};
    RadioButton raVolumeSpecify{this, "raVolumeSpecify", "Specify Size", &paVolume};
    Panel paVolumeSpecify{this, "paVolumeSpecify", "", &paVolume};
    RadioButton raVolume360{this, "raVolume360", "360K", &paVolumeSpecify};
    RadioButton raVolume720{this, "raVolume720", "720K", &paVolumeSpecify};
    RadioButton raVolume1200{this, "raVolume1200", "1200K", &paVolumeSpecify};
    RadioButton raVolume1440{this, "raVolume1440", "1440K", &paVolumeSpecify};
    RadioButton raVolumeOther{this, "raVolumeOther", "Other", &paVolumeSpecify};
    TLEdit loVolumeSize{this, "loVolumeSize", &paVolumeSpecify};
    CheckBox chVolumeTest{this, "chVolumeTest", "Volume Change Test", &paVolume};
    CheckBox chVolumeBeep{this, "chVolumeBeep", "Beep", &paVolume};
    CheckBox chVolumePrompt{this, "chVolumePrompt", "Command Prompt", &paVolume};
    CheckBox chVolumeEcho{this, "chVolumeEcho", "Echo", &paVolume};
    Edit edVolumeCommand{this, "edVolumeCommand", &paVolume};

    Panel paChapter{this, "paChapter", "", &taAdvanced};
    CheckBox chChapter{this, "chChapter", "Select Chapters", &paChapter};
    CheckBox chChapterFirst{this, "chChapterFirst", "First", &paChapter};
    TLEdit loChapterFrom{this, "loChapterFrom", &paChapter};
    SpinButton spChapterFrom{this, "spChapterFrom", &loChapterFrom, 1, 1000, 1, &paChapter};
    TLEdit loChapterTo{this, "loChapterTo", &paChapter};
    SpinButton spChapterTo{this, "spChapterTo", &loChapterTo, 1, 100, 1, &paChapter};
    CheckBox chChapterLast{this, "chChapterLast", "Last", &paChapter};

    Panel paExclude{this, "paExclude", "", &taAdvanced};
    CheckBox chExclude{this, "chExclude", "Exclude", &paExclude};
    RadioButton raExcludeList{this, "raExcludeList", "List File", &paExclude};
    Edit edExcludeList{this, "edExcludeList", &paExclude};
    RadioButton raExcludeMask{this, "raExcludeMask", "File Masks", &paExclude};
    Edit edExcludeMask{this, "edExcludeMask", &paExclude};

    Panel paAssume{this, "paAssume", "", &taAdvanced};
    CheckBox chAssume{this, "chAssume", "Assume Yes for Query", &paAssume};
    CheckBox chAssumeCreate{this, "chAssumeCreate", "Create Directory", &paAssume};
    CheckBox chAssumeDelete{this, "chAssumeDelete", "Delete File", &paAssume};
    CheckBox chAssumeSpace{this, "chAssumeSpace", "Available Space", &paAssume};
    CheckBox chAssumeNew{this, "chAssumeNew", "New Filename", &paAssume};
    CheckBox chAssumeOverwriteFile{this, "chAssumeOverwriteFile", "Overwrite File", &paAssume};
    CheckBox chAssumeOverwriteDirectory{this, "chAssumeOverwriteDirectory", "Overwrite Directory",
                                        &paAssume};
    CheckBox chAssumeNext{this, "chAssumeNext", "Next Volume", &paAssume};

    Panel paPassword{this, "paPassword", "", &taAdvanced};
    CheckBox chPassword{this, "chPassword", "Password", &paPassword};
    RadioButton raPasswordPrompt{this, "raPasswordPrompt", "Prompt", &paPassword};
    RadioButton raPasswordSpecify{this, "raPasswordSpecify", "Specify", &paPassword};
    CheckBox chPasswordVisible{this, "chPasswordVisible", "Visible", &paPassword};
    Edit edPassword{this, "edPassword", &paPassword};

    Panel paNewPassword{this, "paNewPassword", "", &taAdvanced};
    CheckBox chNewPassword{this, "chNewPassword", "New Password", &paNewPassword};
    RadioButton raNewPasswordRemove{this, "raNewPasswordRemove", "Remove", &paNewPassword};
    RadioButton raNewPasswordPrompt{this, "raNewPasswordPrompt", "Prompt", &paNewPassword};
    RadioButton raNewPasswordSpecify{this, "raNewPasswordSpecify", "Specify", &paNewPassword};
    CheckBox chNewPasswordVisible{this, "chNewPasswordVisible", "Visible", &paNewPassword};
    Edit edNewPassword{this, "edNewPassword", &paNewPassword};

    // ---- Program-wide values of the window ----
    std::array<std::string, 20> SwitchSets{};
    int CurrentCommand = 0;
    int PreviousCommand = 0;
    int LastAlteredCommand = -1;
    bool SwitchSetsModified = false;
    std::string ConfigName;
    // The JAR_CFG_FILE the last run gave Jar, as a full name (empty: none),
    // which the listings after it give Jar too; unset before the first run,
    // when every Jar gets the one Brak was started with.
    std::optional<std::string> RunConfigName;
    std::string FoundPath;
};

} // namespace brak
