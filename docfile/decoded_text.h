#pragma once

#include <QByteArrayView>
#include <QString>

// A document's text decoded from its file's bytes as they are read, a piece
// at a time, straight into the one string that keeps it: the file's bytes
// are never held beside the whole text, and the text is never copied.
class DecodedText {
public:
    // Makes room for a file of expected bytes at once, with room for the
    // text to grow that costs nothing until edits use it and spares the
    // first edits a copy of all of it; a file that grew since it was
    // measured still fits.
    explicit DecodedText(qint64 expected);

    void append(QByteArrayView bytes);
    QString take();

private:
    QString text;
    qsizetype size = 0; // how much of text is decoded
};
