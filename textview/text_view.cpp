#include "textview/text_view.h"

#include "textview/text_view_accessible.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleHints>
#include <QTextCharFormat>
#include <algorithm>
#include <cmath>

namespace {
// QPlainTextEdit's document margin: its text starts this far in.
constexpr int Margin = 4;
// During a drag, the pointer this close to an edge scrolls the view.
constexpr int DragScrollEdge = 20;
// An input method sees this much of a long line either side of the caret.
constexpr qsizetype SurroundingReach = 1024;

// Text from outside, every kind of line break turned into CR LF.
QString withCrLf(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        if (c == u'\r' || c == u'\n' || c == u'\u2028' || c == u'\u2029' || c == u'\u0085')
            result += QStringLiteral("\r\n");
        else
            result += text[i];
    }
    return result;
}

// Copied text carries LF line breaks, as QPlainTextEdit gives it.
QString withLf(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// The rule QPlainTextEdit types by: printable text, formatting characters
// and tabs, but not what Ctrl makes of a key.
bool isTyping(const QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const QChar c = text[0];
    if (c.category() == QChar::Other_Format)
        return true;
    const auto modifiers = event->modifiers();
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    return c.isPrint() || c.category() == QChar::Other_PrivateUse || c == u'\t' ||
           (c.isHighSurrogate() && text.size() > 1 && text[1].isLowSurrogate());
}

// Keys the view takes before the window's shortcuts see them.
bool overridesShortcut(const QKeyEvent* event) {
    const auto modifiers = event->modifiers();
    if (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier ||
        modifiers == Qt::KeypadModifier) {
        static const int keys[] = {Qt::Key_Return, Qt::Key_Enter,     Qt::Key_Delete, Qt::Key_Home,
                                   Qt::Key_End,    Qt::Key_Backspace, Qt::Key_Left,   Qt::Key_Right,
                                   Qt::Key_Up,     Qt::Key_Down,      Qt::Key_Tab};
        return event->key() < Qt::Key_Escape || std::ranges::count(keys, event->key()) > 0;
    }
    static const QKeySequence::StandardKey sequences[] = {
        QKeySequence::Copy,
        QKeySequence::Paste,
        QKeySequence::Cut,
        QKeySequence::Redo,
        QKeySequence::Undo,
        QKeySequence::MoveToNextWord,
        QKeySequence::MoveToPreviousWord,
        QKeySequence::MoveToStartOfDocument,
        QKeySequence::MoveToEndOfDocument,
        QKeySequence::SelectNextWord,
        QKeySequence::SelectPreviousWord,
        QKeySequence::SelectStartOfLine,
        QKeySequence::SelectEndOfLine,
        QKeySequence::SelectStartOfBlock,
        QKeySequence::SelectEndOfBlock,
        QKeySequence::SelectStartOfDocument,
        QKeySequence::SelectEndOfDocument,
        QKeySequence::SelectAll,
    };
    return std::ranges::any_of(sequences, [&](auto key) { return event->matches(key); }) ||
           (event->key() == Qt::Key_Y && modifiers == Qt::ControlModifier);
}

// A context menu entry with Qt's own (translated) text and its shortcut.
QString menuText(const char* text, QKeySequence::StandardKey key) {
    QString label = QCoreApplication::translate("QWidgetTextControl", text);
    const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
    if (!shortcut.isEmpty() && QGuiApplication::styleHints()->showShortcutsInContextMenus() &&
        !QCoreApplication::testAttribute(Qt::AA_DontShowShortcutsInContextMenus))
        label += u'\t' + shortcut;
    return label;
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

void TextView::setText(QString text) {
    // Only a listening screen reader needs to hear what the text was.
    const QString removed = TextViewAccessible::listening() ? store.text() : QString();
    store.setText(std::move(text));
    history.clear();
    preedit.clear();
    relayout();
    if (TextViewAccessible::listening())
        TextViewAccessible::notifyTextChange(this, 0, removed, store.text());
    goalX = -1;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    select({0, 0});
    viewport()->update();
    Q_EMIT textChanged();
}

void TextView::relayout() {
    layouts.reset(font(), viewport());
    qsizetype longest = 0;
    const qsizetype last = store.lineCount() - 1;
    for (qsizetype line = 0, start = 0; line < last; ++line) {
        const qsizetype next = store.lineStart(line + 1);
        longest = std::max(longest, next - start - 2);
        start = next;
    }
    longest = std::max(longest, store.size() - store.lineStart(last));
    layouts.expectLineOf(longest);
    updateScrollBars();
}

qsizetype TextView::anchorPosition() const {
    return anchor;
}

qsizetype TextView::caretPosition() const {
    return caret;
}

qsizetype TextView::selectionStart() const {
    return std::min(anchor, caret);
}

qsizetype TextView::selectionEnd() const {
    return std::max(anchor, caret);
}

QString TextView::selectedText() const {
    return store.mid(selectionStart(), selectionEnd() - selectionStart());
}

void TextView::setSelection(qsizetype newAnchor, qsizetype newCaret) {
    history.closeGroup();
    goalX = -1;
    select({newAnchor, newCaret});
    ensureCaretVisible();
}

void TextView::insertText(const QString& text) {
    editSelection(EditHistory::Kind::Command, withCrLf(text));
}

void TextView::deleteSelection() {
    if (anchor != caret)
        editSelection(EditHistory::Kind::Command, QString());
}

bool TextView::isUndoAvailable() const {
    return history.canUndo();
}

bool TextView::isRedoAvailable() const {
    return history.canRedo();
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
    const qsizetype line = lineAtY(point.y());
    return motion.valid(store.lineStart(line) + layouts.offsetAt(line, point.x() - textLeft()));
}

qsizetype TextView::lineCount() const {
    return store.lineCount();
}

qsizetype TextView::lineStart(qsizetype line) const {
    return store.lineStart(line);
}

qsizetype TextView::lineEnd(qsizetype line) const {
    return store.lineEnd(line);
}

QString TextView::textRange(qsizetype position, qsizetype length) const {
    return store.mid(position, length);
}

void TextView::undo() {
    if (const EditHistory::Step* step = history.undo())
        takeBack(*step);
}

void TextView::redo() {
    if (const EditHistory::Step* step = history.redo())
        makeAgain(*step);
}

void TextView::takeBack(const EditHistory::Step& step) {
    for (size_t i = step.changes.size(); i > 0; --i) {
        const TextChange& change = step.changes[i - 1];
        replace(change.position, change.inserted, change.removed);
    }
    goalX = -1;
    select(step.before);
    ensureCaretVisible();
    Q_EMIT textChanged();
}

void TextView::makeAgain(const EditHistory::Step& step) {
    for (const TextChange& change : step.changes)
        replace(change.position, change.removed, change.inserted);
    goalX = -1;
    select(step.after);
    ensureCaretVisible();
    Q_EMIT textChanged();
}

void TextView::cut() {
    if (anchor == caret)
        return;
    copy();
    editSelection(EditHistory::Kind::Command, QString());
}

void TextView::copy() {
    if (anchor != caret)
        QGuiApplication::clipboard()->setText(withLf(selectedText()));
}

void TextView::paste() {
    const QString text = QGuiApplication::clipboard()->text();
    if (!text.isEmpty())
        editSelection(EditHistory::Kind::Command, withCrLf(text));
}

void TextView::selectAll() {
    history.closeGroup();
    goalX = -1;
    select({0, store.size()});
}

void TextView::replace(qsizetype position, const QString& removed, QStringView inserted) {
    const qsizetype length = removed.size();
    // The lines next to the edit may gain or lose a CR LF that it joins or
    // splits; the lines beyond stay as they were, only renumbered.
    const qsizetype first = store.lineOf(std::max<qsizetype>(position - 1, 0));
    const qsizetype oldLast = store.lineOf(std::min(position + length + 1, store.size()));
    const qsizetype oldCount = store.lineCount();
    store.replace(position, length, inserted);
    const qsizetype newLast = oldLast + store.lineCount() - oldCount;
    if (first == oldLast && newLast == first)
        layouts.lineEdited(first, position - store.lineStart(first), length, inserted.size());
    else
        layouts.linesReplaced(first, oldLast, newLast);
    updateScrollBars();
    viewport()->update();
    TextViewAccessible::notifyTextChange(this, position, removed, inserted);
}

void TextView::select(TextSelection selection) {
    selection = {motion.valid(selection.anchor), motion.valid(selection.caret)};
    restartBlinking();
    if (selection == TextSelection{anchor, caret})
        return;
    const TextSelection before{anchor, caret};
    anchor = selection.anchor;
    caret = selection.caret;
    viewport()->update();
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
    TextViewAccessible::notifyCaretMove(this, before);
    Q_EMIT selectionChanged();
}

void TextView::edit(EditHistory::Kind kind, qsizetype from, qsizetype to, const QString& text,
                    qsizetype caretAfter) {
    const TextSelection before{anchor, caret};
    TextChange change{from, store.mid(from, to - from), text};
    replace(from, change.removed, text);
    const qsizetype end = caretAfter >= 0 ? caretAfter : from + text.size();
    history.record(kind, std::move(change), before, {end, end});
    goalX = -1;
    select({end, end});
    ensureCaretVisible();
    Q_EMIT textChanged();
}

void TextView::editSelection(EditHistory::Kind kind, const QString& text) {
    edit(kind, selectionStart(), selectionEnd(), text);
}

void TextView::moveTo(qsizetype position, bool extend) {
    history.closeGroup();
    select({extend ? anchor : position, position});
    ensureCaretVisible();
}

// --- keys ---------------------------------------------------------------

bool TextView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride &&
        overridesShortcut(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

bool TextView::focusNextPrevChild(bool) {
    return false; // Tab types a tab
}

void TextView::keyPressEvent(QKeyEvent* event) {
    if (clipboardKey(event) || movementKey(event) || editingKey(event)) {
        event->accept();
    } else if (isTyping(event)) {
        editSelection(EditHistory::Kind::Typing, event->text());
        event->accept();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

bool TextView::clipboardKey(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        setPrimarySelection();
    } else if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::Cut)) {
        cut();
    } else if (event->matches(QKeySequence::Paste)) {
        paste();
    } else {
        return false;
    }
    return true;
}

bool TextView::movementKey(QKeyEvent* event) {
    struct Binding {
        QKeySequence::StandardKey key;
        Move move;
    };
    using K = QKeySequence;
    static const Binding moves[] = {
        {K::MoveToNextChar, Move::Right},         {K::SelectNextChar, Move::Right},
        {K::MoveToPreviousChar, Move::Left},      {K::SelectPreviousChar, Move::Left},
        {K::MoveToNextWord, Move::WordRight},     {K::SelectNextWord, Move::WordRight},
        {K::MoveToPreviousWord, Move::WordLeft},  {K::SelectPreviousWord, Move::WordLeft},
        {K::MoveToStartOfLine, Move::LineStart},  {K::SelectStartOfLine, Move::LineStart},
        {K::MoveToStartOfBlock, Move::LineStart}, {K::SelectStartOfBlock, Move::LineStart},
        {K::MoveToEndOfLine, Move::LineEnd},      {K::SelectEndOfLine, Move::LineEnd},
        {K::MoveToEndOfBlock, Move::LineEnd},     {K::SelectEndOfBlock, Move::LineEnd},
        {K::MoveToStartOfDocument, Move::Start},  {K::SelectStartOfDocument, Move::Start},
        {K::MoveToEndOfDocument, Move::End},      {K::SelectEndOfDocument, Move::End},
    };
    static const K::StandardKey selecting[] = {
        K::SelectNextChar,        K::SelectPreviousChar,  K::SelectNextWord,  K::SelectPreviousWord,
        K::SelectStartOfLine,     K::SelectStartOfBlock,  K::SelectEndOfLine, K::SelectEndOfBlock,
        K::SelectStartOfDocument, K::SelectEndOfDocument, K::SelectNextLine,  K::SelectPreviousLine,
        K::SelectNextPage,        K::SelectPreviousPage};
    const bool extend =
        std::ranges::any_of(selecting, [&](auto key) { return event->matches(key); });
    const int page = fullyVisibleLines();
    if (event->matches(K::MoveToNextLine) || event->matches(K::SelectNextLine)) {
        moveVertically(1, extend);
    } else if (event->matches(K::MoveToPreviousLine) || event->matches(K::SelectPreviousLine)) {
        moveVertically(-1, extend);
    } else if (event->matches(K::MoveToNextPage) || event->matches(K::SelectNextPage)) {
        verticalScrollBar()->setValue(topLine() + page);
        moveVertically(page, extend);
    } else if (event->matches(K::MoveToPreviousPage) || event->matches(K::SelectPreviousPage)) {
        verticalScrollBar()->setValue(topLine() - page);
        moveVertically(-page, extend);
    } else {
        const auto bound =
            std::ranges::find_if(moves, [&](auto b) { return event->matches(b.key); });
        if (bound == std::end(moves))
            return false;
        goalX = -1;
        moveTo(target(bound->move, extend), extend);
    }
    if (extend)
        setPrimarySelection();
    return true;
}

qsizetype TextView::target(Move move, bool extend) const {
    const qsizetype line = store.lineOf(caret);
    // Arrows move logically: on a right-to-left line, Left goes forward.
    const bool reversed = (move == Move::Left || move == Move::Right || move == Move::WordLeft ||
                           move == Move::WordRight) &&
                          layouts.rightToLeft(line);
    const bool collapse = !extend && anchor != caret;
    switch (move) {
    case Move::Left:
        if (collapse)
            return selectionStart();
        return reversed ? motion.nextCharacter(caret) : motion.previousCharacter(caret);
    case Move::Right:
        if (collapse)
            return selectionEnd();
        return reversed ? motion.previousCharacter(caret) : motion.nextCharacter(caret);
    case Move::WordLeft:
        return reversed ? motion.nextWord(caret) : motion.previousWord(caret);
    case Move::WordRight:
        return reversed ? motion.previousWord(caret) : motion.nextWord(caret);
    case Move::LineStart:
        return store.lineStart(line);
    case Move::LineEnd:
        return store.lineEnd(line);
    case Move::Start:
        return 0;
    case Move::End:
        return store.size();
    }
    return caret;
}

void TextView::moveVertically(qsizetype lines, bool extend) {
    const qsizetype line = store.lineOf(caret);
    if (goalX < 0)
        goalX = layouts.x(line, caret - store.lineStart(line));
    const qsizetype to = std::clamp<qsizetype>(line + lines, 0, store.lineCount() - 1);
    qsizetype position = store.lineStart(to) + layouts.offsetAt(to, goalX);
    // Up on the first line stays; Shift+Down on the last line goes to the end.
    if (to == line && (lines == 1 || lines == -1))
        position = lines == 1 && extend ? store.size() : caret;
    moveTo(position, extend);
}

bool TextView::editingKey(QKeyEvent* event) {
    if (event->matches(QKeySequence::Undo)) {
        undo();
    } else if (event->matches(QKeySequence::Redo) ||
               (event->key() == Qt::Key_Y && event->modifiers() == Qt::ControlModifier)) {
        redo();
    } else if (event->matches(QKeySequence::InsertParagraphSeparator) ||
               event->matches(QKeySequence::InsertLineSeparator)) {
        editSelection(EditHistory::Kind::Command, QStringLiteral("\r\n"));
    } else {
        return deletionKey(event);
    }
    return true;
}

bool TextView::deletionKey(QKeyEvent* event) {
    const bool backspace =
        event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier);
    if (backspace || event->matches(QKeySequence::Backspace))
        deleteBackward(motion.previousCodePoint(caret));
    else if (event->matches(QKeySequence::Delete))
        deleteForward(motion.nextCharacter(caret));
    else if (event->matches(QKeySequence::DeleteStartOfWord))
        deleteBackward(motion.previousWord(caret));
    else if (event->matches(QKeySequence::DeleteEndOfWord))
        deleteForward(motion.nextWord(caret));
    else if (event->matches(QKeySequence::DeleteEndOfLine))
        deleteForward(store.lineEnd(store.lineOf(caret)));
    else
        return false;
    return true;
}

void TextView::deleteBackward(qsizetype to) {
    if (anchor != caret)
        editSelection(EditHistory::Kind::Deleting, QString());
    else if (to < caret)
        edit(EditHistory::Kind::Deleting, to, caret, QString());
}

void TextView::deleteForward(qsizetype to) {
    if (anchor != caret)
        editSelection(EditHistory::Kind::Deleting, QString());
    else if (to > caret)
        edit(EditHistory::Kind::Deleting, caret, to, QString());
}

void TextView::setPrimarySelection() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (anchor != caret && clipboard->supportsSelection())
        clipboard->setText(withLf(selectedText()), QClipboard::Selection);
}

