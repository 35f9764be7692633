#include "text/text_store.h"

#include <algorithm>
#include <cstring>

namespace {

// Reading must not detach: the buffer may be shared with a string that
// text() handed out.
inline const char16_t* readable(const QString& s) {
    return reinterpret_cast<const char16_t*>(s.constData());
}

inline char16_t* writable(QString& s) {
    return reinterpret_cast<char16_t*>(s.data());
}

// Appends the start of every line that a CR LF in view ends, view being the
// text from offset on and before the character just ahead of it.
void appendLineStarts(QStringView view, qsizetype offset, char16_t before,
                      std::vector<qsizetype>& starts) {
    for (qsizetype lf = view.indexOf(u'\n'); lf >= 0; lf = view.indexOf(u'\n', lf + 1)) {
        if ((lf > 0 ? view[lf - 1].unicode() : before) == u'\r')
            starts.push_back(offset + lf + 1);
    }
}

} // namespace

TextStore::TextStore(qsizetype minimumGap)
    : starts{0}, minimumGap(std::max<qsizetype>(minimumGap, 1)) {}

void TextStore::setText(QString text) {
    buffer = std::move(text);
    gapStart = gapEnd = buffer.size();
    starts.assign(1, 0);
    appendLineStarts(buffer, 0, u'\0', starts);
    shiftedFrom = 1;
    pendingShift = 0;
}

QString TextStore::text() const {
    moveGapTo(size());
    // Shrinking keeps the capacity when nobody shares the string, so the next
    // edit grows back into it.
    if (buffer.size() != gapStart) {
        buffer.resize(gapStart);
        gapEnd = gapStart;
    }
    return buffer;
}

qsizetype TextStore::size() const {
    return buffer.size() - (gapEnd - gapStart);
}

char16_t TextStore::at(qsizetype position) const {
    Q_ASSERT(position >= 0 && position < size());
    return readable(buffer)[position < gapStart ? position : position + (gapEnd - gapStart)];
}

QString TextStore::mid(qsizetype position, qsizetype length) const {
    const qsizetype from = std::clamp<qsizetype>(position, 0, size());
    const qsizetype to =
        std::clamp<qsizetype>(position + std::max<qsizetype>(length, 0), from, size());
    if (from == to)
        return QString();
    QString out(to - from, Qt::Uninitialized);
    char16_t* dest = writable(out);
    const char16_t* src = readable(buffer);
    const qsizetype before = std::clamp(gapStart, from, to) - from;
    std::memcpy(dest, src + from, size_t(before) * sizeof(char16_t));
    std::memcpy(dest + before, src + from + before + (gapEnd - gapStart),
                size_t(to - from - before) * sizeof(char16_t));
    return out;
}

void TextStore::replace(qsizetype position, qsizetype length, QStringView inserted) {
    Q_ASSERT(position >= 0 && length >= 0 && position + length <= size());
    if (length == 0 && inserted.isEmpty())
        return;
    moveGapTo(position);
    gapEnd += length;
    reserveGap(inserted.size());
    if (!inserted.isEmpty()) {
        std::memcpy(writable(buffer) + gapStart, inserted.utf16(),
                    size_t(inserted.size()) * sizeof(char16_t));
        gapStart += inserted.size();
    }
    updateLineStarts(position, length, inserted);
}

qsizetype TextStore::lineCount() const {
    return qsizetype(starts.size());
}

qsizetype TextStore::lineStart(qsizetype line) const {
    Q_ASSERT(line >= 0 && line < lineCount());
    return startOf(line);
}

qsizetype TextStore::lineEnd(qsizetype line) const {
    Q_ASSERT(line >= 0 && line < lineCount());
    return line + 1 < lineCount() ? startOf(line + 1) - 2 : size();
}

qsizetype TextStore::lineOf(qsizetype position) const {
    // A line starts just past its CR LF, so a position between the two is
    // still before the next start.
    return lineAfter(position) - 1;
}

void TextStore::moveGapTo(qsizetype position) const {
    if (position == gapStart)
        return;
    const qsizetype gap = gapEnd - gapStart;
    // An empty gap moves for free, which also keeps a string handed out by
    // text() shared until the text really changes.
    if (gap > 0) {
        char16_t* data = writable(buffer);
        if (position < gapStart)
            std::memmove(data + position + gap, data + position,
                         size_t(gapStart - position) * sizeof(char16_t));
        else
            std::memmove(data + gapStart, data + gapEnd,
                         size_t(position - gapStart) * sizeof(char16_t));
    }
    gapStart = position;
    gapEnd = position + gap;
}

