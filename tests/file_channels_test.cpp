#include "runtime/file_channels.h"
#include "runtime/runtime_error.h"
#include "tests/test_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using TestFiles::contents;
using TestFiles::put;

// The rest of the input on channel, read as an open reads it, in pieces.
QByteArray readAll(int channel) {
    QByteArray bytes;
    char piece[4096];
    while (const qsizetype length = FileChannels::read(channel, piece, sizeof piece))
        bytes.append(piece, length);
    return bytes;
}

class FileChannelsTest : public testing::Test {
protected:
    ~FileChannelsTest() override { FileChannels::closeAll(); }

    QString path(const QString& name) const { return dir.filePath(name); }

    static int errorOf(const std::function<void()>& call) { return TestFiles::errorOf(call); }

    // Whether channel can be opened: a failed open must leave it free.
    bool isFree(int channel) {
        const QString probe = path(QStringLiteral("probe"));
        put(probe, "p");
        const int error = errorOf([&] { FileChannels::openForInput(channel, probe); });
        FileChannels::close(channel);
        QFile::remove(probe);
        return error == 0;
    }

    QStringList folderEntries() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir;
};

TEST_F(FileChannelsTest, OpeningForInputFailsWithTheHostsNumbers) {
    const QString missingFolder = path(QStringLiteral("nowhere/file.txt"));
    EXPECT_EQ(errorOf([&] { FileChannels::openForInput(2, path(QStringLiteral("absent"))); }),
              err::FileNotFound);
    EXPECT_EQ(errorOf([&] { FileChannels::openForInput(2, missingFolder); }), err::PathNotFound);
    EXPECT_EQ(errorOf([&] { FileChannels::openForInput(2, dir.path()); }), err::PathFileAccess);
    EXPECT_EQ(errorOf([&] { FileChannels::openForInput(2, QString()); }), err::BadFileName);
    EXPECT_EQ(errorOf([&] { FileChannels::openForInput(0, dir.path()); }), err::BadFileName);
    EXPECT_EQ(errorOf([&] { FileChannels::openForInput(256, dir.path()); }), err::BadFileName);
    EXPECT_TRUE(isFree(2));
}

TEST_F(FileChannelsTest, InputRefusesFifosSocketsAndDevicesWithoutReading) {
    const QString fifo = path(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Nobody writes to the FIFO: a blocking open would hang here.
    EXPECT_EQ(errorOf([&] { FileChannels::openForInput(2, fifo); }), err::PathFileAccess);
    EXPECT_EQ(errorOf([&] { FileChannels::openForInput(2, QStringLiteral("/dev/zero")); }),
              err::PathFileAccess);

    const QByteArray socketPath = QFile::encodeName(path(QStringLiteral("sock")));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(errorOf([&] { FileChannels::openForInput(2, path(QStringLiteral("sock"))); }),
              err::PathFileAccess);
    ::close(fd);
    EXPECT_TRUE(isFree(2));
}

// MemAvailable as /proc/meminfo gives it, read another way.
qint64 memAvailable() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    qint64 kib = -1;
    while (meminfo >> key) {
        if (key == "MemAvailable:" && meminfo >> kib)
            return kib * 1024;
        meminfo.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return -1;
}

TEST_F(FileChannelsTest, AFileTooLargeToHoldIsRefusedBeforeReading) {
    // Other processes move the figure a little between the two readings.
    const qint64 available = memAvailable();
    ASSERT_GT(available, 0);
    EXPECT_NEAR(double(FileChannels::availableMemory()), double(available), 64.0 * (1 << 20));
    EXPECT_NEAR(double(FileChannels::maxInputSize()),
                double(std::min(qint64(std::numeric_limits<int>::max()), available / 2)),
                4.0 * (1 << 20));
    // A sparse file takes no room on disk.
    QFile huge(path(QStringLiteral("huge")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(FileChannels::maxInputSize() + 1));
    huge.close();
    EXPECT_EQ(errorOf([&] { FileChannels::openForInput(2, huge.fileName()); }), err::OutOfMemory);
    EXPECT_TRUE(isFree(2));
}

TEST_F(FileChannelsTest, ReadsEveryByteAndClosesLikeTheHost) {
    const QByteArray bytes("\"a\0b\r\n\x81\xff\"", 10);
    put(path(QStringLiteral("f")), bytes);
    FileChannels::openForInput(2, path(QStringLiteral("f")));
    EXPECT_EQ(FileChannels::size(2), 10);
    EXPECT_EQ(errorOf([&] { FileChannels::openForInput(2, path(QStringLiteral("f"))); }),
              err::FileAlreadyOpen);
    EXPECT_EQ(readAll(2), bytes);
    EXPECT_EQ(readAll(2), QByteArray());
    FileChannels::close(2);
    EXPECT_NO_THROW(FileChannels::close(2));
    EXPECT_NO_THROW(FileChannels::close(7));
    EXPECT_EQ(errorOf([] { readAll(2); }), err::BadFileName);
}

TEST_F(FileChannelsTest, AFileIsReadWholeWhateverItsSize) {
    for (const qsizetype size : {qsizetype(0), qsizetype(1), qsizetype(65535), qsizetype(65536),
                                 qsizetype(65537), qsizetype(300001)}) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = char('a' + i % 26);
        const QString file = path(QStringLiteral("read-%1").arg(size));
        put(file, bytes);
        FileChannels::openForInput(3, file);
        EXPECT_EQ(readAll(3), bytes) << size;
        FileChannels::close(3);
    }
}

TEST_F(FileChannelsTest, AFileThatGrowsWhileItIsReadIsReadToItsSizeWhenOpened) {
    const QString file = path(QStringLiteral("growing"));
    put(file, QByteArray(100000, 'a'));
    FileChannels::openForInput(2, file);
    const FileStamp opened = FileChannels::stamp(2);
    QFile other(file);
    ASSERT_TRUE(other.open(QIODevice::Append));
    ASSERT_EQ(other.write(QByteArray(50000, 'b')), 50000);
    other.close();
    EXPECT_EQ(readAll(2), QByteArray(100000, 'a'));
    FileChannels::close(2);
    EXPECT_EQ(opened.size(), 100000);
    EXPECT_TRUE(opened.exists());
    EXPECT_NE(FileStamp::of(file), opened);
    EXPECT_FALSE(FileStamp::of(path(QStringLiteral("absent"))).exists());
}

TEST_F(FileChannelsTest, OutputReplacesTheFileOnlyWhenClosed) {
    const QString file = path(QStringLiteral("doc"));
    put(file, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);

    FileChannels::openForOutput(1, file);
    FileChannels::write(1, "new text");
    EXPECT_EQ(contents(file), QByteArray("old"));
    FileChannels::close(1);
    EXPECT_EQ(contents(file), QByteArray("new text"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    // Output that is never closed is discarded.
    FileChannels::openForOutput(1, file);
    FileChannels::write(1, "lost");
    FileChannels::closeAll();
    EXPECT_EQ(contents(file), QByteArray("new text"));
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("doc")});
}

TEST_F(FileChannelsTest, OutputRefusesWhatItCannotReplace) {
    const QString readOnly = path(QStringLiteral("locked"));
    put(readOnly, "keep");
    ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0444), 0);
    EXPECT_EQ(errorOf([&] { FileChannels::openForOutput(1, readOnly); }), err::PathFileAccess);
    EXPECT_EQ(contents(readOnly), QByteArray("keep"));

    EXPECT_EQ(errorOf([&] { FileChannels::openForOutput(1, dir.path()); }), err::PathFileAccess);
    EXPECT_EQ(errorOf([&] { FileChannels::openForOutput(1, path(QStringLiteral("no/such"))); }),
              err::PathNotFound);
    EXPECT_TRUE(isFree(1));
}

