#pragma once

#include <string>
#include <string_view>

namespace courseeval {

// The name under which the host file system knows the file `fileName` of the folder `folderPath`.
// The folder text keeps the backslashes the user typed (it is shown and logged that way). On Windows the
// combined name is used as it stands: backslashes separate folders and drive letters work. On POSIX hosts
// every backslash of the combined name becomes "/", so "h:\tarnholm_2\" names the relative folder
// "h:/tarnholm_2/".
std::string hostPath(std::string_view folderPath, std::string_view fileName);

// The folder part of the host path `path`, its final separator included; empty for a name alone.
std::string folderPartOf(std::string_view path);

} // namespace courseeval
