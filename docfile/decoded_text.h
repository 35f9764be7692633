#pragma once

#include "docfile/document_text.h"

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>

// A document's text taken from its file's bytes as they are read, a piece
// at a time, straight into the one array that keeps it. The code page's
// bytes are the text's own form, so nothing is decoded, and neither the
// bytes nor the text is ever copied.
class DecodedText {
public:
    // Makes room for a file of expected bytes at once, with room for the
    // text to grow that costs nothing until edits use it and spares the
    // first edits a copy of all of it; a file that grew since it was
    // measured still fits.
    explicit DecodedText(qint64 expected);

    void append(QByteArrayView piece);
    // Lets read put up to length bytes straight into the text, no more than
    // the file was expected to hold, and keeps as many as it says it put
    // there; 0 once the expected bytes are in.
    template <typename Read> qsizetype readInto(qsizetype length, Read read) {
        length = std::min(length, bytes.size() - size);
        const qsizetype got = length > 0 ? read(bytes.data() + size, length) : 0;
        size += got;
        return got;
    }
    DocumentText take();

private:
    QByteArray bytes;
    qsizetype size = 0; // how much of bytes is read
};
