// The text view on a screen with two device pixels to a logical one: the
// mouse hits what is drawn under it, and text is drawn at device resolution.
#include "tests/shown_text_view.h"

namespace {

using TextViewScaledTest = ShownTextView;

TEST_F(TextViewScaledTest, TheMouseHitsWhatIsDrawnUnderIt) {
    ASSERT_EQ(view.devicePixelRatio(), 2) << "run with QT_SCALE_FACTOR=2";
    view.setText(QStringLiteral("iiii WWWW\tmixed widths\r\nsecond line\r\nthird"));
    for (const qsizetype position : {1, 5, 7, 10, 20, 26, 33}) {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, pointAt(position));
        EXPECT_EQ(view.caretPosition(), position);
    }
    QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, pointAt(2));
    QTest::mouseMove(view.viewport(), pointAt(30));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, pointAt(30));
    EXPECT_EQ(view.selectedText(), QStringLiteral("ii WWWW\tmixed widths\r\nsecond"));
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, pointAt(6));
    EXPECT_EQ(view.selectedText(), QStringLiteral("WWWW"));
}

TEST_F(TextViewScaledTest, TextIsDrawnAtDeviceResolution) {
    view.setText(QStringLiteral("WAVE"));
    const QImage shown = view.viewport()->grab().toImage();
    ASSERT_EQ(shown.devicePixelRatio(), 2);
    // Text drawn at one logical pixel and scaled up would fill every 2x2
    // block of device pixels with one colour.
    const QRect glyphs = view.characterRect(0).united(view.characterRect(3));
    const QColor base = view.palette().color(QPalette::Base);
    int inked = 0;
    int detailed = 0;
    for (int y = glyphs.top(); y <= glyphs.bottom(); ++y) {
        for (int x = glyphs.left(); x <= glyphs.right(); ++x) {
            const QColor corner = shown.pixelColor(2 * x, 2 * y);
            inked += corner != base;
            detailed += corner != shown.pixelColor(2 * x + 1, 2 * y) ||
                        corner != shown.pixelColor(2 * x, 2 * y + 1) ||
                        corner != shown.pixelColor(2 * x + 1, 2 * y + 1);
        }
    }
    EXPECT_GT(inked, 20);
    EXPECT_GT(detailed, inked / 4);
}

} // namespace
