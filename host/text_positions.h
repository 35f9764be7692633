#pragma once

#include <QtGlobal>

class QTextDocument;

// Positions in a text box's document and in its text as the program sees it.
// A paragraph break is one position in the document and two (CR LF) in the
// text, so paragraph n starts n positions later in the text.
namespace TextPositions {

// The document position of a text position. A position between CR and LF,
// or past the end, falls on the end of that paragraph or of the document.
qsizetype toDocument(const QTextDocument& doc, qsizetype position);
// The text position of a document position.
qsizetype fromDocument(const QTextDocument& doc, qsizetype position);

} // namespace TextPositions
