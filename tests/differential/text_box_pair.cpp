#include "tests/differential/text_box_pair.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QStyleHints>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

namespace {
constexpr QSize BoxSize(340, 250);
// Short, so that a pause lets a double click's time run out quickly.
constexpr int DoubleClickTime = 4;

QPoint inside(QPoint point, QSize size) {
    return {std::clamp(point.x(), 0, size.width() - 1),
            std::clamp(point.y(), 0, size.height() - 1)};
}
} // namespace

TextBoxPair::TextBoxPair() : plain(new QPlainTextEdit(&window)), view(new TextView(&window)) {
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(DoubleClickTime);
    plain->setLineWrapMode(QPlainTextEdit::NoWrap);
    for (QAbstractScrollArea* box :
         {static_cast<QAbstractScrollArea*>(plain), static_cast<QAbstractScrollArea*>(view)}) {
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->resize(BoxSize);
    }
    view->move(BoxSize.width() + 10, 0);
    window.resize(2 * BoxSize.width() + 10, BoxSize.height());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qFatal("the window of the text box pair was never shown");
}

void TextBoxPair::setText(const QString& text) {
    // A sequence replays alike on its own, whatever ran before it.
    QGuiApplication::clipboard()->setText(QStringLiteral("clip\nboard"));
    plain->setPlainText(text);
    // A new text keeps QPlainTextEdit's sideways scroll, and its page keys'
    // place while the caret stays at the start; moving the caret forgets
    // the place, and both start scrolled to the top left, as ours do.
    plain->moveCursor(QTextCursor::End);
    plain->moveCursor(QTextCursor::Start);
    plain->horizontalScrollBar()->setValue(0);
    // QPlainTextEdit measures a line when it first lays it out, ours every
    // line of a short text at once: the reference lays them all out now, so
    // that both start from the same scroll range.
    const QAbstractTextDocumentLayout* layout = plain->document()->documentLayout();
    for (QTextBlock block = plain->document()->firstBlock(); block.isValid(); block = block.next())
        layout->blockBoundingRect(block);
    QString crlf = text;
    crlf.replace(u'\n', QStringLiteral("\r\n"));
    view->setText(crlf);
    // Lets the double click's time run out and both paint once, as after an open.
    Gesture pause;
    pause.kind = Gesture::Kind::Pause;
    apply(pause);
}

BoxState TextBoxPair::ours() const {
    return {view->text(), view->anchorPosition(), view->caretPosition(),
            view->verticalScrollBar()->value(), view->horizontalScrollBar()->value()};
}

qsizetype TextBoxPair::ourPosition(int position) const {
    // A paragraph break is one character there and CR LF here.
    return qsizetype(position) + plain->document()->findBlock(position).blockNumber();
}

BoxState TextBoxPair::reference() const {
    QString text = plain->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    const QTextCursor cursor = plain->textCursor();
    return {text, ourPosition(cursor.anchor()), ourPosition(cursor.position()),
            plain->verticalScrollBar()->value(), plain->horizontalScrollBar()->value()};
}

std::unique_ptr<QTextLayout> TextBoxPair::referenceLine(const QTextBlock& block) const {
    // Laid out apart from the reference's own layouts: laying out a line
    // of its document can change its scroll range, and so its scroll
    // position, which only its own painting and editing may do.
    auto layout = std::make_unique<QTextLayout>(block.text(), plain->font(), plain->viewport());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(plain->tabStopDistance());
    layout->setTextOption(option);
    layout->beginLayout();
    layout->createLine().setLeadingIncluded(true);
    layout->endLayout();
    return layout;
}

QRect TextBoxPair::referenceCursorRect(int position) const {
    // Where QPlainTextEdit::cursorRect puts it: every block one line high,
    // scrolled by whole blocks, the document's margin above the first.
    const QTextBlock block = plain->document()->findBlock(position);
    const auto layout = referenceLine(block);
    const QTextLine line = layout->lineAt(0);
    const qreal margin = plain->document()->documentMargin();
    const int topBlock = plain->verticalScrollBar()->value();
    const qreal top = (block.blockNumber() - topBlock) * line.height();
    const QRectF rect(margin + line.cursorToX(position - block.position()), top, 1, line.height());
    return rect.toRect().translated(-plain->horizontalScrollBar()->value(),
                                    topBlock == 0 ? int(margin) : 0);
}

bool TextBoxPair::referenceRangeIsOff() const {
    qreal widest = 0;
    for (QTextBlock block = plain->document()->firstBlock(); block.isValid(); block = block.next())
        widest = std::max(widest, referenceLine(block)->lineAt(0).naturalTextWidth());
    const qreal margins = 2 * plain->document()->documentMargin();
    const int needed = std::max(int(widest + margins) - plain->viewport()->width(), 0);
    return plain->horizontalScrollBar()->maximum() != needed;
}

