#pragma once

#include <sys/types.h>

// The system calls through which a save reaches the disk. A test swaps one
// for a stand-in to give a fault that a real disk gives rarely (a failing
// sync, a folder that takes no new files, an attribute a new file may not
// have), without root or a tracer.
struct SystemCalls {
    int (*openat)(int folder, const char* path, int flags, mode_t mode);
    int (*fchown)(int fd, uid_t owner, gid_t group);
    int (*fsetxattr)(int fd, const char* name, const void* value, size_t size, int flags);
    int (*fdatasync)(int fd);
    int (*fsync)(int fd);

    // The calls in use; the real ones unless a test swapped one.
    static SystemCalls& active();
};
