#include "tests/differential/gesture.h"

#include <QKeySequence>

namespace {

QString describeTarget(const Gesture::Target& t) {
    using K = Gesture::Target::Kind;
    switch (t.kind) {
    case K::Character:
        return QStringLiteral("the character %1 into the text, %2 across it")
            .arg(t.where, 0, 'f', 3)
            .arg(t.across, 0, 'f', 2);
    case K::PastLineEnd:
        return QStringLiteral("%1 px past the end of the line %2 into the text")
            .arg(t.beyond)
            .arg(t.where, 0, 'f', 3);
    case K::TopMargin:
        return QStringLiteral("the top margin at x %1, %2 px down").arg(t.x).arg(t.beyond);
    case K::BelowText:
        return QStringLiteral("%1 px below the last line at x %2").arg(t.beyond).arg(t.x);
    case K::LeftMargin:
        return QStringLiteral("the left margin, %1 px in, of the line %2 into the text")
            .arg(t.beyond)
            .arg(t.where, 0, 'f', 3);
    case K::Outside: {
        static const char* const sides[] = {"above", "below", "left of", "right of"};
        return QStringLiteral("%1 px %2 the text area, at the line %3 into the text")
            .arg(t.beyond)
            .arg(QLatin1String(sides[t.side]))
            .arg(t.where, 0, 'f', 3);
    }
    }
    return {};
}

QString modifierText(Qt::KeyboardModifiers modifiers) {
    QString text;
    if (modifiers & Qt::ControlModifier)
        text += QStringLiteral("Ctrl+");
    if (modifiers & Qt::ShiftModifier)
        text += QStringLiteral("Shift+");
    return text;
}

} // namespace

QString Gesture::describe() const {
    const QString with = modifierText(modifiers);
    switch (kind) {
    case Kind::Key:
        if (!text.isEmpty() && modifiers == Qt::NoModifier)
            return QStringLiteral("type \"%1\"").arg(text == u'\t' ? QStringLiteral("\\t") : text);
        return QStringLiteral("key %1").arg(QKeySequence(key | int(modifiers)).toString());
    case Kind::Click:
        return with + QStringLiteral("click at ") + describeTarget(from);
    case Kind::MiddleClick:
        return QStringLiteral("middle click at ") + describeTarget(from);
    case Kind::DoubleClick:
        return QStringLiteral("double click at ") + describeTarget(from);
    case Kind::TripleClick:
        return QStringLiteral("triple click at ") + describeTarget(from);
    case Kind::Drag:
    case Kind::WordDrag:
    case Kind::LineDrag: {
        static const char* const names[] = {"drag", "double click and drag",
                                            "triple click and drag"};
        const int name = kind == Kind::Drag ? 0 : kind == Kind::WordDrag ? 1 : 2;
        return with + QLatin1String(names[name]) + QStringLiteral(" from ") + describeTarget(from) +
               QStringLiteral(" to ") + describeTarget(to) +
               QStringLiteral(" in %1 steps").arg(steps);
    }
    case Kind::Wheel:
        return with + QStringLiteral("wheel by (%1, %2)").arg(wheelX).arg(wheelY);
    case Kind::Pause:
        return QStringLiteral("pause past the double click time");
    }
    return {};
}
