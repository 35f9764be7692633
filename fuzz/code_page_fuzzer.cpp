// The code page on any bytes and on any UTF-16 text:
// - decode gives one character per byte, the one the Windows-1252 table below
//   names (the five undefined bytes give the control character of the same
//   number), and encode gives the bytes back;
// - encode reports the first code unit that the table does not hold and then
//   gives no bytes at all; everything before it encodes, between the given
//   framing bytes, to the table's bytes and decodes back to itself.
// The table is written out here, apart from the codec, and checked once
// against ICU's windows-1252 converter when this Qt has one.

#include "docfile/code_page.h"
#include "fuzz_check.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

constexpr bool isUndefinedByte(int b) {
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

// The character of every byte of Windows-1252.
std::array<char16_t, 256> windows1252() {
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = char16_t(b);
    const std::pair<int, char16_t> high[] = {
        {0x80, u'\u20AC'}, {0x82, u'\u201A'}, {0x83, u'\u0192'}, {0x84, u'\u201E'},
        {0x85, u'\u2026'}, {0x86, u'\u2020'}, {0x87, u'\u2021'}, {0x88, u'\u02C6'},
        {0x89, u'\u2030'}, {0x8A, u'\u0160'}, {0x8B, u'\u2039'}, {0x8C, u'\u0152'},
        {0x8E, u'\u017D'}, {0x91, u'\u2018'}, {0x92, u'\u2019'}, {0x93, u'\u201C'},
        {0x94, u'\u201D'}, {0x95, u'\u2022'}, {0x96, u'\u2013'}, {0x97, u'\u2014'},
        {0x98, u'\u02DC'}, {0x99, u'\u2122'}, {0x9A, u'\u0161'}, {0x9B, u'\u203A'},
        {0x9C, u'\u0153'}, {0x9E, u'\u017E'}, {0x9F, u'\u0178'},
    };
    for (const auto& [byte, character] : high)
        table[byte] = character;
    return table;
}

// ICU's view, where this Qt has it: every defined byte decodes to the table's
// character, and a code unit encodes to one byte exactly when the table holds
// it. ICU marks a character it cannot encode with 0x1A.
void crossCheckWithIcu(const std::array<char16_t, 256>& table, const std::vector<bool>& encodable) {
    QStringDecoder decoder("windows-1252");
    QStringEncoder encoder("windows-1252");
    if (!decoder.isValid() || !encoder.isValid())
        return;
    for (int b = 0; b < 256; ++b) {
        if (isUndefinedByte(b))
            continue;
        const char byte = char(b);
        const QString decoded = decoder.decode(QByteArrayView(&byte, 1));
        FUZZ_CHECK(decoded.size() == 1 && decoded.at(0).unicode() == table[b]);
    }
    for (int u = 0; u < 0x10000; ++u) {
        if ((u >= 0xD800 && u <= 0xDFFF) || isUndefinedByte(u))
            continue;
        const QChar c{char16_t(u)};
        const QByteArray encoded = encoder.encode(QStringView(&c, 1));
        const bool icuHolds = encoded.size() == 1 && (encoded.at(0) != 0x1A || u == 0x1A);
        if (icuHolds != bool(encodable[u]))
            std::fprintf(stderr, "ICU and the table disagree on U+%04X\n", unsigned(u));
        FUZZ_CHECK(icuHolds == bool(encodable[u]));
        if (icuHolds)
            FUZZ_CHECK(table[static_cast<unsigned char>(encoded.at(0))] == u);
    }
}

struct Reference {
    std::array<char16_t, 256> table = windows1252();
    std::vector<bool> encodable = std::vector<bool>(0x10000, false);

    Reference() {
        for (const char16_t c : table)
            encodable[c] = true;
        crossCheckWithIcu(table, encodable);
    }
};

const Reference& reference() {
    static const Reference r;
    return r;
}

void checkBytes(const QByteArray& bytes) {
    const Reference& ref = reference();
    const QString text = CodePage::decode(bytes);
    FUZZ_CHECK(text.size() == bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        FUZZ_CHECK(text.at(i).unicode() == ref.table[static_cast<unsigned char>(bytes.at(i))]);
    const EncodedText encoded = CodePage::encode(text);
    FUZZ_CHECK(encoded.unencodable == -1);
    FUZZ_CHECK(encoded.bytes == bytes);
}

void checkText(const QString& text) {
    const Reference& ref = reference();
    qsizetype expected = -1;
    for (qsizetype i = 0; i < text.size() && expected < 0; ++i)
        if (!ref.encodable[text.at(i).unicode()])
            expected = i;
    const EncodedText whole = CodePage::encode(text);
    const qsizetype found = whole.unencodable;
    if (found != expected)
        std::fprintf(stderr, "text %s: found %lld, expected %lld\n",
                     fuzzing::hexOf(text).constData(), static_cast<long long>(found),
                     static_cast<long long>(expected));
    FUZZ_CHECK(found == expected);
    // A text the code page cannot hold whole gives no bytes to write.
    if (expected >= 0)
        FUZZ_CHECK(whole.bytes.isEmpty());

    const QString held = expected < 0 ? text : text.left(expected);
    const EncodedText framed = CodePage::encode(held, "<", ">\r\n");
    FUZZ_CHECK(framed.unencodable == -1);
    FUZZ_CHECK(framed.bytes.size() == held.size() + 4);
    FUZZ_CHECK(framed.bytes.startsWith('<') && framed.bytes.endsWith(">\r\n"));
    const QByteArray encoded = framed.bytes.mid(1, held.size());
    for (qsizetype i = 0; i < held.size(); ++i)
        FUZZ_CHECK(ref.table[static_cast<unsigned char>(encoded.at(i))] == held.at(i).unicode());
    FUZZ_CHECK(CodePage::decode(encoded) == held);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkBytes(fuzzing::bytesOf(data, size));
    checkText(fuzzing::utf16Of(data, size));
    return 0;
}
