#include "files/input_file.h"

#include "files/data_folder.h"
#include "files/file_rules.h"

namespace courseeval {

InputFile::InputFile(Handle file, const FileStatus& atOpen, std::string path, std::string logName,
                     const DataFolder& folder, std::string_view name)
    : file_(std::move(file)), atOpen_(atOpen), path_(std::move(path)), logName_(std::move(logName)),
      folder_(&folder), name_(name) {}

std::size_t InputFile::read(char* bytes, std::size_t size) {
    const std::size_t count = valueOf(host::read(file_, bytes, size), "cannot read", path_);
    bytesRead_ += count;
    // A file that grows while it is read is caught here, before it can grow the run's memory with it.
    if (bytesRead_ > atOpen_.stamp.size) {
        changed();
    }
    return count;
}

void InputFile::close() {
    const FileStamp atEnd = valueOf(host::status(file_), "cannot read", path_).stamp;
    require(host::close(file_), "cannot close", path_);
    // What was read must still be the file of that name: not one saved over it meanwhile.
    if (changedWhileRead(atOpen_.stamp, atEnd, bytesRead_) || !folder_->stillNames(name_, atOpen_)) {
        changed();
    }
}

void InputFile::changed() const {
    throw fileError("cannot read", path(), "the file changed while it was read");
}

} // namespace courseeval
