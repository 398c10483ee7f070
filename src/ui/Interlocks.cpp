#include "ui/Interlocks.h"

namespace brak {

namespace {

// A field that takes input: white, its text kept.
void switchOn(Edit& field) {
    field.setColour(clWhite);
}

// A field that is switched off: emptied and silver.
void switchOff(Edit& field) {
    field.setText("");
    field.setColour(clSilver);
}

void offerRadio(RadioButton& radio, bool enabled, bool checked) {
    radio.setEnabled(enabled);
    radio.setChecked(checked);
}

void offerBox(CheckBox& box, bool enabled, bool checked) {
    box.setEnabled(enabled);
    box.setChecked(checked);
}

void paint(TDTEdit& picker, bool on) {
    picker.setColour(on ? clWhite : clSilver);
}

// Restores a flag however the block is left, an error included.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = old_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool old_;
};

} // namespace

void Interlocks::wire() {
    MainForm& f = f_;
    const std::vector<SwitchPanel> switchPanels = {
        {&f.chBit, {&f.raBitSet, &f.raBitReset}, &f.raBitSet},
        {&f.chFreshen, {&f.raFreshenOlder, &f.raFreshenDifferent}, &f.raFreshenOlder},
        {&f.chUpdate, {&f.raUpdateOlder, &f.raUpdateDifferent}, &f.raUpdateOlder},
        {&f.chAccess, {&f.raAccessAuthenticate, &f.raAccessEncrypt}, &f.raAccessAuthenticate},
        {&f.chTest, {&f.raTestCRC, &f.raTestCompare}, &f.raTestCRC},
        {&f.chArchive, {&f.raArchiveSet, &f.raArchiveClear}, &f.raArchiveSet},
        {&f.chDirectory, {&f.raDirectorySet, &f.raDirectoryClear}, &f.raDirectorySet},
        {&f.chHidden, {&f.raHiddenSet, &f.raHiddenClear}, &f.raHiddenSet},
        {&f.chRead, {&f.raReadSet, &f.raReadClear}, &f.raReadSet},
        // The system bit is the one attribute that starts at Clear.
        {&f.chSystem, {&f.raSystemSet, &f.raSystemClear}, &f.raSystemClear},
        {&f.chStamp, {&f.raStampNew, &f.raStampOriginal}, &f.raStampNew},
        {&f.chSort, {&f.raSortNone, &f.raSortName, &f.raSortExtension}, &f.raSortNone},
        {&f.chCompress,
         {&f.raCompressAll, &f.raCompressCreate, &f.raCompressModify},
         &f.raCompressAll},
        {&f.chLock, {&f.raLockAll, &f.raLockExist, &f.raLockAuto}, &f.raLockAll},
        {&f.chCompression,
         {&f.raCompressionFast, &f.raCompressionNormal, &f.raCompressionBetter,
          &f.raCompressionBest},
         &f.raCompressionNormal},
        {&f.chLong,
         {&f.raLongLong, &f.raLongBoth, &f.raLongShort, &f.raLongToShort, &f.raLongToStandard},
         &f.raLongLong},
    };
    for (const SwitchPanel& panel : switchPanels)
        panel.box->onClick.wire([panel] { switchPanelClick(panel); });

    f.chOutput.onClick.wire([this] { chOutputClick(); });
    f.chWork.onClick.wire([this] { chWorkClick(); });
    f.chList.onClick.wire([this] { chListClick(); });
    f.paOutput.onExit.wire([this] { OutputExit(); });
    f.paWork.onExit.wire([this] { WorkExit(); });
    f.paList.onExit.wire([this] { ListExit(); });

    f.chFile.onClick.wire([this] { chFileClick(); });
    f.raFileStrip.onClick.wire([this] { HandleFile(); });
    f.raFileName.onClick.wire([this] { HandleFile(); });
    f.chComment.onClick.wire([this] { chCommentClick(); });
    f.raCommentStrip.onClick.wire([this] { HandleComment(); });
    f.raCommentFilename.onClick.wire([this] { HandleComment(); });
    f.chCommentFile.onClick.wire([this] { chCommentFileClick(); });
    f.raCommentFileStrip.onClick.wire([this] { HandleCommentFile(); });
    f.raCommentFileFilename.onClick.wire([this] { HandleCommentFile(); });
    f.paFile.onExit.wire([this] { ExitFile(); });
    f.paComment.onExit.wire([this] { ExitComment(); });
    f.paCommentFiles.onExit.wire([this] { CommentFileExit(); });

    f.chPassword.onClick.wire([this] { chPasswordClick(); });
    f.raPasswordPrompt.onClick.wire([this] { HandlePassword(); });
    f.raPasswordSpecify.onClick.wire([this] { HandlePassword(); });
    f.chPasswordVisible.onClick.wire([this] { chPasswordVisibleClick(); });
    f.paPassword.onExit.wire([this] { PasswordExit(); });
    f.chNewPassword.onClick.wire([this] { chNewPasswordClick(); });
    for (RadioButton* variant :
         {&f.raNewPasswordRemove, &f.raNewPasswordPrompt, &f.raNewPasswordSpecify})
        variant->onClick.wire([this] { HandleNewPassword(); });
    f.chNewPasswordVisible.onClick.wire([this] { chNewPasswordVisibleClick(); });
    f.paNewPassword.onExit.wire([this] { NewPasswordExit(); });

    f.chExclude.onClick.wire([this] { chExcludeClick(); });
    f.raExcludeList.onClick.wire([this] { HandleExclude(); });
    f.raExcludeMask.onClick.wire([this] { HandleExclude(); });
    f.paExclude.onExit.wire([this] { ExitExclude(); });
    f.chAssume.onClick.wire([this] { chAssumeClick(); });

    f.chAfter.onClick.wire([this] { chAfterClick(); });
    f.raAfterToday.onClick.wire([this] { HandleAfter(); });
    f.raAfterSpecify.onClick.wire([this] { HandleAfter(); });
    f.raAfterDate.onClick.wire([this] { HandleAfterType(); });
    f.raAfterTime.onClick.wire([this] { HandleAfterType(); });
    f.chBefore.onClick.wire([this] { chBeforeClick(); });
    for (RadioButton* variant : {&f.raBeforeToday, &f.raBeforeSpecify, &f.raBeforeDays})
        variant->onClick.wire([this] { HandleBefore(); });
    f.raBeforeDate.onClick.wire([this] { HandleBeforeType(); });
    f.raBeforeTime.onClick.wire([this] { HandleBeforeType(); });
    f.paAfter.onExit.wire([this] { BeforeExit(); });

    f.chChapter.onClick.wire([this] { chChapterClick(); });
    f.chChapterFirst.onClick.wire([this] { chChapterFirstClick(); });
    f.chChapterLast.onClick.wire([this] { chChapterLastClick(); });
    f.loChapterFrom.onChange.wire([this] { loChapterFromChange(); });
    f.loChapterTo.onChange.wire([this] { loChapterToChange(); });
    f.spChapterFrom.onClick.wire([this] { spChapterFromClick(); });
    f.spChapterTo.onClick.wire([this] { spChapterToClick(); });

    f.chVolume.onClick.wire([this] { chVolumeClick(); });
    f.raVolumeAuto.onClick.wire([this] { raVolumeAutoClick(); });
    f.raVolumeSpecify.onClick.wire([this] { raVolumeSpecifyClick(); });
    for (RadioButton* size :
         {&f.raVolume360, &f.raVolume720, &f.raVolume1200, &f.raVolume1440, &f.raVolumeOther})
        size->onClick.wire([this] { HandleVolume(); });
    f.chVolumePrompt.onClick.wire([this] { chVolumePromptClick(); });
    f.paVolumeSpecify.onExit.wire([this] { VolumeSizeExit(); });
}

