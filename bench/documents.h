#pragma once

#include <QByteArray>
#include <QString>

// The documents the benchmark works on, made from a fixed seed so that every
// run measures the same bytes.
struct BenchDocument {
    QString label;       // as the table shows it
    QString path;        // the document file
    qsizetype textBytes; // size of the text inside the field
    bool oneLine;        // a single line, no line breaks
    qsizetype lines;     // lines of the text
};

namespace Documents {

// A word that occurs exactly once in every document, near its end.
QString marker();

// The text of a document as Windows-1252 bytes: prose in lines of about 62
// bytes ending in CR LF (or one line with no break), with é, €, curly quotes
// and no-break spaces among the words, and marker() at 97 % of the size.
QByteArray prose(qsizetype bytes, bool oneLine);

// Writes the document file (the text as one quoted field) into folder.
BenchDocument write(const QString& folder, const QString& label, qsizetype bytes, bool oneLine);

// The floors' own code page conversion, kept apart from the program's so that a
// change there cannot move the floor.
QString decode(const QByteArray& bytes);
QByteArray encode(QStringView text);

} // namespace Documents
