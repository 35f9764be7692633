#pragma once

#include "textview/line_layouts.h"
#include "text/text_motion.h"
#include "text/edit_history.h"
#include "text/text_store.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>

// The multi-line text box's widget: a plain text view of our own that keeps
// the text as the program sees it (TextStore) and lays out only the lines on
// screen, so that opening a large document or typing in a very long line
// costs no more than in a short one.
//
// Positions are 0-based offsets into text(), where a line break is the two
// characters CR LF. The caret never rests between the CR and the LF of a
// line break or inside a surrogate pair.
class TextView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TextView(QWidget* parent = nullptr);
    ~TextView() override;

    // The whole text; shares the store's memory instead of copying it.
    QString text() const;
    // Replaces the text from the program: the caret goes to the start, the
    // undo history is cleared, textChanged() is emitted once.
    void setText(QString text);

    qsizetype anchorPosition() const;
    qsizetype caretPosition() const;
    qsizetype selectionStart() const;
    qsizetype selectionEnd() const;
    QString selectedText() const;
    // Selects from anchor to caret (clamped to the text; a position between
    // CR and LF falls on the end of its line) and scrolls the caret into view.
    void setSelection(qsizetype anchor, qsizetype caret);

    // Replaces the selection as a person's edit would: line breaks of any
    // kind become CR LF, and the edit can be undone.
    void insertText(const QString& text);
    void deleteSelection();

    bool isUndoAvailable() const;
    bool isRedoAvailable() const;

    // Geometry in viewport coordinates, for input methods and screen readers.
    QRect characterRect(qsizetype position) const;
    qsizetype positionAt(const QPoint& point) const;

    // The line index and pieces of the text, for a screen reader that counts
    // a line break as one character and reads a line at a time: neither
    // needs the whole text. Lines are numbered from 0; a line ends where its
    // CR LF begins, or at the end of the text.
    qsizetype lineCount() const;
    qsizetype lineStart(qsizetype line) const;
    qsizetype lineEnd(qsizetype line) const;
    // Characters [position, position + length), clamped to the text.
    QString textRange(qsizetype position, qsizetype length) const;

public Q_SLOTS:
    void undo();
    void redo();
    void cut();
    void copy();
    void paste();
    void selectAll();

Q_SIGNALS:
    // After every change of the text, whoever made it.
    void textChanged();
    // After the caret or the selection moved.
    void selectionChanged();

protected:
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // What a mouse drag extends the selection by.
    enum class Unit { Character, Word, Line };
    enum class Move { Left, Right, WordLeft, WordRight, LineStart, LineEnd, Start, End };

    // Every change of the text passes here, and every move of the caret or
    // the selection passes through select(). The caller knows what the
    // change removes (a screen reader hears it).
    void replace(qsizetype position, const QString& removed, QStringView inserted);
    void select(TextSelection selection);

    // A person's edit: replaces from..to with text, recorded for undo, the
    // caret after the text unless caretAfter says where.
    void edit(EditHistory::Kind kind, qsizetype from, qsizetype to, const QString& text,
              qsizetype caretAfter = -1);
    void editSelection(EditHistory::Kind kind, const QString& text);
    void takeBack(const EditHistory::Step& step);
    void makeAgain(const EditHistory::Step& step);
    // The caret moved by keys or the mouse: typing starts a new undo step.
    void moveTo(qsizetype position, bool extend);
    qsizetype target(Move move, bool extend) const;
    void moveVertically(qsizetype lines, bool extend);

    bool clipboardKey(QKeyEvent* event);
    bool movementKey(QKeyEvent* event);
    bool editingKey(QKeyEvent* event);
    bool deletionKey(QKeyEvent* event);
    void deleteBackward(qsizetype to);
    void deleteForward(qsizetype to);
    void setPrimarySelection();

    // Mouse selection by character, word or line.
    TextSelection unitAt(qsizetype position) const;
    void extendSelectionTo(QPoint point);
    void startDrag();
    void moveDroppedText(qsizetype to);
    void autoScroll(QPoint point);

    // Lays the text out afresh (new text or font) and expects its longest line.
    void relayout();

    // Geometry, in viewport coordinates.
    int lineHeight() const;
    int topLine() const;
    int lineTop(qsizetype line) const;
    qsizetype lineAtY(int y) const;
    qreal textLeft() const;
    int fullyVisibleLines() const;
    QRect caretRect() const;
    void ensureCaretVisible();
    void updateScrollBars();
    void restartBlinking();
    LineLayouts::Marks marksFor(qsizetype line, const QPalette& palette) const;
    // The part of the text an input method sees around the caret.
    std::pair<qsizetype, qsizetype> surroundingText() const;

    TextStore store;
    EditHistory history;
    TextMotion motion{store};
    mutable LineLayouts layouts{store};
    qsizetype anchor = 0;
    qsizetype caret = 0;
    qreal goalX = -1; // the x that Up and Down keep, once they started
    bool caretShown = false;
    QBasicTimer blinkTimer;
    QBasicTimer autoScrollTimer;
    QBasicTimer tripleClickTimer;
    QPoint tripleClickPoint;
    QPoint pressPoint;
    QPoint mousePoint;
    Unit unit = Unit::Character;
    TextSelection pressedUnit; // the word or line a double or triple click chose
    bool selecting = false;
    bool mayDrag = false;
    bool droppedOnSelf = false;
    qsizetype dropCaret = -1;
    QString preedit;
};
