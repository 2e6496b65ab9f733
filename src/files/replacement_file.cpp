#include "files/replacement_file.h"

#include "files/file_rules.h"
#include "files/interruptions.h"

#include <chrono>
#include <new>
#include <random>
#include <thread>

namespace courseeval {

namespace {

constexpr int nameAttempts = 100;
// Another program (an antivirus scanner, an indexer, a sync client) may hold a file for a moment.
constexpr int freeFileAttempts = 20;
constexpr std::chrono::milliseconds freeFileRetry{100};

std::uint64_t randomNumber() {
    std::random_device entropy;
    return (std::uint64_t{entropy()} << 32) ^ entropy();
}

} // namespace

std::error_code giveAccess(const Handle& file, std::uint32_t group, const FileAccess& source,
                           std::optional<unsigned> creationMask) {
    // Owner and group first: changing them may clear the set-user-ID and set-group-ID bits. Only root may
    // give a file away; a member of the source's group may still give it that group.
    const bool given = (!creationMask && !host::setOwner(file, source.owner, source.group)) ||
                       (group != source.group && !host::setOwner(file, std::nullopt, source.group));
    if (given) {
        group = source.group;
    }
    return host::setAccess(file, accessToGive(source, group, creationMask));
}

ReplacementFile::ReplacementFile(const Handle& folder, std::string folderShown, std::string_view name,
                                 std::string shown, bool removeLeftovers)
    : folder_(&folder), folderShown_(std::move(folderShown)), target_(name), shown_(std::move(shown)) {
    if (removeLeftovers) {
        // The user's own regular files of exactly the temporary name's form: the folder is locked, so none
        // of them belongs to a run still going on. A folder that cannot be listed has none to give.
        const ErrorOr<std::vector<std::string>> names = host::list(folder);
        for (const std::string& candidate : names ? *names : std::vector<std::string>()) {
            if (!isTemporaryNameOf(candidate, target_)) {
                continue;
            }
            const ErrorOr<FileStatus> status = host::statusAt(folder, candidate);
            if (status && status->kind == FileKind::regular && status->owner == host::currentUser()) {
                require(host::remove(folder, candidate), "cannot remove the leftover of an interrupted run",
                        pathOf(candidate));
            }
        }
    }
    create();
}

ReplacementFile::~ReplacementFile() {
    discard();
}

void ReplacementFile::create() {
    // Held back from the creation until the file is registered, an interruption cannot leave it behind.
    const InterruptionsHeld held;
    const OpenRequest request{OpenRequest::Access::writing, OpenRequest::Creation::temporary};
    for (int attempt = 0; attempt < nameAttempts && !file_.isOpen(); ++attempt) {
        name_ = temporaryNameOf(target_, randomNumber());
        ErrorOr<Handle> created = host::open(*folder_, name_, request);
        if (created) {
            file_ = std::move(*created);
        } else if (created.error() != std::errc::file_exists) {
            throw hostError("cannot create", shown_, created.error());
        }
    }
    if (!file_.isOpen()) {
        throw fileError("cannot create", shown_, "no free name for a new file beside it");
    }
    const ErrorOr<FileStatus> status = host::status(file_);
    if (!status) {
        file_ = Handle();
        host::remove(*folder_, name_);
        throw hostError("cannot create", shown_, status.error());
    }
    status_ = *status;
    pending_ = true;
    removeOnInterruption(*folder_, name_, status_, pathOf(name_));
}

void ReplacementFile::commit(std::string_view content, const std::optional<FileStatus>& old,
                             const Prepare& prepare) {
    try {
        require(host::write(file_, &content, 1), "cannot write to", shown_);
        // Only the complete file is given to others: while it was written, nobody else could open it.
        prepare(file_, status_);
        require(host::sync(file_), "cannot write to", shown_);
        require(host::close(file_), "cannot close", shown_);
        place(old);
    } catch (const RunError& error) {
        if (const std::error_code cause = discard()) {
            throw RunError(std::string(error.what()) + "; the unfinished new file '" + pathOf(name_) +
                           "' could not be removed: " + host::cause(pathOf(name_), cause));
        }
        throw;
    }
    pending_ = false;
    keepOnInterruption();
}

RunError ReplacementFile::changedMeanwhile() const {
    return fileError("cannot replace", shown_,
                     "the file was changed by another program meanwhile, so nothing was replaced");
}

RunError ReplacementFile::replacedBut(std::string_view failure) const {
    return RunError("'" + shown_ + "' was replaced, but " + std::string(failure));
}

void ReplacementFile::place(const std::optional<FileStatus>& old) const {
    const Handle& folder = *folder_;
    std::string oldName;
    std::error_code removeError;
    {
        // From the first rename until the new file is in place or put back, and the old one gone, an
        // interruption waits: meanwhile the names may hold files that are not this run's to leave.
        const InterruptionsHeld held;
        if (old) {
            oldName = replaceOld(*old);
        } else if (const std::error_code error = host::rename(folder, name_, target_, RenameMode::noReplace);
                   error == std::errc::not_supported) {
            checkThenReplace(old);
        } else if (error == std::errc::file_exists) {
            throw changedMeanwhile();
        } else if (error) {
            throw hostError("cannot replace", shown_, error);
        }
        // The old file goes.
        if (!oldName.empty()) {
            removeError = host::remove(folder, oldName);
        }
    }
    const bool oldLeft = removeError && removeError != std::errc::no_such_file_or_directory;
    // The new file takes the old one's attributes (Windows: hidden, say), and is no longer hidden itself.
    if (const std::error_code error = host::setAttributes(folder, target_, old ? old->attributes : 0);
        error && !oldLeft) {
        throw replacedBut("its attributes could not be set: " + host::cause(shown_, error));
    }
    // The new name is made durable too; the file itself already is. A folder the user may not read cannot
    // be synced (it is open only as a place for names), and some file systems cannot sync a folder: the
    // rename is then as durable as the file system makes it.
    if (const std::error_code error = host::sync(folder); error && error != std::errc::bad_file_descriptor &&
                                                          error != std::errc::invalid_argument && !oldLeft) {
        throw replacedBut("the folder could not be synced (" + host::cause(shown_, error) +
                          "), so the replacement may not survive a power failure");
    }
    if (oldLeft) {
        throw replacedBut("the old file is left as '" + pathOf(oldName) +
                          "': " + host::cause(pathOf(oldName), removeError));
    }
}

std::string ReplacementFile::replaceOld(const FileStatus& old) const {
    const Handle& folder = *folder_;
    // The one step is an exchange of the two names, so that a file another program put at the name
    // meanwhile is found, put back and kept.
    const std::error_code error = host::rename(folder, name_, target_, RenameMode::exchange);
    if (error == std::errc::not_supported) {
        return moveAsideAndReplace(old);
    }
    if (error == std::errc::file_exists || error == std::errc::no_such_file_or_directory) {
        throw changedMeanwhile();
    }
    if (error) {
        throw hostError("cannot replace", shown_, error);
    }
    if (const ErrorOr<FileStatus> replaced = host::statusAt(folder, name_);
        !replaced || !replaced->sameFileAs(old)) {
        if (const std::error_code back = host::rename(folder, name_, target_, RenameMode::exchange)) {
            throw replacedBut("the file another program saved there meanwhile is now '" + pathOf(name_) +
                              "': " + host::cause(pathOf(name_), back));
        }
        throw changedMeanwhile();
    }
    return name_;
}

std::string ReplacementFile::moveAsideAndReplace(const FileStatus& old) const {
    const Handle& folder = *folder_;
    // Without an exchange (NFS, SMB, Windows) the old file goes aside first, in one step, as whatever
    // stands at the name then; only when it is the old file does the new one take the name, and only while
    // the name is free: a co-worker's save, before or after, stays.
    std::string aside = temporaryNameOf(target_, randomNumber());
    for (int attempt = 1;; ++attempt) {
        const std::error_code error = host::rename(folder, target_, aside, RenameMode::noReplace);
        if (!error) {
            break;
        }
        if (error == std::errc::not_supported) {
            checkThenReplace(old);
            return {};
        }
        if (error == std::errc::no_such_file_or_directory) {
            throw changedMeanwhile();
        }
        // Another program (an antivirus scanner, an indexer, a sync client) may hold a file for a moment.
        if (error != std::errc::device_or_resource_busy) {
            throw hostError("cannot replace", shown_, error);
        }
        if (attempt == freeFileAttempts) {
            throw fileError("cannot replace", shown_, "the file is in use by another program");
        }
        std::this_thread::sleep_for(freeFileRetry);
    }
    if (const ErrorOr<FileStatus> moved = host::statusAt(folder, aside); !moved || !moved->sameFileAs(old)) {
        // Another program's save went aside: it goes back, and stays.
        if (const std::error_code back = host::rename(folder, aside, target_, RenameMode::noReplace)) {
            throw fileError(
                "cannot replace", shown_,
                "the file was changed by another program meanwhile, so nothing was replaced; what "
                "it saved is now '" +
                    pathOf(aside) + "': " + host::cause(pathOf(aside), back));
        }
        throw changedMeanwhile();
    }
    const std::error_code placed = host::rename(folder, name_, target_, RenameMode::noReplace);
    if (placed == std::errc::file_exists) {
        // Another program saved at the name once the old file was aside: its save stands, and the old file,
        // which it took the place of, goes.
        host::remove(folder, aside);
        throw changedMeanwhile();
    }
    if (placed) {
        host::rename(folder, aside, target_, RenameMode::noReplace);
        throw hostError("cannot replace", shown_, placed);
    }
    return aside;
}

void ReplacementFile::checkThenReplace(const std::optional<FileStatus>& old) const {
    // A file system that can neither exchange names nor refuse to take a name: the name is checked, then
    // replaced (a save in between is lost, as the README says).
    const ErrorOr<FileStatus> standing = host::statusAt(*folder_, target_);
    if (old ? !standing || !standing->sameFileAs(*old)
            : standing.error() != std::errc::no_such_file_or_directory) {
        throw changedMeanwhile();
    }
    if (const std::error_code error = host::rename(*folder_, name_, target_, RenameMode::replace)) {
        throw hostError("cannot replace", shown_, error);
    }
}

std::error_code ReplacementFile::discard() noexcept {
    file_ = Handle();
    std::error_code failed;
    if (pending_) {
        try {
            // Only this run's own file: another program's may stand at the name by now.
            if (const ErrorOr<FileStatus> standing = host::statusAt(*folder_, name_);
                standing && standing->sameFileAs(status_)) {
                failed = host::remove(*folder_, name_);
            }
        } catch (const std::bad_alloc&) {
            failed = std::make_error_code(std::errc::not_enough_memory);
        }
        pending_ = false;
        keepOnInterruption();
    }
    return failed;
}

} // namespace courseeval
