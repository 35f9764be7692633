// The multi-line text view, driven as a person drives it: keys, mouse,
// clipboard, input method and drops.
#include "tests/shown_text_view.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QInputMethod>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class TextViewTest : public ShownTextView {
protected:
    void keys(Qt::Key k, int times, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        for (int i = 0; i < times; ++i)
            key(k, modifiers);
    }
    void type(const QString& text) {
        QTest::sendKeyEvent(QTest::Click, &view, Qt::Key_unknown, text, Qt::NoModifier);
    }
    QWidget* area() const { return view.viewport(); }
    // A QPlainTextEdit to compare with, laid out as the view is.
    void layOutLikeTheView(QPlainTextEdit& plain) const {
        plain.setLineWrapMode(QPlainTextEdit::NoWrap);
        plain.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        plain.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        plain.setFont(view.font());
        plain.resize(view.size());
    }
    // What an input method learns by asking.
    QVariant ask(Qt::InputMethodQuery query) {
        QInputMethodQueryEvent event(query);
        QCoreApplication::sendEvent(&view, &event);
        return event.value(query);
    }
    bool caretInView() const {
        return area()->rect().contains(view.characterRect(view.caretPosition()).topLeft());
    }
    // Lines "line 000" to "line 199", each ten characters with its CR LF.
    static QString numberedLines(int count) {
        QString text;
        for (int i = 0; i < count; ++i)
            text += QStringLiteral("line %1\r\n").arg(i, 3, 10, QLatin1Char('0'));
        text.chop(2);
        return text;
    }
};

TEST_F(TextViewTest, TypingInsertsTextAndEnterALineBreak) {
    QSignalSpy changes(&view, &TextView::textChanged);
    QTest::keyClicks(&view, QStringLiteral("ab"));
    key(Qt::Key_Return);
    QTest::keyClicks(&view, QStringLiteral("c"));
    key(Qt::Key_Return, Qt::ShiftModifier);
    type(QStringLiteral("€"));
    key(Qt::Key_Tab);
    key(Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("ab\r\nc\r\n€\t"));
    EXPECT_EQ(view.caretPosition(), view.text().size());
    EXPECT_EQ(changes.count(), 7) << "one change per key that types; Ctrl+B types nothing";
    EXPECT_TRUE(view.hasFocus()) << "Tab stays in the view";

    view.setSelection(1, 5);
    QTest::keyClicks(&view, QStringLiteral("X"));
    EXPECT_EQ(view.text(), QStringLiteral("aX\r\n€\t")) << "typing replaces the selection";
}

TEST_F(TextViewTest, BackspaceAndDeleteTakeLineBreaksAndSurrogatePairsWhole) {
    view.setText(QStringLiteral("ab\r\ncd"));
    view.setSelection(4, 4);
    key(Qt::Key_Backspace);
    EXPECT_EQ(view.text(), QStringLiteral("abcd"));
    EXPECT_EQ(view.caretPosition(), 2);

    view.setText(QStringLiteral("ab\r\ncd"));
    view.setSelection(2, 2);
    key(Qt::Key_Delete);
    EXPECT_EQ(view.text(), QStringLiteral("abcd"));

    view.setText(QStringLiteral("x😀y"));
    view.setSelection(3, 3);
    key(Qt::Key_Backspace);
    EXPECT_EQ(view.text(), QStringLiteral("xy"));
    view.setText(QStringLiteral("x😀y"));
    view.setSelection(1, 1);
    key(Qt::Key_Delete);
    EXPECT_EQ(view.text(), QStringLiteral("xy"));

    // As in QPlainTextEdit: Backspace takes a combining mark alone, Delete
    // the whole character it belongs to.
    view.setText(QStringLiteral("ae\u0301x"));
    view.setSelection(3, 3);
    key(Qt::Key_Backspace);
    EXPECT_EQ(view.text(), QStringLiteral("aex"));
    view.setText(QStringLiteral("ae\u0301x"));
    view.setSelection(1, 1);
    key(Qt::Key_Delete);
    EXPECT_EQ(view.text(), QStringLiteral("ax"));

    view.setText(QStringLiteral("abc def\r\nghi"));
    view.setSelection(5, 5);
    key(Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("abc ef\r\nghi"));
    view.setText(QStringLiteral("abc def  ghi\r\nxyz"));
    view.setSelection(5, 5);
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("abc dghi\r\nxyz"));
    key(Qt::Key_End);
    key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("abc dghixyz"));
}

TEST_F(TextViewTest, ArrowsHomeAndEndMoveAndSelect) {
    view.setText(QStringLiteral("abcdef\r\nxy\r\nabcdef\r\n😀z"));
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view.caretPosition(), view.text().size());
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    EXPECT_EQ(view.caretPosition(), 20) << "over z, then the emoji whole";
    key(Qt::Key_Left);
    EXPECT_EQ(view.caretPosition(), 18) << "over a line break whole";
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(view.caretPosition(), 0);
    key(Qt::Key_End);
    EXPECT_EQ(view.caretPosition(), 6);
    key(Qt::Key_Right);
    EXPECT_EQ(view.caretPosition(), 8);

    view.setSelection(5, 5);
    key(Qt::Key_Down);
    EXPECT_EQ(view.caretPosition(), 10) << "the short line's end";
    key(Qt::Key_Down);
    EXPECT_EQ(view.caretPosition(), 17) << "back in the column Down started from";
    key(Qt::Key_Home);
    EXPECT_EQ(view.caretPosition(), 12);
    key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(view.selectionStart(), 12);
    EXPECT_EQ(view.selectionEnd(), 18);
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(view.anchorPosition(), 12);
    EXPECT_EQ(view.caretPosition(), 10);
    EXPECT_EQ(view.selectedText(), QStringLiteral("\r\n"));

    view.setSelection(1, 4);
    key(Qt::Key_Left);
    EXPECT_EQ(view.caretPosition(), 1) << "Left ends a selection at its start";
    view.setSelection(1, 4);
    key(Qt::Key_Right);
    EXPECT_EQ(view.caretPosition(), 4);
    EXPECT_EQ(view.anchorPosition(), 4);

    key(Qt::Key_Up);
    EXPECT_EQ(view.caretPosition(), 4) << "Up on the first line stays";
    view.setSelection(20, 20);
    key(Qt::Key_Down);
    EXPECT_EQ(view.caretPosition(), 20) << "Down on the last line stays";
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view.caretPosition(), view.text().size()) << "Shift+Down there selects to the end";
}

