#include "host/file_channels.h"

#include "host/runtime_error.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Channel {
    int fd = -1;                    // input
    std::unique_ptr<QSaveFile> out; // output
};

std::map<int, Channel>& channels() {
    static std::map<int, Channel> table;
    return table;
}

bool folderExists(const QString& path) {
    return QFileInfo(QFileInfo(path).absolutePath()).isDir();
}

// Maps the error of a failed system call on path to a run-time error number.
int errorNumberFor(int error, const QString& path) {
    switch (error) {
    case ENOENT:
        return folderExists(path) ? err::FileNotFound : err::PathNotFound;
    case ENOTDIR:
        return err::PathNotFound;
    case EACCES:
    case EPERM:
        return err::PermissionDenied;
    case ENAMETOOLONG:
        return err::BadFileName;
    case EMFILE:
    case ENFILE:
        return err::TooManyFiles;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return err::DiskFull;
    case EIO:
        return err::DeviceIO;
    case ENOMEM:
        return err::OutOfMemory;
    default:
        return err::PathFileAccess;
    }
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

// Available memory as the kernel estimates it, or -1 if it cannot be read.
qint64 availableMemory() {
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (!meminfo.open(QIODevice::ReadOnly))
        return -1;
    while (!meminfo.atEnd()) {
        const QByteArray line = meminfo.readLine();
        if (line.startsWith("MemAvailable:"))
            return line.mid(13).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

} // namespace

qint64 FileChannels::maxInputSize() {
    // Text boxes count characters in an int, and a file's text costs about
    // sixteen times its size while it is read, decoded and shown.
    constexpr qint64 largest = qint64(1) << 30;
    const qint64 available = availableMemory();
    return available < 0 ? largest : std::min(largest, available / 16);
}

void FileChannels::openForInput(int channel, const QString& path) {
    checkChannelNumber(channel);
    checkFileName(path);
    // Non-blocking, so that opening a FIFO cannot hang before it is refused.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        raiseError(errorNumberFor(errno, path));
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
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
        // A read-only file is refused even where the user could replace it.
        if (!S_ISREG(info.st_mode) || (info.st_mode & 0222) == 0)
            raiseError(err::PathFileAccess);
    } else if (errno != ENOENT || !folderExists(path)) {
        raiseError(errorNumberFor(errno, path));
    }
    auto file = std::make_unique<QSaveFile>(path);
    file->setDirectWriteFallback(false);
    errno = 0;
    if (!file->open(QIODevice::WriteOnly))
        raiseError(errno ? errorNumberFor(errno, path) : err::PathFileAccess);
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
    errno = 0;
    // A short write is not flagged as an error by QSaveFile: check the count.
    if (ch.out->write(bytes) != bytes.size() || ch.out->error() != QFileDevice::NoError)
        raiseError(errno ? errorNumberFor(errno, ch.out->fileName()) : err::DeviceIO);
}

void FileChannels::close(int channel) {
    const auto it = channels().find(channel);
    if (it == channels().end())
        return;
    Channel ch = std::move(it->second);
    channels().erase(it);
    if (ch.fd >= 0) {
        ::close(ch.fd);
        return;
    }
    QSaveFile& out = *ch.out;
    errno = 0;
    const bool flushed = out.flush() && out.error() == QFileDevice::NoError;
    const int flushError = errno;
    if (!flushed) {
        out.cancelWriting();
        raiseError(flushError ? errorNumberFor(flushError, out.fileName()) : err::DeviceIO);
    }
    if (!out.commit())
        raiseError(errno ? errorNumberFor(errno, out.fileName()) : err::DeviceIO);
}

void FileChannels::closeAll() {
    for (auto& [number, ch] : channels()) {
        if (ch.fd >= 0)
            ::close(ch.fd);
        if (ch.out)
            ch.out->cancelWriting();
    }
    channels().clear();
}

bool FileChannels::isOpen(int channel) {
    return channels().count(channel) != 0;
}
