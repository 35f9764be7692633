#include "text/text_motion.h"

#include <QTextBoundaryFinder>
#include <algorithm>

namespace {
// Enough text around a position to find the grapheme boundary next to it.
constexpr qsizetype GraphemeWindow = 64;
// How much text a word scan reads from the store at a time.
constexpr qsizetype ScanBlock = 4096;

// The ASCII punctuation that QTextEngine treats as words of their own;
// the backslash among them, so that a path goes a part at a time.
bool isSeparator(QChar c) {
    return QStringView(u".,?!@#$:;-<>[](){}=/+%&^*'\"`~|\\").contains(c);
}

bool isWordCharacter(QChar c) {
    return !c.isSpace() && !isSeparator(c);
}
} // namespace

qsizetype TextMotion::valid(qsizetype position) const {
    position = std::clamp<qsizetype>(position, 0, store.size());
    if (position == 0 || position == store.size())
        return position;
    const char16_t before = store.at(position - 1);
    const char16_t after = store.at(position);
    if ((before == u'\r' && after == u'\n') ||
        (QChar::isHighSurrogate(before) && QChar::isLowSurrogate(after)))
        return position - 1;
    return position;
}

qsizetype TextMotion::nextCharacter(qsizetype position) const {
    const qsizetype line = store.lineOf(position);
    const qsizetype end = store.lineEnd(line);
    if (position >= end)
        return line + 1 < store.lineCount() ? store.lineStart(line + 1) : position;
    const QString window = store.mid(position, std::min(end - position, GraphemeWindow));
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, window);
    const qsizetype next = graphemes.toNextBoundary();
    return position + (next > 0 ? next : window.size());
}

qsizetype TextMotion::previousCharacter(qsizetype position) const {
    const qsizetype line = store.lineOf(position);
    const qsizetype start = store.lineStart(line);
    if (position <= start)
        return line > 0 ? store.lineEnd(line - 1) : position;
    const qsizetype from = std::max(start, position - GraphemeWindow);
    const QString window = store.mid(from, position - from);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, window);
    graphemes.toEnd();
    return from + std::max<qsizetype>(graphemes.toPreviousBoundary(), 0);
}

qsizetype TextMotion::previousCodePoint(qsizetype position) const {
    const qsizetype line = store.lineOf(position);
    if (position <= store.lineStart(line))
        return line > 0 ? store.lineEnd(line - 1) : position;
    if (position >= 2 && QChar::isLowSurrogate(store.at(position - 1)) &&
        QChar::isHighSurrogate(store.at(position - 2)))
        return position - 2;
    return position - 1;
}

template <typename Keep>
qsizetype TextMotion::skipForward(qsizetype position, qsizetype limit, Keep keep) const {
    while (position < limit) {
        const QString block = store.mid(position, std::min(limit - position, ScanBlock));
        for (const QChar c : block) {
            if (!keep(c))
                return position;
            ++position;
        }
    }
    return position;
}

template <typename Keep>
qsizetype TextMotion::skipBackward(qsizetype position, qsizetype limit, Keep keep) const {
    while (position > limit) {
        const qsizetype from = std::max(limit, position - ScanBlock);
        const QString block = store.mid(from, position - from);
        for (qsizetype i = block.size(); i > 0; --i) {
            if (!keep(block[i - 1]))
                return position;
            --position;
        }
    }
    return position;
}

qsizetype TextMotion::wordEndAfter(qsizetype position, qsizetype lineEnd) const {
    if (position < lineEnd && isSeparator(store.at(position)))
        return skipForward(position, lineEnd, isSeparator);
    return skipForward(position, lineEnd, isWordCharacter);
}

qsizetype TextMotion::wordStartBefore(qsizetype position, qsizetype lineStart) const {
    position = skipBackward(position, lineStart, [](QChar c) { return c.isSpace(); });
    if (position > lineStart && isSeparator(store.at(position - 1)))
        return skipBackward(position, lineStart, isSeparator);
    return skipBackward(position, lineStart, isWordCharacter);
}

qsizetype TextMotion::nextWord(qsizetype position) const {
    const qsizetype line = store.lineOf(position);
    const qsizetype end = store.lineEnd(line);
    if (position >= end)
        return nextCharacter(position);
    position = wordEndAfter(position, end);
    return valid(skipForward(position, end, [](QChar c) { return c.isSpace(); }));
}

qsizetype TextMotion::previousWord(qsizetype position) const {
    const qsizetype start = store.lineStart(store.lineOf(position));
    if (position <= start)
        return previousCharacter(position);
    return valid(wordStartBefore(position, start));
}

std::pair<qsizetype, qsizetype> TextMotion::wordAt(qsizetype position) const {
    const qsizetype line = store.lineOf(position);
    const qsizetype start = store.lineStart(line);
    const qsizetype end = store.lineEnd(line);
    qsizetype wordStart = position;
    // Like QTextCursor::StartOfWord: stay put at the line's start, or at its
    // end after a blank or punctuation; else look back from one further on.
    const bool afterBlankAtEnd =
        position == end && position > start && !isWordCharacter(store.at(position - 1));
    if (position > start && !afterBlankAtEnd)
        wordStart = wordStartBefore(position < end ? position + 1 : position, start);
    wordStart = valid(wordStart);
    return {wordStart, valid(wordEndAfter(wordStart, end))};
}
