#include "docfile/document_file.h"

#include "runtime/runtime_error.h"

namespace DocumentFile {

QString firstField(QString contents) {
    if (contents.isEmpty())
        raiseError(err::InputPastEnd);
    qsizetype start = 0;
    while (start < contents.size() && contents.at(start) == u' ')
        ++start;
    qsizetype end = start;
    if (start < contents.size() && contents.at(start) == u'"') {
        ++start;
        // A field as every save writes it ends at the file's last quotation
        // mark, so marks inside the text do not cut it short.
        const qsizetype closing = contents.size() - 3;
        if (closing >= start && contents.endsWith(QStringLiteral("\"\r\n"))) {
            end = closing;
        } else {
            end = contents.indexOf(u'"', start);
            if (end < 0)
                end = contents.size();
        }
    } else {
        while (end < contents.size() && contents.at(end) != u',' && contents.at(end) != u'\r' &&
               contents.at(end) != u'\n')
            ++end;
    }
    // Cutting both ends of an unshared string moves no characters.
    contents.truncate(end);
    contents.remove(0, start);
    return contents;
}

} // namespace DocumentFile
