#pragma once

#include "docfile/document_text.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <algorithm>
#include <vector>

// The text of a multi-line text box exactly as the program sees it, every
// line break as CR LF. A lone CR or a lone LF is an ordinary character of
// its line.
//
// The characters live in one gap buffer, so an edit moves only the text
// between the previous edit and this one, and a line-start index is kept up
// to date on every edit. They are kept as the document's code page keeps
// them, one byte each, until an edit brings in a character the code page
// cannot hold; from then on, until the whole text is set again, they are
// kept in UTF-16. Positions are the same either way. text() hands out the
// buffer itself (the gap moved to its end) rather than a copy: a search or
// a save that reads the text between two keystrokes copies nothing, and the
// next edit copies only if the caller still holds it.
class TextStore {
public:
    // A keystroke after a large text was set or read should not copy the
    // text again, and typing a long run should not move the tail each time:
    // the gap grows by at least minimumGap characters.
    static constexpr qsizetype DefaultMinimumGap = qsizetype(64) * 1024;
    explicit TextStore(qsizetype minimumGap = DefaultMinimumGap);

    // Replaces the whole text, taking over its memory where nobody else
    // holds it.
    void setText(DocumentText text);
    DocumentText text() const;
    qsizetype size() const;

    char16_t at(qsizetype position) const;
    // Characters [position, position + length), clamped to the text.
    QString mid(qsizetype position, qsizetype length) const;

    // Replaces length characters at position with inserted and updates the
    // line index, including a CR LF that the edit joins or splits.
    void replace(qsizetype position, qsizetype length, QStringView inserted);

    // Lines are numbered from 0; there is always at least one.
    qsizetype lineCount() const;
    qsizetype lineStart(qsizetype line) const;
    // Where the line's CR LF begins, or size() for the last line.
    qsizetype lineEnd(qsizetype line) const;
    // The line that holds position (0 to size()); a position between the CR
    // and the LF of a line break belongs to the line that the break ends.
    qsizetype lineOf(qsizetype position) const;
    // The line that holds offset when each line break counts as one
    // character, as a screen reader counts them: line n starts n earlier.
    qsizetype lineOfBreakAsOne(qsizetype offset) const;

    // Calls read with the text [position, position + length) in at most two
    // pieces, either side of the gap, as they are kept: a QByteArrayView of
    // the code page's bytes, or a QStringView. A scan of the whole text so
    // copies nothing.
    template <typename Read>
    void readPieces(qsizetype position, qsizetype length, Read read) const {
        const qsizetype to = position + length;
        const qsizetype gap = gapEnd - gapStart;
        const auto pieces = [&](const auto* data, auto view) {
            if (position < gapStart)
                read(decltype(view)(data + position, std::min(to, gapStart) - position));
            if (to > gapStart) {
                const qsizetype from = std::max(position, gapStart);
                read(decltype(view)(data + from + gap, to - from));
            }
        };
        if (form == DocumentText::Form::CodePage)
            pieces(bytes.constData(), QByteArrayView());
        else
            pieces(chars.constData(), QStringView());
    }

private:
    // Calls use with the buffer in use, bytes or characters.
    template <typename Use> decltype(auto) withBuffer(Use use) const {
        return form == DocumentText::Form::CodePage ? use(bytes) : use(chars);
    }
    // Puts the whole text into UTF-16, gap and all.
    void widen();
    void moveGapTo(qsizetype position) const;
    // Makes the gap at least needed long, and the buffer ours alone when
    // anything is to be written into it.
    void reserveGap(qsizetype needed);
    void updateLineStarts(qsizetype position, qsizetype removed, QStringView inserted);
    // Characters the buffer has room for, gap included.
    qsizetype capacity() const {
        return withBuffer([](const auto& buffer) { return buffer.size(); });
    }
    qsizetype startOf(qsizetype line) const;
    // The first line that starts past position, or lineCount().
    qsizetype lineAfter(qsizetype position) const;

    // The buffer: the code page's bytes while it holds every character,
    // else UTF-16. [0, gapStart) and [gapEnd, capacity()) of it hold the
    // text. Mutable: text() moves the gap to the end and shrinks the buffer
    // to the text.
    mutable QByteArray bytes;
    mutable QString chars;
    DocumentText::Form form = DocumentText::Form::CodePage;
    mutable qsizetype gapStart = 0;
    mutable qsizetype gapEnd = 0;
    // Line starts; starts[0] == 0. The starts from shiftedFrom on lack
    // pendingShift, which is added to them only as far as the next edit
    // lands: typing in the first line of a long text then costs no more than
    // in the last.
    std::vector<qsizetype> starts;
    qsizetype shiftedFrom = 1;
    qsizetype pendingShift = 0;
    qsizetype minimumGap;
};
