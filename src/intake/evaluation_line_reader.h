#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

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

    // Points `line` at the next line, without its line end; false at the end of the file. The bytes stay
    // valid until the next call.
    bool readLine(std::string_view& line);
    void close();

    const std::string& path() const { return path_; }
    // The size of the file in bytes when it was opened; 0 when the system cannot tell.
    std::uint64_t size() const { return size_; }

private:
    // The next byte without consuming it, or -1 at the end of the file.
    int peekByte();
    bool fillBuffer();

    std::string path_;
    // What the last read brought, not yet consumed from `position_` on; never initialised beyond that.
    std::unique_ptr<char[]> buffer_;
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    // A line that runs past the end of the buffer is gathered here.
    std::string spill_;
    // The last line ended in a CR: an LF right after it belongs to that line end. It is looked for only
    // when the next line is asked for, as looking may refill the buffer under the line just handed out.
    bool afterCr_ = false;
};

} // namespace courseeval