TEST_F(TextViewTest, ControlArrowsMoveByWordsAsQPlainTextEditDoes) {
    view.setText(QStringLiteral("foo.bar  baz, qux--x\r\nsecond"));
    std::vector<qsizetype> stops;
    for (int i = 0; i < 9; ++i) {
        key(Qt::Key_Right, Qt::ControlModifier);
        stops.push_back(view.caretPosition());
    }
    EXPECT_EQ(stops, (std::vector<qsizetype>{3, 4, 9, 12, 14, 17, 19, 20, 22}));
    stops.clear();
    for (int i = 0; i < 9; ++i) {
        key(Qt::Key_Left, Qt::ControlModifier);
        stops.push_back(view.caretPosition());
    }
    EXPECT_EQ(stops, (std::vector<qsizetype>{20, 19, 17, 14, 12, 9, 4, 3, 0}));
    key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), QStringLiteral("foo."));
}

TEST_F(TextViewTest, ABackslashEndsAWordAndTheCaretStaysPastTheFirstAndLastLine) {
    view.setText(QStringLiteral("back\\slash"));
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("back\\"));
    view.setText(QStringLiteral("x\\y z"));
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(view.caretPosition(), 1);
    key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), QStringLiteral("\\"));

    view.setText(QStringLiteral("abc def\r\nxyz"));
    view.setSelection(3, 3);
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), QStringLiteral("abc")) << "to the start of the text";
    key(Qt::Key_Up);
    EXPECT_EQ(view.anchorPosition(), 3) << "Up on the first line keeps the selection";
    EXPECT_EQ(view.caretPosition(), 0);
    view.setSelection(10, 11);
    key(Qt::Key_Down);
    EXPECT_EQ(view.anchorPosition(), 10) << "Down on the last line keeps the selection";
    EXPECT_EQ(view.caretPosition(), 11);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), QStringLiteral("yz"));
}

TEST_F(TextViewTest, KeysWithNothingToDoLeaveTextSignalsAndHistoryAlone) {
    view.setText(QStringLiteral("ab"));
    key(Qt::Key_End);
    QTest::keyClicks(&view, QStringLiteral("c"));
    QSignalSpy changes(&view, &TextView::textChanged);
    key(Qt::Key_Home);
    key(Qt::Key_Backspace);
    key(Qt::Key_Backspace, Qt::ControlModifier);
    key(Qt::Key_End);
    key(Qt::Key_Delete);
    key(Qt::Key_Delete, Qt::ControlModifier);
    key(Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier);
    QGuiApplication::clipboard()->clear();
    view.setSelection(0, 2);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("abc"));
    EXPECT_EQ(view.selectedText(), QStringLiteral("ab"));
    EXPECT_EQ(changes.count(), 0);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("ab")) << "the typing is still the step to undo";
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("ab"));
}

