#pragma once

#include "core/host_folder.h"
#include "core/run_error.h"

#include <optional>
#include <string>
#include <string_view>

namespace courseeval {

// The whole-file replacement of one file of a folder. The new content goes to a new hidden file beside
// the target (".<name>.<six letters>"), readable and writable by the user alone while it is written, which
// commit() puts on the disk and then, in one step, in the target's place. Until then the target stays
// exactly as it was; a new file not committed is removed when the replacement goes (after any error), and
// so it is when the program is interrupted by Ctrl+C or a termination signal. Only a killed program leaves
// it behind: the next replacement in the same folder removes such leftovers of the user's.
//
// The target need not exist yet. Where it does, it must be a regular file of one name that the user may
// change: a read-only file (or an immutable one, one in a sticky folder that the user may not rename over)
// is refused and left as it is. A symbolic link is followed where followsLink() allows it, and stays a
// link: the file it names is replaced. The new file takes the old one's owner and group as far as the user
// may set them, its permission bits, access list and user attributes (on Windows its attributes, and
// through the system's replacement its access rights, owner and creation time). A file that another
// program saved at the name meanwhile is kept, and nothing is replaced.
class ReplacementFile {
public:
    // Begins to replace the file `name` of `folder`, which must outlive the replacement; errors name
    // `shown`.
    ReplacementFile(const HostFolder& folder, std::string_view name, std::string shown);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile();

    // Writes `content` as the whole new file and puts it in the target's place. After an error the target
    // is as it was and the new file is gone; a new file that cannot be removed is named in the error.
    void commit(std::string_view content);

private:
    void removeLeftovers(const HostFolder& dataFolder) const;
    // The error that ends a replacement stopped at `failure`.
    RunError replaceError(const HostFolder::ReplaceFailure& failure) const;

    HostFolder::Reached target_;
    // The file being replaced, open to be read where the user may read it: its access and attributes are
    // copied from it.
    HostFile old_;
    std::string shown_;
    std::optional<TemporaryFile> new_;
};

} // namespace courseeval
