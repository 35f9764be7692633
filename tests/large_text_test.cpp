// The in-place conversions and the remembered text that keep large
// documents from being copied more often than needed.
#include "docfile/code_page.h"
#include "docfile/document_file.h"
#include "host/file_channels.h"
#include "host/form_window.h"
#include "host/line_breaks.h"
#include "host/text_box.h"
#include "host/twips.h"
#include "tests/gui_test.h"
#include "tests/test_files.h"

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>
#include <QTextCursor>

namespace {

// The conversions written the plain way, one character at a time.
QString plainToEditor(const QString& text) {
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out[i] == u'\r' && i + 1 < out.size() && out[i + 1] == u'\n')
            ++i;
        else if (out[i] == u'\r')
            out[i] = QChar(LineBreaks::CarriageReturnPicture);
        else if (out[i] == u'\n')
            out[i] = QChar(LineBreaks::LineFeedPicture);
    }
    return out;
}

QString plainFromEditor(const QString& raw) {
    QString out;
    for (const QChar c : raw) {
        if (c == QChar(LineBreaks::ParagraphSeparator) || c == u'\n')
            out += QStringLiteral("\r\n");
        else if (c == QChar(LineBreaks::CarriageReturnPicture))
            out += u'\r';
        else if (c == QChar(LineBreaks::LineFeedPicture))
            out += u'\n';
        else
            out += c;
    }
    return out;
}

// Random text over the characters that matter here, with plain stretches
// long enough to cross the eight-character steps of the fast scans.
QString randomText(QRandomGenerator& random, qsizetype length) {
    static const char16_t alphabet[] = {u'a',      u'\u00E9', u'\u20AC', u'\r',     u'\n',
                                        u'\u2029', u'\u240D', u'\u240A', u'\u00A0', u'\u2028'};
    QString text;
    while (text.size() < length) {
        if (random.bounded(3) == 0)
            text += QChar(alphabet[random.bounded(int(std::size(alphabet)))]);
        else
            text += QString(random.bounded(1, 20), u'x');
    }
    return text;
}

TEST(LineBreaksTest, ConversionsAgreeWithThePlainWayOnRandomTexts) {
    QRandomGenerator random(1234);
    for (int round = 0; round < 2000; ++round) {
        const QString text = randomText(random, random.bounded(0, 120));
        ASSERT_EQ(LineBreaks::toEditor(text), plainToEditor(text)) << round;
        ASSERT_EQ(LineBreaks::fromEditor(text), plainFromEditor(text)) << round;
    }
}

TEST(LineBreaksTest, ABreakOnEitherSideOfEveryEightCharacterStepIsFound) {
    for (qsizetype length = 1; length <= 40; ++length) {
        for (qsizetype at = 0; at < length; ++at) {
            for (const char16_t special : {u'\u2029', u'\n', u'\u240D', u'\u240A'}) {
                QString raw(length, u'y');
                raw[at] = QChar(special);
                ASSERT_EQ(LineBreaks::fromEditor(raw), plainFromEditor(raw))
                    << "length " << length << " at " << at;
            }
        }
    }
}

TEST(LineBreaksTest, TheProgramsTextIsConvertedWhereItIs) {
    QString text = QString(1000, u'w') + QStringLiteral("\r\nlone\rcr and lone\nlf");
    const QChar* before = text.constData();
    const QString converted = LineBreaks::toEditor(std::move(text));
    EXPECT_EQ(converted.constData(), before);
    EXPECT_TRUE(converted.endsWith(QStringLiteral("\r\nlone\u240Dcr and lone\u240Alf")));

    // A text someone else holds is left as it was.
    const QString shared = QStringLiteral("a\rb");
    EXPECT_EQ(LineBreaks::toEditor(shared), QStringLiteral("a\u240Db"));
    EXPECT_EQ(shared, QStringLiteral("a\rb"));
    const QString raw = QStringLiteral("a\u2029b");
    EXPECT_EQ(LineBreaks::fromEditor(raw), QStringLiteral("a\r\nb"));
    EXPECT_EQ(raw, QStringLiteral("a\u2029b"));
}

