#include "host/twips.h"
#include "runtime/runtime_error.h"
#include "search/find_dialog.h"
#include "tests/editor_test.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {

class FindDialogTest : public EditorTest {
protected:
    find_dialog& dialog() { return find_dialog::instance(); }
    QWidget* dialogWindow() { return dialog().window(); }
    QLineEdit* findField() {
        return dialogWindow()->findChild<QLineEdit*>(QStringLiteral("text_find"));
    }
    QPushButton* button(const char* name) {
        return dialogWindow()->findChild<QPushButton*>(QString::fromLatin1(name));
    }

    // Search > find, type the text, press Find.
    void find(const QString& sought) {
        ctrl(Qt::Key_F);
        ASSERT_TRUE(dialog().isVisible());
        QTest::keyClicks(findField(), sought);
        QTest::mouseClick(button("button_find"), Qt::LeftButton);
    }
    void findNext() { menu(Qt::Key_S, Qt::Key_N); }

    // The selection as 1-based first and last positions in the text.
    std::pair<qsizetype, qsizetype> selected() {
        return {w.text_frame.selStart() + 1, w.text_frame.selStart() + w.text_frame.selLength()};
    }
    using Range = std::pair<qsizetype, qsizetype>;
};

TEST_F(FindDialogTest, FindThenFindNextStepThroughOverlappingOccurrencesAndWrap) {
    w.text_frame.setText(QStringLiteral("banana"));
    find(QStringLiteral("ana"));
    EXPECT_EQ(selected(), Range(2, 4));
    EXPECT_EQ(text()->selectedText(), QStringLiteral("ana"));
    EXPECT_TRUE(dialog().isLoaded());
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(dialog().currentSearch, QStringLiteral("ana"));

    findNext();
    EXPECT_EQ(selected(), Range(2, 4));
    findNext();
    EXPECT_EQ(selected(), Range(4, 6));
    EXPECT_TRUE(services.messages.isEmpty());
    findNext();
    EXPECT_EQ(services.messages, QStringList{QStringLiteral("String not found")});
    findNext();
    EXPECT_EQ(selected(), Range(2, 4));
    EXPECT_FALSE(dialog().isVisible());
}

TEST_F(FindDialogTest, CaseMattersAndAMissStillBecomesTheCurrentSearch) {
    w.text_frame.setText(QStringLiteral("banana"));
    find(QStringLiteral("Ana"));
    EXPECT_EQ(services.messages, QStringList{QStringLiteral("String not found")});
    EXPECT_EQ(dialog().currentSearch, QStringLiteral("Ana"));
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(w.text_frame.selLength(), 0);
}

TEST_F(FindDialogTest, AHitOnALaterLineSelectsTheRightCharacters) {
    w.text_frame.setText(QStringLiteral("first line\r\nsecond line\r\nthird target here"));
    find(QStringLiteral("target"));
    EXPECT_EQ(w.text_frame.selStart(), 31);
    EXPECT_EQ(text()->selectedText(), QStringLiteral("target"));
    // A sought text may span a line break.
    dialog().currentSearch = QStringLiteral("line\r\nthird");
    findNext();
    EXPECT_EQ(w.text_frame.selStart(), 19);
    EXPECT_EQ(text()->selectedText(), QStringLiteral("line\r\nthird"));
}

TEST_F(FindDialogTest, AWordFarIntoALongDocumentIsFoundAndScrolledIntoView) {
    QString t;
    for (int line = 0; line < 3000; ++line)
        t += QStringLiteral("line %1 of filler text for the search\r\n")
                 .arg(line, 4, 10, QLatin1Char('0'));
    t += QStringLiteral("needle at the end");
    ASSERT_GT(t.size(), 40000);
    w.text_frame.setText(t);
    find(QStringLiteral("needle"));
    EXPECT_EQ(w.text_frame.selStart(), t.indexOf(QStringLiteral("needle")));
    EXPECT_EQ(text()->selectedText(), QStringLiteral("needle"));
    EXPECT_GT(text()->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(
        text()->viewport()->rect().contains(text()->characterRect(text()->caretPosition())));
    findNext();
    EXPECT_EQ(w.text_frame.selStart(), t.indexOf(QStringLiteral("needle")));
    EXPECT_EQ(dialog().startPos, t.indexOf(QStringLiteral("needle")) + 2);
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST_F(FindDialogTest, ReopeningShowsAnEmptyFieldAndKeepsFindNextsPosition) {
    w.text_frame.setText(QStringLiteral("banana"));
    find(QStringLiteral("ana"));
    findNext();
    EXPECT_EQ(dialog().startPos, 3);

    ctrl(Qt::Key_F);
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_EQ(findField()->text(), QString());
    EXPECT_EQ(dialog().startPos, 3) << "showing a loaded dialog must not run its load handler";
    QTest::keyClicks(findField(), QStringLiteral("ana"));
    QTest::mouseClick(button("button_find"), Qt::LeftButton);
    EXPECT_EQ(selected(), Range(4, 6));
    EXPECT_EQ(dialog().startPos, 1);
}

TEST_F(FindDialogTest, FindNextBeforeAnyFindNeverShowsTheDialog) {
    w.text_frame.setText(QStringLiteral("banana"));
    findNext();
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(services.messages, QStringList{QStringLiteral("String not found")});
    EXPECT_EQ(w.text_frame.selLength(), 0);
    EXPECT_EQ(dialog().startPos, 1);

    // An unloaded dialog still searches from the first character.
    dialog().currentSearch = QStringLiteral("b");
    dialog().startPos = 0;
    findNext();
    EXPECT_EQ(selected(), Range(1, 1));
    EXPECT_FALSE(dialog().isVisible());
}

TEST_F(FindDialogTest, AnEmptySearchTextIsNeverFound) {
    w.text_frame.setText(QStringLiteral("banana"));
    find(QString());
    EXPECT_EQ(services.messages, QStringList{QStringLiteral("String not found")});
    findNext();
    EXPECT_EQ(services.messages.size(), 2);
    EXPECT_EQ(w.text_frame.selLength(), 0);
}

TEST_F(FindDialogTest, AfterAHitTypingReplacesTheFoundText) {
    w.text_frame.setText(QStringLiteral("banana"));
    find(QStringLiteral("nan"));
    EXPECT_TRUE(QTest::qWaitForWindowActive(window()));
    EXPECT_EQ(QApplication::focusWidget(), text());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("X"));
    EXPECT_EQ(w.text_frame.text(), QStringLiteral("baXa"));
}

// Some window managers offer minimize on the dialog although it asks for none.
TEST_F(FindDialogTest, FindBringsBackAMinimizedDialogNormalAndActive) {
    ctrl(Qt::Key_F);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialogWindow()));
    dialogWindow()->setWindowState(Qt::WindowMinimized);
    // The person goes back to the editor and asks for the dialog again.
    window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));

    ctrl(Qt::Key_F);
    EXPECT_EQ(dialogWindow()->windowState() & ~Qt::WindowActive, Qt::WindowNoState);
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialogWindow()));
    EXPECT_EQ(QApplication::activeWindow(), dialogWindow());
}

