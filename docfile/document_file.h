#pragma once

#include "docfile/document_text.h"

// A document file holds the whole text as one field: a double quotation
// mark, the text in the code page, a double quotation mark and CR LF
// (FieldPieces writes it). This is its text as an open reads it; the file
// commands move the bytes to and from the disk.
namespace DocumentFile {

// The first field of a file's contents, its bytes in the code page:
// - spaces before it are skipped;
// - a file of the shape field() writes (a quotation mark first, a quotation
//   mark and CR LF last) yields everything between those two marks, marks
//   inside included;
// - otherwise a field that opens with a quotation mark runs to the next one,
//   or to the end of the file;
// - an unquoted field runs to the first comma, CR or LF, or to the end.
// Raises error 62 (input past end of file) for an empty file. Contents that
// nobody else holds are cut down in place rather than copied.
DocumentText firstField(DocumentText contents);

} // namespace DocumentFile
