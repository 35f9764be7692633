#include "textview/line_layouts.h"

#include "docfile/code_page.h"
#include "text/line_breaks.h"
#include "text/text_store.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

namespace {
// Lines longer than this are laid out chunk by chunk.
constexpr qsizetype LongLine = 4096;
// Chunks hold between one and two of these, cut at grapheme boundaries.
constexpr qsizetype ChunkSize = 1024;
// Layouts kept per long line; the screen shows two or three chunks.
constexpr size_t KeptLayouts = 32;
// QPlainTextEdit's default tab stop distance.
constexpr qreal TabStop = 80;
// Texts up to this size are measured whole when they are set.
constexpr qsizetype MeasuredWhole = qsizetype(32) * 1024;
// Longer texts are scanned for their widest line when they are set, up to
// this size; beyond it the time that takes would show.
constexpr qsizetype ScannedWhole = qsizetype(16) * 1024 * 1024;
// Lines with the widest estimates measured, of those near the widest.
constexpr size_t MeasuredNearWidest = 8;
// Text around a chunk boundary that decides whether it splits a grapheme.
constexpr qsizetype BoundaryWindow = 32;

// The tab stops of a chunk that starts at origin in its line: the line's
// own, counted from the chunk's start, as far as the chunk could reach.
QList<QTextOption::Tab> tabStopsFrom(qreal origin, const QString& text,
                                     const QFontMetricsF& metrics) {
    const auto tabs = text.count(u'\t');
    const qreal reach = qreal(text.size() - tabs) * metrics.maxWidth() * 2 + qreal(tabs) * TabStop;
    QList<QTextOption::Tab> stops;
    const auto first = qsizetype(std::floor(origin / TabStop)) + 1;
    const auto last = qsizetype(std::ceil((origin + reach) / TabStop)) + 1;
    for (qsizetype stop = first; stop <= last; ++stop)
        stops.append(QTextOption::Tab(qreal(stop) * TabStop - origin, QTextOption::LeftTab));
    return stops;
}

} // namespace

struct LineLayouts::Chunk {
    qsizetype length = 0;
    qreal width = -1; // not laid out yet
    std::unique_ptr<QTextLayout> layout;
    qreal origin = 0; // the x in its line the layout was made for
    bool hasTabs = false;
    std::vector<int> pictures; // where the layout shows a control picture
};

struct LineLayouts::Line {
    std::vector<Chunk> chunks;
    // Where chunk i starts, as an offset and an x; right for i <= summed.
    std::vector<qsizetype> starts;
    std::vector<qreal> xs;
    size_t summed = 0;
    std::vector<size_t> laidOut; // chunks that hold a layout, oldest first
};

LineLayouts::LineLayouts(const TextStore& store) : store(store) {}

LineLayouts::~LineLayouts() = default;

void LineLayouts::reset(const QFont& newFont, QPaintDevice* newDevice) {
    lines.clear();
    preedit = Preedit();
    font = newFont;
    device = newDevice;
    averageWidth = QFontMetricsF(font, device).averageCharWidth();
    findLongest();
    widestKnown = qreal(longestLength) * averageWidth;
    widths.clear();
    widestLine = -1;
    if (store.size() > ScannedWhole)
        return;
    if (store.size() > MeasuredWhole) {
        widestLine = findWidest();
        recount();
        lines.clear();
        return;
    }
    // A short text is measured line by line at once, so that its scroll
    // range is right before its lines are shown, and kept measured.
    for (qsizetype line = 0; line < store.lineCount(); ++line)
        widths.push_back(measure(line));
    lines.clear();
    recount();
}

qreal LineLayouts::measure(qsizetype line) {
    Line& l = entry(line);
    for (size_t chunk = 0; chunk < l.chunks.size(); ++chunk)
        layoutOf(line, l, chunk);
    updateSums(l);
    return l.xs[l.chunks.size()];
}

void LineLayouts::findLongest() {
    longestLine = longestLength = 0;
    const qsizetype count = store.lineCount();
    for (qsizetype line = 0, start = 0; line < count; ++line) {
        const qsizetype end = store.lineEnd(line);
        if (end - start > longestLength) {
            longestLine = line;
            longestLength = end - start;
        }
        start = end + 2;
    }
}

