#pragma once

#include "runtime/runtime_error.h"
#include "runtime/system_calls.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

// Helpers for tests that work on real files.
namespace TestFiles {

inline QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The number of the run-time error that call raises, 0 if none.
inline int errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

inline void put(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// While it lives, no file of this process may grow past bytes: a write
// beyond fails with EFBIG, as on a full disk, instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : previousHandler(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = bytes;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous{};
    void (*previousHandler)(int);
};

// The file's inode, link count, owner, group and mode.
inline struct stat status(const QString& file) {
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0) << file.toStdString();
    return info;
}

// A stand-in for openat on a file system without unnamed files (O_TMPFILE).
inline int hasNoUnnamedFiles(int folder, const char* name, int flags, mode_t mode) {
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return ::openat(folder, name, flags, mode);
}

// While it lives, tests may swap the system calls through which saves reach
// the disk (SystemCalls::active()); it puts the real ones back.
class SystemCallStandIns {
public:
    SystemCallStandIns() : saved(SystemCalls::active()) {}
    ~SystemCallStandIns() { SystemCalls::active() = saved; }
    SystemCallStandIns(const SystemCallStandIns&) = delete;
    SystemCallStandIns& operator=(const SystemCallStandIns&) = delete;

    SystemCalls* operator->() { return &SystemCalls::active(); }

private:
    SystemCalls saved;
};

} // namespace TestFiles
