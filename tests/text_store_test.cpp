// The text box's storage checked against a plain string and its line breaks
// worked out from scratch.
#include "docfile/code_page.h"
#include "text/text_store.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// Everything the store says about the text, checked the plain way: a line
// starts just past each CR LF, and a position belongs to the last line that
// starts at or before it.
void expectSameAs(const TextStore& store, const QString& model) {
    ASSERT_EQ(store.size(), model.size());
    ASSERT_EQ(store.mid(0, model.size()), model);
    qsizetype line = 0;
    ASSERT_EQ(store.lineStart(0), 0);
    for (qsizetype i = 0; i <= model.size(); ++i) {
        if (i >= 2 && model[i - 2] == u'\r' && model[i - 1] == u'\n') {
            ASSERT_EQ(store.lineEnd(line), i - 2) << "line " << line;
            ASSERT_EQ(store.lineStart(++line), i) << "line " << line;
        }
        ASSERT_EQ(store.lineOf(i), line) << "position " << i;
    }
    ASSERT_EQ(store.lineCount(), line + 1);
    ASSERT_EQ(store.lineEnd(line), model.size());
}

QString randomPiece(QRandomGenerator& random) {
    static const QString pieces[] = {QStringLiteral("a"),     QStringLiteral("bc"),
                                     QStringLiteral("\r"),    QStringLiteral("\n"),
                                     QStringLiteral("\r\n"),  QStringLiteral("\U0001F600"),
                                     QStringLiteral("\u2028")};
    QString piece;
    for (int n = random.bounded(random.bounded(8) == 0 ? 40 : 4); n > 0; --n)
        piece += pieces[random.bounded(int(std::size(pieces)))];
    return piece;
}

} // namespace

TEST(TextStoreTest, RandomEditsAgreeWithAPlainString) {
    QRandomGenerator random(20240611);
    TextStore store;
    QString model;
    for (int round = 0; round < 4000; ++round) {
        // Edits land next to a CR or an LF half the time, to join and split
        // line breaks.
        qsizetype position = random.bounded(model.size() + 1);
        if (random.bounded(2) == 0) {
            const qsizetype cr = model.indexOf(u'\r', position);
            const qsizetype lf = model.indexOf(u'\n', position);
            if (const qsizetype near = random.bounded(2) ? cr : lf; near >= 0)
                position = std::min(near + random.bounded(3), model.size());
        }
        const qsizetype longer = model.size() > 600 ? 12 : 3;
        const qsizetype length = random.bounded(std::min(longer, model.size() - position) + 1);
        const QString inserted = randomPiece(random);
        store.replace(position, length, inserted);
        model.replace(position, length, inserted);
        ASSERT_NO_FATAL_FAILURE(expectSameAs(store, model)) << "round " << round;
        const qsizetype from = random.bounded(model.size() + 3) - 1;
        const qsizetype count = random.bounded(model.size() + 3) - 1;
        const qsizetype start = std::clamp<qsizetype>(from, 0, model.size());
        const qsizetype end = std::clamp<qsizetype>(from + count, start, model.size());
        ASSERT_EQ(store.mid(from, count), model.mid(start, end - start));
        if (random.bounded(50) == 0) {
            ASSERT_EQ(store.text(), model);
        }
    }
}

TEST(TextStoreTest, EveryKindOfBreakComesBackAsItWas) {
    const QString text = QStringLiteral("a\rb\nc\r\nd\u2028e\r\r\n\n\n\r\r\n");
    TextStore store;
    store.setText(text);
    EXPECT_EQ(store.text(), text);
    EXPECT_EQ(store.lineCount(), 4);
    EXPECT_NO_FATAL_FAILURE(expectSameAs(store, text));
    store.setText(QString());
    EXPECT_NO_FATAL_FAILURE(expectSameAs(store, QString()));
}

