#pragma once

#include <QtGlobal>

// What the caret model needs to know of how lines are laid out: the x of an
// offset in a line and back, so that Up and Down keep a column, and which
// way a line reads, so that the arrows move logically on it. Offsets count
// from the start of their line.
class LineGeometry {
public:
    virtual qreal x(qsizetype line, qsizetype offset) = 0;
    // The caret offset nearest to x.
    virtual qsizetype offsetAt(qsizetype line, qreal x) = 0;
    virtual bool rightToLeft(qsizetype line) = 0;

protected:
    ~LineGeometry() = default;
};
