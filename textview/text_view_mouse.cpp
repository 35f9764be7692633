// The mouse in the text view: clicks and drags that select, the middle
// button's paste, the wheel, the context menu, and drag and drop.
#include "text/line_breaks.h"
#include "textview/text_view.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QInputMethod>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>

namespace {
// During a drag, the pointer this close to an edge scrolls the view.
constexpr int DragScrollEdge = 20;

// A context menu entry with Qt's own (translated) text and its shortcut.
QString menuText(const char* text, QKeySequence::StandardKey key) {
    QString label = QCoreApplication::translate("QWidgetTextControl", text);
    if (key == QKeySequence::UnknownKey)
        return label;
    const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
    if (!shortcut.isEmpty() && QGuiApplication::styleHints()->showShortcutsInContextMenus() &&
        !QCoreApplication::testAttribute(Qt::AA_DontShowShortcutsInContextMenus))
        label += u'\t' + shortcut;
    return label;
}
} // namespace

void TextView::mousePressEvent(QMouseEvent* event) {
    // A click ends a composition where it stands.
    if (!preedit.isEmpty())
        QGuiApplication::inputMethod()->commit();
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::MiddleButton) {
        const QClipboard* clipboard = QGuiApplication::clipboard();
        const QString text =
            clipboard->supportsSelection() ? clipboard->text(QClipboard::Selection) : QString();
        if (!text.isEmpty()) {
            model.moveTo(positionAt(point), false);
            editSelection(EditHistory::Kind::Command, LineBreaks::toCrLf(text));
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    pointer.pressed = pointer.last = point;
    pointer.selecting = true;
    pointer.mayDrag = false;
    if (pointer.tripleClick.isActive() &&
        (contentPoint(point) - pointer.tripleClickPoint).manhattanLength() <
            QApplication::startDragDistance()) {
        pointer.tripleClick.stop();
        pointerSelection.chooseLine();
    } else if (event->modifiers() == Qt::ShiftModifier) {
        extendSelectionTo(point);
    } else {
        // As in QPlainTextEdit, a press anywhere on the selection, its ends
        // included, may start dragging it.
        const qsizetype position = positionAt(point);
        if (!model.selection().isEmpty() && position >= selectionStart() &&
            position <= selectionEnd()) {
            pointer.mayDrag = true;
            return;
        }
        pointerSelection.place(position);
    }
    ensureCaretVisible();
}

void TextView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    pointer.last = event->position().toPoint();
    if (viewport()->rect().contains(pointer.last))
        pointer.autoScroll.stop();
    else if (!pointer.autoScroll.isActive())
        pointer.autoScroll.start(100, this);
    if (pointer.mayDrag) {
        if ((pointer.last - pointer.pressed).manhattanLength() >
            QApplication::startDragDistance()) {
            // As in QPlainTextEdit, a release that comes after the drag
            // still places the caret.
            pointer.selecting = false;
            startDrag();
        }
        return;
    }
    // After a double click the word chosen extends although its press was
    // released.
    if (pointer.selecting || pointerSelection.holdsUnit())
        extendSelectionTo(pointer.last);
}

void TextView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (pointer.mayDrag) {
        pointer.mayDrag = pointer.selecting = false;
        pointerSelection.placeKeepingUnit(positionAt(event->position().toPoint()));
    }
    if (pointer.autoScroll.isActive()) {
        pointer.autoScroll.stop();
        ensureCaretVisible();
    }
    if (pointer.selecting)
        setPrimarySelection();
    pointer.selecting = false;
}

void TextView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (!preedit.isEmpty())
        QGuiApplication::inputMethod()->commit();
    const QPoint point = event->position().toPoint();
    pointer.mayDrag = false;
    pointerSelection.chooseWord(positionAt(point));
    setPrimarySelection();
    pointer.tripleClickPoint = contentPoint(point);
    pointer.tripleClick.start(QApplication::doubleClickInterval(), this);
}

QPoint TextView::contentPoint(QPoint point) const {
    // Where QPlainTextEdit places its document: scrolled sideways, and
    // from the top line down but for the margin above the first line.
    return point + QPoint(horizontalScrollBar()->value(), topLine() == 0 ? -Margin : 0);
}

void TextView::extendSelectionTo(QPoint point) {
    if (pointerSelection.extendTo(positionAt(point), point.x() - textLeft()))
        ensureCaretVisible();
}

void TextView::autoScroll(QPoint point) {
    const int edge = drop.caret >= 0 ? DragScrollEdge : 0;
    const QRect inner = viewport()->rect().adjusted(edge, edge, -edge, -edge);
    if (point.y() < inner.top())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.y() > inner.bottom())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (point.x() < inner.left())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.x() > inner.right())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (drop.caret >= 0)
        drop.caret = positionAt(point);
    else
        extendSelectionTo(point);
}

void TextView::wheelEvent(QWheelEvent* event) {
    // As QPlainTextEdit: the scroll bars' own wheel (Shift makes a step a
    // page), and the input method hears where the caret went.
    QAbstractScrollArea::wheelEvent(event);
    updateMicroFocus();
}

void TextView::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    const bool selected = !model.selection().isEmpty();
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    const auto add = [&](const char* text, QKeySequence::StandardKey key, bool enabled,
                         void (TextView::*slot)()) {
        QAction* action = menu->addAction(menuText(text, key));
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
    data->setText(LineBreaks::toLf(selectedText()));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drop.onSelf = false;
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    if (action == Qt::MoveAction && !drop.onSelf)
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
    pointer.last = event->position().toPoint();
    drop.caret = positionAt(pointer.last);
    const QRect inner = viewport()->rect().adjusted(DragScrollEdge, DragScrollEdge, -DragScrollEdge,
                                                    -DragScrollEdge);
    if (inner.contains(pointer.last))
        pointer.autoScroll.stop();
    else if (!pointer.autoScroll.isActive())
        pointer.autoScroll.start(100, this);
    viewport()->update();
    event->acceptProposedAction();
}

void TextView::dragLeaveEvent(QDragLeaveEvent*) {
    drop.caret = -1;
    pointer.autoScroll.stop();
    viewport()->update();
}

void TextView::dropEvent(QDropEvent* event) {
    drop.caret = -1;
    pointer.autoScroll.stop();
    viewport()->update();
    if (!event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    const qsizetype position = positionAt(event->position().toPoint());
    if (event->source() == this && event->dropAction() == Qt::MoveAction) {
        drop.onSelf = true;
        if (position < selectionStart() || position > selectionEnd())
            moveDroppedText(position);
    } else {
        editRange(EditHistory::Kind::Command, position, position,
                  LineBreaks::toCrLf(event->mimeData()->text()));
    }
    event->acceptProposedAction();
}

void TextView::moveDroppedText(qsizetype to) {
    // One step of two changes, so that a single undo puts the text back,
    // and only the moved text is copied.
    const QString moved = selectedText();
    const qsizetype start = selectionStart();
    const qsizetype at = to < start ? to : to - moved.size();
    std::vector<TextChange> changes;
    changes.push_back({start, moved, QString()});
    changes.push_back({at, QString(), moved});
    edit(EditHistory::Kind::Command, std::move(changes), at + moved.size());
}
