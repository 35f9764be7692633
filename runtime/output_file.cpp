#include "runtime/output_file.h"

#include "runtime/file_errors.h"
#include "runtime/runtime_error.h"
#include "runtime/system_calls.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The folder and name of path, with every symbolic link on the way resolved
// where the file exists.
QByteArray resolvedPath(const QByteArray& path, bool exists) {
    if (!exists)
        return QFile::encodeName(QFileInfo(QFile::decodeName(path)).absoluteFilePath());
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : path;
}

} // namespace

OutputFile::OutputFile(const QString& name, qint64 length) : path(name) {
    try {
        open();
        if (inPlace && length >= 0)
            reserve(length);
    } catch (...) {
        discard();
        throw;
    }
}

OutputFile::~OutputFile() {
    discard();
}

void OutputFile::open() {
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info {};
    const bool exists = ::stat(encoded.constData(), &info) == 0;
    const int statError = errno;
    if (exists) {
        // A read-only file is refused even where the user could replace it.
        if (!S_ISREG(info.st_mode) || (info.st_mode & 0222) == 0)
            raiseError(err::PathFileAccess);
    } else if (statError != ENOENT || !FileErrors::folderExists(path)) {
        FileErrors::raise(statError, path);
    }
    target = resolvedPath(encoded, exists);
    const qsizetype slash = target.lastIndexOf('/');
    targetName = target.mid(slash + 1);
    const QByteArray folderPath = slash > 0 ? target.left(slash) : QByteArray("/");
    folder = ::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        FileErrors::raise(errno, path);

    if (!createBesideTarget()) {
        const int createError = errno;
        if (!exists || (createError != EACCES && createError != EPERM))
            fail(createError);
        openInPlace();
    } else if (exists && (info.st_nlink > 1 || !keepOwner(info.st_uid, info.st_gid))) {
        closeFile();
        openInPlace();
    } else if (exists && ::fchmod(fd, info.st_mode & 07777) != 0) {
        fail(errno);
    }
}

void OutputFile::discard() {
    closeFile();
    if (!tempName.isEmpty())
        ::unlinkat(folder, tempName.constData(), 0);
    tempName.clear();
    if (folder >= 0)
        ::close(folder);
    folder = -1;
}

// An unnamed file in the target's folder vanishes by itself if the program
// dies before the rename; file systems without unnamed files get a hidden
// name of their own.
bool OutputFile::createBesideTarget() {
    const auto openat = SystemCalls::active().openat;
    fd = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd >= 0;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        const QByteArray name = hiddenName();
        fd = openat(folder, name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0)
            tempName = name;
        else if (errno != EEXIST)
            return false;
    }
    return fd >= 0;
}

// A name for the new file beside the target that no directory listing shows.
QByteArray OutputFile::hiddenName() const {
    return '.' + targetName + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
}

// Gives the new file the old one's owner and group where this process may.
bool OutputFile::keepOwner(uid_t owner, gid_t group) {
    struct stat made {};
    if (::fstat(fd, &made) != 0)
        fail(errno);
    if (made.st_uid == owner && made.st_gid == group)
        return true;
    return SystemCalls::active().fchown(fd, owner, group) == 0;
}

void OutputFile::openInPlace() {
    inPlace = true;
    if (!tempName.isEmpty()) {
        ::unlinkat(folder, tempName.constData(), 0);
        tempName.clear();
    }
    fd = SystemCalls::active().openat(AT_FDCWD, target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY,
                                      0);
    if (fd < 0)
        fail(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        fail(errno);
    reserved = info.st_size;
}

void OutputFile::reserve(qint64 length) {
    if (length <= reserved)
        return;
    if (const int error = ::posix_fallocate(fd, 0, length))
        fail(error);
    reserved = length;
}

void OutputFile::write(QByteArrayView bytes) {
    // Where the length was not known up front, room is reserved as the
    // bytes come.
    if (inPlace)
        reserve(written + bytes.size());
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(left), written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(n < 0 ? errno : ENOSPC);
        data += n;
        left -= n;
        written += n;
    }
}

void OutputFile::commit() {
    if (inPlace)
        commitInPlace();
    else
        commitReplacement();
}

void OutputFile::commitInPlace() {
    if (written < reserved && ::ftruncate(fd, written) != 0)
        fail(errno);
    sync(SystemCalls::active().fdatasync, fd);
    const int file = std::exchange(fd, -1);
    if (::close(file) != 0)
        fail(errno);
}

void OutputFile::commitReplacement() {
    sync(SystemCalls::active().fdatasync, fd);
    linkIntoFolder();
    // Closed before the rename: renaming over the old file while the new one
    // is still open made every save of 10 MB on ext4 wait 10-15 ms longer.
    closeFile();
    if (::renameat(folder, tempName.constData(), folder, targetName.constData()) != 0)
        fail(errno);
    tempName.clear();
    sync(SystemCalls::active().fsync, folder);
}

// Gives the unnamed new file a hidden name in the folder, for the rename.
void OutputFile::linkIntoFolder() {
    if (!tempName.isEmpty())
        return;
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = hiddenName();
        if (::linkat(AT_FDCWD, self.constData(), folder, name.constData(), AT_SYMLINK_FOLLOW) ==
            0) {
            tempName = name;
            return;
        }
        if (errno != EEXIST)
            fail(errno);
    }
    fail(EEXIST);
}

// A file system that cannot sync at all says EINVAL: there is nothing more
// to wait for. Any other failure means the disk did not confirm the bytes.
void OutputFile::sync(int (*call)(int), int file) {
    if (call(file) != 0 && errno != EINVAL)
        fail(errno);
}

void OutputFile::closeFile() {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void OutputFile::fail(int error) {
    FileErrors::raise(error, path);
}
