#include "core/data_folder.h"

#include "core/file_error.h"
#include "core/file_names.h"
#include "core/host_path.h"
#include "core/replacement_file.h"

namespace courseeval {

namespace {

// Files the run creates may be read and written by all, within the umask, unless they show data.
constexpr unsigned defaultPermissions = 0666;

} // namespace

DataFolder::DataFolder(std::string folderPath) : folderPath_(std::move(folderPath)) {}

FolderLock DataFolder::lock() const {
    const std::string logPath = hostPathOf(actionLogFileName, "cannot create");
    host::requireUsableFolder(hostPath(folderPath_, ""), folderPath_);
    return {hostPath(folderPath_, ""), logPath, logNameOf(actionLogFileName)};
}

InputFile DataFolder::openEvaluationFile() {
    const std::string path = hostPathOf(evaluationFileName, "cannot open");
    HostFile file = HostFile::openToRead(path);
    const FileStatus status = file.status();
    if (const std::string tooLarge = tooLargeToRead(status.stamp.size); !tooLarge.empty()) {
        throw fileError("cannot read", path, tooLarge);
    }
    evaluationFile_ = status;
    return {std::move(file), status.stamp, logNameOf(evaluationFileName)};
}

OutputFile DataFolder::create(std::string_view fileName) const {
    const std::string path = hostPathOf(fileName, "cannot create");
    const unsigned source = evaluationFile_ ? evaluationFile_->permissions : defaultPermissions;
    HostFile file = HostFile::openToWrite(path, source & defaultPermissions);
    if (evaluationFile_) {
        const FileStatus status = file.status();
        // A file created by an earlier run, or by someone else, may be more readable than this run's data.
        if (!mayHoldDerivedData(status.owner, host::currentUser(), source)) {
            throw fileError("cannot create", path,
                            "belongs to user " + std::to_string(status.owner) +
                                ", who may not read the evaluation file it would show");
        }
        const unsigned beyond = readPermissionsBeyond(status.permissions, source);
        if (beyond != 0 && !file.setPermissions(status.permissions & ~beyond)) {
            throw fileError("cannot create", path,
                            "may be read by users who may not read the evaluation file, and its permissions "
                            "cannot be narrowed");
        }
    }
    file.truncate();
    return {std::move(file), logNameOf(fileName)};
}

void DataFolder::replaceEvaluationFile(const std::function<void(OutputFile&)>& writeContent) const {
    replaceWhole(hostPathOf(evaluationFileName, "cannot create"), writeContent);
}

std::string DataFolder::hostPathOf(std::string_view fileName, std::string_view what) const {
    std::string path = hostPath(folderPath_, fileName);
    // The system would stop at the NUL and name another file.
    if (path.find('\0') != std::string::npos) {
        throw fileError(what, path, "file name holds a NUL character");
    }
    return path;
}

std::string DataFolder::logNameOf(std::string_view fileName) const {
    return std::string(folderPath_).append(fileName);
}

} // namespace courseeval
