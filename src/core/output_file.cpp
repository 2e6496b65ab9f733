#include "core/output_file.h"

#include "core/file_error.h"
#include "core/file_open.h"

#include <cassert>
#include <cerrno>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace courseeval {

OutputFile::OutputFile(const std::string& path) : OutputFile(createFile(path), path) {}

OutputFile::OutputFile(std::FILE* file, std::string path)
    : path_(std::move(path)), file_(file), buffer_(std::make_unique_for_overwrite<char[]>(bufferCapacity)) {
    // This class buffers; the C library passes each block straight to the operating system.
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

OutputFile::~OutputFile() {
    if (file_ != nullptr) {
        std::fwrite(buffer_.get(), 1, used_, file_);
        std::fclose(file_);
    }
}

void OutputFile::writeThrough(std::string_view text) {
    assert(file_ != nullptr);
    // Fill the buffer up and hand it on; a piece longer than a whole buffer goes on by itself.
    const std::size_t head = bufferCapacity - used_;
    std::copy_n(text.begin(), head, buffer_.get() + used_);
    used_ = bufferCapacity;
    writeBuffer();
    text.remove_prefix(head);
    if (text.size() >= bufferCapacity) {
        writeBytes(text.data(), text.size());
    } else {
        std::copy(text.begin(), text.end(), buffer_.get());
        used_ = text.size();
    }
}

void OutputFile::flush() {
    assert(file_ != nullptr);
    writeBuffer();
    errno = 0;
    if (std::fflush(file_) != 0) {
        fail("cannot write to");
    }
}

void OutputFile::sync() {
    flush();
    errno = 0;
#ifdef _WIN32
    const bool synced = _commit(_fileno(file_)) == 0;
#else
    const bool synced = fsync(fileno(file_)) == 0;
#endif
    if (!synced) {
        fail("cannot write to");
    }
}

void OutputFile::close() {
    assert(file_ != nullptr);
    flush();
    std::FILE* file = file_;
    file_ = nullptr;
    errno = 0;
    if (std::fclose(file) != 0) {
        fail("cannot close");
    }
}

void OutputFile::writeBuffer() {
    const std::size_t size = used_;
    used_ = 0;
    writeBytes(buffer_.get(), size);
}

void OutputFile::writeBytes(const char* bytes, std::size_t size) {
    errno = 0;
    if (std::fwrite(bytes, 1, size, file_) != size) {
        fail("cannot write to");
    }
}

void OutputFile::fail(std::string_view what) const {
    const int error = errno;
    throw fileError(what, path_, error);
}

} // namespace courseeval
