// The text view as a screen reader finds it: what it reads, where it finds
// the caret and the selection, what it edits and the events it hears.
#include "tests/shown_text_view.h"
#include "textview/text_view_accessible.h"

#include <QAccessible>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// One event as the screen reader hears it; -1 where the event has no such part.
struct Heard {
    QAccessible::Event type;
    int position = -1; // where the text changed, or where the selection starts
    QString removed{};
    QString inserted{};
    int cursor = -1;
    int selectionEnd = -1;
    bool operator==(const Heard&) const = default;
};

void PrintTo(const Heard& h, std::ostream* out) {
    *out << "{type " << int(h.type) << ", at " << h.position << ", removed \""
         << h.removed.toStdString() << "\", inserted \"" << h.inserted.toStdString()
         << "\", cursor " << h.cursor << ", selection end " << h.selectionEnd << '}';
}

std::vector<Heard> heard;

template <typename Change> void hearChange(Heard& h, QAccessibleEvent* event) {
    const auto* change = static_cast<Change*>(event);
    h.position = change->changePosition();
    if constexpr (!std::is_same_v<Change, QAccessibleTextInsertEvent>)
        h.removed = change->textRemoved();
    if constexpr (!std::is_same_v<Change, QAccessibleTextRemoveEvent>)
        h.inserted = change->textInserted();
}

void hear(QAccessibleEvent* event) {
    Heard h{event->type()};
    if (event->type() == QAccessible::TextInserted)
        hearChange<QAccessibleTextInsertEvent>(h, event);
    else if (event->type() == QAccessible::TextRemoved)
        hearChange<QAccessibleTextRemoveEvent>(h, event);
    else if (event->type() == QAccessible::TextUpdated)
        hearChange<QAccessibleTextUpdateEvent>(h, event);
    if (event->type() == QAccessible::TextSelectionChanged) {
        const auto* selection = static_cast<QAccessibleTextSelectionEvent*>(event);
        h.position = selection->selectionStart();
        h.selectionEnd = selection->selectionEnd();
    }
    h.cursor = static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition();
    heard.push_back(h);
}

// A piece of text a boundary query returned.
struct Piece {
    QString text;
    int start = -1;
    int end = -1;
    bool operator==(const Piece&) const = default;
};

void PrintTo(const Piece& p, std::ostream* out) {
    *out << '"' << p.text.toStdString() << "\" [" << p.start << ", " << p.end << ')';
}

// Qt's own reading of a plain string, with the boundaries that
// QAccessibleTextInterface finds by default in the whole text.
class PlainText : public QAccessibleTextInterface {
public:
    explicit PlainText(QString text) : plain(std::move(text)) {}
    void selection(int, int*, int*) const override {}
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return plain.mid(start, end - start); }
    int characterCount() const override { return int(plain.size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int*, int*) const override { return {}; }

private:
    QString plain;
};

class TextViewAccessibleTest : public ShownTextView {
protected:
    TextViewAccessibleTest() { TextViewAccessible::setEventSink(hear); }
    ~TextViewAccessibleTest() override { TextViewAccessible::setEventSink(nullptr); }

    QAccessibleInterface* accessible() { return QAccessible::queryAccessibleInterface(&view); }
    QAccessibleTextInterface* reader() { return accessible()->textInterface(); }
    QAccessibleEditableTextInterface* editor() { return accessible()->editableTextInterface(); }
    std::pair<int, int> selection() {
        int start = -1;
        int end = -1;
        reader()->selection(0, &start, &end);
        return {start, end};
    }
    // A boundary query, of the view or of another text.
    using Query = QString (QAccessibleTextInterface::*)(int, QAccessible::TextBoundaryType, int*,
                                                        int*) const;
    static constexpr Query At = &QAccessibleTextInterface::textAtOffset;
    static constexpr Query Before = &QAccessibleTextInterface::textBeforeOffset;
    static constexpr Query After = &QAccessibleTextInterface::textAfterOffset;
    Piece ask(Query query, int offset, QAccessible::TextBoundaryType type,
              QAccessibleTextInterface* text = nullptr) {
        Piece piece;
        piece.text = ((text ? text : reader())->*query)(offset, type, &piece.start, &piece.end);
        return piece;
    }
    // The global rectangle the view's viewport covers on the screen.
    QRect screenArea() const {
        return QRect(view.viewport()->mapToGlobal(QPoint(0, 0)), view.viewport()->size());
    }
};

