#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace courseeval {

// What Tab adds to a partly typed folder name.
struct FolderNameCompletion {
    // Text to insert at the cursor: the rest of the only matching folder with a final "/", or what all
    // matches have in common beyond what was typed.
    std::string insertion;
    // The folders (each with a final "/") that still match when the typed text cannot be completed further
    // by itself. Empty when there is one match or none.
    std::vector<std::string> candidates;
};

// Completes `typed`, the text before the cursor, as a folder name the way a shell completes `cd`: the
// folder part (up to the last "/" or backslash, which the run treats as separators too) is listed and the
// rest is a prefix of the folders sought; files are not offered, as the answer names a folder. Nothing is
// expanded. Names beginning with "." are offered only when the prefix begins with ".".
FolderNameCompletion completeFolderName(std::string_view typed);

// `names` laid out in columns as a shell lists them, down each column first, within `width` characters a
// line (one name a line when even two do not fit): each line ends in "\n".
std::string inColumns(const std::vector<std::string>& names, std::size_t width);

} // namespace courseeval
