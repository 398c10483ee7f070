// The six tab pages of the main window: which widget goes where.
#include "base/QtText.h"
#include "contents/RowList.h"
#include "view/TFormMain.h"
#include "view/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

namespace brak {

namespace {

// Indentation of the controls that depend on a panel's check box.
constexpr int Indent = 18;

QLabel* bold(QLabel* label) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

template <typename L> L* compact(L* layout, int spacing = 2) {
    layout->setContentsMargins(6, 3, 6, 3);
    layout->setSpacing(spacing);
    return layout;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets, int indent = 0, bool stretch = true) {
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(indent, 0, 0, 0);
    layout->setSpacing(8);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    if (stretch)
        layout->addStretch(1);
    return layout;
}

QWidget* stretchedRow(QWidget* parent, std::initializer_list<QWidget*> widgets, int indent) {
    auto* holder = new QWidget(parent);
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(indent, 0, 0, 0);
    layout->setSpacing(6);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    return holder;
}

QVBoxLayout* column(QBoxLayout* parent) {
    auto* layout = new QVBoxLayout;
    layout->setSpacing(4);
    parent->addLayout(layout, 1);
    return layout;
}

} // namespace

// ---- View ----

QWidget* TFormMain::buildViewPage() {
    MainForm& f = brak_.form();
    Binding& b = *binding_;
    auto* page = new QWidget;
    b.bindCommon(page, f.taView);
    auto* layout = new QVBoxLayout(page);

    QGroupBox* archive = b.groupBox(f.gbArchive);
    compact(new QHBoxLayout(archive))->addWidget(b.pickerEdit(f.edArchive));
    layout->addWidget(archive);

    layout->addWidget(bold(b.label(f.laChapterDetail)));
    layout->addWidget(b.grid(f.stChapter), 1);
    // The file count, and the field that narrows the files to a name.
    auto* fileHeading = new QHBoxLayout;
    fileHeading->addWidget(bold(b.label(f.laFileDetail)));
    fileHeading->addStretch(1);
    QLineEdit* filter = b.edit(f.edFilter);
    filter->setPlaceholderText(QStringLiteral("Find files: part of a name, or a mask"));
    filter->setClearButtonEnabled(true);
    filter->setMinimumWidth(230);
    fileHeading->addWidget(filter);
    layout->addLayout(fileHeading);
    GridView* files = b.grid(f.stFile);
    // The names take the room the other columns leave.
    files->setFillColumn(ColName);
    FileActions& actions = brak_.fileActions();
    files->onContextMenu = [this, &b, &actions, files](const QPoint& at) {
        if (actions.selectedNames().empty())
            return;
        QMenu menu(files);
        QAction* open = menu.addAction(QStringLiteral("Open"), this,
                                       [&] { b.guard([&] { actions.openSelected(); }); });
        menu.setDefaultAction(open);
        menu.addSeparator();
        menu.addAction(QStringLiteral("Extract To..."), this,
                       [&] { b.guard([&] { actions.extractTo(); }); });
        menu.addAction(QStringLiteral("Test"), this, [&] { b.guard([&] { actions.test(); }); });
        menu.addSeparator();
        menu.addAction(QStringLiteral("Delete..."), this,
                       [&] { b.guard([&] { actions.remove(); }); });
        menu.exec(at);
    };
    // The files reach the drop as copies in Brak's private folder.
    files->dragData = [&b, &actions]() -> QMimeData* {
        std::vector<std::string> paths;
        b.guard([&] { paths = actions.dragOut(); });
        if (paths.empty())
            return nullptr;
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls.push_back(QUrl::fromLocalFile(fileNameToQString(path)));
        auto* data = new QMimeData;
        data->setUrls(urls);
        return data;
    };
    files->onDoubleClick = [&b, &actions](int row) { b.guard([&] { actions.open(row); }); };
    files->onKey = [&b, &actions, &f](QKeyEvent* event) {
        if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
            b.guard([&] { actions.remove(); });
            return true;
        }
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            b.guard([&] { actions.open(f.stFile.row()); });
            return true;
        }
        if (event->matches(QKeySequence::SelectAll)) {
            b.guard([&] { actions.selectAll(); });
            return true;
        }
        return false;
    };
    layout->addWidget(files, 3);

    QFrame* order = b.panel(f.paOrder);
    order->setFrameStyle(QFrame::NoFrame);
    auto* orderLayout = new QHBoxLayout(order);
    orderLayout->setContentsMargins(0, 0, 0, 0);
    orderLayout->addWidget(b.radioButton(f.raAscending));
    orderLayout->addWidget(b.radioButton(f.raDescending));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(order);
    bottom->addSpacing(24);
    bottom->addWidget(b.checkBox(f.chFileLock));
    bottom->addStretch(1);
    layout->addLayout(bottom);
    return page;
}

