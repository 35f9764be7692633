#pragma once

#include <QByteArray>
#include <QString>

// A document file being saved. Opening it decides how the save will reach
// the disk; commit() puts the bytes there and returns only once the disk
// has confirmed them. Failures raise numbered run-time errors; an output
// file destroyed without a commit leaves the old file as it was.
//
// A save normally replaces the file: the bytes go to a new file in the same
// folder, which takes the old file's mode, owner and group, is synced, and
// is renamed over the old name; then the folder is synced, so that a power
// cut at any moment leaves either the old document or the new one.
//
// Where replacing would change what the file is - it has other hard links,
// its owner or group cannot be kept, or its folder takes no new files
// although the file itself is writable - the bytes are written into the
// file itself. That cannot be atomic; room for the new length is reserved
// first, so that a full disk fails before a byte of the old text changes.
//
// Symbolic links are followed: the link stays, its target is saved.
class OutputFile {
public:
    // Refuses a read-only file, and anything but a regular file.
    explicit OutputFile(const QString& name);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void commit(const QByteArray& bytes);

private:
    void open();
    void discard();
    bool createBesideTarget();
    QByteArray hiddenName() const;
    bool keepOwner(uid_t owner, gid_t group);
    void openInPlace();
    void commitInPlace(const QByteArray& bytes);
    void commitReplacement(const QByteArray& bytes);
    void linkIntoFolder();
    void writeAll(const QByteArray& bytes, off_t offset);
    void sync(int (*call)(int), int file);
    void closeFile();
    [[noreturn]] void fail(int error);

    QString path;          // as the caller named it, for error numbers
    QByteArray target;     // the file that is saved, links resolved
    QByteArray targetName; // its name within the folder
    int folder = -1;
    int fd = -1;
    bool inPlace = false;
    QByteArray tempName; // the new file's name in the folder, once it has one
};
