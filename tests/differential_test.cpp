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

TEST(TextViewAgainstQPlainTextEdit, SeededGesturesEndAlike) {
    TextBoxPair pair;
    int made = 0;
    for (quint64 seed = 1; seed <= Sequences; ++seed) {
        RandomGestures random(seed);
        const QString text = random.text();
        const std::vector<Gesture> gestures = random.gestures(GesturesEach);
        const auto divergence = DifferentialRun::run(pair, text, gestures);
        made += divergence ? int(divergence->index) + 1 : GesturesEach;
        if (!divergence || divergence->chosen)
            continue;
        const std::vector<Gesture> shortest = DifferentialRun::shrink(pair, text, gestures);
        const auto again = DifferentialRun::run(pair, text, shortest);
        ASSERT_TRUE(again) << "seed " << seed << ": the shortened sequence no longer differs";
        ADD_FAILURE() << "seed " << seed << ", "
                      << DifferentialRun::report(pair, text, shortest, *again).toStdString();
    }
    EXPECT_GE(made, int(Sequences) * GesturesEach / 2) << "most sequences ran to their end";
}

} // namespace