namespace {
// In 64ths of a pixel, as Qt's own layout counts: whole numbers add fast.
qint64 fixed(qreal width) {
    return qint64(std::llround(width * 64));
}
} // namespace

std::vector<std::pair<qint64, qsizetype>> LineLayouts::widestEstimates() const {
    // Each line's width from its characters' advances and the tab stops, in
    // one pass over the code page's bytes (a text held in UTF-16 has too
    // many characters to look up). A long line keeps its own estimate.
    const QFontMetricsF metrics(font, device);
    std::array<qint64, 256> advances{};
    for (int byte = 0; byte < 256; ++byte) {
        const QChar c(CodePage::character(char(byte)));
        const char16_t picture = LineBreaks::pictureOf(c);
        advances[size_t(byte)] = fixed(metrics.horizontalAdvance(picture ? QChar(picture) : c));
    }
    const qint64 tab = fixed(TabStop);
    // The widest so far, the narrowest of them first.
    std::vector<std::pair<qint64, qsizetype>> widest;
    qint64 x = 0;
    qsizetype length = 0;
    qsizetype line = 0;
    const auto endLine = [&] {
        const bool full = widest.size() == MeasuredNearWidest;
        if (length <= LongLine && (!full || x > widest.front().first)) {
            widest.emplace_back(x, line);
            std::push_heap(widest.begin(), widest.end(), std::greater<>());
            if (widest.size() > MeasuredNearWidest) {
                std::pop_heap(widest.begin(), widest.end(), std::greater<>());
                widest.pop_back();
            }
        }
        x = 0;
        length = 0;
        ++line;
    };
    bool wide = false;
    bool afterCr = false; // a CR that may begin a line break
    store.readPieces(0, store.size(), [&](auto piece) {
        if constexpr (!std::is_same_v<decltype(piece), QByteArrayView>) {
            wide = true;
        } else {
            // Kept in registers within a piece.
            qint64 at = x;
            qsizetype count = length;
            bool cr = afterCr;
            for (const char c : piece) {
                if (cr) {
                    cr = false;
                    if (c == '\n') {
                        x = at;
                        length = count;
                        endLine();
                        at = count = 0;
                        continue;
                    }
                    at += advances['\r'];
                    ++count;
                }
                cr = c == '\r';
                if (!cr) {
                    ++count;
                    at = c == '\t' ? (at / tab + 1) * tab : at + advances[uchar(c)];
                }
            }
            x = at;
            length = count;
            afterCr = cr;
        }
    });
    if (wide)
        return {};
    if (afterCr) {
        x += advances['\r'];
        ++length;
    }
    endLine();
    std::sort(widest.begin(), widest.end(), std::greater<>());
    return widest;
}

qsizetype LineLayouts::findWidest() {
    // An estimate is off by the kerning and shaping of its line: a few
    // pixels, and some hundredths of the width at most.
    qsizetype found = -1;
    qint64 foundWidth = -1;
    for (const auto& [width, line] : widestEstimates()) {
        if (width + width / 32 + fixed(4) < foundWidth)
            break;
        const qint64 measured = fixed(widthOf(line));
        if (measured > foundWidth) {
            found = line;
            foundWidth = measured;
        }
    }
    return found;
}

qreal LineLayouts::widthOf(qsizetype line) {
    const qsizetype length = store.lineEnd(line) - store.lineStart(line);
    if (length > LongLine && !lines.contains(line))
        return qreal(length) * averageWidth;
    // A line of ordinary length is measured: an estimate can be off by a
    // tab's width either way.
    Line& l = entry(line);
    if (l.chunks.size() == 1)
        layoutOf(line, l, 0);
    updateSums(l);
    return l.xs[l.chunks.size()];
}

void LineLayouts::recount() {
    if (!widths.empty()) {
        widestKnown = *std::max_element(widths.begin(), widths.end());
        return;
    }
    widestKnown = widthOf(longestLine);
    if (widestLine >= 0)
        widestKnown = std::max(widestKnown, widthOf(widestLine));
    for (auto& [line, l] : lines) {
        updateSums(l);
        widestKnown = std::max(widestKnown, l.xs[l.chunks.size()]);
    }
}