// ---- Plain switch panels ----

void Interlocks::switchPanelClick(const SwitchPanel& panel) {
    const bool on = panel.box->checked();
    for (RadioButton* variant : panel.variants)
        offerRadio(*variant, on, on && variant == panel.defaultVariant);
}

// ---- Single-field panels ----

void Interlocks::singleFieldClick(const CheckBox& box, Edit& field) {
    field.setEnabled(box.checked());
    if (box.checked())
        switchOn(field);
    else
        switchOff(field);
}

void Interlocks::chOutputClick() {
    singleFieldClick(f_.chOutput, f_.edOutput);
}

void Interlocks::chWorkClick() {
    singleFieldClick(f_.chWork, f_.edWork);
}

void Interlocks::chListClick() {
    singleFieldClick(f_.chList, f_.edList);
}

void Interlocks::OutputExit() {
    if (f_.edOutput.text().empty())
        f_.chOutput.setChecked(false);
}

void Interlocks::WorkExit() {
    if (f_.edWork.text().empty()) {
        f_.chWork.setChecked(false);
        chWorkClick();
    }
}

void Interlocks::ListExit() {
    if (f_.edList.text().empty()) {
        f_.chList.setChecked(false);
        f_.edList.setText("");
    }
}

// ---- Strip-or-file panels ----

