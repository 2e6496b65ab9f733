#pragma once

#include "common/run_error.h"
#include "files/host.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace courseeval {

// Gives `file`, new and the user's alone, whose group is `group`, the access of the file of access
// `source` whose content it shows (see accessToGive()): the source's group where the user may give it that,
// and for a derived file (`creationMask`, the umask, given) the user as owner; for 999's new file (no mask)
// the source's owner too where the user may (root).
std::error_code giveAccess(const Handle& file, std::uint32_t group, const FileAccess& source,
                           std::optional<unsigned> creationMask);

// The whole-file replacement of one file of a folder. The new content goes to a new hidden file beside
// the target (".<name>.<six letters>"), readable and writable by the user alone while it is written, which
// commit() puts on the disk and then, in one step, in the target's place. Until then the target stays
// exactly as it was; a new file not committed is removed when the replacement goes (after any error), and
// so it is when the program is interrupted by Ctrl+C or a termination signal. Only a killed program leaves
// it behind: a replacement in the folder the run has locked first removes such leftovers of the user's.
// A file that another program saved at the name meanwhile is kept, and nothing is replaced.
class ReplacementFile {
public:
    // Begins to replace the file `name` of `folder`, which must outlive the replacement and whose path ends
    // in `folderShown`, removing the leftovers of earlier replacements first when `removeLeftovers`; errors
    // name `shown`.
    ReplacementFile(const Handle& folder, std::string folderShown, std::string_view name, std::string shown,
                    bool removeLeftovers);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile();

    // What a replacement does to the new file, complete, before it takes the target's place: give it the
    // old file's access, say.
    using Prepare = std::function<void(const Handle& file, const FileStatus& status)>;
    // Writes `content` as the whole new file, prepares it, and puts it in the place of the target, which
    // must still be the file of status `old` (still missing, when that is nothing). After an error the
    // target is as it was and the new file is gone; a new file that cannot be removed is named in the
    // error.
    void commit(std::string_view content, const std::optional<FileStatus>& old, const Prepare& prepare);

private:
    // Creates the new file at a free name.
    void create();
    // Puts the new file, closed, in the target's place, which must still be the file `old` (nothing), and
    // removes the old file.
    void place(const std::optional<FileStatus>& old) const;
    // Puts the new file in the place of the old one, of status `old`; returns where the old one stands then
    // (nothing: it is gone already).
    std::string replaceOld(const FileStatus& old) const;
    std::string moveAsideAndReplace(const FileStatus& old) const;
    void checkThenReplace(const std::optional<FileStatus>& old) const;
    RunError changedMeanwhile() const;
    RunError replacedBut(std::string_view failure) const;
    // Closes and removes the new file, where its name still names it; what failed where it could not.
    std::error_code discard() noexcept;
    std::string pathOf(std::string_view name) const { return folderShown_ + std::string(name); }

    const Handle* folder_;
    std::string folderShown_;
    std::string target_;
    std::string shown_;
    std::string name_; // the new file's
    Handle file_;
    FileStatus status_;
    bool pending_ = false;
};

} // namespace courseeval
