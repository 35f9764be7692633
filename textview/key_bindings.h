#pragma once

#include "text/caret_model.h"

#include <optional>

class QKeyEvent;

// What each key does in the text view: one table, read both when the window
// asks whether the view takes a key before the window's shortcuts and when
// the view handles the key.
enum class KeyAction {
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    SelectAll,
    Move, // by a character, a word, to a line's or the text's start or end
    LineUp,
    LineDown,
    PageUp,
    PageDown,
    BreakLine,
    Tab,
    DeleteBackward, // one code point, or a whole line break
    DeleteForward,  // one character
    DeleteWordBackward,
    DeleteWordForward,
    DeleteToLineEnd,
};

struct KeyBinding {
    KeyAction action;
    bool extend = false;                            // a move that keeps the anchor: Shift selects
    CaretModel::Move move = CaretModel::Move::Left; // what Move moves by
};

// The key's binding in the view, if it has one.
std::optional<KeyBinding> keyBinding(const QKeyEvent* event);
// Whether the view takes the key before the window's shortcuts: what it
// binds, and the keys that type.
bool overridesShortcut(const QKeyEvent* event);
// Whether the key types its text: printable text, formatting characters and
// tabs, but not what Ctrl makes of a key (QPlainTextEdit's rule).
bool typesText(const QKeyEvent* event);
