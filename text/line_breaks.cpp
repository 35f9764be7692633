#include "text/line_breaks.h"

#include "text/text_store.h"

#include <algorithm>

namespace LineBreaks {

QString toCrLf(QStringView text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        if (c == u'\r' || c == u'\n' || c == u'\u2028' || c == u'\u2029' || c == u'\u0085')
            result += QStringLiteral("\r\n");
        else
            result += text[i];
    }
    return result;
}

QString toLf(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

char16_t pictureOf(QChar c) {
    switch (c.unicode()) {
    case u'\r':
        return u'\u240D';
    case u'\n':
        return u'\u240A';
    case u'\u2028':
        return u'\u2424'; // symbol for newline
    case u'\u2029':
        return u'\u00B6'; // pilcrow
    default:
        return 0;
    }
}

qsizetype offsetOf(const TextStore& store, qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, store.size());
    const qsizetype line = store.lineOf(position);
    return std::min(position, store.lineEnd(line)) - line;
}

qsizetype positionOf(const TextStore& store, qsizetype offset) {
    offset = std::max<qsizetype>(offset, 0);
    const qsizetype line = store.lineOfBreakAsOne(offset);
    return std::min(offset + line, store.lineEnd(line));
}

qsizetype characterCount(const TextStore& store) {
    return store.size() - (store.lineCount() - 1);
}

QString readable(QString text) {
    qsizetype length = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text.at(i).unicode();
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            c = u'\n';
            ++i;
        } else if (const char16_t picture = pictureOf(text.at(i))) {
            c = picture;
        }
        text[length++] = c;
    }
    text.truncate(length);
    return text;
}

} // namespace LineBreaks
