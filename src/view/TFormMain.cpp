#include "view/TFormMain.h"

#include "base/QtText.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace brak {

TFormMain::TFormMain(Brak& brak, QWidget* parent)
    : QMainWindow(parent), brak_(brak), binding_(new Binding(brak.dialogs(), this)) {
    MainForm& f = brak_.form();
    setObjectName(QStringLiteral("TFormMain"));
    setAcceptDrops(true);
    binding_->follow(f.Caption1,
                     [this, &f] { setWindowTitle(fileNameToQString(f.Caption1.text())); });

    buildMenus();

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 2);
    layout->addWidget(buildCommandGroup());
    pages_ = new QTabWidget(central);
    binding_->bindCommon(pages_, f.PageControl1);
    pages_->addTab(buildViewPage(), QString::fromStdString(f.taView.caption()));
    pages_->addTab(buildSelectionPage(), QString::fromStdString(f.taSelect.caption()));
    pages_->addTab(buildConfigPage(), QString::fromStdString(f.taConfig.caption()));
    pages_->addTab(buildBasicPage(), QString::fromStdString(f.taBasic.caption()));
    pages_->addTab(buildMediumPage(), QString::fromStdString(f.taMedium.caption()));
    pages_->addTab(buildAdvancedPage(), QString::fromStdString(f.taAdvanced.caption()));
    layout->addWidget(pages_, 1);
    setCentralWidget(central);
    binding_->follow(f.PageControl1, [this, &f] {
        QSignalBlocker block(pages_);
        pages_->setCurrentIndex(f.PageControl1.activePage());
    });
    connect(pages_, &QTabWidget::currentChanged, binding_,
            [this, &f](int page) { binding_->guard([&] { f.PageControl1.setActivePage(page); }); });

    QStatusBar* status = statusBar();
    binding_->bindCommon(status, f.StatusBar1);
    statusText_ = new QLabel(status);
    statusText_->setObjectName(QStringLiteral("StatusText"));
    statusText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long command line is cut at the window's edge; it never widens it.
    statusText_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status->addWidget(statusText_, 1);
    binding_->follow(f.StatusBar1, [this, &f] {
        statusText_->setText(fileNameToQString(f.StatusBar1.simpleText()));
    });
    binding_->follow(f.ShowHints, [this, &f] { binding_->setHintsShown(f.ShowHints.checked()); });
    // Exit closes the window in the model; the window follows.
    binding_->follow(f.Window, [this, &f] {
        if (f.Window.closed() && isVisible())
            close();
    });

    binding_->follow(f.Window, [this] { showBounds(); });
}

void TFormMain::showBounds() {
    const FormWindow::Bounds& bounds = brak_.form().Window.bounds();
    showingBounds_ = true;
    // The designed bounds leave the place to the window system.
    if (!(bounds == FormWindow::Bounds{}))
        move(bounds.left, bounds.top);
    resize(bounds.width, bounds.height);
    showingBounds_ = false;
}

void TFormMain::takeBounds() {
    // A maximised or minimised window keeps the bounds it returns to.
    if (showingBounds_ || !isVisible() ||
        (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        return;
    MainForm& f = brak_.form();
    binding_->guard([&] { f.Window.setBounds({x(), y(), width(), height()}); });
}

void TFormMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    takeBounds();
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    takeBounds();
}

TFormMain::~TFormMain() {
    // The binding goes first: nothing the widgets do while they are torn
    // down reaches the model, and no model change reaches them.
    delete binding_;
}

void TFormMain::buildMenus() {
    MainForm& f = brak_.form();
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    // The keys every desktop program answers to.
    auto withKeys = [](QAction* action, QKeySequence keys) {
        action->setShortcut(keys);
        return action;
    };
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    file->addAction(withKeys(binding_->action(f.LoadConfiguration1, file), Qt::CTRL | Qt::Key_O));
    file->addAction(withKeys(binding_->action(f.SaveConfiguration1, file), Qt::CTRL | Qt::Key_S));
    file->addAction(binding_->action(f.LastOutput1, file));
    file->addSeparator();
    file->addAction(withKeys(binding_->action(f.Exit1, file), Qt::CTRL | Qt::Key_Q));

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("OptionMenu"));
    for (MenuItem* item : f.OptionMenu)
        options->addAction(binding_->action(*item, options));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    help->addAction(binding_->action(f.Contents3, help));
    help->addAction(binding_->action(f.SearchforHelpOn2, help));
    help->addAction(binding_->action(f.HowtoUseHelp2, help));
    help->addSeparator();
    help->addAction(withKeys(binding_->action(f.About3, help), Qt::Key_F1));
}

void TFormMain::closeEvent(QCloseEvent* event) {
    // The window's own close control runs the close sequence, once; it
    // cannot be cancelled.
    MainForm& f = brak_.form();
    if (!f.Window.closed())
        binding_->guard([&] { f.Window.close(); });
    event->accept();
}

namespace {

// The file a drag brings, when it brings one file of the machine's own
// that is no directory; empty otherwise. The name is taken as the bytes the
// URL carries: a name need not be UTF-8, and decoding it as text would name
// another file.
std::string droppedFile(const QMimeData* data, const Platform& platform) {
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().front();
    if (!url.isLocalFile())
        return {};
    const std::string name =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
    if (name.empty() || platform.directoryExists(name))
        return {};
    return name;
}

} // namespace

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData(), brak_.platform()).empty())
        event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    const std::string name = droppedFile(event->mimeData(), brak_.platform());
    if (name.empty())
        return;
    event->acceptProposedAction();
    MainForm& f = brak_.form();
    binding_->guard([&] { f.Window.dropFile(name); });
}

void TFormMain::runCheckedCommand() {
    MainForm& f = brak_.form();
    for (RadioButton* command : f.commandButtons)
        if (command->checked() && command->enabled()) {
            binding_->guard([&] { command->doubleClick(); });
            return;
        }
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a command runs the checked one, as a double click does.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            runCheckedCommand();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TFormMain::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
}

QWidget* TFormMain::buildCommandGroup() {
    MainForm& f = brak_.form();
    QGroupBox* group = binding_->groupBox(f.grCommand);
    auto* layout = new QVBoxLayout(group);
    layout->setSpacing(0);
    layout->setContentsMargins(6, 2, 6, 4);
    for (RadioButton* command : f.commandButtons) {
        QRadioButton* button = binding_->radioButton(*command);
        button->installEventFilter(this);
        layout->addWidget(button);
    }
    layout->addStretch(1);
    // F9 runs the checked command from anywhere in the window.
    auto* run = new QAction(this);
    run->setObjectName(QStringLiteral("RunCommand"));
    run->setShortcut(Qt::Key_F9);
    addAction(run);
    connect(run, &QAction::triggered, this, [this] { runCheckedCommand(); });
    return group;
}

} // namespace brak
