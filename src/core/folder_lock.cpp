#include "core/folder_lock.h"

#include "core/file_error.h"

namespace courseeval {

namespace {

RunError folderInUse(const std::string& folder) {
    return RunError("another run is using " + folder);
}

} // namespace

FolderLock::FolderLock(const std::string& folder, const std::string& logPath, std::string logName)
    : folder_(HostFile::openFolder(folder)), logName_(std::move(logName)) {
    // The folder's own lock keeps a second run out even when the log is removed under the first; where
    // the folder cannot be locked (not on every network file system), the log's lock stands alone.
    if (folder_.isOpen() && folder_.lock() == HostFile::Lock::heldElsewhere) {
        throw folderInUse(folder);
    }
    log_ = HostFile::openToWrite(logPath, 0666);
    logStatus_ = log_.status();
    // A file system without locks at all leaves the run unlocked: refusing every run there would leave its
    // users without the tool.
    if (log_.lock() == HostFile::Lock::heldElsewhere) {
        throw folderInUse(folder);
    }
    requireLogStillLocked();
    log_.truncate();
}

OutputFile FolderLock::openLog() const {
    return {log_.duplicate(), logName_};
}

void FolderLock::release() {
    requireLogStillLocked();
    log_.close();
    folder_ = HostFile();
}

void FolderLock::requireLogStillLocked() const {
    const std::optional<FileStatus> named = host::statusOfName(log_.path());
    if (!named || !named->sameFileAs(logStatus_)) {
        throw fileError("lost the lock on", log_.path(),
                        "the file was removed or replaced while the run held it, so another run may have "
                        "written the folder");
    }
}

} // namespace courseeval
