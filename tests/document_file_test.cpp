#include "docfile/code_page.h"
#include "docfile/document_file.h"
#include "runtime/file_channels.h"
#include "runtime/runtime_error.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray allBytes() {
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(char(b));
    return bytes;
}

TEST(CodePageTest, EveryByteDecodesAndEncodesBackToItself) {
    const QString text = CodePage::decode(allBytes());
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(CodePage::firstUnencodable(text), -1);
    EXPECT_EQ(CodePage::encode(text), allBytes());
    EXPECT_EQ(text.at(0x80), QChar(0x20AC));
    EXPECT_EQ(text.at(0x9F), QChar(0x0178));
    EXPECT_EQ(text.at(0xA0), QChar(0x00A0));
    for (int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(text.at(undefined), QChar(undefined));
}

TEST(CodePageTest, AgreesWithAnIndependentDecoderOnDefinedBytes) {
    QStringDecoder icu("windows-1252");
    if (!icu.isValid())
        GTEST_SKIP() << "this Qt has no windows-1252 decoder";
    const QString ours = CodePage::decode(allBytes());
    const QString theirs = icu.decode(QByteArrayView(allBytes()));
    ASSERT_EQ(theirs.size(), 256);
    for (int b = 0; b < 256; ++b) {
        if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) {
            EXPECT_EQ(ours.at(b), theirs.at(b)) << "byte " << b;
        }
    }
}

TEST(CodePageTest, FindsTheFirstCharacterItCannotHold) {
    EXPECT_EQ(CodePage::firstUnencodable(QStringLiteral("caf\u00E9 \u20AC")), -1);
    EXPECT_EQ(CodePage::firstUnencodable(QStringLiteral("ab\u03A9c\u4E2D")), 2);
    EXPECT_EQ(CodePage::firstUnencodable(QStringLiteral("x\u0080")), 1);
    EXPECT_EQ(CodePage::firstUnencodable(QStringLiteral("x\u0100")), 1);
    EXPECT_EQ(CodePage::firstUnencodable(QStringLiteral("ok \U0001F600")), 3);
}

TEST(DocumentFileTest, WritesOneQuotedFieldByteForByte) {
    EXPECT_EQ(DocumentFile::field(QStringLiteral("abc")), QByteArray("\x22\x61\x62\x63\x22\r\n"));
    EXPECT_EQ(DocumentFile::field(QString()), QByteArray("\"\"\r\n"));
    EXPECT_EQ(DocumentFile::field(QStringLiteral("a\r\nb, \"c\" \u20AC")),
              QByteArray("\"a\r\nb, \"c\" \x80\"\r\n"));
}

TEST(DocumentFileTest, ReadsTheFirstFieldByTheRules) {
    auto first = [](const char* contents) {
        return DocumentFile::firstField(CodePage::decode(QByteArray(contents)));
    };
    EXPECT_EQ(first("one, two\r\nthree"), QStringLiteral("one"));
    EXPECT_EQ(first("   padded,x"), QStringLiteral("padded"));
    EXPECT_EQ(first("line\nnext"), QStringLiteral("line"));
    EXPECT_EQ(first("trailing  \r\n"), QStringLiteral("trailing  "));
    EXPECT_EQ(first("\t\"tab\""), QStringLiteral("\t\"tab\""));
    EXPECT_EQ(first("  \"a, b\r\nc\"\r\n"), QStringLiteral("a, b\r\nc"));
    EXPECT_EQ(first("\"ab\"cd\"\r\n"), QStringLiteral("ab\"cd"));
    EXPECT_EQ(first("\"ab\"cd\""), QStringLiteral("ab"));
    EXPECT_EQ(first("\"ab\" junk"), QStringLiteral("ab"));
    EXPECT_EQ(first("\"no closing mark\r\n"), QStringLiteral("no closing mark\r\n"));
    EXPECT_EQ(first("\"\r\n"), QStringLiteral("\r\n"));
    EXPECT_EQ(first("\"\"\r\n"), QString());
    EXPECT_EQ(first("    "), QString());
    EXPECT_EQ(first("\r\n\r\n"), QString());
    EXPECT_EQ(first("\x80\x81"), QStringLiteral("\u20AC\u0081"));
}

TEST(DocumentFileTest, AnEmptyFileHasNoField) {
    try {
        DocumentFile::firstField(QString());
        FAIL() << "no error raised";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::InputPastEnd);
    }
}

// Texts that stress the format: every code page character, commas, line
// breaks, leading spaces and quotation marks anywhere.
QStringList generatedTexts() {
    const QString all = CodePage::decode(allBytes());
    QStringList texts{QString(),
                      all,
                      all + QStringLiteral("\"\r\n"),
                      QStringLiteral("\""),
                      QStringLiteral("\"\""),
                      QStringLiteral("\"\r\n")};
    const QStringList pieces{QStringLiteral(","),  QStringLiteral("\r\n"),  QStringLiteral(" "),
                             QStringLiteral("\""), QStringLiteral("ab"),    QStringLiteral("\r"),
                             QStringLiteral("\n"), QStringLiteral("\u20AC")};
    // Every sequence of three pieces.
    for (const QString& a : pieces)
        for (const QString& b : pieces)
            for (const QString& c : pieces)
                texts << a + b + c;
    return texts;
}

TEST(DocumentFileTest, EveryTextTheCodePageHoldsComesBackWhole) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("doc.txt"));
    for (const QString& text : generatedTexts()) {
        FileChannels::openForOutput(1, file);
        DocumentFile::write(1, text);
        FileChannels::close(1);
        FileChannels::openForInput(2, file);
        const QString back = DocumentFile::read(2);
        FileChannels::close(2);
        ASSERT_EQ(back, text) << text.toUtf8().toHex(' ').constData();
    }
}

} // namespace
