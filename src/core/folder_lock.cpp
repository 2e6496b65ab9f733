#include "core/folder_lock.h"

#include "core/run_error.h"

namespace courseeval {

namespace {

RunError folderInUse(const std::string& folder) {
    return RunError("another run is using " + folder);
}

constexpr std::string_view replacedLog =
    "the file was removed or replaced while the run held it, so another run may have written the folder";

} // namespace

FolderLock::FolderLock(HostFolder& folder, std::string_view logFileName, const std::string& path,
                       std::string logName)
    : folder_(&folder), logFileName_(logFileName), log_(lockLog(path), path, std::move(logName)) {}

HostFile FolderLock::lockLog(const std::string& path) {
    // The folder's own lock keeps a second run out even when the log is removed under the first; where
    // the folder cannot be locked (not on every network file system), the log's lock stands alone.
    if (folder_->lock() == HostFile::Lock::heldElsewhere) {
        throw folderInUse(folder_->pathOf(""));
    }
    HostFolder::Opened log = valueOf(
        folder_->openFile(logFileName_, {OpenRequest::Access::writing, OpenRequest::Creation::either}),
        "cannot create", path);
    logStatus_ = log.status;
    // A file system without locks at all leaves the run unlocked: refusing every run there would leave its
    // users without the tool.
    if (log.file.lock() == HostFile::Lock::heldElsewhere) {
        throw folderInUse(folder_->pathOf(""));
    }
    requireLogStillLocked(*folder_, logFileName_, logStatus_);
    require(log.file.truncate(), "cannot create", path);
    return std::move(log.file);
}

void FolderLock::release(std::string_view written) {
    requireLogStillLocked(*folder_, logFileName_, logStatus_);
    // Read back through the server, as another client would read it: a run that another client let in
    // meanwhile has written the log too.
    auto [log, status] = valueOf(folder_->openFile(logFileName_, {}), "cannot open", log_.path());
    if (!log.isOpen() || !status.sameFileAs(logStatus_)) {
        lost(replacedLog);
    }
    std::string held(written.size() + 1, '\0');
    std::size_t size = 0;
    while (size < held.size()) {
        const std::size_t count =
            valueOf(log.readSome(held.data() + size, held.size() - size), "cannot read", log_.path());
        if (count == 0) {
            break;
        }
        size += count;
    }
    require(log.close(), "cannot close", log_.path());
    if (std::string_view(held.data(), size) != written) {
        lost("the file holds what this run did not write, so another run has written the folder meanwhile");
    }
    log_.close();
    folder_->unlock();
}

void requireLogStillLocked(const HostFolder& folder, std::string_view logFileName, const FileStatus& locked) {
    const std::optional<FileStatus> named = folder.statusOf(logFileName);
    if (!named || !named->sameFileAs(locked)) {
        throw fileError("lost the lock on", folder.pathOf(logFileName), replacedLog);
    }
}

void FolderLock::lost(std::string_view cause) const {
    throw fileError("lost the lock on", log_.path(), cause);
}

} // namespace courseeval
