#include "host/text_box.h"

#include "host/error_barrier.h"
#include "host/line_breaks.h"
#include "host/runtime_error.h"
#include "host/twips.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

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
        QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [this] { fire(changeHandler); });
        attach(edit, geometry);
    } else {
        auto* edit = new QLineEdit;
        QObject::connect(edit, &QLineEdit::textChanged, edit, [this] { fire(changeHandler); });
        attach(edit, geometry);
    }
}

QString TextBox::text() const {
    if (QPlainTextEdit* edit = multiLine(widget()))
        return LineBreaks::fromEditor(edit->document()->toRawText());
    return singleLine(widget())->text();
}

void TextBox::setText(const QString& text) {
    if (QPlainTextEdit* edit = multiLine(widget()))
        edit->setPlainText(LineBreaks::toEditor(text));
    else
        singleLine(widget())->setText(text);
    ErrorBarrier::rethrowPending();
}

// A paragraph break is one position in the editor and two (CR LF) here, so
// paragraph n starts n positions later here than in the editor.
qsizetype TextBox::toEditor(qsizetype position) const {
    const QTextDocument* doc = multiLine(widget())->document();
    // The last paragraph that starts at or before position.
    int low = 0;
    int high = doc->blockCount() - 1;
    while (low < high) {
        const int mid = low + (high - low + 1) / 2;
        if (doc->findBlockByNumber(mid).position() + mid <= position)
            low = mid;
        else
            high = mid - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(low);
    const qsizetype offset = position - (block.position() + low);
    // A position between CR and LF, or past the end, falls on the paragraph's end.
    return block.position() + std::min<qsizetype>(offset, block.length() - 1);
}

qsizetype TextBox::fromEditor(qsizetype position) const {
    return position + multiLine(widget())->document()->findBlock(int(position)).blockNumber();
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
