#pragma once

#include "core/input_file.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace courseeval {

// Reads the evaluation file line by line, in one pass and in bytes. A line ends at a CR or at a CR LF
// pair; a lone LF is an ordinary character of the line. The last line needs no line end, and a line end
// at the very end of the file starts no further line. Failures throw a RunError naming the file.
class EvaluationLineReader {
public:
    // Reads `file`, open at its start.
    explicit EvaluationLineReader(InputFile file);

    // Points `line` at the next line, without its line end; false at the end of the file. The bytes stay
    // valid until the next call.
    bool readLine(std::string_view& line);
    // Closes the file, once it has been read to its end; an error when it changed meanwhile.
    void close() { file_.close(); }

    // The host path, which errors name, and the name the action log gives the file.
    const std::string& path() const { return file_.path(); }
    const std::string& logName() const { return file_.logName(); }
    // The size of the file in bytes when it was opened.
    std::uint64_t size() const { return file_.size(); }

private:
    // The next byte without consuming it, or -1 at the end of the file.
    int peekByte();
    bool fillBuffer();

    InputFile file_;
    // What the last read brought, not yet consumed from `position_` on; never initialised beyond that.
    std::unique_ptr<char[]> buffer_;
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    // A line that runs past the end of the buffer is gathered here.
    std::string spill_;
    // The last line ended in a CR: an LF right after it belongs to that line end. It is looked for only
    // when the next line is asked for, as looking may refill the buffer under the line just handed out.
    bool afterCr_ = false;
};

} // namespace courseeval
