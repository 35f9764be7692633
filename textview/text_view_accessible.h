#pragma once

#include "text/text_selection.h"

#include <QAccessibleWidget>

class TextView;

// What a screen reader sees of a TextView: its text, caret and selection,
// read and changed through the view's public functions, and the events that
// tell it of every change.
//
// Offsets count the text the way QPlainTextEdit shows it to a screen reader:
// a line break (CR LF in the view) is one LF, and a character that the view
// draws as a picture because a layout would break the line there (a lone CR
// or LF, U+2028, U+2029) reads as that picture, so that only real line
// breaks read as breaks. Offsets and view positions are mapped through the
// view's line index, so no query reads more of a large text than it returns.
class TextViewAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit TextViewAccessible(TextView* view);

    // Makes QAccessible answer with this class for every TextView; once is
    // enough, later calls do nothing.
    static void installFactory();

    // Whether anyone hears the events below: a screen reader, or a test's
    // sink. The view reads what an edit removes only then.
    static bool listening();
    // The view tells a listening screen reader of its changes through these,
    // after they happened; positions are the view's. removed is what the
    // edit took away, inserted what the text now holds in its place.
    static void notifyTextChange(TextView* view, qsizetype position, QStringView removed,
                                 QStringView inserted);
    // The caret or the selection moved from before.
    static void notifyCaretMove(TextView* view, TextSelection before);

    // Where the events go instead of QAccessible::updateAccessibility(), or
    // nullptr for there. A platform without a screen reader bridge, such as
    // the offscreen one the tests run on, never becomes active, so a test
    // listens here.
    using EventSink = void (*)(QAccessibleEvent* event);
    static void setEventSink(EventSink sink);

    QAccessible::State state() const override;
    // The Value is the whole text.
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& text) override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;

    QString text(int startOffset, int endOffset) const override;
    // Characters, words and sentences never run over a line break: a unit
    // that reaches the end of a line ends with its LF. At a line's end
    // (its LF, or the end of the text) textAtOffset() gives the word or
    // sentence that ends there, and at the end of the text an empty
    // character, as QPlainTextEdit and GTK do. A line (or paragraph,
    // the same without wrapping) is read without its LF, as QPlainTextEdit
    // reads it.
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;

    // In screen coordinates.
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    // Scrolls without moving the caret.
    void scrollToSubstring(int startIndex, int endIndex) override;
    // Plain text: one run without attributes.
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    // Edits go the way a person's do, so they can be undone; the caret and
    // the selection move with the text around them, as QTextCursor's do.
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    // Offsets [start, end); start -1 for none.
    struct Span {
        int start = -1;
        int end = -1;
    };

    TextView* view() const;
    Span unitAt(int offset, QAccessible::TextBoundaryType boundaryType) const;
    Span wordAt(int offset) const;
    Span wordBefore(int offset) const;
    Span wordAfter(int offset) const;
    // The first word the caret's word steps reach from `from`, forward or back.
    Span wordByStep(int from, bool forward) const;
    // The sentence that ends where the line does, or an empty span there.
    Span sentenceEndingAt(Span line) const;
    Span lineSpan(qsizetype line) const;
    QString read(Span span, int* startOffset, int* endOffset) const;
};
