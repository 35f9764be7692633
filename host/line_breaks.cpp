#include "host/line_breaks.h"

namespace LineBreaks {

QString toEditor(const QString& text) {
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n') {
            out.append(u'\n');
            ++i;
        } else if (c == u'\r') {
            out.append(QChar(CarriageReturnPicture));
        } else if (c == u'\n') {
            out.append(QChar(LineFeedPicture));
        } else {
            out.append(c);
        }
    }
    return out;
}

QString fromEditor(const QString& raw) {
    QString out;
    out.reserve(raw.size() + raw.size() / 32);
    for (const QChar c : raw) {
        switch (c.unicode()) {
        case ParagraphSeparator:
        case u'\n':
            out.append(u'\r');
            out.append(u'\n');
            break;
        case CarriageReturnPicture:
            out.append(u'\r');
            break;
        case LineFeedPicture:
            out.append(u'\n');
            break;
        default:
            out.append(c);
        }
    }
    return out;
}

} // namespace LineBreaks
