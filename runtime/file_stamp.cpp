#include "runtime/file_stamp.h"

#include <QFile>

FileStamp::FileStamp(const struct stat& info)
    : present(true), device(info.st_dev), inode(info.st_ino), bytes(info.st_size),
      modifiedSeconds(info.st_mtim.tv_sec), modifiedNanoseconds(info.st_mtim.tv_nsec) {}

FileStamp FileStamp::of(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return FileStamp(info);
}
