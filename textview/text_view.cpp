#include "textview/text_view.h"

#include "text/line_breaks.h"
#include "textview/text_view_accessible.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace {
// How far to scroll to bring [low, high) into [0, size), its start first.
int distanceToShow(qsizetype low, qsizetype high, qsizetype size) {
    if (low < 0)
        return int(low);
    if (high > size)
        return int(std::min(high - size, low));
    return 0;
}
} // namespace

TextView::TextView(QWidget* parent) : QAbstractScrollArea(parent) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(1);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setInputMethodHints(Qt::ImhMultiLine);
    relayout();
    TextViewAccessible::installFactory();
}

TextView::~TextView() = default;

QString TextView::text() const {
    return store.text();
}

void TextView::setText(DocumentText text) {
    // Only a listening screen reader needs to hear what the text was.
    const QString removed = TextViewAccessible::listening() ? QString(store.text()) : QString();
    store.setText(std::move(text));
    history.clear();
    preedit.clear();
    relayout();
    if (TextViewAccessible::listening())
        TextViewAccessible::notifyTextChange(this, 0, removed, QString(store.text()));
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    pointerSelection.place(0);
    viewport()->update();
    Q_EMIT textChanged();
}

QString TextView::selectedText() const {
    return store.mid(selectionStart(), selectionEnd() - selectionStart());
}

void TextView::setSelection(qsizetype anchor, qsizetype caret) {
    model.select({anchor, caret});
    ensureCaretVisible();
}

void TextView::insertText(const QString& text) {
    editSelection(EditHistory::Kind::Command, LineBreaks::toCrLf(text));
}

void TextView::deleteSelection() {
    if (!model.selection().isEmpty())
        deleteBetween(selectionStart(), selectionEnd(), EditHistory::Kind::Command,
                      caretPosition());
}

QRect TextView::characterRect(qsizetype position) const {
    position = motion.valid(position);
    const qsizetype line = store.lineOf(position);
    const qsizetype start = store.lineStart(line);
    const qreal left = layouts.x(line, position - start);
    qreal right = left + 1;
    if (position < store.lineEnd(line))
        right = layouts.x(line, motion.nextCharacter(position) - start);
    const QRectF rect(textLeft() + std::min(left, right), lineTop(line),
                      std::max<qreal>(std::abs(right - left), 1), lineHeight());
    return rect.toAlignedRect();
}

qsizetype TextView::positionAt(const QPoint& point) const {
    return model.hit(rowAt(point.y()), point.x() - textLeft(), layouts);
}

// --- editing -------------------------------------------------------------

void TextView::undo() {
    if (const EditHistory::Step* step = history.undo())
        replay(*step, false);
}

void TextView::redo() {
    if (const EditHistory::Step* step = history.redo())
        replay(*step, true);
}

void TextView::replay(const EditHistory::Step& step, bool forward) {
    const auto count = step.changes.size();
    for (size_t i = 0; i < count; ++i) {
        const TextChange& change = step.changes[forward ? i : count - 1 - i];
        if (forward)
            replace(change.position, change.removed, change.inserted);
        else
            replace(change.position, change.inserted, change.removed);
    }
    model.placeAfterEdit(forward ? step.after : step.before);
    ensureCaretVisible();
    Q_EMIT textChanged();
}

void TextView::cut() {
    if (model.selection().isEmpty())
        return;
    copy();
    deleteSelection();
}

void TextView::copy() {
    if (!model.selection().isEmpty())
        QGuiApplication::clipboard()->setText(LineBreaks::toLf(selectedText()));
}

void TextView::paste() {
    const QString text = QGuiApplication::clipboard()->text();
    if (!text.isEmpty())
        editSelection(EditHistory::Kind::Command, LineBreaks::toCrLf(text));
}

void TextView::selectAll() {
    // To QPlainTextEdit, selecting everything is no move of the caret that
    // page keys would forget their place for.
    const std::optional<int> place = pageY;
    model.select({0, store.size()});
    pageY = place;
}

void TextView::replace(qsizetype position, const QString& removed, QStringView inserted) {
    const qsizetype length = removed.size();
    // The lines next to the edit may gain or lose a CR LF that it joins or
    // splits; the lines beyond stay as they were, only renumbered.
    const qsizetype first = store.lineOf(std::max<qsizetype>(position - 1, 0));
    const qsizetype oldLast = store.lineOf(std::min(position + length + 1, store.size()));
    const qsizetype oldCount = store.lineCount();
    store.replace(position, length, inserted);
    pointerSelection.edited(position, length, inserted.size());
    // QPlainTextEdit counts an edit as a move of its cursor, one that leaves
    // the caret where it was included (deleteBetween has the exception).
    pageY.reset();
    const qsizetype newLast = oldLast + store.lineCount() - oldCount;
    if (first == oldLast && newLast == first)
        layouts.lineEdited(first, position - store.lineStart(first), length, inserted.size());
    else
        layouts.linesReplaced(first, oldLast, newLast);
    // The scroll bars follow once the caret's line is measured again
    // (ensureCaretVisible), so that its width does not go missing between.
    viewport()->update();
    TextViewAccessible::notifyTextChange(this, position, removed, inserted);
}

