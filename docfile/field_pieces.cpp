#include "docfile/field_pieces.h"

#include "docfile/code_page.h"

#include <algorithm>

FieldPieces::FieldPieces(QStringView text, qsizetype pieceSize)
    : text(text), pieceSize(std::max<qsizetype>(pieceSize, 1)) {}

QByteArrayView FieldPieces::next() {
    if (encoded >= text.size())
        return {};
    if (buffer.isEmpty())
        buffer.resize(std::min(pieceSize, text.size()) + 4); // with both marks and CR LF
    char* out = buffer.data();
    qsizetype length = 0;
    if (encoded < 0) {
        out[length++] = '"';
        encoded = 0;
    }
    const qsizetype characters = std::min(pieceSize, text.size() - encoded);
    CodePage::encode(text.sliced(encoded, characters), out + length);
    length += characters;
    encoded += characters;
    if (encoded == text.size()) {
        std::copy_n("\"\r\n", 3, out + length);
        length += 3;
        encoded = text.size() + 1; // the end is out as well
    }
    return {out, length};
}
