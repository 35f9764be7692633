#pragma once

#include "docfile/document_text.h"

#include <QByteArray>
#include <QByteArrayView>

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

    void append(QByteArrayView bytes);
    DocumentText take();

private:
    QByteArray bytes;
    qsizetype size = 0; // how much of bytes is read
};
