#include "tests/editor_test.h"

#include <QClipboard>
#include <QGuiApplication>

// What a person gets from the editor's text area by keyboard and clipboard,
// read back through the program's own view of the text (CR LF line breaks,
// 0-based selection positions): the contract whichever widget shows it.
namespace {

class TextFrameTest : public EditorTest {
protected:
    QWidget* area() { return window()->findChild<QWidget*>(QStringLiteral("text_frame")); }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(area(), k, mods);
    }
    void type(const QString& s) { QTest::keyClicks(area(), s); }
    QString text() { return w.text_frame.text(); }
    // The selection as start and length.
    std::pair<qsizetype, qsizetype> selection() {
        return {w.text_frame.selStart(), w.text_frame.selLength()};
    }
    using Sel = std::pair<qsizetype, qsizetype>;
};

TEST_F(TextFrameTest, EnterTabBackspaceAndDeleteTreatALineBreakAsOne) {
    type(QStringLiteral("ab"));
    key(Qt::Key_Return);
    key(Qt::Key_Tab);
    type(QStringLiteral("c"));
    EXPECT_EQ(text(), QStringLiteral("ab\r\n\tc"));
    key(Qt::Key_Home);
    key(Qt::Key_Backspace);
    EXPECT_EQ(text(), QStringLiteral("ab\tc"));
    EXPECT_EQ(selection(), Sel(2, 0));
    key(Qt::Key_Return);
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    EXPECT_EQ(selection(), Sel(1, 0));
    key(Qt::Key_Right);
    key(Qt::Key_Delete);
    EXPECT_EQ(text(), QStringLiteral("ab\tc"));

    // A character outside the basic plane is one keystroke's worth.
    w.text_frame.setText(QStringLiteral("x\U0001F600y"));
    key(Qt::Key_End);
    key(Qt::Key_Left);
    key(Qt::Key_Backspace);
    EXPECT_EQ(text(), QStringLiteral("xy"));
}

TEST_F(TextFrameTest, KeysMoveAndExtendTheSelectionByCharacterWordLineAndText) {
    // The last line starts as the first does, so that a column is at the
    // same place on both whatever the font.
    w.text_frame.setText(QStringLiteral("alpha beta\r\ngamma\r\nalpha beta gam"));
    key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(selection(), Sel(0, 10));
    key(Qt::Key_Home);
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(selection(), Sel(6, 0));
    key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selection(), Sel(6, 4));
    // Down keeps the column where the next line is long enough.
    key(Qt::Key_Down);
    EXPECT_EQ(selection(), Sel(17, 0));
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selection(), Sel(17, 12));
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(selection(), Sel(33, 0));
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(selection(), Sel(30, 0));
    key(Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selection(), Sel(0, 30));
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selection(), Sel(0, 33));
    type(QStringLiteral("z"));
    EXPECT_EQ(text(), QStringLiteral("z"));
}

TEST_F(TextFrameTest, PasteBringsLineBreaksAsCrLfAndCopyGivesThemAsLf) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("one\ntwo\r\nthree\rfour"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("one\r\ntwo\r\nthree\r\nfour"));
    EXPECT_TRUE(w.isChanged());

    w.text_frame.setSelStart(2);
    w.text_frame.setSelLength(9);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QStringLiteral("e\ntwo\nt"));
    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("onhree\r\nfour"));
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(text(), QStringLiteral("onhree\r\nfoure\r\ntwo\r\nt"));
}

TEST_F(TextFrameTest, UndoTakesBackTypingAsOneStepAndNeverTheOpenedText) {
    const QString file = path(QStringLiteral("doc.txt"));
    put(file, "\"opened\"\r\n");
    services.fileAnswers << file;
    ctrl(Qt::Key_O);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("opened"));

    key(Qt::Key_End);
    type(QStringLiteral(" and typed"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("opened"));
    EXPECT_EQ(selection(), Sel(6, 0));
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(text(), QStringLiteral("opened and typed"));
    EXPECT_EQ(selection(), Sel(16, 0));
}

} // namespace
