#pragma once

#include "files/host.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace courseeval {

class DataFolder;

// A regular file of the data folder, open to be read once from start to end, which notices when it
// changes meanwhile: a file cut short, grown or rewritten while it is read, or another file saved under
// its name (as editors save, writing a copy and renaming it over), is not taken for what it held.
class InputFile {
public:
    // Takes over `file`, open for reading, whose status was `atOpen` when it was opened, and which is the
    // file `name` of `folder` (its links followed); errors name it `path`, the action log `logName`.
    // `folder` must outlive it.
    InputFile(Handle file, const FileStatus& atOpen, std::string path, std::string logName,
              const DataFolder& folder, std::string_view name);

    // Reads up to `size` bytes; 0 at the end of the file. Bytes beyond the size the file had when it was
    // opened are an error ("the file changed while it was read").
    std::size_t read(char* bytes, std::size_t size);
    // Closes the file, once it has been read to its end; an error when it changed meanwhile or its name
    // no longer names it.
    void close();

    // The file's size in bytes when it was opened.
    std::uint64_t size() const { return atOpen_.stamp.size; }
    // The host path, which errors name, and the name the action log gives the file.
    const std::string& path() const { return path_; }
    const std::string& logName() const { return logName_; }

private:
    [[noreturn]] void changed() const;

    Handle file_;
    FileStatus atOpen_;
    std::string path_;
    std::string logName_;
    const DataFolder* folder_;
    std::string name_;
    std::uint64_t bytesRead_ = 0;
};

} // namespace courseeval