void TextView::edit(EditHistory::Kind kind, std::vector<TextChange> changes, qsizetype caretAfter) {
    const TextSelection before = model.selection();
    for (const TextChange& change : changes)
        replace(change.position, change.removed, change.inserted);
    if (changes.size() == 1)
        history.record(kind, std::move(changes.front()), before, {caretAfter, caretAfter});
    else
        history.record(std::move(changes), before, {caretAfter, caretAfter});
    model.placeAfterEdit({caretAfter, caretAfter});
    ensureCaretVisible();
    Q_EMIT textChanged();
}

void TextView::editRange(EditHistory::Kind kind, qsizetype from, qsizetype to,
                         const QString& text) {
    std::vector<TextChange> changes;
    changes.push_back({from, store.mid(from, to - from), text});
    edit(kind, std::move(changes), from + text.size());
}

void TextView::editSelection(EditHistory::Kind kind, const QString& text) {
    editRange(kind, selectionStart(), selectionEnd(), text);
}

void TextView::deleteBetween(qsizetype a, qsizetype b, EditHistory::Kind kind, qsizetype held) {
    if (a == b) {
        model.forgetGoal(); // as QPlainTextEdit's keys do with nothing to delete
        return;
    }
    // QPlainTextEdit's cursor stands at held while the text goes, and only
    // if that moves it do its page keys forget their place.
    const std::optional<int> place = pageY;
    editRange(kind, std::min(a, b), std::max(a, b), QString());
    if (held == std::min(a, b))
        pageY = place;
}

void TextView::caretMoved(TextSelection before) {
    restartBlinking();
    if (!paging && model.caret() != before.caret)
        pageY.reset();
    if (model.selection() == before)
        return;
    viewport()->update();
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
    TextViewAccessible::notifyCaretMove(this, before);
    Q_EMIT selectionChanged();
}

void TextView::setPrimarySelection() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!model.selection().isEmpty() && clipboard->supportsSelection())
        clipboard->setText(LineBreaks::toLf(selectedText()), QClipboard::Selection);
}

// --- geometry and drawing ----------------------------------------------

void TextView::relayout() {
    layouts.reset(font(), viewport());
    updateScrollBars();
}

int TextView::lineHeight() const {
    // As tall as a laid out line, which QTextLine rounds up, and as far
    // apart as QPlainTextEdit sets its lines.
    return std::max(int(std::ceil(QFontMetricsF(font()).lineSpacing())), 1);
}

int TextView::topLine() const {
    return verticalScrollBar()->value();
}

int TextView::lineTop(qsizetype line) const {
    // Like QPlainTextEdit, the top margin shows only above the first line.
    const qsizetype y = (line - topLine()) * lineHeight() + (topLine() == 0 ? Margin : 0);
    return int(std::clamp<qsizetype>(y, -(1 << 30), 1 << 30));
}

qsizetype TextView::rowAt(int y) const {
    const int fromTop = y - (topLine() == 0 ? Margin : 0);
    const int lh = lineHeight();
    const int lines = fromTop >= 0 ? fromTop / lh : -((lh - 1 - fromTop) / lh);
    return topLine() + lines;
}

qsizetype TextView::lineAtY(int y) const {
    return std::clamp<qsizetype>(rowAt(y), 0, store.lineCount() - 1);
}

qreal TextView::textLeft() const {
    return Margin - horizontalScrollBar()->value();
}

int TextView::fullyVisibleLines() const {
    return std::max(1, (viewport()->height() - (topLine() == 0 ? Margin : 0)) / lineHeight());
}

QRect TextView::caretRect(qsizetype position) const {
    const qsizetype line = store.lineOf(position);
    const qreal x = layouts.x(line, position - store.lineStart(line));
    const int width = style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this);
    // Rounded where QPlainTextEdit rounds its cursor rectangle, in the
    // document before it is scrolled: rounding halves away from zero would
    // round the other way where the caret is left of the view.
    const int left = qRound(Margin + x) - horizontalScrollBar()->value();
    return QRect(left, lineTop(line), width, lineHeight());
}

