#include "run/output_file.h"

#include "run/run_error.h"

#include <cassert>
#include <cerrno>
#include <cstring>

namespace courseeval {

namespace {

constexpr std::size_t bufferCapacity = std::size_t{64} * 1024;

std::string describeErrno(int error) {
    return error != 0 ? std::strerror(error) : "unknown error";
}

} // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)), file_(std::fopen(path_.c_str(), "wb")) {
    if (file_ == nullptr) {
        fail("cannot create");
    }
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
    throw RunError(std::string(what) + " '" + path_ + "': " + describeErrno(error));
}

} // namespace courseeval
