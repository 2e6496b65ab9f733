#include "core/input_file.h"

#include "core/run_error.h"

namespace courseeval {

InputFile::InputFile(HostFile file, const FileStatus& atOpen, std::string path, std::string logName,
                     const HostFolder& folder, std::string_view name)
    : file_(std::move(file)), atOpen_(atOpen), path_(std::move(path)), logName_(std::move(logName)),
      folder_(&folder), name_(name) {}

std::size_t InputFile::read(char* bytes, std::size_t size) {
    const HostResult<std::size_t> count = file_.readSome(bytes, size);
    if (!count) {
        throw fileError("cannot read", path_, count.failure());
    }
    bytesRead_ += *count;
    // A file that grows while it is read is caught here, before it can grow the run's memory with it.
    if (bytesRead_ > atOpen_.stamp.size) {
        changed();
    }
    return *count;
}

void InputFile::close() {
    const HostResult<FileStatus> atEnd = file_.status();
    if (!atEnd) {
        throw fileError("cannot read", path_, atEnd.failure());
    }
    if (const std::error_code error = file_.close()) {
        throw fileError("cannot close", path_, error);
    }
    if (changedWhileRead(atOpen_.stamp, atEnd->stamp, bytesRead_)) {
        changed();
    }
    // What was read must still be the file of that name: not one saved over it meanwhile.
    const HostResult<HostFolder::Reached> named = folder_->follow(name_);
    if (!named) {
        throw fileError("cannot read", path_, named.failure());
    }
    if (!named->status || !named->status->sameFileAs(atOpen_)) {
        changed();
    }
}

void InputFile::changed() const {
    throw fileError("cannot read", path(), "the file changed while it was read");
}

} // namespace courseeval
