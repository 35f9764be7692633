#pragma once

#include "text/text_motion.h"
#include "text/text_selection.h"

#include <functional>

class EditHistory;
class LineGeometry;
class TextStore;

// The caret and the selection of a text box, and every way they move.
//
// All positions pass through valid(): the caret never rests between the CR
// and the LF of a line break or inside a surrogate pair. A move made by
// keys, the mouse or the program closes the undo history's typing group, so
// that typing after it starts a step of its own; placing the caret after an
// edit does not. Up and Down keep the x they started from (the goal) until
// the caret moves any other way.
class CaretModel {
public:
    enum class Move { Left, Right, WordLeft, WordRight, LineStart, LineEnd, Start, End };

    // moved hears of every request to move, with the selection before it,
    // whether or not anything moved.
    CaretModel(const TextStore& store, EditHistory& history,
               std::function<void(TextSelection before)> moved);

    TextSelection selection() const { return current; }
    qsizetype anchor() const { return current.anchor; }
    qsizetype caret() const { return current.caret; }

    // Selects from anchor to caret, as the program or the mouse chooses.
    void select(TextSelection selection);
    // Selects again what was selected before, and the next Up or Down
    // starts from the x the caret had then, as a QTextCursor kept for later
    // keeps its own.
    void reselect(TextSelection selection, qreal x);
    // Puts the caret at position; extend keeps the anchor where it is.
    void moveTo(qsizetype position, bool extend);
    // A key's move from the caret. Without extend, Left and Right first end
    // a selection at its start or end.
    void move(Move move, bool extend, LineGeometry& geometry);
    // Up or Down by lines (a page is many), keeping the goal. With no line
    // to go to nothing moves, but for Shift+Up and Shift+Down by one line,
    // which select to the start or the end of the text.
    void moveLines(qsizetype lines, bool extend, LineGeometry& geometry);
    // Where a press at x on line puts the caret, x in the line's own
    // coordinates: the nearest caret offset, or for a line above the first
    // the start of the text and below the last its end, as in QPlainTextEdit.
    qsizetype hit(qsizetype line, qreal x, LineGeometry& geometry) const;
    // After an edit (undo and redo included): the selection it leaves.
    void placeAfterEdit(TextSelection selection);
    // The next Up or Down starts from the caret's own x.
    void forgetGoal() { goal = -1; }

private:
    qsizetype target(Move move, bool extend, LineGeometry& geometry) const;
    void set(TextSelection selection);

    const TextStore& store;
    EditHistory& history;
    TextMotion motion;
    std::function<void(TextSelection)> moved;
    TextSelection current;
    qreal goal = -1; // none
};
