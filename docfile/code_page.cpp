#include "docfile/code_page.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <sys/mman.h>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace CodePage {
namespace {

// The characters of 0x80 to 0x9F by their low byte, and their bytes. Only
// U+2022 and U+2122 share a low byte (0x22); U+2122 is looked for first.
struct ByLowByte {
    std::array<char16_t, 256> character{};
    std::array<unsigned char, 256> byte{};
};
constexpr char16_t TradeMark = 0x2122;
constexpr ByLowByte byLowByte = [] {
    ByLowByte table;
    for (std::size_t i = 0; i < high.size(); ++i) {
        if (high[i] == TradeMark)
            continue;
        table.character[high[i] & 0xFF] = high[i];
        table.byte[high[i] & 0xFF] = static_cast<unsigned char>(0x80 + i);
    }
    return table;
}();

// The byte for character c, or -1 if the code page has none.
int byteFor(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    if (c == TradeMark)
        return 0x99; // its byte in the code page
    const unsigned low = c & 0xFF;
    return byLowByte.character[low] == c ? byLowByte.byte[low] : -1;
}

// Encodes text into out (with Write) up to its first character that the code
// page cannot hold, and returns that character's index, or -1.
template <bool Write> qsizetype encodeUpToUnencodable(QStringView text, char* out) {
    const char16_t* chars = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
#if defined(__SSE2__)
    // Eight characters at a time: those that are Latin-1 outside 0x80..0x9F,
    // which is where the code page differs, are their own bytes; only the
    // others (a euro sign, a curly quote) are looked up one by one.
    const __m128i bias = _mm_set1_epi16(short(0x8000));
    const __m128i latin1Top = _mm_set1_epi16(short(0x00FF ^ 0x8000));
    const __m128i c1Start = _mm_set1_epi16(0x80);
    const __m128i c1Width = _mm_set1_epi16(short(0x20 ^ 0x8000));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
        const __m128i above = _mm_cmpgt_epi16(_mm_xor_si128(v, bias), latin1Top);
        const __m128i c1 = _mm_cmplt_epi16(_mm_xor_si128(_mm_sub_epi16(v, c1Start), bias), c1Width);
        if constexpr (Write)
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
        // Two mask bits a character; the lowest marks it.
        auto others = unsigned(_mm_movemask_epi8(_mm_or_si128(above, c1))) & 0x5555u;
        for (; others != 0; others &= others - 1) {
            const qsizetype j = i + std::countr_zero(others) / 2;
            const int b = byteFor(chars[j]);
            if (b < 0)
                return j;
            if constexpr (Write)
                out[j] = char(b);
        }
    }
#endif
    for (; i < n; ++i) {
        const int b = byteFor(chars[i]);
        if (b < 0)
            return i;
        if constexpr (Write)
            out[i] = char(b);
    }
    return -1;
}

} // namespace

void preferLargePages(void* data, qsizetype size) {
    constexpr qsizetype large = 2 << 20;
    const auto address = reinterpret_cast<std::uintptr_t>(data);
    const qsizetype skip = qsizetype((large - address % large) % large);
    const qsizetype length = (size - skip) / large * large;
    if (length > 0)
        ::madvise(static_cast<char*>(data) + skip, size_t(length), MADV_HUGEPAGE);
}

void decode(QByteArrayView bytes, char16_t* out) {
    for (const char b : bytes)
        *out++ = character(b);
}

QString decode(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    preferLargePages(text.data(), text.size() * qsizetype(sizeof(char16_t)));
    decode(bytes, reinterpret_cast<char16_t*>(text.data()));
    return text;
}

qsizetype firstUnencodable(QStringView text) {
    return encodeUpToUnencodable<false>(text, nullptr);
}

void encode(QStringView text, char* out) {
    encodeUpToUnencodable<true>(text, out);
}

EncodedText encode(QStringView text, QByteArrayView before, QByteArrayView after) {
    const qsizetype n = text.size();
    // One buffer, encoded into directly.
    QByteArray bytes(before.size() + n + after.size(), Qt::Uninitialized);
    preferLargePages(bytes.data(), bytes.size());
    char* out = std::copy_n(before.data(), before.size(), bytes.data());
    if (const qsizetype at = encodeUpToUnencodable<true>(text, out); at >= 0)
        return {QByteArray(), at};
    std::copy_n(after.data(), after.size(), out + n);
    return {std::move(bytes), -1};
}

} // namespace CodePage
