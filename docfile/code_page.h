#pragma once

#include "docfile/encoded_text.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows-1252, the 8-bit code page of document files. Every byte decodes:
// the five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) become the control characters of the same number and encode back to
// the same byte, so any file's bytes survive a round trip.
namespace CodePage {

QString decode(QByteArrayView bytes);
// The characters of bytes, one for each, into room for them at out.
void decode(QByteArrayView bytes, char16_t* out);

// The bytes of text between before and after, in one pass over the text:
// or no bytes and the index of text's first character that the code page
// cannot hold.
EncodedText encode(QStringView text, QByteArrayView before = {}, QByteArrayView after = {});
// The index of text's first character that the code page cannot hold, or
// -1 when it holds them all.
qsizetype firstUnencodable(QStringView text);
// The bytes of text, which the code page must hold whole, one for each
// character, into room for them at out.
void encode(QStringView text, char* out);

// Asks the kernel for 2 MiB pages under the whole pages of [data, data +
// size): fresh memory is slow to touch 4 KiB at a time, and a document's text
// or bytes are written into whole large pages where the kernel has them.
void preferLargePages(void* data, qsizetype size);

} // namespace CodePage
