#include "bench/documents.h"

#include <QDir>
#include <QFile>
#include <array>
#include <cstdint>
#include <stdexcept>

namespace Documents {
namespace {

// Words in Windows-1252: 0xE9 é, 0x80 €, 0x93/0x94 and 0x91/0x92 curly quotes.
const std::array<const char*, 40> words = {
    "the",
    "editor",
    "keeps",
    "every",
    "line",
    "of",
    "text",
    "as",
    "it",
    "was",
    "written",
    "caf\xe9",
    "d\xe9j\xe0",
    "na\xefve",
    "r\xe9sum\xe9",
    "\x80"
    "12",
    "\x93quoted\x94",
    "\x91so\x92",
    "and",
    "a",
    "small",
    "window",
    "with",
    "two",
    "menus",
    "where",
    "people",
    "open",
    "save",
    "find",
    "words",
    "in",
    "long",
    "documents",
    "without",
    "waiting",
    "for",
    "paper",
    "\xe9t\xe9",
    "river",
};

// splitmix64: small, fast and the same everywhere.
struct Random {
    std::uint64_t state = 0x5eed2024u;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    unsigned below(unsigned n) { return unsigned(next() % n); }
};

constexpr qsizetype lineWidth = 60; // bytes before CR LF

// The characters of bytes 0x80 to 0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> high = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QString marker() {
    return QStringLiteral("quorelmark");
}

QByteArray prose(qsizetype bytes, bool oneLine) {
    Random random;
    QByteArray out;
    out.reserve(bytes + 80);
    const qsizetype markerAt = bytes * 97 / 100;
    bool markerDone = false;
    qsizetype lineStart = 0;
    while (out.size() < bytes) {
        QByteArray word;
        if (!markerDone && out.size() >= markerAt) {
            word = marker().toLatin1();
            markerDone = true;
        } else {
            word = words[random.below(unsigned(words.size()))];
        }
        if (!oneLine && out.size() - lineStart + word.size() > lineWidth) {
            out.append("\r\n");
            lineStart = out.size();
        } else if (out.size() > lineStart) {
            // Now and then a no-break space (0xA0) instead of a space.
            out.append(random.below(8) == 0 ? '\xa0' : ' ');
        }
        out.append(word);
    }
    return out;
}

BenchDocument write(const QString& folder, const QString& label, qsizetype bytes, bool oneLine) {
    const QByteArray text = prose(bytes, oneLine);
    BenchDocument doc{label, QDir(folder).filePath(QStringLiteral("doc-%1.txt").arg(bytes)),
                      text.size(), oneLine, text.count("\r\n") + 1};
    if (oneLine)
        doc.path = QDir(folder).filePath(QStringLiteral("line-%1.txt").arg(bytes));
    QFile file(doc.path);
    if (!file.open(QIODevice::WriteOnly) || file.write("\"") != 1 ||
        file.write(text) != text.size() || file.write("\"\r\n") != 3 || !file.flush())
        throw std::runtime_error("cannot write " + doc.path.toStdString());
    return doc;
}

QString decode(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *out++ = (u >= 0x80 && u < 0xA0) ? high[u - 0x80] : char16_t(u);
    }
    return text;
}

QByteArray encode(QStringView text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            *out++ = char(c);
            continue;
        }
        char byte = '?';
        for (int i = 0; i < int(high.size()); ++i)
            if (high[i] == c)
                byte = char(0x80 + i);
        *out++ = byte;
    }
    return bytes;
}

} // namespace Documents