void TextStore::reserveGap(qsizetype needed) {
    const qsizetype gap = gapEnd - gapStart;
    if (gap >= needed) {
        if (needed > 0 && !buffer.isDetached())
            buffer.detach();
        return;
    }
    // Take room the allocation already has past the end (text() leaves it
    // there, and a freshly decoded document brings some) before asking for
    // more, but only a little at a time: memory never touched costs far more
    // to move the text into than memory in use. Growing the allocation by a
    // fraction of the text keeps a long run of typing linear.
    const qsizetype spare = buffer.isDetached() ? buffer.data_ptr().freeSpaceAtEnd() : 0;
    const qsizetype lacking = needed - gap;
    const qsizetype grow = spare >= lacking ? std::min(spare, std::max(lacking, minimumGap))
                                            : std::max({lacking, minimumGap, size() / 8});
    const qsizetype tail = buffer.size() - gapEnd;
    buffer.resize(buffer.size() + grow);
    char16_t* data = writable(buffer);
    std::memmove(data + gapEnd + grow, data + gapEnd, size_t(tail) * sizeof(char16_t));
    gapEnd += grow;
}

void TextStore::updateLineStarts(qsizetype position, qsizetype removed, QStringView inserted) {
    // Only a CR LF whose LF was removed, or whose CR was removed or parted
    // from its LF by the insertion, can be gone: its LF lies in
    // [position, position + removed]. Only a CR LF with its LF in
    // [position, position + inserted] of the new text can be new.
    const qsizetype first = lineAfter(position);
    const qsizetype stale = lineAfter(position + removed + 1) - first;

    std::vector<qsizetype> fresh;
    const qsizetype end = position + inserted.size();
    const auto breakEndsAt = [this](qsizetype lf) {
        return lf > 0 && lf < size() && at(lf) == u'\n' && at(lf - 1) == u'\r';
    };
    if (breakEndsAt(position))
        fresh.push_back(position + 1);
    if (inserted.size() > 1)
        appendLineStarts(inserted.sliced(1), position + 1, inserted[0].unicode(), fresh);
    if (end != position && breakEndsAt(end))
        fresh.push_back(end + 1);

    // The pending shift now starts at the edit.
    for (qsizetype line = shiftedFrom; line < first; ++line)
        starts[size_t(line)] += pendingShift;
    for (qsizetype line = first; line < shiftedFrom; ++line)
        starts[size_t(line)] -= pendingShift;

    const auto slot = starts.begin() + first;
    const qsizetype common = std::min<qsizetype>(stale, qsizetype(fresh.size()));
    std::copy_n(fresh.begin(), common, slot);
    if (qsizetype(fresh.size()) > stale)
        starts.insert(slot + stale, fresh.begin() + common, fresh.end());
    else
        starts.erase(slot + common, slot + stale);
    shiftedFrom = first + qsizetype(fresh.size());
    pendingShift += inserted.size() - removed;
}

qsizetype TextStore::lineOfBreakAsOne(qsizetype offset) const {
    // Each line starts at least a CR LF after the one before, so
    // startOf(line) - line grows with line.
    qsizetype low = 0;            // starts at or before offset
    qsizetype high = lineCount(); // starts past it, or is past the last line
    while (high - low > 1) {
        const qsizetype middle = low + (high - low) / 2;
        (startOf(middle) - middle <= offset ? low : high) = middle;
    }
    return low;
}

qsizetype TextStore::startOf(qsizetype line) const {
    return starts[size_t(line)] + (line >= shiftedFrom ? pendingShift : 0);
}

qsizetype TextStore::lineAfter(qsizetype position) const {
    const auto boundary = starts.begin() + shiftedFrom;
    if (shiftedFrom < lineCount() && *boundary + pendingShift <= position)
        return std::upper_bound(boundary, starts.end(), position - pendingShift) - starts.begin();
    return std::upper_bound(starts.begin() + 1, boundary, position) - starts.begin();
}
