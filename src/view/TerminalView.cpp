#include "view/TerminalView.h"

#include "run/PtySession.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

namespace brak {

namespace {

QColor colour(Rgb rgb) {
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

// The terminal's own keys; the rest arrive as the text they type.
std::optional<TerminalKey> terminalKey(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return TerminalKey::Enter;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return TerminalKey::Tab;
    case Qt::Key_Backspace:
        return TerminalKey::Backspace;
    case Qt::Key_Escape:
        return TerminalKey::Escape;
    case Qt::Key_Up:
        return TerminalKey::Up;
    case Qt::Key_Down:
        return TerminalKey::Down;
    case Qt::Key_Left:
        return TerminalKey::Left;
    case Qt::Key_Right:
        return TerminalKey::Right;
    case Qt::Key_Insert:
        return TerminalKey::Insert;
    case Qt::Key_Delete:
        return TerminalKey::Delete;
    case Qt::Key_Home:
        return TerminalKey::Home;
    case Qt::Key_End:
        return TerminalKey::End;
    case Qt::Key_PageUp:
        return TerminalKey::PageUp;
    case Qt::Key_PageDown:
        return TerminalKey::PageDown;
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<TerminalKey>(static_cast<int>(TerminalKey::F1) + (key - Qt::Key_F1));
    return std::nullopt;
}

unsigned modifiersOf(Qt::KeyboardModifiers modifiers) {
    unsigned held = NoModifier;
    if (modifiers & Qt::ShiftModifier)
        held |= ShiftKey;
    if (modifiers & Qt::AltModifier)
        held |= AltKey;
    if (modifiers & Qt::ControlModifier)
        held |= ControlKey;
    return held;
}

bool isWordCharacter(char32_t c) {
    return c != 0 && c != U' ' && c != U'"' && c != U'\'';
}

} // namespace

TerminalView::TerminalView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("TerminalView"));
    font_ = QFont(QStringLiteral("Liberation Mono"));
    font_.setStyleHint(QFont::TypeWriter);
    font_.setFixedPitch(true);
    font_.setPointSize(10);
    if (!QFontInfo(font_).fixedPitch())
        font_ = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    boldFont_ = font_;
    boldFont_.setBold(true);
    const QFontMetrics metrics(font_);
    cellWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('M')));
    cellHeight_ = std::max(1, metrics.height());
    ascent_ = metrics.ascent();

    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::NoFrame);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        followEnd_ = value >= verticalScrollBar()->maximum();
        viewport()->update();
    });
}

void TerminalView::setScreen(TerminalScreen* screen, PtySession* session) {
    screen_ = screen;
    session_ = session;
    anchor_.reset();
    followEnd_ = true;
    refresh();
}

void TerminalView::screenChanged() {
    if (repaintPending_)
        return;
    // A program writing fast changes the screen thousands of times a
    // second; it is painted at most about sixty times.
    repaintPending_ = true;
    QTimer::singleShot(15, this, [this] { refresh(); });
}

void TerminalView::refresh() {
    repaintPending_ = false;
    updateScrollRange();
    viewport()->update();
}

void TerminalView::updateScrollRange() {
    QScrollBar* bar = verticalScrollBar();
    const int rows = screen_ ? screen_->size().rows : 0;
    const int maximum = screen_ ? std::max(0, screen_->lineCount() - rows) : 0;
    const bool follow = followEnd_;
    {
        const QSignalBlocker block(bar);
        bar->setRange(0, maximum);
        bar->setPageStep(std::max(1, rows));
        if (follow)
            bar->setValue(maximum);
    }
    followEnd_ = follow || bar->value() >= maximum;
}

int TerminalView::topLine() const {
    return verticalScrollBar()->value();
}

void TerminalView::scrollToEnd() {
    followEnd_ = true;
    refresh();
}

TerminalPoint TerminalView::cellAt(const QPoint& point) const {
    const int row = std::max(0, point.y() - Padding) / cellHeight_;
    const int column = (std::max(0, point.x() - Padding) + cellWidth_ / 2) / cellWidth_;
    return {topLine() + row, column};
}

QRect TerminalView::cellRect(int line, int column) const {
    return {Padding + column * cellWidth_, Padding + (line - topLine()) * cellHeight_, cellWidth_,
            cellHeight_};
}

TerminalSize TerminalView::fittingSize() const {
    return {std::max(1, (viewport()->height() - 2 * Padding) / cellHeight_),
            std::max(1, (viewport()->width() - 2 * Padding) / cellWidth_)};
}

