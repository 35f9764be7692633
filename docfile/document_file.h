#pragma once

#include <QByteArray>
#include <QString>

// A document file holds the whole text as one field: a double quotation
// mark, the text in the code page, a double quotation mark and CR LF.
namespace DocumentFile {

// The bytes of one field holding text (which the code page must hold).
QByteArray field(const QString& text);

// The first field of a file's contents:
// - spaces before it are skipped;
// - a file of the shape field() writes (a quotation mark first, a quotation
//   mark and CR LF last) yields everything between those two marks, marks
//   inside included;
// - otherwise a field that opens with a quotation mark runs to the next one,
//   or to the end of the file;
// - an unquoted field runs to the first comma, CR or LF, or to the end.
// Raises error 62 (input past end of file) for an empty file.
QString firstField(const QString& contents);
// The same, cut out of contents in place when nobody else holds it.
QString firstField(QString&& contents);

// Writes text as one field to the output channel.
void write(int channel, const QString& text);
// Reads the first field of the file open on the input channel.
QString read(int channel);

} // namespace DocumentFile