// ---- Selection ----

QWidget* TFormMain::buildSelectionPage() {
    MainForm& f = brak_.form();
    Binding& b = *binding_;
    auto* page = new QWidget;
    b.bindCommon(page, f.taSelect);
    auto* layout = new QHBoxLayout(page);

    auto* source = new QVBoxLayout;
    source->addWidget(bold(b.label(f.laSource)));
    source->addWidget(b.driveList(f.Drive));
    source->addWidget(b.directoryList(f.Directory), 1);
    source->addWidget(b.button(f.buFollow));
    layout->addLayout(source, 2);

    auto* files = new QVBoxLayout;
    QGroupBox* content = b.groupBox(f.grContent);
    auto* grid = compact(new QGridLayout(content), 4);
    grid->addWidget(b.radioButton(f.raContentMask), 0, 0);
    grid->addWidget(b.edit(f.edContentMask), 0, 1);
    grid->addWidget(b.checkBox(f.chContentDynamic), 1, 1);
    grid->addWidget(b.radioButton(f.raContentList), 2, 0);
    grid->addWidget(b.pickerEdit(f.edContentList), 2, 1);
    grid->addWidget(b.checkBox(f.chContentUpdate), 3, 1);
    grid->setColumnStretch(1, 1);
    files->addWidget(content);
    files->addWidget(bold(b.label(f.laSelectFile)));
    files->addWidget(b.fileList(f.FileList1), 1);
    layout->addLayout(files, 3);
    return page;
}

// ---- Config ----

