#pragma once

#include "text/line_geometry.h"
#include "text/text_selection.h"

#include <QColor>
#include <QFont>
#include <QTextLayout>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class QPaintDevice;
class QPainter;
class TextStore;

// The horizontal geometry of a TextStore's lines, laid out only when a line
// is drawn or hit, and kept while it stays in view.
//
// A line of ordinary length is one QTextLayout, the way QPlainTextEdit lays
// out a paragraph without wrapping. A very long line is cut into chunks of
// one to two thousand characters that are laid out one by one: x of a
// position is the widths of the chunks before it plus x inside its chunk,
// and a chunk never laid out counts as its length times the font's average
// character width. Drawing, hit testing and typing in such a line therefore
// touch only the chunks on screen.
//
// A chunk with tabs is laid out for where it stands in its line, so that its
// tabs stop at the same columns as in a short line; one that the chunks
// before it moved is laid out again when next used.
//
// Offsets are counted from the start of their line.
class LineLayouts : public LineGeometry {
public:
    // What to show besides the text, in positions of the whole text: each
    // line draws its own part of it.
    struct Marks {
        TextSelection selection;
        qsizetype caret = -1; // -1: none shown
        qsizetype dropCaret = -1;
        int caretWidth = 1;
        QTextCharFormat selectionFormat;
        QColor pictures; // colour of the pictures of lone CR and LF
    };

    explicit LineLayouts(const TextStore& store);
    ~LineLayouts();
    LineLayouts(const LineLayouts&) = delete;
    LineLayouts& operator=(const LineLayouts&) = delete;

    // Forgets every layout: the text or the font changed.
    void reset(const QFont& font, QPaintDevice* device);

    // Lines first to oldLast became first to newLast; later lines moved.
    void linesReplaced(qsizetype first, qsizetype oldLast, qsizetype newLast);
    // An edit that stayed inside one line: removed characters at offset
    // gave way to inserted ones.
    void lineEdited(qsizetype line, qsizetype offset, qsizetype removed, qsizetype inserted);

    // An input method's text being composed at offset, shown there until
    // cleared (an empty text). cursor counts from the composed text's start.
    void setPreedit(qsizetype line, qsizetype offset, const QString& text,
                    const QList<QTextLayout::FormatRange>& formats, int cursor);

    // x of the caret at offset (inside the composed text where there is one).
    qreal x(qsizetype line, qsizetype offset) override;
    // The caret offset nearest to x.
    qsizetype offsetAt(qsizetype line, qreal x) override;
    // Lays out the chunks within span pixels of offset, so that the x of
    // what is drawn there next moves no more.
    void settle(qsizetype line, qsizetype offset, qreal span);
    // Whether the line reads right to left, as QPlainTextEdit would decide
    // from its first strong character; a long line always reads left to right.
    bool rightToLeft(qsizetype line) override;
    // How wide the widest line is, as far as it is known: in a short text
    // every line is measured; in a long one the longest line by characters
    // as measured or estimated, the widest line when the text was set (up
    // to 16 MiB of it), and every line measured since the last edit. Only
    // an edit makes it smaller, so that scrolling never moves the
    // horizontal scroll bar's end under the view.
    qreal widest() const { return widestKnown; }

    // Draws the part of the line between x = left and right (in the line's
    // own coordinates) with the line's origin at origin: its text, the
    // part of the selection on it (its line break drawn selected where the
    // selection goes on past it), and a caret that stands on it.
    void draw(QPainter& painter, qsizetype line, QPointF origin, qreal left, qreal right,
              const Marks& marks);
    // Lets go of the layouts of lines outside first to last.
    void keepOnly(qsizetype first, qsizetype last);

private:
    struct Chunk;
    struct Line;
    struct Preedit {
        qsizetype line = -1;
        qsizetype offset = 0;
        QString text;
        QList<QTextLayout::FormatRange> formats;
        int cursor = 0;
    };

    Line& entry(qsizetype line);
    void findLongest();
    // In a long text, the line of ordinary length that is widest, or -1.
    qsizetype findWidest();
    // The lines of ordinary length with the widest estimates, widest first,
    // in 64ths of a pixel; none for a text held in UTF-16.
    std::vector<std::pair<qint64, qsizetype>> widestEstimates() const;
    // The lines first to last were edited; heldLongest: the longest was among them.
    void lengthsChanged(qsizetype first, qsizetype last, bool heldLongest);
    // A long line's chunks around an edit made anew.
    void rechunk(qsizetype line, Line& l, qsizetype offset, qsizetype removed, qsizetype inserted);
    // widest() afresh after an edit.
    void recount();
    qreal widthOf(qsizetype line);
    // Lays the whole line out and returns its width.
    qreal measure(qsizetype line);
    void appendChunks(std::vector<Chunk>& chunks, qsizetype lineStart, qsizetype from,
                      qsizetype to) const;
    qsizetype graphemeBoundary(qsizetype lineStart, qsizetype offset, qsizetype limit) const;
    void updateSums(Line& l);
    size_t chunkAtOffset(Line& l, qsizetype offset);
    size_t chunkAtX(Line& l, qreal x);
    const QTextLayout& layoutOf(qsizetype line, Line& l, size_t chunk);
    std::unique_ptr<QTextLayout> makeLayout(qsizetype line, Line& l, size_t chunk);
    void forget(Line& l, size_t chunk);
    void forgetAll(Line& l);
    // The marks of one line, in offsets from its start.
    struct LineMarks;
    void drawChunk(QPainter& painter, qsizetype line, Line& l, size_t chunk, QPointF at,
                   const Marks& marks, const LineMarks& local);
    int preeditShift(qsizetype line, const Line& l, size_t chunk, qsizetype local) const;
    bool holdsPreedit(qsizetype line, const Line& l, size_t chunk) const;

    const TextStore& store;
    QFont font;
    QPaintDevice* device = nullptr;
    qreal averageWidth = 0;
    qreal widestKnown = 0;
    // The line with the most characters (the first of them).
    qsizetype longestLine = 0;
    qsizetype longestLength = 0;
    // In a long text, the widest line of ordinary length when it was set,
    // followed through edits as one line; -1 for none.
    qsizetype widestLine = -1;
    Preedit preedit;
    std::map<qsizetype, Line> lines;
    // Every line's width, while the text is short enough to keep them all.
    std::vector<qreal> widths;
};
