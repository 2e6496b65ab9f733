#pragma once

#include "core/output_file.h"

#include <string>
#include <string_view>

namespace courseeval {

// How a file named in the log was opened.
enum class OpenedFor { input, output };

// The run's action log: one line per entry, in run order, no header, stamps or levels, each entry in the
// bytes storedBytes() gives. Each entry is
// handed to the operating system as soon as it is written, so the log shows how far a run got even when
// the run ends in an error.
//
// An entry that says a file has been written is logged only after that file has been closed, so the log
// never claims what failed to reach the disk.
class ActionLog {
public:
    // Writes the log to `file`, open and empty, which must outlive it and which its owner closes.
    explicit ActionLog(OutputFile& file);

    void logAction(std::string_view text);
    // Logs that the file the log knows as `logName` was opened, as "<logName> opened For Output As
    // #<channel>" (or "For Input").
    void logOpened(std::string_view logName, OpenedFor mode, int channel);
    // Every byte written to the log, in order.
    const std::string& written() const { return written_; }

private:
    OutputFile* file_;
    std::string written_;
};

} // namespace courseeval