QWidget* TFormMain::buildConfigPage() {
    MainForm& f = brak_.form();
    Binding& b = *binding_;
    auto* page = new QWidget;
    b.bindCommon(page, f.taConfig);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(row({b.button(f.buClearSwitch), b.button(f.buClearAllSwitch)}));

    auto* columns = new QHBoxLayout;
    layout->addLayout(columns, 1);

    QVBoxLayout* left = column(columns);
    QGroupBox* colours = b.groupBox(f.grColour);
    auto* colourGrid = compact(new QGridLayout(colours), 3);
    colourGrid->addWidget(b.checkBox(f.chColour), 0, 0, 1, 2);
    colourGrid->addWidget(b.checkBox(f.chColourHigh), 1, 0, 1, 2);
    const std::pair<Label*, Edit*> colourFields[] = {{&f.laColourNormal, &f.edColourNormal},
                                                     {&f.laColourError, &f.edColourError},
                                                     {&f.laColourSignal, &f.edColourSignal},
                                                     {&f.laColourComment, &f.edColourComment},
                                                     {&f.laColourHighlight, &f.edColourHighlight}};
    int at = 2;
    for (const auto& [label, field] : colourFields) {
        colourGrid->addWidget(b.label(*label), at, 0);
        QLineEdit* edit = b.edit(*field);
        // A colour is picked with a double click, never typed.
        edit->setFocusPolicy(Qt::NoFocus);
        edit->setContextMenuPolicy(Qt::NoContextMenu);
        colourGrid->addWidget(b.withPicker(edit, *field), at++, 1);
    }
    colourGrid->setColumnStretch(1, 1);
    left->addWidget(colours);

    QGroupBox* access = b.groupBox(f.grAccess);
    auto* accessLayout = compact(new QVBoxLayout(access));
    accessLayout->addWidget(b.radioButton(f.raDefaultAuthenticate));
    accessLayout->addWidget(b.radioButton(f.raDefaultGost));
    left->addWidget(access);

    QGroupBox* memory = b.groupBox(f.grMemory);
    auto* memoryLayout = compact(new QGridLayout(memory), 3);
    memoryLayout->addWidget(b.label(f.laMemoryFlat), 0, 0);
    QLineEdit* memoryField = b.edit(f.loMemoryFlat);
    memoryField->setMaximumWidth(70);
    SpinWidget* memorySpin = b.spinButton(f.spMemoryFlat);
    memorySpin->setFixedHeight(memoryField->sizeHint().height());
    auto* memoryNumber = new QHBoxLayout;
    memoryNumber->setSpacing(0);
    memoryNumber->addWidget(memoryField);
    memoryNumber->addWidget(memorySpin);
    memoryNumber->addStretch(1);
    memoryLayout->addLayout(memoryNumber, 0, 1);
    memoryLayout->addWidget(b.checkBox(f.chMemoryCheck), 1, 0, 1, 2);
    left->addWidget(memory);
    left->addStretch(1);

    QVBoxLayout* middle = column(columns);
    QGroupBox* path = b.groupBox(f.grPath);
    compact(new QHBoxLayout(path))->addWidget(b.pickerEdit(f.edPath));
    middle->addWidget(path);
    QGroupBox* swap = b.groupBox(f.grSwap);
    compact(new QHBoxLayout(swap))->addWidget(b.pickerEdit(f.edSwap));
    middle->addWidget(swap);
    QGroupBox* toggles = b.groupBox(f.grToggle);
    auto* toggleLayout = compact(new QVBoxLayout(toggles));
    for (CheckBox* box : {&f.chInteractive, &f.chHideMarked, &f.chFullPath, &f.chStandardError,
                          &f.chANSIComment, &f.chSaveConfig})
        toggleLayout->addWidget(b.checkBox(*box));
    middle->addWidget(toggles);
    middle->addStretch(1);

    QVBoxLayout* right = column(columns);
    QGroupBox* details = b.groupBox(f.grDetails);
    auto* detailGrid = compact(new QGridLayout(details), 3);
    const std::pair<Label*, Edit*> detailFields[] = {
        {&f.laArchiveCreateDate, &f.edArchiveCreateDate},
        {&f.laArchiveCreateTime, &f.edArchiveCreateTime},
        {&f.laArchiveModifyDate, &f.edArchiveModifyDate},
        {&f.laArchiveModifyTime, &f.edArchiveModifyTime},
        {&f.laArchiveCreate, &f.edArchiveCreate},
        {&f.laArchiveUpdate, &f.edArchiveUpdate},
        {&f.laArchiveExtract, &f.edArchiveExtract},
        {&f.laArchiveList, &f.edArchiveList},
        {&f.laArchiveOldSize, &f.edArchiveOldSize},
        {&f.laArchiveNewSize, &f.edArchiveNewSize},
        {&f.laArchiveRatio, &f.edArchiveRatio},
        {&f.laArchiveFlag, &f.edArchiveFlag}};
    at = 0;
    for (const auto& [label, field] : detailFields) {
        detailGrid->addWidget(b.label(*label), at, 0);
        detailGrid->addWidget(b.edit(*field), at++, 1);
    }
    detailGrid->setColumnStretch(1, 1);
    right->addWidget(details);
    right->addStretch(1);
    return page;
}

// ---- Switch panels ----

namespace {

// A panel of the Basic, Medium or Advanced tab: its check box on top and
// what depends on it indented below.
struct PanelBox {
    QFrame* frame;
    QVBoxLayout* layout;
};

PanelBox switchPanel(Binding& b, Panel& panel, CheckBox& box) {
    QFrame* frame = b.panel(panel);
    auto* layout = compact(new QVBoxLayout(frame));
    layout->addWidget(b.checkBox(box));
    return {frame, layout};
}

// A plain switch panel: its variants one below the other.
QFrame* variantsPanel(Binding& b, Panel& panel, CheckBox& box,
                      std::initializer_list<RadioButton*> variants) {
    PanelBox p = switchPanel(b, panel, box);
    for (RadioButton* variant : variants) {
        QRadioButton* radio = b.radioButton(*variant);
        auto* indented = new QHBoxLayout;
        indented->setContentsMargins(Indent, 0, 0, 0);
        indented->addWidget(radio);
        p.layout->addLayout(indented);
    }
    return p.frame;
}

// A nested panel without a frame of its own: a group inside a panel.
QFrame* innerPanel(Binding& b, Panel& panel) {
    QFrame* frame = b.panel(panel);
    frame->setFrameStyle(QFrame::NoFrame);
    return frame;
}

QWidget* numberField(Binding& b, TLEdit& field, SpinButton* spin, int width = 50) {
    auto* holder = new QWidget;
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QLineEdit* edit = b.edit(field);
    edit->setFixedWidth(width);
    layout->addWidget(edit);
    if (spin) {
        SpinWidget* buttons = b.spinButton(*spin);
        buttons->setFixedHeight(edit->sizeHint().height());
        layout->addWidget(buttons);
    }
    holder->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return holder;
}

} // namespace

