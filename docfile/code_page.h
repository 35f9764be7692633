#pragma once

#include "docfile/encoded_text.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <array>

// Windows-1252, the 8-bit code page of document files. Every byte decodes:
// the five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) become the control characters of the same number and encode back to
// the same byte, so any file's bytes survive a round trip.
namespace CodePage {

// The characters of bytes 0x80 to 0x9F; the rest of the code page is Latin-1.
inline constexpr std::array<char16_t, 32> high = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The character of one byte.
inline char16_t character(char byte) {
    const auto u = static_cast<unsigned char>(byte);
    return (u >= 0x80 && u < 0xA0) ? high[u - 0x80] : char16_t(u);
}

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
