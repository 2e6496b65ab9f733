#include "core/replacement_file.h"

#include "core/run_error.h"

#include <random>

namespace courseeval {

namespace {

constexpr int nameAttempts = 100;
// A new evaluation file may be read and written by all, within the umask, as any file the user creates.
constexpr unsigned newFilePermissions = 0666;

std::string randomLetters() {
    static constexpr std::string_view letters = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device entropy;
    std::uniform_int_distribution<std::size_t> pick(0, letters.size() - 1);
    std::string chosen;
    for (int letter = 0; letter < 6; ++letter) {
        chosen += letters[pick(entropy)];
    }
    return chosen;
}

} // namespace

ReplacementFile::ReplacementFile(const HostFolder& folder, std::string_view name, std::string shown)
    : target_(folder.follow(name, "cannot replace")), shown_(std::move(shown)) {
    if (target_.status) {
        const FileStatus& status = *target_.status;
        if (const Refusal kind = notARegularFile(status.kind)) {
            throw fileError("cannot replace", shown_, *kind);
        }
        // Its other names would go on naming the old content.
        if (const Refusal otherNames = hasOtherNames(status.links)) {
            throw fileError("cannot replace", shown_, *otherNames);
        }
        try {
            old_ = target_.folder.openToRead(target_.name, shown_);
        } catch (const RunError&) {
            // A file the user may write but not read: its permission bits are still kept.
        }
        if (old_.isOpen() && !old_.status().sameFileAs(status)) {
            throw fileError("cannot replace", shown_, "the file was replaced while it was opened");
        }
        if (const Refusal refused = target_.folder.whyNotReplaceable(target_.name, old_, status)) {
            throw fileError("cannot replace", shown_, *refused);
        }
    }
    // Leftovers are looked for only in the data folder itself, which this run has locked.
    if (target_.folder.sameFolderAs(folder)) {
        removeLeftovers(folder);
    }
    for (int attempt = 0; attempt < nameAttempts && !file_.isOpen(); ++attempt) {
        temporaryName_ = temporaryNameOf(target_.name, randomLetters());
        file_ = target_.folder.createTemporary(temporaryName_, shown_);
    }
    if (!file_.isOpen()) {
        temporaryName_.clear();
        throw fileError("cannot create", shown_, "no free name for a new file beside it");
    }
    written_ = file_.status();
}

ReplacementFile::~ReplacementFile() {
    if (!temporaryName_.empty()) {
        discard();
    }
}

void ReplacementFile::commit(std::string_view content) {
    try {
        file_.writeAll(content.data(), content.size());
        // Only the complete file is given to others: while it was written, nobody else could open it.
        if (target_.status) {
            const FileStatus& oldStatus = *target_.status;
            file_.takeOwnershipFrom(old_, oldStatus);
            // Where the old file's group could not be kept, the group the new one has instead must not
            // read what the old group read.
            const FileAccess oldAccess =
                old_.isOpen() ? old_.access(oldStatus)
                              : FileAccess{oldStatus.owner, oldStatus.group, oldStatus.permissions, {}};
            const FileStatus given = file_.status();
            if (readersOf(file_.access(given), oldAccess, currentUser()) != Readers::within) {
                file_.setAccess(accessFor(oldAccess, given.group));
            }
        } else {
            file_.setPermissions(newFilePermissions & ~fileCreationMask());
        }
        // Nothing of the run may hold the old file open while it is replaced (Windows would refuse).
        old_ = HostFile();
        file_.sync();
        file_.close();
        target_.folder.replace(temporaryName_, target_.name, target_.status, shown_);
    } catch (const RunError& error) {
        const std::string path = target_.folder.pathOf(temporaryName_);
        if (const std::string cause = discard(); !cause.empty()) {
            throw RunError(std::string(error.what()) + "; the unfinished new file '" + path +
                           "' could not be removed: " + cause);
        }
        throw;
    }
    forget();
}

void ReplacementFile::forget() noexcept {
    temporaryName_.clear();
    HostFolder::forgetTemporary();
}

void ReplacementFile::removeLeftovers(const HostFolder& dataFolder) const {
    // The user's own regular files of exactly the temporary name's form: the folder is locked, so none of
    // them belongs to a run still going on.
    for (const std::string& candidate : dataFolder.ownRegularFiles()) {
        if (isTemporaryNameOf(candidate, target_.name)) {
            if (const std::string cause = dataFolder.remove(candidate); !cause.empty()) {
                throw fileError("cannot remove the leftover of an interrupted run",
                                dataFolder.pathOf(candidate), cause);
            }
        }
    }
}

std::string ReplacementFile::discard() noexcept {
    file_ = HostFile();
    std::string cause;
    try {
        // Only this run's own file: another program's may stand at the name by now.
        if (const std::optional<FileStatus> standing = target_.folder.statusOf(temporaryName_);
            standing && standing->sameFileAs(written_)) {
            cause = target_.folder.remove(temporaryName_);
        }
    } catch (...) {
        cause = "not enough memory";
    }
    forget();
    return cause;
}

} // namespace courseeval