TEST_F(TextViewTest, LineBreaksAndSurrogatePairsAreNeverSplit) {
    view.setText(QStringLiteral("😀ab"));
    view.setSelection(1, 3);
    EXPECT_EQ(view.selectedText(), QStringLiteral("😀a")) << "a start inside the emoji";
    view.setText(QStringLiteral("😀x"));
    view.setSelection(2, 2);
    key(Qt::Key_Backspace);
    EXPECT_EQ(view.text(), QStringLiteral("x"));
    EXPECT_EQ(view.caretPosition(), 0);
    view.setText(QStringLiteral("ab\r\ncd"));
    view.setSelection(4, 4);
    key(Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("abcd")) << "no lone CR left behind";

    QGuiApplication::clipboard()->setText(QStringLiteral("1\u20292\u00853"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("ab1\r\n2\r\n3cd"));

    view.setText(QString());
    type(QStringLiteral("😀"));
    type(QStringLiteral("z"));
    EXPECT_EQ(view.text(), QStringLiteral("😀z"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QString()) << "an emoji and a letter typed are one step";
}

TEST_F(TextViewTest, WordsAreTakenWhole) {
    const auto doubleClick = [&](QPoint at) {
        QTest::mouseClick(area(), Qt::LeftButton, Qt::NoModifier, at);
        QMouseEvent press(QEvent::MouseButtonDblClick, at, area()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(area(), &press);
    };
    view.setText(QStringLiteral("alpha beta gamma"));
    doubleClick(pointAt(6));
    QTest::mouseRelease(area(), Qt::LeftButton, Qt::NoModifier, pointAt(6));
    EXPECT_EQ(view.selectedText(), QStringLiteral("beta")) << "on the left half of its b";

    // Dragging after the double click goes by whole words, keeping the first.
    doubleClick(pointAt(13));
    QMouseEvent drag(QEvent::MouseMove, pointAt(2), area()->mapToGlobal(pointAt(2)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(area(), &drag);
    QTest::mouseRelease(area(), Qt::LeftButton, Qt::NoModifier, pointAt(2));
    EXPECT_EQ(view.anchorPosition(), 16);
    EXPECT_EQ(view.caretPosition(), 0);

    // A word longer than a layout chunk.
    view.setText(QStringLiteral("a ") + QString(10'000, u'w') + QStringLiteral(" b"));
    view.setSelection(2, 2);
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(view.caretPosition(), 10'003);
    view.setSelection(7'000, 7'000);
    doubleClick(pointAt(7'000));
    QTest::mouseRelease(area(), Qt::LeftButton, Qt::NoModifier, pointAt(7'000));
    EXPECT_EQ(view.selectionStart(), 2);
    EXPECT_EQ(view.selectionEnd(), 10'002);
}

TEST_F(TextViewTest, PageKeysMoveAScreenAndControlASelectsAll) {
    // The numbers are QPlainTextEdit's in a view of the same size (19
    // lines, 20 of them whole once scrolled): from the top the margin above
    // the first line counts, so the caret goes a line further than the view.
    view.setText(numberedLines(200));
    QScrollBar* bar = view.verticalScrollBar();
    key(Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), 20);
    EXPECT_EQ(view.caretPosition(), 210);
    EXPECT_TRUE(caretInView());
    key(Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(view.anchorPosition(), 210);
    EXPECT_EQ(view.caretPosition(), 410);
    EXPECT_EQ(bar->value(), 40);
    key(Qt::Key_PageUp);
    EXPECT_EQ(bar->value(), 20);
    EXPECT_EQ(view.caretPosition(), 200);
    EXPECT_EQ(view.anchorPosition(), 200);
    key(Qt::Key_PageUp);
    key(Qt::Key_PageUp);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(view.caretPosition(), 0);

    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.selectionStart(), 0);
    EXPECT_EQ(view.selectionEnd(), view.text().size());
}

TEST_F(TextViewTest, PagesAndDeletionsStopWhereQPlainTextEditsDo) {
    view.setText(numberedLines(40));
    QScrollBar* bar = view.verticalScrollBar();
    key(Qt::Key_PageDown);
    key(Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), 20) << "the rest fits: the view stays";
    EXPECT_EQ(view.caretPosition(), 390) << "and the caret goes to the last line";
    key(Qt::Key_PageDown);
    EXPECT_EQ(view.caretPosition(), 390);
    key(Qt::Key_End, Qt::ShiftModifier);
    key(Qt::Key_PageDown);
    EXPECT_EQ(view.selectedText(), QStringLiteral("line 039")) << "no line to go to";

    // The caret keeps the place on screen of the first of these page moves.
    view.setText(numberedLines(60));
    keys(Qt::Key_PageDown, 3);
    EXPECT_EQ(view.caretPosition(), 590);
    EXPECT_EQ(bar->value(), 40);
    key(Qt::Key_PageUp);
    EXPECT_EQ(view.caretPosition(), 200);
    EXPECT_EQ(bar->value(), 20);
    key(Qt::Key_PageDown);
    EXPECT_EQ(view.caretPosition(), 410);
    EXPECT_EQ(bar->value(), 40);

    // Only single characters make one step of a run of deletions.
    view.setText(QStringLiteral("abc def ghi"));
    key(Qt::Key_End);
    key(Qt::Key_Backspace, Qt::ControlModifier);
    key(Qt::Key_Backspace, Qt::ControlModifier);
    view.setSelection(0, 1);
    key(Qt::Key_Delete);
    key(Qt::Key_Delete);
    key(Qt::Key_Delete);
    EXPECT_EQ(view.text(), QStringLiteral(" "));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("bc ")) << "the two single ones";
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("abc "));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("abc def "));

    // A deleting key with nothing to delete ends Up and Down's column.
    view.setText(QStringLiteral("0\r\n"));
    key(Qt::Key_End);
    key(Qt::Key_Down);
    key(Qt::Key_Delete);
    key(Qt::Key_Up);
    EXPECT_EQ(view.caretPosition(), 0);
}

TEST_F(TextViewTest, MouseClicksAndDragsSelect) {
    view.setText(QStringLiteral("alpha beta gamma\r\nsecond line\r\nthird"));
    QTest::mouseClick(area(), Qt::LeftButton, Qt::NoModifier, pointAt(6));
    EXPECT_EQ(view.caretPosition(), 6);
    EXPECT_EQ(view.anchorPosition(), 6);
    QTest::mouseClick(area(), Qt::LeftButton, Qt::ShiftModifier, pointAt(21));
    EXPECT_EQ(view.anchorPosition(), 6);
    EXPECT_EQ(view.caretPosition(), 21);

    QTest::mousePress(area(), Qt::LeftButton, Qt::NoModifier, pointAt(32));
    QTest::mouseMove(area(), pointAt(24));
    QTest::mouseRelease(area(), Qt::LeftButton, Qt::NoModifier, pointAt(24));
    EXPECT_EQ(view.anchorPosition(), 32);
    EXPECT_EQ(view.caretPosition(), 24);

    QTest::mouseDClick(area(), Qt::LeftButton, Qt::NoModifier, pointAt(8));
    EXPECT_EQ(view.selectedText(), QStringLiteral("beta"));
    QTest::mouseClick(area(), Qt::LeftButton, Qt::NoModifier, pointAt(8));
    EXPECT_EQ(view.selectedText(), QStringLiteral("alpha beta gamma\r\n"))
        << "a third click selects the line with its line break";
}

TEST_F(TextViewTest, TheMouseSelectsAroundTheTextAndByWordsAndLinesAsQPlainTextEditDoes) {
    const int doubleClickTime = QApplication::doubleClickInterval();
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(40);
    view.setText(QStringLiteral("alpha beta gamma\r\nsecond line here"));
    const qsizetype end = view.text().size();
    const int below = pointAt(0).y() + 3 * view.characterRect(0).height();
    QTest::mouseClick(area(), Qt::LeftButton, Qt::NoModifier, QPoint(pointAt(22).x(), below));
    EXPECT_EQ(view.caretPosition(), end) << "below the last line: the end of the text";
    QTest::mouseClick(area(), Qt::LeftButton, Qt::NoModifier, QPoint(pointAt(8).x(), 1));
    EXPECT_EQ(view.caretPosition(), 0) << "in the margin above the first line: its start";
    QTest::mouseClick(area(), Qt::LeftButton, Qt::ShiftModifier, QPoint(pointAt(3).x(), below));
    EXPECT_EQ(view.anchorPosition(), 0);
    EXPECT_EQ(view.caretPosition(), end);

    // The first click lands on the selection and only ends it.
    QTest::mouseClick(area(), Qt::LeftButton, Qt::NoModifier, pointAt(20));
    QTest::mousePress(area(), Qt::LeftButton, Qt::NoModifier, pointAt(20));
    QTest::mouseMove(area(), QPoint(pointAt(20).x(), -30));
    QTest::mouseRelease(area(), Qt::LeftButton, Qt::NoModifier, QPoint(pointAt(20).x(), -30));
    EXPECT_EQ(view.anchorPosition(), 20);
    EXPECT_EQ(view.caretPosition(), 0) << "dragged out above: to the start of the text";

    // A Shift+click extends by the word or line a double or triple click chose.
    QTest::mouseDClick(area(), Qt::LeftButton, Qt::NoModifier, pointAt(12));
    QTest::mouseRelease(area(), Qt::LeftButton, Qt::NoModifier, pointAt(12));
    QTest::mouseClick(area(), Qt::LeftButton, Qt::ShiftModifier, pointAt(2));
    EXPECT_EQ(view.selectedText(), QStringLiteral("alpha beta gamma"));
    QTest::mouseClick(area(), Qt::LeftButton, Qt::NoModifier, pointAt(20));
    QTest::mouseDClick(area(), Qt::LeftButton, Qt::NoModifier, pointAt(20));
    QTest::mouseRelease(area(), Qt::LeftButton, Qt::NoModifier, pointAt(20));
    QTest::mouseClick(area(), Qt::LeftButton, Qt::NoModifier, pointAt(20));
    EXPECT_EQ(view.selectedText(), QStringLiteral("second line here"));
    QTest::mouseClick(area(), Qt::LeftButton, Qt::ShiftModifier, pointAt(7));
    EXPECT_EQ(view.anchorPosition(), end);
    EXPECT_EQ(view.caretPosition(), 0) << "by whole lines";

    // Dragging after a double click, a word joins once past its middle.
    const QRect start = view.characterRect(25);
    const int middle = (start.left() + view.characterRect(29).left()) / 2;
    const auto wordDragTo = [&](int x) {
        // Past the time of a triple click, and on no selection, so that
        // the line chosen before is forgotten.
        QTest::qWait(2 * QApplication::doubleClickInterval());
        QTest::mouseClick(area(), Qt::LeftButton, Qt::NoModifier, QPoint(pointAt(22).x(), below));
        QTest::mouseClick(area(), Qt::LeftButton, Qt::NoModifier, QPoint(pointAt(22).x(), below));
        QTest::mouseClick(area(), Qt::LeftButton, Qt::NoModifier, pointAt(1));
        QTest::mouseDClick(area(), Qt::LeftButton, Qt::NoModifier, pointAt(1));
        QTest::mouseMove(area(), QPoint(x, start.center().y()));
        QTest::mouseRelease(area(), Qt::LeftButton, Qt::NoModifier, QPoint(x, start.center().y()));
        return view.selectedText();
    };
    EXPECT_EQ(wordDragTo(middle - 2), QStringLiteral("alpha beta gamma\r\nsecond "));
    EXPECT_EQ(wordDragTo(middle + 2), QStringLiteral("alpha beta gamma\r\nsecond line"));

    // A double click past the end of a line that ends in a blank chooses
    // no word, and a drag from it selects nothing.
    view.setText(QStringLiteral("word  \r\nnext"));
    const QPoint past(pointAt(6).x() + 40, pointAt(6).y());
    QTest::mouseClick(area(), Qt::LeftButton, Qt::NoModifier, past);
    QTest::mouseDClick(area(), Qt::LeftButton, Qt::NoModifier, past);
    QTest::mouseMove(area(), pointAt(10));
    QTest::mouseRelease(area(), Qt::LeftButton, Qt::NoModifier, pointAt(10));
    EXPECT_EQ(view.anchorPosition(), 6);
    EXPECT_EQ(view.caretPosition(), 6);
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(doubleClickTime);
}

TEST_F(TextViewTest, DraggingPastTheBottomScrollsAndSelects) {
    view.setText(numberedLines(200));
    QTest::mousePress(area(), Qt::LeftButton, Qt::NoModifier, pointAt(2));
    QTest::mouseMove(area(), QPoint(50, area()->height() + 20));
    QTRY_VERIFY(view.verticalScrollBar()->value() > 3);
    QTest::mouseRelease(area(), Qt::LeftButton, Qt::NoModifier, QPoint(50, area()->height() + 20));
    EXPECT_EQ(view.anchorPosition(), 2);
    EXPECT_GT(view.caretPosition(), 10 * (view.verticalScrollBar()->value() + 10));
}

TEST_F(TextViewTest, ClipboardCarriesLfOutAndCrLfIn) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    view.setText(QStringLiteral("one\r\ntwo"));
    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QStringLiteral("one\ntwo"));

    clipboard->setText(QStringLiteral("a\nb\rc\u2028d\r\ne"));
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("one\r\ntwoa\r\nb\r\nc\r\nd\r\ne"));

    view.setSelection(5, 8);
    key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(clipboard->text(), QStringLiteral("two"));
    EXPECT_EQ(view.text().left(8), QStringLiteral("one\r\na\r\n"));
    key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(view.text().left(10), QStringLiteral("one\r\ntwoa\r"));
    view.setSelection(0, 3);
    clipboard->clear();
    key(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QStringLiteral("one"));
    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(view.text().left(2), QStringLiteral("\r\n"));
}

TEST_F(TextViewTest, UndoTakesBackTypingRunsAndRestoresTheSelection) {
    view.setText(QStringLiteral("abc def"));
    QTest::keyClicks(&view, QStringLiteral("xy"));
    key(Qt::Key_Right);
    QTest::keyClicks(&view, QStringLiteral("zw"));
    keys(Qt::Key_Backspace, 2);
    EXPECT_EQ(view.text(), QStringLiteral("xyabc def"));
    QSignalSpy changes(&view, &TextView::textChanged);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("xyazwbc def"));
    EXPECT_EQ(view.caretPosition(), 5);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("xyabc def"));
    EXPECT_EQ(view.caretPosition(), 3);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("abc def"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("abc def")) << "nothing more to undo";
    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("xyabc def"));
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view.text(), QStringLiteral("xyazwbc def"));
    EXPECT_EQ(changes.count(), 5) << "one change per undo or redo, none for nothing to undo";

    view.setText(QStringLiteral("hello world"));
    view.setSelection(5, 0);
    QTest::keyClicks(&view, QStringLiteral("Hi"));
    key(Qt::Key_Return);
    QTest::keyClicks(&view, QStringLiteral("there"));
    EXPECT_EQ(view.text(), QStringLiteral("Hi\r\nthere world"));
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("Hi world")) << "Enter is a step of its own";
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("hello world"));
    EXPECT_EQ(view.anchorPosition(), 5);
    EXPECT_EQ(view.caretPosition(), 0);
}

