// The document reader on any file's bytes, and the writer on any text the
// code page holds:
// - an empty file raises run-time error 62 and nothing else does: any other
//   error or exception escapes and fails the run;
// - the first field is the part of the decoded file that the format's rules
//   (modelled below on code units, apart from the reader) pick out, so it is
//   always a substring of the decoded file;
// - the decoded input, taken as a text, is written as a quotation mark, its
//   own bytes, a quotation mark and CR LF, in pieces of any size, and
//   reading that file in pieces of any size gives the text back whole, also
//   with spaces before the field. Decoding reaches every text the code page
//   holds.

#include "docfile/code_page.h"
#include "docfile/decoded_text.h"
#include "docfile/document_file.h"
#include "docfile/field_pieces.h"
#include "fuzz_check.h"
#include "runtime/runtime_error.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>

namespace {

// Where the first field of contents starts and ends, from the format's rules.
std::pair<std::size_t, std::size_t> modelField(std::u16string_view contents) {
    std::size_t start = contents.find_first_not_of(u' ');
    if (start == std::u16string_view::npos)
        return {contents.size(), contents.size()};
    if (contents[start] != u'"') {
        const std::size_t end = contents.find_first_of(u",\r\n", start);
        return {start, end == std::u16string_view::npos ? contents.size() : end};
    }
    ++start;
    // The shape a save writes: the opening mark, then a distinct closing
    // mark followed by CR LF at the very end.
    if (contents.size() >= start + 3 && contents.ends_with(u"\"\r\n"))
        return {start, contents.size() - 3};
    const std::size_t end = contents.find(u'"', start);
    return {start, end == std::u16string_view::npos ? contents.size() : end};
}

std::u16string_view viewOf(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.constData()), std::size_t(text.size())};
}

// A copy that shares nothing with text, so that a callee may work in place.
QString unsharedCopy(const QString& text) {
    return QString(text.constData(), text.size());
}

void checkFirstField(const QString& contents) {
    const QString kept = unsharedCopy(contents);
    QString field;
    try {
        field = DocumentFile::firstField(contents);
    } catch (const RuntimeError& e) {
        FUZZ_CHECK(e.number() == err::InputPastEnd);
        FUZZ_CHECK(contents.isEmpty());
        return;
    }
    FUZZ_CHECK(!contents.isEmpty());
    // The caller's string is left alone, and one that nobody else holds,
    // which is cut down in place, gives the same field.
    FUZZ_CHECK(contents == kept);
    FUZZ_CHECK(DocumentFile::firstField(unsharedCopy(contents)) == field);
    FUZZ_CHECK(contents == kept);
    const auto [start, end] = modelField(viewOf(contents));
    FUZZ_CHECK(start <= end && end <= std::size_t(contents.size()));
    if (viewOf(field) != viewOf(contents).substr(start, end - start))
        std::fprintf(stderr, "contents %s\nfield %s\nexpected [%zu, %zu)\n",
                     fuzzing::hexOf(contents).constData(), fuzzing::hexOf(field).constData(), start,
                     end);
    FUZZ_CHECK(viewOf(field) == viewOf(contents).substr(start, end - start));
    FUZZ_CHECK(contents.contains(field));
}

// The file a save writes in pieces of pieceSize characters, read back in
// pieces of readSize bytes.
void checkRoundTrip(const QByteArray& bytes, const QString& text, qsizetype pieceSize,
                    qsizetype readSize) {
    FUZZ_CHECK(CodePage::firstUnencodable(text) == -1);
    FieldPieces pieces(text, pieceSize);
    QByteArray file;
    for (QByteArrayView piece = pieces.next(); !piece.isEmpty(); piece = pieces.next())
        file += piece;
    FUZZ_CHECK(file.size() == pieces.size());
    FUZZ_CHECK(file == QByteArray("\"") + bytes + QByteArray("\"\r\n"));
    DecodedText decoded(bytes.size());
    for (qsizetype at = 0; at < file.size(); at += readSize)
        decoded.append(QByteArrayView(file).sliced(at, std::min(readSize, file.size() - at)));
    const QString back = DocumentFile::firstField(decoded.take());
    if (back != text)
        std::fprintf(stderr, "text %s\nread back %s\n", fuzzing::hexOf(text).constData(),
                     fuzzing::hexOf(back).constData());
    FUZZ_CHECK(back == text);
    const QString spaced = CodePage::decode(QByteArray("   ") + file);
    FUZZ_CHECK(DocumentFile::firstField(spaced) == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzzing::bytesOf(data, size);
    const QString contents = CodePage::decode(bytes);
    checkFirstField(contents);
    const qsizetype cut = size > 0 ? data[0] : 0;
    checkRoundTrip(bytes, contents, 1 + cut % 13, 1 + cut / 13 % 17);
    return 0;
}
