#include "core/host_folder.h"

#include "core/run_error.h"

#include <algorithm>
#include <utility>

namespace courseeval {

std::string hostFolderName(std::string_view folderPath) {
    std::string name(folderPath);
#ifndef _WIN32
    std::replace(name.begin(), name.end(), '\\', '/');
#endif
    return name;
}

HostFolder::HostFolder(std::string path, std::intptr_t native) : path_(std::move(path)), native_(native) {}

HostFolder::HostFolder(HostFolder&& other) noexcept
    : path_(std::move(other.path_)), native_(std::exchange(other.native_, -1)),
      locked_(std::exchange(other.locked_, false)), wide_(std::move(other.wide_)) {}

HostFolder& HostFolder::operator=(HostFolder&& other) noexcept {
    if (this != &other) {
        HostFolder old(std::move(*this));
        path_ = std::move(other.path_);
        native_ = std::exchange(other.native_, -1);
        locked_ = std::exchange(other.locked_, false);
        wide_ = std::move(other.wide_);
    }
    return *this;
}

std::string HostFolder::pathOf(std::string_view name) const {
    return std::string(path_).append(name);
}

HostFile HostFolder::openToWrite(std::string_view name, unsigned permissions) const {
    return writableRegularFile(openForWriting(name, permissions, Creation::allowed));
}

HostFile HostFolder::openExistingToWrite(std::string_view name) const {
    HostFile file = openForWriting(name, 0, Creation::never);
    return file.isOpen() ? writableRegularFile(std::move(file)) : std::move(file);
}

void HostFolder::refuseWhatStands(std::string_view name, std::string_view what,
                                  const std::string& path) const {
    if (const std::optional<FileStatus> standing = statusOf(name); standing) {
        if (const Refusal kind = notARegularFile(standing->kind)) {
            throw fileError(what, path, *kind);
        }
    }
}

HostFile HostFolder::writableRegularFile(HostFile file) {
    const FileStatus status = file.status();
    if (const Refusal kind = notARegularFile(status.kind)) {
        throw fileError("cannot create", file.path(), *kind);
    }
    // Writing a file with other names would change it under those too, wherever they stand.
    if (const Refusal otherNames = hasOtherNames(status.links)) {
        throw fileError("cannot create", file.path(), *otherNames);
    }
    return file;
}

HostFile HostFolder::createNew(std::string_view name) const {
    constexpr unsigned ownerReadWrite = 0600;
    return openForWriting(name, ownerReadWrite, Creation::onlyNew);
}

} // namespace courseeval
