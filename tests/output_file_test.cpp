#include "runtime/file_channels.h"
#include "tests/test_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

// What a save keeps of a file besides its text, what it refuses, and that
// the program outlives what the system does to a save.
namespace {

using TestFiles::contents;
using TestFiles::put;

constexpr uid_t nobody = 65534;

// The error number of a save, 0 if it worked; every channel is closed
// after it, as the host closes them after an error.
int save(const QString& file, const QByteArray& bytes) {
    const int error = TestFiles::errorOf([&] {
        FileChannels::openForOutput(1, file);
        FileChannels::write(1, bytes);
        FileChannels::close(1);
    });
    FileChannels::closeAll();
    return error;
}

QByteArray attribute(const QString& file, const char* name) {
    char value[256];
    const ssize_t size = ::getxattr(QFile::encodeName(file).constData(), name, value, sizeof value);
    return size < 0 ? QByteArray("<none>") : QByteArray(value, size);
}

bool setAttribute(const QString& file, const char* name, const QByteArray& value) {
    return ::setxattr(QFile::encodeName(file).constData(), name, value.constData(), value.size(),
                      0) == 0;
}

// An ACL as the kernel keeps it: version 2, then each entry's tag,
// permissions and id, little-endian: the owner rw, user nobody perm, the
// group r, the mask perm, others r.
QByteArray acl(char perm) {
    const QByteArray p(1, perm);
    return QByteArray::fromHex("02000000"
                               "01000600ffffffff"
                               "02000" +
                               p + "00feff0000" +
                               "04000400ffffffff"
                               "10000" +
                               p +
                               "00ffffffff"
                               "20000400ffffffff");
}

// Runs step in a child process: its exit status, or -1 if a signal ended it.
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
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList entries(const QString& folder) const {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir;
};

TEST_F(OutputFileTest, ASaveKeepsTheAclAndEveryExtendedAttribute) {
    const QString file = path(QStringLiteral("doc.txt"));
    put(file, "old");
    if (!setAttribute(file, "system.posix_acl_access", acl('6')))
        GTEST_SKIP() << "This file system keeps no ACLs: " << std::strerror(errno);
    QList<const char*> names{"user.note", "security.label"};
    if (::geteuid() == 0)
        names << "trusted.tag";
    for (const char* name : names)
        ASSERT_TRUE(setAttribute(file, name, name)) << name;
    const struct stat before = TestFiles::status(file);

    EXPECT_EQ(save(file, "new"), 0);
    const struct stat after = TestFiles::status(file);
    EXPECT_NE(after.st_ino, before.st_ino); // replaced, not written in place
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(attribute(file, "system.posix_acl_access"), acl('6'));
    for (const char* name : names)
        EXPECT_EQ(attribute(file, name), QByteArray(name));

    // Where a new file may not have one of them, the save goes into the file.
    {
        TestFiles::SystemCallStandIns calls;
        calls->fsetxattr = [](int, const char*, const void*, size_t, int) {
            errno = EPERM;
            return -1;
        };
        EXPECT_EQ(save(file, "newer"), 0);
    }
    EXPECT_EQ(contents(file), QByteArray("newer"));
    EXPECT_EQ(TestFiles::status(file).st_ino, after.st_ino);
    EXPECT_EQ(attribute(file, "system.posix_acl_access"), acl('6'));

    // A folder's default ACL does not reach a saved file that had none.
    const QString plain = path(QStringLiteral("plain.txt"));
    put(plain, "old");
    ASSERT_TRUE(setAttribute(dir.path(), "system.posix_acl_default", acl('7')));
    EXPECT_EQ(save(plain, "new"), 0);
    EXPECT_EQ(attribute(plain, "system.posix_acl_access"), QByteArray("<none>"));
    EXPECT_EQ(entries(dir.path()),
              (QStringList{QStringLiteral("doc.txt"), QStringLiteral("plain.txt")}));
}

TEST_F(OutputFileTest, ASaveRefusesAFileItsOwnerMayNotWriteThoughItsGroupMay) {
    // The kernel goes by the owner's bits; as nobody where the test is root.
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    const QString file = path(QStringLiteral("mine.txt"));
    put(file, "keep");
    const QByteArray name = QFile::encodeName(file);
    ASSERT_EQ(::chmod(name.constData(), 0464), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(name.constData(), nobody, nobody), 0);
    }
    const auto asOwner = [&] { return save(file, "lost"); };
    EXPECT_EQ(root ? inChild([&] { return ::setgid(nobody) || ::setuid(nobody) ? 100 : asOwner(); })
                   : asOwner(),
              err::PathFileAccess);
    EXPECT_EQ(contents(file), QByteArray("keep"));
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("mine.txt")});
}

TEST_F(OutputFileTest, PastTheFileSizeLimitASaveFailsAndTheProgramLivesOn) {
    const QString file = path(QStringLiteral("doc.txt"));
    put(file, "old");
    // The child starts as a program does, with SIGXFSZ's default action,
    // which ends the process; it exits with the two saves' error numbers.
    const int status = inChild([&] {
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const int tooLarge = save(file, QByteArray(100000, 'n'));
        return tooLarge == err::DiskFull && contents(file) == "old" ? save(file, "fits") : 100;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(contents(file), QByteArray("fits"));
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("doc.txt")});
}

TEST_F(OutputFileTest, EveryNameTheFileSystemTakesCanBeSavedAgain) {
    // 255 bytes, the longest name, in two-byte characters but the last.
    const QString longest = QString(127, u'\u00E9') + u'a';
    ASSERT_EQ(QFile::encodeName(longest).size(), 255);
    EXPECT_EQ(save(path(longest), "first"), 0);
    EXPECT_EQ(save(path(longest), "second"), 0);
    {
        TestFiles::SystemCallStandIns calls;
        calls->openat = TestFiles::hasNoUnnamedFiles;
        EXPECT_EQ(save(path(longest), "third"), 0);
    }
    EXPECT_EQ(contents(path(longest)), QByteArray("third"));
    EXPECT_EQ(entries(dir.path()), QStringList{longest});
}

// Sets or clears the append-only flag of folder, as chattr does.
bool setAppendOnly(const QString& folder, bool on) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    const bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                      (flags = on ? flags | FS_APPEND_FL : flags & ~FS_APPEND_FL,
                       ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    ::close(fd);
    return done;
}

TEST_F(OutputFileTest, AnAppendOnlyFolderIsWrittenInPlaceAndKeepsNoCopy) {
    const QString file = path(QStringLiteral("doc.txt"));
    put(file, "a longer old text");
    if (!setAppendOnly(dir.path(), true))
        GTEST_SKIP() << "An append-only folder needs root and a file system that has them.";
    const ino_t inode = TestFiles::status(file).st_ino;
    const int errors = save(file, "new") + save(path(QStringLiteral("added.txt")), "added");
    const QStringList names = entries(dir.path());
    EXPECT_TRUE(setAppendOnly(dir.path(), false));
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(contents(file), QByteArray("new"));
    EXPECT_EQ(TestFiles::status(file).st_ino, inode);
    EXPECT_EQ(names, (QStringList{QStringLiteral("added.txt"), QStringLiteral("doc.txt")}));
}

} // namespace
