#pragma once

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace courseeval {

// A text file created empty (an existing file is truncated) and written byte for byte. Lines end in
// CR LF. Pieces are gathered in a buffer of its own and handed on in large blocks, as the stages write
// field by field. Every write, flush and close is checked and a failure throws a RunError naming the file.
//
// A file still open when it is destroyed (because an error is ending the run) is flushed and closed
// then, so that it keeps everything written to it before the error; failures at that point are
// ignored, as the run is already reporting an error.
class OutputFile {
public:
    // Creates (or truncates) the file at the host path `path`.
    explicit OutputFile(const std::string& path);
    // Takes over `file`, open for writing; `path` names it in error messages.
    OutputFile(std::FILE* file, std::string path);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Writes `text` with no line end after it.
    void writePiece(std::string_view text) {
        if (text.size() <= bufferCapacity - used_) {
            // The common case, a field or a separator: copied into the buffer and nothing else.
            std::copy(text.begin(), text.end(), buffer_.get() + used_);
            used_ += text.size();
        } else {
            writeThrough(text);
        }
    }
    // Writes `text` followed by CR LF.
    void writeLine(std::string_view text) {
        writePiece(text);
        writePiece("\r\n");
    }
    // Hands everything written so far to the operating system.
    void flush();
    // Flushes, then waits until the operating system has put everything written on the disk.
    void sync();
    // Flushes and closes the file; further writes are a programming error.
    void close();

    static constexpr std::size_t bufferCapacity = std::size_t{64} * 1024;

private:
    // Writes a piece that does not fit in what is left of the buffer.
    void writeThrough(std::string_view text);
    // Hands the gathered pieces to the C library.
    void writeBuffer();
    // Hands `size` bytes at `bytes` to the C library.
    void writeBytes(const char* bytes, std::size_t size);
    [[noreturn]] void fail(std::string_view what) const;

    std::string path_;
    std::FILE* file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
};

} // namespace courseeval
