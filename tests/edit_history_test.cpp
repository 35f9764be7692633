// Undo and redo played on a plain string the way the text box plays them.
#include "text/edit_history.h"

#include <gtest/gtest.h>

namespace {

using Kind = EditHistory::Kind;

// A text box reduced to its text, its selection and its history.
struct Box {
    QString text;
    TextSelection selection;
    EditHistory history;

    void edit(Kind kind, qsizetype position, qsizetype length, const QString& inserted) {
        const TextSelection before = selection;
        TextChange change{position, text.mid(position, length), inserted};
        text.replace(position, length, inserted);
        selection = {position + inserted.size(), position + inserted.size()};
        history.record(kind, std::move(change), before, selection);
    }
    void type(const QString& keys) {
        for (const QChar key : keys)
            edit(Kind::Typing, std::min(selection.anchor, selection.caret),
                 std::abs(selection.anchor - selection.caret), QString(key));
    }
    void backspace() { edit(Kind::Deleting, selection.caret - 1, 1, QString()); }
    void del() { edit(Kind::Deleting, selection.caret, 1, QString()); }
    void select(qsizetype anchor, qsizetype caret) {
        selection = {anchor, caret};
        history.closeGroup();
    }
    bool undo() { return play(history.undo(), false); }
    bool redo() { return play(history.redo(), true); }
    bool play(const EditHistory::Step* step, bool forward) {
        if (!step)
            return false;
        for (qsizetype i = 0, n = qsizetype(step->changes.size()); i < n; ++i) {
            const TextChange& c = step->changes[size_t(forward ? i : n - 1 - i)];
            text.replace(c.position, (forward ? c.removed : c.inserted).size(),
                         forward ? c.inserted : c.removed);
        }
        selection = forward ? step->after : step->before;
        return true;
    }
};

} // namespace

TEST(EditHistoryTest, TypingIsOneStepUntilTheCaretMoves) {
    Box box;
    box.type(QStringLiteral("abc"));
    box.select(1, 1);
    box.type(QStringLiteral("XY"));
    box.select(0, 2);
    box.type(QStringLiteral("QR")); // over the selection "aX"
    ASSERT_TRUE(box.undo());
    EXPECT_EQ(box.text, QStringLiteral("aXYbc"));
    EXPECT_EQ(box.selection, (TextSelection{0, 2}));
    ASSERT_TRUE(box.undo());
    EXPECT_EQ(box.text, QStringLiteral("abc"));
    EXPECT_EQ(box.selection, (TextSelection{1, 1}));
    ASSERT_TRUE(box.undo());
    EXPECT_EQ(box.text, QString());
    EXPECT_FALSE(box.undo());

    ASSERT_TRUE(box.redo() && box.redo() && box.redo());
    EXPECT_EQ(box.text, QStringLiteral("QRYbc"));
    EXPECT_EQ(box.selection, (TextSelection{2, 2}));
    EXPECT_FALSE(box.redo());

    // Typing over a selection begins a step even where nothing closed the
    // group before it.
    box.type(QStringLiteral("T"));
    box.selection = {3, 5};
    box.type(QStringLiteral("S"));
    ASSERT_TRUE(box.undo());
    EXPECT_EQ(box.text, QStringLiteral("QRTYbc"));
    EXPECT_EQ(box.selection, (TextSelection{3, 5}));
}

TEST(EditHistoryTest, BackspaceAndDeleteRunsAreOneStepEach) {
    Box box;
    box.edit(Kind::Command, 0, 0, QStringLiteral("hello world"));
    box.select(5, 5);
    box.backspace();
    box.backspace();
    box.del();
    box.del();
    box.type(QStringLiteral("y")); // parts the deletions around it
    box.del();
    EXPECT_EQ(box.text, QStringLiteral("helyrld"));
    ASSERT_TRUE(box.undo() && box.undo());
    EXPECT_EQ(box.text, QStringLiteral("helorld"));
    ASSERT_TRUE(box.undo());
    EXPECT_EQ(box.text, QStringLiteral("hello world"));
    EXPECT_EQ(box.selection, (TextSelection{5, 5}));

    // A deletion elsewhere does not join the run even if the caret was not
    // reported to have moved.
    box.select(11, 11);
    box.backspace();
    box.edit(Kind::Deleting, 0, 1, QString());
    ASSERT_TRUE(box.undo());
    EXPECT_EQ(box.text, QStringLiteral("hello worl"));
}

TEST(EditHistoryTest, CommandsStandAloneAndANewEditForgetsRedo) {
    Box box;
    box.type(QStringLiteral("ab"));
    box.edit(Kind::Command, 2, 0, QStringLiteral("XY"));
    box.edit(Kind::Command, 4, 0, QStringLiteral("Z"));
    box.type(QStringLiteral("c"));
    ASSERT_TRUE(box.undo() && box.undo());
    EXPECT_EQ(box.text, QStringLiteral("abXY"));
    ASSERT_TRUE(box.undo());
    EXPECT_EQ(box.text, QStringLiteral("ab"));
    EXPECT_TRUE(box.history.canRedo());

    // Typing right after an undo must not join the step before it either.
    box.type(QStringLiteral("d"));
    EXPECT_FALSE(box.redo());
    ASSERT_TRUE(box.undo());
    EXPECT_EQ(box.text, QStringLiteral("ab"));
}

TEST(EditHistoryTest, AStepOfSeveralChangesIsUndoneAndRedoneWhole) {
    Box box;
    box.edit(Kind::Command, 0, 0, QStringLiteral("one two three"));
    box.select(4, 7); // "two", moved to the front as a drop would move it
    const TextSelection before = box.selection;
    box.text = QStringLiteral("twoone  three");
    box.selection = {3, 3};
    box.history.record(
        {{4, QStringLiteral("two"), QString()}, {0, QString(), QStringLiteral("two")}}, before,
        box.selection);
    box.type(QStringLiteral("!"));
    ASSERT_TRUE(box.undo());
    EXPECT_EQ(box.text, QStringLiteral("twoone  three")) << "typing after it is a step of its own";
    ASSERT_TRUE(box.undo());
    EXPECT_EQ(box.text, QStringLiteral("one two three"));
    EXPECT_EQ(box.selection, before);
    ASSERT_TRUE(box.redo());
    EXPECT_EQ(box.text, QStringLiteral("twoone  three"));
    EXPECT_EQ(box.selection, (TextSelection{3, 3}));
}