TEST_F(FindDialogTest, AHitBringsBackAMinimizedEditorNormalAndActive) {
    w.text_frame.setText(QStringLiteral("banana"));
    ctrl(Qt::Key_F);
    QTest::keyClicks(findField(), QStringLiteral("nan"));
    window()->setWindowState(Qt::WindowMinimized);
    QTest::mouseClick(button("button_find"), Qt::LeftButton);

    EXPECT_EQ(window()->windowState() & ~Qt::WindowActive, Qt::WindowNoState);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window()));
    EXPECT_EQ(QApplication::activeWindow(), window());
    EXPECT_EQ(QApplication::focusWidget(), text());
    EXPECT_EQ(text()->selectedText(), QStringLiteral("nan"));
}

TEST_F(FindDialogTest, AHitBringsBackAMinimizedMaximizedEditorMaximized) {
    w.text_frame.setText(QStringLiteral("banana"));
    window()->setWindowState(Qt::WindowMaximized);
    ctrl(Qt::Key_F);
    QTest::keyClicks(findField(), QStringLiteral("nan"));
    window()->setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
    QTest::mouseClick(button("button_find"), Qt::LeftButton);

    EXPECT_EQ(window()->windowState() & ~Qt::WindowActive, Qt::WindowMaximized);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window()));
}

TEST_F(FindDialogTest, EnterAndEscapePressNeitherButtonAndTheFrameClosesLikeCancel) {
    w.text_frame.setText(QStringLiteral("banana"));
    ctrl(Qt::Key_F);
    QTest::keyClicks(findField(), QStringLiteral("ana"));
    QTest::keyClick(findField(), Qt::Key_Return);
    QTest::keyClick(findField(), Qt::Key_Escape);
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_TRUE(services.messages.isEmpty());
    EXPECT_EQ(w.text_frame.selLength(), 0);

    dialog().startPos = 4;
    dialogWindow()->close();
    EXPECT_TRUE(dialog().isLoaded());
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(dialog().startPos, 1);
    EXPECT_EQ(findField()->text(), QString());
    EXPECT_FALSE(Program::hasEnded());
}

TEST_F(FindDialogTest, TheDialogHasItsLayout) {
    ctrl(Qt::Key_F);
    EXPECT_EQ(dialogWindow()->windowTitle(), QStringLiteral("Find text in file - Quorel"));
    EXPECT_EQ(dialogWindow()->size(), QSize(411, 75));
    EXPECT_EQ(dialogWindow()->pos(), QPoint(184, 250));
    EXPECT_FALSE(dialogWindow()->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(dialogWindow()->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(button("button_find")->geometry(), QRect(312, 8, 81, 25));
    EXPECT_EQ(button("button_cancel")->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(findField()->geometry(), QRect(80, 32, 217, 19));
    // Tab order: Find, Cancel, the text field.
    EXPECT_EQ(button("button_find")->nextInFocusChain(), button("button_cancel"));
    EXPECT_EQ(button("button_cancel")->nextInFocusChain(), findField());
    EXPECT_FALSE(dialogWindow()->parentWidget());
}

// A form of another program's own, with a text box of its own to search.
class notes_form : public Form {
public:
    notes_form() : Form(QStringLiteral("notes_form")) {}
    TextBox text_notes{*this, QStringLiteral("text_notes")};

protected:
    void layout() override {
        setClientSize(3000, 3000);
        text_notes.create(TextBox::Kind::MultiLine, Twips{0, 0, 3000, 3000});
    }
};

using HandedTextBoxTest = GuiTest;

TEST_F(HandedTextBoxTest, TheDialogSearchesTheTextBoxItIsHandedAndNoOther) {
    notes_form& notes = Forms::instance<notes_form>();
    notes.text_notes.setText(QStringLiteral("nothing here, then the word"));
    find_dialog& dialog = find_dialog::instance();
    dialog.currentSearch = QStringLiteral("word");
    try {
        dialog.findNext();
        ADD_FAILURE() << "a search without a text box raised nothing";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::ObjectNotSet);
    }

    dialog.setTextBox(notes.text_notes);
    dialog.findNext();
    EXPECT_EQ(notes.text_notes.selStart(), 23);
    EXPECT_EQ(notes.text_notes.selLength(), 4);
    EXPECT_TRUE(notes.isVisible());
    EXPECT_TRUE(services.messages.isEmpty());
}

} // namespace
