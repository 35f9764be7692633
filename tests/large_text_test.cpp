// The in-place work that keeps large documents from being copied more often
// than needed: cutting the field out of a file, scanning and encoding it.
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
