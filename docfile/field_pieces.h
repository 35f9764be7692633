#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

// The bytes of a document file that holds text as one field - a quotation
// mark, the text in the code page, a quotation mark and CR LF - encoded a
// piece at a time, so that a save never holds them beside the text. The
// code page must hold the whole text (CodePage::firstUnencodable() says).
class FieldPieces {
public:
    static constexpr qsizetype DefaultPieceSize = qsizetype(1) << 20;

    explicit FieldPieces(QStringView text, qsizetype pieceSize = DefaultPieceSize);

    // All the bytes, known before the first piece.
    qint64 size() const { return text.size() + 4; }
    // The next piece of at most pieceSize + 4 bytes, or an empty one after
    // the last; it stays valid until the next call.
    QByteArrayView next();

private:
    QStringView text;
    qsizetype pieceSize;
    qsizetype encoded = -1; // characters of text in pieces so far; -1 before the first
    QByteArray buffer;
};
