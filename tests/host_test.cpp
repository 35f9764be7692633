#include "host/command_button.h"
#include "host/desktop_services.h"
#include "host/error_barrier.h"
#include "host/form_window.h"
#include "host/text_box.h"
#include "host/twips.h"
#include "runtime/runtime_error.h"
#include "tests/gui_test.h"
#include "textview/text_view.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

namespace {

class sample_form : public Form {
public:
    sample_form() : Form(QStringLiteral("sample_form")) {}

    TextBox text_lines{*this, QStringLiteral("text_lines")};
    TextBox text_line{*this, QStringLiteral("text_line")};
    CommandButton button_go{*this, QStringLiteral("button_go")};

    int loads = 0;
    int changes = 0;
    std::function<void()> go;
    std::function<void()> linesChanged;

protected:
    void layout() override {
        setCaption(QStringLiteral("Sample"));
        setBorder(Border::FixedDialog);
        setClientSize(3000, 3000);
        text_lines.create(TextBox::Kind::MultiLine, Twips{0, 0, 3000, 2000});
        text_line.create(TextBox::Kind::SingleLine, Twips{0, 2010, 3000, 300});
        button_go.create(QStringLiteral("Go"), Twips{0, 2400, 1200, 375});
        text_lines.onChange([this] {
            ++changes;
            if (linesChanged)
                linesChanged();
        });
        button_go.onClick([this] {
            if (go)
                go();
        });
        onLoad([this] { ++loads; });
    }
};

class HostTest : public GuiTest {
protected:
    sample_form& form = Forms::instance<sample_form>();

    TextView* lines() { return form.window()->findChild<TextView*>(QStringLiteral("text_lines")); }
    QPushButton* goButton() {
        return form.window()->findChild<QPushButton*>(QStringLiteral("button_go"));
    }
};

TEST_F(HostTest, HidingAnUnloadedFormLoadsItWithoutShowingIt) {
    EXPECT_FALSE(form.isLoaded());
    form.hide();
    EXPECT_TRUE(form.isLoaded());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.loads, 1);

    form.show();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.loads, 1) << "showing a loaded form must not load it again";
}

