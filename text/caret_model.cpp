#include "text/caret_model.h"

#include "text/edit_history.h"
#include "text/line_geometry.h"
#include "text/text_store.h"

#include <algorithm>

CaretModel::CaretModel(const TextStore& store, EditHistory& history,
                       std::function<void(TextSelection before)> moved)
    : store(store), history(history), motion(store), moved(std::move(moved)) {}

void CaretModel::select(TextSelection selection) {
    history.closeGroup();
    goal = -1;
    set(selection);
}

void CaretModel::reselect(TextSelection selection, qreal x) {
    select(selection);
    goal = x;
}

void CaretModel::moveTo(qsizetype position, bool extend) {
    select({extend ? current.anchor : position, position});
}

void CaretModel::move(Move move, bool extend, LineGeometry& geometry) {
    moveTo(target(move, extend, geometry), extend);
}

qsizetype CaretModel::target(Move move, bool extend, LineGeometry& geometry) const {
    const qsizetype caret = current.caret;
    const qsizetype line = store.lineOf(caret);
    // Arrows move logically: on a right-to-left line, Left goes forward.
    const bool sideways = move == Move::Left || move == Move::Right || move == Move::WordLeft ||
                          move == Move::WordRight;
    const bool reversed = sideways && geometry.rightToLeft(line);
    const bool collapse = !extend && !current.isEmpty();
    switch (move) {
    case Move::Left:
        if (collapse)
            return current.start();
        return reversed ? motion.nextCharacter(caret) : motion.previousCharacter(caret);
    case Move::Right:
        if (collapse)
            return current.end();
        return reversed ? motion.previousCharacter(caret) : motion.nextCharacter(caret);
    case Move::WordLeft:
        return reversed ? motion.nextWord(caret) : motion.previousWord(caret);
    case Move::WordRight:
        return reversed ? motion.previousWord(caret) : motion.nextWord(caret);
    case Move::LineStart:
        return store.lineStart(line);
    case Move::LineEnd:
        return store.lineEnd(line);
    case Move::Start:
        return 0;
    case Move::End:
        return store.size();
    }
    return caret;
}

void CaretModel::moveLines(qsizetype lines, bool extend, LineGeometry& geometry) {
    const qsizetype line = store.lineOf(current.caret);
    const qsizetype to = std::clamp<qsizetype>(line + lines, 0, store.lineCount() - 1);
    if (to == line) {
        if (extend && (lines == 1 || lines == -1))
            move(lines < 0 ? Move::Start : Move::End, true, geometry);
        return;
    }
    if (goal < 0)
        goal = geometry.x(line, current.caret - store.lineStart(line));
    const qsizetype position = store.lineStart(to) + geometry.offsetAt(to, goal);
    history.closeGroup();
    set({extend ? current.anchor : position, position});
}

qsizetype CaretModel::hit(qsizetype line, qreal x, LineGeometry& geometry) const {
    if (line < 0)
        return 0;
    if (line >= store.lineCount())
        return store.size();
    return motion.valid(store.lineStart(line) + geometry.offsetAt(line, x));
}

void CaretModel::placeAfterEdit(TextSelection selection) {
    goal = -1;
    set(selection);
}

void CaretModel::set(TextSelection selection) {
    const TextSelection before = current;
    current = {motion.valid(selection.anchor), motion.valid(selection.caret)};
    moved(before);
}
