#include "docfile/document_file.h"

#include "docfile/code_page.h"
#include "host/file_channels.h"
#include "host/runtime_error.h"

namespace DocumentFile {

QByteArray field(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size() + 4);
    bytes.append('"').append(CodePage::encode(text)).append("\"\r\n");
    return bytes;
}

QString firstField(const QString& contents) {
    if (contents.isEmpty())
        raiseError(err::InputPastEnd);
    qsizetype start = 0;
    while (start < contents.size() && contents.at(start) == u' ')
        ++start;
    if (start < contents.size() && contents.at(start) == u'"') {
        ++start;
        // A field as every save writes it ends at the file's last quotation
        // mark, so marks inside the text do not cut it short.
        const qsizetype closing = contents.size() - 3;
        if (closing >= start && contents.endsWith(QStringLiteral("\"\r\n")))
            return contents.mid(start, closing - start);
        const qsizetype end = contents.indexOf(u'"', start);
        return contents.mid(start, end < 0 ? -1 : end - start);
    }
    qsizetype end = start;
    while (end < contents.size() && contents.at(end) != u',' && contents.at(end) != u'\r' &&
           contents.at(end) != u'\n')
        ++end;
    return contents.mid(start, end - start);
}

void write(int channel, const QString& text) {
    FileChannels::write(channel, field(text));
}

QString read(int channel) {
    return firstField(CodePage::decode(FileChannels::readAll(channel)));
}

} // namespace DocumentFile
