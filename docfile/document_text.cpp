#include "docfile/document_text.h"

#include "docfile/code_page.h"

#include <algorithm>
#include <cstring>

DocumentText::operator QString() const {
    return form == Form::CodePage ? CodePage::decode(bytes) : string;
}

char16_t DocumentText::at(qsizetype position) const {
    return form == Form::CodePage ? CodePage::character(bytes.at(position))
                                  : string.at(position).unicode();
}

QString DocumentText::mid(qsizetype position, qsizetype length) const {
    if (form == Form::Utf16)
        return string.mid(position, length);
    const qsizetype from = std::clamp<qsizetype>(position, 0, size());
    const qsizetype to =
        std::clamp<qsizetype>(position + std::max<qsizetype>(length, 0), from, size());
    return CodePage::decode(QByteArrayView(bytes).sliced(from, to - from));
}

qsizetype DocumentText::indexOf(QStringView sought, qsizetype from) const {
    if (form == Form::Utf16)
        return string.indexOf(sought, from);
    // A character the code page cannot hold stands nowhere in its bytes.
    const EncodedText encoded = CodePage::encode(sought);
    if (encoded.unencodable >= 0 || from < 0 || from > bytes.size())
        return -1;
    // glibc's memmem compares many bytes at a time, where QByteArrayView
    // goes one by one.
    const void* found = ::memmem(bytes.constData() + from, size_t(bytes.size() - from),
                                 encoded.bytes.constData(), size_t(encoded.bytes.size()));
    return found ? static_cast<const char*>(found) - bytes.constData() : -1;
}

qsizetype DocumentText::firstOutsideCodePage() const {
    return form == Form::CodePage ? -1 : CodePage::firstUnencodable(string);
}

void DocumentText::cut(qsizetype from, qsizetype to) {
    // Cutting both ends of an unshared array moves nothing.
    if (form == Form::CodePage) {
        bytes.truncate(to);
        bytes.remove(0, from);
    } else {
        string.truncate(to);
        string.remove(0, from);
    }
}
