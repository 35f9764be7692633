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
            QAbstractScrollArea::keyPressEvent(event);
        }
        return;
    }
    event->accept();
    const bool extend = binding->extend;
    using A = KeyAction;
    // The selection, or from the caret to `to`. As in QPlainTextEdit, only
    // single characters deleted one after another make one undo step.
    const auto erase = [&](qsizetype to, bool single) {
        const TextSelection selection = model.selection();
        if (!selection.isEmpty())
            deleteBetween(selection.start(), selection.end(), EditHistory::Kind::Command);
        else
            deleteBetween(to, selection.caret,
                          single ? EditHistory::Kind::Deleting : EditHistory::Kind::Command);
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
    case A::DeleteToLineEnd:
        // From the anchor, as QPlainTextEdit does with a selection.
        deleteBetween(anchorPosition(), store.lineEnd(store.lineOf(caretPosition())),
                      EditHistory::Kind::Command);
        break;
    }
    if (extend)
        setPrimarySelection();
}

void TextView::moveByPage(int direction, bool extend) {
    // The view scrolls up to a page and the caret keeps its place on
    // screen; where the view cannot scroll, the caret moves a page.
    const int page = fullyVisibleLines();
    const int top = topLine();
    verticalScrollBar()->setValue(top + direction * page);
    const int scrolled = topLine() - top;
    model.moveLines(scrolled != 0 ? scrolled : qsizetype(direction) * page, extend, layouts);
    ensureCaretVisible();
}
