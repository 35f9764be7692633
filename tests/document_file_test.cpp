#include "docfile/code_page.h"
#include "docfile/decoded_text.h"
#include "docfile/document_file.h"
#include "docfile/field_pieces.h"
#include "runtime/runtime_error.h"

#include <QStringDecoder>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

QByteArray allBytes() {
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(char(b));
    return bytes;
}

// A document file's bytes as a save writes them, pieceSize characters at a time.
QByteArray fieldBytes(const QString& text, qsizetype pieceSize = FieldPieces::DefaultPieceSize) {
    QByteArray bytes;
    FieldPieces pieces(text, pieceSize);
    for (QByteArrayView piece = pieces.next(); !piece.isEmpty(); piece = pieces.next())
        bytes += piece;
    return bytes;
}

TEST(CodePageTest, EveryByteDecodesAndEncodesBackToItself) {
    const QString text = CodePage::decode(allBytes());
    ASSERT_EQ(text.size(), 256);
    const EncodedText encoded = CodePage::encode(text);
    EXPECT_EQ(encoded.unencodable, -1);
    EXPECT_EQ(encoded.bytes, allBytes());
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

TEST(CodePageTest, TheEncoderNamesTheFirstCharacterItCannotHoldAndGivesNoBytes) {
    const struct {
        QString text;
        qsizetype unencodable;
    } cases[] = {
        {QStringLiteral("ab\u03A9c\u4E2D"), 2}, {QStringLiteral("x\u0080"), 1},
        {QStringLiteral("x\u0100"), 1},         {QStringLiteral("\u2028"), 0},
        {QStringLiteral("ok \U0001F600"), 3},
    };
    for (const auto& c : cases) {
        const EncodedText encoded = CodePage::encode(c.text, "<", ">");
        EXPECT_EQ(encoded.unencodable, c.unencodable) << c.text.toStdString();
        EXPECT_TRUE(encoded.bytes.isEmpty()) << c.text.toStdString();
    }
    const EncodedText held = CodePage::encode(QStringLiteral("caf\u00E9 \u20AC"), "<", ">");
    EXPECT_EQ(held.unencodable, -1);
    EXPECT_EQ(held.bytes, QByteArray("<caf\xE9 \x80>"));
}

TEST(DocumentFileTest, WritesOneQuotedFieldByteForByte) {
    EXPECT_EQ(fieldBytes(QStringLiteral("abc")), QByteArray("\x22\x61\x62\x63\x22\r\n"));
    EXPECT_EQ(fieldBytes(QString()), QByteArray("\"\"\r\n"));
    EXPECT_EQ(fieldBytes(QStringLiteral("a\r\nb, \"c\" \u20AC")),
              QByteArray("\"a\r\nb, \"c\" \x80\"\r\n"));
}

TEST(DocumentFileTest, TheFirstCharacterTheCodePageCannotHoldIsFoundBeforeAnyByte) {
    EXPECT_EQ(CodePage::firstUnencodable(QStringLiteral("line\r\n\u03A9")), 6);
    EXPECT_EQ(CodePage::firstUnencodable(QString(70, u'a') + QStringLiteral("\u20AC\U0001F600")),
              71);
    EXPECT_EQ(CodePage::firstUnencodable(CodePage::decode(allBytes())), -1);
}

TEST(DocumentFileTest, PiecesWriteAndReadTheSameFileWhereverTheyAreCut) {
    // A file whose line break and closing mark a cut may part.
    const QString text = QStringLiteral("a\r\n\u20ACb");
    const QByteArray file("\"a\r\n\x80\x62\"\r\n");
    for (qsizetype size = 1; size <= text.size() + 1; ++size)
        EXPECT_EQ(fieldBytes(text, size), file) << "pieces of " << size;
    for (qsizetype cut = 0; cut <= file.size(); ++cut) {
        DecodedText decoded(file.size() - 2); // the file grew since it was measured
        decoded.append(QByteArrayView(file).first(cut));
        decoded.append(QByteArrayView(file).sliced(cut));
        EXPECT_EQ(DocumentFile::firstField(decoded.take()), text) << "cut at " << cut;
    }
}

TEST(DocumentFileTest, AFileReadAsBytesIsWrittenBackAsTheSameBytesWhereverCut) {
    const QByteArray text = allBytes().replace('"', "") + "\r\nend";
    const QByteArray file = '"' + text + "\"\r\n";
    DecodedText read(file.size());
    qsizetype at = 0;
    const auto from = [&](char* into, qsizetype length) {
        const qsizetype n = std::min(length, file.size() - at);
        std::copy_n(file.constData() + at, n, into);
        at += n;
        return n;
    };
    while (read.readInto(7, from) > 0) {
    }
    const DocumentText field = DocumentFile::firstField(read.take());
    EXPECT_EQ(field.storedAs(), DocumentText::Form::CodePage);
    EXPECT_EQ(field.codePageBytes(), text);
    EXPECT_EQ(field.firstOutsideCodePage(), -1);
    for (const qsizetype size : {qsizetype(1), qsizetype(100), text.size(), text.size() + 1}) {
        QByteArray written;
        FieldPieces pieces(field, size);
        for (QByteArrayView piece = pieces.next(); !piece.isEmpty(); piece = pieces.next())
            written += piece;
        EXPECT_EQ(written, file) << "pieces of " << size;
    }
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
    for (const QString& text : generatedTexts()) {
        const QString back = DocumentFile::firstField(CodePage::decode(fieldBytes(text, 7)));
        ASSERT_EQ(back, text) << text.toUtf8().toHex(' ').constData();
    }
}

} // namespace
