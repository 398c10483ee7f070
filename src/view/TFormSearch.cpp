#include "view/TFormSearch.h"

#include "base/QtText.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace brak {

namespace {

QString text(const std::string& bytes) {
    return fileNameToQString(bytes);
}

} // namespace

TFormSearch::TFormSearch(SearchWindow& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowContextHelpButtonHint),
      model_(model), slices_(new QTimer(this)) {
    setObjectName(QStringLiteral("TFormSearch"));
    setWindowTitle(QString::fromLatin1(SearchWindow::Caption));
    setModal(true);

    auto* label = new QLabel(QString::fromLatin1(SearchWindow::Label1), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setWordWrap(true);
    auto* group = new QGroupBox(QString::fromLatin1(SearchWindow::GroupBox1), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    laSearch_ = new QLabel(group);
    laSearch_->setObjectName(QStringLiteral("laSearch"));
    // A long path is shortened in its middle; it never widens the window.
    laSearch_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    (new QVBoxLayout(group))->addWidget(laSearch_);
    buSearch_ = new QPushButton(this);
    buSearch_->setObjectName(QStringLiteral("buSearch"));
    buContinue_ = new QPushButton(this);
    buContinue_->setObjectName(QStringLiteral("buContinue"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(buSearch_);
    buttons->addWidget(buContinue_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(group);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setFixedSize(SearchWindow::ClientWidth, SearchWindow::ClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    connect(buSearch_, &QPushButton::clicked, this, [this] {
        model_.buSearchClick();
        sync();
        sinceProgress_.start();
        slices_->start(0);
    });
    connect(buContinue_, &QPushButton::clicked, this, [this] {
        model_.buContinueClick();
        if (model_.closed()) {
            accept();
            return;
        }
        sync();
    });
    connect(slices_, &QTimer::timeout, this, &TFormSearch::searchSlice);
    sync();
}

void TFormSearch::searchSlice() {
    QElapsedTimer slice;
    slice.start();
    bool more = true;
    while (more && slice.elapsed() < SliceMilliseconds)
        more = model_.searchOn(64);
    if (!more) {
        slices_->stop();
        sync();
        return;
    }
    if (sinceProgress_.elapsed() >= ProgressMilliseconds)
        showProgress();
}

void TFormSearch::showProgress() {
    sinceProgress_.restart();
    const QString shown = laSearch_->fontMetrics().elidedText(
        text(model_.laSearch()), Qt::ElideMiddle, std::max(laSearch_->width(), 100));
    if (shown != laSearch_->text()) {
        laSearch_->setText(shown);
        ++progressShown_;
    }
}

void TFormSearch::sync() {
    showProgress();
    buSearch_->setText(text(model_.searchCaption()));
    buSearch_->setEnabled(model_.searchEnabled());
    buSearch_->setDefault(model_.searchIsDefault());
    buContinue_->setText(text(model_.continueCaption()));
    buContinue_->setEnabled(model_.continueEnabled());
    buContinue_->setDefault(model_.continueIsDefault());
    if (model_.continueIsDefault())
        buContinue_->setFocus();
}

void TFormSearch::reject() {
    slices_->stop();
    model_.close();
    QDialog::reject();
}

} // namespace brak
