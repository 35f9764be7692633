#pragma once

#include <QString>
#include <QStringView>

class TextStore;

// Line breaks as they cross the edges of the text store, which holds every
// one as CR LF: what comes in, what goes out, how a lone CR or LF is shown,
// and how a screen reader counts them.
namespace LineBreaks {

// Text from outside (typed, pasted, dropped), every kind of line break (CR
// LF, CR, LF, U+2028, U+2029, NEL) as CR LF.
QString toCrLf(QStringView text);
// Text going out to the clipboard or a drag, each CR LF as LF, as
// QPlainTextEdit gives it.
QString toLf(QString text);

// The character drawn in place of one that a layout would take for a line
// break (a lone CR or LF, U+2028, U+2029), or 0 for any other.
char16_t pictureOf(QChar c);

// A screen reader counts each CR LF as one LF. These map its offsets to
// store positions and back through the store's line index; a position
// between a CR and its LF counts as the break, and an offset falls on the
// CR of its break. Offsets are clamped to the text.
qsizetype offsetOf(const TextStore& store, qsizetype position);
qsizetype positionOf(const TextStore& store, qsizetype offset);
qsizetype characterCount(const TextStore& store);
// A piece of the store's text that splits no CR LF, as a screen reader
// reads it: each CR LF one LF, and pictures in place of the characters that
// would break a layout's line, so that only real line breaks read as breaks.
QString readable(QString text);

} // namespace LineBreaks
