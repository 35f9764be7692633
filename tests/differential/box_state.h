#pragma once

#include <QString>
#include <QStringList>

// What a person can observe of a text box after a gesture: its text (line
// breaks as CR LF), caret, selection and scroll position.
struct BoxState {
    QString text;
    qsizetype anchor = 0;
    qsizetype caret = 0;
    int topLine = 0;
    int left = 0; // the horizontal scroll bar's value

    bool operator==(const BoxState&) const = default;
    // The names of what differs from other: text, caret, anchor, top line, left.
    QStringList differences(const BoxState& other) const;
    QString describe() const;
};