// --- input methods -----------------------------------------------------

void TextView::inputMethodEvent(QInputMethodEvent* event) {
    const bool input = !event->commitString().isEmpty() || event->replacementLength() > 0;
    if (input) {
        qsizetype from = selectionStart();
        qsizetype to = selectionEnd();
        if (from == to && event->replacementLength() > 0) {
            from = motion.valid(caret + event->replacementStart());
            to = motion.valid(from + event->replacementLength());
        }
        edit(EditHistory::Kind::Command, from, to, withCrLf(event->commitString()));
    } else if (event->preeditString() != preedit && anchor != caret) {
        editSelection(EditHistory::Kind::Command, QString());
    }
    const qsizetype base = surroundingText().first;
    int cursor = int(event->preeditString().size());
    QList<QTextLayout::FormatRange> formats;
    for (const QInputMethodEvent::Attribute& a : event->attributes()) {
        if (a.type == QInputMethodEvent::Selection)
            select({base + a.start, base + a.start + a.length});
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
    const qsizetype line = store.lineOf(caret);
    layouts.setPreedit(line, caret - store.lineStart(line), preedit, formats, cursor);
    viewport()->update();
    if (!preedit.isEmpty())
        ensureCaretVisible();
    event->accept();
}

std::pair<qsizetype, qsizetype> TextView::surroundingText() const {
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
    case Qt::ImCursorRectangle:
        return QRectF(caretRect().translated(viewport()->pos()));
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return inWindow(caret);
    case Qt::ImAnchorPosition:
        return inWindow(anchor);
    case Qt::ImAbsolutePosition:
        return caret;
    case Qt::ImSurroundingText:
        return store.mid(first, length);
    case Qt::ImCurrentSelection:
        return store.mid(first + inWindow(selectionStart()),
                         inWindow(selectionEnd()) - inWindow(selectionStart()));
    case Qt::ImTextBeforeCursor:
        return store.mid(first, caret - first);
    case Qt::ImTextAfterCursor:
        return store.mid(caret, first + length - caret);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// --- geometry and drawing ----------------------------------------------

int TextView::lineHeight() const {
    return std::max(fontMetrics().lineSpacing(), 1);
}

int TextView::topLine() const {
    return verticalScrollBar()->value();
}

int TextView::lineTop(qsizetype line) const {
    // Like QPlainTextEdit, the top margin shows only above the first line.
    const qsizetype y = (line - topLine()) * lineHeight() + (topLine() == 0 ? Margin : 0);
    return int(std::clamp<qsizetype>(y, -(1 << 30), 1 << 30));
}

qsizetype TextView::lineAtY(int y) const {
    const int fromTop = y - (topLine() == 0 ? Margin : 0);
    const int lh = lineHeight();
    const int lines = fromTop >= 0 ? fromTop / lh : -((lh - 1 - fromTop) / lh);
    return std::clamp<qsizetype>(topLine() + lines, 0, store.lineCount() - 1);
}

qreal TextView::textLeft() const {
    return Margin - horizontalScrollBar()->value();
}

int TextView::fullyVisibleLines() const {
    return std::max(1, (viewport()->height() - (topLine() == 0 ? Margin : 0)) / lineHeight());
}

QRect TextView::caretRect() const {
    const qsizetype line = store.lineOf(caret);
    const qreal x = layouts.x(line, caret - store.lineStart(line));
    const int width = style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this);
    return QRect(int(std::floor(textLeft() + x)), lineTop(line), width, lineHeight());
}

void TextView::ensureCaretVisible() {
    const qsizetype line = store.lineOf(caret);
    if (line < topLine())
        verticalScrollBar()->setValue(int(line));
    else if (lineTop(line) + lineHeight() > viewport()->height())
        verticalScrollBar()->setValue(int(line) - std::max(1, viewport()->height() / lineHeight()) +
                                      1);
    layouts.settle(line, caret - store.lineStart(line), viewport()->width());
    updateScrollBars();
    // Like QPlainTextEdit, a caret out of sight sideways comes to the middle.
    const QRect rect = caretRect();
    if (rect.left() < 0 || rect.right() >= viewport()->width()) {
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() + rect.center().x() - viewport()->width() / 2);
    }
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
    const qreal width = std::min(std::ceil(layouts.widest()) + 2 * Margin, qreal(1 << 30));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(int(width) - viewport()->width(), 0));
    horizontal->setPageStep(viewport()->width());
}

