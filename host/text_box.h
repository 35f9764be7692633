#pragma once

#include "docfile/document_text.h"
#include "host/control.h"

#include <QString>
#include <functional>

// A text box: a single line, or many lines with both scroll bars and no
// wrapping. Its text holds line breaks as CR LF, and selection positions are
// 0-based and count a line break as two characters.
class TextBox : public Control {
public:
    enum class Kind { SingleLine, MultiLine };

    using Control::Control;

    void create(Kind kind, const Twips& geometry);
    void onChange(std::function<void()> handler) { changeHandler = std::move(handler); }

    // A multi-line box hands out its text without copying it.
    DocumentText text() const;
    // Raises the change notification before it returns. A multi-line box
    // takes over the text's memory where nobody else holds it.
    void setText(DocumentText text);

    qsizetype selStart() const;
    // Places the caret, without a selection, and scrolls it into view.
    void setSelStart(qsizetype start);
    qsizetype selLength() const;
    // Selects length characters from the selection start.
    void setSelLength(qsizetype length);

    void setFocus();

private:
    std::function<void()> changeHandler;
};
