#include "core/host_folder.h"

#include <new>
#include <utility>

namespace courseeval {

HostFolder::HostFolder(std::string path, std::intptr_t native) : path_(std::move(path)), native_(native) {}

HostFolder::HostFolder(HostFolder&& other) noexcept
    : path_(std::move(other.path_)), native_(std::exchange(other.native_, -1)),
      locked_(std::exchange(other.locked_, false)), wide_(std::move(other.wide_)) {}

std::string HostFolder::pathOf(std::string_view name) const {
    return std::string(path_).append(name);
}

HostResult<HostFolder::Opened> HostFolder::openFile(std::string_view name, const OpenRequest& request) const {
    HostResult<HostFile> opened = openHere(name, request);
    if (!opened) {
        // What stands there is named when it is no regular file, so that the error says what it is.
        if (const std::optional<FileStatus> standing = statusOf(name)) {
            if (const Refusal kind = notARegularFile(standing->kind)) {
                return HostFailure(*kind);
            }
        }
        return opened.failure();
    }
    if (!opened->isOpen()) {
        return Opened{};
    }
    const HostResult<FileStatus> status = opened->status();
    if (!status) {
        // A temporary file is not left behind.
        if (request.creation == OpenRequest::Creation::temporary) {
            *opened = HostFile();
            remove(name);
        }
        return status.failure();
    }
    Refusal refused = notARegularFile(status->kind);
    if (!refused && request.access == OpenRequest::Access::writing) {
        // Writing a file with other names would change it under those too, wherever they stand.
        refused = hasOtherNames(status->links);
    }
    if (refused) {
        return HostFailure(*refused);
    }
    return Opened{std::move(*opened), *status};
}

TemporaryFile::TemporaryFile(const HostFolder& folder, std::string name, HostFile opened)
    : file(std::move(opened)), folder_(&folder), name_(std::move(name)) {}

HostResult<TemporaryFile> TemporaryFile::createUnregistered(const HostFolder& folder, std::string name) {
    HostResult<HostFolder::Opened> opened = folder.openFile(
        name, {OpenRequest::Access::writing, OpenRequest::Creation::temporary, privateFilePermissions});
    if (!opened) {
        return opened.failure();
    }
    TemporaryFile created(folder, std::move(name), std::move(opened->file));
    created.status_ = opened->status;
    created.pending_ = created.file.isOpen();
    return created;
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : file(std::move(other.file)), folder_(other.folder_), name_(std::move(other.name_)),
      status_(other.status_), pending_(std::exchange(other.pending_, false)) {}

TemporaryFile::~TemporaryFile() {
    discard();
}

std::error_code TemporaryFile::discard() noexcept {
    file = HostFile();
    std::error_code failed;
    if (pending_) {
        try {
            // Only this run's own file: another program's may stand at the name by now.
            if (const std::optional<FileStatus> standing = folder_->statusOf(name_);
                standing && standing->sameFileAs(status_)) {
                failed = folder_->remove(name_);
            }
        } catch (const std::bad_alloc&) {
            failed = std::make_error_code(std::errc::not_enough_memory);
        }
        keep();
    }
    return failed;
}

} // namespace courseeval
