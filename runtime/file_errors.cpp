#include "runtime/file_errors.h"

#include "runtime/runtime_error.h"

#include <QFileInfo>
#include <cerrno>

namespace FileErrors {

bool folderExists(const QString& path) {
    return QFileInfo(QFileInfo(path).absolutePath()).isDir();
}

int numberFor(int error, const QString& path) {
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

void raise(int error, const QString& path) {
    raiseError(numberFor(error, path));
}

} // namespace FileErrors
