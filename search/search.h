#pragma once

#include "docfile/document_text.h"

#include <QStringView>

// The rule by which the Find dialog finds text, apart from any window.
namespace Search {

// The 1-based position of the first occurrence of sought in text at or
// after position start, upper and lower case differing; 0 if there is none.
// An empty sought text is never found, and a start below 1 searches from
// the first character.
qsizetype find(const DocumentText& text, QStringView sought, qsizetype start);

} // namespace Search
