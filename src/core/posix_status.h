#pragma once
// What a POSIX status tells of a file, and the descriptor a HostFile or HostFolder holds, for the POSIX
// halves of both.

#include "core/host_file.h"

#include <sys/stat.h>

namespace courseeval {

inline int descriptorOf(std::intptr_t native) {
    return static_cast<int>(native);
}

inline FileKind kindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return FileKind::regular;
    }
    if (S_ISDIR(mode)) {
        return FileKind::directory;
    }
    if (S_ISLNK(mode)) {
        return FileKind::symbolicLink;
    }
    if (S_ISFIFO(mode)) {
        return FileKind::fifo;
    }
    if (S_ISSOCK(mode)) {
        return FileKind::socket;
    }
    if (S_ISCHR(mode)) {
        return FileKind::characterDevice;
    }
    if (S_ISBLK(mode)) {
        return FileKind::blockDevice;
    }
    return FileKind::other;
}

inline FileStatus statusFrom(const struct stat& status) {
    FileStatus result;
    result.kind = kindOf(status.st_mode);
    result.stamp.size = status.st_size > 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
    result.stamp.modified = std::int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec;
    result.links = status.st_nlink;
    result.device = status.st_dev;
    result.identity = status.st_ino;
    result.permissions = status.st_mode & 07777;
    result.owner = status.st_uid;
    result.group = status.st_gid;
    return result;
}

} // namespace courseeval