LineLayouts::Line& LineLayouts::entry(qsizetype line) {
    const auto found = lines.find(line);
    if (found != lines.end())
        return found->second;
    Line& l = lines[line];
    const qsizetype start = store.lineStart(line);
    const qsizetype length = store.lineEnd(line) - start;
    if (length <= LongLine)
        l.chunks.emplace_back().length = length;
    else
        appendChunks(l.chunks, start, 0, length);
    l.starts.assign(l.chunks.size() + 1, 0);
    l.xs.assign(l.chunks.size() + 1, 0);
    return l;
}

void LineLayouts::appendChunks(std::vector<Chunk>& chunks, qsizetype lineStart, qsizetype from,
                               qsizetype to) const {
    while (to - from >= 2 * ChunkSize) {
        const qsizetype next = graphemeBoundary(lineStart, from + ChunkSize, to);
        chunks.emplace_back().length = next - from;
        from = next;
    }
    if (to > from)
        chunks.emplace_back().length = to - from;
}

qsizetype LineLayouts::graphemeBoundary(qsizetype lineStart, qsizetype offset,
                                        qsizetype limit) const {
    if (offset <= 0 || offset >= limit)
        return std::clamp<qsizetype>(offset, 0, limit);
    // Nothing below U+0300 joins the character before it.
    if (store.at(lineStart + offset - 1) < 0x300 && store.at(lineStart + offset) < 0x300)
        return offset;
    const qsizetype from = std::max<qsizetype>(offset - BoundaryWindow, 0);
    const QString window =
        store.mid(lineStart + from, std::min(limit, offset + BoundaryWindow) - from);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, window);
    graphemes.setPosition(offset - from);
    if (graphemes.isAtBoundary())
        return offset;
    const qsizetype next = graphemes.toNextBoundary();
    return next > 0 ? from + next : offset;
}

void LineLayouts::updateSums(Line& l) {
    const size_t count = l.chunks.size();
    for (size_t i = l.summed; i < count; ++i) {
        const Chunk& c = l.chunks[i];
        l.starts[i + 1] = l.starts[i] + c.length;
        l.xs[i + 1] = l.xs[i] + (c.width >= 0 ? c.width : qreal(c.length) * averageWidth);
    }
    l.summed = count;
    // A line of one chunk counts once measured; a long line's estimate
    // stands for the chunks that nobody has looked at.
    if (count > 1 || l.chunks.front().width >= 0)
        widestKnown = std::max(widestKnown, l.xs[count]);
}

size_t LineLayouts::chunkAtOffset(Line& l, qsizetype offset) {
    updateSums(l);
    const auto end = l.starts.begin() + qsizetype(l.chunks.size());
    const auto after = std::upper_bound(l.starts.begin(), end, offset);
    return size_t(std::max<qsizetype>(after - l.starts.begin() - 1, 0));
}

size_t LineLayouts::chunkAtX(Line& l, qreal x) {
    updateSums(l);
    const auto end = l.xs.begin() + qsizetype(l.chunks.size());
    const auto after = std::upper_bound(l.xs.begin(), end, x);
    return size_t(std::max<qsizetype>(after - l.xs.begin() - 1, 0));
}

const QTextLayout& LineLayouts::layoutOf(qsizetype line, Line& l, size_t chunk) {
    Chunk& c = l.chunks[chunk];
    updateSums(l);
    if (c.layout && c.hasTabs && c.origin != l.xs[chunk])
        forget(l, chunk);
    if (!c.layout) {
        c.layout = makeLayout(line, l, chunk);
        c.width = c.layout->lineAt(0).naturalTextWidth();
        l.summed = std::min(l.summed, chunk);
        l.laidOut.push_back(chunk);
        if (l.laidOut.size() > KeptLayouts)
            forget(l, l.laidOut.front());
    }
    return *c.layout;
}

