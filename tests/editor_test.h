#pragma once

#include "editor/main_window.h"
#include "host/form_window.h"
#include "tests/gui_test.h"
#include "tests/test_files.h"
#include "textview/text_view.h"

#include <QApplication>
#include <QMenu>
#include <QTest>

// The editor window started as the program starts it, active, for tests that
// drive it with real key and mouse events.
class EditorTest : public GuiTest {
protected:
    EditorTest() {
        Program::setStartupForm(&w);
        w.show();
        window()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window()));
    }

    FormWindow* window() { return w.window(); }
    TextView* text() { return window()->findChild<TextView*>(QStringLiteral("text_frame")); }

    // Picks a menu item the way a person does with the keyboard: Alt and the
    // title's access key, then the item's access key.
    void menu(Qt::Key title, Qt::Key item) {
        QTest::keyClick(window(), title, Qt::AltModifier);
        QWidget* popup = nullptr;
        EXPECT_TRUE(QTest::qWaitFor([&] { return (popup = QApplication::activePopupWidget()); }));
        if (popup)
            QTest::keyClick(popup, item);
    }

    void ctrl(Qt::Key key) { QTest::keyClick(window(), key, Qt::ControlModifier); }

    static QByteArray contents(const QString& file) { return TestFiles::contents(file); }
    static void put(const QString& file, const QByteArray& bytes) { TestFiles::put(file, bytes); }

    main_window& w = main_window::instance();
};
