#include "runtime/file_channels.h"
#include "runtime/runtime_error.h"
#include "tests/test_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

// What a save keeps of a file besides its text, what it refuses, and that
// the program outlives what the system does to a save.
namespace {

using TestFiles::contents;
using TestFiles::errorOf;
using TestFiles::put;

constexpr uid_t nobody = 65534;

void save(const QString& file, const QByteArray& bytes) {
    FileChannels::openForOutput(1, file);
    FileChannels::write(1, bytes);
    FileChannels::close(1);
}

// The error number of a save, after which every channel is closed, as the
// host does after an error; 0 for a save that worked.
int errorOfSave(const QString& file, const QByteArray& bytes) {
    const int error = errorOf([&] { save(file, bytes); });
    FileChannels::closeAll();
    return error;
}

QByteArray encoded(const QString& file) {
    return QFile::encodeName(file);
}

// The value of the extended attribute, or "<none>".
QByteArray attribute(const QString& file, const char* name) {
    char value[1024];
    const ssize_t size = ::getxattr(encoded(file).constData(), name, value, sizeof value);
    return size < 0 ? QByteArray("<none>") : QByteArray(value, size);
}

bool setAttribute(const QString& file, const char* name, const QByteArray& value) {
    return ::setxattr(encoded(file).constData(), name, value.constData(), value.size(), 0) == 0;
}

// An access ACL as the kernel keeps it: a version, then tag, permissions and
// id of each entry, in the order of their tags.
QByteArray acl(std::initializer_list<std::array<quint32, 3>> entries) {
    QByteArray bytes;
    const auto append = [&](auto value) {
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    append(quint32(2));
    for (const auto& [tag, permissions, id] : entries) {
        append(quint16(tag));
        append(quint16(permissions));
        append(id);
    }
    return bytes;
}
constexpr quint32 userObj = 0x01, user = 0x02, groupObj = 0x04, mask = 0x10, other = 0x20;
constexpr quint32 undefined = quint32(-1);

// Runs step in a child process and returns its exit status, -1 if a signal
// ended it.
int inChild(const std::function<int()>& step) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(step());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class OutputFileTest : public testing::Test {
protected:
    ~OutputFileTest() override { FileChannels::closeAll(); }

    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList entries(const QString& folder) const {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir;
};

TEST_F(OutputFileTest, ASaveKeepsTheAclAndEveryExtendedAttribute) {
    const QString file = path(QStringLiteral("doc.txt"));
    put(file, "old");
    const QByteArray access = acl({{userObj, 6, undefined},
                                   {user, 6, nobody},
                                   {groupObj, 4, undefined},
                                   {mask, 6, undefined},
                                   {other, 4, undefined}});
    if (!setAttribute(file, "system.posix_acl_access", access))
        GTEST_SKIP() << "This file system keeps no ACLs: " << std::strerror(errno);
    QList<const char*> names{"user.note", "security.label"};
    if (::geteuid() == 0)
        names << "trusted.tag";
    for (const char* name : names)
        ASSERT_TRUE(setAttribute(file, name, QByteArray("value of ") + name)) << name;
    const struct stat before = TestFiles::status(file);

    save(file, "new");
    const struct stat after = TestFiles::status(file);
    EXPECT_EQ(contents(file), QByteArray("new"));
    EXPECT_NE(after.st_ino, before.st_ino); // replaced, not written in place
    EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);
    EXPECT_EQ(attribute(file, "system.posix_acl_access"), access);
    for (const char* name : names)
        EXPECT_EQ(attribute(file, name), QByteArray("value of ") + name) << name;

    // Where a new file may not have one of them, the save goes into the file.
    {
        TestFiles::SystemCallStandIns calls;
        calls->fsetxattr = [](int, const char*, const void*, size_t, int) {
            errno = EPERM;
            return -1;
        };
        save(file, "newer");
    }
    EXPECT_EQ(contents(file), QByteArray("newer"));
    EXPECT_EQ(TestFiles::status(file).st_ino, after.st_ino);
    EXPECT_EQ(attribute(file, "system.posix_acl_access"), access);
    EXPECT_EQ(attribute(file, "user.note"), QByteArray("value of user.note"));

    // A folder's default ACL does not reach a saved file that had none.
    const QString folder = path(QStringLiteral("shared"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("shared")));
    const QString plain = folder + QStringLiteral("/plain.txt");
    put(plain, "old");
    ASSERT_EQ(::chmod(encoded(plain).constData(), 0640), 0);
    ASSERT_TRUE(setAttribute(folder, "system.posix_acl_default",
                             acl({{userObj, 7, undefined},
                                  {user, 7, nobody},
                                  {groupObj, 5, undefined},
                                  {mask, 7, undefined},
                                  {other, 5, undefined}})));
    save(plain, "new");
    EXPECT_EQ(contents(plain), QByteArray("new"));
    EXPECT_EQ(attribute(plain, "system.posix_acl_access"), QByteArray("<none>"));
    EXPECT_EQ(TestFiles::status(plain).st_mode & 07777, 0640u);
    EXPECT_EQ(entries(folder), QStringList{QStringLiteral("plain.txt")});
}

TEST_F(OutputFileTest, ASaveRefusesAFileThisUserMayNotWrite) {
    // The owner's bits say read only although the group's say write: the
    // kernel goes by the owner's. Run as nobody where the test is root.
    ASSERT_EQ(::chmod(encoded(dir.path()).constData(), 0777), 0);
    const QString mine = path(QStringLiteral("mine.txt"));
    const QString theirs = path(QStringLiteral("theirs.txt"));
    put(mine, "keep");
    put(theirs, "theirs");
    ASSERT_EQ(::chmod(encoded(mine).constData(), 0464), 0);
    ASSERT_EQ(::chmod(encoded(theirs).constData(), 0646), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(encoded(mine).constData(), nobody, nobody), 0);
    }

    const auto asUser = [&](const std::function<int()>& step) {
        if (!root)
            return step();
        return inChild(
            [&] { return ::setgid(nobody) == 0 && ::setuid(nobody) == 0 ? step() : 100; });
    };
    EXPECT_EQ(asUser([&] { return errorOfSave(mine, "lost"); }), err::PathFileAccess);
    EXPECT_EQ(contents(mine), QByteArray("keep"));
    EXPECT_EQ(entries(dir.path()),
              (QStringList{QStringLiteral("mine.txt"), QStringLiteral("theirs.txt")}));

    // Someone else's file that others may write is written, and stays theirs.
    if (root) {
        EXPECT_EQ(asUser([&] { return errorOfSave(theirs, "written"); }), 0);
        EXPECT_EQ(contents(theirs), QByteArray("written"));
        EXPECT_EQ(TestFiles::status(theirs).st_uid, 0u);
    }
}

TEST_F(OutputFileTest, PastTheFileSizeLimitASaveFailsAndTheProgramLivesOn) {
    const QString file = path(QStringLiteral("doc.txt"));
    const QString linked = path(QStringLiteral("linked.txt"));
    put(file, "old");
    put(linked, "old");
    ASSERT_EQ(
        ::link(encoded(linked).constData(), encoded(path(QStringLiteral("other"))).constData()), 0);
    // The child starts as a program does, with SIGXFSZ's default action,
    // which ends the process; then a save over the limit, the same in place
    // (a file with two links), then one that fits. Each step's error number
    // is one byte of what the child tells through a pipe.
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const int status = inChild([&] {
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const QByteArray large(100000, 'n');
        const char errors[] = {char(errorOfSave(file, large)), char(errorOfSave(linked, large)),
                               char(errorOfSave(file, "fits"))};
        return ::write(channel[1], errors, sizeof errors) == sizeof errors ? 0 : 1;
    });
    ::close(channel[1]);
    char errors[3] = {};
    EXPECT_EQ(::read(channel[0], errors, sizeof errors), 3);
    ::close(channel[0]);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(errors[0], err::DiskFull);
    EXPECT_EQ(errors[1], err::DiskFull);
    EXPECT_EQ(errors[2], 0);
    EXPECT_EQ(contents(file), QByteArray("fits"));
    EXPECT_EQ(contents(linked), QByteArray("old"));
    EXPECT_EQ(entries(dir.path()),
              (QStringList{QStringLiteral("doc.txt"), QStringLiteral("linked.txt"),
                           QStringLiteral("other")}));
}

int hasNoUnnamedFiles(int folder, const char* name, int flags, mode_t mode) {
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return ::openat(folder, name, flags, mode);
}

TEST_F(OutputFileTest, EveryNameTheFileSystemTakesCanBeSavedAgain) {
    // 255 bytes, the longest name, in two-byte characters but the last.
    const QString longest = QString(127, u'\u00E9') + u'a';
    const QString file = path(longest);
    ASSERT_EQ(encoded(longest).size(), 255);
    save(file, "first");
    save(file, "second");
    {
        TestFiles::SystemCallStandIns calls;
        calls->openat = hasNoUnnamedFiles;
        save(file, "third");
    }
    EXPECT_EQ(contents(file), QByteArray("third"));
    EXPECT_EQ(entries(dir.path()), QStringList{longest});
    EXPECT_EQ(errorOfSave(file + u'a', "too long"), err::BadFileName);
}

// Sets or clears the file attribute flag (as chattr does); false where this
// file system or user cannot.
bool setFlag(const QString& folder, int flag, bool on) {
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    const bool done =
        fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
        (flags = on ? flags | flag : flags & ~flag, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (fd >= 0)
        ::close(fd);
    return done;
}

TEST_F(OutputFileTest, AnAppendOnlyFolderIsWrittenInPlaceAndKeepsNoCopy) {
    const QString folder = path(QStringLiteral("log"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("log")));
    const QString file = folder + QStringLiteral("/doc.txt");
    put(file, "a longer old text");
    if (!setFlag(folder, FS_APPEND_FL, true))
        GTEST_SKIP() << "An append-only folder needs root and a file system that has them.";
    const ino_t inode = TestFiles::status(file).st_ino;
    save(file, "new");
    const QString added = folder + QStringLiteral("/added.txt");
    save(added, "added");
    const QStringList names = entries(folder);
    EXPECT_TRUE(setFlag(folder, FS_APPEND_FL, false));

    EXPECT_EQ(contents(file), QByteArray("new"));
    EXPECT_EQ(TestFiles::status(file).st_ino, inode);
    EXPECT_EQ(contents(added), QByteArray("added"));
    EXPECT_EQ(names, (QStringList{QStringLiteral("added.txt"), QStringLiteral("doc.txt")}));
}

} // namespace
