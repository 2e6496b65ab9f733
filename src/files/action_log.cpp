#include "files/action_log.h"

#include "common/host_text.h"
#include "files/file_rules.h"

namespace courseeval {

namespace {

constexpr std::string_view replacedLog =
    "the file was removed or replaced while the run held it, so another run may have written the folder";

// Whether the file `name` of `folder` is still the file of status `status`.
bool stillNamed(const Handle& folder, std::string_view name, const FileStatus& status) {
    const ErrorOr<FileStatus> named = host::statusAt(folder, name);
    return named && named->sameFileAs(status);
}

// The log `log`, locked and then emptied once its name is found to name it.
Handle emptied(const Handle& folder, std::string_view name, Handle log, const FileStatus& status,
               const std::string& path) {
    if (!stillNamed(folder, name, status)) {
        throw fileError("lost the lock on", path, replacedLog);
    }
    require(host::truncate(log), "cannot create", path);
    return log;
}

} // namespace

ActionLog::ActionLog(const Handle& folder, Handle folderLock, std::string_view name, Handle log,
                     const FileStatus& status, const std::string& path, std::string logName)
    : folder_(&folder), folderLock_(std::move(folderLock)), name_(name), status_(status),
      file_(emptied(folder, name, std::move(log), status, path), path, std::move(logName)) {}

void ActionLog::logAction(std::string_view text) {
    // A folder named in the log reads as it always has, in the ANSI code page's bytes on Windows.
    const std::size_t start = written_.size();
    written_.append(storedBytes(text)).append("\r\n");
    file_.writePiece(std::string_view(written_).substr(start));
    file_.flush();
}

void ActionLog::logOpened(std::string_view logName, OpenedFor mode, int channel) {
    std::string entry(logName);
    entry.append(mode == OpenedFor::input ? " opened For Input As #" : " opened For Output As #")
        .append(std::to_string(channel));
    logAction(entry);
}

void ActionLog::requireHeld() const {
    if (!stillNamed(*folder_, name_, status_)) {
        lost(replacedLog);
    }
}

void ActionLog::release() {
    requireHeld();
    // Read back through the server, as another client would read it: a run that another client let in
    // meanwhile has written the log too.
    ErrorOr<Handle> readBack = host::open(*folder_, name_, {OpenRequest::Access::reading});
    if (!readBack && readBack.error() != std::errc::no_such_file_or_directory) {
        throw hostError("cannot open", file_.path(), readBack.error());
    }
    if (!readBack || !valueOf(host::status(*readBack), "cannot read", file_.path()).sameFileAs(status_)) {
        lost(replacedLog);
    }
    std::string held(written_.size() + 1, '\0');
    std::size_t size = 0;
    while (size < held.size()) {
        const std::size_t count = valueOf(host::read(*readBack, held.data() + size, held.size() - size),
                                          "cannot read", file_.path());
        if (count == 0) {
            break;
        }
        size += count;
    }
    require(host::close(*readBack), "cannot close", file_.path());
    if (std::string_view(held.data(), size) != written_) {
        lost("the file holds what this run did not write, so another run has written the folder meanwhile");
    }
    file_.close();
    folderLock_ = Handle();
}

void ActionLog::lost(std::string_view cause) const {
    throw fileError("lost the lock on", file_.path(), cause);
}

} // namespace courseeval
