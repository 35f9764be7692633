#pragma once

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
    Left,
    Right,
    WordLeft,
    WordRight,
    LineStart,
    LineEnd,
    Start,
    End,
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
    bool extend = false; // a move that keeps the anchor: Shift selects
};

// The key's binding in the view, if it has one.
std::optional<KeyBinding> keyBinding(const QKeyEvent* event);
// Whether the view takes the key before the window's shortcuts: what it
// binds, and the keys that type.
bool overridesShortcut(const QKeyEvent* event);
// Whether the key types its text: printable text, formatting characters and
// tabs, but not what Ctrl makes of a key (QPlainTextEdit's rule).
bool typesText(const QKeyEvent* event);