TEST_F(TextViewTest, SignalsFireOncePerChange) {
    QSignalSpy changes(&view, &TextView::textChanged);
    QSignalSpy moves(&view, &TextView::selectionChanged);
    view.setText(QStringLiteral("one two"));
    EXPECT_EQ(changes.count(), 1);
    key(Qt::Key_End);
    key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(changes.count(), 1) << "moving the caret changes no text";
    EXPECT_EQ(moves.count(), 2);
    QGuiApplication::clipboard()->setText(QStringLiteral("a\nb\nc"));
    key(Qt::Key_V, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Y, Qt::ControlModifier);
    view.insertText(QStringLiteral("!"));
    EXPECT_EQ(changes.count(), 5);
    EXPECT_EQ(view.text(), QStringLiteral("one twa\r\nb\r\nc!"));
}

TEST_F(TextViewTest, LoneCrAndLfStayCharactersShownAsPictures) {
    const QString text = QStringLiteral("a\rb\nc\r\nd");
    view.setText(text);
    EXPECT_EQ(view.text(), text);
    key(Qt::Key_End);
    EXPECT_EQ(view.caretPosition(), 5) << "a lone CR or LF breaks no line";
    key(Qt::Key_Right);
    EXPECT_EQ(view.caretPosition(), 7);

    const QRect picture = view.characterRect(1);
    EXPECT_GT(picture.width(), 3);
    const QImage shown = area()->grab().toImage();
    const QColor base = view.palette().color(QPalette::Base);
    bool drawn = false;
    for (int x = picture.left(); x <= picture.right(); ++x)
        for (int y = picture.top(); y <= picture.bottom(); ++y)
            drawn = drawn || shown.pixelColor(x * shown.devicePixelRatio(),
                                              y * shown.devicePixelRatio()) != base;
    EXPECT_TRUE(drawn) << "the lone CR shows as its picture";
}

