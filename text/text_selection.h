#pragma once

#include <QtGlobal>
#include <algorithm>

// A selection as anchor and caret position; empty when they are equal.
struct TextSelection {
    qsizetype anchor = 0;
    qsizetype caret = 0;

    qsizetype start() const { return std::min(anchor, caret); }
    qsizetype end() const { return std::max(anchor, caret); }
    bool isEmpty() const { return anchor == caret; }
    bool operator==(const TextSelection&) const = default;
};
