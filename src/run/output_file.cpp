#include "run/output_file.h"

#include "run/run_error.h"

#include <cassert>
#include <cerrno>
#include <cstring>

namespace courseeval {

namespace {

std::string describeErrno(int error) {
    return error != 0 ? std::strerror(error) : "unknown error";
}

} // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)), file_(std::fopen(path_.c_str(), "wb")) {
    if (file_ == nullptr) {
        fail("cannot create");
    }
}

OutputFile::~OutputFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

void OutputFile::writePiece(std::string_view text) {
    assert(file_ != nullptr);
    if (text.empty()) {
        return;
    }
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        fail("cannot write to");
    }
}

void OutputFile::writeLine(std::string_view text) {
    writePiece(text);
    writePiece("\r\n");
}

void OutputFile::flush() {
    assert(file_ != nullptr);
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

void OutputFile::fail(std::string_view what) const {
    const int error = errno;
    throw RunError(std::string(what) + " '" + path_ + "': " + describeErrno(error));
}

} // namespace courseeval