void TextView::scrollContentsBy(int, int) {
    viewport()->update();
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

void TextView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

LineLayouts::Marks TextView::marksFor(qsizetype line, const QPalette& palette) const {
    LineLayouts::Marks marks;
    const qsizetype start = store.lineStart(line);
    const qsizetype end = store.lineEnd(line);
    marks.selectionStart = selectionStart() - start;
    marks.selectionEnd = selectionEnd() - start;
    if (selectionEnd() > end && line + 1 < store.lineCount())
        marks.selectionEnd = end - start + 1; // its line break is selected
    if (hasFocus() && caretShown && caret >= start && caret <= end)
        marks.caret = caret - start;
    if (dropCaret >= start && dropCaret <= end)
        marks.dropCaret = dropCaret - start;
    marks.caretWidth = style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this);
    marks.selection.setBackground(palette.brush(QPalette::Highlight));
    marks.selection.setForeground(palette.brush(QPalette::HighlightedText));
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
    for (qsizetype line = first; line <= last; ++line)
        layouts.draw(painter, line, QPointF(textLeft(), lineTop(line)), left, right,
                     marksFor(line, colours));
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
        viewport()->update(caretRect().adjusted(-4, 0, 4, 0));
    } else if (event->timerId() == autoScrollTimer.timerId()) {
        autoScroll(mousePoint);
    } else if (event->timerId() == tripleClickTimer.timerId()) {
        tripleClickTimer.stop();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void TextView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
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

// --- mouse -------------------------------------------------------------

void TextView::mousePressEvent(QMouseEvent* event) {
    // A click ends a composition where it stands.
    if (!preedit.isEmpty())
        QGuiApplication::inputMethod()->commit();
    const QPoint point = event->position().toPoint();
    const qsizetype position = positionAt(point);
    if (event->button() == Qt::MiddleButton) {
        const QClipboard* clipboard = QGuiApplication::clipboard();
        const QString text =
            clipboard->supportsSelection() ? clipboard->text(QClipboard::Selection) : QString();
        if (!text.isEmpty()) {
            moveTo(position, false);
            editSelection(EditHistory::Kind::Command, withCrLf(text));
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    goalX = -1;
    pressPoint = mousePoint = point;
    selecting = true;
    if (tripleClickTimer.isActive() &&
        (point - tripleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        unit = Unit::Line;
        pressedUnit = unitAt(position);
        history.closeGroup();
        select(pressedUnit);
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    if (!extend && position >= selectionStart() && position < selectionEnd()) {
        mayDrag = true;
        selecting = false;
        return;
    }
    unit = Unit::Character;
    moveTo(position, extend);
}

void TextView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    mousePoint = event->position().toPoint();
    if (mayDrag) {
        if ((mousePoint - pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
            mayDrag = false;
            startDrag();
        }
        return;
    }
    if (!selecting)
        return;
    extendSelectionTo(mousePoint);
    if (viewport()->rect().contains(mousePoint))
        autoScrollTimer.stop();
    else if (!autoScrollTimer.isActive())
        autoScrollTimer.start(100, this);
}

void TextView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (mayDrag) {
        mayDrag = false;
        moveTo(positionAt(event->position().toPoint()), false);
    }
    if (autoScrollTimer.isActive()) {
        autoScrollTimer.stop();
        ensureCaretVisible();
    }
    if (selecting)
        setPrimarySelection();
    selecting = false;
}

void TextView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    mayDrag = false;
    selecting = true;
    unit = Unit::Word;
    pressedUnit = unitAt(positionAt(point));
    history.closeGroup();
    select(pressedUnit);
    tripleClickPoint = point;
    tripleClickTimer.start(QApplication::doubleClickInterval(), this);
}

TextSelection TextView::unitAt(qsizetype position) const {
    if (unit == Unit::Word) {
        const auto [start, end] = motion.wordAt(position);
        return {start, end};
    }
    if (unit == Unit::Line) {
        const qsizetype line = store.lineOf(position);
        const bool last = line + 1 == store.lineCount();
        return {store.lineStart(line), last ? store.lineEnd(line) : store.lineStart(line + 1)};
    }
    return {position, position};
}

void TextView::extendSelectionTo(QPoint point) {
    const qsizetype position = positionAt(point);
    if (unit == Unit::Character) {
        select({anchor, position});
        return;
    }
    // By words or lines, always keeping the one first chosen.
    const TextSelection here = unitAt(position);
    if (position < pressedUnit.anchor)
        select({pressedUnit.caret, here.anchor});
    else if (position > pressedUnit.caret)
        select({pressedUnit.anchor, here.caret});
    else
        select(pressedUnit);
}

void TextView::autoScroll(QPoint point) {
    const int edge = selecting ? 0 : DragScrollEdge;
    const QRect inner = viewport()->rect().adjusted(edge, edge, -edge, -edge);
    if (point.y() < inner.top())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.y() > inner.bottom())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (point.x() < inner.left())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.x() > inner.right())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (selecting)
        extendSelectionTo(point);
    else if (dropCaret >= 0)
        dropCaret = positionAt(point);
}

void TextView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ShiftModifier) || event->angleDelta().x() != 0) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // Shift turns the wheel sideways; the scroll bar would page with it held.
    QWheelEvent sideways(event->position(), event->globalPosition(), event->pixelDelta(),
                         event->angleDelta(), event->buttons(),
                         event->modifiers() & ~Qt::ShiftModifier, event->phase(), event->inverted(),
                         event->source());
    QCoreApplication::sendEvent(horizontalScrollBar(), &sideways);
    event->setAccepted(sideways.isAccepted());
}