TEST_F(TextViewTest, SetSelectionBetweenCrAndLfEndsTheLineAndScrollsThere) {
    view.setText(numberedLines(500));
    view.setSelection(4009, 4009);
    EXPECT_EQ(view.caretPosition(), 4008);
    EXPECT_TRUE(caretInView());
    view.setSelection(19, 4019);
    EXPECT_EQ(view.anchorPosition(), 18);
    EXPECT_EQ(view.caretPosition(), 4018);

    view.setText(QString(3000, u'w') + QStringLiteral("\r\nshort"));
    view.setSelection(2999, 2999);
    EXPECT_GT(view.horizontalScrollBar()->value(), 0);
    EXPECT_TRUE(caretInView());
    view.setSelection(3002, 3002);
    EXPECT_EQ(view.horizontalScrollBar()->value(), 0);
    EXPECT_TRUE(caretInView());
}

// How quick a keystroke is in this line is the benchmark's to measure.
TEST_F(TextViewTest, TypingInATenMegabyteLineEditsWhereTheCaretIsAndKeepsItInView) {
    QString line;
    line.reserve(10'000'000);
    while (line.size() < 10'000'000)
        line += QStringLiteral("lorem ipsum dolor sit amet ");
    line.truncate(10'000'000);
    view.setText(line);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(caretInView());
    QTest::keyClicks(&view, QStringLiteral("ZZZ"));
    EXPECT_TRUE(caretInView());

    view.setSelection(5'000'000, 5'000'000);
    QTest::keyClicks(&view, QStringLiteral("YYY"));
    EXPECT_TRUE(caretInView());

    QTest::mouseClick(area(), Qt::LeftButton, Qt::NoModifier, pointAt(5'000'006));
    EXPECT_EQ(view.caretPosition(), 5'000'006);
    key(Qt::Key_Backspace);
    QString expected = line + QStringLiteral("ZZZ");
    expected.insert(5'000'000, QStringLiteral("YYY"));
    expected.remove(5'000'005, 1);
    EXPECT_TRUE(view.text() == expected);
}