// ---- Basic ----

QWidget* TFormMain::buildBasicPage() {
    MainForm& f = brak_.form();
    Binding& b = *binding_;
    auto* page = new QWidget;
    b.bindCommon(page, f.taBasic);
    auto* layout = new QHBoxLayout(page);

    QGroupBox* simple = b.groupBox(f.gbSwitch);
    auto* simpleLayout = compact(new QVBoxLayout(simple), 1);
    for (CheckBox* box :
         {&f.chEnvelope, &f.chSkip, &f.chYes, &f.chRecurse, &f.chQuery, &f.chDelete, &f.chNew,
          &f.chIgnore, &f.chWarn, &f.chFull, &f.chBroken, &f.chAdd, &f.chUse, &f.chHide,
          &f.chTranslate, &f.chTestTemporary, &f.chSelfExtract})
        simpleLayout->addWidget(b.checkBox(*box));
    simpleLayout->addStretch(1);
    layout->addWidget(simple, 1);

    QVBoxLayout* switches = column(layout);
    switches->addWidget(variantsPanel(b, f.paBit, f.chBit, {&f.raBitSet, &f.raBitReset}));
    switches->addWidget(
        variantsPanel(b, f.paFreshen, f.chFreshen, {&f.raFreshenOlder, &f.raFreshenDifferent}));
    switches->addWidget(
        variantsPanel(b, f.paUpdate, f.chUpdate, {&f.raUpdateOlder, &f.raUpdateDifferent}));
    switches->addWidget(
        variantsPanel(b, f.paAccess, f.chAccess, {&f.raAccessAuthenticate, &f.raAccessEncrypt}));
    switches->addWidget(variantsPanel(b, f.paTest, f.chTest, {&f.raTestCRC, &f.raTestCompare}));
    switches->addStretch(1);

    QVBoxLayout* attributes = column(layout);
    attributes->addWidget(
        variantsPanel(b, f.paArchive, f.chArchive, {&f.raArchiveSet, &f.raArchiveClear}));
    attributes->addWidget(
        variantsPanel(b, f.paDirectory, f.chDirectory, {&f.raDirectorySet, &f.raDirectoryClear}));
    attributes->addWidget(
        variantsPanel(b, f.paHidden, f.chHidden, {&f.raHiddenSet, &f.raHiddenClear}));
    attributes->addWidget(variantsPanel(b, f.paRead, f.chRead, {&f.raReadSet, &f.raReadClear}));
    attributes->addWidget(
        variantsPanel(b, f.paSystem, f.chSystem, {&f.raSystemSet, &f.raSystemClear}));
    attributes->addStretch(1);
    return page;
}

// ---- Medium ----

namespace {

QFrame* fieldPanel(Binding& b, Panel& panel, CheckBox& box, Edit& field) {
    PanelBox p = switchPanel(b, panel, box);
    p.layout->addWidget(stretchedRow(p.frame, {b.pickerEdit(field)}, Indent));
    return p.frame;
}

QFrame* stripOrFilePanel(Binding& b, Panel& panel, CheckBox& box, RadioButton& strip,
                         RadioButton& name, Edit& field) {
    PanelBox p = switchPanel(b, panel, box);
    p.layout->addLayout(row({b.radioButton(strip), b.radioButton(name)}, Indent));
    p.layout->addWidget(stretchedRow(p.frame, {b.pickerEdit(field)}, Indent));
    return p.frame;
}

} // namespace

