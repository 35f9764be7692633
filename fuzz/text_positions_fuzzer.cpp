// The text box's line breaks and positions, on a QTextDocument filled the way
// the text box fills its own:
// - the document's raw text reads back as the program's text;
// - every text position outside a CR LF pair goes to a document position and
//   comes back to itself, and lands on the document's form of the character
//   there (the paragraph separator for CR LF, U+240D for a lone CR, U+240A
//   for a lone LF, the character itself otherwise);
// - the position between CR and LF, and every position past the end, fall on
//   the end of that paragraph and of the document; the mapping never goes
//   backwards;
// - every document position goes to a text position and comes back to itself.
//
// The first byte chooses how the rest becomes a text: bytes through the code
// page (any document's text) or UTF-16 code units. Code units that the text
// box keeps for its own use are left out of the UTF-16 texts: the paragraph
// and line separators, the two control pictures, and U+FDD0/U+FDD1, which a
// QTextDocument takes as frame boundaries and turns into paragraph breaks.

#include "docfile/code_page.h"
#include "fuzz_check.h"
#include "host/line_breaks.h"
#include "host/text_positions.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

namespace {

bool reservedForTheTextBox(char16_t c) {
    return c == LineBreaks::ParagraphSeparator || c == u'\u2028' ||
           c == LineBreaks::CarriageReturnPicture || c == LineBreaks::LineFeedPicture ||
           c == u'\uFDD0' || c == u'\uFDD1';
}

QString textOf(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return QString();
    if (data[0] % 2 == 0)
        return CodePage::decode(fuzzing::bytesOf(data + 1, size - 1));
    QString text = fuzzing::utf16Of(data + 1, size - 1);
    text.removeIf([](QChar c) { return reservedForTheTextBox(c.unicode()); });
    return text;
}

// A copy that shares nothing with text, so that a callee may work in place.
QString unsharedCopy(const QString& text) {
    return QString(text.constData(), text.size());
}

// The document's character for the character at text position p (not the LF
// of a CR LF pair).
QChar shownAs(const QString& text, qsizetype p) {
    const QChar c = text.at(p);
    if (c == u'\r' && p + 1 < text.size() && text.at(p + 1) == u'\n')
        return QChar(LineBreaks::ParagraphSeparator);
    if (c == u'\r')
        return QChar(LineBreaks::CarriageReturnPicture);
    if (c == u'\n')
        return QChar(LineBreaks::LineFeedPicture);
    return c;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // QTextDocument needs a QGuiApplication for its fonts; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_text_positions";
    static char* argv[] = {name, nullptr};
    // Kept for the whole run, never destroyed.
    static QGuiApplication* const app = new QGuiApplication(argc, argv);
    Q_UNUSED(app);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = textOf(data, size);
    const QString textKept = unsharedCopy(text);
    const QString shown = LineBreaks::toEditor(text);
    // The same from a string nobody else holds, which may be changed in place;
    // the caller's string stays as it was.
    FUZZ_CHECK(LineBreaks::toEditor(unsharedCopy(text)) == shown);
    FUZZ_CHECK(text == textKept);
    QTextDocument doc;
    doc.setPlainText(shown);

    const QString raw = doc.toRawText();
    const QString rawKept = unsharedCopy(raw);
    const QString back = LineBreaks::fromEditor(raw);
    if (back != text)
        std::fprintf(stderr, "text %s\nread back %s\n", fuzzing::hexOf(text).constData(),
                     fuzzing::hexOf(back).constData());
    FUZZ_CHECK(back == text);
    FUZZ_CHECK(LineBreaks::fromEditor(unsharedCopy(raw)) == text);
    FUZZ_CHECK(raw == rawKept);

    // The last document position, after the last character.
    const qsizetype docEnd = doc.characterCount() - 1;
    qsizetype previous = 0;
    for (qsizetype p = 0; p <= text.size(); ++p) {
        const qsizetype q = TextPositions::toDocument(doc, p);
        FUZZ_CHECK(q >= previous && q <= docEnd);
        previous = q;
        const bool betweenCrAndLf =
            p > 0 && p < text.size() && text.at(p - 1) == u'\r' && text.at(p) == u'\n';
        if (betweenCrAndLf) {
            FUZZ_CHECK(q == TextPositions::toDocument(doc, p - 1));
            FUZZ_CHECK(doc.characterAt(int(q)) == QChar(LineBreaks::ParagraphSeparator));
            continue;
        }
        FUZZ_CHECK(TextPositions::fromDocument(doc, q) == p);
        if (p < text.size())
            FUZZ_CHECK(doc.characterAt(int(q)) == shownAs(text, p));
        else
            FUZZ_CHECK(q == docEnd);
    }
    for (const qsizetype past : {qsizetype(1), qsizetype(2), qsizetype(1000)})
        FUZZ_CHECK(TextPositions::toDocument(doc, text.size() + past) == docEnd);

    for (qsizetype q = 0; q <= docEnd; ++q) {
        const qsizetype p = TextPositions::fromDocument(doc, q);
        FUZZ_CHECK(p >= 0 && p <= text.size());
        FUZZ_CHECK(TextPositions::toDocument(doc, p) == q);
    }
    return 0;
}
