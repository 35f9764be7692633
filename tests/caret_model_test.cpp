// Where the caret goes, on the text store alone: word steps, the caret
// model's vertical moves and hit testing, and what the pointer selects, with
// a geometry of fixed-width characters.
#include "text/caret_model.h"
#include "text/edit_history.h"
#include "text/line_geometry.h"
#include "text/pointer_selection.h"
#include "text/text_motion.h"
#include "text/text_store.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// Every character ten wide, every line left to right.
class FixedWidth : public LineGeometry {
public:
    explicit FixedWidth(const TextStore& store) : store(store) {}
    qreal x(qsizetype, qsizetype offset) override { return qreal(offset) * 10; }
    qsizetype offsetAt(qsizetype line, qreal x) override {
        const qsizetype length = store.lineEnd(line) - store.lineStart(line);
        return std::clamp<qsizetype>(qRound(x / 10), 0, length);
    }
    bool rightToLeft(qsizetype) override { return false; }

private:
    const TextStore& store;
};

// A text with its caret model, as a text box holds them.
struct Box {
    explicit Box(const QString& text) { store.setText(text); }

    std::vector<qsizetype> stops(qsizetype (TextMotion::*step)(qsizetype) const,
                                 qsizetype from) const {
        std::vector<qsizetype> result;
        for (qsizetype at = (motion.*step)(from); at != from; at = (motion.*step)(from)) {
            result.push_back(at);
            from = at;
        }
        return result;
    }

    TextStore store;
    EditHistory history;
    TextMotion motion{store};
    FixedWidth geometry{store};
    int moves = 0;
    CaretModel model{store, history, [this](TextSelection) { ++moves; }};
};

using Stops = std::vector<qsizetype>;
using Word = std::pair<qsizetype, qsizetype>;