TEST(TextStoreTest, AStringHandedOutNeverChangesUnderItsHolder) {
    TextStore store;
    store.setText(QStringLiteral("one\r\ntwo"));
    const QString first = store.text();
    store.replace(3, 0, u"!");
    const QString second = store.text();
    // Deleting only widens the gap over memory both still share.
    store.replace(second.size() - 1, 1, u"");
    EXPECT_EQ(store.text(), QStringLiteral("one!\r\ntw"));
    store.replace(0, 1, u"");
    EXPECT_EQ(first, QStringLiteral("one\r\ntwo"));
    EXPECT_EQ(second, QStringLiteral("one!\r\ntwo"));
    EXPECT_EQ(store.text(), QStringLiteral("ne!\r\ntw"));

    QString third = store.text();
    third[0] = u'N';
    EXPECT_EQ(store.text(), QStringLiteral("ne!\r\ntw"));
}

TEST(TextStoreTest, LongTypingAndLargePastesGrowTheGap) {
    QString model = QString(50'000, u'x') + QStringLiteral("\r\n") + QString(50'000, u'y');
    TextStore store;
    store.setText(model);
    for (qsizetype i = 0; i < 70'000; ++i) {
        const QString key = i % 100 == 99 ? QStringLiteral("\r\n") : QStringLiteral("k");
        store.replace(30'000 + i, 0, key);
        model.insert(30'000 + i, key);
        if (i % 20'000 == 0) {
            ASSERT_EQ(store.text(), model);
        }
    }
    QString paste;
    for (int i = 0; i < 30'000; ++i)
        paste += QStringLiteral("p\r\n\r");
    store.replace(10, 80'000, paste);
    model.replace(10, 80'000, paste);
    EXPECT_NO_FATAL_FAILURE(expectSameAs(store, model));
}

TEST(TextStoreTest, ATextInTheCodePageWidensWhereverACharacterOutsideItComes) {
    // Every byte, the five the code page leaves undefined among them, and breaks.
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(char(b));
    bytes += "\r\nend\r";
    for (const qsizetype at : {qsizetype(0), qsizetype(0x8E), bytes.size()}) {
        TextStore store;
        store.setText(DocumentText(bytes));
        QString model = CodePage::decode(bytes);
        EXPECT_EQ(store.text().storedAs(), DocumentText::Form::CodePage);
        ASSERT_NO_FATAL_FAILURE(expectSameAs(store, model));
        EXPECT_EQ(store.text().indexOf(u"\u20AC\u0081"), 0x80);
        EXPECT_EQ(store.text().indexOf(u"\u03A9"), -1);
        const DocumentText before = store.text();

        store.replace(at, 0, u"\u03A9");
        model.insert(at, u'\u03A9');
        EXPECT_EQ(store.text().storedAs(), DocumentText::Form::Utf16);
        ASSERT_NO_FATAL_FAILURE(expectSameAs(store, model)) << "at " << at;
        EXPECT_EQ(store.text().indexOf(u"\u03A9"), at);
        EXPECT_EQ(store.text().indexOf(u"\u008F\u0090"), model.indexOf(u"\u008F\u0090"));
        EXPECT_EQ(QString(before), CodePage::decode(bytes));
        store.replace(at, 1, u"");
        EXPECT_EQ(CodePage::encode(QString(store.text())).bytes, bytes);
    }

    // The edit that widens the text joins a CR to an LF.
    TextStore store;
    store.setText(DocumentText(QByteArray("ab\r")));
    store.replace(3, 0, u"\n\U0001F600");
    EXPECT_NO_FATAL_FAILURE(expectSameAs(store, QStringLiteral("ab\r\n\U0001F600")));
    EXPECT_EQ(store.lineCount(), 2);
    // A whole text that the code page holds is kept in it again.
    store.setText(QStringLiteral("caf\u00E9\r\n\u20AC"));
    EXPECT_EQ(store.text().storedAs(), DocumentText::Form::CodePage);
    EXPECT_NO_FATAL_FAILURE(expectSameAs(store, QStringLiteral("caf\u00E9\r\n\u20AC")));
}