Interlocks::StripPanel Interlocks::file() const {
    return {&f_.chFile, &f_.raFileStrip, &f_.raFileName, &f_.edFile};
}

Interlocks::StripPanel Interlocks::comment() const {
    return {&f_.chComment, &f_.raCommentStrip, &f_.raCommentFilename, &f_.edComment};
}

Interlocks::StripPanel Interlocks::commentFile() const {
    return {&f_.chCommentFile, &f_.raCommentFileStrip, &f_.raCommentFileFilename,
            &f_.edCommentFile};
}

void Interlocks::stripPanelClick(const StripPanel& panel) {
    const bool on = panel.box->checked();
    offerRadio(*panel.strip, on, false);
    offerRadio(*panel.fileName, on, on);
    // The field keeps its enabled state: one that was in use stays enabled,
    // empty and silver until the panel is checked again.
    if (!on)
        switchOff(*panel.field);
}

void Interlocks::stripVariantClick(const StripPanel& panel) {
    const bool named = panel.fileName->checked();
    panel.field->setEnabled(named);
    if (named)
        switchOn(*panel.field);
    else
        switchOff(*panel.field);
}

void Interlocks::chFileClick() {
    stripPanelClick(file());
}

void Interlocks::chCommentClick() {
    stripPanelClick(comment());
}

void Interlocks::chCommentFileClick() {
    stripPanelClick(commentFile());
}

void Interlocks::HandleFile() {
    stripVariantClick(file());
}

void Interlocks::HandleComment() {
    stripVariantClick(comment());
}

void Interlocks::HandleCommentFile() {
    stripVariantClick(commentFile());
}

void Interlocks::ExitFile() {
    if (f_.edFile.text().empty() && f_.raFileName.checked())
        f_.chFile.setChecked(false);
}

void Interlocks::ExitComment() {
    if (f_.edComment.text().empty() && !f_.raCommentStrip.checked())
        f_.chComment.setChecked(false);
}

void Interlocks::CommentFileExit() {
    if (f_.edCommentFile.text().empty() && !f_.raCommentFileStrip.checked()) {
        f_.chCommentFile.setChecked(false);
        chCommentFileClick();
    }
}

// ---- Password panels ----

Interlocks::PasswordPanel Interlocks::password() const {
    return {&f_.chPassword,
            {&f_.raPasswordSpecify, &f_.raPasswordPrompt},
            &f_.raPasswordSpecify,
            &f_.chPasswordVisible,
            &f_.edPassword};
}

Interlocks::PasswordPanel Interlocks::newPassword() const {
    return {&f_.chNewPassword,
            {&f_.raNewPasswordRemove, &f_.raNewPasswordPrompt, &f_.raNewPasswordSpecify},
            &f_.raNewPasswordSpecify,
            &f_.chNewPasswordVisible,
            &f_.edNewPassword};
}

void Interlocks::passwordPanelClick(const PasswordPanel& panel) {
    const bool on = panel.box->checked();
    for (RadioButton* variant : panel.variants)
        offerRadio(*variant, on, on && variant == panel.specify);
    offerBox(*panel.visible, on, false);
    panel.field->setEnabled(on);
    if (!on)
        switchOff(*panel.field);
}

void Interlocks::passwordVariantClick(const PasswordPanel& panel) {
    const bool specify = panel.specify->checked();
    offerBox(*panel.visible, specify, false);
    panel.field->setEnabled(specify);
    if (specify)
        switchOn(*panel.field);
    else
        switchOff(*panel.field);
}

// Every path that unchecks "Visible" comes through here, so the password is
// masked again whenever another control switches it off.
void Interlocks::visibleClick(const CheckBox& visible, Edit& field) {
    field.setPasswordChar(visible.checked() ? '\0' : '*');
}

void Interlocks::chPasswordClick() {
    passwordPanelClick(password());
}

void Interlocks::HandlePassword() {
    passwordVariantClick(password());
}

void Interlocks::chPasswordVisibleClick() {
    visibleClick(f_.chPasswordVisible, f_.edPassword);
}

void Interlocks::chNewPasswordClick() {
    passwordPanelClick(newPassword());
}

void Interlocks::HandleNewPassword() {
    passwordVariantClick(newPassword());
}

void Interlocks::chNewPasswordVisibleClick() {
    visibleClick(f_.chNewPasswordVisible, f_.edNewPassword);
}

void Interlocks::PasswordExit() {
    if (f_.raPasswordSpecify.checked() && f_.edPassword.text().empty())
        f_.chPassword.setChecked(false);
}

void Interlocks::NewPasswordExit() {
    if (f_.raNewPasswordSpecify.checked() && f_.edNewPassword.text().empty())
        f_.chNewPassword.setChecked(false);
}

