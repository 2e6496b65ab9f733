#pragma once

#include "core/host_file.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace courseeval {

// A regular file of the data folder, open to be read once from start to end, which notices when it
// changes meanwhile: a file cut short, grown or rewritten while it is read is not taken for what it held.
class InputFile {
public:
    // Takes over `file`, open for reading, whose size and time of change were `atOpen` when it was opened;
    // `logName` names it in the action log.
    InputFile(HostFile file, const FileStamp& atOpen, std::string logName);

    // Reads up to `size` bytes; 0 at the end of the file. Bytes beyond the size the file had when it was
    // opened are an error ("the file changed while it was read").
    std::size_t read(char* bytes, std::size_t size);
    // Closes the file, once it has been read to its end; an error when it changed meanwhile.
    void close();

    // The file's size in bytes when it was opened.
    std::uint64_t size() const { return atOpen_.size; }
    // The host path, which errors name, and the name the action log gives the file.
    const std::string& path() const { return file_.path(); }
    const std::string& logName() const { return logName_; }

private:
    [[noreturn]] void changed() const;

    HostFile file_;
    FileStamp atOpen_;
    std::string logName_;
    std::uint64_t bytesRead_ = 0;
};

} // namespace courseeval
