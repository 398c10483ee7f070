#include "view/TFormLastOutput.h"

#include "base/QtText.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QVBoxLayout>

namespace brak {

TFormLastOutput::TFormLastOutput(const RunLog& log, QWidget* parent)
    : QDialog(parent), log_(log), runs_(new QListWidget(this)), text_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("TFormLastOutput"));
    setWindowTitle(QStringLiteral("Last Jar Output"));
    setSizeGripEnabled(true);
    runs_->setObjectName(QStringLiteral("LastOutputRuns"));
    text_->setObjectName(QStringLiteral("LastOutputText"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(runs_);
    splitter->addWidget(text_);
    splitter->setStretchFactor(1, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addWidget(buttons);

    for (const RunRecord& record : log_.runs())
        runs_->addItem(fileNameToQString(RunLog::title(record)));
    connect(runs_, &QListWidget::currentRowChanged, this, [this](int row) { show(row); });
    if (log_.runs().empty())
        text_->setPlainText(QStringLiteral("Jar has not been run yet."));
    else
        runs_->setCurrentRow(0);
    resize(760, 560);
}

void TFormLastOutput::show(int run) {
    if (run < 0 || static_cast<std::size_t>(run) >= log_.runs().size())
        return;
    const RunRecord& record = log_.runs()[static_cast<std::size_t>(run)];
    text_->setPlainText(fileNameToQString(RunLog::heading(record) + "\n" + record.output));
}

} // namespace brak