// ---- Exclude and assume panels ----

void Interlocks::chExcludeClick() {
    const bool on = f_.chExclude.checked();
    offerRadio(f_.raExcludeList, on, false);
    offerRadio(f_.raExcludeMask, on, on);
    if (!on)
        for (Edit* field : {&f_.edExcludeList, &f_.edExcludeMask}) {
            field->setText("");
            field->setEnabled(false);
            field->setColour(clSilver);
        }
}

void Interlocks::HandleExclude() {
    const std::pair<RadioButton*, Edit*> variants[] = {{&f_.raExcludeList, &f_.edExcludeList},
                                                       {&f_.raExcludeMask, &f_.edExcludeMask}};
    for (const auto& [variant, field] : variants) {
        field->setEnabled(variant->checked());
        if (variant->checked())
            switchOn(*field);
        else
            switchOff(*field);
    }
}

void Interlocks::ExitExclude() {
    if ((f_.raExcludeList.checked() && f_.edExcludeList.text().empty()) ||
        (f_.raExcludeMask.checked() && f_.edExcludeMask.text().empty()))
        f_.chExclude.setChecked(false);
}

void Interlocks::chAssumeClick() {
    const bool on = f_.chAssume.checked();
    for (CheckBox* box :
         {&f_.chAssumeCreate, &f_.chAssumeDelete, &f_.chAssumeSpace, &f_.chAssumeNew,
          &f_.chAssumeOverwriteFile, &f_.chAssumeOverwriteDirectory, &f_.chAssumeNext})
        offerBox(*box, on, false);
}

// ---- Date panels ----

void Interlocks::chAfterClick() {
    const bool on = f_.chAfter.checked();
    offerRadio(f_.raAfterToday, on, on);
    offerRadio(f_.raAfterSpecify, on, false);
    f_.daAfter.setEnabled(false);
    offerRadio(f_.raAfterDate, false, false);
    offerRadio(f_.raAfterTime, false, false);
    if (!on)
        paint(f_.daAfter, false);
}

void Interlocks::HandleAfter() {
    const bool specify = f_.raAfterSpecify.checked();
    f_.daAfter.setEnabled(specify);
    offerRadio(f_.raAfterDate, specify, specify);
    offerRadio(f_.raAfterTime, specify, false);
    paint(f_.daAfter, specify);
}

void Interlocks::HandleAfterType() {
    f_.daAfter.setKind(f_.raAfterDate.checked() ? TDTEdit::Kind::Date : TDTEdit::Kind::Time);
}

void Interlocks::chBeforeClick() {
    const bool on = f_.chBefore.checked();
    offerRadio(f_.raBeforeToday, on, on);
    offerRadio(f_.raBeforeSpecify, on, false);
    f_.daBefore.setEnabled(false);
    offerRadio(f_.raBeforeDate, false, false);
    offerRadio(f_.raBeforeTime, false, false);
    offerRadio(f_.raBeforeDays, on, false);
    f_.loBeforeDays.setEnabled(false);
    f_.spBeforeDays.setEnabled(false);
    if (!on) {
        paint(f_.daBefore, false);
        f_.loBeforeDays.setValue(0);
        f_.loBeforeDays.setColour(clSilver);
    }
}

void Interlocks::HandleBefore() {
    const bool specify = f_.raBeforeSpecify.checked();
    const bool days = f_.raBeforeDays.checked();
    f_.daBefore.setEnabled(specify);
    offerRadio(f_.raBeforeDate, specify, specify);
    offerRadio(f_.raBeforeTime, specify, false);
    paint(f_.daBefore, specify);
    f_.loBeforeDays.setEnabled(days);
    f_.spBeforeDays.setEnabled(days);
    if (days) {
        f_.loBeforeDays.setColour(clWhite);
    } else {
        f_.loBeforeDays.setValue(0);
        f_.loBeforeDays.setColour(clSilver);
    }
}

void Interlocks::HandleBeforeType() {
    f_.daBefore.setKind(f_.raBeforeDate.checked() ? TDTEdit::Kind::Date : TDTEdit::Kind::Time);
}

void Interlocks::BeforeExit() {
    if (f_.raBeforeDays.checked() && f_.loBeforeDays.text().empty()) {
        f_.chBefore.setChecked(false);
        chBeforeClick();
    }
}

// ---- Chapter panel ----

