#pragma once

#include <QString>

// The text box keeps its text in paragraphs; the program sees every line break
// as CR LF, the way the document files hold it. A lone CR or a lone LF is no
// line break: the text box shows it as the control picture for that
// character (U+240D, U+240A), and it reads back as the character it was.
//
// Both directions work in place on a string nobody else shares, since a
// document can be tens of megabytes and a second copy costs more than the
// conversion itself.
namespace LineBreaks {

constexpr char16_t ParagraphSeparator = u'\u2029';
constexpr char16_t CarriageReturnPicture = u'\u240D';
constexpr char16_t LineFeedPicture = u'\u240A';

// The program's text as the text box takes it: CR LF stays (the text box
// reads it as a paragraph break), a lone CR or LF becomes its picture. The
// length does not change.
QString toEditor(QString text);
// The text box's raw text (paragraphs separated by U+2029) as the program sees it.
QString fromEditor(QString raw);

} // namespace LineBreaks
