#pragma once

#include "files/host.h"

#include <filesystem>
#include <string>

namespace courseeval::testing {

// A fresh empty folder under the system's temporary folder, removed with everything in it on destruction.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::filesystem::path& path() const { return path_; }
    // The folder as a `folderPath` text: its name followed by the host's separator.
    std::string folderPath() const { return (path_ / "").string(); }
    // The full name of the file `name` in the folder.
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // The folder, opened as the file layer holds a folder.
    Handle open() const;

private:
    std::filesystem::path path_;
};

} // namespace courseeval::testing
