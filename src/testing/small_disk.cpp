#include "testing/small_disk.h"

#include <string>

#ifndef _WIN32
#include "files/host.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fstream>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

namespace courseeval::testing {

#ifndef _WIN32
namespace {

// Enters a user and mount namespace of the process's own, as the same user and group, with the right to
// mount there.
bool enterOwnNamespace() {
    const std::string user = std::to_string(geteuid());
    const std::string group = std::to_string(getegid());
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        return false;
    }
    std::ofstream("/proc/self/setgroups") << "deny";
    std::ofstream("/proc/self/uid_map") << user << ' ' << user << " 1";
    std::ofstream groupMap("/proc/self/gid_map");
    groupMap << group << ' ' << group << " 1";
    groupMap.close();
    return groupMap.good();
}

std::string diskFolder;
std::size_t bytesLeft = 0;

// How many of `size` bytes to `descriptor` the disk takes: all of them for a file elsewhere.
std::size_t bytesTaken(int descriptor, std::size_t size) {
    std::string path(PATH_MAX, '\0');
    const ssize_t length =
        readlink(("/proc/self/fd/" + std::to_string(descriptor)).c_str(), path.data(), path.size());
    if (length < 0 || !path.substr(0, static_cast<std::size_t>(length)).starts_with(diskFolder)) {
        return size;
    }
    const std::size_t taken = std::min(size, bytesLeft);
    bytesLeft -= taken;
    return taken;
}

ssize_t writeToDisk(int descriptor, const void* bytes, std::size_t size) {
    const std::size_t taken = bytesTaken(descriptor, size);
    if (taken == 0 && size > 0) {
        errno = ENOSPC;
        return -1;
    }
    return ::write(descriptor, bytes, taken);
}

ssize_t gatherToDisk(int descriptor, const iovec* vectors, int count) {
    // The first piece alone: a short write, as a disk that fills up makes one.
    return count == 0 ? 0 : writeToDisk(descriptor, vectors[0].iov_base, vectors[0].iov_len);
}

} // namespace

FullDiskAfter::FullDiskAfter(const std::filesystem::path& folder, std::size_t bytes) {
    diskFolder = (std::filesystem::canonical(folder) / "").string();
    bytesLeft = bytes;
    hostCalls.write = writeToDisk;
    hostCalls.writev = gatherToDisk;
}

FullDiskAfter::~FullDiskAfter() {
    hostCalls = HostCalls();
}
#endif

SmallDisk::SmallDisk(const std::filesystem::path& path, int kib) : path_(path) {
    std::filesystem::create_directories(path_);
#ifndef _WIN32
    const std::string size = "size=" + std::to_string(kib) + "k";
    const auto mountDisk = [&] { return mount("tmpfs", path_.c_str(), "tmpfs", 0, size.c_str()) == 0; };
    mounted_ = mountDisk() || (errno == EPERM && enterOwnNamespace() && mountDisk());
#else
    (void)kib;
#endif
}

SmallDisk::~SmallDisk() {
#ifndef _WIN32
    if (mounted_) {
        umount2(path_.c_str(), MNT_DETACH);
    }
#endif
}

} // namespace courseeval::testing