void TextView::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    const bool selected = anchor != caret;
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    const auto add = [&](const char* text, QKeySequence::StandardKey key, bool enabled,
                         void (TextView::*slot)()) {
        QAction* action =
            menu->addAction(key == QKeySequence::UnknownKey
                                ? QCoreApplication::translate("QWidgetTextControl", text)
                                : menuText(text, key));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, slot);
    };
    add("&Undo", QKeySequence::Undo, history.canUndo(), &TextView::undo);
    add("&Redo", QKeySequence::Redo, history.canRedo(), &TextView::redo);
    menu->addSeparator();
    add("Cu&t", QKeySequence::Cut, selected, &TextView::cut);
    add("&Copy", QKeySequence::Copy, selected, &TextView::copy);
    add("&Paste", QKeySequence::Paste, clipboard && clipboard->hasText(), &TextView::paste);
    add("Delete", QKeySequence::UnknownKey, selected, &TextView::deleteSelection);
    menu->addSeparator();
    add("Select All", QKeySequence::SelectAll, store.size() > 0, &TextView::selectAll);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// --- drag and drop -------------------------------------------------------

void TextView::startDrag() {
    auto* data = new QMimeData;
    data->setText(withLf(selectedText()));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    droppedOnSelf = false;
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    if (action == Qt::MoveAction && !droppedOnSelf)
        editSelection(EditHistory::Kind::Command, QString());
}

