#include "search/search.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

using Search::find;

TEST(SearchTest, FindsTheFirstOccurrenceAtOrAfterTheStart) {
    EXPECT_EQ(find(u"banana", u"b", 1), 1);
    EXPECT_EQ(find(u"banana", u"banana", 1), 1);
    EXPECT_EQ(find(u"banana", u"na", 1), 3);
    EXPECT_EQ(find(u"banana", u"na", 3), 3);
    EXPECT_EQ(find(u"banana", u"na", 4), 5);
    EXPECT_EQ(find(u"banana", u"bananas", 1), 0);
    EXPECT_EQ(find(u"", u"a", 1), 0);
    // A sought text may span a line break.
    EXPECT_EQ(find(u"one\r\ntwo", u"e\r\nt", 1), 3);
}

TEST(SearchTest, UpperAndLowerCaseDiffer) {
    EXPECT_EQ(find(u"Banana", u"b", 1), 0);
    EXPECT_EQ(find(u"Banana", u"B", 1), 1);
    EXPECT_EQ(find(u"caf\u00E9 CAF\u00C9", u"CAF\u00C9", 1), 6);
}

TEST(SearchTest, OverlappingOccurrencesAreEachFound) {
    EXPECT_EQ(find(u"banana", u"ana", 1), 2);
    EXPECT_EQ(find(u"banana", u"ana", 3), 4);
    EXPECT_EQ(find(u"banana", u"ana", 5), 0);
    for (qsizetype start = 1; start <= 3; ++start)
        EXPECT_EQ(find(u"aaaa", u"aa", start), start);
    EXPECT_EQ(find(u"aaaa", u"aa", 4), 0);
}

TEST(SearchTest, PositionsPastTheSixteenBitRangeComeBackWhole) {
    for (const qsizetype before : {qsizetype(32767), qsizetype(40000), qsizetype(70000)}) {
        const QString text = QString(before, u'x') + QStringLiteral("needle") + QString(9, u'x');
        EXPECT_EQ(find(text, u"needle", 1), before + 1);
        EXPECT_EQ(find(text, u"needle", before + 1), before + 1);
        EXPECT_EQ(find(text, u"needle", before + 2), 0);
    }
}

TEST(SearchTest, AnEmptySoughtTextIsNeverFound) {
    EXPECT_EQ(find(u"banana", u"", 1), 0);
    EXPECT_EQ(find(u"banana", u"", 0), 0);
    EXPECT_EQ(find(u"", u"", 1), 0);
}

TEST(SearchTest, AStartBelowOneSearchesFromTheFirstCharacter) {
    EXPECT_EQ(find(u"banana", u"b", 0), 1);
    EXPECT_EQ(find(u"banana", u"b", -7), 1);
    EXPECT_EQ(find(u"banana", u"an", 0), 2);
}

TEST(SearchTest, AStartPastTheEndFindsNothing) {
    EXPECT_EQ(find(u"banana", u"a", 6), 6);
    EXPECT_EQ(find(u"banana", u"a", 7), 0);
    EXPECT_EQ(find(u"banana", u"a", 1000), 0);
}

} // namespace
