#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Invariant checks for the fuzz targets. They hold in every build type (no
// NDEBUG) and abort, which libFuzzer and the corpus replay both report as a
// failure with the input that caused it.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? void(0) : ::fuzzing::fail(#condition, __FILE__, __LINE__))

namespace fuzzing {

[[noreturn]] inline void fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant violated: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The input read as UTF-16 code units, low byte first; an odd last byte is
// dropped. Gives every code unit, lone surrogates included.
inline QString utf16Of(const std::uint8_t* data, std::size_t size) {
    QString text;
    text.reserve(qsizetype(size / 2));
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
    return text;
}

// A readable form of a text for failure messages.
inline QByteArray hexOf(const QString& text) {
    QByteArray out;
    for (const QChar c : text)
        out.append(QByteArray::number(c.unicode(), 16).rightJustified(4, '0')).append(' ');
    return out;
}

} // namespace fuzzing