void TextView::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void TextView::dragMoveEvent(QDragMoveEvent* event) {
    if (!event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    mousePoint = event->position().toPoint();
    dropCaret = positionAt(mousePoint);
    const QRect inner = viewport()->rect().adjusted(DragScrollEdge, DragScrollEdge, -DragScrollEdge,
                                                    -DragScrollEdge);
    if (inner.contains(mousePoint))
        autoScrollTimer.stop();
    else if (!autoScrollTimer.isActive())
        autoScrollTimer.start(100, this);
    viewport()->update();
    event->acceptProposedAction();
}

void TextView::dragLeaveEvent(QDragLeaveEvent*) {
    dropCaret = -1;
    autoScrollTimer.stop();
    viewport()->update();
}

void TextView::dropEvent(QDropEvent* event) {
    dropCaret = -1;
    autoScrollTimer.stop();
    viewport()->update();
    if (!event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    const qsizetype position = positionAt(event->position().toPoint());
    history.closeGroup();
    if (event->source() == this && event->dropAction() == Qt::MoveAction) {
        droppedOnSelf = true;
        if (position < selectionStart() || position > selectionEnd())
            moveDroppedText(position);
    } else {
        edit(EditHistory::Kind::Command, position, position, withCrLf(event->mimeData()->text()));
    }
    event->acceptProposedAction();
}

void TextView::moveDroppedText(qsizetype to) {
    // One change from the drop point to the far end of the selection, so
    // that a single undo puts the text back.
    const qsizetype start = selectionStart();
    const qsizetype end = selectionEnd();
    const QString moved = selectedText();
    if (to < start)
        edit(EditHistory::Kind::Command, to, end, moved + store.mid(to, start - to),
             to + moved.size());
    else
        edit(EditHistory::Kind::Command, start, to, store.mid(end, to - end) + moved);
}
