#pragma once

#include "textview/text_view.h"

#include <QTest>
#include <gtest/gtest.h>
#include <ostream>

QT_BEGIN_NAMESPACE
// Failure messages show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QRect& r, std::ostream* out) {
    *out << r.x() << ',' << r.y() << ' ' << r.width() << 'x' << r.height();
}
QT_END_NAMESPACE

// A text view in a window of its own, shown, active and focused, as a person
// meets it.
class ShownTextView : public testing::Test {
protected:
    ShownTextView() {
        view.resize(400, 300);
        view.show();
        view.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
        view.setFocus();
    }

    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&view, k, modifiers);
    }
    // A point just after the caret position, where a click puts the caret.
    QPoint pointAt(qsizetype position) const {
        const QRect rect = view.characterRect(position);
        return {rect.left() + 1, rect.center().y()};
    }

    TextView view;
};