void TextView::ensureCaretVisible() {
    // An edit may have added lines that the view can now scroll to.
    updateScrollBars();
    const qsizetype line = store.lineOf(caretPosition());
    if (line < topLine())
        verticalScrollBar()->setValue(int(line));
    else if (lineTop(line) + lineHeight() > viewport()->height())
        verticalScrollBar()->setValue(int(line) - std::max(1, viewport()->height() / lineHeight()) +
                                      1);
    layouts.settle(line, caretPosition() - store.lineStart(line), viewport()->width());
    updateScrollBars();
    // Like QPlainTextEdit, a caret out of sight sideways comes to the middle.
    const QRect rect = caretRect(caretPosition());
    if (rect.left() < 0 || rect.right() >= viewport()->width()) {
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() + rect.center().x() - viewport()->width() / 2);
    }
}

void TextView::scrollToShow(qsizetype from, qsizetype to) {
    // The vertical scroll bar counts lines, the horizontal one pixels.
    const int top = topLine();
    verticalScrollBar()->setValue(top + distanceToShow(store.lineOf(from) - top,
                                                       store.lineOf(to) + 1 - top,
                                                       fullyVisibleLines()));
    const QRect first = characterRect(from);
    const QRect last = characterRect(to);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setValue(horizontal->value() +
                         distanceToShow(std::min(first.left(), last.left()),
                                        std::max(first.right(), last.right()) + 1,
                                        viewport()->width()));
}

void TextView::updateScrollBars() {
    // The lines that fit above the bottom margin once scrolled to the end,
    // as QPlainTextEdit counts them.
    const int lh = lineHeight();
    const int room = viewport()->height() - 2 * Margin - 1;
    const int fromBottom = room >= lh ? (room - lh) / lh + 1 : 0;
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, int(std::max<qsizetype>(store.lineCount() - fromBottom, 0)));
    vertical->setPageStep(std::max(fromBottom, 1));
    // Cut to whole pixels, as QPlainTextEdit's document width is.
    const qreal width = std::min(layouts.widest() + 2 * Margin, qreal(1 << 30));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(int(width) - viewport()->width(), 0));
    horizontal->setPageStep(viewport()->width());
}

void TextView::scrollContentsBy(int, int) {
    viewport()->update();
    caretRectangleMoved();
}

void TextView::caretRectangleMoved() {
    // Where an input method opens its candidate window; it hears of no
    // scroll or move of the window unless told.
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImAnchorRectangle);
}

bool TextView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window() && event->type() == QEvent::Move)
        caretRectangleMoved();
    return QAbstractScrollArea::eventFilter(watched, event);
}

void TextView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

LineLayouts::Marks TextView::marks(const QPalette& palette) const {
    LineLayouts::Marks marks;
    marks.selection = model.selection();
    if (hasFocus() && caretShown)
        marks.caret = caretPosition();
    marks.dropCaret = drop.caret;
    marks.caretWidth = style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this);
    marks.selectionFormat.setBackground(palette.brush(QPalette::Highlight));
    marks.selectionFormat.setForeground(palette.brush(QPalette::HighlightedText));
    marks.pictures = palette.color(QPalette::PlaceholderText);
    return marks;
}

void TextView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QPalette colours = palette(); // the inactive group when the window is
    painter.setPen(colours.color(QPalette::Text));
    const qreal left = horizontalScrollBar()->value() - Margin;
    const qreal right = left + viewport()->width();
    const qsizetype first = std::max<qsizetype>(topLine(), lineAtY(event->rect().top()));
    const qsizetype last = lineAtY(event->rect().bottom());
    const LineLayouts::Marks shown = marks(colours);
    for (qsizetype line = first; line <= last; ++line)
        layouts.draw(painter, line, QPointF(textLeft(), lineTop(line)), left, right, shown);
    layouts.keepOnly(topLine(), lineAtY(viewport()->height()));
    // Lines drawn for the first time may be the widest yet.
    updateScrollBars();
}

void TextView::restartBlinking() {
    caretShown = true;
    const int flashTime = QApplication::cursorFlashTime();
    if (hasFocus() && flashTime > 0)
        blinkTimer.start(flashTime / 2, this);
    else
        blinkTimer.stop();
}

void TextView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == blinkTimer.timerId()) {
        caretShown = !caretShown;
        viewport()->update(caretRect(caretPosition()).adjusted(-4, 0, 4, 0));
    } else if (event->timerId() == pointer.autoScroll.timerId()) {
        autoScroll(pointer.last);
    } else if (event->timerId() == pointer.tripleClick.timerId()) {
        pointer.tripleClick.stop();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void TextView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    // The window this view is in now, which may have changed since.
    window()->removeEventFilter(this);
    window()->installEventFilter(this);
    restartBlinking();
    viewport()->update();
}

void TextView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blinkTimer.stop();
    history.closeGroup();
    viewport()->update();
}

void TextView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        relayout();
    viewport()->update();
}
