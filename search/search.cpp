#include "search/search.h"

#include <algorithm>

namespace Search {

qsizetype find(const DocumentText& text, QStringView sought, qsizetype start) {
    if (sought.isEmpty())
        return 0;
    const qsizetype from = std::max<qsizetype>(start, 1) - 1;
    // indexOf gives -1 for a miss, which is 0 here.
    return text.indexOf(sought, from) + 1;
}

} // namespace Search
