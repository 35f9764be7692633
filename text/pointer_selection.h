#pragma once

#include "text/text_motion.h"
#include "text/text_selection.h"

class CaretModel;
class LineGeometry;
class TextStore;

// What a mouse selects, as QPlainTextEdit's pointer does: a press places the
// caret, a double click chooses a word and a triple click a line, and a
// Shift+press or a drag then extends by what was chosen, never losing it. A
// word under the pointer joins only once the pointer is past its middle; a
// line joins whole with its line break.
//
// What was chosen lasts until a press places the caret, keys and edits
// between included, and moves with the text an edit changes before it, as
// a QTextCursor does.
class PointerSelection {
public:
    PointerSelection(const TextStore& store, CaretModel& model, LineGeometry& geometry);

    // A press that places the caret at position and forgets what was chosen.
    void place(qsizetype position);
    // The release of a press on the selection that did not drag it: the
    // caret goes there, and a Shift+press still extends by the chosen unit.
    void placeKeepingUnit(qsizetype position);
    // A double click at position: its word, or nothing on an empty line.
    void chooseWord(qsizetype position);
    // A triple click: the caret's line and its line break.
    void chooseLine();
    // A Shift+press or a drag at position, x in that line's coordinates.
    // True when the pointer is back on the chosen word or line, which is
    // selected again and scrolled into view as QPlainTextEdit does.
    bool extendTo(qsizetype position, qreal x);
    // Whether a drag extends although no press started it (after a double click).
    bool holdsUnit() const { return !word.isEmpty() || !line.isEmpty(); }
    // The text from position on changed: removed characters gave way to
    // inserted ones.
    void edited(qsizetype position, qsizetype removed, qsizetype inserted);

private:
    bool extendByWords(qsizetype position, qreal x);
    bool extendByLines(qsizetype position);
    // The x of the caret of what was just chosen, in its line.
    qreal caretX() const;

    const TextStore& store;
    CaretModel& model;
    LineGeometry& geometry;
    TextMotion motion;
    // What a double click and a triple click chose, and the x the caret
    // had in its line then.
    TextSelection word;
    TextSelection line;
    qreal wordX = 0;
    qreal lineX = 0;
};
