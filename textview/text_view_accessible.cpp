#include "textview/text_view_accessible.h"

#include "text/line_breaks.h"
#include "text/text_motion.h"
#include "textview/text_view.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace {

// A character or sentence is looked for this far around its offset at
// first, and four times as far each time it comes within Context of a cut,
// so that a query in a line of megabytes reads little more than the unit it
// returns.
constexpr qsizetype FirstReach = 64;
constexpr qsizetype Context = 16;

TextViewAccessible::EventSink eventSink = nullptr;

void send(QAccessibleEvent* event) {
    if (eventSink)
        eventSink(event);
    else
        QAccessible::updateAccessibility(event);
}

QAccessibleInterface* create(const QString& key, QObject* object) {
    if (key != QLatin1String(TextView::staticMetaObject.className()))
        return nullptr;
    if (auto* view = qobject_cast<TextView*>(object))
        return new TextViewAccessible(view);
    return nullptr;
}

int offsetOf(const TextView& view, qsizetype position) {
    return int(LineBreaks::offsetOf(view.textStore(), position));
}

qsizetype positionOf(const TextView& view, qsizetype offset) {
    return LineBreaks::positionOf(view.textStore(), offset);
}

// The unit around local in piece, found as QAccessibleTextInterface's own
// textAtOffset() finds it: from the last boundary at or before local that
// starts or ends an item up to the next such boundary.
std::pair<qsizetype, qsizetype> unitIn(const QString& piece, qsizetype local,
                                       QTextBoundaryFinder::BoundaryType type) {
    QTextBoundaryFinder finder(type, piece);
    const auto itemEdge = [&] {
        return finder.boundaryReasons() &
               (QTextBoundaryFinder::StartOfItem | QTextBoundaryFinder::EndOfItem);
    };
    finder.setPosition(local);
    while (finder.position() > 0 && !itemEdge())
        finder.toPreviousBoundary();
    const qsizetype start = finder.position();
    do
        finder.toNextBoundary();
    while (finder.position() < piece.size() && !itemEdge());
    return {start, finder.position()};
}

} // namespace

TextViewAccessible::TextViewAccessible(TextView* view)
    : QAccessibleWidget(view, QAccessible::EditableText) {}

void TextViewAccessible::installFactory() {
    [[maybe_unused]] static const bool installed = [] {
        QAccessible::installFactory(create);
        return true;
    }();
}

bool TextViewAccessible::listening() {
    return eventSink || QAccessible::isActive();
}

void TextViewAccessible::notifyTextChange(TextView* view, qsizetype position, QStringView removed,
                                          QStringView inserted) {
    if (!listening())
        return;
    // A CR before the edit or an LF after it may have made a line break with
    // the edited text or stopped making one, which changes how it reads; the
    // edit is read with them, and they are left out again where they read
    // the same before and after.
    const qsizetype end = position + inserted.size();
    const bool crBefore = view->textStore().mid(position - 1, 1).startsWith(u'\r');
    const bool lfAfter = view->textStore().mid(end, 1).startsWith(u'\n');
    const auto readAround = [&](QStringView edited) {
        QString piece;
        piece.reserve(edited.size() + 2);
        if (crBefore)
            piece += u'\r';
        piece += edited;
        if (lfAfter)
            piece += u'\n';
        return LineBreaks::readable(std::move(piece));
    };
    QString before = readAround(removed);
    QString after = readAround(inserted);
    int offset = offsetOf(*view, position - (crBefore ? 1 : 0));
    if (crBefore && before.front() == after.front()) {
        before.remove(0, 1);
        after.remove(0, 1);
        ++offset;
    }
    if (lfAfter && !before.isEmpty() && !after.isEmpty() && before.back() == after.back()) {
        before.chop(1);
        after.chop(1);
    }
    if (before.isEmpty() && after.isEmpty())
        return;
    if (before.isEmpty()) {
        QAccessibleTextInsertEvent event(view, offset, after);
        send(&event);
    } else if (after.isEmpty()) {
        QAccessibleTextRemoveEvent event(view, offset, before);
        send(&event);
    } else {
        QAccessibleTextUpdateEvent event(view, offset, before, after);
        send(&event);
    }
}

