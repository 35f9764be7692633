#include "docfile/field_pieces.h"

#include "docfile/code_page.h"

#include <algorithm>

namespace {
const QByteArray opening("\"");
const QByteArray closing("\"\r\n");
} // namespace

FieldPieces::FieldPieces(DocumentText text, qsizetype pieceSize)
    : text(std::move(text)), pieceSize(std::max<qsizetype>(pieceSize, 1)) {}

QByteArrayView FieldPieces::next() {
    if (written > text.size())
        return {};
    if (written < 0) {
        written = 0;
        return opening;
    }
    if (written == text.size()) {
        ++written; // the end is out as well
        return closing;
    }
    const qsizetype characters = std::min(pieceSize, text.size() - written);
    const QByteArrayView piece =
        text.storedAs() == DocumentText::Form::CodePage
            ? QByteArrayView(text.codePageBytes()).sliced(written, characters)
            : encodedPiece(characters);
    written += characters;
    return piece;
}

QByteArrayView FieldPieces::encodedPiece(qsizetype characters) {
    buffer.resize(characters);
    CodePage::encode(QStringView(text.utf16()).sliced(written, characters), buffer.data());
    return buffer;
}
