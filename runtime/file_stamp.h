#pragma once

#include <QString>
#include <sys/stat.h>

// What tells one state of a file from another without reading it: which
// file it is (device and inode), its size and when it was last written.
// Another program's save either replaces the file or writes into it, and
// either changes one of these.
class FileStamp {
public:
    // The stamp of no file.
    FileStamp() = default;
    explicit FileStamp(const struct stat& info);

    // The file at path now, symbolic links followed; the stamp of no file
    // where there is none or it cannot be looked at.
    static FileStamp of(const QString& path);

    bool exists() const { return present; }
    qint64 size() const { return bytes; }

    bool operator==(const FileStamp&) const = default;

private:
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    qint64 bytes = 0;
    qint64 modifiedSeconds = 0;
    qint64 modifiedNanoseconds = 0;
};