void TextViewAccessible::notifyCaretMove(TextView* view, TextSelection before) {
    if (!listening())
        return;
    const TextSelection now{view->anchorPosition(), view->caretPosition()};
    const int caret = offsetOf(*view, now.caret);
    if (now.caret != before.caret) {
        QAccessibleTextCursorEvent event(view, caret);
        send(&event);
    }
    // Like QPlainTextEdit, tell of a selection that changed, appeared or went.
    const bool selected = now.anchor != now.caret;
    if (now != before && (selected || before.anchor != before.caret)) {
        QAccessibleTextSelectionEvent event(view, offsetOf(*view, view->selectionStart()),
                                            offsetOf(*view, view->selectionEnd()));
        event.setCursorPosition(caret);
        send(&event);
    }
}

void TextViewAccessible::setEventSink(EventSink sink) {
    eventSink = sink;
}

TextView* TextViewAccessible::view() const {
    return static_cast<TextView*>(widget());
}

QAccessible::State TextViewAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.multiLine = true;
    state.editable = true;
    state.selectableText = true;
    return state;
}

QString TextViewAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value)
        return text(0, characterCount());
    return QAccessibleWidget::text(t);
}

void TextViewAccessible::setText(QAccessible::Text t, const QString& text) {
    if (t == QAccessible::Value)
        replaceText(0, characterCount(), text);
    else
        QAccessibleWidget::setText(t, text);
}

void* TextViewAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

void TextViewAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0)
        return;
    *startOffset = offsetOf(*view(), view()->selectionStart());
    *endOffset = offsetOf(*view(), view()->selectionEnd());
}

int TextViewAccessible::selectionCount() const {
    return view()->selectionStart() != view()->selectionEnd() ? 1 : 0;
}

void TextViewAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void TextViewAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        view()->setSelection(view()->caretPosition(), view()->caretPosition());
}

void TextViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0)
        view()->setSelection(positionOf(*view(), startOffset), positionOf(*view(), endOffset));
}

int TextViewAccessible::cursorPosition() const {
    return offsetOf(*view(), view()->caretPosition());
}

void TextViewAccessible::setCursorPosition(int position) {
    const qsizetype at = positionOf(*view(), position);
    view()->setSelection(at, at);
}

QString TextViewAccessible::text(int startOffset, int endOffset) const {
    const qsizetype from = positionOf(*view(), std::min(startOffset, endOffset));
    const qsizetype to = positionOf(*view(), std::max(startOffset, endOffset));
    return LineBreaks::readable(view()->textStore().mid(from, to - from));
}

QString TextViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                             int* startOffset, int* endOffset) const {
    if (offset == -1)
        offset = characterCount();
    Span before;
    if (boundaryType == QAccessible::WordBoundary)
        return read(wordBefore(offset), startOffset, endOffset);
    if (boundaryType != QAccessible::NoBoundary && offset >= 0 && offset <= characterCount()) {
        // At the end of the text there is no character, but there is
        // one before it.
        const Span at = unitAt(offset, boundaryType);
        const int start = at.start >= 0 ? at.start : offset;
        if (start > 0)
            before = unitAt(start - 1, boundaryType);
    }
    return read(before, startOffset, endOffset);
}

QString TextViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                            int* startOffset, int* endOffset) const {
    if (offset == -1)
        offset = characterCount();
    Span after;
    if (boundaryType == QAccessible::WordBoundary)
        return read(wordAfter(offset), startOffset, endOffset);
    if (boundaryType != QAccessible::NoBoundary) {
        const Span at = unitAt(offset, boundaryType);
        // A line ends before its LF, and the next one starts after it.
        const bool lines = boundaryType == QAccessible::LineBoundary ||
                           boundaryType == QAccessible::ParagraphBoundary;
        if (at.start >= 0)
            after = unitAt(at.end + (lines ? 1 : 0), boundaryType);
    }
    return read(after, startOffset, endOffset);
}

