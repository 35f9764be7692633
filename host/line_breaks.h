#pragma once

#include <QString>

// The text box keeps its text in paragraphs; the program sees every line break
// as CR LF, the way the document files hold it. A lone CR or a lone LF is no
// line break: the text box shows it as the control picture for that
// character (U+240D, U+240A), and it reads back as the character it was.
namespace LineBreaks {

constexpr char16_t ParagraphSeparator = u'\u2029';
constexpr char16_t CarriageReturnPicture = u'\u240D';
constexpr char16_t LineFeedPicture = u'\u240A';

// The program's text as the text box takes it, '\n' between paragraphs.
QString toEditor(const QString& text);
// The text box's raw text (paragraphs separated by U+2029) as the program sees it.
QString fromEditor(const QString& raw);

} // namespace LineBreaks
