#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the 8-bit code page of document files. Every byte decodes:
// the five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) become the control characters of the same number and encode back to
// the same byte, so any file's bytes survive a round trip.
namespace CodePage {

QString decode(const QByteArray& bytes);

// The index of the first character of text that the code page cannot hold,
// or -1 if it holds them all.
qsizetype firstUnencodable(const QString& text);

// Encodes text, which must hold only characters the code page holds.
QByteArray encode(const QString& text);
// The same into out, which has room for text.size() bytes.
void encode(QStringView text, char* out);

} // namespace CodePage