QString TextViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                         int* startOffset, int* endOffset) const {
    if (offset == -1)
        offset = characterCount();
    if (boundaryType == QAccessible::WordBoundary)
        return read(wordAt(offset), startOffset, endOffset);
    const bool inLine =
        boundaryType == QAccessible::CharBoundary || boundaryType == QAccessible::SentenceBoundary;
    if (!inLine || offset < 0 || offset > characterCount())
        return read(unitAt(offset, boundaryType), startOffset, endOffset);
    // At the end of a line, as Qt's and GTK's text widgets answer: the end of
    // the text has an empty character, and a sentence that ends
    // where the line does is the one at its line break or at the end.
    const qsizetype line = view()->textStore().lineOfBreakAsOne(offset);
    const Span within = lineSpan(line);
    if (offset != within.end)
        return read(unitAt(offset, boundaryType), startOffset, endOffset);
    if (boundaryType == QAccessible::CharBoundary)
        return read(offset == characterCount() ? Span{offset, offset}
                                               : unitAt(offset, boundaryType),
                    startOffset, endOffset);
    return read(sentenceEndingAt(within), startOffset, endOffset);
}

int TextViewAccessible::characterCount() const {
    return int(LineBreaks::characterCount(view()->textStore()));
}

QRect TextViewAccessible::characterRect(int offset) const {
    if (offset < 0 || offset >= characterCount())
        return QRect();
    const QRect rect = view()->characterRect(positionOf(*view(), offset));
    return rect.translated(view()->viewport()->mapToGlobal(QPoint(0, 0)));
}

int TextViewAccessible::offsetAtPoint(const QPoint& point) const {
    const QWidget* viewport = view()->viewport();
    const QPoint local = viewport->mapFromGlobal(point);
    if (!viewport->rect().contains(local))
        return -1;
    // positionAt() finds the caret position nearest to the point, which is
    // past the character under it when the point is on its second half.
    const int offset = offsetOf(*view(), view()->positionAt(local));
    if (offset > 0 && view()->characterRect(positionOf(*view(), offset - 1)).contains(local))
        return offset - 1;
    return offset;
}

void TextViewAccessible::scrollToSubstring(int startIndex, int endIndex) {
    TextView* v = view();
    v->scrollToShow(positionOf(*v, std::min(startIndex, endIndex)),
                    positionOf(*v, std::max(startIndex, endIndex)));
}

QString TextViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    const int count = characterCount();
    if (offset < 0 || offset > count) {
        *startOffset = *endOffset = -1;
        return QString();
    }
    *startOffset = 0;
    *endOffset = count;
    return QString();
}

void TextViewAccessible::deleteText(int startOffset, int endOffset) {
    replaceText(startOffset, endOffset, QString());
}

void TextViewAccessible::insertText(int offset, const QString& text) {
    replaceText(offset, offset, text);
}

void TextViewAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    TextView* v = view();
    const qsizetype from = positionOf(*v, std::min(startOffset, endOffset));
    const qsizetype to = positionOf(*v, std::max(startOffset, endOffset));
    if (from == to && text.isEmpty())
        return;
    const TextSelection before{v->anchorPosition(), v->caretPosition()};
    v->setSelection(from, to);
    if (text.isEmpty())
        v->deleteSelection();
    else
        v->insertText(text);
    // The view leaves the caret after the new text; positions that were in
    // the replaced range go there too, later ones move with the text.
    const qsizetype end = v->caretPosition();
    const auto follow = [&](qsizetype p) { return p < from ? p : p >= to ? p + end - to : end; };
    v->setSelection(follow(before.anchor), follow(before.caret));
}

