#include "host/text_box.h"

#include "host/error_barrier.h"
#include "host/line_breaks.h"
#include "host/runtime_error.h"
#include "host/text_positions.h"
#include "host/twips.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>
#include <limits>

namespace {
// The widget behind a text box is one of two kinds; each call asks which.
QPlainTextEdit* multiLine(QWidget* w) {
    return qobject_cast<QPlainTextEdit*>(w);
}
QLineEdit* singleLine(QWidget* w) {
    return static_cast<QLineEdit*>(w);
}
} // namespace

void TextBox::create(Kind kind, const Twips& geometry) {
    if (kind == Kind::MultiLine) {
        auto* edit = new QPlainTextEdit;
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit->setTabChangesFocus(false);
        QObject::connect(edit->document(), &QTextDocument::contentsChange, edit,
                         [this](int position, int, int) { textEditedAt(position); });
        QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [this] { fire(changeHandler); });
        forgetText();
        attach(edit, geometry);
    } else {
        auto* edit = new QLineEdit;
        QObject::connect(edit, &QLineEdit::textChanged, edit, [this] { fire(changeHandler); });
        attach(edit, geometry);
    }
}

QString TextBox::text() const {
    if (QPlainTextEdit* edit = multiLine(widget())) {
        const QTextDocument& doc = *edit->document();
        if (unchangedUpTo == 0) {
            readText = LineBreaks::fromEditor(doc.toRawText());
        } else if (unchangedUpTo < doc.characterCount()) {
            // The text before the first edit is as it was read.
            readText.truncate(TextPositions::fromDocument(doc, unchangedUpTo));
            QTextCursor rest(const_cast<QTextDocument*>(&doc));
            rest.setPosition(int(unchangedUpTo));
            rest.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            readText.append(LineBreaks::fromEditor(rest.selectedText()));
        }
        unchangedUpTo = std::numeric_limits<qsizetype>::max();
        return readText;
    }
    return singleLine(widget())->text();
}

void TextBox::forgetText() const {
    readText = QString();
    unchangedUpTo = 0;
}

void TextBox::textEditedAt(qsizetype position) const {
    unchangedUpTo = std::min(unchangedUpTo, position);
}

void TextBox::detach() {
    forgetText();
    Control::detach();
}

void TextBox::setText(const QString& text) {
    setText(QString(text));
}

void TextBox::setText(QString&& text) {
    if (QPlainTextEdit* edit = multiLine(widget()))
        edit->setPlainText(LineBreaks::toEditor(std::move(text)));
    else
        singleLine(widget())->setText(text);
    ErrorBarrier::rethrowPending();
}

qsizetype TextBox::toEditor(qsizetype position) const {
    return TextPositions::toDocument(*multiLine(widget())->document(), position);
}

qsizetype TextBox::fromEditor(qsizetype position) const {
    return TextPositions::fromDocument(*multiLine(widget())->document(), position);
}

qsizetype TextBox::selStart() const {
    if (QPlainTextEdit* edit = multiLine(widget()))
        return fromEditor(edit->textCursor().selectionStart());
    const QLineEdit* edit = singleLine(widget());
    return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}

qsizetype TextBox::selLength() const {
    if (QPlainTextEdit* edit = multiLine(widget())) {
        const QTextCursor cursor = edit->textCursor();
        return fromEditor(cursor.selectionEnd()) - fromEditor(cursor.selectionStart());
    }
    return singleLine(widget())->selectedText().size();
}

void TextBox::setSelStart(qsizetype start) {
    if (start < 0)
        raiseError(err::InvalidCall);
    QPlainTextEdit* edit = multiLine(widget());
    if (!edit) {
        QLineEdit* line = singleLine(widget());
        line->setCursorPosition(int(std::min<qsizetype>(start, line->text().size())));
        return;
    }
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(int(toEditor(start)));
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
}

void TextBox::setSelLength(qsizetype length) {
    if (length < 0)
        raiseError(err::InvalidCall);
    const qsizetype start = selStart();
    QPlainTextEdit* edit = multiLine(widget());
    if (!edit) {
        QLineEdit* line = singleLine(widget());
        const qsizetype end = std::min<qsizetype>(start + length, line->text().size());
        line->setSelection(int(start), int(end - start));
        return;
    }
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(int(toEditor(start)));
    cursor.setPosition(int(toEditor(start + length)), QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
}

void TextBox::setFocus() {
    widget()->setFocus();
}
