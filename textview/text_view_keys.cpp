// The keys of the text view: what key_bindings says each key does, done.
#include "textview/key_bindings.h"
#include "textview/text_view.h"

#include <QKeyEvent>
#include <QScrollBar>

bool TextView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride &&
        overridesShortcut(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

bool TextView::focusNextPrevChild(bool) {
    return false; // Tab types a tab
}

void TextView::keyPressEvent(QKeyEvent* event) {
    const std::optional<KeyBinding> binding = keyBinding(event);
    if (!binding) {
        if (typesText(event)) {
            editSelection(EditHistory::Kind::Typing, event->text());
            event->accept();
        } else {
            // Left to the window, as QPlainTextEdit leaves it: the scroll
            // area's own keys (Ctrl+Up and Ctrl+Down scroll) are not its.
            event->ignore();
        }
        return;
    }
    event->accept();
    const bool extend = binding->extend;
    using A = KeyAction;
    // The selection, or from the caret to `to`. As in QPlainTextEdit, only
    // single characters deleted one after another make one undo step, and a
    // word is selected first, its cursor then at `to`.
    const auto erase = [&](qsizetype to, bool single) {
        const TextSelection selection = model.selection();
        if (!selection.isEmpty())
            deleteSelection();
        else if (single)
            deleteBetween(to, selection.caret, EditHistory::Kind::Deleting, selection.caret);
        else
            deleteBetween(to, selection.caret, EditHistory::Kind::Command, to);
    };
    switch (binding->action) {
    case A::Undo:
        undo();
        break;
    case A::Redo:
        redo();
        break;
    case A::Cut:
        cut();
        break;
    case A::Copy:
        copy();
        break;
    case A::Paste:
        paste();
        break;
    case A::SelectAll:
        selectAll();
        setPrimarySelection();
        break;
    case A::Move:
        model.move(binding->move, extend, layouts);
        ensureCaretVisible();
        break;
    case A::LineUp:
    case A::LineDown:
        model.moveLines(binding->action == A::LineUp ? -1 : 1, extend, layouts);
        ensureCaretVisible();
        break;
    case A::PageUp:
    case A::PageDown:
        moveByPage(binding->action == A::PageUp ? -1 : 1, extend);
        break;
    case A::BreakLine:
        editSelection(EditHistory::Kind::Command, QStringLiteral("\r\n"));
        break;
    case A::Tab:
        editSelection(EditHistory::Kind::Typing, QStringLiteral("\t"));
        break;
    case A::DeleteBackward:
        erase(motion.previousCodePoint(caretPosition()), true);
        break;
    case A::DeleteForward:
        erase(motion.nextCharacter(caretPosition()), true);
        break;
    case A::DeleteWordBackward:
        erase(motion.previousWord(caretPosition()), false);
        break;
    case A::DeleteWordForward:
        erase(motion.nextWord(caretPosition()), false);
        break;
    case A::DeleteToLineEnd: {
        // From the anchor, as QPlainTextEdit does with a selection, its
        // cursor then at the line's end.
        const qsizetype end = store.lineEnd(store.lineOf(caretPosition()));
        deleteBetween(anchorPosition(), end, EditHistory::Kind::Command, end);
        break;
    }
    }
    if (extend)
        setPrimarySelection();
    // As in QPlainTextEdit, any other key brings the caret into view, one
    // with nothing to do included.
    if (binding->action != A::Copy && binding->action != A::SelectAll)
        ensureCaretVisible();
}

void TextView::moveByPage(int direction, bool extend) {
    // As QPlainTextEdit pages: the view scrolls by the lines that fit whole,
    // then the caret goes down or up line by line until it stands as far
    // from the top as it stood before the first of these page moves.
    ensureCaretVisible();
    const int lh = lineHeight();
    const int top = topLine();
    const int caretLine = int(store.lineOf(caretPosition()));
    const int lastLine = int(store.lineCount() - 1);
    const auto marginAt = [](int topLine) { return topLine == 0 ? Margin : 0; };
    if (!pageY)
        pageY = (caretLine - top) * lh + marginAt(top);
    int y = *pageY;
    const int height = viewport()->height();
    int first = top;
    bool scrolls = true;
    if (direction > 0) {
        // The last line is as tall as the bottom margin too.
        int h = 0;
        while (h + lh + (first == lastLine ? Margin : 0) <= height - marginAt(top)) {
            if (first == lastLine) {
                // All of the rest fits: the caret goes to the last line.
                y = height - marginAt(top);
                scrolls = false;
                break;
            }
            h += lh;
            ++first;
        }
    } else {
        int h = 0;
        while (h >= -marginAt(top) - height && first > 0) {
            --first;
            h -= lh;
        }
        if (h >= -marginAt(top) - height)
            y = top == 0 ? 0 : y;
        else if (first + 1 != top)
            ++first;
    }
    if (scrolls)
        verticalScrollBar()->setValue(first);
    const int target = y - marginAt(topLine());
    int line = caretLine;
    const auto below = [&](int at) { return (at - topLine()) * lh; };
    if (direction > 0) {
        do {
            if (line == lastLine)
                break;
            ++line;
        } while (below(line) < target);
    } else {
        do {
            if (line == 0)
                break;
            --line;
        } while (below(line) > target);
    }
    paging = true;
    if (line != caretLine)
        model.moveLines(line - caretLine, extend, layouts);
    paging = false;
    ensureCaretVisible();
}
