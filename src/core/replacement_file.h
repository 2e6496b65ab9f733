#pragma once

#include "core/output_file.h"

#include <optional>
#include <string>
#include <string_view>

namespace courseeval {

// A file that is only ever replaced whole. What is written goes to a new file beside the target; commit()
// puts it on the disk and then, in one step, in the target's place. Until then the target stays exactly as
// it was, and if anything fails, or the program ends before commit(), the target is untouched and the new
// file is removed (only a killed process can leave it behind, as a hidden file beside the target).
//
// A target that is a symbolic link stays a link: the file it names is replaced. The new file takes the old
// file's permission bits and, where the process may set them, its owner and group. Errors name the target.
class ReplacementFile {
public:
    // Prepares to replace the file at the host path `path`, which need not exist yet but, where it does,
    // must be a regular file.
    explicit ReplacementFile(std::string path);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile();

    void writeLine(std::string_view text) { output_->writeLine(text); }
    // Puts everything written on the disk, then replaces the target with it.
    void commit();

private:
    std::string path_;      // the file named by the caller
    std::string target_;    // the file replaced: `path_` with its links followed
    std::string temporary_; // the new file beside the target
    std::optional<OutputFile> output_;
    bool committed_ = false;
};

} // namespace courseeval