TEST(DocumentFieldTest, CuttingTheFieldOutOfTheFileCopiesNothing) {
    QString contents = QStringLiteral("\"") + QString(5000, u'z') + QStringLiteral("\"\r\n");
    const QChar* before = contents.constData();
    const QString field = DocumentFile::firstField(std::move(contents));
    EXPECT_EQ(field, QString(5000, u'z'));
    EXPECT_EQ(field.constData(), before + 1);
}

TEST(DocumentFieldTest, BothWaysOfCuttingTheFieldAgree) {
    const QStringList files = {QStringLiteral("\"a \"quoted\" word\"\r\n"),
                               QStringLiteral("  \"open to the end"),
                               QStringLiteral("\"first\", \"second\""),
                               QStringLiteral("plain, rest"),
                               QStringLiteral("plain\r\nnext"),
                               QStringLiteral("   "),
                               QStringLiteral("\"\"\r\n"),
                               QStringLiteral("\"\r\n"),
                               QStringLiteral("\""),
                               QStringLiteral(",")};
    for (const QString& file : files) {
        const QString kept = file;
        EXPECT_EQ(DocumentFile::firstField(QString(file).append(u'!').chopped(1)),
                  DocumentFile::firstField(kept))
            << file.toStdString();
        EXPECT_EQ(kept, file);
    }
}

TEST(CodePageScanTest, TheFirstUnencodableCharacterIsFoundWhereverItIs) {
    // U+0080 and U+0100 are not in the code page; U+0081 and U+0152 are.
    for (const char16_t bad : {u'\u0080', u'\u009F', u'\u0100', u'\u03A9', u'\uFFFF'}) {
        for (qsizetype length = 1; length <= 35; ++length) {
            for (qsizetype at = 0; at < length; ++at) {
                QString text(length, u'\u00E9');
                text[0] = QChar(u'\u0081');
                if (length > 2)
                    text[length - 1] = QChar(u'\u0152');
                text[at] = QChar(bad);
                ASSERT_EQ(CodePage::firstUnencodable(text), at)
                    << "U+" << std::hex << int(bad) << std::dec << " length " << length;
            }
        }
    }
    EXPECT_EQ(CodePage::firstUnencodable(QString(100, u'\u20AC') + QString(9, u'\u0081')), -1);
}

TEST(CodePageScanTest, EncodingIntoABufferMatchesTheWholeEncoding) {
    const QString text = CodePage::decode(QByteArray("caf\xe9 \x80 \x93x\x94"));
    QByteArray bytes(text.size(), Qt::Uninitialized);
    CodePage::encode(text, bytes.data());
    EXPECT_EQ(bytes, CodePage::encode(text));
    EXPECT_EQ(bytes, QByteArray("caf\xe9 \x80 \x93x\x94"));
}

class ChannelReadTest : public GuiTest {};

TEST_F(ChannelReadTest, AFileIsReadWholeWhateverItsSize) {
    for (const qsizetype size : {qsizetype(0), qsizetype(1), qsizetype(65535), qsizetype(65536),
                                 qsizetype(65537), qsizetype(300001)}) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = char('a' + i % 26);
        const QString file = path(QStringLiteral("read-%1").arg(size));
        TestFiles::put(file, bytes);
        FileChannels::openForInput(3, file);
        EXPECT_EQ(FileChannels::readAll(3), bytes) << size;
        FileChannels::close(3);
    }
}

class text_form : public Form {
public:
    text_form() : Form(QStringLiteral("text_form")) {}
    TextBox text_body{*this, QStringLiteral("text_body")};
    int changes = 0;

protected:
    void layout() override {
        setClientSize(3000, 3000);
        text_body.create(TextBox::Kind::MultiLine, Twips{0, 0, 3000, 3000});
        text_body.onChange([this] { ++changes; });
    }
};

