#include "form/MainForm.h"

namespace brak {

void PageControl::setActivePage(int page) {
    if (activePage_ == page)
        return;
    activePage_ = page;
    notify();
}

void Caption::setText(const std::string& text) {
    if (text_ == text)
        return;
    text_ = text;
    notify();
}

void FormWindow::setBounds(const Bounds& bounds) {
    if (bounds_ == bounds)
        return;
    bounds_ = bounds;
    notify();
}

void FormWindow::close() {
    if (closed_)
        return;
    struct Closing {
        FormWindow& window;
        ~Closing() {
            window.closed_ = true;
            window.notify();
        }
    } closing{*this};
    onClose();
}

namespace {

void switchedOff(Edit& field, bool enabled = false) {
    field.setEnabled(enabled);
    field.setColour(clSilver);
}

void readOnlyDetail(Edit& field, const char* sample) {
    field.setReadOnly(true);
    field.setText(sample);
}

} // namespace

MainForm::MainForm() {
    StatusBar1.setSimplePanel(true);
    for (MenuItem* item : OptionMenu)
        item->setChecked(true);
    Contents3.setEnabled(false);
    SearchforHelpOn2.setEnabled(false);
    HowtoUseHelp2.setEnabled(false);

    raCommandAddFile.setChecked(true);
    for (RadioButton* command : commandButtons) {
        command->setEnabled(false);
        command->setHint("Single click to view command line, Double click to execute");
    }

    // View tab.
    edArchive.setHint("Enter an archive name, or double click for the Open dialog");
    stFile.setHint("Click a column to sort the file details. Sorting will be according to "
                   "the sort selection.");
    edFilter.setHint("Show only the files whose names hold this text, or match it as a mask "
                     "with * and ?");
    raAscending.setChecked(true);

    // Selection tab.
    buFollow.setHint("Change Source/Destination to match the archive path");
    raContentMask.setChecked(true);
    chContentDynamic.setChecked(true);
    switchedOff(edContentList);
    chContentUpdate.setEnabled(false);

    // Config tab.
    buClearSwitch.setHint("Clear current command: Basic, Medium and Advanced");
    buClearAllSwitch.setHint("Clear all commands: Basic, Medium and Advanced");
    chColour.setChecked(true);
    const std::pair<Edit*, Colour> colours[] = {{&edColourNormal, 0x00C0C0C0},
                                                {&edColourError, 0x000000FF},
                                                {&edColourSignal, clWindow},
                                                {&edColourComment, 0x00FFFF00},
                                                {&edColourHighlight, 0x00008000}};
    for (const auto& [field, colour] : colours) {
        field->setReadOnly(true);
        field->setColour(colour);
        field->setHint("Double click for Colour Dialog");
    }
    raDefaultAuthenticate.setChecked(true);
    loMemoryFlat.setValue(4096);
    chMemoryCheck.setChecked(true);
    edPath.setHint("Enter Path or double click for Open Dialog");
    edSwap.setHint("Enter Path or double click for Open Dialog");
    readOnlyDetail(edArchiveCreateDate, "1998/09/14");
    readOnlyDetail(edArchiveCreateTime, "06:30:00");
    readOnlyDetail(edArchiveModifyDate, "1998/09/14");
    readOnlyDetail(edArchiveModifyTime, "06:30:00");
    readOnlyDetail(edArchiveCreate, "0102");
    readOnlyDetail(edArchiveUpdate, "0050");
    readOnlyDetail(edArchiveExtract, "0050");
    readOnlyDetail(edArchiveList, "0050");
    readOnlyDetail(edArchiveOldSize, "0");
    readOnlyDetail(edArchiveNewSize, "0");
    readOnlyDetail(edArchiveRatio, "1:1");
    readOnlyDetail(edArchiveFlag, "0");

    // Basic, Medium and Advanced tabs: every variant and every control that
    // depends on a panel's box starts disabled, every field in a panel
    // disabled and silver.
    for (Control* control : controls()) {
        Panel* parent = control->parent();
        if (!parent || parent == &gbSwitch)
            continue;
        bool inSwitchTab = taBasic.contains(*control) || taMedium.contains(*control) ||
                           taAdvanced.contains(*control);
        if (!inSwitchTab)
            continue;
        if (auto* radio = dynamic_cast<RadioButton*>(control)) {
            radio->setEnabled(false);
        } else if (auto* box = dynamic_cast<CheckBox*>(control)) {
            // The panel's own box is its first check box and stays enabled.
            bool isPanelBox = false;
            for (Control* other : controls())
                if (other->parent() == parent && dynamic_cast<CheckBox*>(other)) {
                    isPanelBox = other == box;
                    break;
                }
            if (!isPanelBox)
                box->setEnabled(false);
        } else if (auto* field = dynamic_cast<Edit*>(control)) {
            switchedOff(*field);
        } else if (auto* picker = dynamic_cast<TDTEdit*>(control)) {
            picker->setEnabled(false);
            picker->setColour(clSilver);
        } else if (auto* spin = dynamic_cast<SpinButton*>(control)) {
            spin->setEnabled(false);
        }
    }
    chSelfExtract.setEnabled(false);
    loVolumeSize.setEnabled(true);
    loChapterFrom.setText("1");
    loChapterTo.setText("1");
    loBeforeDays.setText("0");
    for (TLEdit* number :
         {&loVolumeSize, &loChapterFrom, &loChapterTo, &loBeforeDays, &loMemoryFlat})
        number->NegativeColor = clBlack;
    for (TLEdit* number : {&loChapterFrom, &loChapterTo, &loBeforeDays})
        number->AllowNil = true;
    edPassword.setPasswordChar('*');
    edNewPassword.setPasswordChar('*');

    for (Edit* field : {&edFile, &edComment, &edCommentFile, &edList})
        field->setHint("Enter a filename or double click for the Open dialog");
    edExcludeList.setHint("Enter a filename or double click for Open dialog");
    edOutput.setHint("Enter a path or double click for the Open dialog");
    edWork.setHint("Enter a path or double click for the Open dialog");
}

} // namespace brak
