#include "core/input_file.h"

#include "core/file_error.h"

namespace courseeval {

InputFile::InputFile(HostFile file, const FileStamp& atOpen, std::string logName)
    : file_(std::move(file)), atOpen_(atOpen), logName_(std::move(logName)) {}

std::size_t InputFile::read(char* bytes, std::size_t size) {
    const std::size_t count = file_.readSome(bytes, size);
    bytesRead_ += count;
    // A file that grows while it is read is caught here, before it can grow the run's memory with it.
    if (bytesRead_ > atOpen_.size) {
        changed();
    }
    return count;
}

void InputFile::close() {
    const FileStamp atEnd = file_.status().stamp;
    file_.close();
    if (changedWhileRead(atOpen_, atEnd, bytesRead_)) {
        changed();
    }
}

void InputFile::changed() const {
    throw fileError("cannot read", path(), "the file changed while it was read");
}

} // namespace courseeval
