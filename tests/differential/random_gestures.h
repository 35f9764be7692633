#pragma once

#include "tests/differential/gesture.h"

#include <QString>
#include <random>
#include <vector>

// A text and a sequence of gestures made from a seed, the same for the same
// seed on any machine: keys (moving, selecting, typing, deleting, the
// clipboard), clicks, Shift+clicks, double and triple clicks, drags by
// characters, words and lines, in and out of the text and its margins, past
// line ends and below the last line, wheel steps and pauses.
class RandomGestures {
public:
    explicit RandomGestures(quint64 seed) : random(seed) {}

    // Lines of words, blanks, punctuation and tabs, some wider than the view,
    // sometimes more lines than fit.
    QString text();
    std::vector<Gesture> gestures(int count);

private:
    Gesture next();
    Gesture key();
    Gesture::Target target(bool outsideToo);
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
    double fraction() { return std::uniform_real_distribution<double>(0, 1)(random); }

    std::mt19937_64 random;
};