QWidget* TFormMain::buildMediumPage() {
    MainForm& f = brak_.form();
    Binding& b = *binding_;
    auto* page = new QWidget;
    b.bindCommon(page, f.taMedium);
    auto* layout = new QHBoxLayout(page);

    QVBoxLayout* first = column(layout);
    first->addWidget(variantsPanel(b, f.paStamp, f.chStamp, {&f.raStampNew, &f.raStampOriginal}));
    first->addWidget(
        variantsPanel(b, f.paSort, f.chSort, {&f.raSortNone, &f.raSortName, &f.raSortExtension}));
    first->addWidget(variantsPanel(b, f.paCompress, f.chCompress,
                                   {&f.raCompressAll, &f.raCompressCreate, &f.raCompressModify}));
    first->addStretch(1);

    QVBoxLayout* second = column(layout);
    second->addWidget(
        variantsPanel(b, f.paLock, f.chLock, {&f.raLockAll, &f.raLockExist, &f.raLockAuto}));
    second->addWidget(variantsPanel(b, f.paCompression, f.chCompression,
                                    {&f.raCompressionFast, &f.raCompressionNormal,
                                     &f.raCompressionBetter, &f.raCompressionBest}));
    second->addWidget(variantsPanel(
        b, f.paLong, f.chLong,
        {&f.raLongLong, &f.raLongBoth, &f.raLongShort, &f.raLongToShort, &f.raLongToStandard}));
    second->addStretch(1);

    QVBoxLayout* third = column(layout);
    third->addWidget(fieldPanel(b, f.paOutput, f.chOutput, f.edOutput));
    third->addWidget(fieldPanel(b, f.paWork, f.chWork, f.edWork));
    third->addWidget(fieldPanel(b, f.paList, f.chList, f.edList));
    third->addWidget(
        stripOrFilePanel(b, f.paFile, f.chFile, f.raFileStrip, f.raFileName, f.edFile));
    third->addWidget(stripOrFilePanel(b, f.paComment, f.chComment, f.raCommentStrip,
                                      f.raCommentFilename, f.edComment));
    third->addWidget(stripOrFilePanel(b, f.paCommentFiles, f.chCommentFile, f.raCommentFileStrip,
                                      f.raCommentFileFilename, f.edCommentFile));
    third->addStretch(1);
    return page;
}

// ---- Advanced ----

