#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

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

// An error after the file `path` was replaced whole: the new content is in place, and the message says so
// first: "'data/sampleEvalData.txt' was replaced, but <failure>".
RunError replacedButError(std::string_view path, std::string_view failure);

// The error of a failed operation on a file: "<what> '<path>': <cause>", e.g.
// "cannot create 'data/enumerateFields.txt': No space left on device". A NUL byte in the path is shown
// as \0, so that the message names the whole path the user gave.
RunError fileError(std::string_view what, std::string_view path, std::string_view cause);

struct HostFailure;
template <typename T>
class HostResult;

// The same with the cause in the host's words for `error` (on Windows with what most likely stands behind
// it), "unknown error" for none.
RunError fileError(std::string_view what, std::string_view path, const std::error_code& error);

// The same for what a host call reports: its error, or the refusal of the file rules, after "leads to
// '<link>', which " when it was met on the way to the file.
RunError fileError(std::string_view what, std::string_view path, const HostFailure& failure);

// The value a host call gave, or its failure ended as "<what> '<path>': <cause>".
template <typename T>
T valueOf(HostResult<T>&& result, std::string_view what, std::string_view path) {
    if (!result) {
        throw fileError(what, path, result.failure());
    }
    return std::move(*result);
}

// Ends the run with "<what> '<path>': <cause>" when a host call failed with `error`.
inline void require(const std::error_code& error, std::string_view what, std::string_view path) {
    if (error) {
        throw fileError(what, path, error);
    }
}

// The words for `error` on the file `path`: "unknown error" for none, and for a host's error its words
// (hostCause()).
std::string causeOf(std::string_view path, const std::error_code& error);

// The host's words for its error `error` on the file `path`: the system's message and, on Windows, what
// most likely stands behind it. One half per host.
std::string hostCause(std::string_view path, const std::error_code& error);

// An error at line `line` of the file `path`, the position first as compilers give it, so that an editor or
// grep can jump to it: "data/sampleEvalData.txt:7: more than 50 fields".
RunError fileLineError(std::string_view path, int line, std::string_view what);

} // namespace courseeval