class RememberedTextTest : public GuiTest {
protected:
    text_form& form = Forms::instance<text_form>();
    QPlainTextEdit* edit() {
        return form.window()->findChild<QPlainTextEdit*>(QStringLiteral("text_body"));
    }
};

TEST_F(RememberedTextTest, ReadingAgainWithoutAChangeCopiesNothing) {
    form.show();
    form.text_body.setText(QStringLiteral("one\r\ntwo\rthree"));
    const QString first = form.text_body.text();
    const QString second = form.text_body.text();
    EXPECT_EQ(first, QStringLiteral("one\r\ntwo\rthree"));
    EXPECT_EQ(second.constData(), first.constData());
}

TEST_F(RememberedTextTest, EveryKindOfChangeIsSeenByTheNextRead) {
    form.show();
    form.text_body.setText(QStringLiteral("alpha\r\nbeta"));
    EXPECT_EQ(form.text_body.text(), QStringLiteral("alpha\r\nbeta"));

    edit()->moveCursor(QTextCursor::End);
    QTest::keyClicks(edit(), QStringLiteral("ox"));
    EXPECT_EQ(form.text_body.text(), QStringLiteral("alpha\r\nbetaox"));

    QTest::keyClick(edit(), Qt::Key_Return);
    QTest::sendKeyEvent(QTest::Click, edit(), Qt::Key_unknown, QStringLiteral("\u00A0"),
                        Qt::NoModifier);
    EXPECT_EQ(form.text_body.text(), QStringLiteral("alpha\r\nbetaox\r\n\u00A0"));

    edit()->undo();
    EXPECT_EQ(form.text_body.text(), plainFromEditor(edit()->document()->toRawText()));

    QTextCursor cursor(edit()->document());
    cursor.setPosition(2);
    cursor.setPosition(8, QTextCursor::KeepAnchor);
    cursor.insertText(QStringLiteral("[\u240D]"));
    EXPECT_EQ(form.text_body.text(), plainFromEditor(edit()->document()->toRawText()));
    EXPECT_TRUE(form.text_body.text().startsWith(QStringLiteral("al[\r]")));

    form.text_body.setText(QStringLiteral("new"));
    EXPECT_EQ(form.text_body.text(), QStringLiteral("new"));
    edit()->document()->setPlainText(QStringLiteral("behind its back"));
    EXPECT_EQ(form.text_body.text(), QStringLiteral("behind its back"));
}

TEST_F(RememberedTextTest, RandomEditsAlwaysReadBackAsTheWidgetHoldsThem) {
    form.show();
    QRandomGenerator random(99);
    form.text_body.setText(QStringLiteral("start\r\nof the\r\ntext"));
    for (int round = 0; round < 300; ++round) {
        QTextDocument* doc = edit()->document();
        const int length = doc->characterCount() - 1;
        QTextCursor cursor(doc);
        const int at = int(random.bounded(length + 1));
        cursor.setPosition(at);
        cursor.setPosition(std::min(length, at + int(random.bounded(4))), QTextCursor::KeepAnchor);
        switch (random.bounded(4)) {
        case 0:
            cursor.removeSelectedText();
            break;
        case 1:
            cursor.insertText(randomText(random, random.bounded(1, 6)));
            break;
        case 2:
            edit()->setTextCursor(cursor);
            QTest::keyClick(edit(), Qt::Key_Return);
            break;
        default:
            if (random.bounded(2))
                edit()->undo();
            else
                edit()->redo();
        }
        if (random.bounded(3) == 0)
            continue; // several changes between two reads
        ASSERT_EQ(form.text_body.text(), plainFromEditor(doc->toRawText())) << round;
    }
}

TEST_F(RememberedTextTest, AReloadedFormStartsWithAnEmptyText) {
    form.show();
    form.text_body.setText(QStringLiteral("kept until unload"));
    EXPECT_EQ(form.text_body.text(), QStringLiteral("kept until unload"));
    form.unload();
    form.load();
    EXPECT_EQ(form.text_body.text(), QString());
}

} // namespace
