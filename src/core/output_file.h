#pragma once

#include <cstdio>
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
    void writePiece(std::string_view text);
    // Writes `text` followed by CR LF.
    void writeLine(std::string_view text);
    // Hands everything written so far to the operating system.
    void flush();
    // Flushes, then waits until the operating system has put everything written on the disk.
    void sync();
    // Flushes and closes the file; further writes are a programming error.
    void close();

private:
    // Hands the gathered pieces to the C library.
    void writeBuffer();
    [[noreturn]] void fail(std::string_view what) const;

    std::string path_;
    std::FILE* file_;
    std::string buffer_;
};

} // namespace courseeval
