#include "core/host_file.h"

#include "core/file_error.h"

#include <utility>

namespace courseeval {

HostFile::HostFile(HostFile&& other) noexcept
    : path_(std::move(other.path_)), native_(std::exchange(other.native_, closedNative)),
      locked_(std::exchange(other.locked_, false)) {}

HostFile& HostFile::operator=(HostFile&& other) noexcept {
    if (this != &other) {
        if (isOpen()) {
            closeQuietly(native_, locked_);
        }
        path_ = std::move(other.path_);
        native_ = std::exchange(other.native_, closedNative);
        locked_ = std::exchange(other.locked_, false);
    }
    return *this;
}

HostFile HostFile::openToWrite(const std::string& path, unsigned permissions) {
    HostFile file = openForWriting(path, permissions);
    const FileStatus status = file.status();
    if (const std::string kind = notARegularFile(status.kind); !kind.empty()) {
        throw fileError("cannot create", path, kind);
    }
    // Writing a file with other names would change it under those too, wherever they stand.
    if (const std::string otherNames = hasOtherNames(status.links); !otherNames.empty()) {
        throw fileError("cannot create", path, otherNames);
    }
    return file;
}

HostFile::~HostFile() {
    if (isOpen()) {
        closeQuietly(native_, locked_);
    }
}

} // namespace courseeval
