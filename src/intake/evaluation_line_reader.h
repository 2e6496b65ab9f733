#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace courseeval {

// Reads the evaluation file line by line, in one pass and in bytes. A line ends at a CR or at a CR LF
// pair; a lone LF is an ordinary character of the line. The last line needs no line end, and a line end
// at the very end of the file starts no further line. Failures throw a RunError naming the file.
class EvaluationLineReader {
public:
    // Opens the file at the host path `path`; a missing or unreadable file, and anything but a regular
    // file (a folder, a FIFO, a device), fails here.
    explicit EvaluationLineReader(std::string path);
    EvaluationLineReader(const EvaluationLineReader&) = delete;
    EvaluationLineReader& operator=(const EvaluationLineReader&) = delete;
    ~EvaluationLineReader();

    // Puts the next line, without its line end, into `line`; false at the end of the file.
    bool readLine(std::string& line);
    void close();

    const std::string& path() const { return path_; }
    // The size of the file in bytes when it was opened; 0 when the system cannot tell.
    std::uint64_t size() const { return size_; }

private:
    // The next byte without consuming it, or -1 at the end of the file.
    int peekByte();
    bool fillBuffer();

    std::string path_;
    std::FILE* file_;
    std::uint64_t size_;
    // What the last read brought, not yet consumed from `position_` on; never initialised beyond that.
    std::unique_ptr<char[]> buffer_;
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
};

} // namespace courseeval
