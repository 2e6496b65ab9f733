#include "core/input_file.h"

#include "core/run_error.h"

namespace courseeval {

InputFile::InputFile(HostFile file, const FileStatus& atOpen, std::string path, std::string logName,
                     const HostFolder& folder, std::string_view name)
    : file_(std::move(file)), atOpen_(atOpen), path_(std::move(path)), logName_(std::move(logName)),
      folder_(&folder), name_(name) {}

std::size_t InputFile::read(char* bytes, std::size_t size) {
    const std::size_t count = valueOf(file_.readSome(bytes, size), "cannot read", path_);
    bytesRead_ += count;
    // A file that grows while it is read is caught here, before it can grow the run's memory with it.
    if (bytesRead_ > atOpen_.stamp.size) {
        changed();
    }
    return count;
}

void InputFile::close() {
    const FileStamp atEnd = valueOf(file_.status(), "cannot read", path_).stamp;
    require(file_.close(), "cannot close", path_);
    if (changedWhileRead(atOpen_.stamp, atEnd, bytesRead_)) {
        changed();
    }
    // What was read must still be the file of that name: not one saved over it meanwhile.
    const HostFolder::Reached named = valueOf(folder_->follow(name_), "cannot read", path_);
    if (!named.status || !named.status->sameFileAs(atOpen_)) {
        changed();
    }
}

void InputFile::changed() const {
    throw fileError("cannot read", path(), "the file changed while it was read");
}

} // namespace courseeval
