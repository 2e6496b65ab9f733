#pragma once

#include <filesystem>

namespace courseeval::testing {

// Places at `path` a link to a device on which every write fails with "No space left on device", as on
// a full disk. Returns false where the host has no such device (Windows); the caller then skips.
inline bool placeFullDevice(const std::filesystem::path& path) {
#ifdef _WIN32
    (void)path;
    return false;
#else
    std::filesystem::create_symlink("/dev/full", path);
    return true;
#endif
}

} // namespace courseeval::testing