TEST_F(HostTest, UnloadDestroysControlsButKeepsTheInstanceAndItsMembers) {
    form.show();
    form.text_line.setText(QStringLiteral("typed"));
    form.unload();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(form.loads, 1);

    EXPECT_EQ(&Forms::instance<sample_form>(), &form);
    // Touching a control of an unloaded form loads it afresh.
    EXPECT_EQ(form.text_line.text(), QString());
    EXPECT_EQ(form.loads, 2);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(HostTest, AWidgetOutlivingItsControlStillTellsOthersItIsGone) {
    // A form's controls go before its window does.
    form.show();
    QPushButton* button = goButton();
    bool heardGone = false;
    QObject listener;
    QObject::connect(button, &QObject::destroyed, &listener, [&] { heardGone = true; });
    // A screen reader asked about the button: Qt keeps its interface until
    // the button is gone, and would hand it out for a new widget at the
    // same address.
    const QAccessible::Id id = QAccessible::uniqueId(QAccessible::queryAccessibleInterface(button));
    Forms::destroyAll();
    EXPECT_TRUE(heardGone);
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
}

TEST_F(HostTest, GeometryInTwipsBecomesLogicalPixels) {
    form.show();
    EXPECT_EQ(form.window()->clientArea()->size(), QSize(200, 200));
    EXPECT_EQ(goButton()->geometry(), QRect(0, 160, 80, 25));
    EXPECT_EQ(pixelsFromTwips(7815), 521);
    EXPECT_EQ(pixelsFromTwips(2010), 134);
}

TEST_F(HostTest, MultiLineTextSelectsTheRightCharactersOnALaterLine) {
    form.text_lines.setText(QStringLiteral("alpha\r\nbeta\r\ngamma delta"));
    EXPECT_EQ(lines()->textStore().lineCount(), 3);

    form.text_lines.setSelStart(19);
    form.text_lines.setSelLength(5);
    EXPECT_EQ(lines()->selectedText(), QStringLiteral("delta"));
    EXPECT_EQ(form.text_lines.selStart(), 19);
    EXPECT_EQ(form.text_lines.selLength(), 5);

    // A selection across a line break counts CR and LF.
    form.text_lines.setSelStart(3);
    form.text_lines.setSelLength(6);
    EXPECT_EQ(lines()->selectedText(), QStringLiteral("ha\r\nbe"));
    EXPECT_EQ(form.text_lines.selLength(), 6);

    // Past the end the selection stops at the end.
    form.text_lines.setSelStart(22);
    form.text_lines.setSelLength(100);
    EXPECT_EQ(lines()->selectedText(), QStringLiteral("ta"));
}

TEST_F(HostTest, TypedLineBreaksReadAsCrLfAndLoneOnesSurvive) {
    form.show();
    QTest::keyClicks(lines(), QStringLiteral("ab"));
    QTest::keyClick(lines(), Qt::Key_Return);
    QTest::keyClicks(lines(), QStringLiteral("c"));
    EXPECT_EQ(form.text_lines.text(), QStringLiteral("ab\r\nc"));
    EXPECT_EQ(form.text_lines.selStart(), 5);

    const QString odd = QStringLiteral("a\rb\nc\r\n\r\nd\n\r");
    form.text_lines.setText(odd);
    EXPECT_EQ(form.text_lines.text(), odd);
    EXPECT_EQ(lines()->textStore().lineCount(), 3);
    form.text_lines.setSelStart(4);
    form.text_lines.setSelLength(1);
    EXPECT_EQ(lines()->selectedText(), QStringLiteral("c"));
    form.text_lines.setSelStart(9);
    form.text_lines.setSelLength(1);
    EXPECT_EQ(lines()->selectedText(), QStringLiteral("d"));
}

TEST_F(HostTest, EveryChangeOfTheTextIsNotified) {
    form.show();
    form.text_lines.setText(QStringLiteral("set by a handler"));
    EXPECT_EQ(form.changes, 1);
    QTest::keyClicks(lines(), QStringLiteral("xy"));
    EXPECT_EQ(form.changes, 3);
    QTest::keyClick(lines(), Qt::Key_Backspace);
    EXPECT_EQ(form.changes, 4);

    // Once for each edit, however many lines it brings or takes.
    QGuiApplication::clipboard()->setText(QStringLiteral("one\ntwo\nthree"));
    QTest::keyClick(lines(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form.changes, 5);
    QTest::keyClick(lines(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(lines(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(form.changes, 6);
    QTest::keyClick(lines(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form.changes, 7);
    QTest::keyClick(lines(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form.changes, 8);
    EXPECT_EQ(form.text_lines.text(), QString());
}

TEST_F(HostTest, TheBarrierReportsAnEscapedErrorClosesChannelsAndCarriesOn) {
    form.show();
    form.text_lines.setText(QStringLiteral("precious"));
    int runs = 0;
    form.go = [&] {
        ++runs;
        FileChannels::openForOutput(1, path(QStringLiteral("half")));
        raiseError(err::FileNotFound);
    };
    QTest::mouseClick(goButton(), Qt::LeftButton);
    EXPECT_EQ(services.messages,
              QStringList{QStringLiteral("Run-time error '53': File not found")});
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("half"))));

    // Channel 1 was closed: the second run opens it again instead of failing
    // with "File already open".
    QTest::mouseClick(goButton(), Qt::LeftButton);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(services.messages,
              QStringList(2, QStringLiteral("Run-time error '53': File not found")));
    EXPECT_EQ(form.text_lines.text(), QStringLiteral("precious"));
}

TEST_F(HostTest, AnErrorInANestedChangeHandlerPassesToTheOuterHandler) {
    form.show();
    bool after = false;
    form.linesChanged = [] { raiseError(err::InputPastEnd); };
    form.go = [&] {
        form.text_lines.setText(QStringLiteral("x"));
        after = true;
    };
    QTest::mouseClick(goButton(), Qt::LeftButton);
    EXPECT_FALSE(after) << "the outer handler must stop where the error arose";
    EXPECT_EQ(services.messages,
              QStringList{QStringLiteral("Run-time error '62': Input past end of file")});
}

TEST_F(HostTest, ForeignExceptionsAreReportedAsNumberedErrors) {
    form.go = [] { throw std::runtime_error("boom"); };
    ErrorBarrier::call(form.go);
    form.go = [] { throw std::bad_alloc(); };
    ErrorBarrier::call(form.go);
    EXPECT_EQ(services.messages,
              (QStringList{QStringLiteral("Run-time error '51': Internal error"),
                           QStringLiteral("Run-time error '7': Out of memory")}));
}

TEST_F(HostTest, ClosingAFormThroughItsFrameUnloadsIt) {
    form.show();
    form.window()->close();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_FALSE(Program::hasEnded());
}

} // namespace

namespace {

TEST(DesktopServicesTest, TheMessageBoxHasTheTitleNoIconAndOnlyAnOkButton) {
    DesktopServices desktop;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::Critical;
    QList<QAbstractButton*> buttons;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = true;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->buttons();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    // Should the box not appear as expected, nothing may hang the suite.
    QTimer::singleShot(5000, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    desktop.messageBox(QStringLiteral("Nothing to save yet"));
    ASSERT_TRUE(seen);
    EXPECT_EQ(title, QStringLiteral("vandrel"));
    EXPECT_EQ(text, QStringLiteral("Nothing to save yet"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons.size(), 1);
}

} // namespace
