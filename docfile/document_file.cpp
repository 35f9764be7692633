#include "docfile/document_file.h"

#include "runtime/runtime_error.h"

namespace DocumentFile {

DocumentText firstField(DocumentText contents) {
    if (contents.isEmpty())
        raiseError(err::InputPastEnd);
    const qsizetype size = contents.size();
    qsizetype start = 0;
    while (start < size && contents.at(start) == u' ')
        ++start;
    qsizetype end = start;
    if (start < size && contents.at(start) == u'"') {
        ++start;
        // A field as every save writes it ends at the file's last quotation
        // mark, so marks inside the text do not cut it short.
        const qsizetype closing = size - 3;
        if (closing >= start && contents.indexOf(u"\"\r\n", closing) == closing) {
            end = closing;
        } else {
            end = contents.indexOf(u"\"", start);
            if (end < 0)
                end = size;
        }
    } else {
        while (end < size && contents.at(end) != u',' && contents.at(end) != u'\r' &&
               contents.at(end) != u'\n')
            ++end;
    }
    contents.cut(start, end);
    return contents;
}

} // namespace DocumentFile
