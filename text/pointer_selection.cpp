#include "text/pointer_selection.h"

#include "text/caret_model.h"
#include "text/line_geometry.h"
#include "text/text_store.h"

PointerSelection::PointerSelection(const TextStore& store, CaretModel& model,
                                   LineGeometry& geometry)
    : store(store), model(model), geometry(geometry), motion(store) {}

void PointerSelection::place(qsizetype position) {
    word = line = {};
    model.select({position, position});
}

void PointerSelection::placeKeepingUnit(qsizetype position) {
    model.select({position, position});
}

void PointerSelection::chooseWord(qsizetype position) {
    const qsizetype row = store.lineOf(motion.valid(position));
    if (store.lineEnd(row) > store.lineStart(row)) {
        const auto [start, end] = motion.wordAt(motion.valid(position));
        model.select({start, end});
    } else {
        model.select({position, position});
    }
    word = model.selection();
    wordX = caretX();
}

void PointerSelection::chooseLine() {
    const qsizetype row = store.lineOf(model.caret());
    const bool last = row + 1 == store.lineCount();
    model.select({store.lineStart(row), last ? store.lineEnd(row) : store.lineStart(row + 1)});
    line = model.selection();
    lineX = caretX();
}

qreal PointerSelection::caretX() const {
    const qsizetype caret = model.caret();
    const qsizetype row = store.lineOf(caret);
    return geometry.x(row, caret - store.lineStart(row));
}

void PointerSelection::edited(qsizetype position, qsizetype removed, qsizetype inserted) {
    const auto follow = [&](qsizetype& at) {
        if (at < position)
            return;
        at = at < position + removed ? position : at - removed;
        at += inserted;
    };
    for (TextSelection* chosen : {&word, &line}) {
        follow(chosen->anchor);
        follow(chosen->caret);
    }
}

bool PointerSelection::extendTo(qsizetype position, qreal x) {
    if (!line.isEmpty())
        return extendByLines(position);
    if (!word.isEmpty())
        return extendByWords(position, x);
    model.select({model.anchor(), position});
    return false;
}

bool PointerSelection::extendByLines(qsizetype position) {
    if (position >= line.start() && position <= line.end()) {
        model.reselect(line, lineX);
        return true;
    }
    const qsizetype row = store.lineOf(position);
    const bool last = row + 1 == store.lineCount();
    if (position < line.end())
        model.select({line.end(), store.lineStart(row)});
    else
        model.select({line.start(), last ? store.lineEnd(row) : store.lineStart(row + 1)});
    return false;
}

bool PointerSelection::extendByWords(qsizetype position, qreal x) {
    if (position >= word.start() && position <= word.end()) {
        model.reselect(word, wordX);
        return true;
    }
    // The word under the pointer, where QTextCursor's StartOfWord and
    // EndOfWord find one; at a line's start or among blanks there is none,
    // and nothing changes.
    const qsizetype row = store.lineOf(position);
    const qsizetype lineStart = store.lineStart(row);
    const auto [start, end] = motion.wordAt(position);
    if (position == lineStart || start == end)
        return false;
    const qreal startX = geometry.x(row, start - lineStart);
    const qreal endX = geometry.x(row, end - lineStart);
    if (x < startX || x > endX)
        return false;
    const qsizetype anchor = position < word.end() ? word.end() : word.start();
    model.select({anchor, x - startX < endX - x ? start : end});
    return false;
}
