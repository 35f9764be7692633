#include "tests/editor_test.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace {

using MainWindowTest = EditorTest;

TEST_F(MainWindowTest, StartsAsANewUnchangedDocumentWithItsLayout) {
    EXPECT_EQ(window()->windowTitle(), QStringLiteral("Quorel - Ostravane's own text editor"));
    EXPECT_EQ(window()->clientArea()->size(), QSize(520, 342));
    EXPECT_EQ(text()->geometry(), QRect(0, 0, 521, 345));
    EXPECT_EQ(text()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(text()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(w.text_frame.text(), QString());
    EXPECT_FALSE(w.hasFile());
    EXPECT_EQ(w.fileName(), QString());
    EXPECT_FALSE(w.isChanged());
    EXPECT_TRUE(window()->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainWindowTest, TheTextBoxKeepsItsPlaceWhenTheWindowIsResized) {
    window()->resize(900, 700);
    QTest::qWait(1);
    EXPECT_EQ(text()->geometry(), QRect(0, 0, 521, 345));
}

TEST_F(MainWindowTest, MenusHaveTheirCaptionsInOrderWithShortcuts) {
    const QList<QAction*> titles = window()->menuBar()->actions();
    ASSERT_EQ(titles.size(), 2);
    EXPECT_EQ(titles[0]->text(), QStringLiteral("&File"));
    EXPECT_EQ(titles[1]->text(), QStringLiteral("&Search"));

    auto items = [](QAction* title) {
        QStringList list;
        for (QAction* a : title->menu()->actions())
            list << a->text() + QLatin1Char('|') + a->shortcut().toString();
        return list;
    };
    EXPECT_EQ(items(titles[0]),
              (QStringList{QStringLiteral("&new|Ctrl+N"), QStringLiteral("&open|Ctrl+O"),
                           QStringLiteral("&save|Ctrl+S"), QStringLiteral("save &as|"),
                           QStringLiteral("e&xit|")}));
    EXPECT_EQ(items(titles[1]),
              (QStringList{QStringLiteral("&find|Ctrl+F"), QStringLiteral("find &next|")}));
}

TEST_F(MainWindowTest, TypingChangesTheDocumentEvenWhenTypedBack) {
    QTest::keyClicks(text(), QStringLiteral("ab"));
    EXPECT_TRUE(w.isChanged());
    EXPECT_EQ(w.text_frame.text(), QStringLiteral("ab"));

    QTest::keyClick(window(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_FALSE(w.isChanged());
    QTest::keyClicks(text(), QStringLiteral("x"));
    QTest::keyClick(text(), Qt::Key_Backspace);
    EXPECT_EQ(w.text_frame.text(), QString());
    EXPECT_TRUE(w.isChanged());
}

TEST_F(MainWindowTest, FileNewThroughItsShortcutDiscardsTheTextWithoutAQuestion) {
    QTest::keyClicks(text(), QStringLiteral("draft"));
    QTest::keyClick(text(), Qt::Key_Return);
    QTest::keyClicks(text(), QStringLiteral("more"));
    QTest::keyClick(window(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(w.text_frame.text(), QString());
    EXPECT_EQ(text()->textStore().lineCount(), 1);
    EXPECT_FALSE(w.hasFile());
    EXPECT_FALSE(w.isChanged());
    EXPECT_TRUE(services.messages.isEmpty());
    EXPECT_FALSE(Program::hasEnded());
}

TEST_F(MainWindowTest, ExitEndsTheProgramAtOnceWithUnsavedChanges) {
    QTest::keyClicks(text(), QStringLiteral("unsaved"));
    menu(Qt::Key_F, Qt::Key_X);
    EXPECT_TRUE(Program::hasEnded());
    EXPECT_FALSE(window()->isVisible());
    EXPECT_TRUE(services.messages.isEmpty());
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheProgramWhileAnotherFormIsHidden) {
    struct hidden_form : Form {
        hidden_form() : Form(QStringLiteral("hidden_form")) {}
        void layout() override {}
    };
    Forms::instance<hidden_form>().hide();
    window()->close();
    EXPECT_TRUE(Program::hasEnded());
    EXPECT_FALSE(window()->isVisible());
}

} // namespace