TEST_F(TextViewTest, EditedLinesMeasureAsFreshOnes) {
    QString longLine;
    while (longLine.size() < 6000)
        longLine += QStringLiteral("wide words ");
    view.setText(QStringLiteral("first line\r\ni\r\n") + longLine + QStringLiteral("\r\nlast"));
    area()->repaint();
    key(Qt::Key_Return);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    QTest::keyClicks(&view, QStringLiteral("WWW"));
    view.setSelection(3000, 3000);
    QTest::keyClicks(&view, QStringLiteral("iiii"));
    key(Qt::Key_Backspace);
    area()->repaint();
    QGuiApplication::clipboard()->setText(QStringLiteral("x\nyyyyyyyy"));
    view.setSelection(3, 3);
    key(Qt::Key_V, Qt::ControlModifier);
    view.setSelection(0, 0);
    key(Qt::Key_Delete);
    key(Qt::Key_Z, Qt::ControlModifier);
    area()->repaint();

    // The short lines measure as in a view that never saw the edits.
    TextView fresh;
    fresh.resize(view.size());
    fresh.setText(view.text());
    const QString text = view.text();
    for (qsizetype end = text.indexOf(u'\r'); end >= 0 && end < 100;
         end = text.indexOf(u'\r', end + 1))
        EXPECT_EQ(view.characterRect(end), fresh.characterRect(end)) << "at " << end;
    // The long line has its own measure; the mouse finds what it shows.
    for (qsizetype position = 30; position < 6000; position += 997)
        EXPECT_EQ(view.positionAt(pointAt(position)), position);
}

TEST_F(TextViewTest, UndoingAJoinOfALoneCrAndLfShowsWhatAFreshViewShows) {
    view.setText(QStringLiteral("one\rX\ntwo\r\nthree"));
    view.setSelection(4, 4);
    key(Qt::Key_Delete);
    EXPECT_EQ(view.textStore().lineCount(), 3) << "the CR and LF became a line break";
    area()->repaint();
    key(Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(view.text(), QStringLiteral("one\rX\ntwo\r\nthree"));
    EXPECT_EQ(view.textStore().lineCount(), 2);

    TextView fresh;
    fresh.resize(view.size());
    fresh.setText(view.text());
    fresh.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fresh));
    for (qsizetype position = 0; position <= view.text().size(); ++position)
        EXPECT_EQ(view.characterRect(position), fresh.characterRect(position)) << position;
    view.clearFocus(); // no caret in either
    view.setSelection(0, 0);
    EXPECT_EQ(area()->grab().toImage(), fresh.viewport()->grab().toImage());
}

TEST_F(TextViewTest, TabsInALongLineStopWhereAShortLinesTabsDo) {
    QString longLine;
    while (longLine.size() < 9000)
        longLine += QStringLiteral("iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii\tW");
    view.setText(QStringLiteral("\tW\r\n") + longLine);
    const int lineLeft = view.characterRect(0).left();
    EXPECT_EQ(view.characterRect(1).left() - lineLeft, 80) << "a short line's first stop";
    // The W after each tab, far into the line and across its chunks.
    for (qsizetype tab = longLine.indexOf(u'\t', 4000); tab >= 0 && tab < 8000;
         tab = longLine.indexOf(u'\t', tab + 1500)) {
        const qsizetype w = 4 + tab + 1;
        view.setSelection(w, w);
        const int x = view.characterRect(w).left() - view.characterRect(4).left();
        EXPECT_TRUE(x % 80 == 0 || x % 80 == 79) << "x " << x << " at " << w;
    }
}

TEST_F(TextViewTest, ALongTextsScrollRangeIsItsWidestLinesRightAfterItIsSet) {
    // Past what is measured line by line at once: the widest line, made of
    // tabs, is neither the longest nor anywhere near the top, and the
    // longest is of narrow letters.
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("line %1 of the text\n").arg(i);
    text += QString(40, u'\t') + QStringLiteral("x\n") + QString(120, u'i');
    QPlainTextEdit plain;
    layOutLikeTheView(plain);
    plain.setPlainText(text);
    plain.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plain));
    view.setText(QString(text).replace(u'\n', QStringLiteral("\r\n")));
    QScrollBar* bar = view.horizontalScrollBar();
    EXPECT_GT(bar->maximum(), 2000);
    EXPECT_EQ(bar->maximum(), plain.horizontalScrollBar()->maximum());
    // Typing elsewhere keeps it; splitting the wide line narrows it.
    const int wide = bar->maximum();
    QTest::keyClicks(&view, QStringLiteral("a"));
    EXPECT_EQ(bar->maximum(), wide);
    const qsizetype wideLine = view.text().indexOf(QString(40, u'\t'));
    view.setSelection(wideLine + 20, wideLine + 20);
    key(Qt::Key_Return);
    EXPECT_LT(bar->maximum(), wide * 3 / 4);
}

TEST_F(TextViewTest, TheHorizontalScrollRangeFollowsTheWidestLineLeft) {
    view.setText(QStringLiteral("short\r\n") + QString(3000, u'w') + QStringLiteral("\r\nend"));
    area()->repaint();
    QScrollBar* bar = view.horizontalScrollBar();
    const int wide = bar->maximum();
    EXPECT_GT(wide, 10'000);
    view.setSelection(7, 1507);
    key(Qt::Key_Delete);
    area()->repaint();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_LT(bar->maximum(), wide / 2 + 100) << "half the line went";
    view.setSelection(5, 1509);
    key(Qt::Key_Delete);
    area()->repaint();
    EXPECT_EQ(bar->maximum(), 0) << "no wide line is left";
    key(Qt::Key_Z, Qt::ControlModifier);
    area()->repaint();
    EXPECT_GT(bar->maximum(), 0) << "undo brings it back";
}

TEST_F(TextViewTest, ContextMenuOffersWhatApplies) {
    QGuiApplication::clipboard()->clear();
    view.setText(QStringLiteral("abc"));
    const auto openMenu = [&] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pointAt(1),
                                area()->mapToGlobal(pointAt(1)));
        QCoreApplication::sendEvent(area(), &event);
        QMenu* menu = view.findChild<QMenu*>();
        std::map<QString, QAction*> actions;
        if (menu)
            for (QAction* action : menu->actions())
                if (!action->isSeparator())
                    actions[action->text().section(u'\t', 0, 0)] = action;
        return std::pair{menu, actions};
    };
    const auto enabled = [](const std::map<QString, QAction*>& actions) {
        std::vector<QString> names;
        for (const auto& [name, action] : actions)
            if (action->isEnabled())
                names.push_back(name);
        return names;
    };
    auto [menu, actions] = openMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(actions.size(), 7u);
    EXPECT_EQ(enabled(actions), std::vector<QString>{QStringLiteral("Select All")});
    delete menu;

    view.setSelection(0, 1);
    QTest::keyClicks(&view, QStringLiteral("Z"));
    view.setSelection(0, 2);
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    std::tie(menu, actions) = openMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(enabled(actions).size(), 6u) << "all but Redo";
    EXPECT_FALSE(actions[QStringLiteral("&Redo")]->isEnabled());
    actions[QStringLiteral("Delete")]->trigger();
    EXPECT_EQ(view.text(), QStringLiteral("c"));
    menu->close();
}

