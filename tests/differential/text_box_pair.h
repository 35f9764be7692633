#pragma once

#include "tests/differential/box_state.h"
#include "tests/differential/gesture.h"
#include "textview/text_view.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QWidget>
#include <memory>

// Our TextView and a QPlainTextEdit side by side in one window, laid out
// alike (the same size, font, margins, scroll bars, no wrapping), to which
// the same gestures are made one after the other.
class TextBoxPair {
public:
    TextBoxPair();

    // Both start afresh with text (line breaks as LF), scrolled to the top.
    void setText(const QString& text);
    // Makes the gesture to the reference, then to ours.
    void apply(const Gesture& gesture);

    BoxState ours() const;
    BoxState reference() const;
    // Where the reference puts the caret for a press at target, in our
    // positions (CR LF line breaks).
    qsizetype referenceHit(const Gesture::Target& target) const;

    // Whether the reference's horizontal scroll range is other than its
    // lines need: it counts only the lines it has laid out, and keeps the
    // width of a widest line that an edit took away.
    bool referenceRangeIsOff() const;

private:
    qsizetype ourPosition(int referencePosition) const;
    QPoint pointFor(const Gesture::Target& target) const;
    std::unique_ptr<QTextLayout> referenceLine(const QTextBlock& block) const;
    QRect referenceCursorRect(int position) const;
    void make(const Gesture& gesture, QAbstractScrollArea& box, QPoint from, QPoint to);

    QWidget window;
    QPlainTextEdit* plain;
    TextView* view;
};
