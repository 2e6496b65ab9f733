#include "core/data_folder.h"

#include "core/file_names.h"
#include "core/replacement_file.h"
#include "core/run_error.h"

#include <system_error>

namespace courseeval {

namespace {

using Access = OpenRequest::Access;
using Creation = OpenRequest::Creation;

// The folder named by `folderPath`, opened.
HostFolder openFolder(const std::string& folderPath) {
    constexpr std::string_view what = "cannot use the folder";
    const std::string hostPath = hostFolderName(folderPath);
    // The system would stop at the NUL and name another folder.
    if (hostPath.find('\0') != std::string::npos) {
        throw fileError("cannot create", hostPath + std::string(actionLogFileName),
                        "file name holds a NUL character");
    }
    HostResult<HostFolder> opened = HostFolder::open(hostPath);
    if (!opened) {
        const HostFailure& failure = opened.failure();
        if (!failure.at.empty()) {
            throw fileError(what, folderPath, "'" + failure.at + "' " + failure.refusal);
        }
        throw fileError(what, folderPath, failure);
    }
    // What the user named is the folder, not its files: say what to do. The installed example data, in a
    // read-only folder, are where newcomers meet this.
    if (const std::error_code error = opened->whyNotWritable()) {
        throw fileError(what, folderPath,
                        hostCause(folderPath, error)
                            .append("; a run writes its files into the data folder, so it needs one you may "
                                    "write (copy the data into a folder of your own)"));
    }
    return std::move(*opened);
}

} // namespace

DataFolder::DataFolder(std::string folderPath)
    : folderPath_(std::move(folderPath)), folder_(openFolder(folderPath_)) {}

FolderLock DataFolder::lock() {
    FolderLock lock(folder_, actionLogFileName, pathOf(actionLogFileName), logNameOf(actionLogFileName));
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
    const HostFolder::Reached named = valueOf(folder_.follow(evaluationFileName), "cannot open", path);
    if (!named.status) {
        throw fileError("cannot open", path, std::make_error_code(std::errc::no_such_file_or_directory));
    }
    if (const Refusal kind = notARegularFile(named.status->kind)) {
        throw fileError("cannot read", path, *kind);
    }
    HostResult<HostFolder::Opened> opened = named.folder().openFile(named.name, {});
    if (!opened) {
        // A refusal says what stands there instead of a file to read.
        throw fileError(opened.failure().refusal.empty() ? "cannot open" : "cannot read", path,
                        opened.failure());
    }
    auto& [file, status] = *opened;
    if (!file.isOpen()) {
        throw fileError("cannot open", path, std::make_error_code(std::errc::no_such_file_or_directory));
    }
    if (!status.sameFileAs(*named.status)) {
        throw fileError("cannot open", path, "the file was replaced while it was opened");
    }
    if (const Refusal tooLarge = tooLargeToRead(status.stamp.size)) {
        throw fileError("cannot read", path, *tooLarge);
    }
    evaluationAccess_ = valueOf(file.access(status), "cannot read", path);
    return {std::move(file), status, path, logNameOf(evaluationFileName), folder_, evaluationFileName};
}

HostFolder::Opened DataFolder::openToWrite(std::string_view fileName, Creation creation,
                                           unsigned permissions) const {
    return valueOf(folder_.openFile(fileName, {Access::writing, creation, permissions}), "cannot create",
                   pathOf(fileName));
}

OutputFile DataFolder::create(std::string_view fileName) const {
    requireLock();
    if (evaluationAccess_) {
        return createDerived(fileName, *evaluationAccess_);
    }
    HostFile file = openToWrite(fileName, Creation::either, sharedFilePermissions).file;
    require(file.truncate(), "cannot create", pathOf(fileName));
    return {std::move(file), pathOf(fileName), logNameOf(fileName)};
}

OutputFile DataFolder::createDerived(std::string_view fileName, const FileAccess& source) const {
    const std::string path = pathOf(fileName);
    // A new file gets the evaluation file's group where the user may give it that, and the evaluation
    // file's access for the group it has: its access list, or its read and write bits within the umask and
    // no entries beyond them (none inherited from the folder's default list, say).
    const auto derived = [&](HostFolder::Opened created) -> OutputFile {
        std::uint32_t group = created.status.group;
        if (group != source.group && created.file.giveGroup(source.group)) {
            group = source.group;
        }
        FileAccess access = accessFor(source, group);
        if (access.extendedEntries.empty()) {
            access.permissions &= sharedFilePermissions & ~fileCreationMask();
        }
        require(created.file.setAccess(access), "cannot create", path);
        return {std::move(created.file), path, logNameOf(fileName)};
    };
    HostFolder::Opened opened = openToWrite(fileName, Creation::existing, 0);
    if (!opened.file.isOpen()) {
        if (opened = openToWrite(fileName, Creation::newOnly, privateFilePermissions); opened.file.isOpen()) {
            return derived(std::move(opened));
        }
        // Another program put a file at the name meanwhile.
        opened = openToWrite(fileName, Creation::either, privateFilePermissions);
    }
    // A file created by an earlier run, or by someone else, may be more readable than this run's data.
    auto& [file, status] = opened;
    switch (readersOf(valueOf(file.access(status), "cannot read", path), source, currentUser())) {
    case Readers::within:
        require(file.truncate(), "cannot create", path);
        return {std::move(file), path, logNameOf(fileName)};
    case Readers::ownerBeyond:
        throw fileError("cannot create", path,
                        "belongs to user " + std::to_string(status.owner) +
                            ", who may not read the evaluation file it would show");
    case Readers::othersBeyond:
        break;
    }
    // Narrowing it would not close it to those who hold it open already: a new file takes its place.
    if (status.owner != currentUser()) {
        throw fileError("cannot create", path,
                        "may be read by users who may not read the evaluation file, and its permissions "
                        "cannot be narrowed");
    }
    file = HostFile();
    require(folder_.remove(fileName), "cannot create", path);
    opened = openToWrite(fileName, Creation::newOnly, privateFilePermissions);
    if (!opened.file.isOpen()) {
        throw fileError("cannot create", path, "another program put a file at this name meanwhile");
    }
    return derived(std::move(opened));
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
