#pragma once

#include <string_view>

namespace courseeval {

// Splits the bytes of an evaluation file into lines, in one pass and in bytes. A line ends at a CR or at a
// CR LF pair; a lone LF is an ordinary character of the line. The last line needs no line end, and a line
// end at the very end of the file starts no further line.
class EvaluationLineReader {
public:
    // Reads `bytes`, which stay where they are while the reader is used.
    explicit EvaluationLineReader(std::string_view bytes) : rest_(bytes) {}

    // Points `line` at the next line, in the bytes, without its line end; false after the last line.
    bool readLine(std::string_view& line);

private:
    // What is not read yet.
    std::string_view rest_;
};

} // namespace courseeval
