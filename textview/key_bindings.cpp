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

constexpr Entry moving(K::StandardKey key, CaretModel::Move move, bool extend = false) {
    return {key, 0, {}, {KeyAction::Move, extend, move}};
}

constexpr Entry exactly(int key, Qt::KeyboardModifiers modifiers, KeyAction action) {
    return {K::UnknownKey, key, modifiers, {action, false}};
}

using A = KeyAction;
using M = CaretModel::Move;

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
    moving(K::MoveToNextChar, M::Right),
    moving(K::SelectNextChar, M::Right, true),
    moving(K::MoveToPreviousChar, M::Left),
    moving(K::SelectPreviousChar, M::Left, true),
    moving(K::MoveToNextWord, M::WordRight),
    moving(K::SelectNextWord, M::WordRight, true),
    moving(K::MoveToPreviousWord, M::WordLeft),
    moving(K::SelectPreviousWord, M::WordLeft, true),
    moving(K::MoveToStartOfLine, M::LineStart),
    moving(K::SelectStartOfLine, M::LineStart, true),
    moving(K::MoveToStartOfBlock, M::LineStart),
    moving(K::SelectStartOfBlock, M::LineStart, true),
    moving(K::MoveToEndOfLine, M::LineEnd),
    moving(K::SelectEndOfLine, M::LineEnd, true),
    moving(K::MoveToEndOfBlock, M::LineEnd),
    moving(K::SelectEndOfBlock, M::LineEnd, true),
    moving(K::MoveToStartOfDocument, M::Start),
    moving(K::SelectStartOfDocument, M::Start, true),
    moving(K::MoveToEndOfDocument, M::End),
    moving(K::SelectEndOfDocument, M::End, true),

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
