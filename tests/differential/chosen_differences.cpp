#include "tests/differential/chosen_differences.h"

#include "tests/differential/text_box_pair.h"

#include <algorithm>

bool ChosenDifferences::leavesOutKey(int key, Qt::KeyboardModifiers modifiers) {
    const bool control = modifiers & Qt::ControlModifier;
    // Undo restores the selection from before the step and keeps a paste a
    // step of its own, where QPlainTextEdit leaves the caret after the
    // restored text and may join a paste with the typing after it.
    if (control && (key == Qt::Key_Z || key == Qt::Key_Y))
        return true;
    // Shift+Enter breaks the line as Enter does; QPlainTextEdit puts a
    // U+2028 line separator inside the paragraph, which no document of ours
    // can hold (a save would refuse it).
    return (key == Qt::Key_Return || key == Qt::Key_Enter) && (modifiers & Qt::ShiftModifier);
}

bool ChosenDifferences::leavesOutCharacter(QChar c) {
    // A lone CR or LF stays a character of its own here, shown as a
    // picture; QPlainTextEdit turns either into a paragraph break.
    return c == u'\r' || c == u'\n';
}

bool ChosenDifferences::skips(const Gesture& g, const TextBoxPair& pair) {
    // A press on the selection and a move start dragging it, which runs the
    // platform's drag and drop loop until a drop; drag and drop have tests
    // of their own, and a drop onto the selection itself is a habit of
    // QPlainTextEdit's we do not copy.
    if (g.kind == Gesture::Kind::Drag && g.modifiers != Qt::ShiftModifier) {
        const BoxState state = pair.reference();
        const qsizetype hit = pair.referenceHit(g.from);
        return state.anchor != state.caret && hit >= std::min(state.anchor, state.caret) &&
               hit <= std::max(state.anchor, state.caret);
    }
    return false;
}

bool ChosenDifferences::explains(const QStringList& differences, const TextBoxPair& pair) {
    // QPlainTextEdit's horizontal scroll range counts only the lines it has
    // laid out (TextBoxPair lays them all out when a text is set), and
    // keeps the width of a widest line that an edit removed or narrowed
    // until a line of that number is laid out again. Ours is as wide as the
    // widest line there is, so a caret brought into view sideways may stop
    // elsewhere at the range's end. Once the two stand apart sideways a drag aims at
    // other characters (the gesture that scrolled may have been one, though
    // it ended with both scrolled back alike), and so does every later
    // pointer gesture, so the comparison ends. The text is never explained.
    return !differences.contains(QStringLiteral("text")) && pair.referenceRangeIsOff();
}
