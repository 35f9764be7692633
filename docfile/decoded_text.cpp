#include "docfile/decoded_text.h"

#include "docfile/code_page.h"

DecodedText::DecodedText(qint64 expected) {
    const auto length = qsizetype(expected);
    text.reserve(length + length / 8 + 1024);
    text.resize(length);
    CodePage::preferLargePages(text.data(), length * qsizetype(sizeof(char16_t)));
}

void DecodedText::append(QByteArrayView bytes) {
    if (size + bytes.size() > text.size())
        text.resize(size + bytes.size());
    CodePage::decode(bytes, reinterpret_cast<char16_t*>(text.data()) + size);
    size += bytes.size();
}

QString DecodedText::take() {
    text.truncate(size);
    size = 0;
    return std::move(text);
}
