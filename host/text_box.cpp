#include "host/text_box.h"

#include "host/error_barrier.h"
#include "host/twips.h"
#include "runtime/runtime_error.h"
#include "textview/text_view.h"

#include <QLineEdit>
#include <algorithm>

namespace {
// The widget behind a text box is one of two kinds; each call asks which.
TextView* multiLine(QWidget* w) {
    return qobject_cast<TextView*>(w);
}
QLineEdit* singleLine(QWidget* w) {
    return static_cast<QLineEdit*>(w);
}
} // namespace

void TextBox::create(Kind kind, const Twips& geometry) {
    if (kind == Kind::MultiLine) {
        auto* view = new TextView;
        QObject::connect(view, &TextView::textChanged, view, [this] { fire(changeHandler); });
        attach(view, geometry);
    } else {
        auto* edit = new QLineEdit;
        QObject::connect(edit, &QLineEdit::textChanged, edit, [this] { fire(changeHandler); });
        attach(edit, geometry);
    }
}

DocumentText TextBox::text() const {
    if (const TextView* view = multiLine(widget()))
        return view->textStore().text();
    return singleLine(widget())->text();
}

void TextBox::setText(DocumentText text) {
    if (TextView* view = multiLine(widget()))
        view->setText(std::move(text));
    else
        singleLine(widget())->setText(text);
    ErrorBarrier::rethrowPending();
}

qsizetype TextBox::selStart() const {
    if (const TextView* view = multiLine(widget()))
        return view->selectionStart();
    const QLineEdit* edit = singleLine(widget());
    return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}

qsizetype TextBox::selLength() const {
    if (const TextView* view = multiLine(widget()))
        return view->selectionEnd() - view->selectionStart();
    return singleLine(widget())->selectedText().size();
}

void TextBox::setSelStart(qsizetype start) {
    if (start < 0)
        raiseError(err::InvalidCall);
    if (TextView* view = multiLine(widget())) {
        view->setSelection(start, start);
        return;
    }
    QLineEdit* line = singleLine(widget());
    line->setCursorPosition(int(std::min<qsizetype>(start, line->text().size())));
}

void TextBox::setSelLength(qsizetype length) {
    if (length < 0)
        raiseError(err::InvalidCall);
    const qsizetype start = selStart();
    if (TextView* view = multiLine(widget())) {
        view->setSelection(start, start + length);
        return;
    }
    QLineEdit* line = singleLine(widget());
    const qsizetype end = std::min<qsizetype>(start + length, line->text().size());
    line->setSelection(int(start), int(end - start));
}

void TextBox::setFocus() {
    widget()->setFocus();
}
