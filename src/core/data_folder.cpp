#include "core/data_folder.h"

#include "core/file_names.h"
#include "core/replacement_file.h"
#include "core/run_error.h"

#include <cerrno>

namespace courseeval {

namespace {

// Files the run creates may be read and written by all, within the umask, unless they show data.
constexpr unsigned defaultPermissions = 0666;
constexpr unsigned ownerReadWrite = 0600;

// The folder named by `folderPath`, opened.
HostFolder openFolder(const std::string& folderPath) {
    const std::string hostPath = hostFolderName(folderPath);
    // The system would stop at the NUL and name another folder.
    if (hostPath.find('\0') != std::string::npos) {
        throw fileError("cannot create", hostPath + std::string(actionLogFileName),
                        "file name holds a NUL character");
    }
    return HostFolder::open(hostPath, folderPath);
}

} // namespace

DataFolder::DataFolder(std::string folderPath)
    : folderPath_(std::move(folderPath)), folder_(openFolder(folderPath_)) {}

FolderLock DataFolder::lock() {
    FolderLock lock(folder_.duplicate(), actionLogFileName, logNameOf(actionLogFileName));
    lockedLog_ = lock.logStatus();
    return lock;
}

void DataFolder::requireLock() const {
    if (lockedLog_) {
        requireLogStillLocked(folder_, actionLogFileName, *lockedLog_);
    }
}

InputFile DataFolder::openEvaluationFile() {
    const std::string path = folder_.pathOf(evaluationFileName);
    HostFolder::Reached named = folder_.follow(evaluationFileName, "cannot open");
    if (!named.status) {
        throw fileError("cannot open", path, ENOENT);
    }
    if (const Refusal kind = notARegularFile(named.status->kind)) {
        throw fileError("cannot read", path, *kind);
    }
    HostFile file = named.folder.openToRead(named.name, path);
    const FileStatus status = file.status();
    if (!status.sameFileAs(*named.status)) {
        throw fileError("cannot open", path, "the file was replaced while it was opened");
    }
    if (const Refusal tooLarge = tooLargeToRead(status.stamp.size)) {
        throw fileError("cannot read", path, *tooLarge);
    }
    evaluationAccess_ = file.access(status);
    return {std::move(file), status, logNameOf(evaluationFileName), folder_, evaluationFileName};
}

OutputFile DataFolder::create(std::string_view fileName) const {
    requireLock();
    if (evaluationAccess_) {
        return createDerived(fileName, *evaluationAccess_);
    }
    HostFile file = folder_.openToWrite(fileName, defaultPermissions);
    file.truncate();
    return {std::move(file), logNameOf(fileName)};
}

OutputFile DataFolder::createDerived(std::string_view fileName, const FileAccess& source) const {
    // A new file gets the evaluation file's group where the user may give it that, and the evaluation
    // file's access for the group it has: its access list, or its read and write bits within the umask and
    // no entries beyond them (none inherited from the folder's default list, say).
    const auto derived = [&](HostFile file) -> OutputFile {
        std::uint32_t group = file.status().group;
        if (group != source.group && file.giveGroup(source.group)) {
            group = source.group;
        }
        FileAccess access = accessFor(source, group);
        if (access.extendedEntries.empty()) {
            access.permissions &= defaultPermissions & ~fileCreationMask();
        }
        file.setAccess(access);
        return {std::move(file), logNameOf(fileName)};
    };
    HostFile file = folder_.openExistingToWrite(fileName);
    if (!file.isOpen()) {
        if (file = folder_.createNew(fileName); file.isOpen()) {
            return derived(std::move(file));
        }
        // Another program put a file at the name meanwhile.
        file = folder_.openToWrite(fileName, ownerReadWrite);
    }
    // A file created by an earlier run, or by someone else, may be more readable than this run's data.
    const FileStatus status = file.status();
    switch (readersOf(file.access(status), source, currentUser())) {
    case Readers::within:
        file.truncate();
        return {std::move(file), logNameOf(fileName)};
    case Readers::ownerBeyond:
        throw fileError("cannot create", file.path(),
                        "belongs to user " + std::to_string(status.owner) +
                            ", who may not read the evaluation file it would show");
    case Readers::othersBeyond:
        break;
    }
    // Narrowing it would not close it to those who hold it open already: a new file takes its place.
    if (status.owner != currentUser()) {
        throw fileError("cannot create", file.path(),
                        "may be read by users who may not read the evaluation file, and its permissions "
                        "cannot be narrowed");
    }
    file = HostFile();
    if (const std::string cause = folder_.remove(fileName); !cause.empty()) {
        throw fileError("cannot create", folder_.pathOf(fileName), cause);
    }
    file = folder_.createNew(fileName);
    if (!file.isOpen()) {
        throw fileError("cannot create", folder_.pathOf(fileName),
                        "another program put a file at this name meanwhile");
    }
    return derived(std::move(file));
}

void DataFolder::replaceEvaluationFile(std::string_view content) const {
    requireLock();
    ReplacementFile replacement(folder_, evaluationFileName, folder_.pathOf(evaluationFileName));
    replacement.commit(content);
}

std::string DataFolder::logNameOf(std::string_view fileName) const {
    return std::string(folderPath_).append(fileName);
}

} // namespace courseeval
