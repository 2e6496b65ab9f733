#pragma once

#include <cstddef>
#include <filesystem>

namespace courseeval::testing {

// A file system of its own, `kib` KiB in size, mounted at the folder `path` (created when missing), so that
// a disk can really fill up. Root mounts it; an ordinary user mounts it in a user and mount namespace of
// the test process's own, which the programs it starts share, where the system allows that. Where it
// cannot be done (or on Windows) mounted() is false.
class SmallDisk {
public:
    SmallDisk(const std::filesystem::path& path, int kib);
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    ~SmallDisk();

    bool mounted() const { return mounted_; }

private:
    std::filesystem::path path_;
    bool mounted_ = false;
};

#ifndef _WIN32
// The folder `folder` as a disk that holds `bytes` more bytes, for the writes of this process through the
// host calls: a write beyond them writes what still fits and then fails as on a full disk (ENOSPC). Files
// elsewhere are written as usual. No mount needed.
class FullDiskAfter {
public:
    FullDiskAfter(const std::filesystem::path& folder, std::size_t bytes);
    FullDiskAfter(const FullDiskAfter&) = delete;
    FullDiskAfter& operator=(const FullDiskAfter&) = delete;
    ~FullDiskAfter();
};
#endif

} // namespace courseeval::testing
