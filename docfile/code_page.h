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

QString decode(const QByteArray& bytes);

// The bytes of text between before and after, in one pass over the text:
// or no bytes and the index of text's first character that the code page
// cannot hold.
EncodedText encode(QStringView text, QByteArrayView before = {}, QByteArrayView after = {});

} // namespace CodePage
