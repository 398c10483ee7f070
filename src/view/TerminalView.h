#pragma once

#include "console/TerminalScreen.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QPointer>
#include <functional>
#include <optional>

namespace brak {

class PtySession;

// Paints a terminal screen in a fixed-pitch font with its own colours,
// scrolls back through the lines kept above it, lets the user select and
// copy text, and sends keys to the program of its session. It repaints when
// told the screen changed, never on a timer of its own.
class TerminalView : public QAbstractScrollArea {
public:
    explicit TerminalView(QWidget* parent = nullptr);

    // The screen shown; keys go to the session's program when there is one.
    void setScreen(TerminalScreen* screen, PtySession* session = nullptr);
    TerminalScreen* screen() const { return screen_; }

    // The screen changed: a repaint soon (several changes make one), and the
    // view follows the end unless the user scrolled back.
    void screenChanged();
    // Repaints now.
    void refresh();

    QSize cellSize() const { return {cellWidth_, cellHeight_}; }
    // The cell at a point of the viewport, and the point of a cell.
    TerminalPoint cellAt(const QPoint& point) const;
    QRect cellRect(int line, int column) const;
    // How many rows and columns fit the viewport.
    TerminalSize fittingSize() const;
    // The widget's size for a terminal of that size.
    QSize sizeFor(TerminalSize size) const;
    QSize sizeHint() const override;

    // The first line shown (a line of the screen's numbering).
    int topLine() const;
    QString selectedText() const;
    void selectAll();
    void copy();
    void paste();

    // The viewport was resized to hold a terminal of this size.
    std::function<void(TerminalSize)> onResize;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    // The cursor is a block while the view has the keyboard, an outline else.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void updateScrollRange();
    bool selected(int line, int column) const;
    void scrollToEnd();

    TerminalScreen* screen_ = nullptr;
    PtySession* session_ = nullptr;
    QFont font_;
    QFont boldFont_;
    int cellWidth_ = 8;
    int cellHeight_ = 16;
    int ascent_ = 12;
    // Room between the window's edge and the first cells, as terminals keep.
    static constexpr int Padding = 4;
    bool repaintPending_ = false;
    bool followEnd_ = true;
    // The selection runs from anchor_ to extent_, whichever comes first.
    std::optional<TerminalPoint> anchor_;
    TerminalPoint extent_;
    bool selecting_ = false;
};

} // namespace brak
