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

namespace {

constexpr std::size_t bufferCapacity = std::size_t{64} * 1024;

} // namespace

OutputFile::OutputFile(const std::string& path) : OutputFile(createFile(path), path) {}

OutputFile::OutputFile(std::FILE* file, std::string path) : path_(std::move(path)), file_(file) {
    // This class buffers; the C library passes each block straight to the operating system.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    buffer_.reserve(bufferCapacity);
}

OutputFile::~OutputFile() {
    if (file_ != nullptr) {
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
        std::fclose(file_);
    }
}

void OutputFile::writePiece(std::string_view text) {
    assert(file_ != nullptr);
    buffer_.append(text);
    if (buffer_.size() >= bufferCapacity) {
        writeBuffer();
    }
}

void OutputFile::writeLine(std::string_view text) {
    writePiece(text);
    writePiece("\r\n");
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
    errno = 0;
    const std::size_t written = std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    buffer_.erase(0, written);
    if (!buffer_.empty()) {
        fail("cannot write to");
    }
}

void OutputFile::fail(std::string_view what) const {
    const int error = errno;
    throw fileError(what, path_, error);
}

} // namespace courseeval
