#pragma once

#include <QString>
#include <Qt>

// One thing a person does to a text box, in terms that both boxes of a
// TextBoxPair understand: a key, a mouse gesture aimed at a place in the
// text, a wheel step or a pause.
struct Gesture {
    // Where a mouse gesture points, worked out from the reference box's own
    // layout when the gesture is made, so that a gesture still aims at the
    // same character after the gestures before it changed.
    struct Target {
        enum class Kind {
            Character,   // inside the character at position, `across` of its width
            PastLineEnd, // `beyond` pixels right of the end of position's line
            TopMargin,   // in the margin above the first line, at x
            BelowText,   // `beyond` pixels below the last line, at x
            LeftMargin,  // in the margin left of position's line
            Outside,     // `beyond` pixels outside the text area, on side `side`
        };
        Kind kind = Kind::Character;
        double where = 0;  // how far into the text the aimed position lies, 0 to 1
        double across = 0; // how far across the character, 0 to 1
        int beyond = 0;
        int x = 0;
        int side = 0; // 0 above, 1 below, 2 left, 3 right
    };

    enum class Kind {
        Key,
        Click,
        MiddleClick,
        DoubleClick,
        TripleClick,
        Drag,     // press at from, move to to in steps, release there
        WordDrag, // double click at from, then drag to to
        LineDrag, // triple click at from, then drag to to
        Wheel,
        Pause, // lets the double click's time pass
    };

    Kind kind = Kind::Key;
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    QString text; // what a key types
    Target from;
    Target to;
    int steps = 1;
    int wheelX = 0; // a wheel's angle delta
    int wheelY = 0;

    // For a person reading a failure: what the gesture does.
    QString describe() const;
};
