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

bool TextBoxPair::referenceRangeIsOff() const {
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(plain->tabStopDistance());
    qreal widest = 0;
    for (QTextBlock block = plain->document()->firstBlock(); block.isValid();
         block = block.next()) {
        QTextLayout layout(block.text(), plain->font(), plain->viewport());
        layout.setTextOption(option);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        widest = std::max(widest, layout.lineAt(0).naturalTextWidth());
    }
    const qreal margins = 2 * plain->document()->documentMargin();
    const int needed = std::max(int(widest + margins) - plain->viewport()->width(), 0);
    return plain->horizontalScrollBar()->maximum() != needed;
}

QPoint TextBoxPair::pointFor(const Gesture::Target& t) const {
    using K = Gesture::Target::Kind;
    QTextDocument* document = plain->document();
    const int size = document->characterCount() - 1;
    QTextCursor cursor(document);
    cursor.setPosition(std::clamp(int(t.where * (size + 1)), 0, size));
    const QRect at = plain->cursorRect(cursor);
    const QSize area = plain->viewport()->size();
    switch (t.kind) {
    case K::Character: {
        QTextCursor next = cursor;
        next.movePosition(QTextCursor::NextCharacter);
        const int width =
            next.block() == cursor.block() ? plain->cursorRect(next).left() - at.left() : 0;
        return {at.left() + int(t.across * width), at.center().y()};
    }
    case K::PastLineEnd:
        cursor.movePosition(QTextCursor::EndOfBlock);
        return {plain->cursorRect(cursor).left() + t.beyond, at.center().y()};
    case K::TopMargin:
        return {t.x, t.beyond};
    case K::BelowText:
        cursor.movePosition(QTextCursor::End);
        return {t.x, plain->cursorRect(cursor).bottom() + 1 + t.beyond};
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
