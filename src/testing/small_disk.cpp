#include "testing/small_disk.h"

#include <string>

#ifndef _WIN32
#include <sys/mount.h>
#endif

namespace courseeval::testing {

SmallDisk::SmallDisk(const std::filesystem::path& path, int kib) : path_(path) {
    std::filesystem::create_directories(path_);
#ifndef _WIN32
    const std::string size = "size=" + std::to_string(kib) + "k";
    mounted_ = mount("tmpfs", path_.c_str(), "tmpfs", 0, size.c_str()) == 0;
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
