#include "runtime/file_channels.h"

#include "runtime/file_errors.h"
#include "runtime/output_file.h"
#include "runtime/runtime_error.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Channel {
    int fd = -1;                     // input
    std::unique_ptr<OutputFile> out; // output
    QByteArray written;              // output, put on disk when the channel closes
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
    // While a file is opened its bytes (one per character) and its decoded
    // text (two per character) are held at once, and the text box then keeps
    // the text as it is: about four bytes per byte of the file leaves room.
    constexpr qint64 largest = qint64(1) << 30;
    const qint64 available = availableMemory();
    return available < 0 ? largest : std::min(largest, available / 4);
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
    channels()[channel].fd = fd;
}

void FileChannels::openForOutput(int channel, const QString& path) {
    checkChannelNumber(channel);
    checkFileName(path);
    auto file = std::make_unique<OutputFile>(path);
    channels()[channel].out = std::move(file);
}

QByteArray FileChannels::readAll(int channel) {
    const Channel& ch = openChannel(channel);
    if (ch.fd < 0)
        raiseError(err::BadFileName);
    struct stat info {};
    // Read straight into the result, sized from the file; it grows only if
    // the file grew since.
    qsizetype capacity = 65536;
    if (::fstat(ch.fd, &info) == 0 && info.st_size > 0)
        capacity = qsizetype(info.st_size) + 1;
    QByteArray bytes(capacity, Qt::Uninitialized);
    qsizetype size = 0;
    for (;;) {
        if (size == bytes.size())
            bytes.resize(bytes.size() * 2);
        const ssize_t n = ::read(ch.fd, bytes.data() + size, size_t(bytes.size() - size));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            raiseError(err::DeviceIO);
        }
        size += n;
    }
    bytes.truncate(size);
    return bytes;
}

void FileChannels::write(int channel, const QByteArray& bytes) {
    Channel& ch = openChannel(channel);
    if (!ch.out)
        raiseError(err::BadFileName);
    // Held until the channel closes, so that the save knows the whole length
    // before it touches the disk. Appending to nothing shares the bytes.
    ch.written.append(bytes);
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
        ch.out->commit(ch.written);
}

void FileChannels::closeAll() {
    for (auto& [number, ch] : channels())
        if (ch.fd >= 0)
            ::close(ch.fd);
    // Output files that were never committed leave their targets alone.
    channels().clear();
}
