#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <sys/stat.h>

// A document file being saved. Opening it decides how the save will reach
// the disk; the bytes are written a piece at a time as they come, and
// commit() returns only once the disk has confirmed them all. Failures
// raise numbered run-time errors; an output file destroyed without a commit
// leaves the old file as it was (but for a save into the file itself).
//
// A save normally replaces the file: the bytes go to a new file in the same
// folder, which takes the old file's mode, owner, group and extended
// attributes (its ACL and security label among them), is synced, and is
// renamed over the old name; then the folder is synced, so that a power cut
// at any moment leaves either the old document or the new one.
//
// Where replacing would change what the file is - it has other hard links,
// its owner, group or an attribute cannot be given to a new file, or its
// folder takes no new files or cannot rename one (append-only) although the
// file itself is writable - the bytes are written into the file itself.
// That cannot be atomic; room for the new length, where it is known when the
// file is opened, is reserved first, so that a full disk fails before a byte
// of the old text changes.
//
// Symbolic links are followed: the link stays, its target is saved, and a
// link to nothing gets its target made.
class OutputFile {
public:
    // Refuses a file this process may not write, a read-only one even for
    // root, and anything but a regular file. length is how many bytes will
    // be written, or -1 if the caller cannot say.
    explicit OutputFile(const QString& name, qint64 length = -1);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Writes the next bytes.
    void write(QByteArrayView bytes);
    void commit();

private:
    void open();
    void findTarget(const QByteArray& named, bool exists);
    bool folderOnlyGrows() const;
    void discard();
    bool createBesideTarget();
    QByteArray hiddenName() const;
    bool becomeTheOldFile(const struct stat& old);
    bool keepOwner(uid_t owner, gid_t group);
    void openInPlace(bool exists);
    // Room in the file itself for its first length bytes.
    void reserve(qint64 length);
    void commitInPlace();
    void commitReplacement();
    void linkIntoFolder();
    void sync(int (*call)(int), int file);
    void closeFile();
    [[noreturn]] void fail(int error);

    QString path;          // as the caller named it, for error numbers
    QByteArray target;     // the file that is saved, links resolved
    QByteArray targetName; // its name within the folder
    int folder = -1;
    int fd = -1;
    bool inPlace = false;
    qint64 reserved = 0; // in place: the file's length, and room reserved past it
    qint64 written = 0;
    QByteArray tempName; // the new file's name in the folder, once it has one
};
