#pragma once

#include <filesystem>

namespace courseeval::testing {

// A file system of its own, `kib` KiB in size, mounted at the folder `path` (created when missing), so that
// a disk can really fill up. Mounting needs root; where it cannot be done (or on Windows) mounted() is
// false and the caller skips.
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

} // namespace courseeval::testing
