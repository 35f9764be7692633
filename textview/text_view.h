#pragma once

#include "text/caret_model.h"
#include "text/edit_history.h"
#include "text/pointer_selection.h"
#include "text/text_motion.h"
#include "text/text_store.h"
#include "textview/line_layouts.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <optional>

// The multi-line text box's widget: a plain text view of our own that keeps
// the text as the program sees it (TextStore) and lays out only the lines on
// screen, so that opening a large document or typing in a very long line
// costs no more than in a short one.
//
// Positions are 0-based offsets into text(), where a line break is the two
// characters CR LF. The caret never rests between the CR and the LF of a
// line break or inside a surrogate pair.
//
// Its parts live in files by concern: state, editing and drawing here and in
// text_view.cpp; keys in text_view_keys.cpp (with key_bindings); mouse,
// wheel, context menu and drag and drop in text_view_mouse.cpp; input
// methods in text_view_input_method.cpp.
class TextView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TextView(QWidget* parent = nullptr);
    ~TextView() override;

    // The whole text; shares the store's memory instead of copying it.
    QString text() const;
    // Replaces the text from the program: the caret goes to the start, the
    // undo history is cleared, textChanged() is emitted once.
    void setText(DocumentText text);
    // The text and its line index, to read a piece at a time.
    const TextStore& textStore() const { return store; }

    qsizetype anchorPosition() const { return model.anchor(); }
    qsizetype caretPosition() const { return model.caret(); }
    qsizetype selectionStart() const { return model.selection().start(); }
    qsizetype selectionEnd() const { return model.selection().end(); }
    QString selectedText() const;
    // Selects from anchor to caret (clamped to the text; a position between
    // CR and LF falls on the end of its line) and scrolls the caret into view.
    void setSelection(qsizetype anchor, qsizetype caret);

    // Replaces the selection as a person's edit would: line breaks of any
    // kind become CR LF, and the edit can be undone.
    void insertText(const QString& text);
    void deleteSelection();

    // Geometry in viewport coordinates, for input methods and screen readers.
    QRect characterRect(qsizetype position) const;
    qsizetype positionAt(const QPoint& point) const;
    // Scrolls the least that shows from..to, its start first.
    void scrollToShow(qsizetype from, qsizetype to);

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
    bool eventFilter(QObject* watched, QEvent* event) override;
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
    // --- editing (text_view.cpp) ---
    // Every change of the text passes here; the caller knows what the
    // change removes (a screen reader hears it).
    void replace(qsizetype position, const QString& removed, QStringView inserted);
    // A person's edit: the changes are made in order and recorded for undo
    // as one step (typing and deleting may join the step before), and the
    // caret goes to caretAfter.
    void edit(EditHistory::Kind kind, std::vector<TextChange> changes, qsizetype caretAfter);
    // Replaces from..to with text, the caret after it.
    void editRange(EditHistory::Kind kind, qsizetype from, qsizetype to, const QString& text);
    void editSelection(EditHistory::Kind kind, const QString& text);
    void replay(const EditHistory::Step& step, bool forward);
    // The model moved the caret or the selection (or was asked to).
    void caretMoved(TextSelection before);
    // What a deleting key removes, between a and b in either order, while
    // QPlainTextEdit's cursor would stand at held.
    void deleteBetween(qsizetype a, qsizetype b, EditHistory::Kind kind, qsizetype held);
    void setPrimarySelection();

    // --- keys (text_view_keys.cpp) ---
    void moveByPage(int direction, bool extend);

    // --- mouse and drops (text_view_mouse.cpp) ---
    void extendSelectionTo(QPoint point);
    // A point of the viewport as QPlainTextEdit's text control sees it, for
    // the triple click to match its nearness.
    QPoint contentPoint(QPoint point) const;
    void startDrag();
    void moveDroppedText(qsizetype to);
    void autoScroll(QPoint point);

    // --- input methods (text_view_input_method.cpp) ---
    // The caret's rectangle moved on the screen: the view scrolled or its
    // window moved.
    void caretRectangleMoved();
    // The part of the text an input method sees around the caret.
    std::pair<qsizetype, qsizetype> surroundingText() const;

    // --- geometry and drawing (text_view.cpp) ---
    // QPlainTextEdit's document margin: its text starts this far in, and
    // the first line this far down.
    static constexpr int Margin = 4;
    // Lays the text out afresh (new text or font) and expects its longest line.
    void relayout();
    int lineHeight() const;
    int topLine() const;
    int lineTop(qsizetype line) const;
    // The line at y, counting lines above the first and below the last too.
    qsizetype rowAt(int y) const;
    qsizetype lineAtY(int y) const;
    qreal textLeft() const;
    int fullyVisibleLines() const;
    // Where a caret at position is drawn (inside the composed text at the
    // caret), in viewport coordinates.
    QRect caretRect(qsizetype position) const;
    void ensureCaretVisible();
    void updateScrollBars();
    void restartBlinking();
    // The selection and carets to draw over the text, in text positions.
    LineLayouts::Marks marks(const QPalette& palette) const;

    TextStore store;
    EditHistory history;
    TextMotion motion{store};
    mutable LineLayouts layouts{store};
    // Where consecutive page moves keep the caret, from the viewport's top;
    // any other move of the caret, or an edit, forgets it, as QPlainTextEdit does.
    std::optional<int> pageY;
    bool paging = false;
    CaretModel model{store, history, [this](TextSelection before) { caretMoved(before); }};
    PointerSelection pointerSelection{store, model, layouts};
    QString preedit; // what an input method is composing at the caret

    bool caretShown = false;
    QBasicTimer blinkTimer;

    // A press, a drag that selects, or a drag of the selection.
    struct Pointer {
        QBasicTimer autoScroll;
        QBasicTimer tripleClick;
        QPoint tripleClickPoint; // in contentPoint()'s terms
        QPoint pressed;
        QPoint last;
        bool selecting = false; // from a left press to its release
        bool mayDrag = false;
    } pointer;
    // Text dragged over the view, from it or from elsewhere.
    struct Drop {
        qsizetype caret = -1; // where it would land; -1 while nothing is dragged over
        bool onSelf = false;  // the view's own drag ended on the view
    } drop;
};
