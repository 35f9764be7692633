#include "docfile/decoded_text.h"

#include "docfile/code_page.h"

#include <algorithm>

DecodedText::DecodedText(qint64 expected) {
    const auto length = qsizetype(expected);
    bytes.reserve(length + length / 8 + 1024);
    bytes.resize(length);
    CodePage::preferLargePages(bytes.data(), length);
}

void DecodedText::append(QByteArrayView piece) {
    if (size + piece.size() > bytes.size())
        bytes.resize(size + piece.size());
    std::copy_n(piece.data(), piece.size(), bytes.data() + size);
    size += piece.size();
}

DocumentText DecodedText::take() {
    bytes.truncate(size);
    size = 0;
    return DocumentText(std::move(bytes));
}
