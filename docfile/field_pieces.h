#pragma once

#include "docfile/document_text.h"

#include <QByteArray>
#include <QByteArrayView>

// The bytes of a document file that holds text as one field - a quotation
// mark, the text in the code page, a quotation mark and CR LF - a piece at
// a time, so that a save never holds them beside the text. A text kept in
// the code page is its own bytes, and its pieces are the text itself; one
// kept in UTF-16 is encoded a piece at a time, and the code page must hold
// the whole of it (CodePage::firstUnencodable() says).
class FieldPieces {
public:
    static constexpr qsizetype DefaultPieceSize = qsizetype(1) << 20;

    explicit FieldPieces(DocumentText text, qsizetype pieceSize = DefaultPieceSize);

    // All the bytes, known before the first piece.
    qint64 size() const { return text.size() + 4; }
    // The next piece of at most pieceSize + 4 bytes, or an empty one after
    // the last; it stays valid until the next call.
    QByteArrayView next();

private:
    QByteArrayView encodedPiece(qsizetype characters);

    DocumentText text;
    qsizetype pieceSize;
    qsizetype written = -1; // characters of text in pieces so far; -1 before the first
    QByteArray buffer;
};
