#include "text/text_store.h"

#include "docfile/code_page.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Appends the start of every line that a CR LF in view ends, view being the
// text from offset on and before the character just ahead of it.
void appendLineStarts(QStringView view, qsizetype offset, char16_t before,
                      std::vector<qsizetype>& starts) {
    for (qsizetype lf = view.indexOf(u'\n'); lf >= 0; lf = view.indexOf(u'\n', lf + 1)) {
        if ((lf > 0 ? view[lf - 1].unicode() : before) == u'\r')
            starts.push_back(offset + lf + 1);
    }
}

// Calls found with the index of every LF in bytes, sixteen bytes at a time.
template <typename Found> void forEachLf(QByteArrayView bytes, Found found) {
    const char* data = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        for (auto mask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf))); mask != 0;
             mask &= mask - 1)
            found(i + std::countr_zero(mask));
    }
#endif
    for (; i < n; ++i)
        if (data[i] == '\n')
            found(i);
}

// The start of every line that a CR LF in bytes ends, in one pass. Room is
// set aside for a line every 16 bytes, which costs no memory until it is
// used, so that the index of a document of ordinary lines is never copied
// as it grows.
void setLineStarts(QByteArrayView bytes, std::vector<qsizetype>& starts) {
    const char* data = bytes.data();
    starts.clear();
    starts.reserve(size_t(bytes.size() / 16) + 1);
    starts.push_back(0);
    forEachLf(bytes, [&](qsizetype lf) {
        if (lf > 0 && data[lf - 1] == '\r')
            starts.push_back(lf + 1);
    });
}

} // namespace

// The characters of a buffer, for reading: reading must not detach, since
// the buffer may be shared with a text that text() handed out.
inline const char* readable(const QByteArray& buffer) {
    return buffer.constData();
}
inline const char16_t* readable(const QString& buffer) {
    return reinterpret_cast<const char16_t*>(buffer.constData());
}
inline char* writable(QByteArray& buffer) {
    return buffer.data();
}
inline char16_t* writable(QString& buffer) {
    return reinterpret_cast<char16_t*>(buffer.data());
}

TextStore::TextStore(qsizetype minimumGap)
    : starts{0}, minimumGap(std::max<qsizetype>(minimumGap, 1)) {}

void TextStore::setText(DocumentText text) {
    // A text the code page holds is kept in it, however it comes.
    if (text.storedAs() == DocumentText::Form::Utf16 && text.firstOutsideCodePage() < 0)
        text = DocumentText(CodePage::encode(text.utf16()).bytes);
    form = text.storedAs();
    bytes = text.codePageBytes();
    chars = text.utf16();
    text = DocumentText(); // the buffer is ours alone where the caller kept no copy
    gapStart = gapEnd = capacity();
    if (form == DocumentText::Form::CodePage) {
        setLineStarts(bytes, starts);
    } else {
        starts.assign(1, 0);
        appendLineStarts(chars, 0, u'\0', starts);
    }
    shiftedFrom = 1;
    pendingShift = 0;
}

DocumentText TextStore::text() const {
    moveGapTo(size());
    // Shrinking keeps the capacity when nobody shares the buffer, so the
    // next edit grows back into it.
    if (capacity() != gapStart) {
        withBuffer([&](auto& buffer) { buffer.resize(gapStart); });
        gapEnd = gapStart;
    }
    return form == DocumentText::Form::CodePage ? DocumentText(bytes) : DocumentText(chars);
}

qsizetype TextStore::size() const {
    return capacity() - (gapEnd - gapStart);
}

char16_t TextStore::at(qsizetype position) const {
    Q_ASSERT(position >= 0 && position < size());
    const qsizetype index = position < gapStart ? position : position + (gapEnd - gapStart);
    return form == DocumentText::Form::CodePage ? CodePage::character(readable(bytes)[index])
                                                : readable(chars)[index];
}

QString TextStore::mid(qsizetype position, qsizetype length) const {
    const qsizetype from = std::clamp<qsizetype>(position, 0, size());
    const qsizetype to =
        std::clamp<qsizetype>(position + std::max<qsizetype>(length, 0), from, size());
    if (from == to)
        return QString();
    QString out(to - from, Qt::Uninitialized);
    char16_t* dest = writable(out);
    const qsizetype before = std::clamp(gapStart, from, to) - from;
    const qsizetype after = from + before + (gapEnd - gapStart);
    if (form == DocumentText::Form::CodePage) {
        CodePage::decode(QByteArrayView(readable(bytes) + from, before), dest);
        CodePage::decode(QByteArrayView(readable(bytes) + after, to - from - before),
                         dest + before);
    } else {
        std::copy_n(readable(chars) + from, before, dest);
        std::copy_n(readable(chars) + after, to - from - before, dest + before);
    }
    return out;
}

void TextStore::replace(qsizetype position, qsizetype length, QStringView inserted) {
    Q_ASSERT(position >= 0 && length >= 0 && position + length <= size());
    if (length == 0 && inserted.isEmpty())
        return;
    if (form == DocumentText::Form::CodePage && CodePage::firstUnencodable(inserted) >= 0)
        widen();
    moveGapTo(position);
    gapEnd += length;
    reserveGap(inserted.size());
    if (!inserted.isEmpty()) {
        if (form == DocumentText::Form::CodePage)
            CodePage::encode(inserted, writable(bytes) + gapStart);
        else
            std::copy_n(inserted.utf16(), inserted.size(), writable(chars) + gapStart);
        gapStart += inserted.size();
    }
    updateLineStarts(position, length, inserted);
}

void TextStore::widen() {
    // The gap keeps its place, so every position stays where it was.
    chars = QString(bytes.size(), Qt::Uninitialized);
    CodePage::preferLargePages(chars.data(), chars.size() * qsizetype(sizeof(char16_t)));
    const QByteArrayView all(bytes);
    CodePage::decode(all.first(gapStart), writable(chars));
    CodePage::decode(all.sliced(gapEnd), writable(chars) + gapEnd);
    bytes = QByteArray();
    form = DocumentText::Form::Utf16;
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
    // An empty gap moves for free, which also keeps a text handed out by
    // text() shared until the text really changes.
    if (gap > 0) {
        withBuffer([&](auto& buffer) {
            auto* data = writable(buffer);
            if (position < gapStart)
                std::copy_backward(data + position, data + gapStart, data + gapEnd);
            else
                std::copy(data + gapEnd, data + position + gap, data + gapStart);
        });
    }
    gapStart = position;
    gapEnd = position + gap;
}

void TextStore::reserveGap(qsizetype needed) {
    const qsizetype gap = gapEnd - gapStart;
    withBuffer([&](auto& buffer) {
        if (gap >= needed) {
            if (needed > 0 && !buffer.isDetached())
                buffer.detach();
            return;
        }
        // Take room the allocation already has past the end (text() leaves
        // it there, and a freshly read document brings some) before asking
        // for more, but only a little at a time: memory never touched costs
        // far more to move the text into than memory in use. Growing the
        // allocation by a fraction of the text keeps a long run of typing
        // linear.
        const qsizetype spare = buffer.isDetached() ? buffer.data_ptr().freeSpaceAtEnd() : 0;
        const qsizetype lacking = needed - gap;
        const qsizetype grow = spare >= lacking ? std::min(spare, std::max(lacking, minimumGap))
                                                : std::max({lacking, minimumGap, size() / 8});
        const qsizetype end = buffer.size();
        buffer.resize(end + grow);
        auto* data = writable(buffer);
        std::copy_backward(data + gapEnd, data + end, data + end + grow);
        gapEnd += grow;
    });
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
