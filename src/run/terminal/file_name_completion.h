#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace courseeval {

// What Tab adds to a partly typed file or folder name.
struct FileNameCompletion {
    // Text to insert at the cursor: the rest of the only match (a folder with a final "/"), or what all
    // matches have in common beyond what was typed.
    std::string insertion;
    // The names that still match when the typed text cannot be completed further by itself; folders end
    // in "/". Empty when there is one match or none.
    std::vector<std::string> candidates;
};

// Completes `typed`, the text before the cursor, as a file or folder name the way a shell does: the
// folder part (up to the last "/" or backslash, which the run treats as separators too) is listed and the
// rest is a prefix of the names sought. Nothing is expanded. Names beginning with "." are offered only
// when the prefix begins with ".".
FileNameCompletion completeFileName(std::string_view typed);

} // namespace courseeval