QSize TerminalView::sizeFor(TerminalSize size) const {
    return {size.columns * cellWidth_ + 2 * Padding + verticalScrollBar()->sizeHint().width() +
                2 * frameWidth(),
            size.rows * cellHeight_ + 2 * Padding + 2 * frameWidth()};
}

QSize TerminalView::sizeHint() const {
    return sizeFor(screen_ ? screen_->size() : TerminalSize{});
}

bool TerminalView::selected(int line, int column) const {
    if (!anchor_ || *anchor_ == extent_)
        return false;
    const TerminalPoint from = std::min(*anchor_, extent_);
    const TerminalPoint to = std::max(*anchor_, extent_);
    const TerminalPoint here{line, column};
    return from <= here && here < to;
}

void TerminalView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), colour(TerminalScreen::DefaultBackground));
    if (!screen_)
        return;
    const int rows = (viewport()->height() - Padding) / cellHeight_ + 1;
    const TerminalPoint cursor = screen_->cursor();
    const bool showCursor =
        session_ && session_->running() && screen_->cursorVisible() && !session_->stopping();
    std::vector<ScreenCell> cells;
    for (int row = 0; row < rows; ++row) {
        const int line = topLine() + row;
        if (line >= screen_->lineCount())
            break;
        screen_->lineCells(line, cells);
        const int y = Padding + row * cellHeight_;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const ScreenCell& cell = cells[c];
            if (cell.width == 0)
                continue;
            const int column = static_cast<int>(c);
            Rgb fg = cell.fg;
            Rgb bg = cell.bg;
            if (selected(line, column))
                std::swap(fg, bg);
            const bool atCursor = showCursor && line == cursor.line && column == cursor.column;
            if (atCursor && hasFocus())
                std::swap(fg, bg);
            const int x = Padding + column * cellWidth_;
            const QRect box(x, y, cellWidth_ * cell.width, cellHeight_);
            if (bg != TerminalScreen::DefaultBackground)
                painter.fillRect(box, colour(bg));
            if (cell.ch != 0 && cell.ch != U' ') {
                const bool bold = (cell.attributes & ScreenCell::Bold) != 0;
                QFont& font = bold ? boldFont_ : font_;
                font.setUnderline((cell.attributes & ScreenCell::Underline) != 0);
                font.setItalic((cell.attributes & ScreenCell::Italic) != 0);
                font.setStrikeOut((cell.attributes & ScreenCell::Strike) != 0);
                painter.setFont(font);
                painter.setPen(colour(fg));
                const char32_t ch = cell.ch;
                const QString text = QString::fromUcs4(&ch, 1);
                if (cell.width == 2) {
                    // A wide character fills its two cells, as in a
                    // terminal: centred, and narrowed if its font's glyph
                    // is wider.
                    const int advance = painter.fontMetrics().horizontalAdvance(text);
                    painter.save();
                    painter.translate(x + std::max(0, (box.width() - advance) / 2), y + ascent_);
                    if (advance > box.width())
                        painter.scale(static_cast<qreal>(box.width()) / advance, 1.0);
                    painter.drawText(0, 0, text);
                    painter.restore();
                } else {
                    painter.drawText(x, y + ascent_, text);
                }
            }
        }
        // The selection shows past a line's end too, up to the next line.
        for (int column = static_cast<int>(cells.size()); column < screen_->size().columns;
             ++column)
            if (selected(line, column))
                painter.fillRect(Padding + column * cellWidth_, y, cellWidth_, cellHeight_,
                                 colour(TerminalScreen::DefaultForeground));
    }
    if (showCursor && cursor.line >= topLine() && cursor.line < topLine() + rows) {
        const QRect box = cellRect(cursor.line, cursor.column);
        painter.setPen(colour(TerminalScreen::DefaultForeground));
        if (!hasFocus())
            painter.drawRect(box.adjusted(0, 0, -1, -1));
        else if (screen_->cell(cursor.line, cursor.column).ch == 0)
            painter.fillRect(box, colour(TerminalScreen::DefaultForeground));
    }
}

void TerminalView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (onResize)
        onResize(fittingSize());
    refresh();
}