TEST_F(TextViewTest, InputMethodComposesAndCommits) {
    view.setText(QStringLiteral("ab"));
    view.setSelection(1, 1);
    QInputMethodEvent compose(QStringLiteral("xy"), {});
    QCoreApplication::sendEvent(&view, &compose);
    EXPECT_EQ(view.text(), QStringLiteral("ab")) << "composed text is no edit yet";
    EXPECT_EQ(ask(Qt::ImSurroundingText).toString(), QStringLiteral("ab"));

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("c\nd"));
    QCoreApplication::sendEvent(&view, &commit);
    EXPECT_EQ(view.text(), QStringLiteral("ac\r\ndb"));
    EXPECT_EQ(ask(Qt::ImSurroundingText).toString(), QStringLiteral("db"));
    EXPECT_EQ(ask(Qt::ImCursorPosition).toInt(), 1);
    const QRect caret = ask(Qt::ImCursorRectangle).toRect();
    EXPECT_EQ(caret.top(), view.characterRect(5).top());
    EXPECT_NEAR(caret.left(), view.characterRect(5).left(), 1)
        << "the caret's x is rounded, a character's cell taken whole";

    QInputMethodEvent replace;
    replace.setCommitString(QStringLiteral("Q"), -1, 1);
    QCoreApplication::sendEvent(&view, &replace);
    EXPECT_EQ(view.text(), QStringLiteral("ac\r\nQb"));
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("ab"));
}

TEST_F(TextViewTest, InputMethodsSeeBackwardSelectionsAndTheComposingCursor) {
    view.setText(QStringLiteral("hello world"));
    view.setSelection(8, 2);
    EXPECT_EQ(ask(Qt::ImAnchorPosition).toInt(), 8);
    EXPECT_EQ(ask(Qt::ImCursorPosition).toInt(), 2);
    EXPECT_EQ(ask(Qt::ImCurrentSelection).toString(), QStringLiteral("llo wo"));

    // The candidate window follows the cursor inside the composed text.
    view.setSelection(5, 5);
    const QRect before = ask(Qt::ImCursorRectangle).toRect();
    const auto composeWithCursorAt = [&](int cursor) {
        QInputMethodEvent compose(QStringLiteral("xyz"),
                                  {{QInputMethodEvent::Cursor, cursor, 1, QVariant()}});
        QCoreApplication::sendEvent(&view, &compose);
        return ask(Qt::ImCursorRectangle).toRect();
    };
    EXPECT_EQ(composeWithCursorAt(0).left(), before.left());
    const QRect middle = composeWithCursorAt(1);
    const QRect end = composeWithCursorAt(3);
    EXPECT_GT(middle.left(), before.left());
    EXPECT_GT(end.left(), middle.left());
    EXPECT_EQ(end.top(), before.top());
    EXPECT_EQ(view.text(), QStringLiteral("hello world")) << "composing is no edit";
}

TEST_F(TextViewTest, TheInputMethodIsToldTheCaretWhereQPlainTextEditTellsIt) {
    QPlainTextEdit plain;
    layOutLikeTheView(plain);
    plain.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plain));
    // An input method rounds the rectangle to whole pixels and maps it from
    // the widget, frame included, to the screen.
    const auto told = [](QWidget* widget, Qt::InputMethodQuery query) {
        QInputMethodQueryEvent event(query);
        QCoreApplication::sendEvent(widget, &event);
        return event.value(query).toRectF().toRect();
    };
    const auto both = [&](const auto& make) {
        make(static_cast<QWidget*>(&plain));
        make(static_cast<QWidget*>(&view));
    };
    const auto expectSame = [&](Qt::InputMethodQuery query, const char* when) {
        EXPECT_EQ(told(&view, query), told(&plain, query)) << when;
    };

    both([](QWidget* w) {
        QTest::keyClicks(w, QStringLiteral("first line"));
        QTest::keyClick(w, Qt::Key_Return);
        QTest::keyClicks(w, QStringLiteral("second"));
    });
    expectSame(Qt::ImCursorRectangle, "after typing");
    for (const int cursor : {0, 1, 3}) {
        both([cursor](QWidget* w) {
            QInputMethodEvent compose(QStringLiteral("xyz"),
                                      {{QInputMethodEvent::Cursor, cursor, 1, {}}});
            QCoreApplication::sendEvent(w, &compose);
        });
        expectSame(Qt::ImCursorRectangle, "composing, the cursor inside");
    }
    both([](QWidget* w) {
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("xyz"));
        QCoreApplication::sendEvent(w, &commit);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(w, Qt::Key_Left, Qt::ShiftModifier);
    });
    expectSame(Qt::ImCursorRectangle, "a selection made backwards");
    expectSame(Qt::ImAnchorRectangle, "a selection made backwards");
}

