#include "host/text_positions.h"

#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

namespace TextPositions {

qsizetype toDocument(const QTextDocument& doc, qsizetype position) {
    // The last paragraph that starts at or before position.
    int low = 0;
    int high = doc.blockCount() - 1;
    while (low < high) {
        const int mid = low + (high - low + 1) / 2;
        if (doc.findBlockByNumber(mid).position() + mid <= position)
            low = mid;
        else
            high = mid - 1;
    }
    const QTextBlock block = doc.findBlockByNumber(low);
    const qsizetype offset = std::max<qsizetype>(position - (block.position() + low), 0);
    return block.position() + std::min<qsizetype>(offset, block.length() - 1);
}

qsizetype fromDocument(const QTextDocument& doc, qsizetype position) {
    return position + doc.findBlock(int(position)).blockNumber();
}

} // namespace TextPositions
