#include "core/action_log.h"

#include "core/host_text.h"

namespace courseeval {

ActionLog::ActionLog(OutputFile& file) : file_(&file) {}

void ActionLog::logAction(std::string_view text) {
    // A folder named in the log reads as it always has, in the ANSI code page's bytes on Windows.
    const std::size_t start = written_.size();
    written_.append(storedBytes(text)).append("\r\n");
    file_->writePiece(std::string_view(written_).substr(start));
    file_->flush();
}

void ActionLog::logOpened(std::string_view logName, OpenedFor mode, int channel) {
    std::string entry(logName);
    entry.append(mode == OpenedFor::input ? " opened For Input As #" : " opened For Output As #")
        .append(std::to_string(channel));
    logAction(entry);
}

} // namespace courseeval
