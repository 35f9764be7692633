// Input methods in the text view: composing text at the caret, committing
// it, and what an input method learns by asking.
#include "text/line_breaks.h"
#include "textview/text_view.h"

#include <QInputMethodEvent>
#include <QTextCharFormat>
#include <algorithm>

namespace {
// An input method sees this much of a long line either side of the caret.
constexpr qsizetype SurroundingReach = 1024;
} // namespace

void TextView::inputMethodEvent(QInputMethodEvent* event) {
    const bool input = !event->commitString().isEmpty() || event->replacementLength() > 0;
    if (input) {
        qsizetype from = selectionStart();
        qsizetype to = selectionEnd();
        if (from == to && event->replacementLength() > 0) {
            from = motion.valid(caretPosition() + event->replacementStart());
            to = motion.valid(from + event->replacementLength());
        }
        editRange(EditHistory::Kind::Command, from, to, LineBreaks::toCrLf(event->commitString()));
    } else if (event->preeditString() != preedit && !model.selection().isEmpty()) {
        editSelection(EditHistory::Kind::Command, QString());
    }
    const qsizetype base = surroundingText().first;
    int cursor = int(event->preeditString().size());
    QList<QTextLayout::FormatRange> formats;
    for (const QInputMethodEvent::Attribute& a : event->attributes()) {
        if (a.type == QInputMethodEvent::Selection)
            model.select({base + a.start, base + a.start + a.length});
        else if (a.type == QInputMethodEvent::Cursor)
            cursor = a.start;
        else if (a.type == QInputMethodEvent::TextFormat)
            formats.append({a.start, a.length, qvariant_cast<QTextFormat>(a.value).toCharFormat()});
    }
    preedit = event->preeditString();
    if (formats.isEmpty() && !preedit.isEmpty()) {
        QTextCharFormat underlined;
        underlined.setFontUnderline(true);
        formats.append({0, int(preedit.size()), underlined});
    }
    const qsizetype line = store.lineOf(caretPosition());
    layouts.setPreedit(line, caretPosition() - store.lineStart(line), preedit, formats, cursor);
    viewport()->update();
    if (!preedit.isEmpty())
        ensureCaretVisible();
    // The candidate window follows the cursor inside the composed text.
    updateMicroFocus();
    event->accept();
}

std::pair<qsizetype, qsizetype> TextView::surroundingText() const {
    const qsizetype caret = caretPosition();
    const qsizetype line = store.lineOf(caret);
    const qsizetype first = motion.valid(std::max(store.lineStart(line), caret - SurroundingReach));
    const qsizetype last = motion.valid(std::min(store.lineEnd(line), caret + SurroundingReach));
    return {first, last - first};
}

QVariant TextView::inputMethodQuery(Qt::InputMethodQuery query) const {
    const auto [first, length] = surroundingText();
    const auto inWindow = [first = first, length = length](qsizetype p) {
        return int(std::clamp(p - first, qsizetype(0), length));
    };
    switch (query) {
    case Qt::ImEnabled:
        return isEnabled();
    case Qt::ImReadOnly:
        return false;
    // In the viewport's coordinates, as QPlainTextEdit answers, though an
    // input method reads them as the view's own (frame included): its
    // candidate window then opens a frame's width up and left of the caret,
    // and ours opens where it does.
    case Qt::ImCursorRectangle:
        return QRectF(caretRect(caretPosition()));
    case Qt::ImAnchorRectangle:
        return QRectF(caretRect(anchorPosition()));
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return inWindow(caretPosition());
    case Qt::ImAnchorPosition:
        return inWindow(anchorPosition());
    case Qt::ImAbsolutePosition:
        return caretPosition();
    case Qt::ImSurroundingText:
        return store.mid(first, length);
    case Qt::ImCurrentSelection:
        return store.mid(first + inWindow(selectionStart()),
                         inWindow(selectionEnd()) - inWindow(selectionStart()));
    case Qt::ImTextBeforeCursor:
        return store.mid(first, caretPosition() - first);
    case Qt::ImTextAfterCursor:
        return store.mid(caretPosition(), first + length - caretPosition());
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}