QWidget* TFormMain::buildAdvancedPage() {
    MainForm& f = brak_.form();
    Binding& b = *binding_;
    auto* page = new QWidget;
    b.bindCommon(page, f.taAdvanced);
    auto* layout = new QHBoxLayout(page);

    // Dates and chapters.
    QVBoxLayout* first = column(layout);
    {
        PanelBox after = switchPanel(b, f.paBefore, f.chAfter);
        after.layout->addLayout(
            row({b.radioButton(f.raAfterToday), b.radioButton(f.raAfterSpecify)}, Indent));
        QFrame* when = innerPanel(b, f.Panel2);
        auto* whenLayout = new QVBoxLayout(when);
        whenLayout->setContentsMargins(Indent, 0, 0, 0);
        whenLayout->setSpacing(2);
        whenLayout->addLayout(row({b.picker(f.daAfter)}));
        whenLayout->addLayout(row({b.radioButton(f.raAfterDate), b.radioButton(f.raAfterTime)}));
        after.layout->addWidget(when);
        first->addWidget(after.frame);
    }
    {
        PanelBox before = switchPanel(b, f.paAfter, f.chBefore);
        before.layout->addLayout(
            row({b.radioButton(f.raBeforeToday), b.radioButton(f.raBeforeSpecify)}, Indent));
        before.layout->addLayout(
            row({b.radioButton(f.raBeforeDays), numberField(b, f.loBeforeDays, &f.spBeforeDays)},
                Indent));
        QFrame* when = innerPanel(b, f.paBeforeSpecify);
        auto* whenLayout = new QVBoxLayout(when);
        whenLayout->setContentsMargins(Indent, 0, 0, 0);
        whenLayout->setSpacing(2);
        whenLayout->addLayout(row({b.picker(f.daBefore)}));
        whenLayout->addLayout(row({b.radioButton(f.raBeforeDate), b.radioButton(f.raBeforeTime)}));
        before.layout->addWidget(when);
        first->addWidget(before.frame);
    }
    {
        PanelBox chapter = switchPanel(b, f.paChapter, f.chChapter);
        auto* grid = new QGridLayout;
        grid->setContentsMargins(Indent, 0, 0, 0);
        grid->setHorizontalSpacing(8);
        grid->setVerticalSpacing(2);
        grid->addWidget(b.checkBox(f.chChapterFirst), 0, 0);
        grid->addWidget(numberField(b, f.loChapterFrom, &f.spChapterFrom), 0, 1);
        grid->addWidget(b.checkBox(f.chChapterLast), 1, 0);
        grid->addWidget(numberField(b, f.loChapterTo, &f.spChapterTo), 1, 1);
        grid->setColumnStretch(2, 1);
        chapter.layout->addLayout(grid);
        first->addWidget(chapter.frame);
    }
    first->addStretch(1);

    // Volumes and exclusions.
    QVBoxLayout* second = column(layout);
    {
        PanelBox volume = switchPanel(b, f.paVolume, f.chVolume);
        volume.layout->addLayout(row({b.radioButton(f.raVolumeAuto)}, Indent));
        volume.layout->addLayout(row({b.radioButton(f.raVolumeSpecify)}, Indent));
        QFrame* sizes = innerPanel(b, f.paVolumeSpecify);
        auto* sizeGrid = new QGridLayout(sizes);
        sizeGrid->setContentsMargins(2 * Indent, 0, 0, 0);
        sizeGrid->setHorizontalSpacing(8);
        sizeGrid->setVerticalSpacing(2);
        sizeGrid->addWidget(b.radioButton(f.raVolume360), 0, 0);
        sizeGrid->addWidget(b.radioButton(f.raVolume720), 0, 1);
        sizeGrid->addWidget(b.radioButton(f.raVolume1200), 1, 0);
        sizeGrid->addWidget(b.radioButton(f.raVolume1440), 1, 1);
        sizeGrid->addWidget(b.radioButton(f.raVolumeOther), 2, 0);
        sizeGrid->addWidget(numberField(b, f.loVolumeSize, nullptr, 70), 2, 1);
        sizeGrid->setColumnStretch(2, 1);
        volume.layout->addWidget(sizes);
        volume.layout->addLayout(row({b.checkBox(f.chVolumeTest)}, Indent));
        volume.layout->addLayout(row({b.checkBox(f.chVolumeBeep)}, Indent));
        volume.layout->addLayout(row({b.checkBox(f.chVolumePrompt)}, Indent));
        volume.layout->addWidget(stretchedRow(
            volume.frame, {b.edit(f.edVolumeCommand), b.checkBox(f.chVolumeEcho)}, 2 * Indent));
        second->addWidget(volume.frame);
    }
    {
        PanelBox exclude = switchPanel(b, f.paExclude, f.chExclude);
        auto* grid = new QGridLayout;
        grid->setContentsMargins(Indent, 0, 0, 0);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(2);
        grid->addWidget(b.radioButton(f.raExcludeList), 0, 0);
        grid->addWidget(b.pickerEdit(f.edExcludeList), 0, 1);
        grid->addWidget(b.radioButton(f.raExcludeMask), 1, 0);
        grid->addWidget(b.edit(f.edExcludeMask), 1, 1);
        grid->setColumnStretch(1, 1);
        exclude.layout->addLayout(grid);
        second->addWidget(exclude.frame);
    }
    second->addStretch(1);

    // Questions and passwords.
    QVBoxLayout* third = column(layout);
    {
        PanelBox assume = switchPanel(b, f.paAssume, f.chAssume);
        for (CheckBox* box :
             {&f.chAssumeCreate, &f.chAssumeDelete, &f.chAssumeSpace, &f.chAssumeNew,
              &f.chAssumeOverwriteFile, &f.chAssumeOverwriteDirectory, &f.chAssumeNext})
            assume.layout->addLayout(row({b.checkBox(*box)}, Indent));
        third->addWidget(assume.frame);
    }
    {
        PanelBox password = switchPanel(b, f.paPassword, f.chPassword);
        password.layout->addLayout(
            row({b.radioButton(f.raPasswordPrompt), b.radioButton(f.raPasswordSpecify)}, Indent));
        password.layout->addWidget(stretchedRow(
            password.frame, {b.edit(f.edPassword), b.checkBox(f.chPasswordVisible)}, Indent));
        third->addWidget(password.frame);
    }
    {
        PanelBox password = switchPanel(b, f.paNewPassword, f.chNewPassword);
        password.layout->addLayout(row(
            {b.radioButton(f.raNewPasswordRemove), b.radioButton(f.raNewPasswordPrompt)}, Indent));
        password.layout->addLayout(row({b.radioButton(f.raNewPasswordSpecify)}, Indent));
        password.layout->addWidget(stretchedRow(
            password.frame, {b.edit(f.edNewPassword), b.checkBox(f.chNewPasswordVisible)}, Indent));
        third->addWidget(password.frame);
    }
    third->addStretch(1);
    return page;
}

} // namespace brak
