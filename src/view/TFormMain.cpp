#include "view/TFormMain.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace brak {

TFormMain::TFormMain(Brak& brak, QWidget* parent)
    : QMainWindow(parent), brak_(brak), binding_(new Binding(brak.dialogs(), this)) {
    MainForm& f = brak_.form();
    setObjectName(QStringLiteral("TFormMain"));
    setWindowTitle(QString::fromStdString(f.Caption1.text()));
    f.Caption1.addObserver(
        [this, &f](const Control&) { setWindowTitle(QString::fromStdString(f.Caption1.text())); });
    resize(785, 581);

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->addWidget(buildCommandGroup());
    pages_ = new QTabWidget(central);
    pages_->setObjectName(QStringLiteral("PageControl"));
    for (Panel* page :
         {&f.taView, &f.taSelect, &f.taConfig, &f.taBasic, &f.taMedium, &f.taAdvanced}) {
        auto* widget = new QWidget(pages_);
        widget->setObjectName(QString::fromStdString(page->name()));
        pages_->addTab(widget, QString::fromStdString(page->caption()));
    }
    layout->addWidget(pages_, 1);
    setCentralWidget(central);

    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar1"));
    auto showStatus = [status, &f] {
        status->showMessage(QString::fromStdString(f.StatusBar1.simpleText()));
    };
    showStatus();
    f.StatusBar1.addObserver([showStatus](const Control&) { showStatus(); });
}

QWidget* TFormMain::buildCommandGroup() {
    MainForm& f = brak_.form();
    auto* group = new QGroupBox(QString::fromStdString(f.grCommand.caption()));
    group->setObjectName(QString::fromStdString(f.grCommand.name()));
    auto* layout = new QVBoxLayout(group);
    for (RadioButton* command : f.commandButtons) {
        auto* button = new QRadioButton(group);
        binding_->bind(button, *command);
        layout->addWidget(button);
    }
    layout->addStretch(1);
    return group;
}

} // namespace brak
