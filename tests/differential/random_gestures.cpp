#include "tests/differential/random_gestures.h"

#include "tests/differential/chosen_differences.h"

#include <array>

namespace {

struct KeyChoice {
    int key;
    Qt::KeyboardModifiers modifiers;
    const char16_t* text = nullptr;
};

constexpr auto None = Qt::NoModifier;
constexpr auto Shift = Qt::ShiftModifier;
constexpr auto Ctrl = Qt::ControlModifier;
const Qt::KeyboardModifiers CtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

const KeyChoice keys[] = {
    {Qt::Key_Left, None},
    {Qt::Key_Right, None},
    {Qt::Key_Up, None},
    {Qt::Key_Down, None},
    {Qt::Key_Left, Shift},
    {Qt::Key_Right, Shift},
    {Qt::Key_Up, Shift},
    {Qt::Key_Down, Shift},
    {Qt::Key_Left, Ctrl},
    {Qt::Key_Right, Ctrl},
    {Qt::Key_Left, CtrlShift},
    {Qt::Key_Right, CtrlShift},
    {Qt::Key_Home, None},
    {Qt::Key_End, None},
    {Qt::Key_Home, Shift},
    {Qt::Key_End, Shift},
    {Qt::Key_Home, Ctrl},
    {Qt::Key_End, Ctrl},
    {Qt::Key_PageUp, None},
    {Qt::Key_PageDown, None},
    {Qt::Key_PageUp, Shift},
    {Qt::Key_PageDown, Shift},
    {Qt::Key_Backspace, None},
    {Qt::Key_Delete, None},
    {Qt::Key_Backspace, Ctrl},
    {Qt::Key_Delete, Ctrl},
    {Qt::Key_Return, None},
    {Qt::Key_Return, Shift},
    {Qt::Key_Z, Ctrl},
    {Qt::Key_A, Ctrl},
    {Qt::Key_C, Ctrl},
    {Qt::Key_X, Ctrl},
    {Qt::Key_V, Ctrl},
    {Qt::Key_A, None, u"a"},
    {Qt::Key_Space, None, u" "},
    {Qt::Key_Period, None, u"."},
    {Qt::Key_Tab, None, u"\t"},
    {Qt::Key_W, None, u"w"},
    // Rarer ones: the line's end deleted, the document's ends selected, the
    // clipboard's other keys, and keys that only some desktops bind.
    {Qt::Key_K, Ctrl},
    {Qt::Key_Home, CtrlShift},
    {Qt::Key_End, CtrlShift},
    {Qt::Key_Delete, Shift},
    {Qt::Key_Insert, Shift},
    {Qt::Key_Insert, Ctrl},
    {Qt::Key_Up, Ctrl},
    {Qt::Key_Down, Ctrl},
    {Qt::Key_Backspace, Shift},
    {Qt::Key_PageUp, Ctrl},
    {Qt::Key_PageDown, Ctrl},
};

const std::array<const char16_t*, 14> words = {
    u"alpha", u"beta", u"gamma", u"second", u"line", u"here", u"x\\y",
    u"a.b",   u"(c)",  u"--",    u"\t",     u"é",    u"  ",   u"wide",
};

} // namespace

QString RandomGestures::text() {
    const int lines = below(4) == 0 ? 40 + below(40) : 1 + below(12);
    QString text;
    for (int line = 0; line < lines; ++line) {
        if (line > 0)
            text += u'\n';
        const int count = below(6) == 0 ? 20 + below(20) : below(7);
        for (int word = 0; word < count; ++word) {
            if (word > 0)
                text += u' ';
            QString chosen = QString::fromUtf16(words[size_t(below(int(words.size())))]);
            text += chosen.removeIf(ChosenDifferences::leavesOutCharacter);
        }
    }
    return text;
}

std::vector<Gesture> RandomGestures::gestures(int count) {
    std::vector<Gesture> made;
    made.reserve(size_t(count));
    while (int(made.size()) < count)
        made.push_back(next());
    return made;
}

Gesture::Target RandomGestures::target(bool outsideToo) {
    using K = Gesture::Target::Kind;
    Gesture::Target t;
    t.where = fraction();
    t.across = fraction();
    t.x = below(300);
    const int kind = below(outsideToo ? 20 : 17);
    if (kind < 9) {
        t.kind = K::Character;
    } else if (kind < 12) {
        t.kind = K::PastLineEnd;
        t.beyond = 1 + below(80);
    } else if (kind < 13) {
        t.kind = K::TopMargin;
        t.beyond = below(4);
    } else if (kind < 15) {
        t.kind = K::BelowText;
        t.beyond = below(40);
    } else if (kind < 17) {
        t.kind = K::LeftMargin;
        t.beyond = below(4);
    } else {
        t.kind = K::Outside;
        t.side = below(4);
        t.beyond = 1 + below(60);
    }
    return t;
}

Gesture RandomGestures::key() {
    for (;;) {
        const KeyChoice& choice = keys[below(int(std::size(keys)))];
        if (ChosenDifferences::leavesOutKey(choice.key, choice.modifiers))
            continue;
        Gesture g;
        g.kind = Gesture::Kind::Key;
        g.key = choice.key;
        g.modifiers = choice.modifiers;
        if (choice.text)
            g.text = QString::fromUtf16(choice.text);
        return g;
    }
}

Gesture RandomGestures::next() {
    using K = Gesture::Kind;
    const int roll = below(100);
    if (roll < 40)
        return key();
    Gesture g;
    g.from = target(false);
    g.to = target(true);
    g.steps = 1 + below(4);
    if (roll < 52) {
        g.kind = K::Click;
    } else if (roll < 60) {
        g.kind = K::Click;
        g.modifiers = Qt::ShiftModifier;
    } else if (roll < 66) {
        g.kind = K::DoubleClick;
    } else if (roll < 70) {
        g.kind = K::TripleClick;
    } else if (roll < 78) {
        g.kind = K::Drag;
        g.modifiers = below(4) == 0 ? Qt::ShiftModifier : Qt::NoModifier;
    } else if (roll < 83) {
        g.kind = K::WordDrag;
    } else if (roll < 86) {
        g.kind = K::LineDrag;
    } else if (roll < 95) {
        g.kind = K::Wheel;
        static const Qt::KeyboardModifiers wheelModifiers[] = {None, None, Shift, Ctrl};
        g.modifiers = wheelModifiers[below(4)];
        const int delta = below(2) == 0 ? 120 : -120;
        (below(4) == 0 ? g.wheelX : g.wheelY) = delta;
    } else if (roll < 97) {
        g.kind = K::MiddleClick;
    } else {
        g.kind = K::Pause;
    }
    return g;
}
