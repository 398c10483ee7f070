#include "view/QtDialogs.h"

#include "base/QtText.h"
#include "view/SchemeColour.h"
#include "view/TFormAbout.h"
#include "view/TFormConsole.h"
#include "view/TFormSearch.h"
#include "view/TFormSplash.h"
#include "view/TFormWait.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QGridLayout>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QScreen>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <sstream>

namespace brak {

namespace {

Q_LOGGING_CATEGORY(messageLog, "brak.dialogs", QtWarningMsg)

} // namespace

QString qtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString written = parts[i + 1].trimmed();
        QStringList patterns;
        for (QString pattern : written.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            pattern = pattern.trimmed();
            // "*.*" means every file, with or without a dot in its name.
            if (pattern == QLatin1String("*.*")) {
                patterns << QStringLiteral("*");
                continue;
            }
            // Names here are case-sensitive; the patterns were written for
            // a system where they are not.
            patterns << pattern;
            if (pattern.toLower() != pattern)
                patterns << pattern.toLower();
        }
        // Qt reads the patterns from the entry's last parentheses, so a
        // description that already names its pattern ("Lists (*.LST)")
        // gets them replaced by the ones Qt is to match.
        if (description.endsWith(QLatin1Char(')'))) {
            int open = description.lastIndexOf(QLatin1Char('('));
            if (open >= 0 && description.mid(open + 1).chopped(1).trimmed() == written)
                description = description.left(open).trimmed();
        }
        entries << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

namespace {

// What a title bar needs beside its text: the window's icon and buttons.
constexpr int TitleBarExtra = 120;

// A box at least as wide as its caption, which a narrow box's title bar cuts.
void fitCaption(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + TitleBarExtra;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

// Over Jar's console, the box leaves Jar's last lines readable: below them
// when there is room in the console, else at its top, over older lines.
void placeBesideText(QMessageBox& box, const TFormConsole& console) {
    box.adjustSize();
    const QRect text = console.textRect();
    const QRect frame = console.frameGeometry();
    const int x = frame.left() + (frame.width() - box.width()) / 2;
    const int below = text.bottom() + box.fontMetrics().height();
    const int y = below + box.height() <= frame.bottom() ? below : frame.top();
    box.move(std::max(0, x), std::max(0, y));
}

} // namespace

MessageAnswer QtDialogs::messageBox(const MessageBoxRequest& request) {
    if (messageLog().isInfoEnabled()) {
        std::ostringstream line;
        line << request;
        qCInfo(messageLog).noquote() << fileNameToQString(line.str());
    }
    // Over the window the user works in: Jar's console, when it is up.
    QWidget* modal = QApplication::activeModalWidget();
    QMessageBox box(modal ? modal : parent_.data());
    box.setWindowTitle(fileNameToQString(request.caption));
    box.setText(fileNameToQString(request.text));
    switch (request.icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    auto standard = [](MessageAnswer answer) {
        switch (answer) {
        case MessageAnswer::Yes:
            return QMessageBox::Yes;
        case MessageAnswer::No:
            return QMessageBox::No;
        case MessageAnswer::Cancel:
            return QMessageBox::Cancel;
        case MessageAnswer::Ok:
            break;
        }
        return QMessageBox::Ok;
    };
    switch (request.buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    }
    box.setDefaultButton(standard(request.defaultButton));
    fitCaption(box);
    if (auto* console = dynamic_cast<TFormConsole*>(modal))
        placeBesideText(box, *console);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    default:
        break;
    }
    // Closing a question box without an answer is the safe answer.
    if (request.buttons == MessageButtons::YesNo)
        return MessageAnswer::No;
    if (request.buttons == MessageButtons::YesNoCancel ||
        request.buttons == MessageButtons::OkCancel)
        return MessageAnswer::Cancel;
    return MessageAnswer::Ok;
}

std::string QtDialogs::openFile(const std::string& filter) {
    QString name = QFileDialog::getOpenFileName(parent_, QStringLiteral("Select a File"), QString(),
                                                qtFilter(filter));
    return fileNameFromQString(name);
}

std::string QtDialogs::nameFile(const std::string& filter) {
    QFileDialog dialog(parent_, QStringLiteral("Select a File"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(qtFilter(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return fileNameFromQString(dialog.selectedFiles().first());
}

std::string QtDialogs::saveFile(const std::string& filter) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(qtFilter(filter));
    dialog.setDefaultSuffix(QStringLiteral("CFG"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return fileNameFromQString(dialog.selectedFiles().first());
}

std::string QtDialogs::chooseFolder(const std::string& title) {
    const QString folder =
        QFileDialog::getExistingDirectory(parent_, QString::fromStdString(title));
    return folder.isEmpty() ? std::string() : fileNameFromQString(folder);
}

bool QtDialogs::openWithDesktop(const std::string& file) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(fileNameToQString(file)));
}

bool QtDialogs::chooseColour(std::uint32_t& colour, std::vector<std::uint32_t>& customColours) {
    for (int i = 0; i < QColorDialog::customCount() && i < int(customColours.size()); ++i)
        QColorDialog::setCustomColor(i, toQColor(customColours[std::size_t(i)]));
    // Qt's own dialog: it always shows the full chooser and the custom
    // colours, which a desktop's native dialog may not.
    QColor chosen = QColorDialog::getColor(toQColor(colour), parent_, QString(),
                                           QColorDialog::DontUseNativeDialog);
    for (int i = 0; i < QColorDialog::customCount() && i < int(customColours.size()); ++i)
        customColours[std::size_t(i)] = fromQColor(QColorDialog::customColor(i));
    if (!chosen.isValid())
        return false;
    colour = fromQColor(chosen);
    return true;
}

void QtDialogs::setBusy(bool busy) {
    // One hourglass however often it is asked for, and none left behind.
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtDialogs::repaintNow() {
    if (parent_)
        parent_->repaint();
}

std::unique_ptr<ShownWindow> QtDialogs::showSplash(const std::string& picture) {
    struct Shown : ShownWindow {
        std::unique_ptr<TFormSplash> splash;
    };
    auto shown = std::make_unique<Shown>();
    shown->splash = TFormSplash::showNow(picture, *this);
    return shown;
}

void QtDialogs::showAbout(const std::string& picture) {
    TFormAbout about(picture, *this, parent_);
    about.exec();
}

void QtDialogs::showSearch(SearchWindow& window) {
    TFormSearch search(window, parent_);
    search.exec();
}

std::vector<ScreenArea> QtDialogs::screens() const {
    std::vector<ScreenArea> areas;
    auto add = [&](const QScreen* screen) {
        const QRect area = screen->availableGeometry();
        areas.push_back({area.x(), area.y(), area.width(), area.height()});
    };
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        add(primary);
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            add(screen);
    return areas;
}

Dialogs::WaitOutcome QtDialogs::waitForChild(ChildProcess& child, const std::string& title,
                                             const std::string& detail) {
    if (child.hasEnded())
        return WaitOutcome::Ended;
    // The child's end wakes the loop at once. Without an end descriptor (an
    // old kernel) it is looked at every 20 milliseconds instead.
    QEventLoop loop;
    std::function<void()> ended = [&loop] { loop.quit(); };
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer look;
    if (child.endFd() >= 0) {
        notifier = std::make_unique<QSocketNotifier>(child.endFd(), QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, &loop, [&] {
            notifier->setEnabled(false); // it stays readable from now on
            ended();
        });
    } else {
        QObject::connect(&look, &QTimer::timeout, &loop, [&] {
            if (child.hasEnded())
                ended();
        });
        look.start(20);
    }
    // A moment first without any window: the window paints, takes no input.
    QTimer::singleShot(WaitWindowMilliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (child.hasEnded())
        return WaitOutcome::Ended;

    TFormWait window(fileNameToQString(title), fileNameToQString(detail), parent_);
    ended = [&window] { window.accept(); };
    // The pointer shows it can press Cancel, and that Brak is busy.
    if (busy_)
        QApplication::changeOverrideCursor(Qt::BusyCursor);
    window.exec();
    if (busy_)
        QApplication::changeOverrideCursor(Qt::WaitCursor);
    return child.hasEnded() ? WaitOutcome::Ended : WaitOutcome::Cancelled;
}

} // namespace brak
