// The work that keeps large documents fast: cutting the field out of a file
// in place, and encoding many characters at a time.
#include "docfile/code_page.h"
#include "docfile/document_file.h"
#include "host/form_window.h"
#include "host/text_box.h"
#include "host/twips.h"
#include "tests/gui_test.h"

namespace {

TEST(DocumentFieldTest, CuttingTheFieldOutOfTheFileCopiesNothing) {
    QString contents = QStringLiteral("\"") + QString(5000, u'z') + QStringLiteral("\"\r\n");
    const QChar* before = contents.constData();
    const QString field = DocumentFile::firstField(std::move(contents));
    EXPECT_EQ(field, QString(5000, u'z'));
    EXPECT_EQ(field.constData(), before + 1);
}

TEST(CodePageEncodingTest, TheFirstCharacterItCannotHoldIsFoundWhereverItIs) {
    // U+0080 and U+0100 are not in the code page; U+0081 and U+0152 are.
    for (const char16_t bad : {u'\u0080', u'\u009F', u'\u0100', u'\u03A9', u'\uFFFF'}) {
        for (qsizetype length = 1; length <= 35; ++length) {
            for (qsizetype at = 0; at < length; ++at) {
                QString text(length, u'\u00E9');
                text[0] = QChar(u'\u0081');
                if (length > 2)
                    text[length - 1] = QChar(u'\u0152');
                text[at] = QChar(bad);
                const EncodedText encoded = CodePage::encode(text);
                ASSERT_EQ(encoded.unencodable, at)
                    << "U+" << std::hex << int(bad) << std::dec << " length " << length;
                ASSERT_TRUE(encoded.bytes.isEmpty());
            }
        }
    }
    EXPECT_EQ(CodePage::encode(QString(100, u'\u20AC') + QString(9, u'\u0081')).unencodable, -1);
}

TEST(CodePageEncodingTest, EveryByteComesBackWhereverItStands) {
    // Latin-1 runs are copied eight characters at a time, anything else one
    // by one: each byte at each place in and around a run of eight.
    for (const char special : {'\x80', '\x81', '\x9F', '\xA0', '\xFF'}) {
        for (qsizetype length = 1; length <= 35; ++length) {
            for (qsizetype at = 0; at < length; ++at) {
                QByteArray bytes(length, '\xE9');
                for (qsizetype i = 0; i < length; i += 3)
                    bytes[i] = char('a' + i % 26);
                bytes[at] = special;
                const EncodedText encoded = CodePage::encode(CodePage::decode(bytes), "[", "]");
                ASSERT_EQ(encoded.unencodable, -1);
                ASSERT_EQ(encoded.bytes, '[' + bytes + ']')
                    << "byte " << int(static_cast<unsigned char>(special)) << " at " << at << " of "
                    << length;
            }
        }
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

class ReloadedTextTest : public GuiTest {
protected:
    text_form& form = Forms::instance<text_form>();
};

TEST_F(ReloadedTextTest, AReloadedFormStartsWithAnEmptyText) {
    form.show();
    form.text_body.setText(QStringLiteral("kept until unload"));
    EXPECT_EQ(form.text_body.text(), QStringLiteral("kept until unload"));
    form.unload();
    form.load();
    EXPECT_EQ(form.text_body.text(), QString());
}

} // namespace
