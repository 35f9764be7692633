#include "tests/differential/box_state.h"

QStringList BoxState::differences(const BoxState& other) const {
    QStringList names;
    if (text != other.text)
        names << QStringLiteral("text");
    if (caret != other.caret)
        names << QStringLiteral("caret");
    if (anchor != other.anchor)
        names << QStringLiteral("anchor");
    if (topLine != other.topLine)
        names << QStringLiteral("top line");
    if (left != other.left)
        names << QStringLiteral("left");
    return names;
}

QString BoxState::describe() const {
    QString shown = text.left(60);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
    shown.replace(u'\t', QStringLiteral("\\t"));
    return QStringLiteral("anchor %1 caret %2 top line %3 left %4 text \"%5%6\" (%7 characters)")
        .arg(anchor)
        .arg(caret)
        .arg(topLine)
        .arg(left)
        .arg(shown, text.size() > 60 ? QStringLiteral("...") : QString())
        .arg(text.size());
}
