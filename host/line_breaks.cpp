#include "host/line_breaks.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace LineBreaks {

namespace {

// The characters fromEditor rewrites: paragraph breaks and pictures.
inline bool isEditorSpecial(char16_t c) {
    return c == ParagraphSeparator || c == u'\n' || c == CarriageReturnPicture ||
           c == LineFeedPicture;
}

inline bool isBreak(char16_t c) {
    return c == ParagraphSeparator || c == u'\n';
}

// The raw text of a large document is mostly plain characters; these scans
// look at eight at a time where the processor allows it, since each pass
// over tens of megabytes is felt.
#if defined(__SSE2__)
struct Lanes {
    __m128i separator = _mm_set1_epi16(short(ParagraphSeparator));
    __m128i lineFeed = _mm_set1_epi16(u'\n');
    __m128i crPicture = _mm_set1_epi16(short(CarriageReturnPicture));
    __m128i lfPicture = _mm_set1_epi16(short(LineFeedPicture));

    // Two bits per character: the breaks among the eight at p, and all the
    // special characters.
    int breaks(__m128i v) const {
        return _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi16(v, separator), _mm_cmpeq_epi16(v, lineFeed)));
    }
    int specials(__m128i v) const {
        const __m128i pictures =
            _mm_or_si128(_mm_cmpeq_epi16(v, crPicture), _mm_cmpeq_epi16(v, lfPicture));
        return _mm_movemask_epi8(_mm_or_si128(
            pictures, _mm_or_si128(_mm_cmpeq_epi16(v, separator), _mm_cmpeq_epi16(v, lineFeed))));
    }
};

inline __m128i load(const char16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
#endif

// Counts the paragraph breaks in text[0, n) and finds the first special
// character (-1 if there is none).
qsizetype countBreaks(const char16_t* text, qsizetype n, qsizetype& first) {
    qsizetype breaks = 0;
    first = -1;
    qsizetype i = 0;
#if defined(__SSE2__)
    const Lanes lanes;
    for (; i + 8 <= n; i += 8) {
        const __m128i v = load(text + i);
        if (first < 0) {
            if (const int s = lanes.specials(v))
                first = i + __builtin_ctz(unsigned(s)) / 2;
        }
        breaks += __builtin_popcount(unsigned(lanes.breaks(v))) / 2;
    }
#endif
    for (; i < n; ++i) {
        if (first < 0 && isEditorSpecial(text[i]))
            first = i;
        breaks += isBreak(text[i]);
    }
    return breaks;
}

// The last special character in text[low, high), or low - 1.
qsizetype lastSpecial(const char16_t* text, qsizetype low, qsizetype high) {
#if defined(__SSE2__)
    const Lanes lanes;
    while (high - low >= 8) {
        if (const int s = lanes.specials(load(text + high - 8)))
            return high - 8 + (31 - __builtin_clz(unsigned(s))) / 2;
        high -= 8;
    }
#endif
    while (high > low && !isEditorSpecial(text[high - 1]))
        --high;
    return high - 1;
}

} // namespace

QString toEditor(QString text) {
    const qsizetype n = text.size();
    const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
    qsizetype i = 0;
    // Most texts hold no lone CR or LF: look before detaching anything.
    for (; i < n; ++i) {
        const char16_t c = in[i];
        if (c == u'\r' && i + 1 < n && in[i + 1] == u'\n')
            ++i;
        else if (c == u'\r' || c == u'\n')
            break;
    }
    if (i == n)
        return text;
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (; i < n; ++i) {
        const char16_t c = out[i];
        if (c == u'\r' && i + 1 < n && out[i + 1] == u'\n')
            ++i;
        else if (c == u'\r')
            out[i] = CarriageReturnPicture;
        else if (c == u'\n')
            out[i] = LineFeedPicture;
    }
    return text;
}

QString fromEditor(QString raw) {
    const qsizetype n = raw.size();
    qsizetype first = -1;
    const qsizetype breaks =
        countBreaks(reinterpret_cast<const char16_t*>(raw.constData()), n, first);
    if (first < 0)
        return raw;
    // Grows in place when raw is not shared. Working from the end, each run
    // of plain characters moves up by the breaks before it, so nothing is
    // overwritten before it is read.
    raw.resize(n + breaks);
    char16_t* text = reinterpret_cast<char16_t*>(raw.data());
    qsizetype to = n + breaks;
    qsizetype from = n;
    while (from > first) {
        const qsizetype special = lastSpecial(text, first, from);
        const qsizetype run = from - special - 1;
        to -= run;
        if (to != special + 1)
            std::memmove(text + to, text + special + 1, size_t(run) * sizeof(char16_t));
        from = special;
        switch (text[special]) {
        case CarriageReturnPicture:
            text[--to] = u'\r';
            break;
        case LineFeedPicture:
            text[--to] = u'\n';
            break;
        default: // a paragraph break
            text[--to] = u'\n';
            text[--to] = u'\r';
        }
    }
    return raw;
}

} // namespace LineBreaks
