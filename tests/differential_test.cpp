// Our text view against a QPlainTextEdit in the same window: the same seeded
// gestures to both, and after every one the same text, caret, selection and
// scroll position, but for the differences tests/differential declares.
#include "tests/differential/differential_run.h"
#include "tests/differential/random_gestures.h"
#include "tests/differential/text_box_pair.h"

#include <gtest/gtest.h>

namespace {

// Enough to meet every kind of gesture many times in a few seconds; the
// long runs are differential_soak's (see the README).
constexpr quint64 Sequences = 200;
constexpr int GesturesEach = 100;

// Runs one seeded sequence through the pair; a difference not chosen fails
// with the shortest sequence that shows it. Returns the gestures made.
int compare(TextBoxPair& pair, quint64 seed, int length) {
    RandomGestures random(seed);
    const QString text = random.text();
    const std::vector<Gesture> gestures = random.gestures(length);
    const auto divergence = DifferentialRun::run(pair, text, gestures);
    if (divergence && !divergence->chosen) {
        const std::vector<Gesture> shortest = DifferentialRun::shrink(pair, text, gestures);
        if (const auto again = DifferentialRun::run(pair, text, shortest))
            ADD_FAILURE() << "seed " << seed << ", "
                          << DifferentialRun::report(pair, text, shortest, *again).toStdString();
        else
            ADD_FAILURE() << "seed " << seed << ": the shortened sequence no longer differs";
    }
    return divergence ? int(divergence->index) + 1 : length;
}

TEST(TextViewAgainstQPlainTextEdit, SeededGesturesEndAlike) {
    TextBoxPair pair;
    int made = 0;
    for (quint64 seed = 1; seed <= Sequences; ++seed)
        made += compare(pair, seed, GesturesEach);
    EXPECT_GE(made, int(Sequences) * GesturesEach / 2) << "most sequences ran to their end";
}

Gesture key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
    Gesture g;
    g.key = key;
    g.modifiers = modifiers;
    g.text = text;
    return g;
}

// A mouse gesture at the character `where` into the text, or at a target.
Gesture pointer(Gesture::Kind kind, double where,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Gesture g;
    g.kind = kind;
    g.modifiers = modifiers;
    g.from.where = where;
    g.from.across = 0.5;
    return g;
}

Gesture pointer(Gesture::Kind kind, Gesture::Target target,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Gesture g = pointer(kind, 0, modifiers);
    g.from = target;
    return g;
}

Gesture wheel(int delta) {
    Gesture g = pointer(Gesture::Kind::Wheel, 0.5);
    g.wheelY = delta;
    return g;
}

void expectAlike(TextBoxPair& pair, const QString& text, const std::vector<Gesture>& gestures,
                 const char* scenario) {
    if (const auto divergence = DifferentialRun::run(pair, text, gestures))
        ADD_FAILURE() << scenario << ": "
                      << DifferentialRun::report(pair, text, gestures, *divergence).toStdString();
}

TEST(TextViewAgainstQPlainTextEdit, PageKeysForgetTheirPlaceOnlyWhenQPlainTextEditsCursorMoves) {
    // PageUp and PageDown keep the caret as far from the top as the first
    // of them found it, until the caret moves. To QPlainTextEdit an edit
    // that takes text from behind its cursor moves it, select all and an
    // edit in front of it do not; a wheel step moves nothing.
    QString text;
    for (int line = 0; line < 60; ++line)
        text += QStringLiteral("line %1 with some words\n").arg(line);
    using K = Gesture::Kind;
    const struct {
        const char* scenario;
        std::vector<Gesture> between;
    } cases[] = {
        {"Delete", {key(Qt::Key_Delete)}},
        {"Backspace", {key(Qt::Key_Backspace)}},
        {"Ctrl+Backspace", {key(Qt::Key_Backspace, Qt::ControlModifier)}},
        {"Ctrl+Delete", {key(Qt::Key_Delete, Qt::ControlModifier)}},
        {"Ctrl+K", {key(Qt::Key_K, Qt::ControlModifier)}},
        {"typing", {key(Qt::Key_W, Qt::NoModifier, QStringLiteral("w"))}},
        {"select all", {key(Qt::Key_A, Qt::ControlModifier)}},
        {"cut with the caret first",
         {key(Qt::Key_PageUp, Qt::ShiftModifier), key(Qt::Key_X, Qt::ControlModifier)}},
        {"cut with the caret last",
         {key(Qt::Key_PageDown, Qt::ShiftModifier), key(Qt::Key_X, Qt::ControlModifier)}},
    };
    TextBoxPair pair;
    for (const auto& c : cases) {
        std::vector<Gesture> gestures = {pointer(K::Click, 0.0), key(Qt::Key_PageDown),
                                         key(Qt::Key_PageDown)};
        gestures.insert(gestures.end(), c.between.begin(), c.between.end());
        for (const Gesture& g :
             {wheel(-120), key(Qt::Key_PageUp), wheel(120), key(Qt::Key_PageDown)})
            gestures.push_back(g);
        expectAlike(pair, text, gestures, c.scenario);
    }
}

TEST(TextViewAgainstQPlainTextEdit, AWordOrLineChosenAgainKeepsTheColumnItWasChosenAt) {
    using K = Gesture::Kind;
    using T = Gesture::Target::Kind;
    // The last line's caret stays on it when the line is chosen.
    const QString text = QStringLiteral("second line here\na.b a.b");
    Gesture::Target below;
    below.kind = T::BelowText;
    below.x = 272;
    Gesture::Target left;
    left.kind = T::LeftMargin;
    left.where = 0.8;
    TextBoxPair pair;
    expectAlike(pair, text,
                {pointer(K::TripleClick, 0.9), pointer(K::Click, below), key(Qt::Key_Return),
                 pointer(K::Click, left, Qt::ShiftModifier), key(Qt::Key_Up), key(Qt::Key_Down)},
                "a line chosen again after an edit");
    expectAlike(pair, text,
                {pointer(K::DoubleClick, 0.1), key(Qt::Key_Home),
                 key(Qt::Key_W, Qt::NoModifier, QStringLiteral("ww")),
                 pointer(K::Click, 0.2, Qt::ShiftModifier), key(Qt::Key_Down), key(Qt::Key_Up)},
                "a word chosen again after typing before it");
}

} // namespace