void Interlocks::chChapterClick() {
    FlagScope quiet(quietRange_);
    const bool on = f_.chChapter.checked();
    offerBox(f_.chChapterFirst, on, on);
    offerBox(f_.chChapterLast, on, on);
    if (!on) {
        f_.loChapterFrom.setText("1");
        f_.loChapterFrom.setColour(clSilver);
        f_.loChapterFrom.setEnabled(false);
        f_.spChapterFrom.setEnabled(false);
        f_.loChapterTo.setText("1");
        f_.loChapterTo.setColour(clSilver);
        f_.loChapterTo.setEnabled(false);
        f_.spChapterTo.setEnabled(false);
    }
}

void Interlocks::chChapterFirstClick() {
    FlagScope quiet(quietRange_);
    const bool first = f_.chChapterFirst.checked();
    f_.spChapterFrom.setEnabled(!first);
    f_.loChapterFrom.setEnabled(!first);
    f_.loChapterFrom.setText("1");
    f_.loChapterFrom.setColour(first ? clSilver : clWhite);
}

void Interlocks::chChapterLastClick() {
    FlagScope quiet(quietRange_);
    const bool last = f_.chChapterLast.checked();
    f_.spChapterTo.setEnabled(!last);
    f_.loChapterTo.setEnabled(!last);
    f_.loChapterTo.setText(f_.loChapterFrom.text());
    f_.loChapterTo.setColour(last ? clSilver : clWhite);
}

void Interlocks::chapterRange(bool fromChanged) {
    std::int32_t to = 0, from = 0;
    if (quietRange_) {
        // The boxes put fixed numbers into the fields; a field the user left
        // unreadable is no reason to stop them halfway.
        auto t = tryStrToInt(f_.loChapterTo.text());
        auto fr = tryStrToInt(f_.loChapterFrom.text());
        if (!t || !fr)
            return;
        to = *t;
        from = *fr;
    } else {
        to = StrToInt(f_.loChapterTo.text());
        from = StrToInt(f_.loChapterFrom.text());
    }
    if (to >= from)
        return;
    // The copy runs the other field's rule, which then finds the two equal.
    if (fromChanged)
        f_.loChapterTo.setText(f_.loChapterFrom.text());
    else
        f_.loChapterFrom.setText(f_.loChapterTo.text());
}

void Interlocks::loChapterFromChange() {
    chapterRange(true);
}

void Interlocks::loChapterToChange() {
    chapterRange(false);
}

void Interlocks::spChapterFromClick() {
    chapterRange(true);
}

void Interlocks::spChapterToClick() {
    chapterRange(false);
}

// ---- Volume panel ----

void Interlocks::chVolumeClick() {
    const bool on = f_.chVolume.checked();
    offerRadio(f_.raVolumeAuto, on, on);
    offerRadio(f_.raVolumeSpecify, on, false);
    sizeRule();
    for (CheckBox* box : {&f_.chVolumeTest, &f_.chVolumeBeep, &f_.chVolumePrompt})
        offerBox(*box, on, false);
    chVolumePromptClick();
    if (!on)
        f_.loVolumeSize.setColour(clSilver);
}

// Specify offers the five sizes with 1440K selected; Auto takes them back.
// The size field's enabled state and colour are HandleVolume's: unchecking
// "Other" runs nothing, so the field keeps what it had.
void Interlocks::sizeRule() {
    const bool specify = f_.raVolumeSpecify.checked();
    offerRadio(f_.raVolume360, specify, false);
    offerRadio(f_.raVolume720, specify, false);
    offerRadio(f_.raVolume1200, specify, false);
    offerRadio(f_.raVolume1440, specify, specify);
    offerRadio(f_.raVolumeOther, specify, false);
    f_.loVolumeSize.setText("");
}

void Interlocks::raVolumeAutoClick() {
    sizeRule();
}

void Interlocks::raVolumeSpecifyClick() {
    sizeRule();
}

void Interlocks::HandleVolume() {
    const bool other = f_.raVolumeOther.checked();
    f_.loVolumeSize.setEnabled(other);
    if (other)
        switchOn(f_.loVolumeSize);
    else
        switchOff(f_.loVolumeSize);
}

void Interlocks::chVolumePromptClick() {
    const bool prompt = f_.chVolumePrompt.checked();
    f_.chVolumeEcho.setEnabled(prompt);
    f_.edVolumeCommand.setEnabled(prompt);
    if (prompt) {
        switchOn(f_.edVolumeCommand);
    } else {
        f_.chVolumeEcho.setChecked(false);
        switchOff(f_.edVolumeCommand);
    }
}

void Interlocks::VolumeSizeExit() {
    if (f_.raVolumeOther.checked() && f_.loVolumeSize.text().empty()) {
        f_.raVolumeAuto.setChecked(true);
        sizeRule();
    }
}

} // namespace brak
