#pragma once
// The system calls of the POSIX host halves at which a file can fail after others succeeded: a test puts
// a failing call in their place to see what a run does then.

#include <cstddef>
#include <cstdio>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

namespace courseeval {

struct HostCalls {
    int (*renameat2)(int, const char*, int, const char*, unsigned) = ::renameat2;
    int (*unlinkat)(int, const char*, int) = ::unlinkat;
    int (*fsync)(int) = ::fsync;
    ssize_t (*write)(int, const void*, std::size_t) = ::write;
    ssize_t (*writev)(int, const iovec*, int) = ::writev;
    int (*close)(int) = ::close;
    int (*openat)(int, const char*, int, mode_t) = [](int at, const char* name, int flags, mode_t mode) {
        return ::openat(at, name, flags, mode);
    };
    ssize_t (*read)(int, void*, std::size_t) = ::read;
    // The file's attribute flags (FS_IOC_GETFLAGS).
    int (*getFlags)(int, int*) = [](int descriptor, int* flags) {
        return ::ioctl(descriptor, FS_IOC_GETFLAGS, flags);
    };
};

// The calls in use; tests swap one and put it back.
extern HostCalls hostCalls;

} // namespace courseeval
