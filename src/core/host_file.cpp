#include "core/host_file.h"

#include <utility>

namespace courseeval {

HostFile::HostFile(HostFile&& other) noexcept
    : native_(std::exchange(other.native_, closedNative)), locked_(std::exchange(other.locked_, false)) {}

HostFile& HostFile::operator=(HostFile&& other) noexcept {
    if (this != &other) {
        if (isOpen()) {
            closeQuietly(native_, locked_);
        }
        native_ = std::exchange(other.native_, closedNative);
        locked_ = std::exchange(other.locked_, false);
    }
    return *this;
}

HostFile::~HostFile() {
    if (isOpen()) {
        closeQuietly(native_, locked_);
    }
}

} // namespace courseeval
