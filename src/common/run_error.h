#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace courseeval {

// Every failure of a run is a RunError (or derived from it). Its message names what failed, the file
// and, where one applies, the line, row, column or index. The run catches it once, at the top.
class RunError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An error at a record of the evaluation file, raised where only the tables are at hand: `row` is the
// record's line in the file, and the run names the file (see fileLineError).
class RecordError : public RunError {
public:
    RecordError(int row, const std::string& what) : RunError(what), row_(row) {}

    int row() const { return row_; }

private:
    int row_;
};

// The error of a failed operation on a file: "<what> '<path>': <cause>", e.g.
// "cannot create 'data/enumerateFields.txt': No space left on device". A NUL byte in the path is shown
// as \0, so that the message names the whole path the user gave.
RunError fileError(std::string_view what, std::string_view path, std::string_view cause);

// An error at line `line` of the file `path`, the position first as compilers give it, so that an editor or
// grep can jump to it: "data/sampleEvalData.txt:7: more than 50 fields".
RunError fileLineError(std::string_view path, int line, std::string_view what);

} // namespace courseeval
