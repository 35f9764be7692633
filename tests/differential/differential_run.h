#pragma once

#include "tests/differential/box_state.h"
#include "tests/differential/gesture.h"

#include <QString>
#include <optional>
#include <vector>

class TextBoxPair;

// Makes a sequence of gestures to both boxes of a pair, comparing what a
// person sees after every one, and finds the shortest sequence that still
// ends in a difference.
class DifferentialRun {
public:
    struct Divergence {
        size_t index = 0; // of the gesture after which the boxes differed
        QString kind;     // the gesture's kind and what differed, for counting
        BoxState reference;
        BoxState ours;
        bool chosen = false; // a difference ChosenDifferences explains
    };

    // The first difference, if any; skipped gestures (ChosenDifferences)
    // are made to neither box. A chosen difference ends the run too.
    static std::optional<Divergence> run(TextBoxPair& pair, const QString& text,
                                         const std::vector<Gesture>& gestures);
    // A shorter sequence that still ends in a difference not chosen: gestures are
    // left out, longest runs first, while one remains.
    static std::vector<Gesture> shrink(TextBoxPair& pair, const QString& text,
                                       std::vector<Gesture> gestures);
    // The text, the sequence with where each gesture left both selections,
    // and the difference, for a person to replay.
    static QString report(TextBoxPair& pair, const QString& text,
                          const std::vector<Gesture>& gestures, const Divergence& divergence);
};
