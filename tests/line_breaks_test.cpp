// Line breaks across the store's edges: in, out, shown, and counted as a
// screen reader counts them.
#include "text/line_breaks.h"
#include "text/text_store.h"

#include <gtest/gtest.h>

TEST(LineBreaksTest, EveryKindComesInAsCrLfAndGoesOutAsLf) {
    EXPECT_EQ(LineBreaks::toCrLf(u"a\nb\rc\r\nd\u2028e\u2029f\u0085g\r"),
              QStringLiteral("a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\n"));
    EXPECT_EQ(LineBreaks::toCrLf(u"\n\r"), QStringLiteral("\r\n\r\n")) << "LF CR is two breaks";
    EXPECT_EQ(LineBreaks::toLf(QStringLiteral("a\r\nb\rc\nd")), QStringLiteral("a\nb\rc\nd"));

    EXPECT_EQ(LineBreaks::pictureOf(u'\r'), u'\u240D');
    EXPECT_EQ(LineBreaks::pictureOf(u'\n'), u'\u240A');
    EXPECT_EQ(LineBreaks::pictureOf(u'\u2029'), u'\u00B6');
    EXPECT_EQ(LineBreaks::pictureOf(u'\t'), 0);
    EXPECT_EQ(LineBreaks::readable(QStringLiteral("a\rb\r\nc\n")),
              QStringLiteral("a\u240Db\nc\u240A"));
}

TEST(LineBreaksTest, AScreenReaderCountsEachBreakAsOneCharacter) {
    TextStore store;
    // Lines "ab", "" and "c\rd" (a lone CR is a character of its line).
    store.setText(QStringLiteral("ab\r\n\r\nc\rd"));
    EXPECT_EQ(LineBreaks::characterCount(store), 7);
    // Store position -> offset, the position inside a CR LF counting as it.
    const qsizetype offsets[] = {0, 1, 2, 2, 3, 3, 4, 5, 6, 7};
    for (qsizetype position = 0; position < 10; ++position)
        EXPECT_EQ(LineBreaks::offsetOf(store, position), offsets[position]) << position;
    // Offset -> store position: a break's offset falls on its CR.
    const qsizetype positions[] = {0, 1, 2, 4, 6, 7, 8, 9};
    for (qsizetype offset = 0; offset < 8; ++offset)
        EXPECT_EQ(LineBreaks::positionOf(store, offset), positions[offset]) << offset;
    EXPECT_EQ(LineBreaks::positionOf(store, 99), 9);
    EXPECT_EQ(LineBreaks::positionOf(store, -1), 0);

    // After edits that join and split breaks, the mapping follows.
    store.replace(2, 2, u"\r"); // "ab\r\r\nc\rd": a lone CR ends the first line
    store.replace(7, 0, u"\n"); // "ab\r\r\nc\r\nd": the lone CR after c becomes a break
    EXPECT_EQ(LineBreaks::characterCount(store), 7);
    EXPECT_EQ(LineBreaks::offsetOf(store, 9), 7);
    EXPECT_EQ(LineBreaks::positionOf(store, 7), 9);
    EXPECT_EQ(LineBreaks::positionOf(store, 5), 6);
}