QPoint TextBoxPair::pointFor(const Gesture::Target& t) const {
    using K = Gesture::Target::Kind;
    QTextDocument* document = plain->document();
    const int size = document->characterCount() - 1;
    const int position = std::clamp(int(t.where * (size + 1)), 0, size);
    const QTextBlock block = document->findBlock(position);
    const QRect at = referenceCursorRect(position);
    const QSize area = plain->viewport()->size();
    switch (t.kind) {
    case K::Character: {
        const int inBlock = position - block.position();
        const bool last = inBlock + 1 >= block.length();
        const int next = block.position() + referenceLine(block)->nextCursorPosition(inBlock);
        const int width = last ? 0 : referenceCursorRect(next).left() - at.left();
        return {at.left() + int(t.across * width), at.center().y()};
    }
    case K::PastLineEnd:
        return {referenceCursorRect(block.position() + block.length() - 1).left() + t.beyond,
                at.center().y()};
    case K::TopMargin:
        return {t.x, t.beyond};
    case K::BelowText:
        return {t.x, referenceCursorRect(size).bottom() + 1 + t.beyond};
    case K::LeftMargin:
        return {t.beyond, at.center().y()};
    case K::Outside:
        switch (t.side) {
        case 0:
            return {t.x, -t.beyond};
        case 1:
            return {t.x, area.height() + t.beyond};
        case 2:
            return {-t.beyond, at.center().y()};
        default:
            return {area.width() + t.beyond, at.center().y()};
        }
    }
    return {};
}

qsizetype TextBoxPair::referenceHit(const Gesture::Target& target) const {
    const QPoint at = inside(pointFor(target), plain->viewport()->size());
    return ourPosition(plain->cursorForPosition(at).position());
}

void TextBoxPair::apply(const Gesture& gesture) {
    if (gesture.kind == Gesture::Kind::Pause) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2 * DoubleClickTime));
        QCoreApplication::processEvents();
        return;
    }
    // Both boxes are aimed at through the reference's layout; a press lands
    // inside the text area, a drag may end outside it.
    const QPoint from = inside(pointFor(gesture.from), plain->viewport()->size());
    const QPoint to = pointFor(gesture.to);
    make(gesture, *plain, from, to);
    make(gesture, *view, from, to);
}

void TextBoxPair::make(const Gesture& g, QAbstractScrollArea& box, QPoint from, QPoint to) {
    QWidget* area = box.viewport();
    const auto drag = [&] {
        for (int step = 1; step <= g.steps; ++step)
            QTest::mouseMove(area, from + (to - from) * step / g.steps);
        QTest::mouseRelease(area, Qt::LeftButton, g.modifiers, to);
    };
    const auto doubleClick = [&] {
        QTest::mouseClick(area, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseDClick(area, Qt::LeftButton, Qt::NoModifier, from);
    };
    switch (g.kind) {
    case Gesture::Kind::Key:
        if (g.text.isEmpty())
            QTest::keyClick(&box, Qt::Key(g.key), g.modifiers);
        else
            QTest::sendKeyEvent(QTest::Click, &box, Qt::Key(g.key), g.text, g.modifiers);
        break;
    case Gesture::Kind::Click:
        QTest::mouseClick(area, Qt::LeftButton, g.modifiers, from);
        break;
    case Gesture::Kind::MiddleClick:
        QTest::mouseClick(area, Qt::MiddleButton, Qt::NoModifier, from);
        break;
    case Gesture::Kind::DoubleClick:
        doubleClick();
        QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, from);
        break;
    case Gesture::Kind::TripleClick:
        doubleClick();
        QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseClick(area, Qt::LeftButton, Qt::NoModifier, from);
        break;
    case Gesture::Kind::Drag:
        QTest::mousePress(area, Qt::LeftButton, g.modifiers, from);
        drag();
        break;
    case Gesture::Kind::WordDrag:
        doubleClick();
        drag();
        break;
    case Gesture::Kind::LineDrag:
        doubleClick();
        QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, from);
        drag();
        break;
    case Gesture::Kind::Wheel: {
        QWheelEvent wheel(from, area->mapToGlobal(QPointF(from)), QPoint(),
                          QPoint(g.wheelX, g.wheelY), Qt::NoButton, g.modifiers, Qt::NoScrollPhase,
                          false);
        QCoreApplication::sendEvent(area, &wheel);
        break;
    }
    case Gesture::Kind::Pause:
        break;
    }
}
