#include "search/find_dialog.h"
#include "tests/editor_test.h"

#include <QLineEdit>
#include <QMenuBar>

// Runs with QT_SCALE_FACTOR=2, as on a high-DPI screen.
namespace {

using ScalingTest = EditorTest;

TEST_F(ScalingTest, TwipsDoubleInDevicePixels) {
    ASSERT_EQ(window()->devicePixelRatio(), 2.0);
    EXPECT_EQ(text()->grab().size(), QSize(1042, 690));
    EXPECT_EQ(window()->clientArea()->grab().size(), QSize(1040, 684));
    EXPECT_GE(window()->clientArea()->y(), window()->menuBar()->height());
}

TEST_F(ScalingTest, TheFindDialogsControlsDoNotOverlap) {
    ctrl(Qt::Key_F);
    QWidget* dialog = find_dialog::instance().window();
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->grab().size(), QSize(822, 150));
    const QList<QWidget*> controls =
        find_dialog::instance().window()->clientArea()->findChildren<QWidget*>(
            QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(controls.size(), 4);
    for (QWidget* a : controls) {
        EXPECT_TRUE(dialog->rect().contains(a->geometry())) << a->objectName().toStdString();
        for (QWidget* b : controls)
            if (a != b) {
                EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                    << a->objectName().toStdString() << " overlaps "
                    << b->objectName().toStdString();
            }
    }
}

} // namespace
