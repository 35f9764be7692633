#include "runtime/output_file.h"

#include "runtime/extended_attributes.h"
#include "runtime/file_errors.h"
#include "runtime/runtime_error.h"
#include "runtime/system_calls.h"

#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The folder part of path ("." for a bare name).
QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// Where path is a symbolic link to nothing, the file that writing through it
// creates, as a shell's redirection does: the end of its chain of links.
// Anything else is its own end.
QByteArray linkEnd(QByteArray path) {
    for (int hop = 0; hop < 40; ++hop) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length < 0)
            return path;
        QByteArray next(target, length);
        path = next.startsWith('/') ? next : folderOf(path) + '/' + next;
    }
    return path;
}

// Past a file size limit (ulimit -f) a write raises SIGXFSZ, which would
// end the program and take the unsaved text with it; ignored, the write
// fails with EFBIG, and the save fails as on a full disk.
void survivePastTheFileSizeLimit() {
    std::signal(SIGXFSZ, SIG_IGN);
}

// Whether this process may write the file: as the kernel decides for it,
// its ACL included. Root, whom the kernel lets write anything, is still
// refused a file without a write bit.
bool mayWrite(const QByteArray& file, const struct stat& info) {
    if (::geteuid() == 0)
        return (info.st_mode & 0222) != 0;
    return ::faccessat(AT_FDCWD, file.constData(), W_OK, AT_EACCESS) == 0;
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
    survivePastTheFileSizeLimit();
    QByteArray named = QFile::encodeName(path);
    struct stat info {};
    const bool exists = ::stat(named.constData(), &info) == 0;
    if (!exists && errno != ENOENT)
        FileErrors::raise(errno, path);
    if (exists && (!S_ISREG(info.st_mode) || !mayWrite(named, info)))
        raiseError(err::PathFileAccess);
    if (!exists)
        named = linkEnd(named);
    findTarget(named, exists);

    if (folderOnlyGrows()) {
        openInPlace(exists);
    } else if (!createBesideTarget()) {
        const int createError = errno;
        if (!exists || (createError != EACCES && createError != EPERM))
            fail(createError);
        openInPlace(exists);
    } else if (exists && !becomeTheOldFile(info)) {
        closeFile();
        openInPlace(exists);
    }
}

// Gives the new file all that the old one is besides its bytes: its mode,
// owner, group and attributes. False where that cannot be done, and where a
// new file could not stand for the old one anyway (other hard links).
bool OutputFile::becomeTheOldFile(const struct stat& old) {
    if (old.st_nlink > 1 || !keepOwner(old.st_uid, old.st_gid))
        return false;
    if (::fchmod(fd, old.st_mode & 07777) != 0)
        fail(errno);
    return ExtendedAttributes::copy(target, fd);
}

// The file to save, every symbolic link on the way resolved, and its folder,
// opened. A file that does not exist yet needs a folder that does.
void OutputFile::findTarget(const QByteArray& named, bool exists) {
    char resolved[PATH_MAX];
    if (exists) {
        target = ::realpath(named.constData(), resolved) ? QByteArray(resolved) : named;
    } else if (::realpath(folderOf(named).constData(), resolved)) {
        target = QByteArray(resolved) + '/' + named.mid(named.lastIndexOf('/') + 1);
    } else {
        const int error = errno;
        raiseError(error == ENOENT || error == ENOTDIR ? err::PathNotFound
                                                       : FileErrors::numberFor(error, path));
    }
    targetName = target.mid(target.lastIndexOf('/') + 1);
    folder = ::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        FileErrors::raise(errno, path);
}

// A folder that is append-only (chattr +a) takes a new file but neither
// renames it over the old one nor lets it be removed again; an immutable
// one takes nothing. In either the file is written in place.
bool OutputFile::folderOnlyGrows() const {
    int flags = 0;
    return ::ioctl(folder, FS_IOC_GETFLAGS, &flags) == 0 &&
           (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0;
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
// It starts with as much of the target's name as the folder's longest name
// leaves room for, cut between characters.
QByteArray OutputFile::hiddenName() const {
    const QByteArray suffix = '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
    const long longest = ::fpathconf(folder, _PC_NAME_MAX);
    qsizetype kept =
        std::min(targetName.size(), (longest > 0 ? longest : NAME_MAX) - 1 - suffix.size());
    while (kept > 0 && kept < targetName.size() && (uchar(targetName.at(kept)) & 0xC0) == 0x80)
        --kept;
    return '.' + targetName.left(kept) + suffix;
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

void OutputFile::openInPlace(bool exists) {
    inPlace = true;
    if (!tempName.isEmpty()) {
        ::unlinkat(folder, tempName.constData(), 0);
        tempName.clear();
    }
    const int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY | (exists ? 0 : O_CREAT);
    fd = SystemCalls::active().openat(AT_FDCWD, target.constData(), flags, 0666);
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
