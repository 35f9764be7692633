#pragma once

#include "text/text_store.h"

#include <utility>

// Where the caret goes when it moves by a character or a word, read straight
// from a TextStore a few thousand characters at a time, so that a move in a
// line of ten megabytes costs no more than in a short one.
//
// A line break (CR LF) counts as one character, and the caret never rests
// between its CR and LF or between the halves of a surrogate pair. Words
// follow QTextCursor's NextWord and PreviousWord: a run of word characters
// or a run of punctuation, then the blanks after it; a move from the end of
// a line goes to the next line's start.
class TextMotion {
public:
    explicit TextMotion(const TextStore& store) : store(store) {}

    // position clamped to the text and moved off the middle of a CR LF
    // (onto the end of its line) or of a surrogate pair.
    qsizetype valid(qsizetype position) const;

    // The next or previous grapheme boundary; over a line break as a whole.
    qsizetype nextCharacter(qsizetype position) const;
    qsizetype previousCharacter(qsizetype position) const;
    // Where Backspace deletes back to: one code point, or a whole line break.
    qsizetype previousCodePoint(qsizetype position) const;

    qsizetype nextWord(qsizetype position) const;
    qsizetype previousWord(qsizetype position) const;
    // The word (or run of punctuation) that a double click at position
    // selects, as QTextCursor::WordUnderCursor finds it.
    std::pair<qsizetype, qsizetype> wordAt(qsizetype position) const;

private:
    template <typename Keep>
    qsizetype skipForward(qsizetype position, qsizetype limit, Keep keep) const;
    template <typename Keep>
    qsizetype skipBackward(qsizetype position, qsizetype limit, Keep keep) const;
    // previousWord() inside the line that starts at lineStart.
    qsizetype wordStartBefore(qsizetype position, qsizetype lineStart) const;
    qsizetype wordEndAfter(qsizetype position, qsizetype lineEnd) const;

    const TextStore& store;
};
