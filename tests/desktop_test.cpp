#include "search/find_dialog.h"
#include "tests/editor_test.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <sys/stat.h>

namespace {

using DesktopTest = EditorTest;

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

TEST_F(DesktopTest, EveryControlButTheTextAreaHasANameForScreenReaders) {
    // The text area's role says what it is; a name would only repeat it.
    EXPECT_EQ(accessibleName(text()), QString());
    ctrl(Qt::Key_F);
    QWidget* dialog = find_dialog::instance().window();
    EXPECT_EQ(accessibleName(dialog->findChild<QLineEdit*>(QStringLiteral("text_find"))),
              QStringLiteral("Find"));
    EXPECT_EQ(accessibleName(dialog->findChild<QPushButton*>(QStringLiteral("button_find"))),
              QStringLiteral("Find"));
    EXPECT_EQ(accessibleName(dialog->findChild<QPushButton*>(QStringLiteral("button_cancel"))),
              QStringLiteral("Cancel"));
}

TEST_F(DesktopTest, TheBusyCursorShowsWhileADocumentIsReadAndNeverStays) {
    QList<Qt::CursorShape> duringChange;
    QObject::connect(text(), &TextView::textChanged, text(), [&] {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        duringChange << (cursor ? cursor->shape() : Qt::ArrowCursor);
    });
    const QString file = path(QStringLiteral("doc.txt"));
    put(file, "\"text\"\r\n");
    services.fileAnswers << file;
    ctrl(Qt::Key_O);
    EXPECT_EQ(duringChange, QList<Qt::CursorShape>{Qt::WaitCursor});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // Failures: the report comes with the ordinary cursor, which stays.
    const QString empty = path(QStringLiteral("empty.txt"));
    put(empty, "");
    services.fileAnswers << empty;
    ctrl(Qt::Key_O);
    ASSERT_EQ(services.messages.size(), 2);
    EXPECT_EQ(services.busyAtMessage.last(), false);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    QTest::keyClicks(text(), QStringLiteral("!"));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    ctrl(Qt::Key_S);
    ASSERT_EQ(services.messages.size(), 3);
    EXPECT_EQ(services.messages.last(),
              QStringLiteral("Run-time error '75': Path/File access error"));
    EXPECT_EQ(services.busyAtMessage.last(), false);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0);
    ctrl(Qt::Key_S);
    EXPECT_EQ(contents(file), QByteArray("\"!text\"\r\n"));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