TEST_F(FileChannelsTest, OutputThroughASymbolicLinkReplacesItsTarget) {
    const QString target = path(QStringLiteral("target"));
    const QString link = path(QStringLiteral("link"));
    put(target, "old");
    ASSERT_TRUE(QFile::link(target, link));
    FileChannels::openForOutput(1, link);
    FileChannels::write(1, "new");
    FileChannels::close(1);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contents(target), QByteArray("new"));

    // A link to nothing, relative and through a second link, gets its
    // target made, as a shell's redirection makes it.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    ASSERT_EQ(::symlink("sub/made", QFile::encodeName(path(QStringLiteral("first"))).constData()),
              0);
    ASSERT_EQ(::symlink("first", QFile::encodeName(path(QStringLiteral("dangling"))).constData()),
              0);
    FileChannels::openForOutput(1, path(QStringLiteral("dangling")));
    FileChannels::write(1, "made");
    FileChannels::close(1);
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("dangling"))).isSymLink());
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("first"))).isSymLink());
    EXPECT_EQ(contents(path(QStringLiteral("sub/made"))), QByteArray("made"));

    // One whose target's folder is missing is a path not found; the link stays.
    ASSERT_EQ(::symlink("nowhere/x", QFile::encodeName(path(QStringLiteral("lost"))).constData()),
              0);
    EXPECT_EQ(errorOf([&] { FileChannels::openForOutput(1, path(QStringLiteral("lost"))); }),
              err::PathNotFound);
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("lost"))).isSymLink());
    EXPECT_TRUE(isFree(1));
}

TEST_F(FileChannelsTest, AWriteThatFailsMidwayLeavesTheOldFileAlone) {
    const QString file = path(QStringLiteral("doc"));
    const QByteArray old(3000, 'o');
    put(file, old);

    int error = 0;
    {
        TestFiles::FileSizeLimit limit(4096);
        error = errorOf([&] {
            FileChannels::openForOutput(1, file);
            FileChannels::write(1, QByteArray(100000, 'n'));
            FileChannels::close(1);
        });
        FileChannels::closeAll();
    }

    EXPECT_EQ(error, err::DiskFull);
    EXPECT_EQ(contents(file), old);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("doc")});
}

} // namespace