std::unique_ptr<QTextLayout> LineLayouts::makeLayout(qsizetype line, Line& l, size_t chunk) {
    Chunk& c = l.chunks[chunk];
    QString text = store.mid(store.lineStart(line) + l.starts[chunk], c.length);
    c.pictures.clear();
    c.hasTabs = text.contains(u'\t');
    c.origin = l.xs[chunk];
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (const char16_t picture = LineBreaks::pictureOf(text[i])) {
            text[i] = picture;
            c.pictures.push_back(int(i));
        }
    }
    auto layout = std::make_unique<QTextLayout>(text, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(TabStop);
    if (c.hasTabs && c.origin > 0)
        option.setTabs(tabStopsFrom(c.origin, text, QFontMetricsF(font, device)));
    // Chunks sit side by side from the left, so a long line reads left to right.
    if (l.chunks.size() > 1)
        option.setTextDirection(Qt::LeftToRight);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    if (holdsPreedit(line, l, chunk)) {
        const int at = int(preedit.offset - l.starts[chunk]);
        layout->setPreeditArea(at, preedit.text);
        QList<QTextLayout::FormatRange> formats = preedit.formats;
        for (QTextLayout::FormatRange& format : formats)
            format.start += at;
        layout->setFormats(formats);
    }
    layout->beginLayout();
    layout->createLine().setLeadingIncluded(true);
    layout->endLayout();
    return layout;
}

void LineLayouts::forget(Line& l, size_t chunk) {
    l.chunks[chunk].layout.reset();
    std::erase(l.laidOut, chunk);
}

void LineLayouts::forgetAll(Line& l) {
    for (const size_t chunk : l.laidOut)
        l.chunks[chunk].layout.reset();
    l.laidOut.clear();
}

bool LineLayouts::holdsPreedit(qsizetype line, const Line& l, size_t chunk) const {
    if (preedit.line != line || preedit.text.isEmpty())
        return false;
    const bool last = chunk + 1 == l.chunks.size();
    return preedit.offset >= l.starts[chunk] && (preedit.offset < l.starts[chunk + 1] ||
                                                 (last && preedit.offset == l.starts[chunk + 1]));
}

int LineLayouts::preeditShift(qsizetype line, const Line& l, size_t chunk, qsizetype local) const {
    if (!holdsPreedit(line, l, chunk))
        return 0;
    const qsizetype at = preedit.offset - l.starts[chunk];
    if (local == at)
        return preedit.cursor;
    return local > at ? int(preedit.text.size()) : 0;
}

void LineLayouts::setPreedit(qsizetype line, qsizetype offset, const QString& text,
                             const QList<QTextLayout::FormatRange>& formats, int cursor) {
    for (const qsizetype shown : {preedit.line, line}) {
        const auto found = lines.find(shown);
        if (found != lines.end())
            forgetAll(found->second);
    }
    preedit = Preedit{line, offset, text, formats, cursor};
}

qreal LineLayouts::x(qsizetype line, qsizetype offset) {
    Line& l = entry(line);
    const size_t chunk = chunkAtOffset(l, offset);
    const QTextLayout& layout = layoutOf(line, l, chunk);
    updateSums(l);
    const qsizetype local = offset - l.starts[chunk];
    return l.xs[chunk] +
           layout.lineAt(0).cursorToX(int(local) + preeditShift(line, l, chunk, local));
}

qsizetype LineLayouts::offsetAt(qsizetype line, qreal x) {
    Line& l = entry(line);
    const size_t chunk = chunkAtX(l, x);
    const QTextLayout& layout = layoutOf(line, l, chunk);
    updateSums(l);
    qsizetype local = layout.lineAt(0).xToCursor(x - l.xs[chunk]);
    if (holdsPreedit(line, l, chunk)) {
        const qsizetype at = preedit.offset - l.starts[chunk];
        if (local > at)
            local = std::max(at, local - preedit.text.size());
    }
    return l.starts[chunk] + std::min(local, l.chunks[chunk].length);
}

bool LineLayouts::rightToLeft(qsizetype line) {
    Line& l = entry(line);
    return l.chunks.size() == 1 && layoutOf(line, l, 0).text().isRightToLeft();
}

