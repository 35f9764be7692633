#pragma once

#include "tests/differential/gesture.h"

#include <QString>

class TextBoxPair;

// The one place that says where our text view differs from QPlainTextEdit
// on purpose, and why; the differential test compares everything else.
//
// Some differences are never tried: the keys and characters below are not
// generated, and a gesture that would drag the selection is skipped for
// both boxes. One is recognised when it shows, and ends the comparison.
class ChosenDifferences {
public:
    // Keys we bind differently.
    static bool leavesOutKey(int key, Qt::KeyboardModifiers modifiers);
    // Characters a text never holds for the comparison.
    static bool leavesOutCharacter(QChar c);

    // Whether the gesture is skipped, as things stand in the pair.
    static bool skips(const Gesture& gesture, const TextBoxPair& pair);
    // Whether the boxes differ as chosen, in what differs (BoxState's
    // names): the comparison of the sequence ends there.
    static bool explains(const QStringList& differences, const TextBoxPair& pair);
};
