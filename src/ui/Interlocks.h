#pragma once

#include "form/MainForm.h"

#include <vector>

namespace brak {

// The rules that keep the panels of the Basic, Medium and Advanced tabs
// consistent: what a panel's box or variant enables, checks, empties or
// paints, and what happens when the focus leaves a panel whose field was
// left empty. The handlers run for the program's changes exactly as for
// the user's.
class Interlocks {
public:
    explicit Interlocks(MainForm& form) : f_(form) {}
    Interlocks(const Interlocks&) = delete;
    Interlocks& operator=(const Interlocks&) = delete;

    // Every panel's box, variants and exit.
    void wire();

    // Single-field panels.
    void chOutputClick();
    void chWorkClick();
    void chListClick();

    // Strip-or-file panels: the box, and either variant becoming checked.
    void chFileClick();
    void chCommentClick();
    void chCommentFileClick();
    void HandleFile();
    void HandleComment();
    void HandleCommentFile();

    void chPasswordClick();
    void HandlePassword();
    void chPasswordVisibleClick();
    void chNewPasswordClick();
    void HandleNewPassword();
    void chNewPasswordVisibleClick();

    void chExcludeClick();
    void HandleExclude();
    void chAssumeClick();

    void chAfterClick();
    void HandleAfter();
    void HandleAfterType();
    void chBeforeClick();
    void HandleBefore();
    void HandleBeforeType();

    // The chapter range: From never stays above To. Both fields are read as
    // integers; a field that is not one raises the conversion error.
    void chChapterClick();
    void chChapterFirstClick();
    void chChapterLastClick();
    void loChapterFromChange();
    void loChapterToChange();
    void spChapterFromClick();
    void spChapterToClick();

    void chVolumeClick();
    void raVolumeAutoClick();
    void raVolumeSpecifyClick();
    void HandleVolume();
    void chVolumePromptClick();

    // Focus leaving a panel.
    void OutputExit();
    void WorkExit();
    void ListExit();
    void ExitFile();
    void ExitComment();
    void CommentFileExit();
    void PasswordExit();
    void NewPasswordExit();
    void ExitExclude();
    void BeforeExit();
    void VolumeSizeExit();

private:
    // A box with variants, one of which it selects when it is checked.
    struct SwitchPanel {
        CheckBox* box;
        std::vector<RadioButton*> variants;
        RadioButton* defaultVariant;
    };
    struct StripPanel {
        CheckBox* box;
        RadioButton* strip;
        RadioButton* fileName;
        Edit* field;
    };
    struct PasswordPanel {
        CheckBox* box;
        std::vector<RadioButton*> variants;
        RadioButton* specify;
        CheckBox* visible;
        Edit* field;
    };

    static void switchPanelClick(const SwitchPanel& panel);
    static void singleFieldClick(const CheckBox& box, Edit& field);
    static void stripPanelClick(const StripPanel& panel);
    static void stripVariantClick(const StripPanel& panel);
    static void passwordPanelClick(const PasswordPanel& panel);
    static void passwordVariantClick(const PasswordPanel& panel);
    static void visibleClick(const CheckBox& visible, Edit& field);
    void sizeRule();
    void chapterRange(bool fromChanged);

    StripPanel file() const;
    StripPanel comment() const;
    StripPanel commentFile() const;
    PasswordPanel password() const;
    PasswordPanel newPassword() const;

    MainForm& f_;
    // Set while a chapter box puts the numbers back by itself: a field the
    // user left unreadable must not stop the panel from switching.
    bool quietRange_ = false;
};

} // namespace brak
