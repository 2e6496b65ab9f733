#include "core/replacement_file.h"

#include "core/run_error.h"

#include <random>

namespace courseeval {

namespace {

constexpr int nameAttempts = 100;

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
    : target_(valueOf(folder.follow(name), "cannot replace", shown)), shown_(std::move(shown)) {
    const HostFolder& targetFolder = target_.folder();
    if (target_.status) {
        const FileStatus& status = *target_.status;
        if (const Refusal kind = notARegularFile(status.kind)) {
            throw fileError("cannot replace", shown_, *kind);
        }
        // Its other names would go on naming the old content.
        if (const Refusal otherNames = hasOtherNames(status.links)) {
            throw fileError("cannot replace", shown_, *otherNames);
        }
        // A file the user may write but not read stays closed: its permission bits are still kept (on
        // Windows one that another program holds, for which the replacement waits). Any other failure is
        // one.
        if (HostResult<HostFolder::Opened> old = targetFolder.openFile(target_.name, {})) {
            if (old->file.isOpen() && !old->status.sameFileAs(status)) {
                throw fileError("cannot replace", shown_, "the file was replaced while it was opened");
            }
            old_ = std::move(old->file);
        } else if (!isAccessRefused(old.failure().code)) {
            throw fileError("cannot replace", shown_, old.failure());
        }
        if (const Refusal refused = targetFolder.whyNotReplaceable(target_.name, old_, status)) {
            throw fileError("cannot replace", shown_, *refused);
        }
    }
    // Leftovers are looked for only in the data folder itself, which this run has locked.
    if (targetFolder.sameFolderAs(folder)) {
        removeLeftovers(folder);
    }
    for (int attempt = 0; attempt < nameAttempts && !(new_ && new_->file.isOpen()); ++attempt) {
        new_.emplace(
            valueOf(TemporaryFile::create(targetFolder, temporaryNameOf(target_.name, randomLetters())),
                    "cannot create", shown_));
    }
    if (!new_->file.isOpen()) {
        throw fileError("cannot create", shown_, "no free name for a new file beside it");
    }
}

ReplacementFile::~ReplacementFile() = default;

void ReplacementFile::commit(std::string_view content) {
    HostFile& file = new_->file;
    try {
        require(file.writeAll(content.data(), content.size()), "cannot write to", shown_);
        // Only the complete file is given to others: while it was written, nobody else could open it.
        if (target_.status) {
            const FileStatus& oldStatus = *target_.status;
            require(file.takeOwnershipFrom(old_, oldStatus), "cannot create", shown_);
            // Where the old file's group could not be kept, the group the new one has instead must not
            // read what the old group read.
            const FileAccess oldAccess =
                old_.isOpen() ? valueOf(old_.access(oldStatus), "cannot read", shown_)
                              : FileAccess{oldStatus.owner, oldStatus.group, oldStatus.permissions, {}};
            const FileStatus given = valueOf(file.status(), "cannot read", shown_);
            if (readersOf(valueOf(file.access(given), "cannot read", shown_), oldAccess, currentUser()) !=
                Readers::within) {
                require(file.setAccess(accessFor(oldAccess, given.group)), "cannot create", shown_);
            }
        } else {
            require(file.setPermissions(sharedFilePermissions & ~fileCreationMask()), "cannot create",
                    shown_);
        }
        // Nothing of the run may hold the old file open while it is replaced (Windows would refuse).
        old_ = HostFile();
        require(file.sync(), "cannot write to", shown_);
        require(file.close(), "cannot close", shown_);
        if (const std::optional<HostFolder::ReplaceFailure> failure =
                target_.folder().replace(new_->name(), target_.name, target_.status)) {
            throw replaceError(*failure);
        }
    } catch (const RunError& error) {
        const std::string path = target_.folder().pathOf(new_->name());
        if (const std::error_code cause = new_->discard()) {
            throw RunError(std::string(error.what()) + "; the unfinished new file '" + path +
                           "' could not be removed: " + causeOf(path, cause));
        }
        throw;
    }
    new_->keep();
}

RunError ReplacementFile::replaceError(const HostFolder::ReplaceFailure& failure) const {
    using Step = HostFolder::ReplaceFailure::Step;
    const std::string cause = causeOf(shown_, failure.code);
    const std::string left = target_.folder().pathOf(new_->name());
    switch (failure.step) {
    case Step::creating:
        return fileError("cannot create", shown_, failure.code);
    case Step::replacing:
        return fileError("cannot replace", shown_, failure.code);
    case Step::changedMeanwhile:
        return fileError("cannot replace", shown_,
                         "the file was changed by another program meanwhile, so nothing was replaced");
    case Step::inUse:
        return fileError("cannot replace", shown_, "the file is in use by another program");
    case Step::puttingBack:
        return replacedButError(shown_, "the file another program saved there meanwhile is now '" + left +
                                            "': " + cause);
    case Step::removingOld:
        return replacedButError(shown_, "the old file is left as '" + left + "': " + cause);
    case Step::syncing:
        return replacedButError(shown_, "the folder could not be synced (" + cause +
                                            "), so the replacement may not survive a power failure");
    case Step::settingAttributes:
        break;
    }
    return replacedButError(shown_, "its attributes could not be set: " + cause);
}

void ReplacementFile::removeLeftovers(const HostFolder& dataFolder) const {
    // The user's own regular files of exactly the temporary name's form: the folder is locked, so none of
    // them belongs to a run still going on.
    for (const std::string& candidate : dataFolder.ownRegularFiles()) {
        if (isTemporaryNameOf(candidate, target_.name)) {
            require(dataFolder.remove(candidate), "cannot remove the leftover of an interrupted run",
                    dataFolder.pathOf(candidate));
        }
    }
}

} // namespace courseeval