TEST(TextMotionTest, WordsStopAtPunctuationTheBackslashIncludedAndAtLineEnds) {
    const Box path(QStringLiteral("x\\y z\r\nback\\slash"));
    EXPECT_EQ(path.stops(&TextMotion::nextWord, 0), (Stops{1, 2, 4, 5, 7, 11, 12, 17}));
    EXPECT_EQ(path.stops(&TextMotion::previousWord, 17), (Stops{12, 11, 7, 5, 4, 2, 1, 0}));

    // Runs of punctuation go together; blanks go with the word before.
    const Box prose(QStringLiteral("foo.bar  baz, qux--x"));
    EXPECT_EQ(prose.stops(&TextMotion::nextWord, 0), (Stops{3, 4, 9, 12, 14, 17, 19, 20}));
    EXPECT_EQ(prose.motion.wordAt(0), Word(0, 3));
    EXPECT_EQ(prose.motion.wordAt(6), Word(4, 7));
    EXPECT_EQ(prose.motion.wordAt(17), Word(17, 19)) << "the dashes";

    // A word longer than one read of the store is still one word.
    QString text = QStringLiteral("a ") + QString(10'000, u'w') + QStringLiteral(" b");
    const Box longWord(text);
    EXPECT_EQ(longWord.motion.nextWord(2), 10'003);
    EXPECT_EQ(longWord.motion.previousWord(10'002), 2);
    EXPECT_EQ(longWord.motion.wordAt(7'000), Word(2, 10'002));
}

TEST(CaretModelTest, UpAndDownKeepTheirColumnAndStopAtTheFirstAndLastLine) {
    Box box(QStringLiteral("abc def\r\nxy\r\nabcdefgh"));
    CaretModel& model = box.model;
    model.moveTo(5, false);
    model.moveLines(1, false, box.geometry);
    EXPECT_EQ(model.caret(), 11) << "the short line's end";
    model.moveLines(1, false, box.geometry);
    EXPECT_EQ(model.caret(), 18) << "back in the column Down started from";

    // Past the last line: nothing moves, and Shift selects to the end.
    model.select({15, 18});
    const int movesBefore = box.moves;
    model.moveLines(1, false, box.geometry);
    EXPECT_EQ(model.selection(), (TextSelection{15, 18}));
    EXPECT_EQ(box.moves, movesBefore) << "nothing asked to move";
    model.moveLines(1, true, box.geometry);
    EXPECT_EQ(model.selection(), (TextSelection{15, 21}));

    // Past the first line: the same, towards the start.
    model.select({1, 3});
    model.moveLines(-1, false, box.geometry);
    EXPECT_EQ(model.selection(), (TextSelection{1, 3}));
    model.moveTo(3, false);
    model.moveLines(-1, true, box.geometry);
    EXPECT_EQ(model.selection(), (TextSelection{3, 0}));
    model.moveLines(1, true, box.geometry);
    EXPECT_EQ(model.selection(), (TextSelection{3, 9})) << "the goal was the start's column";

    // A page moves many lines and clamps at the last.
    model.moveTo(1, false);
    model.moveLines(10, false, box.geometry);
    EXPECT_EQ(model.caret(), 14);
}

TEST(CaretModelTest, APressAboveTheFirstLineOrBelowTheLastLandsAtTheTextsEnds) {
    Box box(QStringLiteral("alpha\r\nbeta"));
    EXPECT_EQ(box.model.hit(-1, 25, box.geometry), 0);
    EXPECT_EQ(box.model.hit(2, 5, box.geometry), 11);
    EXPECT_EQ(box.model.hit(1, 21, box.geometry), 9) << "the nearest caret offset";
    EXPECT_EQ(box.model.hit(0, 900, box.geometry), 5) << "past the line's end";
    EXPECT_EQ(box.model.hit(0, -3, box.geometry), 0) << "in the margin on its left";
}

TEST(PointerSelectionTest, ShiftAndDragsExtendByTheChosenWordOrLine) {
    // Words at 0-5, 6-10, 11-16 and on the next line 18-24 and 25-29.
    Box box(QStringLiteral("alpha beta gamma\r\nsecond line"));
    PointerSelection pointer(box.store, box.model, box.geometry);
    pointer.chooseWord(13);
    EXPECT_EQ(box.model.selection(), (TextSelection{11, 16}));
    EXPECT_FALSE(pointer.extendTo(3, 45));
    EXPECT_EQ(box.model.selection(), (TextSelection{16, 5})) << "alpha joins past its middle";
    pointer.extendTo(3, 15);
    EXPECT_EQ(box.model.selection(), (TextSelection{16, 0}));
    EXPECT_TRUE(pointer.extendTo(12, 125)) << "back on the chosen word";
    EXPECT_EQ(box.model.selection(), (TextSelection{11, 16}));
    pointer.extendTo(26, 95);
    EXPECT_EQ(box.model.selection(), (TextSelection{11, 29}));
    pointer.extendTo(26, 6000);
    EXPECT_EQ(box.model.selection(), (TextSelection{11, 29})) << "x past the word changes nothing";
    pointer.extendTo(18, 0);
    EXPECT_EQ(box.model.selection(), (TextSelection{11, 29})) << "a line's start is no word";
    pointer.extendTo(26, 85);
    EXPECT_EQ(box.model.selection(), (TextSelection{11, 25})) << "short of the middle";

    // An edit before the chosen word moves it along; keys leave it chosen.
    box.store.replace(0, 0, u"xx");
    pointer.edited(0, 0, 2);
    box.model.moveTo(0, false);
    pointer.extendTo(4, 10);
    EXPECT_EQ(box.model.selection(), (TextSelection{18, 0}));

    // A line chosen by a triple click extends whole, with its line break.
    pointer.place(22);
    pointer.chooseLine();
    EXPECT_EQ(box.model.selection(), (TextSelection{20, 31}));
    pointer.extendTo(3, 30);
    EXPECT_EQ(box.model.selection(), (TextSelection{31, 0}));
    pointer.place(3);
    pointer.chooseLine();
    EXPECT_EQ(box.model.selection(), (TextSelection{0, 20}));
    pointer.extendTo(25, 30);
    EXPECT_EQ(box.model.selection(), (TextSelection{0, 31}));

    // A release that placed the caret keeps the line; a press forgets it.
    pointer.placeKeepingUnit(5);
    pointer.extendTo(25, 30);
    EXPECT_EQ(box.model.selection(), (TextSelection{0, 31}));
    pointer.place(5);
    EXPECT_FALSE(pointer.holdsUnit());
    pointer.extendTo(25, 30);
    EXPECT_EQ(box.model.selection(), (TextSelection{5, 25})) << "by characters";
}

TEST(PointerSelectionTest, WhatIsChosenAgainKeepsTheColumnItWasChosenAt) {
    // Up and Down from a word or a line chosen again start from where its
    // caret stood when it was first chosen, though an edit has moved it.
    Box box(QStringLiteral("alpha beta gamma\r\nsecond line\r\nx"));
    PointerSelection pointer(box.store, box.model, box.geometry);
    pointer.chooseWord(7);
    box.store.replace(0, 0, u"xx");
    pointer.edited(0, 0, 2);
    box.model.moveTo(0, false);
    EXPECT_TRUE(pointer.extendTo(9, 90));
    EXPECT_EQ(box.model.selection(), (TextSelection{8, 12}));
    box.model.moveLines(1, false, box.geometry);
    EXPECT_EQ(box.model.caret(), 30) << "the column of beta's end when chosen, not now";

    pointer.place(33);
    pointer.chooseLine();
    EXPECT_EQ(box.model.selection(), (TextSelection{33, 34}));
    box.store.replace(33, 0, u"yyy");
    pointer.edited(33, 0, 3);
    EXPECT_TRUE(pointer.extendTo(36, 0));
    box.model.moveLines(-1, true, box.geometry);
    EXPECT_EQ(box.model.selection(), (TextSelection{36, 21}));
    box.model.moveTo(37, false);
    box.model.moveLines(-1, false, box.geometry);
    EXPECT_EQ(box.model.caret(), 24) << "a caret placed otherwise starts from its own x";
}

} // namespace
