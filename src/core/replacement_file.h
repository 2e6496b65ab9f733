#pragma once

#include "core/output_file.h"

#include <functional>
#include <string>

namespace courseeval {

// Replaces the file at the host path `path` whole with what `writeContent` writes. The content goes to a
// new hidden file beside the target (".<name>.<six letters>"), which is put on the disk and then, in one
// step, in the target's place. Until then the target stays exactly as it was; after any error the new file
// is removed (a removal that fails is part of the error), and so it is when the program is interrupted by
// Ctrl+C or a termination signal. Only a killed program leaves it behind: the next replacement in the same
// folder removes such leftovers of the user's.
//
// The target need not exist yet. Where it does, it must be a regular file that the user may change: a
// read-only file is refused and left as it is. A symbolic link is followed where followsLink() allows it,
// and stays a link: the file it names is replaced. The new file takes the old one's permissions and, as
// far as the user may set them, its owner and group (on Windows its attributes, and through the system's
// replacement its access rights, owner and creation time). Errors name `path`.
void replaceWhole(const std::string& path, const std::function<void(OutputFile&)>& writeContent);

} // namespace courseeval