TEST_F(TextViewAccessibleTest, IsAFocusableMultiLineEditableText) {
    QAccessibleInterface* iface = accessible();
    ASSERT_NE(dynamic_cast<TextViewAccessible*>(iface), nullptr);
    EXPECT_EQ(iface->role(), QAccessible::EditableText);
    const QAccessible::State state = iface->state();
    EXPECT_TRUE(state.multiLine && state.editable && state.focusable && state.selectableText);
    EXPECT_TRUE(state.focused);
    EXPECT_NE(reader(), nullptr);
    EXPECT_NE(editor(), nullptr);
}

TEST_F(TextViewAccessibleTest, ReadsEachLineBreakAsOneLineFeed) {
    view.setText(QStringLiteral("a\r\nb"));
    EXPECT_EQ(reader()->characterCount(), 3);
    EXPECT_EQ(reader()->text(0, 3), QStringLiteral("a\nb"));
    EXPECT_EQ(reader()->text(1, 2), QStringLiteral("\n"));
    EXPECT_EQ(reader()->text(2, 3), QStringLiteral("b"));
    EXPECT_EQ(accessible()->text(QAccessible::Value), QStringLiteral("a\nb"));

    view.setText(QStringLiteral("one\r\ntwo\r\n\r\nthree"));
    EXPECT_EQ(reader()->characterCount(), 14);
    EXPECT_EQ(reader()->text(4, 9), QStringLiteral("two\n\n"));
    EXPECT_EQ(reader()->text(9, 4), QStringLiteral("two\n\n"));
    EXPECT_EQ(reader()->text(-3, 99), QStringLiteral("one\ntwo\n\nthree"));

    // What is no line break reads as the picture the view shows.
    view.setText(QStringLiteral("x\ry\nz\u2028w\u2029"));
    EXPECT_EQ(reader()->text(0, reader()->characterCount()),
              QStringLiteral("x\u240Dy\u240Az\u2424w\u00B6"));
}

TEST_F(TextViewAccessibleTest, FindsTheCaretAndTheSelectionAPersonMoved) {
    view.setText(QStringLiteral("ab\r\ncd\r\nef"));
    key(Qt::Key_End);
    EXPECT_EQ(reader()->cursorPosition(), 2);
    key(Qt::Key_Down);
    EXPECT_EQ(reader()->cursorPosition(), 5);
    key(Qt::Key_Down);
    EXPECT_EQ(reader()->cursorPosition(), 8);
    key(Qt::Key_Home);
    EXPECT_EQ(reader()->selectionCount(), 0);
    key(Qt::Key_Up, Qt::ShiftModifier);
    key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(reader()->cursorPosition(), 2);
    EXPECT_EQ(reader()->selectionCount(), 1);
    EXPECT_EQ(selection(), std::make_pair(2, 6));
    EXPECT_EQ(reader()->text(2, 6), QStringLiteral("\ncd\n"));
    EXPECT_EQ(view.selectedText(), QStringLiteral("\r\ncd\r\n"));
}