TextViewAccessible::Span
TextViewAccessible::unitAt(int offset, QAccessible::TextBoundaryType boundaryType) const {
    const TextView& v = *view();
    const int count = characterCount();
    if (offset < 0 || offset > count)
        return {};
    QTextBoundaryFinder::BoundaryType type = QTextBoundaryFinder::Grapheme;
    switch (boundaryType) {
    case QAccessible::NoBoundary:
        return {0, count};
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary:
        return lineSpan(v.textStore().lineOfBreakAsOne(offset));
    case QAccessible::CharBoundary:
        break;
    case QAccessible::WordBoundary:
        return wordAt(offset);
    case QAccessible::SentenceBoundary:
        type = QTextBoundaryFinder::Sentence;
        break;
    }
    if (offset == count)
        return {};
    const qsizetype line = v.textStore().lineOfBreakAsOne(offset);
    const Span within = lineSpan(line);
    const qsizetype lineEnd =
        within.end + (line + 1 < v.textStore().lineCount() ? 1 : 0); // with its LF
    for (qsizetype reach = FirstReach;; reach *= 4) {
        const qsizetype from = std::max<qsizetype>(within.start, offset - reach);
        const qsizetype to = std::min(lineEnd, offset + reach);
        const auto [start, end] = unitIn(text(int(from), int(to)), offset - from, type);
        const bool nearCut =
            (from > within.start && start < Context) || (to < lineEnd && to - from - end < Context);
        if (!nearCut)
            return {int(from + start), int(from + end)};
    }
}

TextViewAccessible::Span TextViewAccessible::sentenceEndingAt(Span line) const {
    constexpr auto type = QTextBoundaryFinder::Sentence;
    const int end = line.end;
    for (qsizetype reach = FirstReach;; reach *= 4) {
        const qsizetype from = std::max<qsizetype>(line.start, end - reach);
        const QString piece = text(int(from), end);
        QTextBoundaryFinder finder(type, piece);
        finder.toEnd();
        // No sentence ends where the line does.
        if (piece.isEmpty() || !(finder.boundaryReasons() & QTextBoundaryFinder::EndOfItem))
            return {end, end};
        const qsizetype start = unitIn(piece, piece.size() - 1, type).first;
        if (from == line.start || start >= Context)
            return {int(from + start), end};
    }
}

// Words are the caret's: what a double click selects and Ctrl+Left and
// Ctrl+Right stop at, a run of word characters or of punctuation, found as
// QPlainTextEdit's screen reader interface finds it (a blank belongs to the
// word before it).
TextViewAccessible::Span TextViewAccessible::wordAt(int offset) const {
    if (offset < 0 || offset > characterCount())
        return {};
    const TextView& v = *view();
    const TextMotion motion(v.textStore());
    const auto [start, end] = motion.wordAt(motion.valid(positionOf(v, offset)));
    return {offsetOf(v, start), offsetOf(v, end)};
}

TextViewAccessible::Span TextViewAccessible::wordBefore(int offset) const {
    const Span at = wordAt(offset);
    return at.start < 0 ? Span{} : wordByStep(at.start, false);
}

TextViewAccessible::Span TextViewAccessible::wordAfter(int offset) const {
    const Span at = wordAt(offset);
    if (at.start < 0)
        return {};
    // Punctuation right after a word is the next word; blanks after it are
    // its own, and the caret's word steps go on over them.
    const Span next = wordAt(at.end);
    if (next.start >= at.end && next.start < next.end)
        return next;
    return wordByStep(at.end, true);
}

TextViewAccessible::Span TextViewAccessible::wordByStep(int from, bool forward) const {
    // By the caret's word steps, over blanks and empty lines, to the first
    // word wholly past from.
    const TextView& v = *view();
    const TextMotion motion(v.textStore());
    for (qsizetype at = positionOf(v, from);;) {
        const qsizetype to = forward ? motion.nextWord(at) : motion.previousWord(at);
        if (to == at)
            return {};
        const Span word = wordAt(offsetOf(v, to));
        if (word.start < word.end && (forward ? word.start >= from : word.end <= from))
            return word;
        at = to;
    }
}

TextViewAccessible::Span TextViewAccessible::lineSpan(qsizetype line) const {
    const TextStore& store = view()->textStore();
    return {int(store.lineStart(line) - line), int(store.lineEnd(line) - line)};
}

QString TextViewAccessible::read(Span span, int* startOffset, int* endOffset) const {
    *startOffset = span.start;
    *endOffset = span.end;
    return span.start >= 0 ? text(span.start, span.end) : QString();
}