void LineLayouts::settle(qsizetype line, qsizetype offset, qreal span) {
    Line& l = entry(line);
    const size_t at = chunkAtOffset(l, offset);
    qreal covered = 0;
    for (size_t chunk = at; chunk > 0 && covered < span; --chunk) {
        layoutOf(line, l, chunk - 1);
        covered += l.chunks[chunk - 1].width;
    }
    covered = 0;
    for (size_t chunk = at; chunk < l.chunks.size() && covered < span; ++chunk) {
        layoutOf(line, l, chunk);
        covered += l.chunks[chunk].width;
    }
    updateSums(l);
}

struct LineLayouts::LineMarks {
    qsizetype selectionStart = 0;
    qsizetype selectionEnd = 0; // one past the length: the line break is selected
    qsizetype caret = -1;
    qsizetype dropCaret = -1;
};

void LineLayouts::draw(QPainter& painter, qsizetype line, QPointF origin, qreal left, qreal right,
                       const Marks& marks) {
    const qsizetype start = store.lineStart(line);
    const qsizetype length = store.lineEnd(line) - start;
    const auto local = [&](qsizetype position) {
        return position >= start && position <= start + length ? position - start : -1;
    };
    LineMarks shown;
    shown.selectionStart = std::clamp<qsizetype>(marks.selection.start() - start, 0, length);
    shown.selectionEnd = std::clamp<qsizetype>(marks.selection.end() - start, 0, length);
    // QTextLayout shows a range past the text as the paragraph's end selected.
    if (marks.selection.end() > start + length && line + 1 < store.lineCount() &&
        marks.selection.start() <= start + length)
        shown.selectionEnd = length + 1;
    shown.caret = local(marks.caret);
    shown.dropCaret = local(marks.dropCaret);
    Line& l = entry(line);
    for (size_t chunk = chunkAtX(l, left); chunk < l.chunks.size(); ++chunk) {
        layoutOf(line, l, chunk);
        updateSums(l);
        if (l.xs[chunk] > right)
            break;
        // Laying the chunk out may have shown it narrower than guessed.
        if (l.xs[chunk + 1] >= left)
            drawChunk(painter, line, l, chunk, origin + QPointF(l.xs[chunk], 0), marks, shown);
    }
}

void LineLayouts::drawChunk(QPainter& painter, qsizetype line, Line& l, size_t chunk, QPointF at,
                            const Marks& marks, const LineMarks& local) {
    const Chunk& c = l.chunks[chunk];
    const qsizetype start = l.starts[chunk];
    const qsizetype end = start + c.length;
    const bool last = chunk + 1 == l.chunks.size();
    QList<QTextLayout::FormatRange> overlays;
    QTextCharFormat picture;
    picture.setForeground(marks.pictures);
    for (const int offset : c.pictures)
        overlays.append({offset, 1, picture});
    const qsizetype from = std::max(local.selectionStart, start) - start;
    const qsizetype to = std::min(local.selectionEnd, last ? end + 1 : end) - start;
    if (from < to) {
        const qsizetype shownFrom = from + preeditShift(line, l, chunk, from);
        const qsizetype shownTo = to + preeditShift(line, l, chunk, to);
        overlays.append({int(shownFrom), int(shownTo - shownFrom), marks.selectionFormat});
    }
    c.layout->draw(&painter, at, overlays);
    for (const qsizetype caret : {local.caret, local.dropCaret}) {
        if (caret >= start && (caret < end || (last && caret == end))) {
            const qsizetype offset = caret - start;
            c.layout->drawCursor(&painter, at, int(offset + preeditShift(line, l, chunk, offset)),
                                 marks.caretWidth);
        }
    }
}

void LineLayouts::keepOnly(qsizetype first, qsizetype last) {
    for (auto it = lines.begin(); it != lines.end();) {
        if (it->first >= first && it->first <= last) {
            ++it;
        } else if (it->second.chunks.size() == 1) {
            it = lines.erase(it);
        } else {
            // A long line keeps the widths it has measured: the x of
            // everything after them depends on them.
            forgetAll(it->second);
            ++it;
        }
    }
}

