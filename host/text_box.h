#pragma once

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

    QString text() const;
    // Raises the change notification before it returns.
    void setText(const QString& text);
    // The same; a text nobody else holds is converted in place.
    void setText(QString&& text);

    qsizetype selStart() const;
    // Places the caret, without a selection, and scrolls it into view.
    void setSelStart(qsizetype start);
    qsizetype selLength() const;
    // Selects length characters from the selection start.
    void setSelLength(qsizetype length);

    void setFocus();

    void detach() override;

private:
    qsizetype toEditor(qsizetype position) const;
    qsizetype fromEditor(qsizetype position) const;

    void forgetText() const;
    void textEditedAt(qsizetype position) const;

    std::function<void()> changeHandler;
    // A multi-line box's text as text() last read it, and the document
    // position before which no edit has touched it since. Reading the whole
    // text out of the widget copies all of it; the next read keeps what lies
    // before the first edit and copies only the rest, so a search or a save
    // after typing near the end of a large text copies little.
    mutable QString readText;
    mutable qsizetype unchangedUpTo = 0;
};