TEST_F(TextViewAccessibleTest, MovesTheCaretAndTheSelectionWhereAsked) {
    view.setText(QStringLiteral("ab\r\ncd\r\nef"));
    reader()->setSelection(0, 1, 4);
    EXPECT_EQ(view.selectedText(), QStringLiteral("b\r\nc"));
    EXPECT_EQ(view.caretPosition(), 5);
    reader()->setSelection(0, 7, 3);
    EXPECT_EQ(view.anchorPosition(), 9);
    EXPECT_EQ(view.caretPosition(), 4);
    EXPECT_EQ(selection(), std::make_pair(3, 7));
    reader()->removeSelection(0);
    EXPECT_EQ(view.selectionStart(), view.selectionEnd());
    EXPECT_EQ(reader()->cursorPosition(), 3);
    reader()->addSelection(0, 2);
    EXPECT_EQ(view.selectedText(), QStringLiteral("ab"));
    // The offset of a line break is its CR's position; past the end is the end.
    reader()->setCursorPosition(5);
    EXPECT_EQ(view.caretPosition(), 6);
    EXPECT_EQ(view.anchorPosition(), 6);
    reader()->setCursorPosition(100);
    EXPECT_EQ(view.caretPosition(), 10);
    EXPECT_EQ(reader()->cursorPosition(), 8);
}