void LineLayouts::linesReplaced(qsizetype first, qsizetype oldLast, qsizetype newLast) {
    lines.erase(lines.lower_bound(first), lines.upper_bound(oldLast));
    const qsizetype shift = newLast - oldLast;
    if (preedit.line > oldLast)
        preedit.line += shift;
    const bool heldLongest = longestLine >= first && longestLine <= oldLast;
    if (longestLine > oldLast)
        longestLine += shift;
    // The widest line split or joined lives on in the first line there.
    if (widestLine > oldLast)
        widestLine += shift;
    else if (widestLine >= first)
        widestLine = first;
    if (shift != 0) {
        std::map<qsizetype, Line> moved;
        for (auto it = lines.upper_bound(oldLast); it != lines.end();) {
            auto node = lines.extract(it++);
            node.key() += shift;
            moved.insert(std::move(node));
        }
        lines.merge(moved);
    }
    if (!widths.empty()) {
        widths.erase(widths.begin() + first, widths.begin() + oldLast + 1);
        for (qsizetype line = first; line <= newLast; ++line)
            widths.insert(widths.begin() + line, measure(line));
    }
    lengthsChanged(first, newLast, heldLongest);
}

void LineLayouts::lineEdited(qsizetype line, qsizetype offset, qsizetype removed,
                             qsizetype inserted) {
    const auto found = lines.find(line);
    if (found != lines.end()) {
        const qsizetype length = store.lineEnd(line) - store.lineStart(line);
        if (found->second.chunks.size() == 1 || length <= LongLine)
            lines.erase(found);
        else
            rechunk(line, found->second, offset, removed, inserted);
    }
    if (!widths.empty())
        widths[size_t(line)] = measure(line);
    lengthsChanged(line, line, longestLine == line);
}

void LineLayouts::lengthsChanged(qsizetype first, qsizetype last, bool heldLongest) {
    const qsizetype before = longestLength;
    if (heldLongest)
        longestLength = 0;
    for (qsizetype line = first; line <= last; ++line) {
        const qsizetype length = store.lineEnd(line) - store.lineStart(line);
        if (length > longestLength) {
            longestLine = line;
            longestLength = length;
        }
    }
    // The longest line got shorter: another may now be the longest.
    if (longestLength < before)
        findLongest();
    // A text grown long is measured where it is shown, as a long one is.
    if (store.size() > 4 * MeasuredWhole)
        widths.clear();
    recount();
}

void LineLayouts::rechunk(qsizetype line, Line& l, qsizetype offset, qsizetype removed,
                          qsizetype inserted) {
    const qsizetype lineStart = store.lineStart(line);
    const qsizetype length = store.lineEnd(line) - lineStart;
    // Text typed at a chunk's start joins the chunk before, with the
    // character it follows.
    size_t first = chunkAtOffset(l, offset);
    if (first > 0 && l.starts[first] == offset)
        --first;
    size_t last = removed > 0 ? chunkAtOffset(l, offset + removed - 1) : first;
    qsizetype to = l.starts[last + 1] - removed + inserted;
    // Take in the next chunk while the span is small or a deletion left it
    // starting inside a grapheme.
    while (last + 1 < l.chunks.size() &&
           (to - l.starts[first] < ChunkSize / 4 || graphemeBoundary(lineStart, to, length) != to))
        to += l.chunks[++last].length;
    std::vector<Chunk> span;
    appendChunks(span, lineStart, l.starts[first], to);
    const qsizetype added = qsizetype(span.size()) - qsizetype(last - first + 1);
    std::erase_if(l.laidOut, [&](size_t chunk) { return chunk >= first && chunk <= last; });
    for (size_t& chunk : l.laidOut)
        chunk = chunk > last ? size_t(qsizetype(chunk) + added) : chunk;
    l.chunks.erase(l.chunks.begin() + qsizetype(first), l.chunks.begin() + qsizetype(last) + 1);
    l.chunks.insert(l.chunks.begin() + qsizetype(first), std::make_move_iterator(span.begin()),
                    std::make_move_iterator(span.end()));
    l.starts.resize(l.chunks.size() + 1);
    l.xs.resize(l.chunks.size() + 1);
    l.summed = std::min(l.summed, first);
}
