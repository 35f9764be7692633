#include "runtime/file_channels.h"

#include "runtime/file_errors.h"
#include "runtime/output_file.h"
#include "runtime/runtime_error.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Channel {
    int fd = -1;                     // input
    FileStamp input;                 // the input file as it was when opened
    qint64 left = 0;                 // how much of it is still to be read
    std::unique_ptr<OutputFile> out; // output
};

std::map<int, Channel>& channels() {
    static std::map<int, Channel> table;
    return table;
}

void checkChannelNumber(int channel) {
    if (channel < 1 || channel > FileChannels::MaxChannel)
        raiseError(err::BadFileName);
    if (channels().count(channel))
        raiseError(err::FileAlreadyOpen);
}

void checkFileName(const QString& path) {
    if (path.isEmpty() || path.contains(QChar(0)))
        raiseError(err::BadFileName);
}

Channel& openChannel(int channel) {
    const auto it = channels().find(channel);
    if (it == channels().end())
        raiseError(err::BadFileName);
    return it->second;
}

// The whole of a file whose size the kernel reports as 0, as /proc's are.
QByteArray readProcFile(const char* path) {
    QByteArray contents;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return contents;
    char chunk[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0 || (n < 0 && errno == EINTR))
        contents.append(chunk, std::max<ssize_t>(n, 0));
    ::close(fd);
    return contents;
}

} // namespace

qint64 FileChannels::availableMemory() {
    const QByteArray meminfo = readProcFile("/proc/meminfo");
    const qsizetype at = meminfo.indexOf("\nMemAvailable:");
    if (at < 0)
        return -1;
    const qsizetype end = meminfo.indexOf('\n', at + 1);
    bool ok = false;
    const qint64 kib =
        meminfo.mid(at + 14, end - at - 14).trimmed().split(' ').value(0).toLongLong(&ok);
    return ok ? kib * 1024 : -1;
}

qint64 FileChannels::maxInputSize() {
    // A file is read a piece at a time into the text the text box then
    // keeps, one byte per byte of the file and 8 for each of its lines, and
    // as much again is left free for everything else. A screen reader counts
    // positions in an int, which no text may pass.
    constexpr qint64 largest = std::numeric_limits<int>::max();
    const qint64 available = availableMemory();
    return available < 0 ? largest : std::min(largest, available / 2);
}

void FileChannels::openForInput(int channel, const QString& path) {
    checkChannelNumber(channel);
    checkFileName(path);
    // Non-blocking, so that opening a FIFO cannot hang before it is refused.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        FileErrors::raise(errno, path);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        raiseError(err::PathFileAccess);
    }
    if (info.st_size > FileChannels::maxInputSize()) {
        ::close(fd);
        raiseError(err::OutOfMemory);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    Channel& opened = channels()[channel];
    opened.fd = fd;
    opened.input = FileStamp(info);
    opened.left = info.st_size;
}

void FileChannels::openForOutput(int channel, const QString& path, qint64 length) {
    checkChannelNumber(channel);
    checkFileName(path);
    auto file = std::make_unique<OutputFile>(path, length);
    channels()[channel].out = std::move(file);
}

FileStamp FileChannels::stamp(int channel) {
    const Channel& ch = openChannel(channel);
    if (ch.fd < 0)
        raiseError(err::BadFileName);
    return ch.input;
}

qint64 FileChannels::size(int channel) {
    return stamp(channel).size();
}

qsizetype FileChannels::read(int channel, char* buffer, qsizetype length) {
    Channel& ch = openChannel(channel);
    if (ch.fd < 0)
        raiseError(err::BadFileName);
    // A file that another program appends to meanwhile would otherwise be
    // read past the size that was checked against the limit, without end.
    length = qsizetype(std::min<qint64>(length, ch.left));
    for (;;) {
        const ssize_t n = length > 0 ? ::read(ch.fd, buffer, size_t(length)) : 0;
        if (n >= 0) {
            ch.left -= n;
            return n;
        }
        if (errno != EINTR)
            raiseError(err::DeviceIO);
    }
}

void FileChannels::write(int channel, QByteArrayView bytes) {
    Channel& ch = openChannel(channel);
    if (!ch.out)
        raiseError(err::BadFileName);
    ch.out->write(bytes);
}

void FileChannels::close(int channel) {
    const auto it = channels().find(channel);
    if (it == channels().end())
        return;
    Channel ch = std::move(it->second);
    channels().erase(it);
    if (ch.fd >= 0)
        ::close(ch.fd);
    else
        ch.out->commit();
}

void FileChannels::closeAll() {
    for (auto& [number, ch] : channels())
        if (ch.fd >= 0)
            ::close(ch.fd);
    // Output files that were never committed leave their targets alone.
    channels().clear();
}
