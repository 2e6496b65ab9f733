#pragma once

#include "core/output_file.h"

#include <string>
#include <string_view>

namespace courseeval {

// The run's action log: one line per entry, in run order, no header, stamps or levels. Each entry is
// handed to the operating system as soon as it is written, so the log shows how far a run got even when
// the run ends in an error.
class ActionLog {
public:
    // Creates (truncates) the log file at the host path `path`.
    explicit ActionLog(const std::string& path);

    void logAction(std::string_view text);
    void close();

private:
    OutputFile file_;
};

} // namespace courseeval
