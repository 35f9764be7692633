#include "textview/key_bindings.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <algorithm>

namespace {

using K = QKeySequence;

// A platform's standard key, or a key with exactly these modifiers.
struct Entry {
    K::StandardKey standard = K::UnknownKey;
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    KeyBinding binding;

    bool matches(const QKeyEvent* event) const {
        if (standard != K::UnknownKey)
            return event->matches(standard);
        return event->key() == key && (event->modifiers() & ~Qt::KeypadModifier) == modifiers;
    }
};

constexpr Entry standard(K::StandardKey key, KeyAction action, bool extend = false) {
    return {key, 0, {}, {action, extend}};
}

constexpr Entry exactly(int key, Qt::KeyboardModifiers modifiers, KeyAction action) {
    return {K::UnknownKey, key, modifiers, {action, false}};
}

using A = KeyAction;

// The first entry that matches wins.
const Entry table[] = {
    standard(K::SelectAll, A::SelectAll),
    standard(K::Copy, A::Copy),
    standard(K::Cut, A::Cut),
    standard(K::Paste, A::Paste),

    standard(K::MoveToNextLine, A::LineDown),
    standard(K::SelectNextLine, A::LineDown, true),
    standard(K::MoveToPreviousLine, A::LineUp),
    standard(K::SelectPreviousLine, A::LineUp, true),
    standard(K::MoveToNextPage, A::PageDown),
    standard(K::SelectNextPage, A::PageDown, true),
    standard(K::MoveToPreviousPage, A::PageUp),
    standard(K::SelectPreviousPage, A::PageUp, true),
    standard(K::MoveToNextChar, A::Right),
    standard(K::SelectNextChar, A::Right, true),
    standard(K::MoveToPreviousChar, A::Left),
    standard(K::SelectPreviousChar, A::Left, true),
    standard(K::MoveToNextWord, A::WordRight),
    standard(K::SelectNextWord, A::WordRight, true),
    standard(K::MoveToPreviousWord, A::WordLeft),
    standard(K::SelectPreviousWord, A::WordLeft, true),
    standard(K::MoveToStartOfLine, A::LineStart),
    standard(K::SelectStartOfLine, A::LineStart, true),
    standard(K::MoveToStartOfBlock, A::LineStart),
    standard(K::SelectStartOfBlock, A::LineStart, true),
    standard(K::MoveToEndOfLine, A::LineEnd),
    standard(K::SelectEndOfLine, A::LineEnd, true),
    standard(K::MoveToEndOfBlock, A::LineEnd),
    standard(K::SelectEndOfBlock, A::LineEnd, true),
    standard(K::MoveToStartOfDocument, A::Start),
    standard(K::SelectStartOfDocument, A::Start, true),
    standard(K::MoveToEndOfDocument, A::End),
    standard(K::SelectEndOfDocument, A::End, true),

    standard(K::Undo, A::Undo),
    standard(K::Redo, A::Redo),
    exactly(Qt::Key_Y, Qt::ControlModifier, A::Redo),
    standard(K::InsertParagraphSeparator, A::BreakLine),
    standard(K::InsertLineSeparator, A::BreakLine),
    exactly(Qt::Key_Tab, Qt::NoModifier, A::Tab),

    exactly(Qt::Key_Backspace, Qt::NoModifier, A::DeleteBackward),
    exactly(Qt::Key_Backspace, Qt::ShiftModifier, A::DeleteBackward),
    standard(K::Backspace, A::DeleteBackward),
    standard(K::Delete, A::DeleteForward),
    standard(K::DeleteStartOfWord, A::DeleteWordBackward),
    standard(K::DeleteEndOfWord, A::DeleteWordForward),
    standard(K::DeleteEndOfLine, A::DeleteToLineEnd),
};

} // namespace

std::optional<KeyBinding> keyBinding(const QKeyEvent* event) {
    const auto found =
        std::ranges::find_if(table, [&](const Entry& entry) { return entry.matches(event); });
    if (found == std::end(table))
        return std::nullopt;
    return found->binding;
}

bool overridesShortcut(const QKeyEvent* event) {
    const auto modifiers = event->modifiers();
    const bool plain = modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier ||
                       modifiers == Qt::KeypadModifier;
    return (plain && event->key() < Qt::Key_Escape) || keyBinding(event).has_value();
}

bool typesText(const QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const QChar c = text[0];
    if (c.category() == QChar::Other_Format)
        return true;
    const auto modifiers = event->modifiers();
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    return c.isPrint() || c.category() == QChar::Other_PrivateUse || c == u'\t' ||
           (c.isHighSurrogate() && text.size() > 1 && text[1].isLowSurrogate());
}