TEST_F(TextViewTest, TheInputMethodHearsOfEveryMoveOfTheCaretRectangle) {
    view.setText(numberedLines(100));
    view.setSelection(205, 205);
    QInputMethod* method = QGuiApplication::inputMethod();
    QSignalSpy moved(method, &QInputMethod::cursorRectangleChanged);
    const QRectF before = method->cursorRectangle();

    // A composition moves the cursor inside the composed text.
    QInputMethodEvent compose(QStringLiteral("xyz"), {{QInputMethodEvent::Cursor, 3, 1, {}}});
    QCoreApplication::sendEvent(&view, &compose);
    EXPECT_GE(moved.count(), 1);
    EXPECT_GT(method->cursorRectangle().left(), before.left());
    EXPECT_EQ(method->cursorRectangle(), ask(Qt::ImCursorRectangle).toRectF());

    // A wheel scroll moves the caret up the screen.
    const QRectF composed = method->cursorRectangle();
    const int heard = int(moved.count());
    const QPointF at(50, 50);
    QWheelEvent wheel(at, area()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(area(), &wheel);
    EXPECT_GT(moved.count(), heard);
    EXPECT_LT(method->cursorRectangle().top(), composed.top());

    // The window moves: the rectangle on the screen moved with it.
    const int beforeMove = int(moved.count());
    view.move(view.pos() + QPoint(40, 30));
    QTRY_VERIFY(moved.count() > beforeMove);
}

TEST_F(TextViewTest, DropInsertsTextFromAnotherProgram) {
    view.setText(QStringLiteral("hello world"));
    QMimeData data;
    data.setText(QStringLiteral("big\n"));
    QDragEnterEvent enter(pointAt(6), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(area(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(pointAt(6)), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(area(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(view.text(), QStringLiteral("hello big\r\nworld"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("hello world"));
}

TEST_F(TextViewTest, SetTextStartsAfresh) {
    view.setText(numberedLines(300));
    QTest::keyClicks(&view, QStringLiteral("x"));
    view.setSelection(2900, 2905);
    ASSERT_GT(view.verticalScrollBar()->value(), 0);
    QSignalSpy changes(&view, &TextView::textChanged);
    view.setText(QStringLiteral("new"));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(view.anchorPosition(), 0);
    EXPECT_EQ(view.caretPosition(), 0);
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);
    EXPECT_EQ(view.horizontalScrollBar()->value(), 0);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.text(), QStringLiteral("new")) << "the history went with the old text";
}

TEST_F(TextViewTest, WheelScrollsLinesAndWithShiftAPage) {
    view.setText(numberedLines(100) + QString(2000, u'x'));
    const auto wheel = [&](Qt::KeyboardModifiers modifiers, QPoint delta) {
        const QPointF at(50, 50);
        QWheelEvent event(at, area()->mapToGlobal(at), QPoint(), delta, Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(area(), &event);
    };
    wheel(Qt::NoModifier, QPoint(0, -120));
    EXPECT_EQ(view.verticalScrollBar()->value(), QApplication::wheelScrollLines());
    // As in QPlainTextEdit: Shift makes a step a page, and a sideways wheel
    // scrolls sideways.
    wheel(Qt::ShiftModifier, QPoint(0, -120));
    EXPECT_EQ(view.verticalScrollBar()->value(),
              QApplication::wheelScrollLines() + view.verticalScrollBar()->pageStep());
    EXPECT_EQ(view.horizontalScrollBar()->value(), 0);
    wheel(Qt::NoModifier, QPoint(-120, 0));
    EXPECT_EQ(view.horizontalScrollBar()->value(), 3 * 20);
}

} // namespace

namespace {

// What the view shows in rect (viewport coordinates), at device resolution.
QImage shown(TextView& view, const QRect& rect) {
    return view.viewport()->grab(rect).toImage();
}

bool holdsColour(const QImage& image, const QColor& colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}

TEST_F(TextViewTest, TheCaretBlinksWhileFocusedAndTheSelectionFadesWithTheWindow) {
    QPalette palette = view.palette();
    palette.setColor(QPalette::Active, QPalette::Highlight, Qt::red);
    palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::blue);
    palette.setColor(QPalette::Base, Qt::white);
    view.setPalette(palette);
    view.setText(QStringLiteral("wwww wwww  "));
    view.setSelection(0, 5);
    const QRect space = view.characterRect(4).adjusted(1, 1, -1, -1);
    EXPECT_TRUE(holdsColour(shown(view, space), Qt::red));

    // The caret inverts what lies under it, as QPlainTextEdit's does.
    const QColor caretColour = Qt::black;
    const int flashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(60);
    // The caret after the last space, clear of any letter.
    view.setSelection(11, 11);
    const QRect end = view.characterRect(11);
    const QRect caret(end.left() - 2, end.top(), 5, end.height());
    // The caret shows and hides while the view has the focus...
    bool seen = false;
    bool unseen = false;
    QElapsedTimer watch;
    watch.start();
    while (watch.elapsed() < 600 && !(seen && unseen)) {
        (holdsColour(shown(view, caret), caretColour) ? seen : unseen) = true;
        QTest::qWait(10);
    }
    EXPECT_TRUE(seen);
    EXPECT_TRUE(unseen);

    // ...and stays away in a window that is not active, whose selection
    // takes the inactive colour.
    view.setSelection(0, 5);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_TRUE(holdsColour(shown(view, space), Qt::blue));
    EXPECT_FALSE(holdsColour(shown(view, space), Qt::red));
    view.setSelection(11, 11);
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(holdsColour(shown(view, caret), caretColour)) << i;
        QTest::qWait(15);
    }
    QApplication::setCursorFlashTime(flashTime);
}

} // namespace