TEST_F(TextViewAccessibleTest, EditsLikeAPersonAndTheCaretStaysWithItsText) {
    view.setText(QStringLiteral("ab\r\ncd"));
    key(Qt::Key_Down);
    key(Qt::Key_End);
    QSignalSpy changed(&view, &TextView::textChanged);
    editor()->insertText(1, QStringLiteral("X\nY"));
    EXPECT_EQ(view.text(), QStringLiteral("aX\r\nYb\r\ncd"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(reader()->cursorPosition(), 8);
    EXPECT_EQ(reader()->selectionCount(), 0);
    editor()->deleteText(2, 5);
    EXPECT_EQ(view.text(), QStringLiteral("aX\r\ncd"));
    EXPECT_EQ(reader()->cursorPosition(), 5);
    // A caret inside the replaced text ends up after the new one.
    reader()->setCursorPosition(1);
    editor()->replaceText(2, 0, QStringLiteral("Z!"));
    EXPECT_EQ(view.text(), QStringLiteral("Z!\r\ncd"));
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(reader()->cursorPosition(), 2);
    view.undo();
    EXPECT_EQ(view.text(), QStringLiteral("aX\r\ncd"));
    accessible()->setText(QAccessible::Value, QStringLiteral("new\ntext"));
    EXPECT_EQ(view.text(), QStringLiteral("new\r\ntext"));
    view.undo();
    EXPECT_EQ(view.text(), QStringLiteral("aX\r\ncd")) << "a screen reader's edit is undone";
}

TEST_F(TextViewAccessibleTest, AtTheEndOfALineReadsTheWordThatEndsThere) {
    using enum QAccessible::TextBoundaryType;
    view.setText(QStringLiteral("abc def\r\nSo it goes. Yes\r\nend.\r\n"));
    const int count = reader()->characterCount();
    ASSERT_EQ(count, 29);
    // At a line break: the word or sentence before it; the break itself
    // stays its own character.
    EXPECT_EQ(ask(At, 7, WordBoundary), (Piece{QStringLiteral("def"), 4, 7}));
    EXPECT_EQ(ask(At, 7, CharBoundary), (Piece{QStringLiteral("\n"), 7, 8}));
    EXPECT_EQ(ask(At, 23, SentenceBoundary), (Piece{QStringLiteral("Yes"), 20, 23}));
    EXPECT_EQ(ask(At, 28, WordBoundary), (Piece{QString(), 28, 28})) << "after a full stop";
    EXPECT_EQ(ask(At, 28, SentenceBoundary), (Piece{QStringLiteral("end."), 24, 28}));
    // At the end of the text: an empty character, and on an empty last
    // line no word.
    EXPECT_EQ(ask(At, count, CharBoundary), (Piece{QString(), count, count}));
    EXPECT_EQ(ask(At, -1, WordBoundary), (Piece{QString(), count, count}));
    view.setText(QStringLiteral("abc def"));
    EXPECT_EQ(ask(At, 7, WordBoundary), (Piece{QStringLiteral("def"), 4, 7}));
    EXPECT_EQ(ask(At, 7, SentenceBoundary), (Piece{QStringLiteral("abc def"), 0, 7}));
    EXPECT_EQ(ask(Before, 7, WordBoundary), (Piece{QStringLiteral("abc"), 0, 3}))
        << "the word before the one that ends the text, never the same again";
    // A word too long for the first look back is still found whole.
    view.setText(QStringLiteral("x ") + QString(700, u'w'));
    EXPECT_EQ(ask(At, 702, WordBoundary).start, 2);
}

TEST_F(TextViewAccessibleTest, ReadsLinesWithoutTheirBreak) {
    using enum QAccessible::TextBoundaryType;
    view.setText(QStringLiteral("first\r\nsecond\r\n\r\nlast"));
    EXPECT_EQ(ask(At, 0, LineBoundary), (Piece{QStringLiteral("first"), 0, 5}));
    EXPECT_EQ(ask(At, 5, LineBoundary), (Piece{QStringLiteral("first"), 0, 5}));
    EXPECT_EQ(ask(At, 8, ParagraphBoundary), (Piece{QStringLiteral("second"), 6, 12}));
    EXPECT_EQ(ask(At, 13, LineBoundary), (Piece{QString(), 13, 13}));
    EXPECT_EQ(ask(At, 18, LineBoundary), (Piece{QStringLiteral("last"), 14, 18}));
    EXPECT_EQ(ask(At, -1, LineBoundary), (Piece{QStringLiteral("last"), 14, 18}));
    EXPECT_EQ(ask(At, 19, LineBoundary), Piece{});
    EXPECT_EQ(ask(After, 2, LineBoundary), (Piece{QStringLiteral("second"), 6, 12}));
    EXPECT_EQ(ask(After, 12, LineBoundary), (Piece{QString(), 13, 13}));
    EXPECT_EQ(ask(After, 15, LineBoundary), Piece{});
    EXPECT_EQ(ask(Before, 8, LineBoundary), (Piece{QStringLiteral("first"), 0, 5}));
    EXPECT_EQ(ask(Before, 14, LineBoundary), (Piece{QString(), 13, 13}));
    EXPECT_EQ(ask(Before, 3, LineBoundary), Piece{});
    EXPECT_EQ(ask(At, 3, NoBoundary), (Piece{QStringLiteral("first\nsecond\n\nlast"), 0, 18}));
}

TEST_F(TextViewAccessibleTest, FindsCharactersWordsAndSentencesAsQtDoesInTheirLine) {
    using enum QAccessible::TextBoundaryType;
    view.setText(QStringLiteral("Hi, you.\r\n\U0001F600 x"));
    EXPECT_EQ(ask(At, 8, CharBoundary), (Piece{QStringLiteral("\n"), 8, 9}));
    EXPECT_EQ(ask(At, 9, CharBoundary), (Piece{QStringLiteral("\U0001F600"), 9, 11}));
    EXPECT_EQ(ask(At, 13, CharBoundary), (Piece{QString(), 13, 13}));
    EXPECT_EQ(ask(Before, 13, CharBoundary), (Piece{QStringLiteral("x"), 12, 13}));
    EXPECT_EQ(ask(After, 8, CharBoundary), (Piece{QStringLiteral("\U0001F600"), 9, 11}));
    EXPECT_EQ(ask(At, 9, SentenceBoundary), (Piece{QStringLiteral("\U0001F600 x"), 9, 13}));

    // In a long line, read a piece at a time, the units are still the ones
    // Qt finds reading all of it, even a word longer than any first piece.
    QString line;
    for (int i = 0; line.size() < 40000; ++i)
        line += i % 37 == 0 ? QString(700, u'w') : QStringLiteral("Word %1, it's. ").arg(i);
    view.setText(line);
    PlainText plain(line);
    for (int offset = 0; offset < line.size(); offset += 211) {
        for (auto type : {CharBoundary, SentenceBoundary}) {
            ASSERT_EQ(ask(At, offset, type), ask(At, offset, type, &plain))
                << "offset " << offset << " boundary " << int(type);
        }
    }
}

TEST_F(TextViewAccessibleTest, WordsAreTheCaretsAndReadAsQPlainTextEditReadsThem) {
    using enum QAccessible::TextBoundaryType;
    // The word at an offset is the one QPlainTextEdit's reader finds there,
    // which is what a double click selects; before and after it are the
    // words Ctrl+Left and Ctrl+Right stop at, one after the other across
    // lines, where QPlainTextEdit's reader may give the same word again.
    const QString words = QStringLiteral("Hi, you. x\\y\n\t\u00e9--wide  (c)\n\nend \n");
    QString longLine;
    for (int i = 0; longLine.size() < 20000; ++i)
        longLine += i % 37 == 0 ? QString(700, u'w') : QStringLiteral("Word %1, it's. ").arg(i);
    QPlainTextEdit plain;
    for (const QString& text : {words, longLine}) {
        plain.setPlainText(text);
        QAccessibleTextInterface* reference =
            QAccessible::queryAccessibleInterface(&plain)->textInterface();
        QString crlf = text;
        view.setText(crlf.replace(u'\n', QStringLiteral("\r\n")));
        const int step = text.size() > 1000 ? 97 : 1;
        for (int offset = 0; offset <= int(text.size()); offset += step)
            ASSERT_EQ(ask(At, offset, WordBoundary), ask(At, offset, WordBoundary, reference))
                << "offset " << offset;
    }

    view.setText(QString(words).replace(u'\n', QStringLiteral("\r\n")));
    const QStringList expected = {
        QStringLiteral("Hi"),   QStringLiteral(","),      QStringLiteral("you"),
        QStringLiteral("."),    QStringLiteral("x"),      QStringLiteral("\\"),
        QStringLiteral("y"),    QStringLiteral("\u00e9"), QStringLiteral("--"),
        QStringLiteral("wide"), QStringLiteral("("),      QStringLiteral("c"),
        QStringLiteral(")"),    QStringLiteral("end")};
    QStringList forward;
    for (Piece word = ask(At, 0, WordBoundary); !word.text.isEmpty();
         word = ask(After, word.start, WordBoundary)) {
        ASSERT_LT(forward.size(), expected.size());
        forward << word.text.trimmed();
    }
    EXPECT_EQ(forward, expected);
    QStringList backward;
    for (Piece word = ask(Before, reader()->characterCount(), WordBoundary); !word.text.isEmpty();
         word = ask(Before, word.start, WordBoundary)) {
        ASSERT_LT(backward.size(), expected.size());
        backward.prepend(word.text.trimmed());
    }
    EXPECT_EQ(backward, expected);
}

TEST_F(TextViewAccessibleTest, TellsWhereCharactersAreOnTheScreen) {
    view.setText(QStringLiteral("ab\r\ncd"));
    const QRect d = reader()->characterRect(4);
    EXPECT_EQ(d, view.characterRect(5).translated(screenArea().topLeft()));
    EXPECT_TRUE(screenArea().contains(d));
    EXPECT_EQ(reader()->offsetAtPoint(QPoint(d.left() + 1, d.center().y())), 4);
    EXPECT_EQ(reader()->offsetAtPoint(QPoint(d.right() - 1, d.center().y())), 4);
    EXPECT_EQ(reader()->offsetAtPoint(screenArea().topLeft() - QPoint(5, 5)), -1);
    EXPECT_FALSE(reader()->characterRect(5).isValid());

    QString lines;
    for (int i = 0; i < 300; ++i)
        lines +=
            QStringLiteral("line %1 %2\r\n").arg(i, 3, 10, QLatin1Char('0')).arg(QString(i, u'-'));
    view.setText(lines);
    const int far = int(reader()->text(0, reader()->characterCount()).indexOf(u"line 250"));
    const int wide = far + 200;
    reader()->scrollToSubstring(wide, wide + 4);
    EXPECT_TRUE(screenArea().contains(reader()->characterRect(wide)));
    EXPECT_TRUE(screenArea().contains(reader()->characterRect(wide + 3)));
    EXPECT_EQ(reader()->cursorPosition(), 0);
    reader()->scrollToSubstring(0, 4);
    EXPECT_TRUE(screenArea().contains(reader()->characterRect(0)));
}

TEST_F(TextViewAccessibleTest, TypingIsHeardAsTextInsertedOrRemovedAtItsOffset) {
    using enum QAccessible::Event;
    view.setText(QStringLiteral("ab\r\ncd"));
    key(Qt::Key_Down);
    key(Qt::Key_End);
    heard.clear();
    key(Qt::Key_X);
    EXPECT_EQ(heard, (std::vector<Heard>{{TextInserted, 5, {}, QStringLiteral("x"), 6},
                                         {TextCaretMoved, -1, {}, {}, 6}}));
    heard.clear();
    key(Qt::Key_Return);
    EXPECT_EQ(heard, (std::vector<Heard>{{TextInserted, 6, {}, QStringLiteral("\n"), 7},
                                         {TextCaretMoved, -1, {}, {}, 7}}));
    heard.clear();
    key(Qt::Key_Backspace);
    EXPECT_EQ(heard, (std::vector<Heard>{{TextRemoved, 6, QStringLiteral("\n"), {}, 6},
                                         {TextCaretMoved, -1, {}, {}, 6}}));
    heard.clear();
    view.setText(QStringLiteral("x\r\ny"));
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.front(),
              (Heard{TextUpdated, 0, QStringLiteral("ab\ncdx"), QStringLiteral("x\ny"), 3}));
}

TEST_F(TextViewAccessibleTest, ALineBreakAnEditMakesOrUndoesIsHeardAsOne) {
    using enum QAccessible::Event;
    view.setText(QStringLiteral("a\rX\nb"));
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    heard.clear();
    key(Qt::Key_Delete);
    ASSERT_EQ(view.text(), QStringLiteral("a\r\nb"));
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.front(),
              (Heard{TextUpdated, 1, QStringLiteral("\u240DX\u240A"), QStringLiteral("\n"), 2}));
    EXPECT_EQ(heard.back().cursor, reader()->cursorPosition());

    // Typing after a lone CR leaves it as it was.
    view.setText(QStringLiteral("a\r"));
    key(Qt::Key_End);
    heard.clear();
    key(Qt::Key_Y);
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.front(), (Heard{TextInserted, 2, {}, QStringLiteral("y"), 3}));
}

TEST_F(TextViewAccessibleTest, CaretAndSelectionMovesAreHeard) {
    using enum QAccessible::Event;
    view.setText(QStringLiteral("ab\r\ncd"));
    heard.clear();
    key(Qt::Key_Down);
    EXPECT_EQ(heard, (std::vector<Heard>{{TextCaretMoved, -1, {}, {}, 3}}));
    heard.clear();
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(heard, (std::vector<Heard>{{TextCaretMoved, -1, {}, {}, 4},
                                         {TextSelectionChanged, 3, {}, {}, 4, 4}}));
    heard.clear();
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(heard, (std::vector<Heard>{{TextCaretMoved, -1, {}, {}, 1},
                                         {TextSelectionChanged, 1, {}, {}, 1, 3}}));
    heard.clear();
    key(Qt::Key_Home);
    EXPECT_EQ(heard, (std::vector<Heard>{{TextCaretMoved, -1, {}, {}, 0},
                                         {TextSelectionChanged, 0, {}, {}, 0, 0}}));
}

} // namespace