bool TerminalView::event(QEvent* event) {
    // Tab, Backtab and the shortcuts of the window belong to the program.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

bool TerminalView::focusNextPrevChild(bool) {
    return false;
}

void TerminalView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TerminalView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void TerminalView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool control = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    // Ctrl-C is the program's interrupt key, so copying takes Shift too.
    if (control && shift && event->key() == Qt::Key_C) {
        copy();
        return;
    }
    if (control && shift && event->key() == Qt::Key_V) {
        paste();
        return;
    }
    if (shift && (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown)) {
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(bar->value() + (event->key() == Qt::Key_PageUp ? -1 : 1) * bar->pageStep());
        return;
    }
    if (!session_ || !session_->running())
        return;
    const unsigned held = modifiersOf(modifiers);
    if (const auto key = terminalKey(event->key())) {
        session_->sendKey(*key, event->key() == Qt::Key_Backtab ? held | ShiftKey : held);
    } else if (control && event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z) {
        session_->sendCharacter(static_cast<char32_t>(U'a' + (event->key() - Qt::Key_A)), held);
    } else if (const QString text = event->text(); !text.isEmpty()) {
        for (const char32_t c : text.toUcs4()) {
            if (c < 0x20 || c == 0x7f)
                session_->sendBytes(std::string(1, static_cast<char>(c)));
            else
                session_->sendCharacter(c, held & ~(ShiftKey | ControlKey));
        }
    } else {
        return;
    }
    scrollToEnd();
}

void TerminalView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    anchor_ = cellAt(event->position().toPoint());
    extent_ = *anchor_;
    selecting_ = true;
    viewport()->update();
}

void TerminalView::mouseMoveEvent(QMouseEvent* event) {
    if (!selecting_)
        return;
    QPoint point = event->position().toPoint();
    // Dragging past the top or the bottom scrolls.
    QScrollBar* bar = verticalScrollBar();
    if (point.y() < Padding)
        bar->setValue(bar->value() - 1);
    else if (point.y() >= viewport()->height() - Padding)
        bar->setValue(bar->value() + 1);
    point.setY(std::clamp(point.y(), 0, viewport()->height() - 1));
    extent_ = cellAt(point);
    viewport()->update();
}

void TerminalView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !selecting_)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    selecting_ = false;
    // As terminals do: what is selected is at hand for the middle button.
    if (QClipboard* clipboard = QApplication::clipboard();
        clipboard->supportsSelection() && !selectedText().isEmpty())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void TerminalView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!screen_ || event->button() != Qt::LeftButton)
        return;
    // A word: the run of characters around the cell that are not blanks.
    const TerminalPoint at = cellAt(event->position().toPoint() - QPoint(cellWidth_ / 2, 0));
    int from = at.column;
    int to = at.column;
    while (from > 0 && isWordCharacter(screen_->cell(at.line, from - 1).ch))
        --from;
    while (to < screen_->size().columns && isWordCharacter(screen_->cell(at.line, to).ch))
        ++to;
    anchor_ = TerminalPoint{at.line, from};
    extent_ = TerminalPoint{at.line, to};
    selecting_ = false;
    viewport()->update();
}

void TerminalView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copying = menu.addAction(QStringLiteral("&Copy\tCtrl+Shift+C"));
    copying->setEnabled(!selectedText().isEmpty());
    connect(copying, &QAction::triggered, this, [this] { copy(); });
    QAction* pasting = menu.addAction(QStringLiteral("&Paste\tCtrl+Shift+V"));
    pasting->setEnabled(session_ && session_->running());
    connect(pasting, &QAction::triggered, this, [this] { paste(); });
    menu.addSeparator();
    QAction* all = menu.addAction(QStringLiteral("Select &All"));
    connect(all, &QAction::triggered, this, [this] { selectAll(); });
    menu.exec(event->globalPos());
}

QString TerminalView::selectedText() const {
    if (!screen_ || !anchor_ || *anchor_ == extent_)
        return {};
    return QString::fromStdString(screen_->text(*anchor_, extent_));
}

void TerminalView::selectAll() {
    if (!screen_)
        return;
    anchor_ = TerminalPoint{0, 0};
    extent_ = TerminalPoint{screen_->lineCount(), 0};
    viewport()->update();
}

void TerminalView::copy() {
    if (const QString text = selectedText(); !text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void TerminalView::paste() {
    if (!session_ || !session_->running())
        return;
    QString text = QApplication::clipboard()->text();
    // A terminal sends Enter as a carriage return.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    session_->sendBytes(text.toStdString());
    scrollToEnd();
}

} // namespace brak
