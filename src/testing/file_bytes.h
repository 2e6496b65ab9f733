#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace courseeval::testing {

// The whole content of a file, byte for byte; throws when it cannot be read.
std::string readBytes(const std::filesystem::path& path);
// Creates or replaces a file holding exactly `bytes`.
void writeBytes(const std::string& path, std::string_view bytes);
// The lines of `bytes` split at each CR LF; text after the last CR LF (none in a well-formed file) is
// returned as a final element.
std::vector<std::string> splitCrLfLines(std::string_view bytes);
// Joins `fields`, each followed by a TAB, into one record line ending in CR LF.
std::string recordLine(const std::vector<std::string>& fields);

} // namespace courseeval::testing
