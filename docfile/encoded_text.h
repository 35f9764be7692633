#pragma once

#include <QByteArray>
#include <QtGlobal>

// Text put into the code page: all of its bytes, or - when the code page
// cannot hold one of its characters - no bytes at all and where the first
// such character is, so that no substitute byte can ever reach a file.
struct EncodedText {
    QByteArray bytes;
    // The index in the text of the first character the code page cannot
    // hold; -1 when it holds them all.
    qsizetype unencodable = -1;
};
